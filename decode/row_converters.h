// Row converters: each turns a run of stored pixels of one source into
// finished pixels of one destination layout, in one pass, every output pixel
// computed once from its source pixel and written once. The driver picks
// one per (source, destination) pair and picture; the plane walkers call it
// per row, per tile line or per block row.
//
// Every converter has kSourceBits, the stored bits of one pixel, and
// kOutputBits, and Run(source, out, n), which converts n >= 1 pixels. Runs
// may be as short as one tile line or one block's texel row, so Run is
// always inlined into the walker that calls it: a call per run would cost
// as much as the run.
// Layouts without alpha blend translucent pixels when the converter's kBlend
// says so; layouts with alpha keep it as stored.
#pragma once

#include <cstdint>
#include <cstring>

#include "decode/blend.h"
#include "decode/colour.h"
#include "decode/destination.h"
#include "decode/sse2_pixels.h"
#include "gim/formats.h"

namespace tovak::decode {

template <PixelLayout kOut>
inline constexpr bool kBlueFirst = kOut == PixelLayout::kBgr24 || kOut == PixelLayout::kBgra32;

template <PixelLayout kOut>
inline constexpr unsigned kOutBytes = LayoutBits(kOut, 0) / 8;

// A 4-byte store assembled in memory order; never a pointer cast.
inline void Store32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// One pixel as the layout's bytes, first byte lowest.
template <PixelLayout kOut>
constexpr std::uint32_t Pack(Bgra c) {
  const std::uint32_t first = kBlueFirst<kOut> ? c.b : c.r;
  const std::uint32_t third = kBlueFirst<kOut> ? c.r : c.b;
  return first | std::uint32_t{c.g} << 8 | third << 16 | std::uint32_t{c.a} << 24;
}

// Writes n pixels from Pixel(i), which gives them as Pack does. 24-bit
// pixels but the last go out as 4-byte stores whose fourth byte the next
// pixel overwrites; the last writes its three bytes alone, so nothing past
// the row's pixels is touched.
template <PixelLayout kOut, class PixelAt>
inline void Emit(std::uint8_t* out, std::uint32_t n, PixelAt pixel) {
  if constexpr (kOutBytes<kOut> == 4) {
    for (std::uint32_t i = 0; i < n; ++i) Store32(out + 4 * i, pixel(i));
  } else {
    std::uint32_t i = 0;
    for (; i + 1 < n; ++i) Store32(out + 3 * i, pixel(i));
    const std::uint32_t last = pixel(i);
    out[3 * i] = static_cast<std::uint8_t>(last);
    out[3 * i + 1] = static_cast<std::uint8_t>(last >> 8);
    out[3 * i + 2] = static_cast<std::uint8_t>(last >> 16);
  }
}

// ---- 16-bit words ------------------------------------------------------------

// Words of the channel widths kBits, eight at a time with SSE2 and one by
// one for the rest of a run. A format without alpha is never blended; one
// with a single alpha bit either keeps its colour or takes the background,
// a select rather than a multiplication.
template <gim::ChannelBits kBits, PixelLayout kOut, bool kBlend>
struct FromWords {
  static constexpr unsigned kSourceBits = 16;
  static constexpr unsigned kOutputBits = kOutBytes<kOut> * 8;
  static constexpr bool kBlends = kBlend && kOutBytes<kOut> == 3 && kBits.alpha != 0;
  static constexpr unsigned kGreenAt = kBits.red;
  static constexpr unsigned kBlueAt = kGreenAt + kBits.green;
  static constexpr unsigned kAlphaAt = kBlueAt + kBits.blue;

  explicit FromWords(const BlendSettings& s)
      : settings(s), back_red(s.background), back_green(s.background >> 8),
        back_blue(s.background >> 16) {}

