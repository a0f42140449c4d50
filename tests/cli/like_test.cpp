// tovak encode --like: a folder of originals of every format, byte order,
// pixel order and palette format (full palettes, short ones, a duplicate
// entry, a file-info block), converted to PNG and put back like them; the
// real samples; an edited texture back to INDEX8 and INDEX4 with the
// original palette and with a new one; originals missing from a folder.
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

std::string Lines(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

// What tovak info says of a file, but the file's name.
std::string Described(const fs::path& gim) {
  const std::string text = Lines(Tovak({"info", Utf8(gim)}).output);
  return text.substr(text.find('\n') + 1);
}

struct Case {
  const char* name;
  std::uint16_t format;
  std::uint16_t palette_format;
  std::uint16_t entries;  // 0: no palette
  bool info;              // a file-info block, written after the root block
};

constexpr Case kCases[] = {
    {"rgba5650", fixture::kRgba5650, 0, 0, false},
    {"rgba5551", fixture::kRgba5551, 0, 0, false},
    {"rgba4444", fixture::kRgba4444, 0, 0, false},
    {"rgba8888", fixture::kRgba8888, 0, 0, false},
    {"index4-8888", fixture::kIndex4, fixture::kRgba8888, 16, false},
    {"index4-5650", fixture::kIndex4, fixture::kRgba5650, 16, false},
    {"index4-5551", fixture::kIndex4, fixture::kRgba5551, 16, false},
    {"index4-4444", fixture::kIndex4, fixture::kRgba4444, 16, false},
    {"index4-8888-short", fixture::kIndex4, fixture::kRgba8888, 13, false},
    {"index8-8888", fixture::kIndex8, fixture::kRgba8888, 256, false},
    {"index8-5650", fixture::kIndex8, fixture::kRgba5650, 256, false},
    {"index8-5551", fixture::kIndex8, fixture::kRgba5551, 256, false},
    {"index8-4444", fixture::kIndex8, fixture::kRgba4444, 256, false},
    {"index8-4444-short", fixture::kIndex8, fixture::kRgba4444, 87, false},
    {"dxt1", fixture::kDxt1, 0, 0, false},
    {"dxt3", fixture::kDxt3, 0, 0, false},
    {"dxt5", fixture::kDxt5, 0, 0, false},
    {"index8-info", fixture::kIndex8, fixture::kRgba8888, 256, true},
    {"dxt5-info", fixture::kDxt5, 0, 0, true},
};

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// Random stored pixels, the rows' padding zero as tovak writes it; a
// palette of random entries, entry 1 repeating entry 0, its row padded with
// zero entries.
fixture::Picture Original(const Case& c, bool big_endian, bool swizzled, Random& random) {
  fixture::Picture p;
  p.big_endian = big_endian;
  p.format = c.format;
  p.pixel_order = swizzled ? 1 : 0;
  const bool dxt = c.format >= fixture::kDxt1;
  p.width = dxt ? 24 : 21;
  p.height = dxt ? 16 : 13;
  if (dxt) {
    p.pixels.resize(std::size_t{p.width} / 4 * p.height / 4 * (c.format == fixture::kDxt1 ? 8 : 16));
    for (std::uint8_t& b : p.pixels) b = random.Byte();
  } else {
    const std::size_t row = fixture::StoredRowBytes(c.format, p.width);
    const unsigned bits = fixture::UsualBitsPerPixel(c.format);
    Bytes plane(row * p.height, 0);
    for (std::size_t y = 0; y < p.height; ++y) {
      for (std::size_t x = 0; x < std::size_t{p.width} * bits / 8; ++x) plane[y * row + x] = random.Byte();
      // An odd INDEX4 row's last byte holds one pixel, in its low nibble.
      if (bits == 4 && p.width % 2 == 1) plane[y * row + p.width / 2] = random.Byte() & 15;
      if (c.entries != 0) {
        for (std::size_t x = 0; x < std::size_t{p.width} * bits / 8 + 1 && x < row; ++x) {
          if (bits == 8) plane[y * row + x] %= c.entries;
          if (bits == 4) plane[y * row + x] = static_cast<std::uint8_t>((plane[y * row + x] >> 4) % c.entries << 4 | (plane[y * row + x] & 15) % c.entries);
        }
        if (bits == 4) {
          for (std::size_t x = (p.width + 1) / 2; x < row; ++x) plane[y * row + x] = 0;
        }
      }
    }
    p.pixels = swizzled ? fixture::Swizzle(plane, row, p.height) : plane;
  }
  if (c.entries != 0) {
    const std::size_t entry_bytes = c.palette_format == fixture::kRgba8888 ? 4 : 2;
    const std::size_t padded = RoundUp(c.entries, entry_bytes == 4 ? 4 : 8);
    fixture::Palette palette{c.palette_format, c.entries, Bytes(padded * entry_bytes, 0)};
    for (std::size_t i = 0; i < c.entries * entry_bytes; ++i) palette.entries[i] = random.Byte();
    std::copy_n(palette.entries.begin(), entry_bytes, palette.entries.begin() + static_cast<std::ptrdiff_t>(entry_bytes));
    p.palette = palette;
  }
  if (c.info) p.info_area = Bytes{'a', '.', 'p', 'n', 'g', 0, 'm', 'e', 0, 'd', 'a', 'y', 0, 't', 0, 0};
  return p;
}

std::uint32_t U32(const Bytes& b, std::size_t at, bool be) {
  return be ? std::uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]
            : std::uint32_t{b[at + 3]} << 24 | b[at + 2] << 16 | b[at + 1] << 8 | b[at];
}

