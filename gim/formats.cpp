#include "gim/formats.h"

namespace tovak::gim {
namespace {

constexpr FormatDescription kFormats[] = {
    {kRgba5650, PixelKind::kWord16, 8, 16, WordLayout::k5650, DxtKind::kNone},
    {kRgba5551, PixelKind::kWord16, 8, 16, WordLayout::k5551, DxtKind::kNone},
    {kRgba4444, PixelKind::kWord16, 8, 16, WordLayout::k4444, DxtKind::kNone},
    {kRgba8888, PixelKind::kRgba8888, 4, 32, WordLayout::kNone, DxtKind::kNone},
    {kIndex4, PixelKind::kIndexed, 32, 0, WordLayout::kNone, DxtKind::kNone},
    {kIndex8, PixelKind::kIndexed, 16, 0, WordLayout::kNone, DxtKind::kNone},
    {kDxt1, PixelKind::kDxt, 8, 32, WordLayout::kNone, DxtKind::kDxt1},
    {kDxt3, PixelKind::kDxt, 4, 32, WordLayout::kNone, DxtKind::kDxt3},
    {kDxt5, PixelKind::kDxt, 4, 32, WordLayout::kNone, DxtKind::kDxt5},
    // The _EXT codes hold the same blocks as their bases.
    {kDxt1Ext, PixelKind::kDxt, 8, 32, WordLayout::kNone, DxtKind::kDxt1},
    {kDxt3Ext, PixelKind::kDxt, 4, 32, WordLayout::kNone, DxtKind::kDxt3},
    {kDxt5Ext, PixelKind::kDxt, 4, 32, WordLayout::kNone, DxtKind::kDxt5},
};

}  // namespace

const FormatDescription* DescribeFormat(std::uint16_t code) {
  for (const FormatDescription& format : kFormats) {
    if (format.code == code) return &format;
  }
  return nullptr;
}

std::uint16_t DibBitCount(const FormatDescription& format, std::uint16_t bits_per_pixel) {
  if (format.kind != PixelKind::kIndexed) return 24;
  return bits_per_pixel == 4 || bits_per_pixel == 8 ? bits_per_pixel : 0;
}

std::uint64_t PaletteEntryBytes(std::uint16_t entry_format) {
  const FormatDescription* format = DescribeFormat(entry_format);
  return format != nullptr && format->kind == PixelKind::kWord16 ? 2 : 4;
}

}  // namespace tovak::gim
