#include "wic/pixels.h"

#include <cstring>

#include "decode/driver.h"

namespace tovak::wic {

decode::PixelLayout LayoutOf(const decode::PicturePlan& plan) {
  return decode::IsIndexed(plan) ? decode::PixelLayout::kIndex : decode::PixelLayout::kBgra32;
}

std::uint64_t RowBytes(const decode::PicturePlan& plan, std::uint64_t width) {
  return decode::RowBytes(LayoutOf(plan), static_cast<std::uint32_t>(width), plan.index_bits);
}

Request CheckRequest(const decode::PicturePlan& plan, const Rect& rect, std::uint64_t stride,
                     std::uint64_t buffer_bytes, bool has_buffer) {
  const std::uint32_t width = plan.image.width;
  const std::uint32_t height = plan.image.height;
  if (rect.x < 0 || rect.y < 0 || rect.width < 0 || rect.height < 0) return Request::kOutside;
  // Sums of two 31-bit values: no overflow in 64 bits.
  if (std::int64_t{rect.x} + rect.width > std::int64_t{width} ||
      std::int64_t{rect.y} + rect.height > std::int64_t{height}) {
    return Request::kOutside;
  }
  if (rect.width == 0 || rect.height == 0) return Request::kNothing;
  if (!has_buffer) return Request::kNoBuffer;
  const std::uint64_t row = RowBytes(plan, static_cast<std::uint64_t>(rect.width));
  if (stride < row) return Request::kStrideTooSmall;
  // stride < 2^32 and height < 2^31: the product fits.
  const std::uint64_t needed = stride * static_cast<std::uint64_t>(rect.height - 1) + row;
  return needed > buffer_bytes ? Request::kBufferTooSmall : Request::kCopy;
}

bool DecodeWhole(const decode::PicturePlan& plan, std::uint8_t* rows, std::uint64_t stride,
                 std::uint64_t bytes) {
  // The decoder writes every byte of every row, pixels the file does not
  // store as index 0, and none between rows.
  decode::Destination to;
  to.layout = LayoutOf(plan);
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

void CopyRect(const decode::PicturePlan& plan, const std::uint8_t* whole,
              std::uint64_t whole_stride, const Rect& rect, std::uint8_t* out,
              std::uint64_t stride) {
  const auto x = static_cast<std::uint32_t>(rect.x);
  const auto width = static_cast<std::uint32_t>(rect.width);
  const std::uint64_t row_bytes = RowBytes(plan, width);
  const bool nibbles = decode::IsIndexed(plan) && plan.index_bits == 4;
  const std::uint64_t first =
      std::uint64_t{x} * decode::LayoutBits(LayoutOf(plan), plan.index_bits) / 8;
  for (std::int32_t k = 0; k < rect.height; ++k) {
    const std::uint8_t* in = whole + static_cast<std::uint64_t>(rect.y + k) * whole_stride + first;
    std::uint8_t* row = out + static_cast<std::uint64_t>(k) * stride;
    if (nibbles && x % 2 == 1) {
      ShiftIndex4Row(in, width, row);
      continue;
    }
    std::memcpy(row, in, static_cast<std::size_t>(row_bytes));
    if (nibbles && width % 2 == 1) row[row_bytes - 1] &= 0xF0;
  }
}

std::uint32_t PaletteColours(const decode::PicturePlan& plan,
                             std::uint32_t (&colours)[kMaxPaletteColours]) {
  // Every index the picture's width reaches, those past the file's palette
  // opaque black.
  const std::uint32_t count = decode::ColourTableEntries(plan);
  // WICColor is 0xAARRGGBB: blue, green, red, alpha in memory order.
  std::uint8_t bgra[4 * kMaxPaletteColours];
  decode::Destination to;
  to.layout = decode::PixelLayout::kBgra32;
  to.data = bgra;
  to.bytes = sizeof bgra;
  decode::WritePalette(plan, to);
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint8_t* c = bgra + 4 * k;
    colours[k] = std::uint32_t{c[3]} << 24 | std::uint32_t{c[2]} << 16 | std::uint32_t{c[1]} << 8 |
                 std::uint32_t{c[0]};
  }
  return count;
}

}  // namespace tovak::wic
