// The texels of one S3TC block, computed from its endpoints and indices by
// the S3TC rules (with the widening and rounding libsquish uses where the
// format leaves them open), to derive the pixels a DXT picture must show.
#pragma once

#include <array>
#include <cstdint>

#include "fixture/dxt_blocks.h"

namespace tovak::test {

struct Texel {
  int red = 0, green = 0, blue = 0, alpha = 0;
  bool operator==(const Texel&) const = default;
};

// Texel i is row i / 4, column i % 4 of the block. `format` is a DXT code.
std::array<Texel, 16> ReferenceTexels(std::uint16_t format, const fixture::Block& block);

}  // namespace tovak::test
