// Row converters: each turns a run of stored pixels of one format into
// finished pixels of one output, in one pass, every output pixel computed
// once from its source pixel and written once. The driver picks one per
// picture; the plane walkers call it per row, per tile line or per block row.
//
// Outputs: the DIB's 24-bit pixels (blue, green, red; translucent pixels
// blended), RGBA pixels for converters (red, green, blue, alpha; alpha as
// stored), and indices, which both outputs share.
//
// Every converter has kSourceBits, the stored bits of one pixel, and
// kOutputBits, and Run(source, out, n), which converts n >= 1 pixels.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decode/blend.h"
#include "decode/colour.h"
#include "gim/formats.h"

namespace tovak::decode {

inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Writes n 24-bit pixels from Pixel(i), which gives blue | green << 8 |
// red << 16. All but the last go out as 4-byte stores whose fourth byte the
// next pixel overwrites; the last writes its three bytes alone, so nothing
// past the row's pixels is touched.
template <class PixelAt>
inline void EmitBgr(std::uint8_t* out, std::uint32_t n, PixelAt pixel) {
  std::uint32_t i = 0;
  for (; i + 1 < n; ++i) Store32(out + 3 * i, pixel(i));
  const std::uint32_t last = pixel(i);
  out[3 * i] = static_cast<std::uint8_t>(last);
  out[3 * i + 1] = static_cast<std::uint8_t>(last >> 8);
  out[3 * i + 2] = static_cast<std::uint8_t>(last >> 16);
}

// The background as blue | green << 8 | red << 16, from 0x00BBGGRR.
constexpr std::uint32_t BackgroundBgr(std::uint32_t colorref) {
  return (colorref >> 16 & 0xFF) | (colorref & 0xFF00) | (colorref & 0xFF) << 16;
}

// ---- 16-bit words to the DIB ----------------------------------------------

// RGBA5650 has no alpha and is never blended.
struct DibFrom5650 {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = 24;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    EmitBgr(out, n, [in](std::uint32_t i) {
      const std::uint32_t w = LoadWord(in + 2 * i);
      return std::uint32_t{kExpansion.e5[w >> 11]} |
             std::uint32_t{kExpansion.e6[w >> 5 & 0x3F]} << 8 |
             std::uint32_t{kExpansion.e5[w & 0x1F]} << 16;
    });
  }
};

// RGBA5551's alpha is 0 or 255: blending either keeps the colour or takes
// the background, so it is a select, never a multiplication.
struct DibFrom5551 {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = 24;
  bool blend;
  std::uint32_t background;  // as BackgroundBgr
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    const std::uint32_t back = background;
    const std::uint32_t opaque_bit = blend ? 0x8000 : 0;  // off: every pixel opaque
    EmitBgr(out, n, [in, back, opaque_bit](std::uint32_t i) {
      const std::uint32_t w = LoadWord(in + 2 * i) | (0x8000 ^ opaque_bit);
      const std::uint32_t colour = std::uint32_t{kExpansion.e5[w >> 10 & 0x1F]} |
                                   std::uint32_t{kExpansion.e5[w >> 5 & 0x1F]} << 8 |
                                   std::uint32_t{kExpansion.e5[w & 0x1F]} << 16;
      const std::uint32_t keep = 0u - (w >> 15);
      return (colour & keep) | (back & ~keep);
    });
  }
};

// RGBA4444: each channel is blended by the pixel's alpha nibble, so one
// 256-entry table per channel, indexed by alpha nibble and channel nibble,
// holds every result; it is built per picture (768 blends).
struct DibFrom4444 {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = 24;
  std::uint8_t blue[256];   // [alpha << 4 | blue]: the word's high byte
  std::uint8_t green[256];  // [alpha << 4 | green]
  std::uint8_t red[256];    // [alpha << 4 | red]

  DibFrom4444(const BlendSettings& settings) {
    for (int a = 0; a < 16; ++a) {
      for (int c = 0; c < 16; ++c) {
        const std::uint8_t v = kExpansion.e4[c];
        const Bgra blended = Blend({v, v, v, kExpansion.e4[a]}, settings);
        blue[a << 4 | c] = blended.b;
        green[a << 4 | c] = blended.g;
        red[a << 4 | c] = blended.r;
      }
    }
  }
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    EmitBgr(out, n, [in, this](std::uint32_t i) {
      const std::uint32_t low = in[2 * i];
      const std::uint32_t high = in[2 * i + 1];
      const std::uint32_t alpha = high & 0xF0;
      return std::uint32_t{blue[high]} | std::uint32_t{green[alpha | low >> 4]} << 8 |
             std::uint32_t{red[alpha | (low & 0xF)]} << 16;
    });
  }
};

// ---- RGBA8888 to the DIB ----------------------------------------------------

// Red, green, blue, alpha bytes to blue, green, red, blended when asked.
// Also the converter of decoded DXT texels, 4 at a time.
struct DibFrom8888 {
  static constexpr unsigned kSourceBits = 32;
  static constexpr unsigned kOutputBits = 24;

  explicit DibFrom8888(const BlendSettings& settings);

