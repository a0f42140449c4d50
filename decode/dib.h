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

// The sizes of both blocks, into plan.header_block_bytes and
// plan.bits_block_bytes, from the plan's fields.
void SizeDibBlocks(PicturePlan& plan);

// `header` holds plan.header_block_bytes zero bytes; writes the
// BITMAPINFOHEADER and the colour table.
void WriteHeaderBlock(const PicturePlan& plan, std::uint8_t* header,
                      const BlendSettings& settings);

// `bits` holds plan.bits_block_bytes zero bytes; writes the rows at the DIB
// stride from the bottom up: 24-bit pixels, blended as `settings` say, or
// indices.
Failure WriteBitsBlock(const PicturePlan& plan, std::uint8_t* bits, const BlendSettings& settings);

}  // namespace tovak::decode
