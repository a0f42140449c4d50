// Writing GIM files: a picture of 8-bit RGBA pixels, or of palette indices
// with an RGBA palette, stored in any format of the format table, in either
// byte order and either pixel order, laid out as the PSP's own converter
// lays out its files.
#pragma once

#include <cstdint>
#include <optional>
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

// The palette of an earlier file, kept for an edited picture: its stored
// entries are written back byte for byte, whatever the picture holds.
struct KeptPalette {
  std::uint16_t format = gim::kRgba8888;  // the entries' format: a direct-colour one
  const std::uint8_t* entries = nullptr;  // `count` stored entries
  std::uint32_t count = 0;
};

// An earlier file's stored image plane of exactly the picture's pixels, in
// the format, size and pixel order asked for: written as it is. DXT
// compression does not give back the blocks a picture was decoded from, so
// only this puts an unedited compressed picture back unchanged.
struct KeptPlane {
  const std::uint8_t* bytes = nullptr;
  std::uint64_t size = 0;  // used only when it is the plane's size
};

struct EncodeOptions {
  std::uint16_t format = gim::kRgba8888;
  std::uint16_t palette_format = gim::kRgba8888;  // the indexed formats' entries
  bool swizzled = false;
  bool big_endian = false;
  DxtQuality dxt_quality = DxtQuality::kClusterFit;
  // Error diffusion, for pictures quantised to an indexed format and for
  // the 16-bit direct formats before rounding. Off: each pixel's channels
  // take their nearest values on their own, which keeps pixel art crisp.
  bool dither = false;
  // Indexed formats: these entries instead of a palette made for the
  // picture, each pixel taking its nearest entry; their format replaces
  // `palette_format`.
  std::optional<KeptPalette> kept_palette;
  KeptPlane kept_plane;
  // The strings of a file-info block, in order; none: no file-info block.
  std::vector<std::string> info;
};

// The format a picture is written in when none is asked for: a palette of
// up to 16 entries INDEX4, of up to 256 INDEX8, anything else RGBA8888.
std::uint16_t UsualFormat(const SourcePicture& picture);

// Writes the GIM file into `file`. On failure `file` is left empty. An
// indexed picture's palette is written whole, 16 or 256 entries with the
// unused ones zero, as every real file has it (the PSP loads palettes in
// whole blocks of entries), except a kept palette, which keeps its size.
Outcome Encode(const SourcePicture& picture, const EncodeOptions& options,
               std::vector<std::uint8_t>& file);

}  // namespace tovak::encode
