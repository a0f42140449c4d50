#include "decode/palette.h"

#include "decode/colour.h"
#include "gim/formats.h"

namespace tovak::decode {
namespace {

Bgra Entry(const std::uint8_t* entries, std::uint32_t k, std::uint16_t format) {
  switch (format) {
    case gim::kRgba5650: return From5650(LoadWord(entries + 2 * k));
    case gim::kRgba5551: return From5551(LoadWord(entries + 2 * k));
    case gim::kRgba4444: return From4444(LoadWord(entries + 2 * k));
    default: return From8888(entries + 4 * k);
  }
}

}  // namespace

void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t format, std::uint8_t* table,
                    const BlendSettings& settings) {
  for (std::uint32_t k = 0; k < count; ++k) {
    Bgra c = Entry(entries, k, format);
    const std::uint8_t alpha = c.a;
    if (format != gim::kRgba5650) c = Blend(c, settings);
    std::uint8_t* out = table + 4 * k;
    out[0] = c.b;
    out[1] = c.g;
    out[2] = c.r;
    out[3] = alpha;  // rgbReserved keeps each entry's alpha
  }
}

void ConvertPaletteRgba(const std::uint8_t* entries, std::uint32_t count,
                        std::uint16_t format, std::uint8_t* out) {
  for (std::uint32_t k = 0; k < count; ++k) {
    const Bgra c = Entry(entries, k, format);
    out[4 * k] = c.r;
    out[4 * k + 1] = c.g;
    out[4 * k + 2] = c.b;
    out[4 * k + 3] = format == gim::kRgba5650 ? 255 : c.a;
  }
}

}  // namespace tovak::decode
