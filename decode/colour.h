// GIM colour words to DIB order. GIM keeps red in the lowest bits (or the
// first byte) and alpha in the highest; DIB pixels and RGBQUADs keep blue
// first. 16-bit words are always stored least significant byte first, in
// files of both byte orders.
#pragma once

#include <cstdint>

#include "decode/blend.h"
#include "decode/expansion.h"

namespace tovak::decode {

constexpr std::uint16_t LoadWord(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr Bgra From5650(std::uint16_t w) {
  // No alpha: the colour table keeps 0 there, pixels count as opaque.
  return {kExpansion.e5[w >> 11], kExpansion.e6[(w >> 5) & 0x3F],
          kExpansion.e5[w & 0x1F], 0};
}

constexpr Bgra From5551(std::uint16_t w) {
  return {kExpansion.e5[(w >> 10) & 0x1F], kExpansion.e5[(w >> 5) & 0x1F],
          kExpansion.e5[w & 0x1F], kExpansion.e1[w >> 15]};
}

constexpr Bgra From4444(std::uint16_t w) {
  return {kExpansion.e4[(w >> 8) & 0xF], kExpansion.e4[(w >> 4) & 0xF],
          kExpansion.e4[w & 0xF], kExpansion.e4[w >> 12]};
}

constexpr Bgra From8888(const std::uint8_t* p) { return {p[2], p[1], p[0], p[3]}; }

}  // namespace tovak::decode
