// The palette of a truecolour picture: its distinct RGBA colours in the
// order they first appear, and each pixel's index into them. There is no
// quantiser: a picture of more colours than the palette may hold is refused,
// with the number of colours it has.
#pragma once

#include <cstdint>
#include <vector>

namespace tovak::encode {

// Indexes `pixels` RGBA pixels. When the picture has at most `limit`
// colours, fills `indices` (one byte a pixel) and `palette` (4 bytes an
// entry) and returns the colour count; otherwise returns the count, greater
// than `limit`, and what it filled is incomplete. `limit` is at most 256.
std::uint64_t IndexColours(const std::uint8_t* rgba, std::uint64_t pixels, std::uint32_t limit,
                           std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& palette);

}  // namespace tovak::encode
