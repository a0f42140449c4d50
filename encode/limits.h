// The largest buffer the encoder makes: every plane it stores and every
// file it writes stays below 2 GiB, which also keeps every size and offset
// within the container's 32-bit fields.
#pragma once

#include <cstdint>

#include "gim/limits.h"

namespace tovak::encode {

inline constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 31;

using gim::kMaxDimension;

}  // namespace tovak::encode
