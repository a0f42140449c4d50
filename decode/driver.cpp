#include "decode/driver.h"

#include <algorithm>

#include "decode/palette.h"
#include "decode/reduce.h"
#include "decode/transfer.h"

namespace tovak::decode {
namespace {

using gim::ImageFormat;

// Room always left after the header and colour table, as hosts have come to
// expect of this plug-in's header block.
constexpr std::uint64_t kHeaderSlack = 1024;

struct FormatRule {
  std::uint32_t pad_to;        // stored rows are padded to this many pixels
  std::uint16_t dib_bit_count; // 0: the stored bits_per_pixel
  std::uint16_t source_bits;   // bits a stored pixel takes; 0: bits_per_pixel
};

bool RuleFor(std::uint16_t format, FormatRule& rule) {
  switch (format) {
    case gim::kRgba5650:
    case gim::kRgba5551:
    case gim::kRgba4444:
      // Laid out at 32 bits so each row has room for its 16-bit pixels as
      // stored and for the 24-bit pixels reduced from them in place.
      rule = {8, 32, 16};
      return true;
    case gim::kRgba8888: rule = {4, 32, 32}; return true;
    case gim::kIndex4: rule = {32, 0, 0}; return true;
    case gim::kIndex8: rule = {16, 0, 0}; return true;
    // DXT rows are those of the decoded RGBA plane. DXT1 pads to 8 pixels,
    // so that a block row is a whole number of 16-byte units.
    case gim::kDxt1: case gim::kDxt1Ext: rule = {8, 32, 32}; return true;
    case gim::kDxt3: case gim::kDxt3Ext:
    case gim::kDxt5: case gim::kDxt5Ext: rule = {4, 32, 32}; return true;
    default: return false;
  }
}

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v);
  PutU16(p + 2, v >> 16);
}

// The decoded plane is as long as the transfer reads: whole tile rows in
// swizzled order, the rows past the picture left zero. A pixel order that
// copies nothing needs no plane, so nothing is decoded.
PlanStatus PlanCompressed(const gim::Reader& reader, std::uint64_t plane_bytes,
                          std::uint64_t max_block_bytes, PicturePlan& plan) {
  const gim::ImageHeader& image = plan.image;
  if (plane_bytes == 0) return PlanStatus::kReady;
  if (plane_bytes > max_block_bytes) return PlanStatus::kTooLarge;
  plan.plane_bytes = plane_bytes;

  const std::uint64_t needed =
      DxtCompressedBytes(plan.dxt_kind, plan.padded_width, image.height);
  const std::uint64_t start = image.header_offset + image.pixels_start;
  if (reader.big_endian) {
    plan.compressed_blocks = reader.Bytes(start, needed);
    return plan.compressed_blocks != nullptr ? PlanStatus::kReady : PlanStatus::kUnusable;
  }
  // Every unit pixels_end announces must be present; the units past the
  // blocks the plane is decoded from are not needed. Blocks the file does
  // not supply stay zero in the scratch: transparent black in DXT3 and DXT5
  // (alpha 0), opaque black in DXT1 (equal endpoints, index 0).
  const std::uint64_t stored_units =
      static_cast<std::uint32_t>(image.pixels_end - image.pixels_start) / kDxtUnitBytes;
  plan.compressed_blocks = reader.Bytes(start, stored_units * kDxtUnitBytes);
  if (plan.compressed_blocks == nullptr) return PlanStatus::kUnusable;
  // The bits block always holds the blocks libsquish reads: they take at
  // most padded width x 4 bytes for each started block row of 4 pixel rows,
  // and the block has padded width x 4 bytes for every pixel row.
  plan.reorder = true;
  plan.reorder_units = std::min(stored_units, needed / kDxtUnitBytes);
  return PlanStatus::kReady;
}

}  // namespace

