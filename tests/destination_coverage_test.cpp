// Every byte of every row a destination receives is one the decoder meant:
// the same picture decoded into a buffer of 0x00 bytes and into one of 0xFF
// bytes gives the same rows, whatever the stored data covers, and the bytes
// between rows keep what the caller had there.
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

struct Stored {
  const char* name;
  std::uint16_t format;
  std::uint16_t bits_per_pixel;  // 0: the format's usual depth
};

// Every format, and the indexed formats at each other's depth: an INDEX8
// picture stored at 4 bits whose padded width is an odd number of 16-pixel
// groups has rows that end inside a swizzled tile line.
constexpr Stored kStored[] = {
    {"RGBA5650", fixture::kRgba5650, 0}, {"RGBA5551", fixture::kRgba5551, 0},
    {"RGBA4444", fixture::kRgba4444, 0}, {"RGBA8888", fixture::kRgba8888, 0},
    {"INDEX4", fixture::kIndex4, 0},     {"INDEX8", fixture::kIndex8, 0},
    {"INDEX8 at 4 bits", fixture::kIndex8, 4}, {"INDEX4 at 8 bits", fixture::kIndex4, 8},
    {"DXT1", fixture::kDxt1, 0},         {"DXT3", fixture::kDxt3, 0},
    {"DXT5", fixture::kDxt5, 0},
};

// Bits of one pixel of a layout, as its name says.
unsigned LayoutPixelBits(PixelLayout layout, unsigned index_bits) {
  switch (layout) {
    case PixelLayout::kBgr24:
    case PixelLayout::kRgb24: return 24;
    case PixelLayout::kIndex: return index_bits;
    default: return 32;
  }
}

fixture::Picture Make(const Stored& s, std::uint16_t width, std::uint16_t height, bool swizzled,
                      bool big_endian, Random& random) {
  fixture::Picture pic;
  pic.format = s.format;
  pic.bits_per_pixel = s.bits_per_pixel;
  pic.width = width;
  pic.height = height;
  pic.pixel_order = swizzled ? 1 : 0;
  pic.big_endian = big_endian;
  // Whole tile rows of plane rows, and room for DXT blocks 4 bytes a texel
  // over 8 rows more: more than any order reads.
  const std::size_t rows = (height + 7u) / 8 * 8 + 8;
  const std::size_t row_bytes =
      std::max(fixture::StoredRowBytes(s.format, width, s.bits_per_pixel),
               (std::size_t{width} + 7) / 8 * 8 * 4);
  pic.pixels.resize(rows * row_bytes);
  for (std::uint8_t& b : pic.pixels) b = random.Byte();
  if (s.format == fixture::kIndex4 || s.format == fixture::kIndex8) {
    pic.palette = fixture::Palette{fixture::kRgba8888, 256, Bytes(1024)};
    for (std::uint8_t& b : pic.palette->entries) b = random.Byte();
  }
  return pic;
}

TEST(DestinationCoverage, EveryRowByteIsWrittenAndNothingBetweenRows) {
  Random random;
  const std::uint16_t sizes[][2] = {{1, 1}, {5, 3}, {16, 9}, {33, 7}, {48, 17}};
  for (const Stored& s : kStored) {
    const bool indexed = s.format == fixture::kIndex4 || s.format == fixture::kIndex8;
    // Indexed pictures give their indices, or their colours looked up.
    std::vector<PixelLayout> layouts{PixelLayout::kBgr24, PixelLayout::kRgb24,
                                     PixelLayout::kBgra32, PixelLayout::kRgba32};
    if (indexed) layouts.push_back(PixelLayout::kIndex);
    for (const auto& size : sizes) {
      for (const bool swizzled : {false, true}) {
        for (const bool big_endian : {false, true}) {
          const fixture::File file =
              fixture::Write(Make(s, size[0], size[1], swizzled, big_endian, random));
          const gim::ByteView view{file.bytes.data(), file.bytes.size()};
          const gim::Recognition recognition = gim::Recognise(view);
          ASSERT_TRUE(recognition.recognised);
          decode::PicturePlan plan;
          ASSERT_EQ(decode::PlanPicture(gim::Reader{view, recognition.big_endian},
                                        recognition.blocks, plan),
                    decode::Failure::kNone)
              << s.name;
          const unsigned index_bits =
              s.bits_per_pixel != 0 ? s.bits_per_pixel : (s.format == fixture::kIndex4 ? 4 : 8);
          for (const PixelLayout layout : layouts) {
            for (const decode::RowOrder rows :
                 {decode::RowOrder::kTopDown, decode::RowOrder::kBottomUp}) {
              SCOPED_TRACE(std::string(s.name) + " " + std::to_string(size[0]) + " x " +
                           std::to_string(size[1]) + (swizzled ? " swizzled" : " normal") +
                           (big_endian ? " big-endian" : "") + " layout " +
                           std::to_string(static_cast<int>(layout)) +
                           (rows == decode::RowOrder::kBottomUp ? " bottom-up" : ""));
              const std::size_t row_bytes =
                  (std::size_t{size[0]} * LayoutPixelBits(layout, index_bits) + 7) / 8;
              const std::size_t stride = row_bytes + 3;
              const std::size_t bytes = stride * size[1];
              Bytes low(bytes, 0x00), high(bytes, 0xFF);
              for (Bytes* buffer : {&low, &high}) {
                decode::Destination to{layout, buffer->data(), bytes, stride, rows};
                ASSERT_EQ(decode::WritePixels(plan, to), decode::Failure::kNone);
              }
              for (std::size_t r = 0; r < size[1]; ++r) {
                for (std::size_t i = 0; i < stride; ++i) {
                  const std::size_t at = r * stride + i;
                  if (i < row_bytes) {
                    ASSERT_EQ(low[at], high[at]) << "row " << r << " byte " << i << " unwritten";
                  } else {
                    ASSERT_TRUE(low[at] == 0x00 && high[at] == 0xFF)
                        << "row " << r << " padding byte " << i << " written";
                  }
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
