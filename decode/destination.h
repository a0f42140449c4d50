// Where decoded pixels or colour-table entries go, described as sources
// are: the layout of a pixel, the buffer and its size, the distance between
// rows and their direction, and whether colours are blended.
#pragma once

#include <cstdint>

#include "decode/blend.h"

namespace tovak::decode {

enum class PixelLayout : std::uint8_t {
  kBgr24,   // blue, green, red: a 24-bit DIB
  kRgb24,   // red, green, blue
  kBgra32,  // blue, green, red, alpha: WIC's 32bppBGRA and WICColor
  kRgba32,  // red, green, blue, alpha
  // Colour tables only: blue, green, red, then the entry's alpha, 0 where
  // its format has none. The DIB colour table as hosts have always had it.
  kRgbQuad,
  // Pixels of indexed pictures only: indices at the picture's own depth,
  // a 4-bit pair with its left pixel in the high nibble.
  kIndex,
};

constexpr bool KeepsAlpha(PixelLayout layout) {
  return layout == PixelLayout::kBgra32 || layout == PixelLayout::kRgba32;
}

// Bits of one pixel or entry of the layout; `index_bits` is an indexed
// picture's depth.
constexpr unsigned LayoutBits(PixelLayout layout, unsigned index_bits) {
  switch (layout) {
    case PixelLayout::kBgr24:
    case PixelLayout::kRgb24: return 24;
    case PixelLayout::kIndex: return index_bits;
    default: return 32;
  }
}

// Bytes one row of `width` pixels takes in the layout: an indexed row's
// last byte may hold a single 4-bit index.
constexpr std::uint64_t RowBytes(PixelLayout layout, std::uint32_t width, unsigned index_bits) {
  return (std::uint64_t{width} * LayoutBits(layout, index_bits) + 7) / 8;
}

// Bytes a destination of `height` rows of `width` pixels at `stride` must
// hold: the last row needs only its own bytes. The one size rule for every
// destination, whatever its caller.
constexpr std::uint64_t DestinationBytes(PixelLayout layout, std::uint32_t width,
                                         std::uint32_t height, std::uint64_t stride,
                                         unsigned index_bits) {
  return height == 0 ? 0 : (height - 1) * stride + RowBytes(layout, width, index_bits);
}

enum class RowOrder : std::uint8_t { kTopDown, kBottomUp };

struct Destination {
  PixelLayout layout = PixelLayout::kRgba32;
  std::uint8_t* data = nullptr;
  std::uint64_t bytes = 0;  // the buffer's size, checked against what is written
  std::uint64_t stride = 0;  // from one row's start to the next; rows only
  RowOrder rows = RowOrder::kTopDown;
  // Layouts without alpha (and kRgbQuad) blend translucent colours against
  // the background when blending is on; layouts with alpha keep colours and
  // alpha as stored.
  BlendSettings blend = kNoBlend;
};

}  // namespace tovak::decode
