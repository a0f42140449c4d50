// tovak, the command-line converter, run as a separate process: the PNG of
// every format in both byte orders (pixels derived from the format rules,
// palettes and indexes kept), the --blend PNG and the BMP (the plug-in's
// DIB: blended by the blend rule against its default background), a batch
// with failures in it, the compression choices, --version and the info
// command. It needs no plug-in, so it runs in every build, the 64-bit
// Windows one included.
#include <gtest/gtest.h>
#include <spng.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "fixture/dxt_blocks.h"
#include "fixture/gim_writer.h"
#include "support/s3tc_reference.h"
#include "support/random.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace tovak::test {
namespace {

namespace fs = std::filesystem;
using fixture::Bytes;

// n-bit channel to 8 bits: 255 * v / (2^n - 1) to the nearest integer.
int Expand(unsigned v, int n) { return static_cast<int>(std::lround(255.0 * v / ((1 << n) - 1))); }

// The blend rule against the default background 0x282010 (red 0x10, green
// 0x20, blue 0x28): alpha 0 takes the background, 255 keeps the colour,
// anything else moves it by (c - b) * a / 256 rounded down.
int Blend(int c, int channel, int a) {
  const int b = std::array<int, 3>{0x10, 0x20, 0x28}[channel];
  if (a == 0) return b;
  if (a == 255) return c;
  return b + static_cast<int>(std::floor((c - b) * a / 256.0));
}

fixture::Picture PictureOf(bool be, std::uint16_t format, std::uint16_t width = 4,
                           std::uint16_t height = 2) {
  fixture::Picture pic;
  pic.big_endian = be;
  pic.format = format;
  pic.width = width;
  pic.height = height;
  pic.pixels.assign(fixture::StoredRowBytes(format, width) * height, 0x5A);
  return pic;
}

using Rgba = std::array<int, 4>;

// One colour word or entry of a 16- or 32-bit format, by the format rules:
// red in the low bits or first byte, alpha in the high ones; 5650 is opaque.
Rgba Colour(std::uint16_t format, const std::uint8_t* p) {
  const unsigned w = p[0] | p[1] << 8;
  switch (format) {
    case fixture::kRgba5650: return {Expand(w & 31, 5), Expand(w >> 5 & 63, 6), Expand(w >> 11, 5), 255};
    case fixture::kRgba5551: return {Expand(w & 31, 5), Expand(w >> 5 & 31, 5), Expand(w >> 10 & 31, 5), w >> 15 ? 255 : 0};
    case fixture::kRgba4444: return {Expand(w & 15, 4), Expand(w >> 4 & 15, 4), Expand(w >> 8 & 15, 4), Expand(w >> 12, 4)};
    default: return {p[0], p[1], p[2], p[3]};
  }
}

constexpr std::uint16_t kWidth = 8, kHeight = 8;

// A picture of random stored bytes in `format` and the RGBA pixels the
// format rules give them (top row first); indexed pictures also give their
// indexes.
struct Case {
  fixture::Picture picture;
  std::vector<Rgba> pixels;
  std::vector<int> indexes;
  std::string name;
};

Case MakeCase(std::uint16_t format, bool be, Random& random) {
  Case c;
  fixture::Picture& pic = c.picture;
  pic = PictureOf(be, format, kWidth, kHeight);
  c.name = std::to_string(format) + (be ? "-be" : "-le");
  for (std::uint8_t& b : pic.pixels) b = random.Byte();
  const std::size_t row = fixture::StoredRowBytes(format, kWidth);
  const bool indexed = format == fixture::kIndex4 || format == fixture::kIndex8;
  const std::uint16_t palette_format = format == fixture::kIndex4
                                           ? (be ? fixture::kRgba5650 : fixture::kRgba8888)
                                           : (be ? fixture::kRgba5551 : fixture::kRgba4444);
  if (indexed) {
    Bytes entries(format == fixture::kIndex4 ? 64 : 512);
    for (std::uint8_t& b : entries) b = random.Byte();
    pic.palette = fixture::Palette{palette_format, static_cast<std::uint16_t>(format == fixture::kIndex4 ? 16 : 256), entries};
  }
  std::vector<fixture::Block> blocks(kWidth / 4 * (kHeight / 4));
  if (fixture::UsualBitsPerPixel(format) <= 8 && !indexed) {
    for (fixture::Block& b : blocks) {
      b.colour = {static_cast<std::uint16_t>(random.Byte() << 8 | random.Byte()),
                  static_cast<std::uint16_t>(random.Byte() << 8 | random.Byte()), {}};
      for (int i = 0; i < 16; ++i) {
        b.colour.index[i] = random.Byte() & 3;
        b.dxt3.alpha[i] = random.Byte() & 15;
        b.dxt5.index[i] = random.Byte() & 7;
      }
      b.dxt5.a0 = random.Byte();
      b.dxt5.a1 = random.Byte();
    }
    pic.pixels = fixture::DxtBytes(format, blocks, !be);
  }
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* p = pic.pixels.data() + y * row;
      if (indexed) {
        const int index = format == fixture::kIndex8 ? p[x] : p[x / 2] >> (x % 2 ? 4 : 0) & 15;
        c.indexes.push_back(index);
        const Bytes& e = pic.palette->entries;
        c.pixels.push_back(Colour(palette_format, &e[index * (palette_format == fixture::kRgba8888 ? 4 : 2)]));
      } else if (fixture::UsualBitsPerPixel(format) <= 8) {
        const Texel t = ReferenceTexels(format, blocks[y / 4 * (kWidth / 4) + x / 4])[y % 4 * 4 + x % 4];
        c.pixels.push_back({t.red, t.green, t.blue, t.alpha});
      } else {
        c.pixels.push_back(Colour(format, p + x * fixture::UsualBitsPerPixel(format) / 8));
      }
    }
  }
  return c;
}

