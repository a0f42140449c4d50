// GIM colours to 8-bit channels. GIM keeps red in the lowest bits of a word
// (or the first byte) and alpha in the highest; the channel widths come from
// the format table. 16-bit words are always stored least significant byte
// first, in files of both byte orders.
#pragma once

#include <cstdint>

#include "decode/blend.h"
#include "decode/expansion.h"
#include "gim/formats.h"

namespace tovak::decode {

constexpr std::uint16_t LoadWord(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// An n-bit channel value widened to 8 bits; a channel of no bits is full
// (the alpha of an opaque format).
constexpr std::uint8_t ExpandChannel(std::uint32_t v, unsigned bits) {
  switch (bits) {
    case 0: return 255;
    case 1: return kExpansion.e1[v & 1];
    case 4: return kExpansion.e4[v & 0xF];
    case 5: return kExpansion.e5[v & 0x1F];
    case 6: return kExpansion.e6[v & 0x3F];
    default: return static_cast<std::uint8_t>(v);
  }
}

constexpr Bgra ColourFromWord(std::uint16_t w, gim::ChannelBits bits) {
  const unsigned green_at = bits.red;
  const unsigned blue_at = green_at + bits.green;
  const unsigned alpha_at = blue_at + bits.blue;
  return {ExpandChannel(w >> blue_at & ((1u << bits.blue) - 1), bits.blue),
          ExpandChannel(w >> green_at & ((1u << bits.green) - 1), bits.green),
          ExpandChannel(w & ((1u << bits.red) - 1), bits.red),
          ExpandChannel(w >> alpha_at & ((1u << bits.alpha) - 1), bits.alpha)};
}

constexpr Bgra ColourFrom8888(const std::uint8_t* p) { return {p[2], p[1], p[0], p[3]}; }

}  // namespace tovak::decode
