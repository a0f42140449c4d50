#include "decode/plan.h"

#include <algorithm>

#include "gim/geometry.h"

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
  dxt.per_row = gim::DxtBlocksAcross(*plan.format, image.width);
  const std::uint64_t needed = gim::DxtCompressedBytes(*plan.format, image.width, image.height);
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

Failure ConfigurePicture(const gim::Reader& reader, const gim::Blocks& blocks,
                         PicturePlan& plan) {
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
  if (format.kind == PixelKind::kIndexed) {
    // Only 4-bit and 8-bit indices have a layout every consumer can show.
    if (image.bits_per_pixel != 4 && image.bits_per_pixel != 8) return Failure::kIndexDepth;
    plan.index_bits = image.bits_per_pixel;
  }
  plan.order = gim::ClassifyOrder(image.pixel_order);
  if (plan.order == gim::PixelOrder::kUnknown) return Failure::kUnknownPixelOrder;

  if (image.width == 0 || image.height == 0) return Failure::kNoPixels;
  plan.padded_width = gim::PaddedWidth(format, image.width);
  plan.source_row_bytes = gim::PlaneRowBytes(format, image.width, plan.index_bits);
  return Failure::kNone;
}

Failure LocatePixels(const gim::Reader& reader, PicturePlan& plan) {
  const gim::ImageHeader& image = plan.image;
  const gim::FormatDescription& format = *plan.format;
  if (plan.has_palette && plan.palette.stored != 0) {
    plan.palette_entries =
        reader.Bytes(plan.palette.entries_offset,
                     plan.palette.stored * gim::PaletteEntryBytes(plan.palette.entry_format));
    if (plan.palette_entries == nullptr) return Failure::kPaletteOutside;
  }
  if (format.kind == PixelKind::kDxt) return PlanBlocks(reader, plan);
  plan.source = reader.Bytes(image.header_offset + image.pixels_start,
                             gim::PlaneBytes(format, image.width, image.height, plan.index_bits,
                                             plan.order));
  return plan.source != nullptr ? Failure::kNone : Failure::kPixelsOutside;
}

Failure PlanPicture(const gim::Reader& reader, const gim::Blocks& blocks, PicturePlan& plan) {
  const Failure configured = ConfigurePicture(reader, blocks, plan);
  return configured != Failure::kNone ? configured : LocatePixels(reader, plan);
}

bool IsIndexed(const PicturePlan& plan) {
  return plan.format != nullptr && plan.format->kind == PixelKind::kIndexed;
}

std::uint32_t ColourTableEntries(const PicturePlan& plan) {
  if (IsIndexed(plan)) return gim::IndexCapacity(plan.index_bits);
  return plan.has_palette ? std::min<std::uint32_t>(plan.palette.count, 256) : 0;
}

}  // namespace tovak::decode
