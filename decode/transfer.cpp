#include "decode/transfer.h"

#include <algorithm>
#include <cstring>

namespace tovak::decode {
namespace {

// GIM keeps the left pixel of a 4-bit pair in the low nibble, a DIB in the
// high one. Eight bytes are exchanged at a time.
void SwapNibbles(std::uint8_t* to, const std::uint8_t* from, std::uint64_t count) {
  constexpr std::uint64_t kLow = 0x0F0F0F0F0F0F0F0Full;
  std::uint64_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t v;
    std::memcpy(&v, from + i, 8);
    v = (v >> 4 & kLow) | (v & kLow) << 4;
    std::memcpy(to + i, &v, 8);
  }
  for (; i < count; ++i) to[i] = static_cast<std::uint8_t>(from[i] >> 4 | from[i] << 4);
}

void CopyBytes(std::uint8_t* to, const std::uint8_t* from, std::uint64_t count,
               bool swap_nibbles) {
  if (swap_nibbles) {
    SwapNibbles(to, from, count);
  } else if (count == kTileBytes) {
    std::memcpy(to, from, kTileBytes);  // a whole tile line: a fixed-size copy
  } else {
    std::memcpy(to, from, static_cast<std::size_t>(count));
  }
}

}  // namespace

std::uint64_t SourcePlaneBytes(std::uint32_t height,
                               std::uint64_t source_row_bytes,
                               std::uint16_t pixel_order) {
  if (pixel_order == kNormalOrder) return height * source_row_bytes;
  if (pixel_order == kSwizzledOrder) {
    const std::uint64_t tile_rows = (height + kTileRows - 1) / kTileRows;
    return tile_rows * kTileRows * source_row_bytes;
  }
  return 0;
}

void TransferPixels(const std::uint8_t* source, std::uint8_t* bits,
                    std::uint32_t height, std::uint64_t dib_stride,
                    std::uint64_t source_row_bytes, std::uint16_t bit_count,
                    std::uint16_t pixel_order) {
  const bool swap = bit_count == 4;
  const std::uint64_t row_bytes = std::min(dib_stride, source_row_bytes);
  if (height == 0 || row_bytes == 0) return;

  if (pixel_order == kNormalOrder) {
    for (std::uint64_t r = 0; r < height; ++r) {
      CopyBytes(bits + (height - 1 - r) * dib_stride,
                source + r * source_row_bytes, row_bytes, swap);
    }
    return;
  }
  if (pixel_order != kSwizzledOrder) return;

  // Byte c of picture row r lies at (r / 8) * 8 * S + (c / 16) * 128 +
  // (r % 8) * 16 + c % 16. Tiles wholly right of the DIB row are skipped;
  // when S is no multiple of 16 the tail of every tile row is passed over.
  const std::uint64_t tiles_across = source_row_bytes / kTileBytes;
  const std::uint64_t tile_size = kTileBytes * kTileRows;
  for (std::uint64_t row0 = 0; row0 < height; row0 += kTileRows) {
    const std::uint8_t* tile_row = source + row0 * source_row_bytes;
    const std::uint64_t lines = std::min<std::uint64_t>(kTileRows, height - row0);
    for (std::uint64_t x = 0; x < tiles_across; ++x) {
      const std::uint64_t column = x * kTileBytes;
      if (column >= dib_stride) break;
      const std::uint64_t count = std::min(kTileBytes, dib_stride - column);
      const std::uint8_t* tile = tile_row + x * tile_size;
      for (std::uint64_t y = 0; y < lines; ++y) {
        const std::uint64_t r = row0 + y;
        CopyBytes(bits + (height - 1 - r) * dib_stride + column,
                  tile + y * kTileBytes, count, swap);
      }
    }
  }
}

}  // namespace tovak::decode