  static std::uint32_t One(const std::uint8_t* p, bool blend, std::uint32_t background) {
    const std::uint32_t swapped =
        std::uint32_t{p[2]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[0]} << 16;
    const auto a = p[3];
    if (!blend || a == 255) return swapped;
    const std::uint32_t r = BlendChannel(p[0], static_cast<std::uint8_t>(background), a);
    const std::uint32_t g = BlendChannel(p[1], static_cast<std::uint8_t>(background >> 8), a);
    const std::uint32_t b = BlendChannel(p[2], static_cast<std::uint8_t>(background >> 16), a);
    return b | g << 8 | r << 16;
  }

  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const;

  bool blend;
  std::uint32_t background;  // 0x00BBGGRR
#if defined(__SSE2__)
  __m128i back;  // red, green, blue, 0 as 16-bit lanes, twice
#endif
};

#if defined(__SSE2__)
namespace sse2 {

// Four RGBA pixels to four lanes of blue | green << 8 | red << 16, blended
// against `back` (red, green, blue, 0 as 16-bit lanes, twice) when asked.
// The blend c + ((c - b) * a >> 8) is one signed high multiplication:
// (d << 7) * (a << 1) >> 16 is d * a >> 8 rounded towards minus infinity,
// and neither factor leaves 16 bits.
inline __m128i FourToBgr(__m128i rgba, bool blend, __m128i back) {
  if (blend) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi16(255);
    __m128i halves[2] = {_mm_unpacklo_epi8(rgba, zero), _mm_unpackhi_epi8(rgba, zero)};
    for (__m128i& c : halves) {
      const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xFF), 0xFF);
      const __m128i d = _mm_sub_epi16(c, back);
      const __m128i blended =
          _mm_add_epi16(back, _mm_mulhi_epi16(_mm_slli_epi16(d, 7), _mm_slli_epi16(a, 1)));
      const __m128i keep = _mm_cmpeq_epi16(a, opaque);  // alpha 255 keeps the colour
      c = _mm_or_si128(_mm_and_si128(keep, c), _mm_andnot_si128(keep, blended));
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
  Store32(out + 8, static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 8))));
}

}  // namespace sse2

inline DibFrom8888::DibFrom8888(const BlendSettings& settings)
    : blend(settings.alpha_blend), background(settings.background) {
  const auto r = static_cast<short>(background & 0xFF);
  const auto g = static_cast<short>(background >> 8 & 0xFF);
  const auto b = static_cast<short>(background >> 16 & 0xFF);
  back = _mm_setr_epi16(r, g, b, 0, r, g, b, 0);
}

inline void DibFrom8888::Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
  const bool on = blend;
  const __m128i lanes = back;
  std::uint32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const __m128i rgba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
    sse2::StoreFourBgr(out + 3 * i, sse2::FourToBgr(rgba, on, lanes));
  }
  if (i < n) {
    const std::uint32_t colorref = background;
    EmitBgr(out + 3 * i, n - i,
            [in, i, on, colorref](std::uint32_t k) { return One(in + 4 * (i + k), on, colorref); });
  }
}
#else
inline DibFrom8888::DibFrom8888(const BlendSettings& settings)
    : blend(settings.alpha_blend), background(settings.background) {}

inline void DibFrom8888::Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
  const bool on = blend;
  const std::uint32_t colorref = background;
  EmitBgr(out, n, [in, on, colorref](std::uint32_t i) { return One(in + 4 * i, on, colorref); });
}
#endif

// ---- RGBA output, alpha kept -------------------------------------------------

// 16-bit words to red, green, blue, alpha bytes. RGBA5650 has no alpha and
// is opaque.
template <gim::WordLayout kLayout>
struct RgbaFromWord {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = 32;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint16_t w = LoadWord(in + 2 * i);
      Bgra c{};
      if constexpr (kLayout == gim::WordLayout::k5650) {
        c = From5650(w);
        c.a = 255;
      } else if constexpr (kLayout == gim::WordLayout::k5551) {
        c = From5551(w);
      } else {
        c = From4444(w);
      }
      Store32(out + 4 * i, std::uint32_t{c.r} | std::uint32_t{c.g} << 8 |
                               std::uint32_t{c.b} << 16 | std::uint32_t{c.a} << 24);
    }
  }
};

// RGBA8888 pixels and decoded DXT texels are already the output.
struct RgbaCopy {
  static constexpr unsigned kSourceBits = 32;
  static constexpr unsigned kOutputBits = 32;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    std::memcpy(out, in, std::size_t{n} * 4);
  }
};

// ---- indices, the same in both outputs ------------------------------------------

struct Index8Copy {
  static constexpr unsigned kSourceBits = 8;
  static constexpr unsigned kOutputBits = 8;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    std::memcpy(out, in, n);
  }
};

// GIM keeps the left pixel of a 4-bit pair in the low nibble, a DIB in the
// high one. Eight bytes are exchanged at a time. An odd run ends in half a
// byte: the nibble past the last pixel stays 0.
struct Index4Swap {
  static constexpr unsigned kSourceBits = 4;
  static constexpr unsigned kOutputBits = 4;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    constexpr std::uint64_t kLow = 0x0F0F0F0F0F0F0F0Full;
    const std::uint32_t count = (n + 1) / 2;
    std::uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
      std::uint64_t v;
      std::memcpy(&v, in + i, 8);
      v = (v >> 4 & kLow) | (v & kLow) << 4;
      std::memcpy(out + i, &v, 8);
    }
    for (; i < count; ++i) out[i] = static_cast<std::uint8_t>(in[i] >> 4 | in[i] << 4);
    if (n % 2 != 0) out[count - 1] &= 0xF0;
  }
};

}  // namespace tovak::decode
