// Truecolour pictures reduced to a palette by libimagequant (the library
// behind pngquant): alpha-aware palettes and error diffusion. A build
// without it (TOVAK_QUANTISER off) has no quantiser, and an indexed format
// then takes only pictures of few enough colours.
#pragma once

#include <cstdint>
#include <vector>

#include "gim/formats.h"

namespace tovak::encode {

// Whether this build quantises.
bool CanQuantise();

// Chooses at most `colours` (2 to 256) entries for the RGBA picture and
// each pixel's entry: `indices` one byte a pixel, `palette` RGBA entries.
// With a 16-bit `entry_format` the entries are chosen among the colours it
// holds (as precisely as libimagequant's posterization allows), so that
// storing them keeps what was chosen. False when there is no quantiser or
// it fails.
bool Quantise(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
              std::uint32_t colours, const gim::FormatDescription& entry_format, bool dither,
              std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& palette);

}  // namespace tovak::encode
