#include "decode/dxt.h"

#include <squish.h>

#include <cstring>

#include "gim/container.h"

namespace tovak::decode {
namespace {

// Each reorder takes one 16-byte unit as stored and writes it in S3TC
// order; the fixed-size copies compile to plain moves.

// DXT1 blocks are stored as their 4 index bytes, then their two colour
// endpoints; S3TC puts the endpoints first.
void ReorderDxt1(const std::uint8_t* from, std::uint8_t* to) {
  for (int block = 0; block < 16; block += 8) {
    std::memcpy(to + block, from + block + 4, 4);
    std::memcpy(to + block + 4, from + block, 4);
  }
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

template <void (*ReorderUnit)(const std::uint8_t*, std::uint8_t*)>
void ReorderAll(const std::uint8_t* stored, std::uint64_t units, std::uint8_t* standard) {
  for (std::uint64_t k = 0; k < units; ++k) {
    ReorderUnit(stored + k * kDxtUnitBytes, standard + k * kDxtUnitBytes);
  }
}

}  // namespace

bool DxtKindOf(std::uint16_t image_format, DxtKind& kind) {
  switch (image_format) {
    case gim::kDxt1: case gim::kDxt1Ext: kind = DxtKind::kDxt1; return true;
    case gim::kDxt3: case gim::kDxt3Ext: kind = DxtKind::kDxt3; return true;
    case gim::kDxt5: case gim::kDxt5Ext: kind = DxtKind::kDxt5; return true;
    default: return false;
  }
}

std::uint64_t DxtCompressedBytes(DxtKind kind, std::uint32_t width, std::uint32_t height) {
  const std::uint64_t block_bytes = kind == DxtKind::kDxt1 ? 8 : 16;
  return (std::uint64_t{width} + 3) / 4 * ((std::uint64_t{height} + 3) / 4) * block_bytes;
}

void ReorderDxtUnits(DxtKind kind, const std::uint8_t* stored, std::uint64_t units,
                     std::uint8_t* standard) {
  switch (kind) {
    case DxtKind::kDxt1: ReorderAll<ReorderDxt1>(stored, units, standard); break;
    case DxtKind::kDxt3: ReorderAll<ReorderDxt3>(stored, units, standard); break;
    case DxtKind::kDxt5: ReorderAll<ReorderDxt5>(stored, units, standard); break;
  }
}

void DecompressDxt(DxtKind kind, const std::uint8_t* blocks, std::uint32_t width,
                   std::uint32_t height, std::uint8_t* plane) {
  int flags = squish::kDxt1;
  if (kind == DxtKind::kDxt3) flags = squish::kDxt3;
  if (kind == DxtKind::kDxt5) flags = squish::kDxt5;
  // The caller keeps width x 4 x height within a 2 GB block, so libsquish's
  // int arithmetic cannot overflow.
  squish::DecompressImage(plane, static_cast<int>(width), static_cast<int>(height), blocks,
                          flags);
}

}  // namespace tovak::decode
