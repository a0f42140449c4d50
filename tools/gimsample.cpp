// Writes a sample GIM picture: a 96 x 64 picture with colour gradients and a
// translucent band, for the main job and for trying viewers. It is stored as
// RGBA8888, or compressed to DXT5 by libsquish.
//
//   gimsample OUT.gim [--big-endian] [--swizzled] [--dxt5]
#include <squish.h>

#include <cstdio>
#include <cstring>

#include "fixture/dxt_blocks.h"
#include "fixture/gim_writer.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gimsample OUT.gim [--big-endian] [--swizzled] [--dxt5]\n");
    return 2;
  }
  tovak::fixture::Picture pic;
  pic.format = tovak::fixture::kRgba8888;
  pic.width = 96;
  pic.height = 64;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big-endian") == 0) pic.big_endian = true;
    if (std::strcmp(argv[i], "--swizzled") == 0) pic.pixel_order = 1;
    if (std::strcmp(argv[i], "--dxt5") == 0) pic.format = tovak::fixture::kDxt5;
  }
  // RGBA8888 rows: 96 pixels need no padding.
  const std::size_t row = std::size_t{4} * pic.width;
  tovak::fixture::Bytes plane(row * pic.height, 0);
  for (std::size_t y = 0; y < pic.height; ++y) {
    for (std::size_t x = 0; x < pic.width; ++x) {
      std::uint8_t* p = &plane[y * row + 4 * x];
      p[0] = static_cast<std::uint8_t>(x * 255 / (pic.width - 1));   // red
      p[1] = static_cast<std::uint8_t>(y * 255 / (pic.height - 1));  // green
      p[2] = static_cast<std::uint8_t>(255 - p[0]);                   // blue
      p[3] = (y >= 24 && y < 40) ? 128 : 255;                         // alpha
    }
  }
  if (pic.format == tovak::fixture::kDxt5) {
    // Swizzled DXT pictures tile the decoded plane, not the blocks: this
    // sample is written in normal order only.
    pic.pixel_order = 0;
    tovak::fixture::Bytes blocks(static_cast<std::size_t>(
        squish::GetStorageRequirements(pic.width, pic.height, squish::kDxt5)));
    squish::CompressImage(plane.data(), pic.width, pic.height, blocks.data(), squish::kDxt5);
    pic.pixels = pic.big_endian ? blocks
                                : tovak::fixture::ToGimLittleEndianOrder(pic.format, blocks);
  } else {
    pic.pixels = pic.pixel_order == 1 ? tovak::fixture::Swizzle(plane, row, pic.height) : plane;
  }
  const tovak::fixture::File file = tovak::fixture::Write(pic);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::fclose(f);
  return 0;
}
