// Writes a folder of GIM pictures for timing the converter on a batch: every
// format in turn, 256, 512 or 1024 pixels square, both byte orders, some
// swizzled, with gradients and noise so that PNG encoding meets the kind of
// content textures hold. The pictures go through the GIM writer; DXT with
// libsquish's range fit, which keeps the writing quick.
//
//   gim_folder DIR [COUNT]      (default 200 pictures)
//   tovak convert DIR -o OUT -j 1 --times
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "encode/encode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace gim = tovak::gim;

std::uint8_t Noise(std::uint32_t v) {
  v = (v ^ 61) ^ (v >> 16);
  v *= 9;
  v ^= v >> 4;
  v *= 0x27D4EB2D;
  return static_cast<std::uint8_t>(v >> 24);
}

// An RGBA plane, 4 bytes a pixel, rows top first.
Bytes Plane(std::uint32_t size, std::uint32_t seed) {
  Bytes plane(std::size_t{size} * size * 4);
  for (std::uint32_t y = 0; y < size; ++y) {
    for (std::uint32_t x = 0; x < size; ++x) {
      std::uint8_t* p = &plane[(std::size_t{y} * size + x) * 4];
      const std::uint8_t n = Noise(seed + y * size + x) & 15;
      p[0] = static_cast<std::uint8_t>(x * 255 / size + n);
      p[1] = static_cast<std::uint8_t>(y * 255 / size + n);
      p[2] = static_cast<std::uint8_t>(((x / 32 + y / 32) % 2) * 128 + n);
      p[3] = static_cast<std::uint8_t>(y < size / 4 ? x * 255 / size : 255);
    }
  }
  return plane;
}

// Indexed pictures take their red channel as the index (INDEX4: its high
// four bits) into a ramp palette.
void Indexed(std::uint16_t format, const Bytes& rgba, Bytes& indices, Bytes& palette) {
  const int entries = format == gim::kIndex4 ? 16 : 256;
  indices.resize(rgba.size() / 4);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    indices[i] = static_cast<std::uint8_t>(format == gim::kIndex4 ? rgba[4 * i] >> 4 : rgba[4 * i]);
  }
  palette.resize(4 * std::size_t(entries));
  for (int k = 0; k < entries; ++k) {
    const int v = k * 255 / (entries - 1);
    palette[4 * k] = static_cast<std::uint8_t>(v);
    palette[4 * k + 1] = static_cast<std::uint8_t>(255 - v);
    palette[4 * k + 2] = static_cast<std::uint8_t>(v / 2);
    palette[4 * k + 3] = static_cast<std::uint8_t>(k < entries / 8 ? v * 8 : 255);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gim_folder DIR [COUNT]\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const int count = argc > 2 ? std::atoi(argv[2]) : 200;
  std::filesystem::create_directories(dir);
  const std::uint16_t formats[] = {gim::kRgba8888, gim::kRgba5650, gim::kRgba5551,
                                   gim::kRgba4444, gim::kIndex8,   gim::kIndex4,
                                   gim::kDxt1,     gim::kDxt3,     gim::kDxt5};
  for (int i = 0; i < count; ++i) {
    tovak::encode::EncodeOptions options;
    options.format = formats[i % 9];
    options.big_endian = i % 2 == 1;
    options.dxt_quality = tovak::encode::DxtQuality::kRangeFit;
    const bool dxt = gim::DescribeFormat(options.format)->kind == gim::PixelKind::kDxt;
    options.swizzled = !dxt && i % 3 == 0;
    const std::uint32_t size = 256u << (i % 4 == 3 ? 2 : i % 4 == 2 ? 1 : 0);
    const Bytes rgba = Plane(size, static_cast<std::uint32_t>(i) * 7919);
    tovak::encode::SourcePicture picture{size, size, rgba.data()};
    Bytes indices, palette;
    if (options.format == gim::kIndex4 || options.format == gim::kIndex8) {
      Indexed(options.format, rgba, indices, palette);
      picture = {size, size, nullptr, indices.data(), palette.data(),
                 static_cast<std::uint32_t>(palette.size() / 4)};
    }
    Bytes file;
    const tovak::encode::Outcome outcome = tovak::encode::Encode(picture, options, file);
    char name[32];
    std::snprintf(name, sizeof name, "pic%03d.gim", i);
    if (outcome.failure != tovak::encode::Failure::kNone) {
      std::fprintf(stderr, "cannot encode %s: %s\n", name, tovak::encode::FailureText(outcome.failure));
      return 1;
    }
    std::FILE* f = std::fopen((dir / name).string().c_str(), "wb");
    const bool written = f != nullptr && std::fwrite(file.data(), 1, file.size(), f) == file.size();
    if (f != nullptr && std::fclose(f) != 0) return 1;
    if (!written) {
      std::fprintf(stderr, "cannot write %s\n", name);
      return 1;
    }
  }
  return 0;
}
