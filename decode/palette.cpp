#include "decode/palette.h"

#include "decode/colour.h"
#include "gim/container.h"

namespace tovak::decode {

std::uint64_t PaletteEntryBytes(std::uint16_t format) {
  return format <= gim::kRgba4444 ? 2 : 4;
}

void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t format, std::uint8_t* table,
                    const BlendSettings& settings) {
  for (std::uint32_t k = 0; k < count; ++k) {
    Bgra c;
    switch (format) {
      case gim::kRgba5650: c = From5650(LoadWord(entries + 2 * k)); break;
      case gim::kRgba5551: c = From5551(LoadWord(entries + 2 * k)); break;
      case gim::kRgba4444: c = From4444(LoadWord(entries + 2 * k)); break;
      default: c = From8888(entries + 4 * k); break;
    }
    std::uint8_t* out = table + 4 * k;
    out[0] = c.b;
    out[1] = c.g;
    out[2] = c.r;
    out[3] = c.a;
  }
  if (format != gim::kRgba5650) {
    BlendPalette(table, static_cast<std::int32_t>(count), settings);
  }
}

void BlendPalette(std::uint8_t* table, std::int32_t count,
                  const BlendSettings& settings) {
  if (!settings.alpha_blend) return;
  for (std::int32_t k = 0; k < count; ++k) {
    std::uint8_t* entry = table + 4 * k;
    const Bgra c = Blend({entry[0], entry[1], entry[2], entry[3]}, settings);
    entry[0] = c.b;
    entry[1] = c.g;
    entry[2] = c.r;
  }
}

}  // namespace tovak::decode
