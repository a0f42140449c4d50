// Every byte of every row a destination receives is one the decoder meant,
// and the bytes between rows keep what the caller had there: the same
// picture decoded into a buffer of 0x00 bytes and into one of 0xFF bytes
// gives the same rows. Rows are converted 4, 8 or 16 pixels at a time with
// stores that may reach past the pixels in hand, so every width from 1 to 64
// is tried, in every format and layout, blended or not, both row orders.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "decode/driver.h"
#include "decode/plan.h"
#include "fixture/gim_writer.h"
#include "gim/container.h"
#include "support/random.h"

namespace tovak::test {
namespace {

using decode::PixelLayout;
using fixture::Bytes;

// Every format, and the indexed formats at each other's depth: an INDEX8
// picture stored at 4 bits whose padded width is an odd number of 16-pixel
// groups has rows that end inside a swizzled tile line.
constexpr struct {
  std::uint16_t format, bits_per_pixel;  // 0: the format's usual depth
} kStored[] = {{fixture::kRgba5650, 0}, {fixture::kRgba5551, 0}, {fixture::kRgba4444, 0},
               {fixture::kRgba8888, 0}, {fixture::kIndex4, 0},   {fixture::kIndex8, 0},
               {fixture::kIndex8, 4},   {fixture::kIndex4, 8},   {fixture::kDxt1, 0},
               {fixture::kDxt3, 0},     {fixture::kDxt5, 0}};

TEST(DestinationCoverage, EveryRowByteIsWrittenAndNothingBetweenRows) {
  Random random;
  for (const auto& s : kStored) {
    const bool indexed = s.format == fixture::kIndex4 || s.format == fixture::kIndex8;
    const unsigned index_bits = s.bits_per_pixel != 0 ? s.bits_per_pixel : fixture::UsualBitsPerPixel(s.format);
    for (std::uint16_t width = 1; width <= 64; ++width) {
      // Heights of 1 to 18 rows: within a tile row, on one and across two.
      const auto height = static_cast<std::uint16_t>(1 + width % 18);
      for (const int variant : {0, 1, 2, 3}) {
        fixture::Picture pic{(variant & 1) != 0, s.format, static_cast<std::uint16_t>(variant >> 1),
                             width, height, s.bits_per_pixel};
        // Whole tile rows of plane rows, and room for DXT blocks 4 bytes a
        // texel: more than any order reads.
        pic.pixels.resize((height + 15u) / 8 * 8 * std::max(fixture::StoredRowBytes(s.format, width, s.bits_per_pixel),
                                                           (std::size_t{width} + 7) / 8 * 32));
        for (std::uint8_t& b : pic.pixels) b = random.Byte();
        if (indexed) pic.palette = fixture::Palette{fixture::kRgba8888, 256, Bytes(1024, 0x5A)};
        const fixture::File file = fixture::Write(pic);
        const gim::ByteView view{file.bytes.data(), file.bytes.size()};
        const gim::Recognition recognition = gim::Recognise(view);
        decode::PicturePlan plan;
        ASSERT_EQ(decode::PlanPicture(gim::Reader{view, recognition.big_endian}, recognition.blocks, plan),
                  decode::Failure::kNone);
        // Indexed pictures give their indices, or their colours looked up.
        for (const PixelLayout layout : {PixelLayout::kBgr24, PixelLayout::kRgb24, PixelLayout::kBgra32,
                                         PixelLayout::kRgba32, PixelLayout::kIndex}) {
          if (layout == PixelLayout::kIndex && !indexed) continue;
          const std::size_t row_bytes =
              (std::size_t{width} * (layout == PixelLayout::kIndex ? index_bits : layout <= PixelLayout::kRgb24 ? 24 : 32) + 7) / 8;
          const std::size_t stride = row_bytes + 3, bytes = stride * height;
          for (const bool blend : {false, true}) {
            if (blend && layout > PixelLayout::kRgb24) continue;  // kept alpha, or indices
            for (const decode::RowOrder rows : {decode::RowOrder::kTopDown, decode::RowOrder::kBottomUp}) {
              SCOPED_TRACE(testing::Message() << "format " << s.format << " at " << index_bits << " bits, "
                                              << width << " x " << height << " variant " << variant << ", layout "
                                              << int(layout) << (blend ? " blended" : "") << " rows " << int(rows));
              Bytes low(bytes, 0x00), high(bytes, 0xFF);
              for (Bytes* buffer : {&low, &high}) {
                decode::Destination to{layout, buffer->data(), bytes, stride, rows, {blend, 0x00336699}};
                ASSERT_EQ(decode::WritePixels(plan, to), decode::Failure::kNone);
              }
              for (std::size_t at = 0; at < bytes; ++at) {
                if (at % stride < row_bytes) {
                  ASSERT_EQ(low[at], high[at]) << "row byte " << at << " unwritten";
                } else {
                  ASSERT_TRUE(low[at] == 0x00 && high[at] == 0xFF) << "byte " << at << " between rows written";
                }
              }
            }
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tovak::test