  [[gnu::always_inline]] void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    // The background lanes are loaded into registers once a run: stores to
    // `out` may alias this object, so the compiler could not keep them there
    // itself.
    const __m128i back[3] = {back_red.Load(), back_green.Load(), back_blue.Load()};
    std::uint32_t i = 0;
    // A 24-bit run's stores may spill into the place of the next two pixels
    // while they are still to be written.
    for (; i + 10 <= n; i += 8) {
      Eight<true>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i)),
                  out + kOutBytes<kOut> * i, back);
    }
    for (; i + 8 <= n; i += 8) {
      Eight<false>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i)),
                   out + kOutBytes<kOut> * i, back);
    }
    if (i == n) return;
    const BlendSettings s = settings;
    Emit<kOut>(out + kOutBytes<kOut> * i, n - i, [in, i, s](std::uint32_t k) {
      Bgra c = ColourFromWord(LoadWord(in + 2 * (i + k)), kBits);
      if constexpr (kBlends) {
        c = Blend(c, s);
      } else {
        (void)s;  // captured for the blending converters only
      }
      return Pack<kOut>(c);
    });
  }

  template <bool kSpill>
  [[gnu::always_inline]] static void Eight(__m128i w, std::uint8_t* to, const __m128i back[3]) {
    __m128i red = sse2::ExpandLanes<kBits.red>(sse2::Field<0, kBits.red>(w));
    __m128i green = sse2::ExpandLanes<kBits.green>(sse2::Field<kGreenAt, kBits.green>(w));
    __m128i blue = sse2::ExpandLanes<kBits.blue>(sse2::Field<kBlueAt, kBits.blue>(w));
    __m128i alpha = _mm_set1_epi16(255);
    if constexpr (kBits.alpha != 0) {
      alpha = sse2::ExpandLanes<kBits.alpha>(sse2::Field<kAlphaAt, kBits.alpha>(w));
    }
    if constexpr (kBlends && kBits.alpha == 1) {
      // The top bit alone: all ones where it is set.
      static_assert(kAlphaAt == 15);
      const __m128i keep = _mm_srai_epi16(w, 15);
      red = sse2::Select(keep, red, back[0]);
      green = sse2::Select(keep, green, back[1]);
      blue = sse2::Select(keep, blue, back[2]);
    } else if constexpr (kBlends) {
      red = sse2::BlendLanes(red, back[0], alpha);
      green = sse2::BlendLanes(green, back[1], alpha);
      blue = sse2::BlendLanes(blue, back[2], alpha);
    }
    const __m128i first = kBlueFirst<kOut> ? blue : red;
    const __m128i third = kBlueFirst<kOut> ? red : blue;
    if constexpr (kOutBytes<kOut> == 3) {
      sse2::StoreEight24<kSpill>(to, first, green, third);
    } else {
      sse2::StoreEight32(to, first, green, third, alpha);
    }
  }

  BlendSettings settings;
  sse2::ByteLanes back_red, back_green, back_blue;
};

// ---- RGBA bytes: RGBA8888 pixels and decoded DXT texels -----------------------

// Four pixels at a time with SSE2. Everything a run needs is prepared once
// per picture, as runs may be as short as one DXT block's texel row. The DXT
// walkers hand over texel rows in registers (Four), already in the layout's
// channel order.
template <PixelLayout kOut, bool kBlend>
struct FromRgba {
  static constexpr unsigned kSourceBits = 32;
  static constexpr unsigned kOutputBits = kOutBytes<kOut> * 8;
  static constexpr bool kBlends = kBlend && kOutBytes<kOut> == 3;
  static constexpr bool kBlueFirstOut = kBlueFirst<kOut>;

  explicit FromRgba(const BlendSettings& s)
      : settings(s), back_out(kBlueFirstOut ? SwapRedBlue(s.background) : s.background) {}

  // What a transparent DXT1 texel shows, as four bytes in the layout's
  // order: the background where translucent pixels are blended (which is
  // what blending a texel of alpha 0 gives), else transparent black.
  std::uint32_t Transparent() const {
    return kBlends ? (kBlueFirstOut ? SwapRedBlue(settings.background) : settings.background) & 0xFFFFFF
                   : 0;
  }

