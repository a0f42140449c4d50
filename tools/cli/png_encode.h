// PNG files through libspng: 8-bit RGB or RGBA rows, or palette indexes with
// the palette and its alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tovak::cli {

enum class PngColour { kRgb, kRgba, kIndexed };

// How hard deflate works on the rows: CPU time against file size. Every
// choice gives the same pixels.
enum class PngCompression { kFast, kDefault, kSmall };

struct PngPicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  PngColour colour = PngColour::kRgba;
  std::uint8_t bit_depth = 8;  // 1, 2, 4 or 8 for kIndexed, else 8
  // Row y (top first) starts at first_row + y * step; DIB rows, bottom row
  // first, are read with a negative step.
  const std::uint8_t* first_row = nullptr;
  std::ptrdiff_t step = 0;
  // kIndexed: `palette_entries` colours of red, green, blue and, with
  // `palette_alpha`, alpha bytes; alpha other than 255 goes into a tRNS
  // chunk.
  const std::uint8_t* palette = nullptr;
  std::uint32_t palette_entries = 0;
  bool palette_alpha = true;
};

// Encodes the picture into `png`; an empty string on success, else libspng's
// reason.
std::string EncodePng(const PngPicture& picture, PngCompression compression,
                      std::vector<std::uint8_t>& png);

}  // namespace tovak::cli
