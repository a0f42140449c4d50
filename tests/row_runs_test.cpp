// Rows of every length from 1 to 64 pixels, in both pixel orders, decode
// pixel for pixel as each pixel does alone (in a picture 1 pixel wide, whose
// rows only the per-pixel tail of a row converter writes): rows are
// converted 4, 8 or 16 pixels at a time, so each length ends differently.
// (That nothing past a row is written is destination_coverage_test's.)
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

struct Target {
  PixelLayout layout;
  bool blend;
};

// A picture of `plane` (stored rows in normal order) decoded into `target`,
// rows `row_bytes` apart.
Bytes Decode(std::uint16_t format, std::uint16_t order, std::uint16_t width, std::uint16_t height,
             const Bytes& plane, Target target, std::size_t& row_bytes) {
  fixture::Picture p{false, format, order, width, height};
  p.pixels = order == 1 ? fixture::Swizzle(plane, plane.size() / height, height) : plane;
  // Indexed pictures are decoded into their indices: the entries do not matter.
  if (format == fixture::kIndex4 || format == fixture::kIndex8) p.palette = fixture::Palette{fixture::kRgba8888, 256, Bytes(1024)};
  const fixture::File file = fixture::Write(p);
  const gim::ByteView view{file.bytes.data(), file.bytes.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  decode::PicturePlan plan;
  EXPECT_EQ(decode::PlanPicture(gim::Reader{view, recognition.big_endian}, recognition.blocks, plan),
            decode::Failure::kNone);
  row_bytes = (std::size_t{width} * decode::LayoutBits(target.layout, plan.index_bits) + 7) / 8;
  Bytes out(row_bytes * height);
  EXPECT_EQ(decode::WritePixels(plan, {target.layout, out.data(), out.size(), row_bytes, {}, {target.blend, 0x00336699}}),
            decode::Failure::kNone);
  return out;
}

TEST(RowRuns, EveryLengthDecodesAsItsPixelsDoAlone) {
  Random random;
  constexpr std::uint16_t kHeight = 3;
  for (const std::uint16_t format : {fixture::kRgba5650, fixture::kRgba5551, fixture::kRgba4444,
                                     fixture::kRgba8888, fixture::kIndex4, fixture::kIndex8}) {
    const unsigned bits = fixture::UsualBitsPerPixel(format);
    for (const Target target : bits < 16 ? std::vector<Target>{{PixelLayout::kIndex, false}}
                                         : std::vector<Target>{{PixelLayout::kBgr24, true}, {PixelLayout::kRgb24, true},
                                                               {PixelLayout::kBgr24, false}, {PixelLayout::kBgra32, false},
                                                               {PixelLayout::kRgba32, false}}) {
      const unsigned out_bits = decode::LayoutBits(target.layout, bits);
      // Pixel `x` of a row: its byte or bytes, or its 4-bit index.
      const auto pixel = [&](const std::uint8_t* row, std::size_t x) {
        return out_bits == 4 ? Bytes{static_cast<std::uint8_t>(row[x / 2] >> (x % 2 == 0 ? 4 : 0) & 15)}
                             : Bytes(row + x * out_bits / 8, row + (x + 1) * out_bits / 8);
      };
      for (std::uint16_t order : {0, 1}) {
        for (std::uint16_t width = 1; width <= 64; ++width) {
          SCOPED_TRACE(testing::Message() << "format " << format << ", layout " << int(target.layout)
                                          << ", blend " << target.blend << ", order " << order << ", width " << width);
          const std::size_t stored_row = fixture::StoredRowBytes(format, width), alone_row = fixture::StoredRowBytes(format, 1);
          Bytes plane(stored_row * kHeight), alone(alone_row * width * kHeight, 0);
          for (std::uint8_t& b : plane) b = random.Byte();
          for (std::size_t i = 0; i < std::size_t{width} * kHeight; ++i) {
            // Pixel i % width of row i / width, its stored bits at the start of a row.
            const std::uint8_t* from = plane.data() + stored_row * (i / width) + i % width * bits / 8;
            if (bits == 4) alone[alone_row * i] = static_cast<std::uint8_t>(*from >> (i % width % 2 * 4) & 15);
            if (bits != 4) std::copy(from, from + bits / 8, alone.begin() + static_cast<std::ptrdiff_t>(alone_row * i));
          }
          std::size_t row_bytes = 0, one_bytes = 0;
          const Bytes rows = Decode(format, order, width, kHeight, plane, target, row_bytes);
          const Bytes one = Decode(format, 0, 1, static_cast<std::uint16_t>(width * kHeight), alone, target, one_bytes);
          for (std::size_t i = 0; i < std::size_t{width} * kHeight; ++i) {
            ASSERT_EQ(pixel(&rows[row_bytes * (i / width)], i % width), pixel(&one[one_bytes * i], 0))
                << "pixel " << i % width << ", row " << i / width;
          }
          // The nibble past an odd-width row of 4-bit indices is 0.
          for (std::size_t y = 0; out_bits == 4 && width % 2 != 0 && y < kHeight; ++y) EXPECT_EQ(rows[row_bytes * (y + 1) - 1] & 15, 0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace tovak::test
