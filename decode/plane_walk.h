// Walks a stored plane of pixels, in normal or swizzled order, and hands
// each run of a picture row's pixels to a row converter, which writes them
// straight into their final place in the output rows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gim/pixel_order.h"

namespace tovak::decode {

// The output rows: row r (top first) starts at first + r * pitch. A DIB is
// stored bottom-up, so its pitch is negative.
struct OutputRows {
  std::uint8_t* first = nullptr;
  std::int64_t pitch = 0;
  std::uint8_t* Row(std::uint64_t r) const {
    return first + static_cast<std::int64_t>(r) * pitch;
  }
};

template <class Converter>
void WalkNormal(const Converter& convert, const std::uint8_t* source, std::uint64_t row_bytes,
                std::uint32_t width, std::uint32_t height, OutputRows out) {
  for (std::uint64_t r = 0; r < height; ++r) convert.Run(source + r * row_bytes, out.Row(r), width);
}

// Byte c of picture row r lies at (r / 8) * 8 * S + (c / 16) * 128 +
// (r % 8) * 16 + c % 16, S being the stored row bytes. A stored row that
// ends inside a tile line (an INDEX8 picture stored at 4 bits whose padded
// width is an odd number of 16-pixel groups) stores no pixels past its last
// whole tile: they show index 0, the only converters such rows reach being
// the indexed ones.
template <class Converter>
void WalkSwizzled(const Converter& convert, const std::uint8_t* source,
                  std::uint64_t row_bytes, std::uint32_t width, std::uint32_t height,
                  OutputRows out) {
  using gim::kTileBytes;
  using gim::kTileRows;
  constexpr std::uint32_t kLinePixels = kTileBytes * 8 / Converter::kSourceBits;
  constexpr std::uint64_t kLineOutput = kLinePixels * Converter::kOutputBits / 8;
  const std::uint64_t tiles = std::min<std::uint64_t>(
      row_bytes / kTileBytes, (std::uint64_t{width} + kLinePixels - 1) / kLinePixels);
  for (std::uint64_t r = 0; r < height; ++r) {
    const std::uint8_t* line =
        source + r / kTileRows * kTileRows * row_bytes + r % kTileRows * kTileBytes;
    std::uint8_t* to = out.Row(r);
    std::uint32_t left = width;
    for (std::uint64_t x = 0; x < tiles; ++x) {
      const std::uint32_t n = std::min(left, kLinePixels);
      convert.Run(line + x * kTileBytes * kTileRows, to + x * kLineOutput, n);
      left -= n;
    }
    if (left != 0) {
      std::memset(to + tiles * kLineOutput, 0,
                  static_cast<std::size_t>((std::uint64_t{left} * Converter::kOutputBits + 7) / 8));
    }
  }
}

}  // namespace tovak::decode
