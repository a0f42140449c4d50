// Rows of every length from 1 to 64 pixels, in both pixel orders, decode
// pixel for pixel as each pixel does alone (a 1 x 1 picture, which only the
// per-pixel tail of a row converter writes), and write nothing past a row's
// pixels. Rows are converted 4, 8 or 16 pixels at a time with stores that
// may reach past the pixels in hand, so each length ends differently.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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

constexpr std::uint8_t kGuard = 0xA5;

// The picture's rows in `target`, each followed by 8 guard bytes.
Bytes DecodeRows(const Bytes& file, Target target, std::size_t& row_bytes) {
  const gim::ByteView view{file.data(), file.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  decode::PicturePlan plan;
  EXPECT_EQ(decode::PlanPicture(gim::Reader{view, recognition.big_endian}, recognition.blocks,
                                plan),
            decode::Failure::kNone);
  const unsigned bits = decode::LayoutBits(target.layout, plan.index_bits);
  row_bytes = (std::size_t{plan.image.width} * bits + 7) / 8;
  Bytes out((row_bytes + 8) * plan.image.height, kGuard);
  decode::Destination to{target.layout, out.data(), out.size(), row_bytes + 8};
  to.blend = {target.blend, 0x00336699};
  EXPECT_EQ(decode::WritePixels(plan, to), decode::Failure::kNone);
  return out;
}

fixture::File Picture(std::uint16_t format, std::uint16_t order, std::uint16_t width,
                      std::uint16_t height, const Bytes& plane) {
  fixture::Picture p;
  p.format = format;
  p.pixel_order = order;
  p.width = width;
  p.height = height;
  const std::size_t row = fixture::StoredRowBytes(format, width);
  p.pixels = order == 1 ? fixture::Swizzle(plane, row, height) : plane;
  if (format == fixture::kIndex4 || format == fixture::kIndex8) {
    const std::uint16_t count = format == fixture::kIndex4 ? 16 : 256;
    p.palette = fixture::Palette{fixture::kRgba8888, count, Bytes(std::size_t{count} * 4, 0x40)};
    for (std::size_t i = 0; i < p.palette->entries.size(); ++i) p.palette->entries[i] ^= static_cast<std::uint8_t>(i * 7);
  }
  return fixture::Write(p);
}

TEST(RowRuns, EveryLengthDecodesAsItsPixelsDoAlone) {
  struct Format {
    std::uint16_t code;
    unsigned bits;
  };
  const Format formats[] = {{fixture::kRgba5650, 16}, {fixture::kRgba5551, 16},
                            {fixture::kRgba4444, 16}, {fixture::kRgba8888, 32},
                            {fixture::kIndex4, 4},    {fixture::kIndex8, 8}};
  const Target colours[] = {{PixelLayout::kBgr24, true}, {PixelLayout::kRgb24, true},
                            {PixelLayout::kBgr24, false}, {PixelLayout::kBgra32, false},
                            {PixelLayout::kRgba32, false}};
  const Target indices[] = {{PixelLayout::kIndex, false}};
  Random random;
  constexpr std::uint16_t kHeight = 3;
  for (const Format& f : formats) {
    const bool indexed = f.bits < 16;
    for (const Target& target : indexed ? std::vector<Target>(std::begin(indices), std::end(indices))
                                        : std::vector<Target>(std::begin(colours), std::end(colours))) {
      for (std::uint16_t order : {0, 1}) {
        for (std::uint16_t width = 1; width <= 64; ++width) {
          SCOPED_TRACE(testing::Message() << "format " << f.code << ", layout "
                                          << int(target.layout) << ", blend " << target.blend
                                          << ", order " << order << ", width " << width);
          const std::size_t stored_row = fixture::StoredRowBytes(f.code, width);
          Bytes plane(stored_row * kHeight);
          for (std::uint8_t& b : plane) b = random.Byte();
          std::size_t row_bytes = 0;
          const Bytes rows = DecodeRows(Picture(f.code, order, width, kHeight, plane).bytes, target, row_bytes);
          const unsigned out_bits = static_cast<unsigned>(row_bytes * 8 / width);
          for (std::uint16_t y = 0; y < kHeight; ++y) {
            const std::uint8_t* row = rows.data() + (row_bytes + 8) * y;
            for (std::uint16_t x = 0; x < width; ++x) {
              // The pixel alone: its stored bits at the start of a 1 x 1 plane.
              Bytes alone(fixture::StoredRowBytes(f.code, 1), 0);
              const std::size_t bit = std::size_t{x} * f.bits;
              const std::uint8_t* from = plane.data() + stored_row * y + bit / 8;
              if (f.bits == 4) {
                alone[0] = static_cast<std::uint8_t>(*from >> (bit % 8) & 0x0F);
              } else {
                std::copy(from, from + f.bits / 8, alone.begin());
              }
              std::size_t one_bytes = 0;
              const Bytes one = DecodeRows(Picture(f.code, 0, 1, 1, alone).bytes, target, one_bytes);
              if (out_bits == 4) {
                const unsigned got = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
                ASSERT_EQ(got, unsigned{one[0]} >> 4) << "pixel " << x << ", row " << y;
              } else {
                const std::size_t n = out_bits / 8;
                ASSERT_EQ(Bytes(row + n * x, row + n * (x + 1)), Bytes(one.begin(), one.begin() + n))
                    << "pixel " << x << ", row " << y;
              }
            }
            if (out_bits == 4 && width % 2 != 0) EXPECT_EQ(row[row_bytes - 1] & 0x0F, 0);
            EXPECT_EQ(Bytes(row + row_bytes, row + row_bytes + 8), Bytes(8, kGuard)) << "row " << y;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace tovak::test
