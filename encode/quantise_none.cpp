// The build without libimagequant.
#include "encode/quantise.h"

namespace tovak::encode {

bool CanQuantise() { return false; }

bool Quantise(const std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t,
              const gim::FormatDescription&, bool, std::vector<std::uint8_t>&,
              std::vector<std::uint8_t>&) {
  return false;
}

}  // namespace tovak::encode
