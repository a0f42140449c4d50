// tovak encode run as a separate process: PNG files of every colour type to
// GIM, read back with tovak convert and tovak info; the format chosen by the
// PNG; a batch with every kind of bad input in it; the file-info block. The
// round trips of every format, byte order and pixel order are the encoder's
// own tests; here the command's parts are checked.
#include <gtest/gtest.h>
#include <spng.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "support/png_writer.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;
using Bytes = CliBytes;

// 16-bit samples as libspng takes them.
Bytes Samples16(std::initializer_list<std::uint16_t> values) {
  Bytes out(2 * values.size());
  std::memcpy(out.data(), values.begin(), out.size());
  return out;
}

std::uint32_t Crc(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

// A PNG of nothing but its signature, an RGBA header of that size and the
// end: enough for every check made before the pixels are read.
Bytes HeaderOnlyPng(std::uint32_t width, std::uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (const std::uint32_t v : {width, height}) {
    for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<std::uint8_t>(v >> s));
  }
  png.insert(png.end(), {8, 6, 0, 0, 0});
  const std::uint32_t crc = Crc(&png[12], 17);
  for (int s = 24; s >= 0; s -= 8) png.push_back(static_cast<std::uint8_t>(crc >> s));
  png.insert(png.end(), {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
  return png;
}

// RGBA pixels of `colours` colours in turn, rows of 4 * width bytes.
Bytes RgbaOfColours(std::uint32_t width, std::uint32_t height, std::uint32_t colours) {
  Bytes rgba;
  for (std::uint32_t i = 0; i < width * height; ++i) {
    const std::uint32_t c = i % colours;
    rgba.insert(rgba.end(), {static_cast<std::uint8_t>(c * 13), static_cast<std::uint8_t>(255 - c),
                             static_cast<std::uint8_t>(c * 7 + 1), static_cast<std::uint8_t>(c < 2 ? 0 : 255)});
  }
  return rgba;
}

std::string Lines(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

// A paletted PNG keeps its indices and palette, alpha included; the format
// follows the palette's size; --palette-format stores the entries in
// another format.
TEST(Encode, PalettedPngKeepsIndicesAndPaletteInTheFormatItsPaletteFits) {
  const fs::path dir = TempDir();
  Bytes palette;
  for (int k = 0; k < 40; ++k) palette.insert(palette.end(), {std::uint8_t(k * 6), std::uint8_t(200 - k), std::uint8_t(k), std::uint8_t(k * 5)});
  // 4-bit rows of 7 pixels (4 bytes, the last nibble 0), indices 0-15;
  // 8-bit rows of indices 0-39.
  Bytes rows4, rows8;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) rows4.push_back(static_cast<std::uint8_t>(((2 * x + y) % 16) << 4 | (x < 3 ? (2 * x + 1 + y) % 16 : 0)));
    for (int x = 0; x < 7; ++x) rows8.push_back(static_cast<std::uint8_t>((x * 6 + y) % 40));
  }
  Store(dir / ".", "four.png", MakePng(7, 3, SPNG_COLOR_TYPE_INDEXED, 4, rows4, Bytes(palette.begin(), palette.begin() + 64)));
  Store(dir / ".", "eight.png", MakePng(7, 3, SPNG_COLOR_TYPE_INDEXED, 8, rows8, palette));
  const TovakRun run = Tovak({"encode", Utf8(dir / "four.png"), Utf8(dir / "eight.png"), "-o", Utf8(dir / "gim")});
  ASSERT_EQ(run.exit_code, 0) << run.output;
  const std::string info = Lines(Tovak({"info", Utf8(dir / "gim" / "four.gim"), Utf8(dir / "gim" / "eight.gim")}).output);
  EXPECT_NE(info.find("four.gim\nsize: 7 x 3\nbit depth: 4\nbyte order: little-endian\npixel order: normal\nformat: INDEX4\n"), std::string::npos) << info;
  EXPECT_NE(info.find("eight.gim\nsize: 7 x 3\nbit depth: 8\nbyte order: little-endian\npixel order: normal\nformat: INDEX8\n"), std::string::npos) << info;

  ASSERT_EQ(Tovak({"convert", Utf8(dir / "gim"), "-o", Utf8(dir / "back")}).exit_code, 0);
  for (const auto& [name, depth, rows, entries] :
       {std::tuple{"four", 4, rows4, 16}, std::tuple{"eight", 8, rows8, 40}}) {
    SCOPED_TRACE(name);
    const Png back = ReadPng(dir / "back" / (std::string(name) + ".png"));
    EXPECT_EQ(back.ihdr.bit_depth, depth);
    EXPECT_EQ(back.stored, rows);
    for (int k = 0; k < entries; ++k) {
      const spng_plte_entry& e = back.plte.entries[k];
      EXPECT_EQ((std::array<int, 4>{e.red, e.green, e.blue, back.trns.type3_alpha[k]}),
                (std::array<int, 4>{palette[4 * k], palette[4 * k + 1], palette[4 * k + 2], palette[4 * k + 3]}))
          << "entry " << k;
    }
  }

  ASSERT_EQ(Tovak({"encode", Utf8(dir / "eight.png"), "-o", Utf8(dir / "p4444"), "--palette-format", "rgba4444", "--big-endian"}).exit_code, 0);
  EXPECT_NE(Lines(Tovak({"info", Utf8(dir / "p4444" / "eight.gim")}).output).find("palette_format: 2\n"), std::string::npos);
}

// Grey, grey with alpha, 16-bit and RGB PNGs become 8-bit RGBA first (the
// high byte of a 16-bit sample), stored as RGBA8888.
TEST(Encode, GreyAnd16BitPngsAreRead8BitRgba) {
  const fs::path dir = TempDir();
  const struct {
    const char* name;
    std::uint8_t type;
    std::uint8_t depth;
    Bytes rows;  // two pixels
    Bytes rgba;
  } cases[] = {
      {"grey", SPNG_COLOR_TYPE_GRAYSCALE, 8, {0x10, 0xF0}, {0x10, 0x10, 0x10, 255, 0xF0, 0xF0, 0xF0, 255}},
      {"grey-alpha-16", SPNG_COLOR_TYPE_GRAYSCALE_ALPHA, 16, Samples16({0x1234, 0x8000, 0xABCD, 0xFFFF}), {0x12, 0x12, 0x12, 0x80, 0xAB, 0xAB, 0xAB, 0xFF}},
      {"rgb-16", SPNG_COLOR_TYPE_TRUECOLOR, 16, Samples16({0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C}), {1, 3, 5, 255, 7, 9, 11, 255}},
      {"rgb", SPNG_COLOR_TYPE_TRUECOLOR, 8, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 255, 4, 5, 6, 255}},
  };
  for (const auto& c : cases) Store(dir / ".", std::string(c.name) + ".png", MakePng(2, 1, c.type, c.depth, c.rows));
  const TovakRun run = Tovak({"encode", Utf8(dir), "-o", Utf8(dir / "gim")});
  ASSERT_EQ(run.exit_code, 0) << run.output;
  ASSERT_EQ(Tovak({"convert", Utf8(dir / "gim"), "-o", Utf8(dir / "back")}).exit_code, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(Lines(Tovak({"info", Utf8(dir / "gim" / (std::string(c.name) + ".gim"))}).output).find("format: RGBA8888\n"), std::string::npos);
    EXPECT_EQ(ReadPng(dir / "back" / (std::string(c.name) + ".png")).rgba, c.rgba);
  }
}

