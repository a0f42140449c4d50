// SSE2 arithmetic on pixels in 16-bit lanes, for the row converters. Every
// x86 CPU since 2004 has SSE2, every build of tovak targets one, and the
// 32-bit DLL is built to require it.
#pragma once

#if !defined(__SSE2__)
#error "tovak's row converters need SSE2"
#endif

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "decode/expansion.h"

namespace tovak::decode::sse2 {

// The expansion tables as arithmetic on 16-bit lanes: round(v * 255 / 31)
// is (v * 527 + 23) >> 6 for every 5-bit v, round(v * 255 / 63) is
// (v * 259 + 33) >> 6 for every 6-bit v (both checked below at compile
// time), a 4-bit v widens to v * 17 and a 1-bit v to v * 255.
template <unsigned kBits>
inline __m128i ExpandLanes(__m128i v) {
  if constexpr (kBits == 1) {
    return _mm_mullo_epi16(v, _mm_set1_epi16(255));
  } else if constexpr (kBits == 4) {
    return _mm_mullo_epi16(v, _mm_set1_epi16(17));
  } else if constexpr (kBits == 5) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(v, _mm_set1_epi16(527)), _mm_set1_epi16(23)), 6);
  } else if constexpr (kBits == 6) {
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(v, _mm_set1_epi16(259)), _mm_set1_epi16(33)), 6);
  } else {
    static_assert(kBits == 8, "no expansion for this channel width");
    return v;
  }
}

constexpr bool ExpansionArithmeticHolds() {
  for (int v = 0; v < 64; ++v) {
    if (v < 32 && ((v * 527 + 23) >> 6) != kExpansion.e5[v]) return false;
    if (((v * 259 + 33) >> 6) != kExpansion.e6[v]) return false;
    if (v < 16 && v * 17 != kExpansion.e4[v]) return false;
    if (v < 2 && v * 255 != kExpansion.e1[v]) return false;
  }
  return true;
}
static_assert(ExpansionArithmeticHolds());

// The kBits-bit field at bit kShift of every 16-bit lane.
template <unsigned kShift, unsigned kBits>
inline __m128i Field(__m128i w) {
  const __m128i shifted = _mm_srli_epi16(w, kShift);
  if constexpr (kShift + kBits >= 16) return shifted;
  return _mm_and_si128(shifted, _mm_set1_epi16(static_cast<short>((1u << kBits) - 1)));
}

// Blends channel lanes c against background lanes b by alpha lanes a, as
// BlendChannel does: b + ((c - b) * a >> 8), which is one signed high
// multiplication: (d << 7) * (a << 1) >> 16, neither factor leaving 16 bits.
// Alpha 255 keeps the colour: counted as 256 there, the product is d itself.
// The weight is made apart so that a caller holding alphas in another
// arrangement than the colours can make each weight once.
inline __m128i BlendWeight(__m128i a) {
  return _mm_slli_epi16(_mm_sub_epi16(a, _mm_cmpeq_epi16(a, _mm_set1_epi16(255))), 1);
}

inline __m128i BlendWeighted(__m128i c, __m128i b, __m128i weight) {
  return _mm_add_epi16(b, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(c, b), 7), weight));
}

inline __m128i BlendLanes(__m128i c, __m128i b, __m128i a) { return BlendWeighted(c, b, BlendWeight(a)); }

// Where `keep` is set the colour, elsewhere the background.
inline __m128i Select(__m128i keep, __m128i c, __m128i b) {
  return _mm_or_si128(_mm_and_si128(keep, c), _mm_andnot_si128(keep, b));
}

// The background 0x00BBGGRR as red, green, blue, 0 in 16-bit lanes, twice:
// the lanes of two unpacked RGBA pixels.
struct BackLanes {
  alignas(16) std::int16_t lanes[8];
  explicit BackLanes(std::uint32_t colorref) {
    const auto r = static_cast<std::int16_t>(colorref & 0xFF);
    const auto g = static_cast<std::int16_t>(colorref >> 8 & 0xFF);
    const auto b = static_cast<std::int16_t>(colorref >> 16 & 0xFF);
    const std::int16_t v[8] = {r, g, b, 0, r, g, b, 0};
    std::memcpy(lanes, v, sizeof lanes);
  }
  __m128i Load() const { return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes)); }
};

