#include "decode/palette.h"

#include "decode/colour.h"
#include "decode/row_converters.h"
#include "gim/formats.h"

namespace tovak::decode {
namespace {

template <PixelLayout kOut>
void ConvertAll(const std::uint8_t* entries, std::uint32_t count,
                const gim::FormatDescription& format, const BlendSettings& blend,
                std::uint8_t* out) {
  const bool words = format.kind == gim::PixelKind::kWord16;
  const bool has_alpha = gim::HasAlpha(format);
  for (std::uint32_t k = 0; k < count; ++k) {
    Bgra c = words ? ColourFromWord(LoadWord(entries + 2 * k), format.channels)
                   : ColourFrom8888(entries + 4 * k);
    if constexpr (kOut == PixelLayout::kRgbQuad) {
      // Blended as the picture's pixels are, the entry's alpha kept beside
      // its colour, and 0 where the format has none.
      const std::uint8_t alpha = has_alpha ? c.a : 0;
      c = Blend(c, blend);
      Store32(out + 4 * k, Pack<PixelLayout::kBgra32>({c.b, c.g, c.r, alpha}));
    } else {
      if constexpr (!KeepsAlpha(kOut)) c = Blend(c, blend);
      const std::uint32_t packed = Pack<kOut>(c);
      for (unsigned i = 0; i < kOutBytes<kOut>; ++i) {
        out[kOutBytes<kOut> * k + i] = static_cast<std::uint8_t>(packed >> 8 * i);
      }
    }
  }
}

}  // namespace

void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t entry_format, PixelLayout layout,
                    const BlendSettings& blend, std::uint8_t* out) {
  const gim::FormatDescription& format = *gim::PaletteEntryFormat(entry_format);
  switch (layout) {
    case PixelLayout::kBgr24: ConvertAll<PixelLayout::kBgr24>(entries, count, format, blend, out); return;
    case PixelLayout::kRgb24: ConvertAll<PixelLayout::kRgb24>(entries, count, format, blend, out); return;
    case PixelLayout::kBgra32: ConvertAll<PixelLayout::kBgra32>(entries, count, format, blend, out); return;
    case PixelLayout::kRgba32: ConvertAll<PixelLayout::kRgba32>(entries, count, format, blend, out); return;
    case PixelLayout::kRgbQuad: ConvertAll<PixelLayout::kRgbQuad>(entries, count, format, blend, out); return;
    case PixelLayout::kIndex: return;
  }
}

}  // namespace tovak::decode
