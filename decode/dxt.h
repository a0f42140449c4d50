// DXT pictures: the compressed blocks of a picture and the decoding of one
// block (dxt_walk.h walks a picture's blocks).
#pragma once

#include <cstdint>

#include "gim/formats.h"

namespace tovak::decode {

constexpr std::uint64_t DxtBlockBytes(gim::DxtKind kind) {
  return gim::DescribeDxt(kind).block_bytes;
}

// Bytes of compressed data a picture of `width` x `height` decoded pixels is
// made of: whole 4 x 4 blocks, row by row. With the padded widths of these
// formats it is always a whole number of units.
constexpr std::uint64_t DxtCompressedBytes(gim::DxtKind kind, std::uint32_t width,
                                           std::uint32_t height) {
  return (std::uint64_t{width} + 3) / 4 * ((std::uint64_t{height} + 3) / 4) *
         DxtBlockBytes(kind);
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
// row by row, red, green, blue and alpha bytes, byte for byte as libsquish
// decodes the same block.
void DecodeDxtBlock(const DxtBlocks& source, std::uint64_t index, std::uint8_t texels[64]);

}  // namespace tovak::decode