std::vector<Case> AllFormats() {
  Random random{0x9E3779B9};
  std::vector<Case> cases;
  for (const bool be : {false, true}) {
    for (const std::uint16_t format : {fixture::kRgba5650, fixture::kRgba5551, fixture::kRgba4444,
                                       fixture::kRgba8888, fixture::kIndex4, fixture::kIndex8,
                                       fixture::kDxt1, fixture::kDxt3, fixture::kDxt5Ext}) {
      cases.push_back(MakeCase(format, be, random));
    }
  }
  return cases;
}

fs::path StoreAll(const fs::path& dir, const std::vector<Case>& cases) {
  fs::create_directories(dir / "in");
  for (const Case& c : cases) Store(dir / "in", c.name + ".gim", fixture::Write(c.picture).bytes);
  return dir / "in";
}

TEST(Converter, PngOfEveryFormatHasTheFormatsPixelsAndIsTheSameForAnyJobCount) {
  const fs::path dir = TempDir();
  const std::vector<Case> cases = AllFormats();
  const fs::path in = StoreAll(dir, cases);
  const TovakRun one = Tovak({"convert", Utf8(in), "-o", Utf8(dir / "one"), "-j", "1"});
  EXPECT_EQ(one.exit_code, 0) << one.output;
  EXPECT_NE(one.output.find("18 converted, 0 failed"), std::string::npos) << one.output;
  EXPECT_EQ(Tovak({"convert", Utf8(in), "-o", Utf8(dir / "four"), "-j", "4"}).exit_code, 0);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Png png = ReadPng(dir / "one" / (c.name + ".png"));
    EXPECT_EQ(ReadAll(dir / "four" / (c.name + ".png")), ReadAll(dir / "one" / (c.name + ".png")));
    ASSERT_EQ(png.rgba.size(), 4u * kWidth * kHeight);
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const Rgba got = {png.rgba[4 * i], png.rgba[4 * i + 1], png.rgba[4 * i + 2], png.rgba[4 * i + 3]};
      ASSERT_EQ(got, c.pixels[i]) << "pixel " << i;
    }
    if (c.indexes.empty()) {
      EXPECT_EQ(png.ihdr.color_type, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA);
      continue;
    }
    // Paletted: the stored indexes come back as they were, with the palette.
    ASSERT_EQ(png.ihdr.color_type, SPNG_COLOR_TYPE_INDEXED);
    const int bits = png.ihdr.bit_depth;
    EXPECT_EQ(bits, c.picture.format == fixture::kIndex4 ? 4 : 8);
    for (std::size_t i = 0; i < c.indexes.size(); ++i) {
      const std::size_t at = i / kWidth * (kWidth * bits / 8) + i % kWidth * bits / 8;
      const int index = bits == 8 ? png.stored[at] : png.stored[at] >> (i % 2 ? 0 : 4) & 15;
      ASSERT_EQ(index, c.indexes[i]) << "pixel " << i;
    }
  }
}

