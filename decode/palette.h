// GIM palette entries to the RGBQUAD colour table of the DIB, or to RGBA
// entries for converters.
#pragma once

#include <cstdint>

#include "decode/blend.h"

namespace tovak::decode {

// Converts `count` entries into RGBQUADs at `table` (4 * count bytes), then
// blends them when their format carries alpha. The 16-bit layouts are read
// as such, every other format as RGBA8888. RGBA5650 has no alpha: its
// entries keep 0 in rgbReserved and are never blended.
void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t format, std::uint8_t* table,
                    const BlendSettings& settings);

// The same entries as red, green, blue, alpha bytes, unblended; RGBA5650
// entries are opaque.
void ConvertPaletteRgba(const std::uint8_t* entries, std::uint32_t count,
                        std::uint16_t format, std::uint8_t* out);

}  // namespace tovak::decode
