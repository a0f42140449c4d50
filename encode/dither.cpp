#include "encode/dither.h"

#include <algorithm>

#include "decode/expansion.h"
#include "encode/channel_packing.h"

namespace tovak::encode {

std::vector<std::uint8_t> DiffuseToFormat(const std::uint8_t* rgba, std::uint32_t width,
                                          std::uint32_t height,
                                          const gim::FormatDescription& format) {
  const unsigned widths[4] = {format.channels.red, format.channels.green, format.channels.blue,
                              format.channels.alpha};
  std::uint8_t widened[4][256] = {};
  for (int c = 0; c < 4; ++c) {
    if (widths[c] > 0 && widths[c] < 8) decode::BuildExpansionTable(widened[c], static_cast<int>(widths[c]));
  }
  const std::size_t row = std::size_t{width} * 4;
  std::vector<std::uint8_t> out(rgba, rgba + row * height);
  // Errors in sixteenths, for this row and the next, one slot of margin on
  // each side so that no neighbour needs a bounds check.
  std::vector<int> here(row + 8, 0), next(row + 8, 0);
  for (std::uint32_t y = 0; y < height; ++y) {
    const bool leftwards = y % 2 == 1;
    std::fill(next.begin(), next.end(), 0);
    for (std::uint32_t k = 0; k < width; ++k) {
      const std::uint32_t x = leftwards ? width - 1 - k : k;
      const int ahead = leftwards ? -4 : 4;
      std::uint8_t* pixel = &out[y * row + std::size_t{x} * 4];
      for (int c = 0; c < 4; ++c) {
        if (widths[c] == 0 || widths[c] >= 8) continue;
        const std::size_t at = 4 + std::size_t{x} * 4 + c;
        const int wanted = std::clamp(pixel[c] + (here[at] + 8 * (here[at] > 0 ? 1 : -1)) / 16, 0, 255);
        const std::uint8_t shown = widened[c][RoundChannel(static_cast<std::uint32_t>(wanted), widths[c])];
        pixel[c] = shown;
        const int error = wanted - shown;
        here[at + ahead] += 7 * error;
        next[at - ahead] += 3 * error;
        next[at] += 5 * error;
        next[at + ahead] += error;
      }
    }
    here.swap(next);
  }
  return out;
}

}  // namespace tovak::encode
