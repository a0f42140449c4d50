// GetPictureInfo: the PictureInfo record and the info text handed to the
// host, in both byte orders, from memory and from a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

using namespace std::string_literals;

Bytes Area(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::int32_t RawI32(const InfoCall& c, std::size_t at) {
  std::int32_t v;
  std::memcpy(&v, c.raw + at, 4);
  return v;
}

std::uint16_t RawU16(const InfoCall& c, std::size_t at) { return U16(c.raw + at); }

// The Format section of a written RGBA8888 picture with a palette block of
// format 3, the picture most string-area cases use.
std::string WithPalette(bool be) {
  return FormatSection(be, "normal", "3") + Lines({"palette_format: 3"});
}

fixture::File InfoPicture(bool be, const Bytes& area) {
  fixture::Picture pic = PictureOf(be, fixture::kRgba8888);
  pic.palette = fixture::Palette{fixture::kRgba8888, 2, Bytes(8, 0x33)};
  pic.info_area = area;
  return fixture::Write(pic);
}

std::string ListedStrings(const fixture::File& f) {
  const InfoCall call = InfoFromMemory(f.bytes);
  EXPECT_EQ(call.result, plugin::kSuccess);
  return call.text.text;
}

TEST(PictureInfo, RecordOfAnRgba8888Picture) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const InfoCall call = InfoFromMemory(fixture::Write(PictureOf(be, fixture::kRgba8888, 256, 128)).bytes);
    ASSERT_EQ(call.result, plugin::kSuccess);
    // 26 packed little-endian bytes.
    EXPECT_EQ(RawI32(call, 0), 0);     // originX
    EXPECT_EQ(RawI32(call, 4), 0);     // originY
    EXPECT_EQ(RawI32(call, 8), 256);   // width
    EXPECT_EQ(RawI32(call, 12), 128);  // height
    EXPECT_EQ(RawU16(call, 16), 0);    // densityX
    EXPECT_EQ(RawU16(call, 18), 0);    // densityY
    EXPECT_EQ(RawU16(call, 20), 24);   // bitDepth: the 24-bit DIB, not 32
    EXPECT_TRUE(call.text.present);
    EXPECT_EQ(call.text.text, FormatSection(be, "normal", "3"));
  }
}

TEST(PictureInfo, WidthAndHeightAreZeroExtended) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const std::pair<std::uint16_t, std::uint16_t> kSizes[] = {
        {65535, 65535}, {0x8000, 0xFFFF}, {0xFFFF, 0x8000}, {0x8001, 0x7FFF}, {0, 0}, {1, 0x0100}};
    for (const auto& [w, h] : kSizes) {
      // The record reads no pixels, so none are stored.
      fixture::Picture pic = PictureOf(be, fixture::kRgba5551, 0, 0);
      pic.width = w;
      pic.height = h;
      const InfoCall call = InfoFromMemory(fixture::Write(pic).bytes);
      ASSERT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.info.width, static_cast<std::int32_t>(w)) << w << " x " << h;
      EXPECT_EQ(call.info.height, static_cast<std::int32_t>(h)) << w << " x " << h;
    }
  }
}

TEST(PictureInfo, BitDepthRule) {
  struct Case {
    std::uint16_t format;
    std::uint16_t bits_per_pixel;
    std::int16_t expected;
  };
  // Direct colour and DXT: always the 24-bit DIB, whatever bits_per_pixel
  // says. Indexed: bits_per_pixel itself when it is 4 or 8; any other
  // makes no DIB a host can draw, and the picture is refused (0 here).
  const Case kCases[] = {
      {0, 16, 24},     {1, 16, 24},     {2, 16, 24},     {3, 32, 24},    {3, 16, 24},
      {0, 99, 24},     {8, 4, 24},      {9, 8, 24},      {10, 8, 24},    {0x108, 4, 24},
      {0x109, 8, 24},  {0x10A, 8, 24},  {0x10A, 0x1234, 24},
      {4, 4, 4},       {5, 8, 8},       {4, 8, 8},       {5, 4, 4},
      {5, 16, 0},      {4, 1, 0},       {4, 2, 0},       {5, 24, 0},     {5, 32, 0},
      {5, 0x0102, 0},
  };
  for (bool be : {false, true}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(Order(be)) + " format " + std::to_string(c.format) + " bpp " +
                   std::to_string(c.bits_per_pixel));
      fixture::Picture pic = PictureOf(be, c.format);
      pic.bits_per_pixel = c.bits_per_pixel;
      const InfoCall call = InfoFromMemory(fixture::Write(pic).bytes);
      if (c.expected == 0) {
        EXPECT_EQ(call.result, plugin::kUnsupported);
        EXPECT_EQ(Decode(fixture::Write(pic).bytes).result, plugin::kUnsupported);
        continue;
      }
      ASSERT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.info.bitDepth, c.expected);
      EXPECT_EQ(RawI32(call, 0), 0);
      EXPECT_EQ(RawI32(call, 4), 0);
      EXPECT_EQ(RawI32(call, 8), 4);
      EXPECT_EQ(RawI32(call, 12), 2);
      EXPECT_EQ(RawI32(call, 16), 0);
    }
  }
}