// Every original converted and put back like itself keeps its description
// (format, palette format, orders, file-info strings), pixels, stored plane
// and palette entries, the file-info block moved into the root block. Put
// back once, it is laid out as tovak lays out files, and the next round
// trip gives back its every byte.
TEST(EncodeLike, UneditedRoundTripIsLossless) {
  const fs::path dir = TempDir();
  Random random;
  struct Made {
    std::string name;
    fixture::File file;
    bool big_endian;
    std::size_t plane_bytes, entry_bytes;
  };
  std::vector<Made> made;
  for (const Case& c : kCases) {
    for (const bool be : {false, true}) {
      for (const bool swz : {false, true}) {
        const fixture::Picture picture = Original(c, be, swz, random);
        Made m{std::string(c.name) + "/" + c.name + (be ? "-be" : "-le") + (swz ? "-swizzled" : "-normal"),
               fixture::Write(picture), be, picture.pixels.size(),
               picture.palette ? std::size_t{picture.palette->count} * (c.palette_format == fixture::kRgba8888 ? 4 : 2) : 0};
        fs::create_directories(dir / "gim" / c.name);
        Store(dir / "gim", m.name + ".gim", m.file.bytes);
        made.push_back(m);
      }
    }
  }
  const std::vector<std::string> steps = {"gim", "png", "tovak", "png-tovak", "again", "png-again"};
  for (std::size_t s = 0; s + 2 < steps.size(); s += 2) {
    ASSERT_EQ(Tovak({"convert", Utf8(dir / steps[s]), "-o", Utf8(dir / steps[s + 1])}).exit_code, 0);
    const TovakRun run = Tovak({"encode", Utf8(dir / steps[s + 1]), "--like", Utf8(dir / steps[s]), "-o", Utf8(dir / steps[s + 2])});
    ASSERT_EQ(run.exit_code, 0) << run.output;
  }
  ASSERT_EQ(Tovak({"convert", Utf8(dir / "again"), "-o", Utf8(dir / "png-again")}).exit_code, 0);
  for (const Made& m : made) {
    SCOPED_TRACE(m.name);
    const Bytes tovak = ReadAll(dir / "tovak" / (m.name + ".gim"));
    EXPECT_EQ(Described(dir / "tovak" / (m.name + ".gim")), Described(dir / "gim" / (m.name + ".gim")));
    EXPECT_EQ(ReadAll(dir / "png-tovak" / (m.name + ".png")), ReadAll(dir / "png" / (m.name + ".png")));
    // Blocks where real files have them: the picture's at the same places.
    ASSERT_GE(tovak.size(), m.file.layout.pixels + m.plane_bytes);
    EXPECT_TRUE(std::equal(tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.pixels),
                           tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.pixels + m.plane_bytes),
                           m.file.bytes.begin() + static_cast<std::ptrdiff_t>(m.file.layout.pixels)))
        << "stored plane";
    if (m.entry_bytes != 0) {
      ASSERT_GE(tovak.size(), m.file.layout.entries + m.entry_bytes);
      EXPECT_TRUE(std::equal(tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.entries),
                             tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.entries + m.entry_bytes),
                             m.file.bytes.begin() + static_cast<std::ptrdiff_t>(m.file.layout.entries)))
          << "palette entries";
    }
    // The root block reaches the end of the file, a file-info block in it.
    EXPECT_EQ(U32(tovak, 20, m.big_endian), tovak.size() - 16);
    EXPECT_TRUE(ReadAll(dir / "again" / (m.name + ".gim")) == tovak) << "not byte for byte";
  }
}

