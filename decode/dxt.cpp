#include "decode/dxt.h"

#include <bit>
#include <cstring>
#include <utility>

namespace tovak::decode {
namespace {

// Puts a block that a little-endian file keeps in its own part order into
// S3TC order. The parts are known at compile time, so each copy is a plain
// move.
template <gim::DxtKind kKind, std::size_t... kPart>
void ReorderParts(const std::uint8_t* from, std::uint8_t* to, std::index_sequence<kPart...>) {
  constexpr gim::DxtLayout kLayout = gim::DescribeDxt(kKind);
  (std::memcpy(to + kLayout.parts[kPart].s3tc, from + kLayout.parts[kPart].stored,
               kLayout.parts[kPart].bytes),
   ...);
}

template <gim::DxtKind kKind>
void Reorder(const std::uint8_t* from, std::uint8_t* to) {
  ReorderParts<kKind>(from, to, std::make_index_sequence<gim::DescribeDxt(kKind).part_count>{});
}

// Texels are assembled as red | green << 8 | blue << 16 | alpha << 24 and
// stored as 4 bytes.
static_assert(std::endian::native == std::endian::little);

// A colour endpoint: 5 bits in bits 11-15, 6 in bits 5-10, 5 in bits 0-4,
// widened by bit replication; the first texel byte takes bits 11-15.
std::uint32_t Endpoint(const std::uint8_t* p, std::uint32_t channels[3]) {
  const std::uint32_t v = p[0] | std::uint32_t{p[1]} << 8;
  const std::uint32_t high = v >> 11 & 0x1F;
  const std::uint32_t middle = v >> 5 & 0x3F;
  const std::uint32_t low = v & 0x1F;
  channels[0] = high << 3 | high >> 2;
  channels[1] = middle << 2 | middle >> 4;
  channels[2] = low << 3 | low >> 2;
  return v;
}

// The four colours of a colour block and their 2-bit indices, texel 0 in
// the lowest bits. DXT1 blocks whose first endpoint is not above the second
// have three colours and transparent black; DXT3 and DXT5 blocks always
// have four. The thirds are truncated, as libsquish does.
void DecodeColours(const std::uint8_t* block, bool dxt1, std::uint32_t texels[16]) {
  std::uint32_t c0[3];
  std::uint32_t c1[3];
  const std::uint32_t a = Endpoint(block, c0);
  const std::uint32_t b = Endpoint(block + 2, c1);
  const bool three = dxt1 && a <= b;
  std::uint32_t codes[4] = {0xFF000000, 0xFF000000, 0xFF000000, three ? 0u : 0xFF000000};
  for (int i = 0; i < 3; ++i) {
    const int shift = 8 * i;
    codes[0] |= c0[i] << shift;
    codes[1] |= c1[i] << shift;
    if (three) {
      codes[2] |= (c0[i] + c1[i]) / 2 << shift;
    } else {
      codes[2] |= (2 * c0[i] + c1[i]) / 3 << shift;
      codes[3] |= (c0[i] + 2 * c1[i]) / 3 << shift;
    }
  }
  const std::uint32_t indices = block[4] | std::uint32_t{block[5]} << 8 |
                                std::uint32_t{block[6]} << 16 | std::uint32_t{block[7]} << 24;
  for (int i = 0; i < 16; ++i) texels[i] = codes[indices >> (2 * i) & 3];
}

// DXT3: 4-bit alpha, texel 0 in the low nibble of byte 0, widened by 17.
void DecodeExplicitAlpha(const std::uint8_t* block, std::uint32_t texels[16]) {
  for (int i = 0; i < 8; ++i) {
    const std::uint32_t low = block[i] & 0x0F;
    const std::uint32_t high = block[i] >> 4;
    texels[2 * i] = (texels[2 * i] & 0x00FFFFFF) | low * 17 << 24;
    texels[2 * i + 1] = (texels[2 * i + 1] & 0x00FFFFFF) | high * 17 << 24;
  }
}

// DXT5: two alpha endpoints and 3-bit indices. Above a1, a0 spans 8 steps;
// otherwise 6 steps plus 0 and 255. The fractions are truncated.
void DecodeInterpolatedAlpha(const std::uint8_t* block, std::uint32_t texels[16]) {
  const std::uint32_t a0 = block[0];
  const std::uint32_t a1 = block[1];
  std::uint32_t codes[8] = {a0, a1};
  if (a0 <= a1) {
    for (std::uint32_t i = 1; i < 5; ++i) codes[1 + i] = ((5 - i) * a0 + i * a1) / 5;
    codes[6] = 0;
    codes[7] = 255;
  } else {
    for (std::uint32_t i = 1; i < 7; ++i) codes[1 + i] = ((7 - i) * a0 + i * a1) / 7;
  }
  for (int half = 0; half < 2; ++half) {
    const std::uint8_t* p = block + 2 + 3 * half;
    const std::uint32_t bits = p[0] | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    for (int j = 0; j < 8; ++j) {
      std::uint32_t& t = texels[8 * half + j];
      t = (t & 0x00FFFFFF) | codes[bits >> (3 * j) & 7] << 24;
    }
  }
}

}  // namespace

void DecodeDxtBlock(const DxtBlocks& source, std::uint64_t index, std::uint8_t texels[64]) {
  const std::uint8_t* block = source.blocks + index * DxtBlockBytes(source.kind);
  std::uint8_t standard[16];
  if (source.reorder) {
    switch (source.kind) {
      case gim::DxtKind::kDxt1: Reorder<gim::DxtKind::kDxt1>(block, standard); break;
      case gim::DxtKind::kDxt3: Reorder<gim::DxtKind::kDxt3>(block, standard); break;
      default: Reorder<gim::DxtKind::kDxt5>(block, standard); break;
    }
    block = standard;
  }
  std::uint32_t decoded[16];
  switch (source.kind) {
    case gim::DxtKind::kDxt3:
      DecodeColours(block + 8, false, decoded);
      DecodeExplicitAlpha(block, decoded);
      break;
    case gim::DxtKind::kDxt5:
      DecodeColours(block + 8, false, decoded);
      DecodeInterpolatedAlpha(block, decoded);
      break;
    default: DecodeColours(block, true, decoded); break;
  }
  std::memcpy(texels, decoded, sizeof decoded);
}

}  // namespace tovak::decode
