// The WIC decoder's pixel requests, platform-neutral: which requests
// CopyPixels accepts (rectangle within the picture, stride at least a row,
// the last row needing only its own bytes), and rectangles copied out of a
// decoded whole picture, 4-bit ones starting on odd columns included.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "wic/pixels.h"

namespace tovak::test {
namespace {

using wic::Layout;
using wic::Rect;
using wic::Request;

TEST(WicPixels, RequestsAreJudgedByRectangleStrideAndBufferSize) {
  struct Case {
    const char* what;
    Layout layout;
    Rect rect;
    std::uint64_t stride, bytes;
    bool buffer;
    Request result;
  };
  // A 13 x 9 picture: 52 bytes a row at 32 bits, 7 at 4 bits.
  const Case cases[] = {
      {"whole, tight", Layout::kBgra32, {0, 0, 13, 9}, 52, 52 * 8 + 52, true, Request::kCopy},
      {"whole, one byte short", Layout::kBgra32, {0, 0, 13, 9}, 52, 52 * 8 + 51, true,
       Request::kBufferTooSmall},
      {"stride one short", Layout::kBgra32, {0, 0, 13, 9}, 51, 10000, true,
       Request::kStrideTooSmall},
      {"4-bit whole, tight", Layout::kIndex4, {0, 0, 13, 9}, 7, 7 * 8 + 7, true, Request::kCopy},
      {"4-bit, stride one short", Layout::kIndex4, {0, 0, 13, 9}, 6, 10000, true,
       Request::kStrideTooSmall},
      {"4-bit odd rectangle", Layout::kIndex4, {3, 2, 5, 4}, 3, 3 * 3 + 3, true, Request::kCopy},
      {"8-bit, last row short", Layout::kIndex8, {3, 2, 5, 4}, 8, 8 * 3 + 4, true,
       Request::kBufferTooSmall},
      {"one column too many", Layout::kIndex4, {1, 0, 13, 1}, 100, 10000, true, Request::kOutside},
      {"one row too many", Layout::kBgra32, {0, 1, 13, 9}, 100, 10000, true, Request::kOutside},
      {"negative x", Layout::kBgra32, {-1, 0, 2, 2}, 100, 10000, true, Request::kOutside},
      {"negative height", Layout::kBgra32, {0, 0, 2, -2}, 100, 10000, true, Request::kOutside},
      {"sums past 32 bits", Layout::kBgra32, {0x7FFFFFFF, 0, 0x7FFFFFFF, 1}, 100, 10000, true,
       Request::kOutside},
      {"empty", Layout::kBgra32, {5, 5, 0, 3}, 0, 0, false, Request::kNothing},
      {"no buffer", Layout::kBgra32, {0, 0, 1, 1}, 4, 4, false, Request::kNoBuffer},
      {"largest stride", Layout::kBgra32, {0, 0, 13, 9}, 0xFFFFFFFF, 0xFFFFFFFF, true,
       Request::kBufferTooSmall},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wic::CheckRequest(13, 9, c.layout, c.rect, c.stride, c.bytes, c.buffer), c.result)
        << c.what;
  }
}

TEST(WicPixels, RectanglesAreCopiedOutOfTheWholePicture) {
  // 5 x 2 at 4 bits: indexes 1-5 and 6-10, left pixel in the high nibble;
  // the nibble past each row holds 0xF, which no rectangle may carry over.
  const std::vector<std::uint8_t> index4 = {0x12, 0x34, 0x5F, 0x67, 0x89, 0xAF};
  // 5 x 2 at 8 bits, and 2 x 2 at 32 bits.
  const std::vector<std::uint8_t> index8 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  const std::vector<std::uint8_t> bgra = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  struct Case {
    const char* what;
    Layout layout;
    const std::vector<std::uint8_t>* whole;
    std::uint64_t whole_stride;
    Rect rect;
    std::vector<std::uint8_t> rows;  // tight rows of the rectangle
  };
  const Case cases[] = {
      {"4-bit from an odd column", Layout::kIndex4, &index4, 3, {1, 0, 3, 2}, {0x23, 0x40, 0x78, 0x90}},
      {"4-bit, odd column, even width", Layout::kIndex4, &index4, 3, {1, 0, 4, 1}, {0x23, 0x45}},
      {"4-bit, even column, odd width", Layout::kIndex4, &index4, 3, {0, 1, 3, 1}, {0x67, 0x80}},
      {"4-bit, the last column", Layout::kIndex4, &index4, 3, {4, 0, 1, 2}, {0x50, 0xA0}},
      {"4-bit, odd column to the end", Layout::kIndex4, &index4, 3, {3, 1, 2, 1}, {0x9A}},
      {"4-bit whole", Layout::kIndex4, &index4, 3, {0, 0, 5, 2}, {0x12, 0x34, 0x50, 0x67, 0x89, 0xA0}},
      {"8-bit", Layout::kIndex8, &index8, 5, {1, 0, 3, 2}, {2, 3, 4, 7, 8, 9}},
      {"32-bit", Layout::kBgra32, &bgra, 8, {1, 1, 1, 1}, {13, 14, 15, 16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::uint64_t row = wic::RowBytes(c.layout, static_cast<std::uint64_t>(c.rect.width));
    const std::uint64_t stride = row + 2;  // two bytes of padding that must stay as they were
    std::vector<std::uint8_t> out(stride * static_cast<std::uint64_t>(c.rect.height), 0xEE);
    wic::CopyRect(c.whole->data(), c.whole_stride, c.layout, c.rect, out.data(), stride);
    std::vector<std::uint8_t> rows;
    for (std::int32_t y = 0; y < c.rect.height; ++y) {
      const auto start = out.begin() + static_cast<std::ptrdiff_t>(y * stride);
      rows.insert(rows.end(), start, start + static_cast<std::ptrdiff_t>(row));
      EXPECT_EQ(start[static_cast<std::ptrdiff_t>(row)], 0xEE);
      EXPECT_EQ(start[static_cast<std::ptrdiff_t>(row) + 1], 0xEE);
    }
    EXPECT_EQ(rows, c.rows);
  }
}

}  // namespace
}  // namespace tovak::test