TEST(EncodeLike, RealSamplesComeBackByteForByte) {
  const fs::path samples = fs::path(TOVAK_SAMPLES_DIR);
  if (!fs::exists(samples / "index8-64x64.gim")) GTEST_SKIP() << "no samples";
  const fs::path dir = TempDir();
  for (const char* name : {"index8-64x64", "index4-swizzled-64x32"}) {
    SCOPED_TRACE(name);
    const fs::path gim = samples / (std::string(name) + ".gim");
    ASSERT_EQ(Tovak({"convert", Utf8(gim), "-o", Utf8(dir / "png")}).exit_code, 0);
    const TovakRun run = Tovak({"encode", Utf8(dir / "png" / (std::string(name) + ".png")), "--like", Utf8(gim), "-o", Utf8(dir / "again")});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(ReadAll(dir / "again" / (std::string(name) + ".gim")) == ReadAll(gim));
  }
}

// A few antialiased strokes over the picture: each pixel within 1.5 pixels
// of a segment blended towards the stroke's colour by its coverage.
Bytes WithStrokes(Bytes rgba, std::uint32_t width, std::uint32_t height) {
  const struct {
    double x0, y0, x1, y1;
    std::uint8_t colour[4];
  } strokes[] = {{2, 3, 29, 27, {255, 0, 0, 255}},
                 {5, 28, 30, 6, {0, 40, 255, 200}},
                 {1, 15, 31, 17, {20, 230, 20, 255}}};
  for (const auto& s : strokes) {
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
        const double t = std::clamp(((x - s.x0) * dx + (y - s.y0) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double d = std::hypot(x - (s.x0 + t * dx), y - (s.y0 + t * dy));
        const double cover = std::clamp(1.5 - d, 0.0, 1.0);
        for (int c = 0; c < 4; ++c) {
          std::uint8_t& v = rgba[(std::size_t{y} * width + x) * 4 + c];
          v = static_cast<std::uint8_t>(std::lround(v * (1 - cover) + s.colour[c] * cover));
        }
      }
    }
  }
  return rgba;
}

double Psnr(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * a.size() / sum);
}

// A colour as the palette format stores it, widened back: RGBA4444 keeps 4
// bits of each channel.
int Reduced(int v, bool rgba4444) { return rgba4444 ? (v * 15 + 127) / 255 * 17 : v; }

int Distance(const std::uint8_t* pixel, const Png& png, int entry, bool rgba4444) {
  const spng_plte_entry& e = png.plte.entries[entry];
  const int want[4] = {e.red, e.green, e.blue, png.trns.type3_alpha[entry]};
  int sum = 0;
  for (int c = 0; c < 4; ++c) sum += (Reduced(pixel[c], rgba4444) - want[c]) * (Reduced(pixel[c], rgba4444) - want[c]);
  return sum;
}