// Under --blend and --format bmp the converter hands out the plug-in's DIB,
// blended against the default background: the BMP holds it (24-bit rows, or
// indexes into the blended palette, bottom row first), the RGB PNG its
// colours.
TEST(Converter, BlendAndBmpGiveTheBlendedDib) {
  const fs::path dir = TempDir();
  const std::vector<Case> cases = AllFormats();
  const fs::path in = StoreAll(dir, cases);
  EXPECT_EQ(Tovak({"convert", Utf8(in), "-o", Utf8(dir / "bmp"), "--format", "bmp"}).exit_code, 0);
  EXPECT_EQ(Tovak({"convert", Utf8(in), "-o", Utf8(dir / "rgb"), "--blend"}).exit_code, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes bmp = ReadAll(dir / "bmp" / (c.name + ".bmp"));
    ASSERT_GE(bmp.size(), 54u);
    const auto field = [&](std::size_t at) { return bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16; };
    const int bits = bmp[28];
    EXPECT_EQ(bits, c.indexes.empty() ? 24 : c.picture.format == fixture::kIndex4 ? 4 : 8);
    EXPECT_EQ(field(46), c.indexes.empty() ? 0 : c.picture.palette->count);  // biClrUsed
    const std::size_t stride = (kWidth * bits + 31) / 32 * 4;
    ASSERT_EQ(bmp.size(), std::size_t(field(10)) + stride * kHeight);
    const Png png = ReadPng(dir / "rgb" / (c.name + ".png"));
    EXPECT_NE(png.ihdr.color_type, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA);

    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const std::size_t x = i % kWidth;
      const std::uint8_t* row = &bmp[field(10) + (kHeight - 1 - i / kWidth) * stride];
      const std::uint8_t* bgr = &row[3 * x];
      if (bits <= 8) {
        const int index = bits == 8 ? row[x] : row[x / 2] >> (x % 2 ? 0 : 4) & 15;
        ASSERT_EQ(index, c.indexes[i]) << "pixel " << i;
        bgr = &bmp[54 + 4 * index];
      }
      const Rgba& p = c.pixels[i];
      const Rgba want = {Blend(p[0], 0, p[3]), Blend(p[1], 1, p[3]), Blend(p[2], 2, p[3]), 255};
      ASSERT_EQ((Rgba{bgr[2], bgr[1], bgr[0], 255}), want) << "pixel " << i;
      ASSERT_EQ((Rgba{png.rgba[4 * i], png.rgba[4 * i + 1], png.rgba[4 * i + 2], png.rgba[4 * i + 3]}), want);
    }
  }
}

// A folder with a picture in a subfolder, one with a name outside ASCII, a
// file that is no picture, one that cannot be read and one whose output
// exists: the good ones are converted, the three named with their reasons.
TEST(Converter, BatchConvertsTheRestAndReportsEachFailure) {
  const fs::path dir = TempDir();
  const fs::path in = dir / "in";
  const Bytes good = fixture::Write(PictureOf(false, fixture::kRgba8888)).bytes;
  fs::create_directories(in / "sub");
  Store(in / "sub", "a.gim", good);
  Store(in, "\xC3\xA9t\xC3\xA9 \xE5\x9B\xB3.gim", good);
  Store(in, "kept.gim", good);
  Store(in, "bad.gim", Bytes(100, 7));
  fs::create_directories(dir / "out");
  Store(dir / "out", "kept.png", Bytes{1, 2, 3});
#ifdef _WIN32
  const fs::path locked = Store(in, "locked.gim", good);
  HANDLE hold = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
#else
  fs::create_symlink(in / "gone.gim", in / "locked.gim");
#endif
  const TovakRun run = Tovak({"convert", Utf8(in), "-o", Utf8(dir / "out"), "-j", "3"});
#ifdef _WIN32
  CloseHandle(hold);
#endif
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.output.find("2 converted, 3 failed"), std::string::npos) << run.output;
  for (const std::string& line : {"bad.gim: not a GIM picture", "locked.gim: cannot read",
                                  "kept.gim: output exists"}) {
    EXPECT_NE(run.output.find(line), std::string::npos) << line << " in\n" << run.output;
  }
  EXPECT_EQ(ReadAll(dir / "out" / "kept.png"), (Bytes{1, 2, 3}));

  // --force replaces outputs, but not a folder standing where one goes; the
  // file written for it is not left behind.
  fs::remove(dir / "out" / "sub" / "a.png");
  fs::create_directories(dir / "out" / "sub" / "a.png" / "x");
  fs::remove(in / "locked.gim");
  const TovakRun forced = Tovak({"convert", Utf8(in), "-o", Utf8(dir / "out"), "--force"});
  EXPECT_EQ(forced.exit_code, 1);
  EXPECT_NE(forced.output.find("2 converted, 2 failed"), std::string::npos) << forced.output;
  EXPECT_NE(forced.output.find("a.gim: cannot write"), std::string::npos) << forced.output;
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir / "out")) names.push_back(Utf8(e.path().lexically_relative(dir / "out")));
  std::sort(names.begin(), names.end());
  const fs::path a = fs::path("sub") / "a.png";
  EXPECT_EQ(names, (std::vector<std::string>{"kept.png", "sub", Utf8(a), Utf8(a / "x"),
                                             "\xC3\xA9t\xC3\xA9 \xE5\x9B\xB3.png"}));
}

