// The decoding driver: lays out the DIB for a recognised picture, checks that
// everything it will read is present, and writes the finished rows in one
// pass. Allocation, the host's progress callback and block ownership belong
// to the plug-in layer, which runs these steps between them.
//
// The same pass also serves converters, which want the picture's own pixels:
// RGBA rows with alpha kept, or index rows and an unblended palette.
#pragma once

#include <cstdint>

#include "decode/blend.h"
#include "decode/dxt.h"
#include "gim/byte_view.h"
#include "gim/container.h"
#include "gim/formats.h"

namespace tovak::decode {

inline constexpr std::uint64_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER

struct PicturePlan {
  gim::ImageHeader image;
  const gim::FormatDescription* format = nullptr;
  bool has_palette = false;
  gim::PaletteHeader palette;

  std::uint32_t padded_width = 0;
  std::uint16_t dib_bit_count = 0;  // 24, or 4 or 8 for the indexed formats
  std::uint64_t dib_stride = 0;

  // The bytes the pixel work reads, each checked to lie within the buffer;
  // null when there is nothing to read.
  const std::uint8_t* source = nullptr;           // the stored plane
  const std::uint8_t* palette_entries = nullptr;  // ColourTableEntries() entries
  std::uint64_t source_row_bytes = 0;
  DxtBlocks dxt;  // DXT pictures: the compressed blocks

  std::uint64_t header_block_bytes = 0;
  std::uint64_t bits_block_bytes = 0;
};

enum class PlanStatus {
  kReady,
  kUnusable,  // fields that make no picture, or data outside the buffer
  kTooLarge,  // a block larger than `max_block_bytes`
};

// DIB stride of `width` pixels at `bit_count` bits: whole 4-byte words.
constexpr std::uint64_t DibStride(std::uint64_t width, std::uint64_t bit_count) {
  return (width * bit_count + 31) / 32 * 4;
}

PlanStatus PlanPicture(const gim::Reader& reader, std::uint64_t max_block_bytes,
                       PicturePlan& plan);

// The entries of the colour table: the palette's count, but never more than
// the DIB can index (16 for a 4-bit DIB, 256 otherwise).
std::uint32_t ColourTableEntries(const PicturePlan& plan);

bool IsIndexed(const PicturePlan& plan);

// `header` holds plan.header_block_bytes zero bytes; writes the
// BITMAPINFOHEADER and the colour table.
void WriteHeaderBlock(const PicturePlan& plan, std::uint8_t* header,
                      const BlendSettings& settings);

// `bits` holds plan.bits_block_bytes zero bytes; writes the picture's rows,
// bottom row first, and nothing else: row padding and the bytes past the
// last row stay zero.
void WriteBitsBlock(const PicturePlan& plan, std::uint8_t* bits, const BlendSettings& settings);

// Rows for a converter, top row first, `stride` bytes apart. Direct-colour
// and DXT pictures: width pixels of red, green, blue, alpha bytes, alpha as
// stored (never blended; RGBA5650 is opaque). INDEX4/INDEX8: the index rows
// exactly as in the DIB (4-bit: left pixel in the high nibble).
void WriteRgbaRows(const PicturePlan& plan, std::uint8_t* rows, std::uint64_t stride);

// The colour table as ColourTableEntries(plan) entries of red, green, blue,
// alpha, unblended.
void WritePaletteRgba(const PicturePlan& plan, std::uint8_t* out);

}  // namespace tovak::decode
