// Planning a decode: the picture's own configuration (its fields, format,
// pixel order, index width, palette and stored plane), and every byte the
// pixel work will read, checked once to lie within the input before any of
// it is read. What a picture becomes in a destination (a DIB, a PNG's rows,
// a WIC client's buffer) is the destination's business, not the plan's.
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
  // Indexed pictures: the index width, 4 or 8; 0 for every other format.
  std::uint16_t index_bits = 0;
  bool has_palette = false;
  gim::PaletteHeader palette;

  std::uint32_t padded_width = 0;

  // The bytes the pixel work reads, each checked to lie within the buffer;
  // null when there is nothing to read.
  const std::uint8_t* source = nullptr;           // the stored plane
  const std::uint8_t* palette_entries = nullptr;  // palette.stored entries
  std::uint64_t source_row_bytes = 0;
  DxtBlocks dxt;  // DXT pictures: the compressed blocks
};

// The picture's configuration from its headers: format, pixel order, index
// width, size and palette header. A picture 0 wide or 0 high is refused: it
// has no pixels to show. Reads no pixel or palette data, so that a caller
// can judge the picture's size before the file's data is looked at.
Failure ConfigurePicture(const gim::Reader& reader, const gim::Blocks& blocks,
                         PicturePlan& plan);

// Finds and checks every byte the pixel work of a configured plan will
// read: the palette's stored entries and the plane or compressed blocks.
Failure LocatePixels(const gim::Reader& reader, PicturePlan& plan);

// Both, in that order. Every failure names unusable input.
Failure PlanPicture(const gim::Reader& reader, const gim::Blocks& blocks, PicturePlan& plan);

bool IsIndexed(const PicturePlan& plan);

// The entries of the picture's colour table as every consumer shows it. An
// indexed picture's table holds every entry its indices can reach (16 or
// 256), those past the palette's stored entries black, so that no index
// lies outside it. A direct-colour picture with a palette has the palette's
// stated entries, at most 256.
std::uint32_t ColourTableEntries(const PicturePlan& plan);

}  // namespace tovak::decode
