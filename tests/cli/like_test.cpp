// tovak encode --like: a folder of originals of every format, byte order,
// pixel order and palette format (full palettes, short ones, a duplicate
// entry, a file-info block), converted to PNG and put back like them; the
// real samples; an edited texture back to INDEX8 and INDEX4 with the
// original palette and with a new one; folders paired by their layout, an
// original missing, and options that override the original's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "fixture/gim_writer.h"
#include "support/png_writer.h"
#include "support/random.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;
using Bytes = CliBytes;

// What tovak info says of a file, but the file's name.
std::string Described(const fs::path& gim) {
  std::string text = Tovak({"info", Utf8(gim)}).output;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text.substr(text.find('\n') + 1);
}

struct Case {
  std::uint16_t format, palette_format, entries;  // entries 0: no palette
  bool info;  // a file-info block, written after the root block
};

constexpr Case kCases[] = {
    {fixture::kRgba5650, 0, 0, false}, {fixture::kRgba5551, 0, 0, false}, {fixture::kRgba4444, 0, 0, false},
    {fixture::kRgba8888, 0, 0, false}, {fixture::kDxt1, 0, 0, false},     {fixture::kDxt3, 0, 0, false},
    {fixture::kDxt5, 0, 0, false},     {fixture::kDxt5, 0, 0, true},
    {fixture::kIndex4, fixture::kRgba8888, 16, false}, {fixture::kIndex4, fixture::kRgba5650, 16, false},
    {fixture::kIndex4, fixture::kRgba5551, 16, false}, {fixture::kIndex4, fixture::kRgba4444, 16, false},
    {fixture::kIndex4, fixture::kRgba8888, 13, false}, {fixture::kIndex8, fixture::kRgba8888, 256, false},
    {fixture::kIndex8, fixture::kRgba5650, 256, false}, {fixture::kIndex8, fixture::kRgba5551, 256, false},
    {fixture::kIndex8, fixture::kRgba4444, 256, false}, {fixture::kIndex8, fixture::kRgba4444, 87, false},
    {fixture::kIndex8, fixture::kRgba8888, 256, true},
};

// Random stored pixels (indices within the palette), the rows' padding zero
// as tovak writes it; a palette of random entries, entry 1 repeating entry
// 0, padded with zero entries to a whole 16-byte row.
fixture::Picture Original(const Case& c, bool big_endian, bool swizzled, Random& random) {
  const bool dxt = c.format >= fixture::kDxt1;
  fixture::Picture p{big_endian, c.format, static_cast<std::uint16_t>(swizzled), static_cast<std::uint16_t>(dxt ? 24 : 21),
                     static_cast<std::uint16_t>(dxt ? 16 : 13)};
  if (dxt) {
    p.pixels.resize(std::size_t{p.width} / 4 * p.height / 4 * (c.format == fixture::kDxt1 ? 8 : 16));
    for (std::uint8_t& b : p.pixels) b = random.Byte();
  } else {
    const std::size_t row = fixture::StoredRowBytes(c.format, p.width);
    const unsigned bits = fixture::UsualBitsPerPixel(c.format);
    Bytes plane(row * p.height, 0);
    for (std::size_t y = 0; y < p.height; ++y) {
      for (std::size_t x = 0; x < p.width; ++x) {
        std::uint8_t* at = &plane[y * row + x * bits / 8];
        if (c.entries != 0) *at = static_cast<std::uint8_t>(*at | random.Byte() % c.entries << (bits == 4 ? x % 2 * 4 : 0));
        for (std::size_t k = 0; c.entries == 0 && k < bits / 8; ++k) at[k] = random.Byte();
      }
    }
    p.pixels = swizzled ? fixture::Swizzle(plane, row, p.height) : plane;
  }
  if (c.entries != 0) {
    const std::size_t size = c.palette_format == fixture::kRgba8888 ? 4 : 2;
    fixture::Palette palette{c.palette_format, c.entries, Bytes((c.entries + 16 / size - 1) / (16 / size) * 16, 0)};
    for (std::size_t i = 0; i < c.entries * size; ++i) palette.entries[i] = random.Byte();
    std::copy_n(palette.entries.begin(), size, palette.entries.begin() + static_cast<std::ptrdiff_t>(size));
    p.palette = palette;
  }
  if (c.info) p.info_area = Bytes{'a', '.', 'p', 'n', 'g', 0, 'm', 'e', 0, 'd', 'a', 'y', 0, 't', 0, 0};
  return p;
}

bool SameBytes(const Bytes& a, const Bytes& b, std::size_t at, std::size_t count) {
  return a.size() >= at + count && b.size() >= at + count && std::equal(&a[at], &a[at] + count, &b[at]);
}

