#include "decode/dxt.h"

#include "decode/dxt_walk.h"

namespace tovak::decode {
namespace {

template <gim::DxtKind kKind>
void DecodeTexels(const std::uint8_t* block, bool reorder, std::uint8_t texels[64]) {
  __m128i rows[4];
  dxt::DecodeBlock<kKind, false, dxt::AlphaUse::kKeep>(block, dxt::PartsOf(kKind, reorder),
                                                      _mm_setzero_si128(), _mm_setzero_si128(), rows);
  for (int j = 0; j < 4; ++j) _mm_storeu_si128(reinterpret_cast<__m128i*>(texels + 16 * j), rows[j]);
}

}  // namespace

void DecodeDxtBlock(const DxtBlocks& source, std::uint64_t index, std::uint8_t texels[64]) {
  const std::uint8_t* block = source.blocks + index * DxtBlockBytes(source.kind);
  switch (source.kind) {
    case gim::DxtKind::kDxt3: DecodeTexels<gim::DxtKind::kDxt3>(block, source.reorder, texels); break;
    case gim::DxtKind::kDxt5: DecodeTexels<gim::DxtKind::kDxt5>(block, source.reorder, texels); break;
    default: DecodeTexels<gim::DxtKind::kDxt1>(block, source.reorder, texels); break;
  }
}

}  // namespace tovak::decode
