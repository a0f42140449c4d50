#include "decode/palette.h"

#include <algorithm>

#include "decode/colour.h"
#include "decode/driver.h"
#include "gim/formats.h"

namespace tovak::decode {

void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t entry_format, PixelLayout layout,
                    const BlendSettings& blend, std::uint8_t* out) {
  if (layout == PixelLayout::kIndex) return;
  const gim::FormatDescription& format = *gim::PaletteEntryFormat(entry_format);
  const bool words = format.kind == gim::PixelKind::kWord16;
  const bool keeps_alpha = KeepsAlpha(layout);
  const bool blue_first = layout != PixelLayout::kRgb24 && layout != PixelLayout::kRgba32;
  const unsigned bytes = LayoutBits(layout, 0) / 8;
  for (std::uint32_t k = 0; k < count; ++k) {
    Bgra c = words ? ColourFromWord(LoadWord(entries + 2 * k), format.channels)
                   : ColourFrom8888(entries + 4 * k);
    // The DIB colour table keeps each entry's alpha beside its blended
    // colour, and 0 where the format has none, as hosts have always had it.
    const std::uint8_t alpha = layout == PixelLayout::kRgbQuad && !gim::HasAlpha(format) ? 0 : c.a;
    if (!keeps_alpha) c = Blend(c, blend);
    std::uint8_t* to = out + bytes * k;
    to[0] = blue_first ? c.b : c.r;
    to[1] = c.g;
    to[2] = blue_first ? c.r : c.b;
    if (bytes == 4) to[3] = alpha;
  }
}

Failure WritePalette(const PicturePlan& plan, const Destination& to) {
  if (to.layout == PixelLayout::kIndex) return Failure::kDestinationUnsuited;
  const std::uint32_t entries = ColourTableEntries(plan);
  if (entries == 0) return Failure::kNone;
  const unsigned entry_bytes = LayoutBits(to.layout, 0) / 8;
  if (to.data == nullptr || to.bytes < std::uint64_t{entries} * entry_bytes) {
    return Failure::kDestinationTooSmall;
  }
  const std::uint32_t stored = std::min(plan.palette.stored, entries);
  if (plan.palette_entries != nullptr) {
    ConvertPalette(plan.palette_entries, stored, plan.palette.entry_format, to.layout, to.blend,
                   to.data);
  }
  // Entries the file holds no colour for are black, opaque where the layout
  // keeps alpha: what the converter has always shown for such indices.
  for (std::uint32_t k = stored; k < entries; ++k) {
    std::uint8_t* entry = to.data + std::uint64_t{k} * entry_bytes;
    std::fill(entry, entry + entry_bytes, std::uint8_t{0});
    if (KeepsAlpha(to.layout)) entry[3] = 0xFF;
  }
  return Failure::kNone;
}

}  // namespace tovak::decode
