// DXT pictures: decoded block by block, each 4 x 4 block of texels (red,
// green, blue, alpha bytes) handed row by row to a row converter that
// writes the final pixels. There is no decoded plane.
#pragma once

#include <algorithm>
#include <cstdint>

#include "decode/plane_walk.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::decode {

constexpr std::uint64_t DxtBlockBytes(gim::DxtKind kind) {
  return gim::DescribeDxt(kind).block_bytes;
}

// The compressed blocks of one picture, every block that decoding reads
// checked to lie within the input.
struct DxtBlocks {
  gim::DxtKind kind = gim::DxtKind::kDxt1;
  const std::uint8_t* blocks = nullptr;
  std::uint64_t per_row = 0;  // blocks across the padded width
  bool reorder = false;       // little-endian: parts in GIM's order
};

// Decodes block `index` (row-major over the padded width) into 16 texels,
// row by row, byte for byte as libsquish decodes the same block.
void DecodeDxtBlock(const DxtBlocks& source, std::uint64_t index, std::uint8_t texels[64]);

// Normal order: texel row j of block (bx, by) is pixels 4bx to 4bx + 3 of
// picture row 4by + j. Blocks wholly right of the picture are not decoded.
template <class Converter>
void WalkDxtNormal(const Converter& convert, const DxtBlocks& source, std::uint32_t width,
                   std::uint32_t height, OutputRows out) {
  alignas(16) std::uint8_t texels[64];
  const std::uint64_t across = (std::uint64_t{width} + 3) / 4;
  for (std::uint64_t by = 0; by * 4 < height; ++by) {
    const std::uint32_t rows = std::min<std::uint32_t>(4, height - static_cast<std::uint32_t>(by * 4));
    for (std::uint64_t bx = 0; bx < across; ++bx) {
      DecodeDxtBlock(source, by * source.per_row + bx, texels);
      const std::uint32_t n = std::min<std::uint32_t>(4, width - static_cast<std::uint32_t>(bx * 4));
      for (std::uint32_t j = 0; j < rows; ++j) {
        convert.Run(texels + 16 * j, out.Row(by * 4 + j) + bx * 4 * Converter::kOutputBits / 8, n);
      }
    }
  }
}

// Swizzled order applies to the decoded picture, padded width x 4 bytes a
// row (S): its tile line y of tile x in tile row t, 16 bytes or 4 texels,
// is pixels 4x to 4x + 3 of picture row 8t + y. A block's texel row is one
// such line. Decoded rows at or past the picture's height hold zero texels,
// and the tile rows run on to a whole 8 rows.
template <class Converter>
void WalkDxtSwizzled(const Converter& convert, const DxtBlocks& source, std::uint32_t width,
                     std::uint32_t height, OutputRows out) {
  alignas(16) std::uint8_t texels[64];
  alignas(16) static constexpr std::uint8_t kZeroTexels[16] = {};
  const std::uint64_t row_bytes = source.per_row * 16;
  using gim::kTileBytes;
  using gim::kTileRows;
  const std::uint64_t tile_rows = (std::uint64_t{height} + kTileRows - 1) / kTileRows;
  for (std::uint64_t by = 0; by < tile_rows * 2; ++by) {
    const bool decoded_rows = by * 4 < height;
    for (std::uint64_t bx = 0; bx < source.per_row; ++bx) {
      if (decoded_rows) DecodeDxtBlock(source, by * source.per_row + bx, texels);
      for (std::uint64_t j = 0; j < 4; ++j) {
        const std::uint64_t plane_row = by * 4 + j;
        // Where the line lies in its tile row, and so which pixels it is.
        const std::uint64_t at = plane_row % kTileRows * row_bytes + bx * kTileBytes;
        const std::uint64_t r = plane_row / kTileRows * kTileRows + at % (kTileBytes * kTileRows) / kTileBytes;
        const std::uint64_t x = at / (kTileBytes * kTileRows) * 4;
        if (r >= height || x >= width) continue;
        const std::uint8_t* line = plane_row < height ? texels + 16 * j : kZeroTexels;
        convert.Run(line, out.Row(r) + x * Converter::kOutputBits / 8,
                    static_cast<std::uint32_t>(std::min<std::uint64_t>(4, width - x)));
      }
    }
  }
}

}  // namespace tovak::decode