TEST(PictureInfo, CompleteExampleText) {
  fixture::Picture pic = PictureOf(false, fixture::kIndex4, 32, 8);
  pic.pixel_order = 1;
  pic.pixels = fixture::Swizzle(pic.pixels, fixture::StoredRowBytes(fixture::kIndex4, 32), 8);
  pic.palette = fixture::Palette{fixture::kRgba8888, 16, Bytes(64, 0x44)};
  pic.info_area = Bytes{'A', 0, 'B', 0, 0};
  const InfoCall call = InfoFromMemory(fixture::Write(pic).bytes);
  ASSERT_EQ(call.result, plugin::kSuccess);
  EXPECT_EQ(call.text.text,
            "[Format]\r\n"
            "format_endian: little\r\n"
            "pixel_order: faster\r\n"
            "image_format: 4\r\n"
            "palette_format: 3\r\n"
            "\r\n"
            "[Info]\r\n"
            "A\r\n"
            "B\r\n");
  EXPECT_EQ(call.info.width, 32);
  EXPECT_EQ(call.info.height, 8);
  EXPECT_EQ(call.info.bitDepth, 4);
}

TEST(PictureInfo, BigEndianText) {
  fixture::Picture pic = PictureOf(true, fixture::kIndex8, 16, 2);
  pic.palette = fixture::Palette{fixture::kRgba5551, 4, Bytes(8, 0x44)};
  pic.info_area = Bytes{0, 'X', 'y', 0, 'Z', 0, 0};
  const InfoCall call = InfoFromMemory(fixture::Write(pic).bytes);
  ASSERT_EQ(call.result, plugin::kSuccess);
  EXPECT_EQ(call.text.text, Lines({"[Format]", "format_endian: big", "pixel_order: normal",
                                   "image_format: 5", "palette_format: 1", "", "[Info]", "Xy",
                                   "Z"}));
  EXPECT_EQ(call.info.bitDepth, 8);
}

TEST(PictureInfo, PaletteLineShowsThePaletteFormat) {
  struct Case {
    std::uint16_t image_format;
    std::uint16_t palette_format;
    const char* image_hex;
    const char* palette_hex;
  };
  // The palette block's own format, whatever the picture's format is.
  const Case kCases[] = {
      {fixture::kRgba8888, 3, "3", "3"}, {fixture::kIndex8, 0, "5", "0"},
      {fixture::kIndex4, 2, "4", "2"},   {fixture::kRgba5650, 1, "0", "1"},
      {fixture::kDxt5, 3, "A", "3"},     {fixture::kIndex8, 0x10A, "5", "10A"},
  };
  for (bool be : {false, true}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(Order(be)) + " palette format " + c.palette_hex);
      fixture::Picture pic = PictureOf(be, c.image_format);
      pic.palette = fixture::Palette{c.palette_format, 2, Bytes(8, 0x66)};
      const InfoCall call = InfoFromMemory(fixture::Write(pic).bytes);
      ASSERT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.text.text, FormatSection(be, "normal", c.image_hex) +
                                    Lines({std::string("palette_format: ") + c.palette_hex}));
    }
  }
}

TEST(PictureInfo, FormatCodesInUpperCaseHex) {
  const std::pair<std::uint16_t, const char*> kCodes[] = {
      {0, "0"}, {3, "3"}, {5, "5"}, {8, "8"}, {9, "9"}, {10, "A"},
      {0x108, "108"}, {0x109, "109"}, {0x10A, "10A"}};
  for (bool be : {false, true}) {
    for (const auto& [code, hex] : kCodes) {
      SCOPED_TRACE(std::string(Order(be)) + " " + hex);
      const InfoCall call = InfoFromMemory(fixture::Write(PictureOf(be, code)).bytes);
      ASSERT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.text.text, FormatSection(be, "normal", hex));
    }
  }
}

TEST(PictureInfo, AnyNonZeroPixelOrderIsFaster) {
  const std::pair<std::uint16_t, const char*> kOrders[] = {
      {0, "normal"}, {1, "faster"}, {2, "faster"}, {0x100, "faster"}, {0xFFFF, "faster"}};
  for (bool be : {false, true}) {
    for (const auto& [order, name] : kOrders) {
      SCOPED_TRACE(std::string(Order(be)) + " pixel_order " + std::to_string(order));
      fixture::Picture pic = PictureOf(be, fixture::kRgba8888);
      pic.pixel_order = order;
      const InfoCall call = InfoFromMemory(fixture::Write(pic).bytes);
      ASSERT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.text.text, FormatSection(be, name, "3"));
    }
  }
}

