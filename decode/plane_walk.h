// Walks a stored plane of pixels, in normal or swizzled order, and hands
// each run of a picture row's pixels to a row converter, which writes them
// straight into their final place in the output rows.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tovak::decode {

inline constexpr std::uint16_t kNormalOrder = 0;
inline constexpr std::uint16_t kSwizzledOrder = 1;  // "faster" in the info text

// Swizzled planes are cut into tiles of 16 bytes x 8 rows.
inline constexpr std::uint64_t kTileBytes = 16;
inline constexpr std::uint64_t kTileRows = 8;

// The output rows: row r (top first) starts at first + r * pitch. A DIB is
// stored bottom-up, so its pitch is negative.
struct OutputRows {
  std::uint8_t* first = nullptr;
  std::int64_t pitch = 0;
  std::uint8_t* Row(std::uint64_t r) const {
    return first + static_cast<std::int64_t>(r) * pitch;
  }
};

// Bytes of the stored plane a picture reads: height rows in normal order,
// whole tile rows in swizzled order, nothing in any other order.
constexpr std::uint64_t SourcePlaneBytes(std::uint32_t height, std::uint64_t row_bytes,
                                         std::uint16_t pixel_order) {
  if (pixel_order == kNormalOrder) return height * row_bytes;
  if (pixel_order == kSwizzledOrder) {
    return (height + kTileRows - 1) / kTileRows * kTileRows * row_bytes;
  }
  return 0;
}

template <class Converter>
void WalkNormal(const Converter& convert, const std::uint8_t* source, std::uint64_t row_bytes,
                std::uint32_t width, std::uint32_t height, OutputRows out) {
  for (std::uint64_t r = 0; r < height; ++r) convert.Run(source + r * row_bytes, out.Row(r), width);
}

// Byte c of picture row r lies at (r / 8) * 8 * S + (c / 16) * 128 +
// (r % 8) * 16 + c % 16, S being the stored row bytes: tile line y of tile
// x holds bytes 16x to 16x + 15 of row 8t + y. When S is no multiple of 16
// the tail of every tile row is passed over.
template <class Converter>
void WalkSwizzled(const Converter& convert, const std::uint8_t* source,
                  std::uint64_t row_bytes, std::uint32_t width, std::uint32_t height,
                  OutputRows out) {
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
  }
}

// A picture whose pixel order copies nothing: every pixel is what a zero
// stored pixel converts to.
template <class Converter>
void FillFromZeros(const Converter& convert, std::uint32_t width, std::uint32_t height,
                   OutputRows out) {
  alignas(16) static constexpr std::uint8_t kZeros[64] = {};
  constexpr std::uint32_t kChunk = 64 * 8 / Converter::kSourceBits;
  constexpr std::uint64_t kChunkOutput = kChunk * Converter::kOutputBits / 8;
  for (std::uint64_t r = 0; r < height; ++r) {
    std::uint8_t* to = out.Row(r);
    for (std::uint32_t x = 0; x < width; x += kChunk) {
      convert.Run(kZeros, to + x / kChunk * kChunkOutput, std::min(kChunk, width - x));
    }
  }
}

}  // namespace tovak::decode