// A folder with a picture in a subfolder and one with a name outside ASCII,
// and every kind of bad input: each named with its reason, no file written
// for it, the rest encoded; existing outputs kept but with --force.
TEST(Encode, BatchEncodesTheRestAndReportsEachFailure) {
  const fs::path dir = TempDir();
  const fs::path in = dir / "in";
  fs::create_directories(in / "sub");
  const Bytes good = MakePng(5, 4, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, RgbaOfColours(5, 4, 16));
  Store(in / "sub", "a.png", good);
  Store(in, "\xC3\xA9t\xC3\xA9 \xE5\x9B\xB3.PNG", good);
  Store(in, "kept.png", good);
  Store(in, "bad.png", Bytes(100, 7));
  Store(in, "cut.png", Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() - 20)));
  Store(in, "zero.png", HeaderOnlyPng(0, 4));
  Store(in, "wide.png", HeaderOnlyPng(70000, 1));
  Store(in, "huge.png", HeaderOnlyPng(65535, 65535));
  Store(in, "many.png", MakePng(17, 1, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, RgbaOfColours(17, 1, 17)));
  Store(in, "picture.gim", Bytes(16, 0));
  fs::create_directories(dir / "out");
  Store(dir / "out", "kept.gim", Bytes{1, 2, 3});

  // Only a converter without a quantiser refuses the picture of 17 colours.
  const bool quantises = Tovak({"--version"}).output.find("libimagequant") != std::string::npos;
  const TovakRun run = Tovak({"encode", Utf8(in), "-o", Utf8(dir / "out"), "-j", "3", "--format", "index4"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.output.find(quantises ? "3 encoded, 6 failed" : "2 encoded, 7 failed"), std::string::npos) << run.output;
  std::vector<std::string> lines = {
      "bad.png: not a PNG file", "cut.png: damaged PNG", "kept.png: output exists",
      "zero.png: the picture has no pixels (0 x 4)",
      "wide.png: the picture is larger than 65535 pixels across or down (70000 x 1)",
      "huge.png: the picture is too large for a 2 GiB buffer (65535 x 65535)"};
  if (!quantises) {
    lines.push_back("many.png: the picture has 17 colours, more than INDEX4 holds (16) and this "
                    "tovak has no quantiser: reduce them first, for example with pngquant");
  }
  for (const std::string& line : lines) {
    EXPECT_NE(run.output.find(line), std::string::npos) << line << " in\n" << run.output;
  }
  EXPECT_EQ(ReadAll(dir / "out" / "kept.gim"), (Bytes{1, 2, 3}));
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir / "out")) names.push_back(Utf8(e.path().lexically_relative(dir / "out")));
  std::sort(names.begin(), names.end());
  std::vector<std::string> written = {"kept.gim", "sub", Utf8(fs::path("sub") / "a.gim"),
                                      "\xC3\xA9t\xC3\xA9 \xE5\x9B\xB3.gim"};
  if (quantises) written.push_back("many.gim");
  std::sort(written.begin(), written.end());
  EXPECT_EQ(names, written);

  const TovakRun forced = Tovak({"encode", Utf8(in / "kept.png"), "-o", Utf8(dir / "out"), "--force", "--format", "index4"});
  EXPECT_EQ(forced.exit_code, 0) << forced.output;
  EXPECT_EQ(ReadAll(dir / "out" / "kept.gim"), ReadAll(dir / "out" / "sub" / "a.gim"));
}

