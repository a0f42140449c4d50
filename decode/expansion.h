// Scaling of 1-, 4-, 5- and 6-bit colour channels to 8 bits.
#pragma once

#include <cstdint>

namespace tovak::decode {

// Entry v of the n-bit table is 255 * v / (2^n - 1) rounded to nearest. This
// is not bit replication: E5[3] is 25 (not 24), E6[48] is 194 (not 195).
// Since 2^n - 1 is odd, no value falls exactly half-way.
constexpr void BuildExpansionTable(std::uint8_t* destination, int n) {
  const int max = (1 << n) - 1;
  const int half = max / 2;
  for (int v = 0; v <= max; ++v) {
    destination[v] = static_cast<std::uint8_t>((255 * v + half) / max);
  }
}

struct ExpansionTables {
  std::uint8_t e1[2] = {};
  std::uint8_t e4[16] = {};
  std::uint8_t e5[32] = {};
  std::uint8_t e6[64] = {};
};

constexpr ExpansionTables MakeExpansionTables() {
  ExpansionTables t;
  BuildExpansionTable(t.e1, 1);
  BuildExpansionTable(t.e4, 4);
  BuildExpansionTable(t.e5, 5);
  BuildExpansionTable(t.e6, 6);
  return t;
}

// Built at compile time and read-only, so every thread may share it.
inline constexpr ExpansionTables kExpansion = MakeExpansionTables();

}  // namespace tovak::decode