// An INDEX8 original with an RGBA8888 palette and an INDEX4 one with an
// RGBA4444 palette, edited, go back with their own palette, kept byte for
// byte (untouched pixels keep their entries, edited ones take the nearest,
// measured in the palette's precision), and with a new one chosen for
// them, which shows the edit more closely.
TEST(EncodeLike, EditedTextureGoesBackWithItsPaletteOrANewOne) {
  const fs::path dir = TempDir();
  const struct {
    const char* name;
    std::uint16_t format, palette_format, entries;
  } cases[] = {{"eight", fixture::kIndex8, fixture::kRgba8888, 256},
               {"four", fixture::kIndex4, fixture::kRgba4444, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool four = c.format == fixture::kIndex4;
    fixture::Picture p;
    p.format = c.format;
    p.width = 32;
    p.height = 32;
    const std::size_t row = fixture::StoredRowBytes(c.format, 32);
    p.pixels.assign(row * 32, 0);
    for (std::size_t y = 0; y < 32; ++y) {
      for (std::size_t x = 0; x < 32; ++x) {
        if (four) {
          p.pixels[y * row + x / 2] |= static_cast<std::uint8_t>(((x + y) / 4 % 16) << (x % 2 == 0 ? 4 : 0));
        } else {
          p.pixels[y * row + x] = static_cast<std::uint8_t>(x * 8 + y / 4);
        }
      }
    }
    fixture::Palette palette{c.palette_format, c.entries, {}};
    for (int k = 0; k < c.entries; ++k) {
      if (four) {
        palette.entries.insert(palette.entries.end(), {static_cast<std::uint8_t>(k * 16 + 15 - k), static_cast<std::uint8_t>(0xF0 | k)});
      } else {
        palette.entries.insert(palette.entries.end(), {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k),
                                                       static_cast<std::uint8_t>(k * 3), static_cast<std::uint8_t>(128 + k / 2)});
      }
    }
    p.palette = palette;
    const fixture::File original = fixture::Write(p);
    const fs::path gim = Store(dir, std::string(c.name) + ".gim", original.bytes);
    ASSERT_EQ(Tovak({"convert", Utf8(gim), "-o", Utf8(dir / "png")}).exit_code, 0);
    const Png before = ReadPng(dir / "png" / (std::string(c.name) + ".png"));
    const Bytes edited = WithStrokes(before.rgba, 32, 32);
    fs::create_directories(dir / "edited");
    Store(dir / "edited", std::string(c.name) + ".png", MakePng(32, 32, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, edited));

    const std::string png = Utf8(dir / "edited" / (std::string(c.name) + ".png"));
    ASSERT_EQ(Tovak({"encode", png, "--like", Utf8(gim), "-o", Utf8(dir / "kept")}).exit_code, 0);
    // Only a converter with a quantiser makes a new palette of so many colours.
    const bool quantises = Tovak({"--version"}).output.find("libimagequant") != std::string::npos;
    const TovakRun fresh_run = Tovak({"encode", png, "--like", Utf8(gim), "--palette", "new", "-o", Utf8(dir / "new")});
    ASSERT_EQ(fresh_run.exit_code, quantises ? 0 : 1) << fresh_run.output;
    for (const char* way : {"kept", "new"}) {
      if (!quantises && std::string(way) == "new") continue;
      EXPECT_EQ(Described(dir / way / (std::string(c.name) + ".gim")), Described(gim)) << way;
      ASSERT_EQ(Tovak({"convert", Utf8(dir / way), "-o", Utf8(dir / way / "png"), "--force"}).exit_code, 0);
    }
    const Bytes kept_file = ReadAll(dir / "kept" / (std::string(c.name) + ".gim"));
    ASSERT_GE(kept_file.size(), original.layout.entries + palette.entries.size());
    EXPECT_TRUE(std::equal(palette.entries.begin(), palette.entries.end(),
                           kept_file.begin() + static_cast<std::ptrdiff_t>(original.layout.entries)));
    const Png kept = ReadPng(dir / "kept" / "png" / (std::string(c.name) + ".png"));
    const auto index = [&](const Png& png, std::size_t i) {
      return four ? (png.stored[i / 32 * 16 + i % 32 / 2] >> (i % 2 == 0 ? 4 : 0)) & 15 : png.stored[i];
    };
    int edited_pixels = 0;
    for (std::size_t i = 0; i < 32 * 32; ++i) {
      if (std::equal(&edited[4 * i], &edited[4 * i + 4], &before.rgba[4 * i])) {
        ASSERT_EQ(index(kept, i), index(before, i)) << "untouched pixel " << i;
        continue;
      }
      ++edited_pixels;
      const int chosen = Distance(&edited[4 * i], before, index(kept, i), four);
      for (int e = 0; e < c.entries; ++e) {
        ASSERT_LE(chosen, Distance(&edited[4 * i], before, e, four)) << "pixel " << i << " entry " << e;
      }
    }
    EXPECT_GT(edited_pixels, 100);
    if (!quantises) continue;
    const Png fresh = ReadPng(dir / "new" / "png" / (std::string(c.name) + ".png"));
    EXPECT_GT(Psnr(fresh.rgba, edited), Psnr(kept.rgba, edited));
  }
}

