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

}  // namespace tovak::gim
