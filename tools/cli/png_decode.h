// PNG files read through libspng: a paletted PNG as its indices (one byte a
// pixel) and palette with the tRNS alpha; any other PNG, grey or 16-bit
// included, as 8-bit RGBA (libspng keeps the high byte of 16-bit samples).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "encode/encode.h"
#include "gim/byte_view.h"

namespace tovak::cli {

struct DecodedPng {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool indexed = false;
  std::vector<std::uint8_t> pixels;   // RGBA, or indices when indexed; rows top first
  std::vector<std::uint8_t> palette;  // indexed: RGBA entries
};

// Reads the whole PNG; an empty string on success, else the reason. The
// header's size is checked before any pixel is decoded: no width or height
// of 0 or over 65535, no picture of 2 GiB or more.
std::string DecodePng(gim::ByteView png, DecodedPng& out);

// The decoded PNG as the encoder takes it; it points into `png`.
encode::SourcePicture SourcePictureOf(const DecodedPng& png);

}  // namespace tovak::cli
