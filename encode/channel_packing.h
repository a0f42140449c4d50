// 8-bit RGBA colours to the stored bytes of a direct-colour format, by the
// format table's channel widths: each channel rounded to the nearest value of
// its width, then packed red lowest, then green, blue and alpha, and stored
// least significant byte first (RGBA8888: the bytes red, green, blue,
// alpha). No dithering: every pixel on its own.
#pragma once

#include <cstdint>

#include "gim/formats.h"

namespace tovak::encode {

// The n-bit value nearest to v / 255 of the full scale: round(v * (2^n - 1) /
// 255). Decoding widens q to round(q * 255 / (2^n - 1)), so the pair gives the
// representable colour nearest to v. No value falls half-way: 255 is odd.
constexpr std::uint32_t RoundChannel(std::uint32_t v, unsigned bits) {
  if (bits >= 8) return v;
  const std::uint32_t max = (1u << bits) - 1;
  return (v * max + 127) / 255;
}

// One table a channel, built once for a format: the channel's rounded value
// already shifted into place.
class ChannelPacker {
 public:
  explicit ChannelPacker(const gim::FormatDescription& format);

  std::uint32_t Pack(const std::uint8_t* rgba) const {
    return table_[0][rgba[0]] | table_[1][rgba[1]] | table_[2][rgba[2]] | table_[3][rgba[3]];
  }
  // Writes the colour's stored bytes: 2 or 4 of them.
  void Store(const std::uint8_t* rgba, std::uint8_t* out) const {
    const std::uint32_t packed = Pack(rgba);
    for (unsigned i = 0; i < bytes_; ++i) out[i] = static_cast<std::uint8_t>(packed >> 8 * i);
  }
  unsigned bytes() const { return bytes_; }

 private:
  std::uint32_t table_[4][256];
  unsigned bytes_;
};

}  // namespace tovak::encode
