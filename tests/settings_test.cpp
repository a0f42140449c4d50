// The two settings read from the INI file beside the library when it is
// attached: whether translucent pixels are blended, and against which
// background colour. They are observed through what GetPicture hands over
// for a translucent RGBA8888 picture and for colour tables whose entries
// carry alpha.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"
#include "plugin/settings.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

struct Rgba {
  std::uint8_t r, g, b, a;
};

// Blue, green, red as the DIB stores them, after the settings act on the
// colour.
std::array<std::uint8_t, 3> Expected(Rgba c, bool blend, std::uint32_t background) {
  if (!blend) return {c.b, c.g, c.r};
  const auto back_r = static_cast<std::uint8_t>(background);
  const auto back_g = static_cast<std::uint8_t>(background >> 8);
  const auto back_b = static_cast<std::uint8_t>(background >> 16);
  const auto mixed = [&c](std::uint8_t colour, std::uint8_t back) {
    return static_cast<std::uint8_t>(ReferenceBlend(colour, back, c.a));
  };
  return {mixed(c.b, back_b), mixed(c.g, back_g), mixed(c.r, back_r)};
}

// Pixels at alpha 0, 128, 255 and one whose blend rounds a negative
// difference down.
const Rgba kPixels[] = {
    {0x10, 0xC0, 0x50, 0},
    {0xF0, 0x30, 0x90, 128},
    {0x44, 0x88, 0xCC, 255},
    {0xFF, 0x00, 0x7F, 100},
};

fixture::File TranslucentPicture() {
  fixture::Picture pic;
  pic.format = fixture::kRgba8888;
  pic.width = 4;
  pic.height = 1;
  pic.pixels.assign(fixture::StoredRowBytes(pic.format, pic.width), 0);
  for (std::size_t x = 0; x < 4; ++x) {
    pic.pixels[4 * x + 0] = kPixels[x].r;
    pic.pixels[4 * x + 1] = kPixels[x].g;
    pic.pixels[4 * x + 2] = kPixels[x].b;
    pic.pixels[4 * x + 3] = kPixels[x].a;
  }
  return fixture::Write(pic);
}

// An INDEX8 picture whose palette holds the given entries, stored as given.
fixture::File PalettePicture(std::uint16_t palette_format, std::uint16_t count,
                             fixture::Bytes entries) {
  fixture::Picture pic;
  pic.format = fixture::kIndex8;
  pic.width = 16;
  pic.height = 1;
  pic.pixels.assign(fixture::StoredRowBytes(pic.format, pic.width), 0);
  pic.palette = fixture::Palette{palette_format, count, std::move(entries)};
  return fixture::Write(pic);
}

// RGBA4444 words: alpha in bits 12-15, blue 8-11, green 4-7, red 0-3.
const std::uint16_t k4444[] = {0x0ABC, 0x8F00, 0xF123, 0x4E5D};

Rgba From4444(std::uint16_t w) {
  const auto nibble = [w](int shift) { return static_cast<std::uint8_t>(17 * ((w >> shift) & 0xF)); };
  return {nibble(0), nibble(4), nibble(8), nibble(12)};
}