PlanStatus PlanPicture(const gim::Reader& reader, std::uint64_t max_block_bytes,
                       PicturePlan& plan) {
  plan = PicturePlan{};
  const std::uint64_t image_block = gim::FindBlockInRoot(reader, gim::kImageBlock);
  if (image_block == 0 || !gim::ReadImageHeader(reader, image_block, plan.image)) {
    return PlanStatus::kUnusable;
  }
  const gim::ImageHeader& image = plan.image;

  const std::uint64_t palette_block = gim::FindBlockInRoot(reader, gim::kPaletteBlock);
  if (palette_block != 0) {
    plan.has_palette = true;
    if (!gim::ReadPaletteHeader(reader, palette_block, plan.palette)) {
      return PlanStatus::kUnusable;
    }
  }

  FormatRule rule;
  if (!RuleFor(image.image_format, rule)) return PlanStatus::kUnusable;
  // A 16-bit picture is reduced by the 16-bit rules of its format; a format
  // that has none would hand the host bytes no pixel supplied.
  if (image.bits_per_pixel == 16 && !Has16BitRule(image.image_format)) {
    return PlanStatus::kUnusable;
  }

  const std::uint32_t width = image.width;
  const std::uint32_t height = image.height;
  plan.padded_width = (width + rule.pad_to - 1) / rule.pad_to * rule.pad_to;
  plan.dib_bit_count = rule.dib_bit_count != 0 ? rule.dib_bit_count : image.bits_per_pixel;
  const std::uint64_t source_bits = rule.source_bits != 0 ? rule.source_bits : image.bits_per_pixel;
  plan.source_row_bytes = std::uint64_t{plan.padded_width} * source_bits / 8;
  plan.dib_stride = DibStride(width, plan.dib_bit_count);

  if (image.bits_per_pixel == 16) {
    plan.reduction = Reduction::kFrom16;
  } else if (plan.dib_bit_count == 32) {
    plan.reduction = Reduction::kFrom32;
  }
  plan.final_bit_count = plan.reduction == Reduction::kNone ? plan.dib_bit_count : 24;
  plan.final_stride = DibStride(width, plan.final_bit_count);

  const std::uint64_t count = plan.has_palette ? plan.palette.count : 0;
  const bool indexed = image.image_format == gim::kIndex4 || image.image_format == gim::kIndex8;
  // A direct-colour picture keeps its colour table in the slack; a larger
  // palette gets a block that holds every entry biClrUsed announces.
  const std::uint64_t table_bytes = 4 * count;
  plan.header_block_bytes = kInfoHeaderBytes +
      (indexed ? table_bytes + kHeaderSlack
               : (table_bytes > kHeaderSlack ? table_bytes : kHeaderSlack));
  plan.bits_block_bytes = DibStride(plan.padded_width, plan.dib_bit_count) * height;
  if (plan.header_block_bytes > max_block_bytes || plan.bits_block_bytes > max_block_bytes) {
    return PlanStatus::kTooLarge;
  }

  // Everything the pixel work will read, checked once, before any of it.
  if (count != 0) {
    plan.palette_entries = reader.Bytes(plan.palette.entries_offset,
                                        count * PaletteEntryBytes(plan.palette.entry_format));
    if (plan.palette_entries == nullptr) return PlanStatus::kUnusable;
  }
  const std::uint64_t source_bytes =
      SourcePlaneBytes(height, plan.source_row_bytes, image.pixel_order);
  if (DxtKindOf(image.image_format, plan.dxt_kind)) {
    return PlanCompressed(reader, source_bytes, max_block_bytes, plan);
  }
  if (source_bytes != 0) {
    plan.source = reader.Bytes(image.header_offset + image.pixels_start, source_bytes);
    if (plan.source == nullptr) return PlanStatus::kUnusable;
  }
  return PlanStatus::kReady;
}

void WriteHeaderBlock(const PicturePlan& plan, std::uint8_t* header,
                      const BlendSettings& settings) {
  const std::uint32_t count = plan.has_palette ? plan.palette.count : 0;
  PutU32(header + 0, kInfoHeaderBytes);               // biSize
  PutU32(header + 4, plan.image.width);               // biWidth
  PutU32(header + 8, plan.image.height);              // biHeight: bottom-up
  PutU16(header + 12, 1);                             // biPlanes
  PutU16(header + 14, plan.final_bit_count);          // biBitCount
  PutU32(header + 16, 0);                             // biCompression: BI_RGB
  PutU32(header + 20, static_cast<std::uint32_t>(plan.final_stride * plan.image.height));
  PutU32(header + 32, count);                         // biClrUsed
  PutU32(header + 36, count);                         // biClrImportant
  if (plan.palette_entries != nullptr) {
    ConvertPalette(plan.palette_entries, count,
                   plan.palette.entry_format, header + kInfoHeaderBytes, settings);
  }
}

void WriteBitsBlock(const PicturePlan& plan, std::uint8_t* bits, std::uint8_t* plane,
                    const BlendSettings& settings) {
  const gim::ImageHeader& image = plan.image;
  const std::uint8_t* source = plan.source;
  if (plan.plane_bytes != 0) {
    const std::uint8_t* blocks = plan.compressed_blocks;
    if (plan.reorder) {
      // The bits block is scratch until the transfer: it holds the units in
      // S3TC order, and every block libsquish reads (the rest stay zero).
      ReorderDxtUnits(plan.dxt_kind, plan.compressed_blocks, plan.reorder_units, bits);
      blocks = bits;
    }
    DecompressDxt(plan.dxt_kind, blocks, plan.padded_width, image.height, plane);
    source = plane;
  }
  if (source != nullptr) {
    TransferPixels(source, bits, image.height, plan.dib_stride, plan.source_row_bytes,
                   plan.dib_bit_count, image.pixel_order);
  }
  const auto width = static_cast<std::int32_t>(image.width);
  const auto height = static_cast<std::int32_t>(image.height);
  switch (plan.reduction) {
    case Reduction::kFrom16:
      Reduce16To24(bits, width, height, plan.dib_stride, plan.final_stride,
                   image.image_format, settings);
      break;
    case Reduction::kFrom32:
      Reduce32To24(bits, width, height, plan.dib_stride, plan.final_stride, settings);
      break;
    case Reduction::kNone:
      break;
  }
}

}  // namespace tovak::decode
