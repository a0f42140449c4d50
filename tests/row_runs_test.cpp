// Rows of every length from 1 to 64 pixels, in both pixel orders, decode
// pixel for pixel as each pixel does alone (a 1 x 1 picture, which only the
// per-pixel tail of a row converter writes): rows are converted 4, 8 or 16
// pixels at a time, so each length ends differently. (That nothing past a
// row is written is destination_coverage_test's.)
#include <gtest/gtest.h>

#include <cstdint>

#include "decode/driver.h"
#include "decode/plan.h"
#include "fixture/gim_writer.h"
#include "gim/container.h"
#include "support/random.h"

namespace tovak::test {
namespace {

using fixture::Bytes;
using decode::PixelLayout;

// A picture of `plane` (stored rows in normal order) in `target`, and its
// rows' bytes.
Bytes Decode(std::uint16_t format, std::uint16_t order, std::uint16_t width, std::uint16_t height,
             const Bytes& plane, PixelLayout layout, bool blend, std::size_t& row_bytes) {
  fixture::Picture p{false, format, order, width, height};
  p.pixels = order == 1 ? fixture::Swizzle(plane, plane.size() / height, height) : plane;
  if (format == fixture::kIndex4 || format == fixture::kIndex8) {
    p.palette = fixture::Palette{fixture::kRgba8888, 256, Bytes(1024)};
    for (std::size_t i = 0; i < 1024; ++i) p.palette->entries[i] = static_cast<std::uint8_t>(0x40 ^ i * 7);
  }
  const fixture::File file = fixture::Write(p);
  const gim::ByteView view{file.bytes.data(), file.bytes.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  decode::PicturePlan plan;
  EXPECT_EQ(decode::PlanPicture(gim::Reader{view, recognition.big_endian}, recognition.blocks, plan),
            decode::Failure::kNone);
  row_bytes = (std::size_t{width} * decode::LayoutBits(layout, plan.index_bits) + 7) / 8;
  Bytes out(row_bytes * height);
  decode::Destination to{layout, out.data(), out.size(), row_bytes};
  to.blend = {blend, 0x00336699};
  EXPECT_EQ(decode::WritePixels(plan, to), decode::Failure::kNone);
  return out;
}

TEST(RowRuns, EveryLengthDecodesAsItsPixelsDoAlone) {
  const struct {
    PixelLayout layout;
    bool blend;
  } colours[] = {{PixelLayout::kBgr24, true}, {PixelLayout::kRgb24, true}, {PixelLayout::kBgr24, false},
                 {PixelLayout::kBgra32, false}, {PixelLayout::kRgba32, false}},
    indices[] = {{PixelLayout::kIndex, false}};
  Random random;
  constexpr std::uint16_t kHeight = 3;
  for (const std::uint16_t format : {fixture::kRgba5650, fixture::kRgba5551, fixture::kRgba4444,
                                     fixture::kRgba8888, fixture::kIndex4, fixture::kIndex8}) {
    const unsigned bits = fixture::UsualBitsPerPixel(format);
    for (const auto& target : bits < 16 ? std::vector(std::begin(indices), std::end(indices))
                                        : std::vector(std::begin(colours), std::end(colours))) {
      for (std::uint16_t order : {0, 1}) {
        for (std::uint16_t width = 1; width <= 64; ++width) {
          SCOPED_TRACE(testing::Message() << "format " << format << ", layout " << int(target.layout)
                                          << ", blend " << target.blend << ", order " << order << ", width " << width);
          const std::size_t stored_row = fixture::StoredRowBytes(format, width);
          Bytes plane(stored_row * kHeight);
          for (std::uint8_t& b : plane) b = random.Byte();
          std::size_t row_bytes = 0, one_bytes = 0;
          const Bytes rows = Decode(format, order, width, kHeight, plane, target.layout, target.blend, row_bytes);
          const unsigned out_bits = decode::LayoutBits(target.layout, bits);
          for (std::uint16_t y = 0; y < kHeight; ++y) {
            const std::uint8_t* row = rows.data() + row_bytes * y;
            for (std::uint16_t x = 0; x < width; ++x) {
              // The pixel alone: its stored bits at the start of a 1 x 1 plane.
              Bytes alone(fixture::StoredRowBytes(format, 1), 0);
              const std::uint8_t* from = plane.data() + stored_row * y + x * bits / 8;
              if (bits == 4) {
                alone[0] = static_cast<std::uint8_t>(*from >> (x % 2 * 4) & 0x0F);
              } else {
                std::copy(from, from + bits / 8, alone.begin());
              }
              const Bytes one = Decode(format, 0, 1, 1, alone, target.layout, target.blend, one_bytes);
              if (out_bits == 4) {
                ASSERT_EQ(x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F, one[0] >> 4) << "pixel " << x << ", row " << y;
              } else {
                ASSERT_EQ(Bytes(row + one_bytes * x, row + one_bytes * (x + 1)), one) << "pixel " << x << ", row " << y;
              }
            }
            // The nibble past an odd-width row of 4-bit indices is 0.
            if (out_bits == 4 && width % 2 != 0) EXPECT_EQ(row[row_bytes - 1] & 0x0F, 0);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tovak::test
