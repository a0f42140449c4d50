// PNG files written by libspng, an encoder independent of tovak's own PNG
// writer, for the converter's tests and the encode fuzz target's seeds.
#pragma once

#include <cstdint>
#include <vector>

namespace tovak::test {

// A PNG of `rows` of packed samples (16-bit ones in the machine's byte
// order, as libspng takes them), with a palette and its alpha for colour
// type 3; empty when libspng refuses.
std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height,
                                  std::uint8_t colour_type, std::uint8_t depth,
                                  const std::vector<std::uint8_t>& rows,
                                  const std::vector<std::uint8_t>& rgba_palette = {});

}  // namespace tovak::test
