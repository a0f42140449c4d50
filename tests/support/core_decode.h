// Decoding through the core (the plug-in's own decoder, no host): a GIM
// file's pixels as 8-bit RGBA, and an indexed picture's indices and palette.
#pragma once

#include <cstdint>
#include <vector>

#include "decode/failure.h"

namespace tovak::test {

struct CoreDecoded {
  decode::Failure failure = decode::Failure::kNone;
  bool recognised = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;     // 4 bytes a pixel, rows top first
  std::vector<std::uint8_t> indices;  // indexed pictures: one byte a pixel
  std::vector<std::uint8_t> palette;  // indexed pictures: the RGBA entries the file stores
};

CoreDecoded DecodeWithCore(const std::vector<std::uint8_t>& file);

}  // namespace tovak::test
