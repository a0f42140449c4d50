// The DIB a host receives: a header block (BITMAPINFOHEADER and colour table)
// and a bits block of rows, bottom row first.
#pragma once

#include <cstdint>

#include "decode/blend.h"
#include "decode/destination.h"
#include "decode/failure.h"

namespace tovak::decode {

struct PicturePlan;

inline constexpr std::uint64_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER

// DIB stride of `width` pixels at `bit_count` bits: whole 4-byte words.
constexpr std::uint64_t DibStride(std::uint64_t width, std::uint64_t bit_count) {
  return (width * bit_count + 31) / 32 * 4;
}

// The DIB's shape for a planned picture.
struct DibShape {
  std::uint16_t bit_count = 0;  // 24, or an indexed picture's 4 or 8
  std::uint64_t stride = 0;
  std::uint64_t header_block_bytes = 0;
  std::uint64_t bits_block_bytes = 0;
};

// The shape of the picture's DIB; kTooLarge when either block would be
// larger than gim::kMaxBlockBytes.
Failure ShapeDib(const PicturePlan& plan, DibShape& shape);

// `header` holds shape.header_block_bytes zero bytes; writes the
// BITMAPINFOHEADER and the colour table.
void WriteHeaderBlock(const PicturePlan& plan, const DibShape& shape, std::uint8_t* header,
                      const BlendSettings& settings);

// `bits` holds shape.bits_block_bytes zero bytes; writes the rows at the DIB
// stride from the bottom up: 24-bit pixels, blended as `settings` say, or
// indices.
Failure WriteBitsBlock(const PicturePlan& plan, const DibShape& shape, std::uint8_t* bits,
                       const BlendSettings& settings);

}  // namespace tovak::decode
