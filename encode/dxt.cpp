#include "encode/dxt.h"

#include <squish.h>

#include <cstring>

#include "gim/geometry.h"

namespace tovak::encode {
namespace {

// Little-endian files keep each block's parts in their own order: the
// inverse of the move that decoding makes.
void StoreBlock(const std::uint8_t* s3tc, const gim::DxtLayout& layout, bool big_endian,
                std::uint8_t* out) {
  if (big_endian) {
    std::memcpy(out, s3tc, layout.block_bytes);
    return;
  }
  for (std::uint8_t i = 0; i < layout.part_count; ++i) {
    const gim::BlockPart& part = layout.parts[i];
    std::memcpy(out + part.stored, s3tc + part.s3tc, part.bytes);
  }
}

}  // namespace

int SquishFlags(gim::DxtKind kind, DxtQuality quality) {
  const int blocks = kind == gim::DxtKind::kDxt1   ? squish::kDxt1
                     : kind == gim::DxtKind::kDxt3 ? squish::kDxt3
                                                   : squish::kDxt5;
  switch (quality) {
    case DxtQuality::kRangeFit: return blocks | squish::kColourRangeFit;
    case DxtQuality::kClusterFit: return blocks | squish::kColourClusterFit;
    case DxtQuality::kIterativeClusterFit: return blocks | squish::kColourIterativeClusterFit;
  }
  return blocks;
}

void CompressDxt(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
                 const gim::FormatDescription& format, gim::PixelOrder order, bool big_endian,
                 DxtQuality quality, std::uint8_t* blocks) {
  const gim::DxtLayout layout = gim::DescribeDxt(format.dxt);
  const int flags = SquishFlags(format.dxt, quality);
  const std::uint64_t across = gim::DxtBlocksAcross(format, width);
  const std::uint64_t plane_row_bytes = gim::PlaneRowBytes(format, width, 0);
  const std::uint64_t down = gim::DxtBlockRows(height);
  std::uint8_t* out = blocks;
  for (std::uint64_t by = 0; by < down; ++by) {
    for (std::uint64_t bx = 0; bx < across; ++bx, out += layout.block_bytes) {
      std::uint8_t texels[64] = {};
      int mask = 0;
      for (int t = 0; t < 16; ++t) {
        // Where the texel lies in the decoded plane, and which pixel of the
        // picture the pixel order puts there.
        const std::uint64_t row = by * 4 + t / 4;
        const std::uint64_t column = (bx * 4 + t % 4) * 4;
        const gim::PlanePlace place = gim::PlaceOfStored(
            gim::StoredOffset(row, column, plane_row_bytes, gim::PixelOrder::kNormal),
            plane_row_bytes, order);
        const std::uint64_t x = place.column / 4;
        if (place.row >= height || x >= width) continue;
        std::memcpy(texels + 4 * t, rgba + (place.row * width + x) * 4, 4);
        mask |= 1 << t;
      }
      std::uint8_t s3tc[16] = {};
      if (mask != 0) squish::CompressMasked(texels, mask, s3tc, flags);
      StoreBlock(s3tc, layout, big_endian, out);
    }
  }
}

}  // namespace tovak::encode
