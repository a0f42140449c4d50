#include "encode/channel_packing.h"

namespace tovak::encode {

ChannelPacker::ChannelPacker(const gim::FormatDescription& format)
    : table_{}, bytes_(format.plane_bits / 8u) {
  const unsigned widths[4] = {format.channels.red, format.channels.green, format.channels.blue,
                              format.channels.alpha};
  unsigned at = 0;
  for (int c = 0; c < 4; ++c) {
    // A channel of no bits (RGBA5650's alpha) stores nothing.
    if (widths[c] == 0) continue;
    for (std::uint32_t v = 0; v < 256; ++v) table_[c][v] = RoundChannel(v, widths[c]) << at;
    at += widths[c];
  }
}

}  // namespace tovak::encode