// One background byte in eight 16-bit lanes, kept in memory so that the
// object holding it looks the same in every unit.
struct ByteLanes {
  alignas(16) std::int16_t lanes[8];
  explicit ByteLanes(std::uint32_t value) {
    for (std::int16_t& lane : lanes) lane = static_cast<std::int16_t>(value & 0xFF);
  }
  __m128i Load() const { return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes)); }
};

// Four RGBA pixels blended against the background lanes, alpha kept.
inline __m128i BlendFour(__m128i rgba, __m128i back) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_unpacklo_epi8(rgba, zero);
  const __m128i high = _mm_unpackhi_epi8(rgba, zero);
  const __m128i low_alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, 0xFF), 0xFF);
  const __m128i high_alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(high, 0xFF), 0xFF);
  return _mm_packus_epi16(BlendLanes(low, back, low_alpha), BlendLanes(high, back, high_alpha));
}

// Exchanges the first and third byte of four 4-byte pixels: RGBA to BGRA and
// back.
inline __m128i SwapRedBlue(__m128i pixels) {
  const __m128i byte = _mm_set1_epi32(0xFF);
  const __m128i kept = _mm_and_si128(pixels, _mm_set1_epi32(static_cast<int>(0xFF00FF00u)));
  return _mm_or_si128(_mm_or_si128(kept, _mm_and_si128(_mm_srli_epi32(pixels, 16), byte)),
                      _mm_slli_epi32(_mm_and_si128(pixels, byte), 16));
}

// Four lanes of 3-byte pixels (their fourth byte ignored) packed into the
// low 12 bytes; the other 4 are zero. Each 64-bit half first closes its own
// gap, then the upper half moves down next to the lower.
inline __m128i PackFour24(__m128i pixels) {
  const __m128i first = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
  const __m128i second = _mm_set_epi32(0xFFFF, static_cast<int>(0xFF000000u), 0xFFFF,
                                       static_cast<int>(0xFF000000u));
  const __m128i halves = _mm_or_si128(_mm_and_si128(pixels, first),
                                      _mm_and_si128(_mm_srli_epi64(pixels, 8), second));
  return _mm_or_si128(_mm_move_epi64(halves), _mm_slli_si128(_mm_srli_si128(halves, 8), 6));
}

// Stores the 12 bytes of four packed 3-byte pixels and nothing else.
inline void StoreFour24(std::uint8_t* out, __m128i pixels) {
  const __m128i packed = PackFour24(pixels);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
  const int last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
  std::memcpy(out + 8, &last, 4);
}

// The same as one 16-byte store: the 4 bytes past the pixels are written
// too, so only where later pixels of the same row will overwrite them.
inline void StoreFour24Spilling(std::uint8_t* out, __m128i pixels) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), PackFour24(pixels));
}

// Eight pixels from their channel lanes, in the order given: 24 bytes.
// kSpill: the 4 bytes past them may be written too (see StoreFour24Spilling).
template <bool kSpill>
inline void StoreEight24(std::uint8_t* out, __m128i first, __m128i second, __m128i third) {
  const __m128i low = _mm_or_si128(first, _mm_slli_epi16(second, 8));
  StoreFour24Spilling(out, _mm_unpacklo_epi16(low, third));
  if constexpr (kSpill) {
    StoreFour24Spilling(out + 12, _mm_unpackhi_epi16(low, third));
  } else {
    StoreFour24(out + 12, _mm_unpackhi_epi16(low, third));
  }
}

// Eight pixels from their four channel lanes, in the order given: 32 bytes.
inline void StoreEight32(std::uint8_t* out, __m128i first, __m128i second, __m128i third,
                         __m128i fourth) {
  const __m128i low = _mm_or_si128(first, _mm_slli_epi16(second, 8));
  const __m128i high = _mm_or_si128(third, _mm_slli_epi16(fourth, 8));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(low, high));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(low, high));
}

}  // namespace tovak::decode::sse2
