// In-place reduction of 16-bit and 32-bit DIB rows to 24-bit rows, blended
// against the background colour where alpha would otherwise be lost.
#pragma once

#include <cstdint>

#include "decode/blend.h"

namespace tovak::decode {

// Both passes read `height` rows at `input_stride` (4 * width) from `bits` and
// write them back at `output_stride` (the 24-bit stride), row 0 first, each
// pixel as blue, green, red. Bytes after a row's pixels are left as they are.

// 16-bit words, least significant byte first, in the given GIM format. A
// format without a 16-bit rule converts nothing.
void Reduce16To24(std::uint8_t* bits, std::int32_t width, std::int32_t height,
                  std::uint64_t input_stride, std::uint64_t output_stride,
                  std::uint16_t image_format, const BlendSettings& settings);

// Four bytes per pixel: red, green, blue, alpha.
void Reduce32To24(std::uint8_t* bits, std::int32_t width, std::int32_t height,
                  std::uint64_t input_stride, std::uint64_t output_stride,
                  const BlendSettings& settings);

// True for the formats Reduce16To24 has a rule for.
bool Has16BitRule(std::uint16_t image_format);

}  // namespace tovak::decode
