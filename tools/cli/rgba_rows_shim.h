// TEMPORARY: the converter's output target of the decoding driver, as it will
// be declared in decode/driver.h, over today's driver. Deleted when the core
// provides these.
#pragma once

#include <cstdint>

#include "decode/driver.h"

namespace tovak::decode {

std::uint32_t ColourTableEntries(const PicturePlan& plan);
bool IsIndexed(const PicturePlan& plan);
void WriteRgbaRows(const PicturePlan& plan, std::uint8_t* rows, std::uint64_t stride);
void WritePaletteRgba(const PicturePlan& plan, std::uint8_t* out);

}  // namespace tovak::decode
