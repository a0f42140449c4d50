// Error diffusion (Floyd and Steinberg's weights, rows walked in alternate
// directions) to the channel widths of a direct-colour format: each channel
// becomes a value the format holds, and what rounding took from a pixel is
// passed on to its neighbours, so that gradients keep their average colour
// instead of falling into bands.
#pragma once

#include <cstdint>
#include <vector>

#include "gim/formats.h"

namespace tovak::encode {

// The picture with every channel at a value `format` holds, widened to 8
// bits as decoding widens it; channels of 8 bits (or none) unchanged.
std::vector<std::uint8_t> DiffuseToFormat(const std::uint8_t* rgba, std::uint32_t width,
                                          std::uint32_t height,
                                          const gim::FormatDescription& format);

}  // namespace tovak::encode