// Every original converted and put back like itself keeps its description
// (format, palette format, orders, file-info strings), pixels, stored plane
// and palette entries at the same places, the file-info block moved into the
// root block. Put back once, it is laid out as tovak lays out files, and the
// next round trip gives back its every byte.
TEST(EncodeLike, UneditedRoundTripIsLossless) {
  const fs::path dir = TempDir();
  Random random;
  std::vector<std::pair<std::string, fixture::Picture>> made;
  for (std::size_t k = 0; k < std::size(kCases); ++k) {
    for (const int variant : {0, 1, 2, 3}) {
      const std::string name = "case" + std::to_string(k) + "/" + std::to_string(variant);
      made.emplace_back(name, Original(kCases[k], variant & 1, variant & 2, random));
      fs::create_directories(dir / "gim" / ("case" + std::to_string(k)));
      Store(dir / "gim", name + ".gim", fixture::Write(made.back().second).bytes);
    }
  }
  const std::vector<std::string> steps = {"gim", "png", "tovak", "png-tovak", "again"};
  for (std::size_t s = 0; s + 2 < steps.size(); s += 2) {
    ASSERT_EQ(Tovak({"convert", Utf8(dir / steps[s]), "-o", Utf8(dir / steps[s + 1])}).exit_code, 0);
    const TovakRun run = Tovak({"encode", Utf8(dir / steps[s + 1]), "--like", Utf8(dir / steps[s]), "-o", Utf8(dir / steps[s + 2])});
    ASSERT_EQ(run.exit_code, 0) << run.output;
  }
  for (const auto& [name, picture] : made) {
    SCOPED_TRACE(name);
    const fixture::File original = fixture::Write(picture);
    const Bytes tovak = ReadAll(dir / "tovak" / (name + ".gim"));
    EXPECT_EQ(Described(dir / "tovak" / (name + ".gim")), Described(dir / "gim" / (name + ".gim")));
    EXPECT_EQ(ReadAll(dir / "png-tovak" / (name + ".png")), ReadAll(dir / "png" / (name + ".png")));
    EXPECT_TRUE(SameBytes(tovak, original.bytes, original.layout.pixels, picture.pixels.size())) << "stored plane";
    if (picture.palette) {
      const std::size_t size = picture.palette->format == fixture::kRgba8888 ? 4 : 2;
      EXPECT_TRUE(SameBytes(tovak, original.bytes, original.layout.entries, picture.palette->count * size)) << "entries";
    }
    // The root block reaches the end of the file, a file-info block in it.
    const std::uint32_t root = picture.big_endian ? std::uint32_t{tovak[20]} << 24 | tovak[21] << 16 | tovak[22] << 8 | tovak[23]
                                                  : std::uint32_t{tovak[23]} << 24 | tovak[22] << 16 | tovak[21] << 8 | tovak[20];
    EXPECT_EQ(root, tovak.size() - 16);
    EXPECT_TRUE(ReadAll(dir / "again" / (name + ".gim")) == tovak) << "not byte for byte";
  }
}

TEST(EncodeLike, RealSamplesComeBackByteForByte) {
  const fs::path samples = fs::path(TOVAK_SAMPLES_DIR), dir = TempDir();
  if (!fs::exists(samples / "index8-64x64.gim")) GTEST_SKIP() << "no samples";
  for (const std::string name : {"index8-64x64", "index4-swizzled-64x32"}) {
    ASSERT_EQ(Tovak({"convert", Utf8(samples / (name + ".gim")), "-o", Utf8(dir / "png")}).exit_code, 0);
    const TovakRun run = Tovak({"encode", Utf8(dir / "png" / (name + ".png")), "--like", Utf8(samples / (name + ".gim")), "-o", Utf8(dir / "again")});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(ReadAll(dir / "again" / (name + ".gim")) == ReadAll(samples / (name + ".gim"))) << name;
  }
}

