// Writes a sample GIM picture: a 96 x 64 picture with colour gradients and a
// translucent band, for the main job and for trying viewers. It is stored as
// RGBA8888, or compressed to DXT5 by libsquish, through the GIM writer.
//
//   gimsample OUT.gim [--big-endian] [--swizzled] [--dxt5]
#include <cstdio>
#include <cstring>
#include <vector>

#include "encode/encode.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gimsample OUT.gim [--big-endian] [--swizzled] [--dxt5]\n");
    return 2;
  }
  tovak::encode::EncodeOptions options;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big-endian") == 0) options.big_endian = true;
    if (std::strcmp(argv[i], "--swizzled") == 0) options.swizzled = true;
    if (std::strcmp(argv[i], "--dxt5") == 0) options.format = tovak::gim::kDxt5;
  }
  constexpr std::uint32_t kWidth = 96;
  constexpr std::uint32_t kHeight = 64;
  std::vector<std::uint8_t> rgba(std::size_t{4} * kWidth * kHeight);
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &rgba[(std::size_t{y} * kWidth + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 255 / (kWidth - 1));   // red
      p[1] = static_cast<std::uint8_t>(y * 255 / (kHeight - 1));  // green
      p[2] = static_cast<std::uint8_t>(255 - p[0]);                // blue
      p[3] = (y >= 24 && y < 40) ? 128 : 255;                      // alpha
    }
  }
  std::vector<std::uint8_t> file;
  const tovak::encode::Outcome outcome =
      tovak::encode::Encode({kWidth, kHeight, rgba.data()}, options, file);
  if (outcome.failure != tovak::encode::Failure::kNone) {
    std::fprintf(stderr, "cannot encode: %s\n", tovak::encode::FailureText(outcome.failure));
    return 1;
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  const bool written = f != nullptr && std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (f != nullptr && std::fclose(f) != 0) return 1;
  if (!written) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