TEST(PictureInfo, StringAreaListing) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const std::string info_head = WithPalette(be) + "\r\n[Info]\r\n";
    // One zero byte at the start is skipped.
    EXPECT_EQ(ListedStrings(InfoPicture(be, Area(std::string("\0A\0B\0", 5)))),
              info_head + Lines({"A", "B"}));
    // Two: the Info section stays empty.
    EXPECT_EQ(ListedStrings(InfoPicture(be, Area(std::string("\0\0A\0", 4)))), info_head);
    // An empty string after the first ends the list.
    EXPECT_EQ(ListedStrings(InfoPicture(be, Area(std::string("A\0B\0\0C\0", 7)))),
              info_head + Lines({"A", "B"}));
    // The list runs to the end of the area.
    EXPECT_EQ(ListedStrings(InfoPicture(be, Area(std::string("one\0two\0three\0", 14)))),
              info_head + Lines({"one", "two", "three"}));
    // Bytes are copied as they are: no character set, no escaping, no
    // format directives.
    EXPECT_EQ(ListedStrings(InfoPicture(be, Area(std::string("%s%d%n\0\xE9t\xE9\x7F\0", 12)))),
              info_head + Lines({"%s%d%n", "\xE9t\xE9\x7F"}));
  }
}

TEST(PictureInfo, StringRunningPastTheAreaIsListedWhole) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const std::string info_head = WithPalette(be) + "\r\n[Info]\r\n";
    fixture::File f = InfoPicture(be, Area(std::string("\0AB\0CDEF\0", 9)));
    // Step 16 + 5: the area holds the zero, "AB", its zero and the "C" that
    // starts the last string.
    fixture::PutU32(f.bytes, f.layout.info + kBlockStep, 16 + 5, be);
    EXPECT_EQ(ListedStrings(f), info_head + Lines({"AB", "CDEF"}));
    // Step 16 + 4: the last string starts at the area's end and is left out.
    fixture::PutU32(f.bytes, f.layout.info + kBlockStep, 16 + 4, be);
    EXPECT_EQ(ListedStrings(f), info_head + Lines({"AB"}));
    // Step 16 + 1: the area is the skipped zero alone.
    fixture::PutU32(f.bytes, f.layout.info + kBlockStep, 16 + 1, be);
    EXPECT_EQ(ListedStrings(f), info_head);
  }
}

TEST(PictureInfo, InfoSectionNeedsSizeAndStepAbove16) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const fixture::File base = InfoPicture(be, Area(std::string("XY\0Z\0", 5)));
    for (std::uint32_t step : {0u, 1u, 15u, 16u}) {
      fixture::File f = base;
      fixture::PutU32(f.bytes, f.layout.info + kBlockStep, step, be);
      EXPECT_EQ(ListedStrings(f), WithPalette(be)) << "step " << step;
    }
    for (std::uint32_t size : {0u, 16u}) {
      fixture::File f = base;
      fixture::PutU32(f.bytes, f.layout.info + kBlockSize, size, be);
      EXPECT_EQ(ListedStrings(f), WithPalette(be)) << "size " << size;
    }
    // 17 and 17: a one-byte area whose string runs on past it.
    fixture::File f = base;
    fixture::PutU32(f.bytes, f.layout.info + kBlockSize, 17, be);
    fixture::PutU32(f.bytes, f.layout.info + kBlockStep, 17, be);
    EXPECT_EQ(ListedStrings(f), WithPalette(be) + "\r\n[Info]\r\nXY\r\n");
    // A size of 0xFFFFFFFF counts as above 16 (unsigned).
    fixture::File g = base;
    fixture::PutU32(g.bytes, g.layout.info + kBlockSize, 0xFFFFFFFFu, be);
    EXPECT_EQ(ListedStrings(g), WithPalette(be) + Lines({"", "[Info]", "XY", "Z"}));
  }
}

TEST(PictureInfo, FileInfoBlockFoundWithin16BytesBeyondTheRoot) {
  for (bool be : {false, true}) {
    for (std::uint32_t gap : {0u, 1u, 15u, 16u, 17u}) {
      SCOPED_TRACE(std::string(Order(be)) + " gap " + std::to_string(gap));
      // A picture without a palette block: the image block's step leads to
      // the file-info block, which starts `gap` bytes after the root block's
      // end.
      fixture::Picture pic = PictureOf(be, fixture::kRgba8888);
      pic.info_area = Area(std::string("Q\0", 2));
      fixture::File f = fixture::Write(pic);
      const std::uint32_t root_size = U32(f.bytes, kRoot + kBlockSize, be);
      ASSERT_EQ(f.layout.info, kRoot + root_size);
      f.bytes.insert(f.bytes.begin() + static_cast<std::ptrdiff_t>(f.layout.info), gap, 0);
      fixture::PutU32(f.bytes, f.layout.image + kBlockStep,
                      U32(f.bytes, f.layout.image + kBlockStep, be) + gap, be);
      const std::string format = FormatSection(be, "normal", "3");
      EXPECT_EQ(ListedStrings(f), gap < 16 ? format + Lines({"", "[Info]", "Q"}) : format);
    }
  }
}

