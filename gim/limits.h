// The size limits every program on the core shares.
#pragma once

#include <cstdint>

namespace tovak::gim {

// The largest block of memory allocated for one file or one picture, and
// the largest file read whole: a 32-bit process could never map more, and
// a DIB's sizes are signed 32-bit fields.
inline constexpr std::uint64_t kMaxBlockBytes = 0x7FFFFFFF;

// Widths and heights are 16-bit header fields.
inline constexpr std::uint32_t kMaxDimension = 65535;

}  // namespace tovak::gim
