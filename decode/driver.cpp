#include "decode/driver.h"

#include <algorithm>

#include "decode/palette.h"
#include "decode/plane_walk.h"
#include "decode/row_converters.h"

namespace tovak::decode {
namespace {

using gim::PixelKind;
using gim::WordLayout;

// Room always left after the header and colour table, as hosts have come to
// expect of this plug-in's header block.
constexpr std::uint64_t kHeaderSlack = 1024;

void PutU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  PutU16(p, v);
  PutU16(p + 2, v >> 16);
}

// Big-endian files hold their blocks in S3TC order; every block the picture
// is made of must be there. Little-endian files announce their units with
// pixels_end: every announced unit must be there, and blocks the file does
// not supply decode as zero blocks (transparent black in DXT3 and DXT5,
// opaque black in DXT1: equal endpoints, index 0).
PlanStatus PlanBlocks(const gim::Reader& reader, PicturePlan& plan) {
  const gim::ImageHeader& image = plan.image;
  DxtBlocks& dxt = plan.dxt;
  dxt.kind = plan.format->dxt;
  dxt.per_row = plan.padded_width / 4;
  const std::uint64_t block_bytes = DxtBlockBytes(dxt.kind);
  const std::uint64_t needed = DxtCompressedBytes(dxt.kind, plan.padded_width, image.height);
  const std::uint64_t start = image.header_offset + image.pixels_start;
  std::uint64_t stored = needed;
  if (!reader.big_endian) {
    stored = std::uint64_t{static_cast<std::uint32_t>(image.pixels_end - image.pixels_start) /
                           kDxtUnitBytes} * kDxtUnitBytes;
    dxt.reorder = true;
  }
  dxt.blocks = reader.Bytes(start, stored);
  if (dxt.blocks == nullptr) return PlanStatus::kUnusable;
  dxt.present = std::min(stored, needed) / block_bytes;
  return PlanStatus::kReady;
}

// Runs one converter over the picture, walking the stored plane or the
// compressed blocks in the picture's pixel order.
template <class Converter>
void WritePixels(const PicturePlan& plan, const Converter& convert, OutputRows out) {
  const gim::ImageHeader& image = plan.image;
  if (image.width == 0 || image.height == 0) return;
  if (image.pixel_order != kNormalOrder && image.pixel_order != kSwizzledOrder) {
    FillFromZeros(convert, image.width, image.height, out);
    return;
  }
  const bool swizzled = image.pixel_order == kSwizzledOrder;
  if constexpr (Converter::kSourceBits == 32) {
    if (plan.format->kind == PixelKind::kDxt) {
      if (swizzled) {
        WalkDxtSwizzled(convert, plan.dxt, image.width, image.height, out);
      } else {
        WalkDxtNormal(convert, plan.dxt, image.width, image.height, out);
      }
      return;
    }
  }
  if (swizzled) {
    WalkSwizzled(convert, plan.source, plan.source_row_bytes, image.width, image.height, out);
  } else {
    WalkNormal(convert, plan.source, plan.source_row_bytes, image.width, image.height, out);
  }
}

// Index rows are the same in the DIB and for converters.
bool WriteIndices(const PicturePlan& plan, OutputRows out) {
  if (plan.format->kind != PixelKind::kIndexed) return false;
  if (plan.dib_bit_count == 4) {
    WritePixels(plan, Index4Swap{}, out);
  } else {
    WritePixels(plan, Index8Copy{}, out);
  }
  return true;
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

  plan.format = gim::DescribeFormat(image.image_format);
  if (plan.format == nullptr) return PlanStatus::kUnusable;
  const gim::FormatDescription& format = *plan.format;
  plan.dib_bit_count = gim::DibBitCount(format, image.bits_per_pixel);
  if (plan.dib_bit_count == 0) return PlanStatus::kUnusable;
  const bool indexed = format.kind == PixelKind::kIndexed;

  const std::uint32_t width = image.width;
  const std::uint32_t height = image.height;
  plan.padded_width = (width + format.pad_to - 1) / format.pad_to * format.pad_to;
  const std::uint64_t pixel_bits = indexed ? plan.dib_bit_count : format.pixel_bits;
  plan.source_row_bytes = std::uint64_t{plan.padded_width} * pixel_bits / 8;
  plan.dib_stride = DibStride(width, plan.dib_bit_count);

  // A direct-colour picture keeps its colour table in the slack; a larger
  // palette gets a block of 4 bytes for each of its entries.
  const std::uint64_t table_bytes = 4 * std::uint64_t{plan.has_palette ? plan.palette.count : 0u};
  plan.header_block_bytes = kInfoHeaderBytes +
      (indexed ? table_bytes + kHeaderSlack : std::max(table_bytes, kHeaderSlack));
  // Hosts have always received a bits block of padded rows at 32 bits for
  // direct-colour pictures; it keeps that size, the bytes past the picture
  // zero.
  plan.bits_block_bytes =
      DibStride(plan.padded_width, indexed ? plan.dib_bit_count : 32) * height;
  if (plan.header_block_bytes > max_block_bytes || plan.bits_block_bytes > max_block_bytes) {
    return PlanStatus::kTooLarge;
  }

  // Everything the pixel work will read, checked once, before any of it.
  if (table_bytes != 0) {
    plan.palette_entries =
        reader.Bytes(plan.palette.entries_offset,
                     plan.palette.count * gim::PaletteEntryBytes(plan.palette.entry_format));
    if (plan.palette_entries == nullptr) return PlanStatus::kUnusable;
  }
  // A pixel order that copies nothing reads nothing.
  if (SourcePlaneBytes(height, plan.source_row_bytes, image.pixel_order) == 0) {
    return PlanStatus::kReady;
  }
  if (format.kind == PixelKind::kDxt) return PlanBlocks(reader, plan);
  plan.source = reader.Bytes(image.header_offset + image.pixels_start,
                             SourcePlaneBytes(height, plan.source_row_bytes, image.pixel_order));
  return plan.source != nullptr ? PlanStatus::kReady : PlanStatus::kUnusable;
}

std::uint32_t ColourTableEntries(const PicturePlan& plan) {
  if (!plan.has_palette) return 0;
  return std::min<std::uint32_t>(plan.palette.count, plan.dib_bit_count == 4 ? 16 : 256);
}

bool IsIndexed(const PicturePlan& plan) {
  return plan.format != nullptr && plan.format->kind == PixelKind::kIndexed;
}

void WriteHeaderBlock(const PicturePlan& plan, std::uint8_t* header,
                      const BlendSettings& settings) {
  const std::uint32_t entries = ColourTableEntries(plan);
  PutU32(header + 0, kInfoHeaderBytes);               // biSize
  PutU32(header + 4, plan.image.width);               // biWidth
  PutU32(header + 8, plan.image.height);              // biHeight: bottom-up
  PutU16(header + 12, 1);                             // biPlanes
  PutU16(header + 14, plan.dib_bit_count);            // biBitCount
  PutU32(header + 16, 0);                             // biCompression: BI_RGB
  PutU32(header + 20, static_cast<std::uint32_t>(plan.dib_stride * plan.image.height));
  PutU32(header + 32, entries);                       // biClrUsed
  PutU32(header + 36, entries);                       // biClrImportant
  if (plan.palette_entries != nullptr) {
    ConvertPalette(plan.palette_entries, entries, plan.palette.entry_format,
                   header + kInfoHeaderBytes, settings);
  }
}

void WriteBitsBlock(const PicturePlan& plan, std::uint8_t* bits, const BlendSettings& settings) {
  if (plan.image.height == 0) return;
  const OutputRows out{bits + (plan.image.height - 1) * plan.dib_stride,
                       -static_cast<std::int64_t>(plan.dib_stride)};
  if (WriteIndices(plan, out)) return;
  switch (plan.format->word) {
    case WordLayout::k5650: WritePixels(plan, DibFrom5650{}, out); return;
    case WordLayout::k5551: WritePixels(plan, DibFrom5551{settings}, out); return;
    case WordLayout::k4444: WritePixels(plan, DibFrom4444{settings}, out); return;
    case WordLayout::kNone: WritePixels(plan, DibFrom8888(settings), out); return;
  }
}

void WriteRgbaRows(const PicturePlan& plan, std::uint8_t* rows, std::uint64_t stride) {
  const OutputRows out{rows, static_cast<std::int64_t>(stride)};
  if (WriteIndices(plan, out)) return;
  switch (plan.format->word) {
    case WordLayout::k5650: WritePixels(plan, RgbaFromWord<WordLayout::k5650>{}, out); return;
    case WordLayout::k5551: WritePixels(plan, RgbaFromWord<WordLayout::k5551>{}, out); return;
    case WordLayout::k4444: WritePixels(plan, RgbaFromWord<WordLayout::k4444>{}, out); return;
    case WordLayout::kNone: WritePixels(plan, RgbaCopy{}, out); return;
  }
}

void WritePaletteRgba(const PicturePlan& plan, std::uint8_t* out) {
  if (plan.palette_entries == nullptr) return;
  ConvertPaletteRgba(plan.palette_entries, ColourTableEntries(plan), plan.palette.entry_format,
                     out);
}

}  // namespace tovak::decode
