// xorshift32 from a fixed seed: the same pseudo-random pixels on every run.
#pragma once

#include <cstdint>

namespace tovak::test {

struct Random {
  std::uint32_t state = 0x2545F491;
  std::uint32_t Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Next() >> 11); }
};

}  // namespace tovak::test
