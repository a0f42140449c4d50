// GIM palette entries to the RGBQUAD colour table of the DIB.
#pragma once

#include <cstdint>

#include "decode/blend.h"

namespace tovak::decode {

// Bytes one palette entry takes: formats 0 to 2 are 16-bit words, every other
// format is read as 4-byte RGBA8888.
std::uint64_t PaletteEntryBytes(std::uint16_t format);

// Converts `count` entries into RGBQUADs at `table` (4 * count bytes), then
// blends them when their format carries alpha. RGBA5650 has none and is
// never blended.
void ConvertPalette(const std::uint8_t* entries, std::uint32_t count,
                    std::uint16_t format, std::uint8_t* table,
                    const BlendSettings& settings);

// Blends RGBQUADs in place; rgbReserved keeps each entry's alpha.
void BlendPalette(std::uint8_t* table, std::int32_t count,
                  const BlendSettings& settings);

}  // namespace tovak::decode
