#include "wic/pixels.h"

#include <cstring>

#include "decode/driver.h"

namespace tovak::wic {

Layout LayoutOf(const decode::PicturePlan& plan) {
  if (!decode::IsIndexed(plan)) return Layout::kBgra32;
  return plan.index_bits == 4 ? Layout::kIndex4 : Layout::kIndex8;
}

unsigned BitsPerPixel(Layout layout) {
  switch (layout) {
    case Layout::kIndex4: return 4;
    case Layout::kIndex8: return 8;
    case Layout::kBgra32: break;
  }
  return 32;
}

std::uint64_t RowBytes(Layout layout, std::uint64_t width) {
  return (width * BitsPerPixel(layout) + 7) / 8;
}

Request CheckRequest(std::uint32_t width, std::uint32_t height, Layout layout, const Rect& rect,
                     std::uint64_t stride, std::uint64_t buffer_bytes, bool has_buffer) {
  if (rect.x < 0 || rect.y < 0 || rect.width < 0 || rect.height < 0) return Request::kOutside;
  // Sums of two 31-bit values: no overflow in 64 bits.
  if (std::int64_t{rect.x} + rect.width > std::int64_t{width} ||
      std::int64_t{rect.y} + rect.height > std::int64_t{height}) {
    return Request::kOutside;
  }
  if (rect.width == 0 || rect.height == 0) return Request::kNothing;
  if (!has_buffer) return Request::kNoBuffer;
  const std::uint64_t row = RowBytes(layout, static_cast<std::uint64_t>(rect.width));
  if (stride < row) return Request::kStrideTooSmall;
  // stride < 2^32 and height < 2^31: the product fits.
  const std::uint64_t needed = stride * static_cast<std::uint64_t>(rect.height - 1) + row;
  return needed > buffer_bytes ? Request::kBufferTooSmall : Request::kCopy;
}

bool DecodeWhole(const decode::PicturePlan& plan, Layout layout, std::uint8_t* rows,
                 std::uint64_t stride, std::uint64_t bytes) {
  decode::Destination to;
  to.layout =
      layout == Layout::kBgra32 ? decode::PixelLayout::kBgra32 : decode::PixelLayout::kIndex;
  to.data = rows;
  to.bytes = bytes;
  to.stride = stride;
  // Only the 32bppBGRA converters (and the index copies) are linked in.
  return decode::WritePixelsIn<decode::PixelLayout::kBgra32>(plan, to) == decode::Failure::kNone;
}

namespace {

// Pixel x + 2i is the low nibble of in[i], pixel x + 2i + 1 the high nibble
// of in[i + 1] (x odd); in[i + 1] is read only for pixels of the rectangle.
void ShiftIndex4Row(const std::uint8_t* in, std::uint32_t width, std::uint8_t* out) {
  const std::uint32_t bytes = (width + 1) / 2;
  for (std::uint32_t i = 0; i < bytes; ++i) {
    const auto high = static_cast<std::uint8_t>(in[i] << 4);
    const std::uint8_t low = 2 * i + 1 < width ? in[i + 1] >> 4 : 0;
    out[i] = static_cast<std::uint8_t>(high | low);
  }
}

}  // namespace

void CopyRect(const std::uint8_t* whole, std::uint64_t whole_stride, Layout layout,
              const Rect& rect, std::uint8_t* out, std::uint64_t stride) {
  const auto x = static_cast<std::uint32_t>(rect.x);
  const auto width = static_cast<std::uint32_t>(rect.width);
  const std::uint64_t row_bytes = RowBytes(layout, width);
  const std::uint64_t first = std::uint64_t{x} * BitsPerPixel(layout) / 8;
  for (std::int32_t k = 0; k < rect.height; ++k) {
    const std::uint8_t* in = whole + static_cast<std::uint64_t>(rect.y + k) * whole_stride + first;
    std::uint8_t* row = out + static_cast<std::uint64_t>(k) * stride;
    if (layout == Layout::kIndex4 && x % 2 == 1) {
      ShiftIndex4Row(in, width, row);
      continue;
    }
    std::memcpy(row, in, static_cast<std::size_t>(row_bytes));
    if (layout == Layout::kIndex4 && width % 2 == 1) row[row_bytes - 1] &= 0xF0;
  }
}

std::uint32_t PaletteColours(const decode::PicturePlan& plan,
                             std::uint32_t (&colours)[kMaxPaletteColours]) {
  const std::uint32_t entries = decode::ColourTableEntries(plan);
  if (entries == 0) {
    const std::uint32_t count = plan.index_bits == 4 ? 16 : 256;
    for (std::uint32_t k = 0; k < count; ++k) colours[k] = 0xFF000000;
    return count;
  }
  // WICColor is 0xAARRGGBB: blue, green, red, alpha in memory order.
  std::uint8_t bgra[4 * kMaxPaletteColours];
  decode::Destination to;
  to.layout = decode::PixelLayout::kBgra32;
  to.data = bgra;
  to.bytes = sizeof bgra;
  decode::WritePalette(plan, to);
  for (std::uint32_t k = 0; k < entries; ++k) {
    const std::uint8_t* c = bgra + 4 * k;
    colours[k] = std::uint32_t{c[3]} << 24 | std::uint32_t{c[2]} << 16 | std::uint32_t{c[1]} << 8 |
                 std::uint32_t{c[0]};
  }
  return entries;
}

}  // namespace tovak::wic
