// Why a picture cannot be decoded, or a destination cannot take it: each
// broken file or destination is refused with the reason that names its
// fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "decode/driver.h"
#include "decode/plan.h"
#include "fixture/gim_writer.h"
#include "gim/container.h"

namespace tovak::test {
namespace {

using decode::Failure;
using fixture::Bytes;

// Image header fields, from the image header's start (block offset 16).
constexpr std::size_t kBitsPerPixelField = 12;
constexpr std::size_t kPixelsStartField = 28;
constexpr std::size_t kPixelsEndField = 32;

fixture::Picture Picture(std::uint16_t format, std::uint16_t width, std::uint16_t height) {
  fixture::Picture pic;
  pic.format = format;
  pic.width = width;
  pic.height = height;
  pic.pixels.assign(fixture::StoredRowBytes(format, width) * height, 0x5A);
  if (format == fixture::kIndex4 || format == fixture::kIndex8) {
    pic.palette = fixture::Palette{fixture::kRgba8888, 16, Bytes(64, 0x33)};
  }
  return pic;
}

// Plans a file the way the exports do, but with the blocks as the walk finds
// them, so that a format the recogniser refuses still reaches the planner.
Failure Plan(const Bytes& bytes, decode::PicturePlan& plan) {
  const gim::Reader reader{{bytes.data(), bytes.size()}, false};
  return decode::PlanPicture(reader, gim::FindBlocks(reader), plan);
}

TEST(DecodeFailures, EachBrokenFileNamesItsFault) {
  struct Case {
    const char* what;
    std::uint16_t format, width, height;
    std::function<void(fixture::File&)> damage;
    Failure expected;
  };
  const auto header = [](const fixture::File& f) { return f.layout.image + 16; };
  const Case cases[] = {
      {"image header cut after bits_per_pixel", fixture::kRgba8888, 8, 4,
       [&](fixture::File& f) { f.bytes.resize(header(f) + 20); }, Failure::kImageHeaderOutside},
      {"image format 6", fixture::kRgba8888, 8, 4,
       [&](fixture::File& f) { fixture::PutU16(f.bytes, header(f) + 4, 6, false); },
       Failure::kUnknownFormat},
      {"INDEX8 at 16 bits", fixture::kIndex8, 8, 4,
       [&](fixture::File& f) { fixture::PutU16(f.bytes, header(f) + kBitsPerPixelField, 16, false); },
       Failure::kIndexDepth},
      {"pixel order 7", fixture::kRgba5551, 8, 4,
       [&](fixture::File& f) { fixture::PutU16(f.bytes, header(f) + 6, 7, false); },
       Failure::kUnknownPixelOrder},
      {"0 wide", fixture::kRgba8888, 8, 4,
       [&](fixture::File& f) { fixture::PutU16(f.bytes, header(f) + 8, 0, false); },
       Failure::kNoPixels},
      {"0 high", fixture::kIndex8, 8, 4,
       [&](fixture::File& f) { fixture::PutU16(f.bytes, header(f) + 10, 0, false); },
       Failure::kNoPixels},
      {"palette entries cut", fixture::kIndex4, 8, 4,
       [](fixture::File& f) { f.bytes.resize(f.layout.entries + 63); }, Failure::kPaletteOutside},
      {"palette header cut", fixture::kIndex4, 8, 4,
       [](fixture::File& f) { f.bytes.resize(f.layout.palette + 22); }, Failure::kPaletteOutside},
      {"pixels_start past the end", fixture::kRgba4444, 8, 4,
       [&](fixture::File& f) { fixture::PutU32(f.bytes, header(f) + kPixelsStartField, 0x10000, false); },
       Failure::kPixelsOutside},
      {"last row cut", fixture::kRgba5650, 8, 4,
       [](fixture::File& f) { f.bytes.resize(f.layout.pixels + 3 * 16 + 15); },
       Failure::kPixelsOutside},
      {"DXT3 with no unit announced", fixture::kDxt3, 8, 4,
       [&](fixture::File& f) {
         fixture::PutU32(f.bytes, header(f) + kPixelsEndField,
                         static_cast<std::uint32_t>(f.layout.pixels - header(f)), false);
       },
       Failure::kPixelsShort},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::File f = fixture::Write(Picture(c.format, c.width, c.height));
    decode::PicturePlan plan;
    ASSERT_EQ(Plan(f.bytes, plan), Failure::kNone) << "the undamaged file";
    c.damage(f);
    EXPECT_EQ(Plan(f.bytes, plan), c.expected);
  }
}

TEST(DecodeFailures, DestinationsAreCheckedAgainstThePlan) {
  // 5 x 3 RGBA8888 into RGBA rows of 20 bytes: the last row needs only its
  // 20 bytes, whatever the stride.
  const fixture::File f = fixture::Write(Picture(fixture::kRgba8888, 5, 3));
  decode::PicturePlan plan;
  ASSERT_EQ(Plan(f.bytes, plan), Failure::kNone);
  const fixture::File indexed = fixture::Write(Picture(fixture::kIndex4, 5, 3));
  decode::PicturePlan indexed_plan;
  ASSERT_EQ(Plan(indexed.bytes, indexed_plan), Failure::kNone);

  struct Case {
    const char* what;
    const decode::PicturePlan* plan;
    decode::PixelLayout layout;
    std::uint64_t bytes, stride;
    Failure expected;
  };
  const Case cases[] = {
      {"exactly enough", &plan, decode::PixelLayout::kRgba32, 2 * 24 + 20, 24, Failure::kNone},
      {"one byte short", &plan, decode::PixelLayout::kRgba32, 2 * 24 + 19, 24,
       Failure::kDestinationTooSmall},
      {"stride shorter than a row", &plan, decode::PixelLayout::kRgba32, 1000, 19,
       Failure::kDestinationTooSmall},
      {"24-bit rows", &plan, decode::PixelLayout::kBgr24, 2 * 16 + 15, 16, Failure::kNone},
      {"24-bit rows one byte short", &plan, decode::PixelLayout::kRgb24, 2 * 16 + 14, 16,
       Failure::kDestinationTooSmall},
      {"indices of a direct-colour picture", &plan, decode::PixelLayout::kIndex, 1000, 24,
       Failure::kDestinationUnsuited},
      {"a colour-table layout", &plan, decode::PixelLayout::kRgbQuad, 1000, 24,
       Failure::kDestinationUnsuited},
      // Colours looked up in the palette: five RGBA pixels take 20 bytes.
      {"RGBA of an indexed picture", &indexed_plan, decode::PixelLayout::kRgba32, 2 * 24 + 20, 24,
       Failure::kNone},
      {"RGBA of an indexed picture one byte short", &indexed_plan, decode::PixelLayout::kRgba32,
       2 * 24 + 19, 24, Failure::kDestinationTooSmall},
      // Five 4-bit indices take three bytes.
      {"4-bit indices", &indexed_plan, decode::PixelLayout::kIndex, 2 * 4 + 3, 4, Failure::kNone},
      {"4-bit indices one byte short", &indexed_plan, decode::PixelLayout::kIndex, 2 * 4 + 2, 4,
       Failure::kDestinationTooSmall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // One guard byte past the destination's end must stay as it is.
    std::vector<std::uint8_t> buffer(c.bytes + 1, 0xEE);
    decode::Destination to;
    to.layout = c.layout;
    to.data = buffer.data();
    to.bytes = c.bytes;
    to.stride = c.stride;
    EXPECT_EQ(decode::WritePixels(*c.plan, to), c.expected);
    EXPECT_EQ(buffer.back(), 0xEE);
    if (c.expected != Failure::kNone) {
      EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 0xEE),
                static_cast<std::ptrdiff_t>(buffer.size()))
          << "a refused destination was written";
    }
  }
}

}  // namespace
}  // namespace tovak::test
