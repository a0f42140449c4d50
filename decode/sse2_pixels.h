// SSE2 arithmetic on pixels in 16-bit lanes, for the row converters. Every
// x86 CPU since 2004 has SSE2; the 32-bit DLL is built to require it.
#pragma once

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "decode/expansion.h"

namespace tovak::decode::sse2 {

// The expansion tables as arithmetic on 16-bit lanes: round(v * 255 / 31)
// is (v * 527 + 23) >> 6 for every 5-bit v, round(v * 255 / 63) is
// (v * 259 + 33) >> 6 for every 6-bit v (both checked below at compile
// time), and a 4-bit v widens to v * 17.
inline __m128i Expand5(__m128i v) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(v, _mm_set1_epi16(527)), _mm_set1_epi16(23)), 6);
}
inline __m128i Expand6(__m128i v) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(v, _mm_set1_epi16(259)), _mm_set1_epi16(33)), 6);
}

constexpr bool ExpansionArithmeticHolds() {
  for (int v = 0; v < 64; ++v) {
    if (v < 32 && ((v * 527 + 23) >> 6) != kExpansion.e5[v]) return false;
    if (((v * 259 + 33) >> 6) != kExpansion.e6[v]) return false;
    if (v < 16 && v * 17 != kExpansion.e4[v]) return false;
  }
  return true;
}
static_assert(ExpansionArithmeticHolds());

// Blends channel lanes c against background lanes b by alpha lanes a, as
// BlendChannel does: b + ((c - b) * a >> 8), which is one signed high
// multiplication: (d << 7) * (a << 1) >> 16, neither factor leaving 16 bits.
// Alpha 255 keeps the colour.
inline __m128i BlendLanes(__m128i c, __m128i b, __m128i a) {
  const __m128i blended = _mm_add_epi16(
      b, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(c, b), 7), _mm_slli_epi16(a, 1)));
  const __m128i keep = _mm_cmpeq_epi16(a, _mm_set1_epi16(255));
  return _mm_or_si128(_mm_and_si128(keep, c), _mm_andnot_si128(keep, blended));
}



// Four RGBA pixels to four lanes of blue | green << 8 | red << 16, blended
// against `back` (BackLanes) when asked.
inline __m128i FourToBgr(__m128i rgba, bool blend, __m128i back) {
  if (blend) {
    const __m128i zero = _mm_setzero_si128();
    __m128i halves[2] = {_mm_unpacklo_epi8(rgba, zero), _mm_unpackhi_epi8(rgba, zero)};
    for (__m128i& c : halves) {
      const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xFF), 0xFF);
      c = BlendLanes(c, back, alpha);
    }
    rgba = _mm_packus_epi16(halves[0], halves[1]);
  }
  const __m128i byte = _mm_set1_epi32(0xFF);
  const __m128i green = _mm_and_si128(rgba, _mm_set1_epi32(0xFF00));
  const __m128i blue = _mm_and_si128(_mm_srli_epi32(rgba, 16), byte);
  const __m128i red = _mm_slli_epi32(_mm_and_si128(rgba, byte), 16);
  return _mm_or_si128(_mm_or_si128(green, blue), red);
}

// Packs four lanes of 3-byte pixels into 12 bytes and stores them.
inline void StoreFourBgr(std::uint8_t* out, __m128i bgr0) {
  const __m128i lane0 = _mm_setr_epi32(0x00FFFFFF, 0, 0, 0);
  const __m128i packed = _mm_or_si128(
      _mm_or_si128(_mm_and_si128(bgr0, lane0),
                   _mm_and_si128(_mm_srli_si128(bgr0, 1), _mm_slli_si128(lane0, 3))),
      _mm_or_si128(_mm_and_si128(_mm_srli_si128(bgr0, 2), _mm_slli_si128(lane0, 6)),
                   _mm_and_si128(_mm_srli_si128(bgr0, 3), _mm_slli_si128(lane0, 9))));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
  const int last = _mm_cvtsi128_si32(_mm_srli_si128(packed, 8));
  std::memcpy(out + 8, &last, 4);
}

inline void StoreEightBgr(std::uint8_t* out, __m128i blue, __m128i green, __m128i red) {
  const __m128i blue_green = _mm_or_si128(blue, _mm_slli_epi16(green, 8));
  StoreFourBgr(out, _mm_unpacklo_epi16(blue_green, red));
  StoreFourBgr(out + 12, _mm_unpackhi_epi16(blue_green, red));
}

// The background 0x00BBGGRR as red, green, blue, 0 in 16-bit lanes, twice:
// the lanes of two unpacked RGBA pixels.
inline __m128i BackLanes(std::uint32_t colorref) {
  const auto r = static_cast<short>(colorref & 0xFF);
  const auto g = static_cast<short>(colorref >> 8 & 0xFF);
  const auto b = static_cast<short>(colorref >> 16 & 0xFF);
  return _mm_setr_epi16(r, g, b, 0, r, g, b, 0);
}

}  // namespace tovak::decode::sse2
