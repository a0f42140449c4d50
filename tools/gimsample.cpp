// Writes a sample GIM picture: a 96 x 64 RGBA8888 picture with colour
// gradients and a translucent band, for the main job and for trying viewers.
//
//   gimsample OUT.gim [--big-endian] [--swizzled]
#include <cstdio>
#include <cstring>

#include "fixture/gim_writer.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gimsample OUT.gim [--big-endian] [--swizzled]\n");
    return 2;
  }
  tovak::fixture::Picture pic;
  pic.format = tovak::fixture::kRgba8888;
  pic.width = 96;
  pic.height = 64;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big-endian") == 0) pic.big_endian = true;
    if (std::strcmp(argv[i], "--swizzled") == 0) pic.pixel_order = 1;
  }
  const std::size_t row = tovak::fixture::StoredRowBytes(pic.format, pic.width);
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
  pic.pixels = pic.pixel_order == 1 ? tovak::fixture::Swizzle(plane, row, pic.height) : plane;
  const tovak::fixture::File file = tovak::fixture::Write(pic);
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  std::fclose(f);
  return 0;
}
