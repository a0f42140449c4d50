// GIM palette entries to colour-table entries of a destination layout.
#pragma once

#include <cstdint>

#include "decode/blend.h"
#include "decode/destination.h"

namespace tovak::decode {

// Converts `count` entries of the palette format `entry_format` into `out`
// (count entries of the layout, which is not kIndex). The 16-bit formats'
// entries are read as such, every other format as RGBA8888.
void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t entry_format, PixelLayout layout,
                    const BlendSettings& blend, std::uint8_t* out);

}  // namespace tovak::decode
