#include "decode/plan.h"

#include <algorithm>

#include "decode/dib.h"

namespace tovak::decode {
namespace {

using gim::PixelKind;

// Big-endian files hold their blocks in S3TC order, and every block the
// picture is made of must be there. Little-endian files announce their data
// in 16-byte units with pixels_end: every announced unit must be there, and
// they must hold every block that decoding reads.
Failure PlanBlocks(const gim::Reader& reader, PicturePlan& plan) {
  const gim::ImageHeader& image = plan.image;
  DxtBlocks& dxt = plan.dxt;
  dxt.kind = plan.format->dxt;
  dxt.per_row = plan.padded_width / 4;
  const std::uint64_t needed = DxtCompressedBytes(dxt.kind, plan.padded_width, image.height);
  const std::uint64_t start = image.header_offset + image.pixels_start;
  std::uint64_t stored = needed;
  if (!reader.big_endian) {
    stored = std::uint64_t{static_cast<std::uint32_t>(image.pixels_end - image.pixels_start) /
                           gim::kDxtUnitBytes} * gim::kDxtUnitBytes;
    dxt.reorder = true;
  }
  dxt.blocks = reader.Bytes(start, stored);
  if (dxt.blocks == nullptr) return Failure::kPixelsOutside;
  return stored < needed ? Failure::kPixelsShort : Failure::kNone;
}

}  // namespace

Failure PlanPicture(const gim::Reader& reader, const gim::Blocks& blocks,
                    std::uint64_t max_block_bytes, PicturePlan& plan) {
  plan = PicturePlan{};
  if (blocks.image == 0 || !gim::ReadImageHeader(reader, blocks.image, plan.image)) {
    return Failure::kImageHeaderOutside;
  }
  const gim::ImageHeader& image = plan.image;
  if (blocks.palette != 0) {
    plan.has_palette = true;
    if (!gim::ReadPaletteHeader(reader, blocks.palette, plan.palette)) {
      return Failure::kPaletteOutside;
    }
  }

  plan.format = gim::DescribeFormat(image.image_format);
  if (plan.format == nullptr) return Failure::kUnknownFormat;
  const gim::FormatDescription& format = *plan.format;
  plan.dib_bit_count = gim::DibBitCount(format, image.bits_per_pixel);
  if (plan.dib_bit_count == 0) return Failure::kIndexDepth;
  plan.order = gim::ClassifyOrder(image.pixel_order);
  if (plan.order == gim::PixelOrder::kUnknown) return Failure::kUnknownPixelOrder;

  const std::uint32_t width = image.width;
  const std::uint32_t height = image.height;
  plan.padded_width = (width + format.pad_to - 1) / format.pad_to * format.pad_to;
  const std::uint64_t plane_bits =
      format.kind == PixelKind::kIndexed ? plan.dib_bit_count : format.plane_bits;
  plan.source_row_bytes = std::uint64_t{plan.padded_width} * plane_bits / 8;
  plan.dib_stride = DibStride(width, plan.dib_bit_count);
  SizeDibBlocks(plan);
  if (plan.header_block_bytes > max_block_bytes || plan.bits_block_bytes > max_block_bytes) {
    return Failure::kTooLarge;
  }

  // Everything the pixel work will read, checked once, before any of it.
  if (plan.has_palette && plan.palette.count != 0) {
    plan.palette_entries =
        reader.Bytes(plan.palette.entries_offset,
                     plan.palette.count * gim::PaletteEntryBytes(plan.palette.entry_format));
    if (plan.palette_entries == nullptr) return Failure::kPaletteOutside;
  }
  if (width == 0 || height == 0) return Failure::kNone;
  if (format.kind == PixelKind::kDxt) return PlanBlocks(reader, plan);
  plan.source = reader.Bytes(image.header_offset + image.pixels_start,
                             gim::StoredPlaneBytes(height, plan.source_row_bytes, plan.order));
  return plan.source != nullptr ? Failure::kNone : Failure::kPixelsOutside;
}

std::uint32_t ColourTableEntries(const PicturePlan& plan) {
  if (!plan.has_palette) return 0;
  return std::min<std::uint32_t>(plan.palette.count, plan.dib_bit_count == 4 ? 16 : 256);
}

bool IsIndexed(const PicturePlan& plan) {
  return plan.format != nullptr && plan.format->kind == PixelKind::kIndexed;
}

}  // namespace tovak::decode