TEST(PictureInfo, StringCutOffByTheEndOfTheInput) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const std::string info_head = WithPalette(be) + "\r\n[Info]\r\n";
    // The data ends inside the last string, which has no terminating zero.
    const fixture::File unterminated = InfoPicture(be, Area("AB\0CDEF"s));
    EXPECT_EQ(ListedStrings(unterminated), info_head + Lines({"AB", "CDEF"}));
    // The host's length ends the input early: nothing after it is listed.
    const fixture::File whole = InfoPicture(be, Area("AB\0CDEF\0GH\0"s));
    const InfoCall cut = InfoFromMemory(whole.bytes, whole.bytes.size() - 6);
    ASSERT_EQ(cut.result, plugin::kSuccess);
    EXPECT_EQ(cut.text.text, info_head + Lines({"AB", "CD"}));
    // A step far beyond the data: the listing ends with the input.
    fixture::File far = InfoPicture(be, Area("AB\0"s));
    fixture::PutU32(far.bytes, far.layout.info + kBlockStep, 0x7FFFFFFFu, be);
    EXPECT_EQ(ListedStrings(far), info_head + Lines({"AB"}));
    fixture::PutU32(far.bytes, far.layout.info + kBlockStep, 0xFFFFFFFFu, be);
    EXPECT_EQ(ListedStrings(far), info_head + Lines({"AB"}));
  }
}

TEST(PictureInfo, StringCutOffByTheEndOfTheFile) {
  const std::filesystem::path dir = TempDir();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const fixture::File f = InfoPicture(be, Area("first\0sec"s));
    // Behind a prefix of other data, read from the GIM data's offset.
    Bytes file(37 + f.bytes.size(), 0xEE);
    std::copy(f.bytes.begin(), f.bytes.end(), file.begin() + 37);
    const std::filesystem::path path = dir / (std::string(Order(be)) + ".gim");
    WriteFile(path, file.data(), file.size());
    const InfoCall call = InfoFromFile(path, 37);
    ASSERT_EQ(call.result, plugin::kSuccess);
    EXPECT_EQ(call.text.text, WithPalette(be) + Lines({"", "[Info]", "first", "sec"}));
    EXPECT_EQ(call.info.width, 4);
    EXPECT_EQ(call.info.height, 2);
    EXPECT_EQ(call.info.bitDepth, 24);
  }
}

TEST(PictureInfo, TextBlockHandedToTheHost) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const InfoCall call = InfoFromMemory(InfoPicture(be, Area("AB\0CD\0"s)).bytes);
    ASSERT_EQ(call.result, plugin::kSuccess);
    ASSERT_TRUE(call.text.present);
    ASSERT_FALSE(call.text.text.empty());
    EXPECT_EQ(call.text.text, WithPalette(be) + Lines({"", "[Info]", "AB", "CD"}));
    // Text length + 1 bytes, the last one the terminating zero.
    EXPECT_EQ(call.text.size, call.text.text.size() + 1);
    EXPECT_EQ(call.text.last_byte, 0);
    // Unlocked when handed over; a lock counts, which only a moveable block
    // does.
    EXPECT_EQ(call.text.locks_before, 0u);
    EXPECT_EQ(call.text.locks_while_locked, 1u);
  }
}

TEST(PictureInfo, TextBlockAllocationFailure) {
  if (!CanCountBlocks()) GTEST_SKIP() << "allocation failures are made by the POSIX stand-in";
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const fixture::File f = InfoPicture(be, Area("AB\0"s));
    const std::uint32_t live = LiveBlocks();
    // In memory mode the text block is the call's only allocation.
    FailAllocation(1);
    const InfoCall call = InfoFromMemory(f.bytes);
    FailAllocation(0);
    EXPECT_EQ(call.result, plugin::kSuccess);
    EXPECT_EQ(call.info.infoText, Handle{});
    EXPECT_FALSE(call.text.present);
    EXPECT_EQ(RawI32(call, 0), 0);
    EXPECT_EQ(RawI32(call, 4), 0);
    EXPECT_EQ(call.info.width, 4);
    EXPECT_EQ(call.info.height, 2);
    EXPECT_EQ(RawI32(call, 16), 0);
    EXPECT_EQ(call.info.bitDepth, 24);
    EXPECT_EQ(LiveBlocks(), live);
  }
}

}  // namespace
}  // namespace tovak::test
