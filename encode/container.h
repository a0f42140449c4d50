// The GIM container around a picture's stored data, laid out exactly as the
// PSP's own converter lays out its files: the 16-byte file header, the root
// block at 16 and the picture block at 32 (each stepping 16 to its first
// child), the image block at 48, then the palette block; each of those two
// a 48-byte image header, its offset table and the data at 64 from the
// header. A file-info block, when there is one, follows the root block,
// where readers look for it. Every field in the file's byte order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "encode/failure.h"

namespace tovak::encode {

// What the image header of an image or palette block says, and how many
// bytes of data follow it.
struct LevelHeader {
  std::uint16_t format = 0;
  std::uint16_t pixel_order = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t bits_per_pixel = 0;
  bool palette = false;  // the level type: image or palette
  std::uint64_t data_bytes = 0;
};

struct ContainerParts {
  bool big_endian = false;
  LevelHeader image;
  bool has_palette = false;
  LevelHeader palette;
  std::vector<std::string> info;  // file-info strings; none: no block
};

// Where the caller writes the stored data into the file.
struct DataPlaces {
  std::uint64_t image = 0;
  std::uint64_t palette = 0;
};

// Sizes `file`, zero-filled, and writes every header and the file-info
// strings into it. Fails, leaving `file` empty, when the file would reach
// 2 GiB or a string is empty or holds a zero byte.
Outcome WriteContainer(const ContainerParts& parts, std::vector<std::uint8_t>& file,
                       DataPlaces& places);

}  // namespace tovak::encode
