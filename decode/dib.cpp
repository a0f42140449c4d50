#include "decode/dib.h"

#include <algorithm>

#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/limits.h"

namespace tovak::decode {
namespace {

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

}  // namespace

Failure ShapeDib(const PicturePlan& plan, DibShape& shape) {
  const bool indexed = IsIndexed(plan);
  shape.bit_count = indexed ? plan.index_bits : 24;
  shape.stride = DibStride(plan.image.width, shape.bit_count);
  // A direct-colour picture keeps its colour table in the slack; a larger
  // palette gets a block of 4 bytes for each of its stated entries. The
  // slack always holds an indexed picture's whole table of 16 or 256.
  const std::uint64_t table_bytes = 4 * std::uint64_t{plan.has_palette ? plan.palette.count : 0u};
  shape.header_block_bytes = kInfoHeaderBytes +
      (indexed ? table_bytes + kHeaderSlack : std::max(table_bytes, kHeaderSlack));
  // Hosts have always received a bits block of padded rows at 32 bits for
  // direct-colour pictures; it keeps that size, the bytes past the picture
  // zero.
  shape.bits_block_bytes =
      DibStride(plan.padded_width, indexed ? plan.index_bits : 32) * plan.image.height;
  return shape.header_block_bytes > gim::kMaxBlockBytes || shape.bits_block_bytes > gim::kMaxBlockBytes
             ? Failure::kTooLarge
             : Failure::kNone;
}

void WriteHeaderBlock(const PicturePlan& plan, const DibShape& shape, std::uint8_t* header,
                      const BlendSettings& settings) {
  const std::uint32_t entries = ColourTableEntries(plan);
  PutU32(header + 0, kInfoHeaderBytes);               // biSize
  PutU32(header + 4, plan.image.width);               // biWidth
  PutU32(header + 8, plan.image.height);              // biHeight: bottom-up
  PutU16(header + 12, 1);                             // biPlanes
  PutU16(header + 14, shape.bit_count);               // biBitCount
  PutU32(header + 16, 0);                             // biCompression: BI_RGB
  PutU32(header + 20, static_cast<std::uint32_t>(shape.stride * plan.image.height));
  PutU32(header + 32, entries);                       // biClrUsed
  PutU32(header + 36, entries);                       // biClrImportant
  WritePalette(plan, {PixelLayout::kRgbQuad, header + kInfoHeaderBytes,
                      shape.header_block_bytes - kInfoHeaderBytes, 0, RowOrder::kTopDown,
                      settings});
}

Failure WriteBitsBlock(const PicturePlan& plan, const DibShape& shape, std::uint8_t* bits,
                       const BlendSettings& settings) {
  return WritePixelsIn<PixelLayout::kBgr24>(
      plan, {IsIndexed(plan) ? PixelLayout::kIndex : PixelLayout::kBgr24, bits,
             shape.bits_block_bytes, shape.stride, RowOrder::kBottomUp, settings});
}

}  // namespace tovak::decode
