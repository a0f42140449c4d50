#include "decode/dxt.h"

#include <squish.h>

#include <cstring>

namespace tovak::decode {
namespace {

// Little-endian GIM files store each block's parts in another order than
// S3TC; each of these writes one block in S3TC order. The fixed-size copies
// compile to plain moves.

// DXT1: the 4 index bytes, then the two colour endpoints; S3TC puts the
// endpoints first.
void ReorderDxt1(const std::uint8_t* from, std::uint8_t* to) {
  std::memcpy(to, from + 4, 4);
  std::memcpy(to + 4, from, 4);
}

// DXT3: colour indices, colour endpoints, then the 8 alpha bytes; S3TC
// starts with the alpha and has the endpoints before the indices.
void ReorderDxt3(const std::uint8_t* from, std::uint8_t* to) {
  std::memcpy(to, from + 8, 8);
  std::memcpy(to + 8, from + 4, 4);
  std::memcpy(to + 12, from, 4);
}

// DXT5: colour indices, colour endpoints, the 6 alpha-index bytes, then the
// two alpha endpoints.
void ReorderDxt5(const std::uint8_t* from, std::uint8_t* to) {
  std::memcpy(to, from + 14, 2);
  std::memcpy(to + 2, from + 8, 6);
  std::memcpy(to + 8, from + 4, 4);
  std::memcpy(to + 12, from, 4);
}

int SquishFlags(gim::DxtKind kind) {
  switch (kind) {
    case gim::DxtKind::kDxt3: return squish::kDxt3;
    case gim::DxtKind::kDxt5: return squish::kDxt5;
    default: return squish::kDxt1;
  }
}

}  // namespace

void DecodeDxtBlock(const DxtBlocks& source, std::uint64_t index, std::uint8_t texels[64]) {
  static constexpr std::uint8_t kZeroBlock[16] = {};
  const std::uint64_t bytes = DxtBlockBytes(source.kind);
  const std::uint8_t* block = kZeroBlock;
  std::uint8_t standard[16];
  if (index < source.present) {
    block = source.blocks + index * bytes;
    if (source.reorder) {
      switch (source.kind) {
        case gim::DxtKind::kDxt1: ReorderDxt1(block, standard); break;
        case gim::DxtKind::kDxt3: ReorderDxt3(block, standard); break;
        default: ReorderDxt5(block, standard); break;
      }
      block = standard;
    }
  }
  squish::Decompress(texels, block, SquishFlags(source.kind));
}

}  // namespace tovak::decode