// Folders pair by their layout; a PNG without its original fails by name
// while the rest goes on, and a changed size is said on the file's line.
TEST(EncodeLike, FoldersPairByLayoutAndAMissingOriginalFailsAlone) {
  const fs::path dir = TempDir();
  fs::create_directories(dir / "gim" / "sub");
  fs::create_directories(dir / "png" / "sub");
  fixture::Picture p;
  p.format = fixture::kRgba5551;
  p.width = 8;
  p.height = 2;
  p.pixels.assign(fixture::StoredRowBytes(p.format, 8) * 2, 0x42);
  Store(dir / "gim" / "sub", "b.gim", fixture::Write(p).bytes);
  const Bytes rgba(4 * 9 * 3, 0x80);
  Store(dir / "png" / "sub", "b.png", MakePng(9, 3, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, rgba));
  Store(dir / "png", "a.png", MakePng(9, 3, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, rgba));
  const TovakRun run = Tovak({"encode", Utf8(dir / "png"), "--like", Utf8(dir / "gim"), "-o", Utf8(dir / "out")});
  EXPECT_EQ(run.exit_code, 1);
  const std::string out = Lines(run.output);
  EXPECT_NE(out.find("1 encoded, 1 failed"), std::string::npos) << out;
  EXPECT_NE(out.find("a.png: no original " + Utf8(dir / "gim" / "a.gim")), std::string::npos) << out;
  EXPECT_NE(out.find("b.png: the size changed from 8 x 2 to 9 x 3"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir / "out" / "a.gim"));
  EXPECT_NE(Described(dir / "out" / "sub" / "b.gim").find("size: 9 x 3\nbit depth: 16\nbyte order: little-endian\npixel order: normal\nformat: RGBA5551\n"), std::string::npos)
      << Described(dir / "out" / "sub" / "b.gim");
  // What the command line names overrides the original's.
  ASSERT_EQ(Tovak({"encode", Utf8(dir / "png" / "sub" / "b.png"), "--like", Utf8(dir / "gim" / "sub" / "b.gim"),
                   "--format", "index4", "--palette-format", "rgba4444", "--swizzle", "--big-endian", "-o", Utf8(dir / "over")}).exit_code, 0);
  EXPECT_NE(Described(dir / "over" / "b.gim").find("byte order: big-endian\npixel order: swizzled\nformat: INDEX4\n"), std::string::npos)
      << Described(dir / "over" / "b.gim");
  EXPECT_NE(Described(dir / "over" / "b.gim").find("palette_format: 2\n"), std::string::npos);
}

}  // namespace
}  // namespace tovak::test
