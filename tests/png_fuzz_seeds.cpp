// Writes the seed corpus of the encode fuzz target: small PNGs of each
// colour type libspng writes (paletted with alpha at 4 and 8 bits, RGBA,
// RGB, grey at 16 bits), each behind the two option bytes the target reads,
// for every format of the format table, with the flag bits varied.
//
//   png_fuzz_seeds DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <spng.h>

#include "support/png_writer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// `count` bytes of a pattern that repeats every `period` bytes.
Bytes Pattern(std::size_t count, unsigned period, unsigned step) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i % period * step);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  using tovak::test::MakePng;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const fs::path dir = argv[1];
  fs::create_directories(dir);
  // 16 by 8, a whole tile row: swizzled DXT takes it. 5 by 3 pads every row.
  const std::vector<std::pair<std::string, Bytes>> pngs = {
      {"index4", MakePng(16, 8, SPNG_COLOR_TYPE_INDEXED, 4, Pattern(64, 7, 0x23), Pattern(64, 64, 61))},
      {"index8", MakePng(5, 3, SPNG_COLOR_TYPE_INDEXED, 8, Pattern(15, 15, 1), Pattern(80, 80, 37))},
      {"rgba", MakePng(16, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 8, Pattern(512, 48, 85), {})},
      {"rgb", MakePng(5, 3, SPNG_COLOR_TYPE_TRUECOLOR, 8, Pattern(45, 45, 29), {})},
      {"grey16", MakePng(4, 4, SPNG_COLOR_TYPE_GRAYSCALE, 16, Pattern(32, 32, 9), {})},
  };
  int written = 0;
  for (std::size_t shape = 0; shape < pngs.size(); ++shape) {
    if (pngs[shape].second.empty()) {
      std::fprintf(stderr, "libspng refused the %s seed\n", pngs[shape].first.c_str());
      return 1;
    }
    // The table's twelve formats; the last pass sets the bit that takes the
    // format the picture would be given.
    for (unsigned format = 0; format < 13; ++format) {
      const auto flags = static_cast<std::uint8_t>((format * 5 + shape * 3) % 64 | (format == 12 ? 0x40 : 0));
      Bytes seed = {static_cast<std::uint8_t>(format), flags};
      seed.insert(seed.end(), pngs[shape].second.begin(), pngs[shape].second.end());
      const fs::path name = dir / (pngs[shape].first + "-" + std::to_string(format) + ".seed");
      std::ofstream(name, std::ios::binary)
          .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
      ++written;
    }
  }
  std::printf("wrote %d seeds to %s\n", written, dir.string().c_str());
  return 0;
}
