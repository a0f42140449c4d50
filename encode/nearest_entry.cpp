#include "encode/nearest_entry.h"

#include <cstring>
#include <unordered_map>

#include "decode/expansion.h"
#include "encode/channel_packing.h"

namespace tovak::encode {
namespace {

// For each channel, what the format stores for an 8-bit value, widened back
// as decoding widens it. A channel the format lacks reads as opaque.
struct Reduction {
  std::uint8_t shown[4][256];

  explicit Reduction(const gim::FormatDescription& format) : shown{} {
    const unsigned widths[4] = {format.channels.red, format.channels.green,
                                format.channels.blue, format.channels.alpha};
    for (int c = 0; c < 4; ++c) {
      std::uint8_t widened[256] = {};
      if (widths[c] > 0 && widths[c] < 8) decode::BuildExpansionTable(widened, static_cast<int>(widths[c]));
      for (std::uint32_t v = 0; v < 256; ++v) {
        if (widths[c] == 0) {
          shown[c][v] = 255;
        } else if (widths[c] >= 8) {
          shown[c][v] = static_cast<std::uint8_t>(v);
        } else {
          shown[c][v] = widened[RoundChannel(v, widths[c])];
        }
      }
    }
  }
};

std::uint8_t Nearest(const std::uint8_t* pixel, const Reduction& reduction,
                     const std::uint8_t* entries, std::uint32_t count) {
  int reduced[4];
  for (int c = 0; c < 4; ++c) reduced[c] = reduction.shown[c][pixel[c]];
  std::uint32_t best = 0;
  int best_distance = 4 * 255 * 255 + 1;
  for (std::uint32_t e = 0; e < count && best_distance != 0; ++e) {
    int distance = 0;
    for (int c = 0; c < 4; ++c) {
      const int d = reduced[c] - entries[4 * e + c];
      distance += d * d;
    }
    if (distance < best_distance) {
      best_distance = distance;
      best = e;
    }
  }
  return static_cast<std::uint8_t>(best);
}

}  // namespace

void MapToNearestEntries(const std::uint8_t* rgba, std::uint64_t pixels,
                         const std::uint8_t* entries, std::uint32_t count,
                         const gim::FormatDescription& entry_format, std::uint8_t* indices) {
  const Reduction reduction(entry_format);
  // Edited textures repeat a few colours over many pixels: each colour is
  // searched for once.
  std::unordered_map<std::uint32_t, std::uint8_t> found;
  for (std::uint64_t i = 0; i < pixels; ++i) {
    const std::uint8_t* pixel = rgba + 4 * i;
    std::uint32_t key = 0;
    std::memcpy(&key, pixel, 4);
    const auto [at, added] = found.try_emplace(key, std::uint8_t{0});
    if (added) at->second = Nearest(pixel, reduction, entries, count);
    indices[i] = at->second;
  }
}

}  // namespace tovak::encode
