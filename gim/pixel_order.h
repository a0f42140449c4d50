// The order in which a picture's plane is stored: row after row, or in the
// swizzled tile order that the info text calls "faster". Any other value of
// pixel_order stores no order tovak knows.
#pragma once

#include <cstdint>

namespace tovak::gim {

inline constexpr std::uint16_t kNormalOrder = 0;
inline constexpr std::uint16_t kSwizzledOrder = 1;

enum class PixelOrder : std::uint8_t { kNormal, kSwizzled, kUnknown };

constexpr PixelOrder ClassifyOrder(std::uint16_t pixel_order) {
  return pixel_order == kNormalOrder     ? PixelOrder::kNormal
         : pixel_order == kSwizzledOrder ? PixelOrder::kSwizzled
                                         : PixelOrder::kUnknown;
}

// Swizzled planes are cut into tiles of 16 bytes x 8 rows, tile rows
// stored one after another and the tiles of a tile row left to right: tile
// line y of tile x in tile row t holds bytes 16x to 16x + 15 of row 8t + y.
// Such a plane is stored in whole tile rows.
inline constexpr std::uint64_t kTileBytes = 16;
inline constexpr std::uint64_t kTileRows = 8;

// Bytes of a stored plane of `height` rows of `row_bytes`: whole tile rows in
// swizzled order.
constexpr std::uint64_t StoredPlaneBytes(std::uint32_t height, std::uint64_t row_bytes,
                                         PixelOrder order) {
  const std::uint64_t rows = order == PixelOrder::kSwizzled
                                 ? (std::uint64_t{height} + kTileRows - 1) / kTileRows * kTileRows
                                 : height;
  return rows * row_bytes;
}

// Where byte `column` of plane row `row` is stored, from the plane's start.
constexpr std::uint64_t StoredOffset(std::uint64_t row, std::uint64_t column,
                                     std::uint64_t row_bytes, PixelOrder order) {
  if (order != PixelOrder::kSwizzled) return row * row_bytes + column;
  return row / kTileRows * kTileRows * row_bytes + column / kTileBytes * kTileBytes * kTileRows +
         row % kTileRows * kTileBytes + column % kTileBytes;
}

// The 16-byte lines of one swizzled tile row, counted in the order they are
// stored: line k is line k % 8 of tile k / 8, that is, bytes 16 (k / 8) to
// 16 (k / 8) + 15 of the tile row's plane row k % 8.
struct TileLine {
  std::uint64_t row = 0;   // within the tile row
  std::uint64_t tile = 0;  // across it
};

constexpr TileLine PlaceOfTileLine(std::uint64_t line) {
  return {line % kTileRows, line / kTileRows};
}

// The plane row and byte column that the byte stored at `offset` holds: the
// inverse of StoredOffset.
struct PlanePlace {
  std::uint64_t row = 0;
  std::uint64_t column = 0;
};

constexpr PlanePlace PlaceOfStored(std::uint64_t offset, std::uint64_t row_bytes,
                                   PixelOrder order) {
  if (order != PixelOrder::kSwizzled) return {offset / row_bytes, offset % row_bytes};
  const std::uint64_t tile_row_bytes = kTileRows * row_bytes;
  const std::uint64_t in_tile_row = offset % tile_row_bytes;
  return {offset / tile_row_bytes * kTileRows + in_tile_row % (kTileBytes * kTileRows) / kTileBytes,
          in_tile_row / (kTileBytes * kTileRows) * kTileBytes + in_tile_row % kTileBytes};
}

}  // namespace tovak::gim
