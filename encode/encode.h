// Writing GIM files: a picture of 8-bit RGBA pixels, or of palette indices
// with an RGBA palette, stored in any format of the format table, in either
// byte order and either pixel order, laid out as the PSP's own converter
// lays out its files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "encode/failure.h"
#include "gim/formats.h"

namespace tovak::encode {

// The picture to write, rows top first, no padding between them. Either
// `rgba` (red, green, blue, alpha bytes a pixel) or `indices` (one byte a
// pixel) with `palette` (`palette_entries` entries of red, green, blue and
// alpha bytes).
struct SourcePicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  const std::uint8_t* rgba = nullptr;
  const std::uint8_t* indices = nullptr;
  const std::uint8_t* palette = nullptr;
  std::uint32_t palette_entries = 0;
};

// libsquish's colour fits, from the quickest to the closest.
enum class DxtQuality : std::uint8_t { kRangeFit, kClusterFit, kIterativeClusterFit };

struct EncodeOptions {
  std::uint16_t format = gim::kRgba8888;
  std::uint16_t palette_format = gim::kRgba8888;  // the indexed formats' entries
  bool swizzled = false;
  bool big_endian = false;
  DxtQuality dxt_quality = DxtQuality::kClusterFit;
  // The strings of a file-info block, in order; none: no file-info block.
  std::vector<std::string> info;
};

// The format a picture is written in when none is asked for: a palette of
// up to 16 entries INDEX4, of up to 256 INDEX8, anything else RGBA8888.
std::uint16_t UsualFormat(const SourcePicture& picture);

// Writes the GIM file into `file`. On failure `file` is left empty.
Outcome Encode(const SourcePicture& picture, const EncodeOptions& options,
               std::vector<std::uint8_t>& file);

}  // namespace tovak::encode
