// Writes a folder of GIM pictures for timing the converter on a batch: every
// format in turn, 256, 512 or 1024 pixels square, both byte orders, some
// swizzled, with gradients and noise so that PNG encoding meets the kind of
// content textures hold.
//
//   gim_folder DIR [COUNT]      (default 200 pictures)
//   tovak convert DIR -o OUT -j 1 --times
#include <squish.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fixture/dxt_blocks.h"
#include "fixture/gim_writer.h"

namespace {

using tovak::fixture::Bytes;
namespace fx = tovak::fixture;

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

// The stored plane of a format from an RGBA plane, in normal order.
Bytes Store(std::uint16_t format, std::uint32_t size, const Bytes& rgba) {
  if (format == fx::kDxt1 || format == fx::kDxt3 || format == fx::kDxt5) {
    const int flag = format == fx::kDxt1 ? squish::kDxt1 : format == fx::kDxt3 ? squish::kDxt3 : squish::kDxt5;
    Bytes blocks(static_cast<std::size_t>(squish::GetStorageRequirements(size, size, flag)));
    squish::CompressImage(rgba.data(), size, size, blocks.data(), flag | squish::kColourRangeFit);
    return blocks;
  }
  const std::size_t row = fx::StoredRowBytes(format, static_cast<std::uint16_t>(size));
  Bytes plane(row * size);
  for (std::size_t i = 0; i < std::size_t{size} * size; ++i) {
    const std::uint8_t* c = &rgba[4 * i];
    std::uint8_t* out = &plane[i / size * row];
    const std::size_t x = i % size;
    std::uint16_t w = 0;
    switch (format) {
      case fx::kRgba8888: std::copy(c, c + 4, out + 4 * x); continue;
      case fx::kIndex8: out[x] = c[0]; continue;
      case fx::kIndex4: out[x / 2] |= static_cast<std::uint8_t>((c[0] >> 4) << (x % 2 ? 4 : 0)); continue;
      case fx::kRgba5650: w = static_cast<std::uint16_t>(c[0] >> 3 | (c[1] >> 2) << 5 | (c[2] >> 3) << 11); break;
      case fx::kRgba5551: w = static_cast<std::uint16_t>(c[0] >> 3 | (c[1] >> 3) << 5 | (c[2] >> 3) << 10 | (c[3] >> 7) << 15); break;
      default: w = static_cast<std::uint16_t>(c[0] >> 4 | (c[1] >> 4) << 4 | (c[2] >> 4) << 8 | (c[3] >> 4) << 12); break;
    }
    out[2 * x] = static_cast<std::uint8_t>(w);
    out[2 * x + 1] = static_cast<std::uint8_t>(w >> 8);
  }
  return plane;
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
  const std::uint16_t formats[] = {fx::kRgba8888, fx::kRgba5650, fx::kRgba5551, fx::kRgba4444,
                                   fx::kIndex8,   fx::kIndex4,   fx::kDxt1,     fx::kDxt3, fx::kDxt5};
  for (int i = 0; i < count; ++i) {
    fx::Picture pic;
    pic.format = formats[i % 9];
    pic.big_endian = i % 2 == 1;
    const std::uint32_t size = 256u << (i % 4 == 3 ? 2 : i % 4 == 2 ? 1 : 0);
    pic.width = pic.height = static_cast<std::uint16_t>(size);
    const Bytes rgba = Plane(size, static_cast<std::uint32_t>(i) * 7919);
    pic.pixels = Store(pic.format, size, rgba);
    const bool dxt = pic.format >= fx::kDxt1;
    if (dxt && !pic.big_endian) pic.pixels = fx::ToGimLittleEndianOrder(pic.format, pic.pixels);
    if (!dxt && i % 3 == 0) {
      pic.pixel_order = 1;
      pic.pixels = fx::Swizzle(pic.pixels, pic.pixels.size() / size, size);
    }
    if (pic.format == fx::kIndex4 || pic.format == fx::kIndex8) {
      const int entries = pic.format == fx::kIndex4 ? 16 : 256;
      Bytes palette(4 * std::size_t(entries));
      for (int k = 0; k < entries; ++k) {
        const int v = k * 255 / (entries - 1);
        palette[4 * k] = static_cast<std::uint8_t>(v);
        palette[4 * k + 1] = static_cast<std::uint8_t>(255 - v);
        palette[4 * k + 2] = static_cast<std::uint8_t>(v / 2);
        palette[4 * k + 3] = static_cast<std::uint8_t>(k < entries / 8 ? v * 8 : 255);
      }
      pic.palette = fx::Palette{fx::kRgba8888, static_cast<std::uint16_t>(entries), palette};
    }
    const fx::File file = fx::Write(pic);
    char name[32];
    std::snprintf(name, sizeof name, "pic%03d.gim", i);
    std::FILE* f = std::fopen((dir / name).string().c_str(), "wb");
    if (f == nullptr || std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size()) {
      std::fprintf(stderr, "cannot write %s\n", name);
      return 1;
    }
    std::fclose(f);
  }
  return 0;
}
