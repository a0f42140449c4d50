#include "decode/dxt.h"

#include <squish.h>

#include "gim/container.h"

namespace tovak::decode {
namespace {

// Where each stretch of a standard unit comes from in the stored unit.
struct Move {
  std::uint8_t to, from, count;
};

// DXT1 blocks are stored as their 4 index bytes, then their two colour
// endpoints; S3TC puts the endpoints first.
constexpr Move kDxt1Moves[] = {{0, 4, 4}, {4, 0, 4}, {8, 12, 4}, {12, 8, 4}};
// DXT3: colour indices, colour endpoints, then the 8 alpha bytes; S3TC
// starts with the alpha and has the endpoints before the indices.
constexpr Move kDxt3Moves[] = {{0, 8, 8}, {8, 4, 4}, {12, 0, 4}};
// DXT5: colour indices, colour endpoints, the 6 alpha-index bytes, then the
// two alpha endpoints.
constexpr Move kDxt5Moves[] = {{0, 14, 2}, {2, 8, 6}, {8, 4, 4}, {12, 0, 4}};

template <std::size_t N>
void Reorder(const Move (&moves)[N], const std::uint8_t* stored, std::uint64_t units,
             std::uint8_t* standard) {
  for (std::uint64_t k = 0; k < units; ++k) {
    const std::uint8_t* from = stored + k * kDxtUnitBytes;
    std::uint8_t* to = standard + k * kDxtUnitBytes;
    for (const Move& m : moves) {
      for (std::uint8_t i = 0; i < m.count; ++i) to[m.to + i] = from[m.from + i];
    }
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
    case DxtKind::kDxt1: Reorder(kDxt1Moves, stored, units, standard); break;
    case DxtKind::kDxt3: Reorder(kDxt3Moves, stored, units, standard); break;
    case DxtKind::kDxt5: Reorder(kDxt5Moves, stored, units, standard); break;
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
