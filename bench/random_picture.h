// The pictures the benchmarks time: pseudo-random pixels written by the GIM
// writer. Random RGBA (alpha varies on nearly every pixel, so blending runs
// everywhere), compressed with libsquish's quick range fit for DXT; indexed
// pictures random indices into a random palette of the format's size.
#pragma once

#include <cstdint>
#include <vector>

#include "encode/encode.h"
#include "gim/formats.h"

namespace tovak::bench {

using Bytes = std::vector<std::uint8_t>;

inline Bytes RandomBytes(std::size_t count, std::uint32_t seed) {
  Bytes out(count);
  for (auto& b : out) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return out;
}

// Empty when the writer refuses the case (swizzled DXT of a side that is no
// multiple of 8).
inline Bytes RandomPicture(std::uint16_t format, std::uint16_t side, bool swizzled = false,
                           bool big_endian = false) {
  const Bytes rgba = RandomBytes(std::size_t{4} * side * side, 12345u + format);
  encode::EncodeOptions options;
  options.format = format;
  options.swizzled = swizzled;
  options.big_endian = big_endian;
  options.dxt_quality = encode::DxtQuality::kRangeFit;
  encode::SourcePicture picture{side, side, rgba.data()};
  Bytes indices;
  const Bytes palette = RandomBytes(1024, 7);
  if (gim::DescribeFormat(format)->kind == gim::PixelKind::kIndexed) {
    const std::uint32_t entries = format == gim::kIndex4 ? 16 : 256;
    indices.resize(std::size_t{side} * side);
    for (std::size_t i = 0; i < indices.size(); ++i) {
      indices[i] = static_cast<std::uint8_t>(rgba[i] % entries);
    }
    picture = {side, side, nullptr, indices.data(), palette.data(), entries};
  }
  Bytes file;
  encode::Encode(picture, options, file);
  return file;
}

}  // namespace tovak::bench
