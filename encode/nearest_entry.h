// Pixels onto a palette they were not made with: each pixel takes the entry
// nearest to it, alpha included, measured in the precision of the entries'
// format. The pixel is first reduced to the colour that format would store
// for it, so that two entries the format cannot tell apart from the pixel
// are equally near, and a pixel that is an entry's decoded colour (as a
// converter wrote it out) takes that entry exactly.
#pragma once

#include <cstdint>

#include "gim/formats.h"

namespace tovak::encode {

// The nearest of `count` (at most 256) entries, given as decoded 8-bit RGBA,
// for each of `pixels` RGBA pixels; the first of equally near entries.
void MapToNearestEntries(const std::uint8_t* rgba, std::uint64_t pixels,
                         const std::uint8_t* entries, std::uint32_t count,
                         const gim::FormatDescription& entry_format, std::uint8_t* indices);

}  // namespace tovak::encode