TEST(Encode, CommandLineMistakesAndSwizzledDxtOfAnOddHeightAreRefused) {
  const fs::path dir = TempDir();
  const fs::path png = Store(dir, "p.png", MakePng(8, 13, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, RgbaOfColours(8, 13, 3)));
  const struct {
    std::vector<std::string> args;
    int exit_code;
    const char* says;
  } cases[] = {
      {{"--format", "rgba9999"}, 2, "tovak: --format takes rgba5650, rgba5551, rgba4444, rgba8888, index4, index8, dxt1, dxt3, dxt5"},
      {{"--palette-format", "index8"}, 2, "tovak: --palette-format takes rgba5650, rgba5551, rgba4444, rgba8888\n"},
      {{"--dxt-quality", "great"}, 2, "tovak: --dxt-quality takes fast, normal or best\n"},
      {{"--palette", "old"}, 2, "tovak: --palette takes new\n"},
      {{"--blend"}, 2, "tovak: unknown option '--blend'\n"},
      {{"--format", "dxt5", "--swizzle"}, 1, "p.png: swizzled DXT needs a height that is a multiple of 8 (13)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    std::vector<std::string> args = {"encode", Utf8(png), "-o", Utf8(dir / "out")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TovakRun run = Tovak(args);
    EXPECT_EQ(run.exit_code, c.exit_code);
    EXPECT_NE(Lines(run.output).find(c.says), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(dir / "out" / "p.gim"));
  }
}

// --info: the PNG's name, the user (the login name, or --info-user), the
// date as asctime writes it and the program, as tovak info shows the
// file-info block.
TEST(Encode, InfoBlockShowsInTheInfoText) {
  const fs::path dir = TempDir();
  const fs::path png = Store(dir, "\xC3\xA9t\xC3\xA9.png", MakePng(4, 4, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, RgbaOfColours(4, 4, 4)));
  fs::path gim = png;
  gim.replace_extension(".gim");
  ASSERT_EQ(Tovak({"encode", Utf8(png), "--info", "--info-user", "someone, really", "--format", "dxt1"}).exit_code, 0);
  const std::string text = Lines(Tovak({"info", Utf8(gim)}).output);
  const std::string head = "\n[Info]\n\xC3\xA9t\xC3\xA9.png\nsomeone, really\n";
  const std::size_t at = text.find(head);
  ASSERT_NE(at, std::string::npos) << text;
  // "Mon Mar 16 20:14:52 2009": letters, digits (the day of the month
  // perhaps a space first) and separators where asctime puts them.
  const std::string date = text.substr(at + head.size(), 24);
  const std::string shape = "Aaa Aaa _0 00:00:00 0000";
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const char c = date[i];
    const bool fits = shape[i] == 'A' ? c >= 'A' && c <= 'Z'
                      : shape[i] == 'a' ? c >= 'a' && c <= 'z'
                      : shape[i] == '0' ? c >= '0' && c <= '9'
                      : shape[i] == '_' ? c == ' ' || (c >= '1' && c <= '3')
                                        : c == shape[i];
    EXPECT_TRUE(fits) << date;
  }
  EXPECT_EQ(text.substr(at + head.size() + 24), "\ntovak " TOVAK_VERSION "\n");
  // Without --info there is no block.
  ASSERT_EQ(Tovak({"encode", Utf8(png), "--force"}).exit_code, 0);
  EXPECT_EQ(Lines(Tovak({"info", Utf8(gim)}).output).find("[Info]"), std::string::npos);
}

}  // namespace
}  // namespace tovak::test
