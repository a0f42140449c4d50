// The decoding driver: lays out the DIB for a recognised picture, checks that
// everything it will read is present, and fills the header and bits blocks.
// Allocation, the host's progress callback and block ownership belong to the
// plug-in layer, which runs these steps between them.
#pragma once

#include <cstdint>

#include "decode/blend.h"
#include "decode/dxt.h"
#include "gim/byte_view.h"
#include "gim/container.h"

namespace tovak::decode {

inline constexpr std::uint64_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER

enum class Reduction { kNone, kFrom16, kFrom32 };

struct PicturePlan {
  gim::ImageHeader image;
  bool has_palette = false;
  gim::PaletteHeader palette;

  std::uint32_t padded_width = 0;
  std::uint16_t dib_bit_count = 0;    // bit count the rows are laid out at
  std::uint16_t final_bit_count = 0;  // bit count the host receives
  Reduction reduction = Reduction::kNone;

  // The bytes the pixel work reads, each checked to lie within the buffer;
  // null when there is nothing to read.
  const std::uint8_t* source = nullptr;           // the stored plane
  const std::uint8_t* palette_entries = nullptr;  // palette.count entries
  std::uint64_t source_row_bytes = 0;
  std::uint64_t dib_stride = 0;
  std::uint64_t final_stride = 0;

  std::uint64_t header_block_bytes = 0;
  std::uint64_t bits_block_bytes = 0;

  // DXT pictures are decoded into a temporary plane, which then takes the
  // stored plane's place; plane_bytes is 0 when there is none. Big-endian
  // files hold their blocks in S3TC order and are decoded where they lie;
  // little-endian ones (`reorder`) have their first `reorder_units` units
  // put into S3TC order in the bits block, which is decoded from instead.
  DxtKind dxt_kind = DxtKind::kDxt1;
  std::uint64_t plane_bytes = 0;
  const std::uint8_t* compressed_blocks = nullptr;
  bool reorder = false;
  std::uint64_t reorder_units = 0;
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

// `header` holds plan.header_block_bytes zero bytes; writes the
// BITMAPINFOHEADER and the colour table.
void WriteHeaderBlock(const PicturePlan& plan, std::uint8_t* header,
                      const BlendSettings& settings);

// `bits` holds plan.bits_block_bytes zero bytes and `plane`, when
// plan.plane_bytes is not 0, that many zero bytes; lays the rows in
// bottom-up and reduces them to the final bit count in place.
void WriteBitsBlock(const PicturePlan& plan, std::uint8_t* bits, std::uint8_t* plane,
                    const BlendSettings& settings);

}  // namespace tovak::decode
