#include "encode/colour_index.h"

#include <algorithm>
#include <cstring>

namespace tovak::encode {
namespace {

std::uint32_t ColourAt(const std::uint8_t* rgba, std::uint64_t i) {
  std::uint32_t c = 0;
  std::memcpy(&c, rgba + 4 * i, 4);
  return c;
}

// Every distinct colour, counted once; only when the palette overflows.
std::uint64_t CountColours(const std::uint8_t* rgba, std::uint64_t pixels) {
  std::vector<std::uint32_t> colours(static_cast<std::size_t>(pixels));
  for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = ColourAt(rgba, i);
  std::sort(colours.begin(), colours.end());
  return static_cast<std::uint64_t>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

}  // namespace

std::uint64_t IndexColours(const std::uint8_t* rgba, std::uint64_t pixels, std::uint32_t limit,
                           std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& palette) {
  // Open addressing over twice the most entries a palette has: a slot holds
  // its entry's number plus one, 0 when free.
  constexpr std::uint32_t kSlots = 512;
  std::uint16_t slots[kSlots] = {};
  std::uint32_t entries[256];
  std::uint32_t count = 0;
  indices.assign(static_cast<std::size_t>(pixels), 0);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const std::uint32_t colour = ColourAt(rgba, i);
    std::uint32_t slot = (colour * 0x9E3779B1u) >> 23;
    while (slots[slot] != 0 && entries[slots[slot] - 1] != colour) slot = (slot + 1) % kSlots;
    if (slots[slot] == 0) {
      if (count == limit) return CountColours(rgba, pixels);
      entries[count] = colour;
      slots[slot] = static_cast<std::uint16_t>(++count);
    }
    indices[i] = static_cast<std::uint8_t>(slots[slot] - 1);
  }
  palette.resize(std::size_t{4} * count);
  if (count != 0) std::memcpy(palette.data(), entries, palette.size());
  return count;
}

}  // namespace tovak::encode
