// DXT pictures: the compressed blocks of a picture and the decoding of one
// block (dxt_walk.h walks a picture's blocks).
#pragma once

#include <cstdint>

#include "gim/formats.h"

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
// row by row, red, green, blue and alpha bytes, byte for byte as libsquish
// decodes the same block.
void DecodeDxtBlock(const DxtBlocks& source, std::uint64_t index, std::uint8_t texels[64]);

}  // namespace tovak::decode