// Pictures whose stored data cannot supply their pixels fail with the
// reason in words, count as failed and leave no output.
TEST(Converter, PicturesWithoutTheirPixelDataFailByName) {
  const fs::path dir = TempDir();
  const fs::path in = dir / "in";
  fs::create_directories(in);
  // Image header fields, from the image block's start: pixel_order at 22,
  // pixels_end at 48.
  fixture::File order = fixture::Write(PictureOf(true, fixture::kRgba5551));
  fixture::PutU16(order.bytes, order.layout.image + 22, 7, true);
  Store(in, "order.gim", order.bytes);
  fixture::File units = fixture::Write(PictureOf(false, fixture::kDxt3, 8, 4));
  // One 16-byte unit announced of the two blocks' two.
  const auto start = static_cast<std::uint32_t>(units.layout.pixels - units.layout.image - 16);
  fixture::PutU32(units.bytes, units.layout.image + 48, start + 16, false);
  Store(in, "units.gim", units.bytes);
  fixture::File cut = fixture::Write(PictureOf(false, fixture::kRgba8888, 4, 2));
  cut.bytes.resize(cut.layout.pixels + 16 + 15);
  Store(in, "cut.gim", cut.bytes);

  const TovakRun run = Tovak({"convert", Utf8(in), "-o", Utf8(dir / "out")});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.output.find("0 converted, 3 failed"), std::string::npos) << run.output;
  for (const std::string& line : {"order.gim: unknown pixel order 7",
                                  "units.gim: pixel data shorter than the picture",
                                  "cut.gim: pixel data outside the file"}) {
    EXPECT_NE(run.output.find(line), std::string::npos) << line << " in\n" << run.output;
  }
  EXPECT_TRUE(!fs::exists(dir / "out") || fs::is_empty(dir / "out"));
}

// Each compression choice gives the same pixels (and indexes) as the format
// rules, and they are not all one encoding; a choice that is none of them is
// refused with the usage and nothing written.
TEST(Converter, EveryCompressionGivesTheSamePixels) {
  const fs::path dir = TempDir();
  const std::vector<Case> cases = AllFormats();
  const fs::path in = StoreAll(dir, cases);
  const std::vector<std::string> choices = {"fast", "default", "small"};
  for (const std::string& choice : choices) {
    const TovakRun run = Tovak({"convert", Utf8(in), "-o", Utf8(dir / choice), "--compression", choice});
    EXPECT_EQ(run.exit_code, 0) << choice << ": " << run.output;
  }
  bool any_differs = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = c.name + ".png";
    const Png fast = ReadPng(dir / "fast" / file);
    ASSERT_EQ(fast.rgba.size(), 4 * c.pixels.size());
    for (std::size_t i = 0; i < c.pixels.size(); ++i) {
      const Rgba got = {fast.rgba[4 * i], fast.rgba[4 * i + 1], fast.rgba[4 * i + 2], fast.rgba[4 * i + 3]};
      ASSERT_EQ(got, c.pixels[i]) << "pixel " << i;
    }
    for (const std::string& choice : {"default", "small"}) {
      const Png other = ReadPng(dir / choice / file);
      EXPECT_EQ(other.stored, fast.stored) << choice;
      EXPECT_EQ(other.rgba, fast.rgba) << choice;
      EXPECT_EQ(other.ihdr.color_type, fast.ihdr.color_type) << choice;
      EXPECT_EQ(other.ihdr.bit_depth, fast.ihdr.bit_depth) << choice;
    }
    any_differs |= ReadAll(dir / "fast" / file) != ReadAll(dir / "small" / file);
  }
  EXPECT_TRUE(any_differs) << "fast and small wrote the same files";

  const TovakRun bad = Tovak({"convert", Utf8(in), "-o", Utf8(dir / "bad"), "--compression", "best"});
  EXPECT_EQ(bad.exit_code, 2);
  EXPECT_NE(bad.output.find("--compression takes fast, default or small"), std::string::npos) << bad.output;
  EXPECT_NE(bad.output.find("usage: tovak convert"), std::string::npos) << bad.output;
  EXPECT_FALSE(fs::exists(dir / "bad"));
}

