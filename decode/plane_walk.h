// Walks a stored plane of pixels, in normal or swizzled order, and hands
// each run of a picture row's pixels to a row converter, which writes them
// straight into their final place in the output rows.
#pragma once

#include <algorithm>
#include <cstdint>

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
// (r % 8) * 16 + c % 16, S being the stored row bytes: a tile of 16 bytes x
// 8 rows is stored whole. The tiles are walked in the order they are
// stored, each writing its 8 lines into 8 output rows. A stored row may
// hold fewer pixels than the picture is wide (an INDEX8 picture stored at 4
// bits with an odd number of tiles across): the pixels it does not reach
// are written as from zero bytes, index 0.
template <class Converter>
void WalkSwizzled(const Converter& convert, const std::uint8_t* source,
                  std::uint64_t row_bytes, std::uint32_t width, std::uint32_t height,
                  OutputRows out) {
  using gim::kTileBytes;
  using gim::kTileRows;
  constexpr std::uint32_t kLinePixels = kTileBytes * 8 / Converter::kSourceBits;
  constexpr std::uint64_t kLineOutput = kLinePixels * Converter::kOutputBits / 8;
  constexpr std::uint64_t kTileSize = kTileBytes * kTileRows;
  const std::uint64_t tiles = std::min<std::uint64_t>(
      row_bytes / kTileBytes, (std::uint64_t{width} + kLinePixels - 1) / kLinePixels);
  const std::uint64_t whole = std::min<std::uint64_t>(tiles, width / kLinePixels);
  alignas(16) static constexpr std::uint8_t kZeroLine[kTileBytes] = {};
  for (std::uint64_t t = 0; t * kTileRows < height; ++t) {
    const auto rows = static_cast<std::uint32_t>(std::min<std::uint64_t>(kTileRows, height - t * kTileRows));
    std::uint8_t* to[kTileRows] = {};
    for (std::uint32_t y = 0; y < rows; ++y) to[y] = out.Row(t * kTileRows + y);
    const std::uint8_t* tile =
        source + gim::StoredOffset(t * kTileRows, 0, row_bytes, gim::PixelOrder::kSwizzled);
    for (std::uint64_t x = 0; x < whole; ++x, tile += kTileSize) {
      for (std::uint32_t y = 0; y < rows; ++y) {
        convert.Run(tile + y * kTileBytes, to[y] + x * kLineOutput, kLinePixels);
      }
    }
    if (whole < tiles) {
      const auto n = static_cast<std::uint32_t>(width - whole * kLinePixels);
      for (std::uint32_t y = 0; y < rows; ++y) {
        convert.Run(tile + y * kTileBytes, to[y] + whole * kLineOutput, n);
      }
    }
    // Lines the stored row does not reach convert as zero bytes.
    for (std::uint64_t x = tiles; x * kLinePixels < width; ++x) {
      const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(kLinePixels, width - x * kLinePixels));
      for (std::uint32_t y = 0; y < rows; ++y) convert.Run(kZeroLine, to[y] + x * kLineOutput, n);
    }
  }
}

}  // namespace tovak::decode