// An INDEX8 original with an RGBA8888 palette and an INDEX4 one with an
// RGBA4444 palette, rows 4 to 8 painted over in colours of their own, go
// back with their own palette, kept byte for byte (untouched pixels keep
// their colours; which entry an edited pixel takes is the encoder's test's),
// and with a new one chosen for them, which shows the edit more closely.
TEST(EncodeLike, EditedTextureGoesBackWithItsPaletteOrANewOne) {
  const fs::path dir = TempDir();
  Random random;
  // Only a converter with a quantiser makes a new palette of so many colours.
  const bool quantises = Tovak({"--version"}).output.find("libimagequant") != std::string::npos;
  for (const Case& c : {kCases[13], kCases[11]}) {  // INDEX8 with RGBA8888, INDEX4 with RGBA4444
    const std::string name = "format" + std::to_string(c.format);
    const fixture::Picture picture = Original(c, false, false, random);
    const fixture::File original = fixture::Write(picture);
    const fs::path gim = Store(dir, name + ".gim", original.bytes);
    ASSERT_EQ(Tovak({"convert", Utf8(gim), "-o", Utf8(dir / "png")}).exit_code, 0);
    const Png before = ReadPng(dir / "png" / (name + ".png"));
    const std::size_t row = 4 * picture.width, first = 4 * row, end = 9 * row;
    Bytes edited = before.rgba;
    for (std::size_t i = first; i < end; ++i) edited[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 255 : i * i / 7);
    const fs::path png = Store(dir / "png", name + "-edited.png", MakePng(picture.width, picture.height, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, edited));
    for (const std::string way : {"kept", "new"}) {
      std::vector<std::string> args = {"encode", Utf8(png), "--like", Utf8(gim), "-o", Utf8(dir / way)};
      if (way == "new") args.insert(args.end(), {"--palette", "new"});
      const TovakRun run = Tovak(args);
      ASSERT_EQ(run.exit_code, quantises || way == "kept" ? 0 : 1) << run.output;
      if (run.exit_code != 0) continue;
      EXPECT_EQ(Described(dir / way / (name + "-edited.gim")), Described(gim)) << way;
      ASSERT_EQ(Tovak({"convert", Utf8(dir / way), "-o", Utf8(dir / way / "png"), "--force"}).exit_code, 0);
    }
    EXPECT_TRUE(SameBytes(ReadAll(dir / "kept" / (name + "-edited.gim")), original.bytes, original.layout.entries, picture.palette->entries.size()));
    const Png kept = ReadPng(dir / "kept" / "png" / (name + "-edited.png"));
    EXPECT_TRUE(SameBytes(kept.rgba, before.rgba, 0, first) && SameBytes(kept.rgba, before.rgba, end, before.rgba.size() - end));
    if (!quantises) continue;
    const Png fresh = ReadPng(dir / "new" / "png" / (name + "-edited.png"));
    double error[2] = {};
    for (std::size_t i = 0; i < edited.size(); ++i) {
      error[0] += std::abs(kept.rgba[i] - edited[i]);
      error[1] += std::abs(fresh.rgba[i] - edited[i]);
    }
    EXPECT_LT(error[1], error[0]);
  }
}

// Folders pair by their layout; a PNG without its original fails by name
// while the rest goes on, and a changed size is said on the file's line.
// What the command line names overrides the original's.
TEST(EncodeLike, FoldersPairByLayoutAndAMissingOriginalFailsAlone) {
  const fs::path dir = TempDir();
  for (const char* side : {"gim/sub", "png/sub"}) fs::create_directories(dir / side);
  fixture::Picture p{false, fixture::kRgba5551, 0, 8, 2};
  p.pixels.assign(fixture::StoredRowBytes(p.format, 8) * 2, 0x42);
  Store(dir / "gim" / "sub", "b.gim", fixture::Write(p).bytes);
  for (const char* png : {"sub/b.png", "a.png"}) Store(dir / "png", png, MakePng(9, 3, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, Bytes(4 * 9 * 3, 0x80)));
  TovakRun run = Tovak({"encode", Utf8(dir / "png"), "--like", Utf8(dir / "gim"), "-o", Utf8(dir / "out")});
  run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
  EXPECT_EQ(run.exit_code, 1);
  for (const std::string& line : std::vector<std::string>{"1 encoded, 1 failed", "a.png: no original " + Utf8(dir / "gim" / "a.gim"), "b.png: the size changed from 8 x 2 to 9 x 3"}) {
    EXPECT_NE(run.output.find(line), std::string::npos) << run.output;
  }
  EXPECT_FALSE(fs::exists(dir / "out" / "a.gim"));
  const std::string b = Described(dir / "out" / "sub" / "b.gim");
  EXPECT_NE(b.find("size: 9 x 3\nbit depth: 16\nbyte order: little-endian\npixel order: normal\nformat: RGBA5551\n"), std::string::npos) << b;
  ASSERT_EQ(Tovak({"encode", Utf8(dir / "png" / "sub" / "b.png"), "--like", Utf8(dir / "gim" / "sub" / "b.gim"), "--format", "index4",
                   "--palette-format", "rgba4444", "--swizzle", "--big-endian", "-o", Utf8(dir / "over")}).exit_code, 0);
  const std::string over = Described(dir / "over" / "b.gim");
  EXPECT_NE(over.find("byte order: big-endian\npixel order: swizzled\nformat: INDEX4\n"), std::string::npos) << over;
  EXPECT_NE(over.find("palette_format: 2\n"), std::string::npos) << over;
}

}  // namespace
}  // namespace tovak::test