  // Converts four pixels held in a register in the layout's channel order
  // (`back`: the background as BackLanes has it). kOpaque: no pixel needs blending. kSpill: a
  // 24-bit layout may write the 4 bytes past them, which later pixels of the
  // same row overwrite.
  template <bool kOpaque, bool kSpill>
  [[gnu::always_inline]] static void Four(__m128i pixels, __m128i back, std::uint8_t* out) {
    if constexpr (kBlends && !kOpaque) {
      // Opaque pixels are common and keep their colour.
      const __m128i alpha = _mm_or_si128(pixels, _mm_set1_epi32(0x00FFFFFF));
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, _mm_set1_epi32(-1))) != 0xFFFF) {
        pixels = sse2::BlendFour(pixels, back);
      }
    } else {
      (void)back;
    }
    if constexpr (kOutBytes<kOut> == 3) {
      if constexpr (kSpill) {
        sse2::StoreFour24Spilling(out, pixels);
      } else {
        sse2::StoreFour24(out, pixels);
      }
    } else {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), pixels);
    }
  }

  [[gnu::always_inline]] void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    if constexpr (kOut == PixelLayout::kRgba32) {
      std::memcpy(out, in, std::size_t{n} * 4);
      return;
    }
    std::uint32_t i = 0;
    const __m128i lanes = back_out.Load();
    const auto load = [in](std::uint32_t at) {
      const __m128i rgba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * at));
      return kBlueFirstOut ? sse2::SwapRedBlue(rgba) : rgba;
    };
    for (; i + 6 <= n; i += 4) Four<false, true>(load(i), lanes, out + kOutBytes<kOut> * i);
    for (; i + 4 <= n; i += 4) Four<false, false>(load(i), lanes, out + kOutBytes<kOut> * i);
    if (i == n) return;
    const BlendSettings s = settings;
    Emit<kOut>(out + kOutBytes<kOut> * i, n - i, [in, i, s](std::uint32_t k) {
      Bgra c = ColourFrom8888(in + 4 * (i + k));
      if constexpr (kBlends) {
        c = Blend(c, s);
      } else {
        (void)s;  // captured for the blending converters only
      }
      return Pack<kOut>(c);
    });
  }

  // 0x00BBGGRR as 0x00RRGGBB.
  static constexpr std::uint32_t SwapRedBlue(std::uint32_t c) {
    return (c & 0xFF00FF00u) | (c >> 16 & 0xFF) | (c & 0xFF) << 16;
  }

  BlendSettings settings;
  sse2::BackLanes back_out;  // the background in the layout's order
};

// ---- indices -----------------------------------------------------------------

struct Index8Copy {
  static constexpr unsigned kSourceBits = 8;
  static constexpr unsigned kOutputBits = 8;
  [[gnu::always_inline]] void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    std::memcpy(out, in, n);
  }
};

// Indices looked up in a colour table already converted to the
// destination's layout, kBytes bytes an entry: each pixel is its entry. A
// stored 4-bit pair holds its left pixel in the low nibble.
template <unsigned kBits, unsigned kBytes>
struct IndexLookup {
  static constexpr unsigned kSourceBits = kBits;
  static constexpr unsigned kOutputBits = kBytes * 8;
  const std::uint8_t* table;
  [[gnu::always_inline]] void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    for (std::uint32_t x = 0; x < n; ++x) {
      const unsigned index = kBits == 8 ? in[x] : in[x / 2] >> (x % 2 * 4) & 0xF;
      std::memcpy(out + x * kBytes, table + index * kBytes, kBytes);
    }
  }
};

// GIM keeps the left pixel of a 4-bit pair in the low nibble, a DIB (and PNG
// and WIC) in the high one. Eight bytes are exchanged at a time. An odd run
// ends in half a byte: the nibble past the last pixel stays 0.
struct Index4Swap {
  static constexpr unsigned kSourceBits = 4;
  static constexpr unsigned kOutputBits = 4;
  [[gnu::always_inline]] void Run(const std::uint8_t* in, std::uint8_t* out, std::uint32_t n) const {
    constexpr std::uint64_t kLow = 0x0F0F0F0F0F0F0F0Full;
    const std::uint32_t count = (n + 1) / 2;
    std::uint32_t i = 0;
    for (; i + 16 <= count; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      const __m128i low = _mm_set1_epi8(0x0F);
      const __m128i swapped = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 4), low),
                                           _mm_slli_epi16(_mm_and_si128(v, low), 4));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), swapped);
    }
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