// --version prints the project's version and the binary's licence: the GPL
// when it links libimagequant. --help, alone or after a command, prints that
// usage on standard output, every option and format name in it.
TEST(Converter, VersionAndUsage) {
  const TovakRun version = Tovak({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  std::string text;
  for (char c : version.output) if (c != '\r') text += c;
  const std::string gpl =
      "This program links libimagequant and is distributed under the GNU General\n"
      "Public License, version 3 or later; tovak's source is MIT-licensed.\n";
  EXPECT_TRUE(text == "tovak " TOVAK_VERSION "\n" + gpl ||
              text == "tovak " TOVAK_VERSION "\ntovak is MIT-licensed.\n") << text;
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> says;
  } helps[] = {
      {{"--help"}, {"usage: tovak convert PATH...", "usage: tovak encode PATH...",
                    "usage: tovak info FILE...", "tovak --version"}},
      {{"convert", "--help"}, {"usage: tovak convert PATH... [-o DIR] [--format F]", "png or bmp",
                               "--compression", "fast, default or small", "--blend", "-o, --output",
                               "--force", "-j, --jobs", "--times"}},
      {{"encode", "a.png", "-h"}, {"usage: tovak encode PATH...", "--format", "--palette-format",
                                   "--swizzle", "--big-endian", "--dxt-quality", "--dither", "--like ORIGINAL", "--palette new", "--info", "--info-user NAME",
                                   "rgba5650", "rgba5551", "rgba4444", "rgba8888", "index4", "index8",
                                   "dxt1", "dxt3", "dxt5"}},
      {{"info", "--help"}, {"usage: tovak info FILE..."}},
  };
  for (const auto& help : helps) {
    SCOPED_TRACE(help.args[0] + " " + help.args.back());
    const TovakRun run = Tovak(help.args, false);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output.rfind("usage: tovak ", 0), 0u) << run.output;
    for (const std::string& says : help.says) EXPECT_NE(run.output.find(says), std::string::npos) << says;
    // A command's help is its usage alone.
    EXPECT_EQ(run.output.find("usage: tovak", 1) == std::string::npos, help.args.size() > 1);
  }
}

#ifdef _WIN32
// A Windows name may hold an unpaired surrogate, which has no UTF-8 form:
// tovak takes it as a path and names it with U+FFFD in its messages.
TEST(Converter, NamesWithoutAUtf8FormAreTaken) {
  const std::wstring missing = (TempDir() / L"a\xD800.gim").wstring();
  for (const std::vector<std::wstring>& args : {std::vector<std::wstring>{L"info", missing},
                                                std::vector<std::wstring>{L"convert", missing, L"-o", missing}}) {
    const TovakRun run = TovakWide(args);
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("a\xEF\xBF\xBD.gim: "), std::string::npos) << run.output;
  }
}
#endif

TEST(Converter, InfoDescribesEachFile) {
  const fs::path dir = TempDir();
  fixture::Picture pic = PictureOf(true, fixture::kIndex4, 40, 3);
  pic.pixel_order = 1;
  pic.pixels.resize(fixture::StoredRowBytes(fixture::kIndex4, 40) * 8);
  pic.palette = fixture::Palette{fixture::kRgba5551, 16, Bytes(32)};
  const fs::path file = Store(dir, "p.gim", fixture::Write(pic).bytes);
  const TovakRun run = Tovak({"info", Utf8(file)});
  EXPECT_EQ(run.exit_code, 0);
  std::string text;
  for (char c : run.output) if (c != '\r') text += c;
  EXPECT_NE(text.find("size: 40 x 3\nbit depth: 4\nbyte order: big-endian\npixel order: swizzled\n"
                      "format: INDEX4\n[Format]\nformat_endian: big\npixel_order: faster\n"
                      "image_format: 4\npalette_format: 1\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace tovak::test
