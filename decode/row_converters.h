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
#include "decode/sse2_pixels.h"
#endif

#include "decode/blend.h"
#include "decode/colour.h"
#include "gim/formats.h"

namespace tovak::decode {

// A 4-byte store assembled in memory order; never a pointer cast.
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

// Runs a converter eight pixels at a time where it has an SSE2 form, and
// pixel by pixel for the rest of the run.
template <class Eight, class One>
inline void RunWords(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n,
                     [[maybe_unused]] Eight eight, One one) {
  std::uint32_t i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    eight(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i)), out + 3 * i);
  }
#endif
  if (i < n) EmitBgr(out + 3 * i, n - i, [in, i, one](std::uint32_t k) { return one(LoadWord(in + 2 * (i + k))); });
}

// RGBA5650 has no alpha and is never blended.
struct DibFrom5650 {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = 24;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    RunWords(
        in, out, n,
        [](auto w, std::uint8_t* to) {
#if defined(__SSE2__)
          const __m128i five = _mm_set1_epi16(0x1F);
          sse2::StoreEightBgr(to, sse2::Expand5(_mm_srli_epi16(w, 11)),
                              sse2::Expand6(_mm_and_si128(_mm_srli_epi16(w, 5), _mm_set1_epi16(0x3F))),
                              sse2::Expand5(_mm_and_si128(w, five)));
#endif
        },
        [](std::uint32_t w) {
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
  BlendSettings settings;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    const std::uint32_t colorref = settings.background;
    const std::uint32_t back = BackgroundBgr(colorref);
    // Blending off: every pixel counts as opaque.
    const std::uint32_t forced = settings.alpha_blend ? 0 : 0x8000;
    RunWords(
        in, out, n,
        [colorref, forced](auto w, std::uint8_t* to) {
#if defined(__SSE2__)
          w = _mm_or_si128(w, _mm_set1_epi16(static_cast<short>(forced)));
          const __m128i keep = _mm_srai_epi16(w, 15);
          const __m128i five = _mm_set1_epi16(0x1F);
          const auto pick = [keep](__m128i c, std::uint32_t b) {
            return _mm_or_si128(_mm_and_si128(keep, c),
                                _mm_andnot_si128(keep, _mm_set1_epi16(static_cast<short>(b & 0xFF))));
          };
          sse2::StoreEightBgr(to, pick(sse2::Expand5(_mm_and_si128(_mm_srli_epi16(w, 10), five)), colorref >> 16),
                              pick(sse2::Expand5(_mm_and_si128(_mm_srli_epi16(w, 5), five)), colorref >> 8),
                              pick(sse2::Expand5(_mm_and_si128(w, five)), colorref));
#else
          (void)colorref;
          (void)w;
          (void)to;
#endif
        },
        [back, forced](std::uint32_t w) {
          w |= forced;
          const std::uint32_t colour = std::uint32_t{kExpansion.e5[w >> 10 & 0x1F]} |
                                       std::uint32_t{kExpansion.e5[w >> 5 & 0x1F]} << 8 |
                                       std::uint32_t{kExpansion.e5[w & 0x1F]} << 16;
          const std::uint32_t keep = 0u - (w >> 15);
          return (colour & keep) | (back & ~keep);
        });
  }
};

// RGBA4444: every channel is blended by the pixel's own 4-bit alpha.
struct DibFrom4444 {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = 24;
  BlendSettings settings;
  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    const BlendSettings s = settings;
    RunWords(
        in, out, n,
        [s](auto w, std::uint8_t* to) {
#if defined(__SSE2__)
          const __m128i four = _mm_set1_epi16(0xF);
          const __m128i seventeen = _mm_set1_epi16(17);
          __m128i blue = _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(w, 8), four), seventeen);
          __m128i green = _mm_mullo_epi16(_mm_and_si128(_mm_srli_epi16(w, 4), four), seventeen);
          __m128i red = _mm_mullo_epi16(_mm_and_si128(w, four), seventeen);
          if (s.alpha_blend) {
            const __m128i alpha = _mm_mullo_epi16(_mm_srli_epi16(w, 12), seventeen);
            const auto lane = [](std::uint32_t v) { return _mm_set1_epi16(static_cast<short>(v & 0xFF)); };
            blue = sse2::BlendLanes(blue, lane(s.background >> 16), alpha);
            green = sse2::BlendLanes(green, lane(s.background >> 8), alpha);
            red = sse2::BlendLanes(red, lane(s.background), alpha);
          }
          sse2::StoreEightBgr(to, blue, green, red);
#else
          (void)s;
          (void)w;
          (void)to;
#endif
        },
        [s](std::uint32_t w) {
          const Bgra c = Blend(From4444(static_cast<std::uint16_t>(w)), s);
          return std::uint32_t{c.b} | std::uint32_t{c.g} << 8 | std::uint32_t{c.r} << 16;
        });
  }
};

// ---- RGBA8888 to the DIB ----------------------------------------------------

// Red, green, blue, alpha bytes to blue, green, red, blended when asked.
// Also the converter of decoded DXT texels, 4 at a time, so everything a
// run needs is prepared once per picture.
struct DibFrom8888 {
  static constexpr unsigned kSourceBits = 32;
  static constexpr unsigned kOutputBits = 24;

  explicit DibFrom8888(const BlendSettings& settings)
      : blend(settings.alpha_blend), background(settings.background) {
#if defined(__SSE2__)
    back = sse2::BackLanes(background);
#endif
  }

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

  void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    const bool on = blend;
    const std::uint32_t colorref = background;
    std::uint32_t i = 0;
#if defined(__SSE2__)
    const __m128i lanes = back;
    for (; i + 4 <= n; i += 4) {
      const __m128i rgba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
      sse2::StoreFourBgr(out + 3 * i, sse2::FourToBgr(rgba, on, lanes));
    }
#endif
    if (i < n) {
      EmitBgr(out + 3 * i, n - i,
              [in, i, on, colorref](std::uint32_t k) { return One(in + 4 * (i + k), on, colorref); });
    }
  }

  bool blend;
  std::uint32_t background;  // 0x00BBGGRR
#if defined(__SSE2__)
  __m128i back;
#endif
};

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
