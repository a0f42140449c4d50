// Planning a decode: the picture's fields, its layout as stored and as a
// DIB, and every byte the pixel work will read, checked once to lie within
// the input before any of it is read.
#pragma once

#include <cstdint>

#include "decode/dxt.h"
#include "decode/failure.h"
#include "gim/byte_view.h"
#include "gim/container.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::decode {

struct PicturePlan {
  gim::ImageHeader image;
  const gim::FormatDescription* format = nullptr;
  gim::PixelOrder order = gim::PixelOrder::kNormal;
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

  // The two blocks a host receives.
  std::uint64_t header_block_bytes = 0;
  std::uint64_t bits_block_bytes = 0;
};

// Plans the picture of a recognised buffer. kTooLarge when a block would be
// larger than `max_block_bytes`; every other failure names unusable input.
Failure PlanPicture(const gim::Reader& reader, const gim::Blocks& blocks,
                    std::uint64_t max_block_bytes, PicturePlan& plan);

// The entries of the colour table: the palette's count, but never more than
// the DIB can index (16 for a 4-bit DIB, 256 otherwise).
std::uint32_t ColourTableEntries(const PicturePlan& plan);

bool IsIndexed(const PicturePlan& plan);

}  // namespace tovak::decode