// Checks what the plug-in behind `api` does with translucent colours.
void ExpectSettings(const PluginApi& api, bool blend, std::uint32_t background) {
  {
    SCOPED_TRACE("RGBA8888 pixels");
    const Decoded dib = Decode(TranslucentPicture().bytes, -1, api);
    ASSERT_EQ(dib.result, plugin::kSuccess);
    ASSERT_GE(dib.header.size(), 40u);
    EXPECT_EQ(dib.header[14], 24);  // biBitCount
    ASSERT_GE(dib.bits.size(), 12u);
    for (std::size_t x = 0; x < 4; ++x) {
      const auto want = Expected(kPixels[x], blend, background);
      EXPECT_EQ(dib.bits[3 * x + 0], want[0]) << "blue of pixel " << x;
      EXPECT_EQ(dib.bits[3 * x + 1], want[1]) << "green of pixel " << x;
      EXPECT_EQ(dib.bits[3 * x + 2], want[2]) << "red of pixel " << x;
    }
  }
  {
    SCOPED_TRACE("RGBA4444 colour table");
    fixture::Bytes entries;
    for (std::uint16_t w : k4444) {
      entries.push_back(static_cast<std::uint8_t>(w));  // least significant byte first
      entries.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    const Decoded dib = Decode(PalettePicture(fixture::kRgba4444, 4, entries).bytes, -1, api);
    ASSERT_EQ(dib.result, plugin::kSuccess);
    ASSERT_GE(dib.header.size(), 40u + 16u);
    for (std::size_t k = 0; k < 4; ++k) {
      const Rgba c = From4444(k4444[k]);
      const auto want = Expected(c, blend, background);
      const std::uint8_t* q = &dib.header[40 + 4 * k];
      EXPECT_EQ(q[0], want[0]) << "rgbBlue of entry " << k;
      EXPECT_EQ(q[1], want[1]) << "rgbGreen of entry " << k;
      EXPECT_EQ(q[2], want[2]) << "rgbRed of entry " << k;
      EXPECT_EQ(q[3], c.a) << "rgbReserved keeps the alpha of entry " << k;
    }
  }
  {
    SCOPED_TRACE("RGBA8888 colour table");
    fixture::Bytes entries;
    for (const Rgba& c : kPixels) {
      for (std::uint8_t byte : {c.r, c.g, c.b, c.a}) entries.push_back(byte);
    }
    const Decoded dib = Decode(PalettePicture(fixture::kRgba8888, 4, entries).bytes, -1, api);
    ASSERT_EQ(dib.result, plugin::kSuccess);
    ASSERT_GE(dib.header.size(), 40u + 16u);
    for (std::size_t k = 0; k < 4; ++k) {
      const auto want = Expected(kPixels[k], blend, background);
      const std::uint8_t* q = &dib.header[40 + 4 * k];
      EXPECT_EQ(q[0], want[0]) << "rgbBlue of entry " << k;
      EXPECT_EQ(q[1], want[1]) << "rgbGreen of entry " << k;
      EXPECT_EQ(q[2], want[2]) << "rgbRed of entry " << k;
      EXPECT_EQ(q[3], kPixels[k].a) << "rgbReserved keeps the alpha of entry " << k;
    }
  }
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  WriteFile(path, text.data(), text.size());
}

TEST(Settings, NoIniFileKeepsBlendingOnAgainstTheDefaultBackground) {
  const auto dir = TempDir();
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  ExpectSettings(copy.api, true, kDefaultBackground);

  // Known values: RGBA4444 0x8F00 (alpha nibble 8, blue nibble 15) against
  // 0x282010 is blue 154, green 15, red 7 (16 + (-16 * 136 >> 8) = 7, the
  // shift rounding down), alpha 136.
  const Decoded dib =
      Decode(PalettePicture(fixture::kRgba4444, 1, {0x00, 0x8F}).bytes, -1, copy.api);
  ASSERT_EQ(dib.result, plugin::kSuccess);
  ASSERT_GE(dib.header.size(), 44u);
  EXPECT_EQ(dib.header[40], 154);
  EXPECT_EQ(dib.header[41], 15);
  EXPECT_EQ(dib.header[42], 7);
  EXPECT_EQ(dib.header[43], 136);
}

TEST(Settings, AlphaBlendZeroTurnsBlendingOff) {
  const auto dir = TempDir();
  WriteText(dir / "tovak.ini", "[tovak]\r\nAlphaBlend=0\r\n");
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  ExpectSettings(copy.api, false, kDefaultBackground);
}

TEST(Settings, AnyNonZeroAlphaBlendIsOn) {
  const auto dir = TempDir();
  WriteText(dir / "tovak.ini", "[tovak]\r\nAlphaBlend=5\r\n");
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  ExpectSettings(copy.api, true, kDefaultBackground);
}

TEST(Settings, BlendBkColorSetsTheBackground) {
  {
    SCOPED_TRACE("16777215: white");
    const auto dir = TempDir() / "white";
    std::filesystem::create_directories(dir);
    WriteText(dir / "tovak.ini", "[tovak]\r\nBlendBkColor=16777215\r\n");
    LoadedCopy copy;
    LoadCopy(dir, "tovak.spi", copy);
    ExpectSettings(copy.api, true, 0xFFFFFF);
  }
  {
    // Red in bits 0-7, green 8-15, blue 16-23: 0x3366CC is red 0xCC,
    // green 0x66, blue 0x33.
    SCOPED_TRACE("3368652: red 0xCC, green 0x66, blue 0x33");
    const auto dir = TempDir() / "mixed";
    std::filesystem::create_directories(dir);
    WriteText(dir / "tovak.ini", "[tovak]\r\nAlphaBlend=1\r\nBlendBkColor=3368652\r\n");
    LoadedCopy copy;
    LoadCopy(dir, "tovak.spi", copy);
    ExpectSettings(copy.api, true, 0x3366CC);
  }
}

TEST(Settings, LibraryNameWithTwoDotsReadsTheIniNamedUpToTheLastDot) {
  const auto dir = TempDir();
  WriteText(dir / "a.b.ini", "[tovak]\r\nBlendBkColor=65280\r\n");
  // Cut at the first dot instead, the library would find this one.
  WriteText(dir / "a.ini", "[tovak]\r\nAlphaBlend=0\r\n");
  LoadedCopy copy;
  LoadCopy(dir, "a.b.spi", copy);
  ExpectSettings(copy.api, true, 0x00FF00);
}

TEST(Settings, KeysOutsideTheTovakSectionAreIgnored) {
  const auto dir = TempDir();
  WriteText(dir / "tovak.ini",
            "[other]\r\nAlphaBlend=0\r\nBlendBkColor=16777215\r\n"
            "[tovak.old]\r\nAlphaBlend=0\r\n");
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  ExpectSettings(copy.api, true, kDefaultBackground);
}

#ifndef _WIN32
std::u16string IniFor(const char16_t* module_path, std::uint32_t capacity = 300) {
  std::vector<char16_t> out(capacity + 1, u'#');
  if (!plugin::IniPathFor(module_path, out.data(), capacity)) return u"<none>";
  EXPECT_EQ(out[capacity], u'#') << "wrote beyond the capacity";
  return std::u16string(out.data());
}

TEST(Settings, IniPathReplacesEverythingFromTheLastDot) {
  EXPECT_EQ(IniFor(u"C:\\viewer\\plugins\\tovak.spi"), u"C:\\viewer\\plugins\\tovak.ini");
  EXPECT_EQ(IniFor(u"C:\\viewer\\a.b.sph"), u"C:\\viewer\\a.b.ini");
  EXPECT_EQ(IniFor(u"C:\\v1.2\\plugins\\tovak"), u"C:\\v1.ini");  // the last dot, even in a directory
  EXPECT_EQ(IniFor(u"tovak."), u"tovak.ini");
  EXPECT_EQ(IniFor(u"C:\\viewer\\plugins\\tovak"), u"<none>");
  EXPECT_EQ(IniFor(u""), u"<none>");
}

TEST(Settings, IniPathKeepsCharactersOutsideTheAnsiCodePage) {
  // Cyrillic and CJK folder names, and a character outside the BMP (a
  // surrogate pair), are kept unit for unit; none of their units is a ".".
  EXPECT_EQ(IniFor(u"C:\\вьюер\\tovak.spi"), u"C:\\вьюер\\tovak.ini");
  EXPECT_EQ(IniFor(u"D:\\画像.表\\tovak.sph"), u"D:\\画像.表\\tovak.ini");
  EXPECT_EQ(IniFor(u"🖼\\a.spi"), u"🖼\\a.ini");
  // U+FF0E, the full-width full stop, is not a ".".
  EXPECT_EQ(IniFor(u"x\\tovak．spi"), u"<none>");
}

TEST(Settings, IniPathNeedsRoomForTheWholePathAndItsZero) {
  // "dir\\a.ini" and its zero take 10 units.
  EXPECT_EQ(IniFor(u"dir\\a.spi", 10), u"dir\\a.ini");
  EXPECT_EQ(IniFor(u"dir\\a.spi", 9), u"<none>");
  EXPECT_EQ(IniFor(u"dir\\a.s", 9), u"<none>");  // the ini path is longer than the module's
  EXPECT_EQ(IniFor(u"dir\\a.spi", 0), u"<none>");
}
#endif

}  // namespace
}  // namespace tovak::test
