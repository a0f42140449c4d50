// Runs a fuzz target's LLVMFuzzerTestOneInput without libFuzzer, so that
// corpora and crash inputs replay under a plain compiler and the sanitizers
// of the native builds.
//
//   <target>_fuzz_replay DIR|FILE...     every regular file, in name order
//   <target>_fuzz_replay --write-seeds DIR
//                                        writes a seed corpus of small valid
//                                        pictures of every format
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;
using tovak::fixture::Bytes;

bool Replay(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
    return false;
  }
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // An exact copy on the heap: the target copies it again, but a replay of
  // a crash input should see the same sizes as the fuzzer did.
  std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(exact.data(), exact.size());
  return true;
}

void Save(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool IsDxt(std::uint16_t format) {
  using namespace tovak::fixture;
  return format == kDxt1 || format == kDxt3 || format == kDxt5 || format == kDxt1Ext ||
         format == kDxt3Ext || format == kDxt5Ext;
}

// Stored pixels for a picture: a byte pattern, in swizzled order if asked.
// A DXT picture stores exactly the 4 x 4 blocks its padded width (DXT1: a
// multiple of 8, DXT3 and DXT5: of 4) and height take, 8 bytes each in DXT1
// and 16 in DXT3 and DXT5, in either pixel order; any bytes make valid
// blocks.
Bytes Plane(std::uint16_t format, std::uint16_t width, std::uint16_t height,
            std::uint16_t order) {
  if (IsDxt(format)) {
    const bool dxt1 = format == tovak::fixture::kDxt1 || format == tovak::fixture::kDxt1Ext;
    const std::size_t pad_to = dxt1 ? 8 : 4;
    const std::size_t padded = (std::size_t{width} + pad_to - 1) / pad_to * pad_to;
    Bytes blocks(padded / 4 * ((std::size_t{height} + 3) / 4) * (dxt1 ? 8 : 16));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      blocks[i] = static_cast<std::uint8_t>(i * 53 + format);
    }
    return blocks;
  }
  const std::size_t row = tovak::fixture::StoredRowBytes(format, width);
  Bytes plane(row * height);
  for (std::size_t i = 0; i < plane.size(); ++i) {
    plane[i] = static_cast<std::uint8_t>(i * 53 + format);
  }
  return order == 1 ? tovak::fixture::Swizzle(plane, row, height) : plane;
}

int WriteSeeds(const fs::path& dir) {
  using namespace tovak::fixture;
  fs::create_directories(dir);
  const std::uint16_t formats[] = {kRgba5650, kRgba5551, kRgba4444, kRgba8888, kIndex4, kIndex8,
                                   kDxt1, kDxt3, kDxt5, kDxt1Ext, kDxt3Ext, kDxt5Ext};
  int written = 0;
  for (std::uint16_t format : formats) {
    for (bool big_endian : {false, true}) {
      for (std::uint16_t order : {std::uint16_t{0}, std::uint16_t{1}}) {
        Picture pic;
        pic.big_endian = big_endian;
        pic.format = format;
        pic.pixel_order = order;
        pic.width = 8;
        pic.height = 4;
        pic.pixels = Plane(format, pic.width, pic.height, order);
        const bool indexed = format == kIndex4 || format == kIndex8;
        if (indexed || order == 1) {
          const std::uint16_t palette_format = indexed ? (big_endian ? kRgba4444 : kRgba8888)
                                                       : kRgba5551;
          const std::size_t entry_bytes = palette_format <= kRgba4444 ? 2 : 4;
          Bytes entries(16 * entry_bytes);
          for (std::size_t i = 0; i < entries.size(); ++i) {
            entries[i] = static_cast<std::uint8_t>(i * 19 + 7);
          }
          pic.palette = Palette{palette_format, 16, entries};
        }
        if (big_endian != (order == 1)) {
          pic.info_area = Bytes{'\0', 'o', 'r', 'i', 'g', '.', 'p', 'n', 'g', '\0',
                                'u', 's', 'e', 'r', '\0', '\0'};
        }
        char name[64];
        std::snprintf(name, sizeof name, "format-%X-%s-%s.gim", format,
                      big_endian ? "be" : "le", order == 1 ? "swizzled" : "normal");
        Save(dir, name, Write(pic).bytes);
        ++written;
      }
    }
  }
  // A few shapes the loop above does not make: rows that need padding, a
  // height that ends inside a tile row, an empty picture, a direct-colour
  // picture with a palette of more than 256 entries, and DXT pictures whose
  // blocks reach past the width and height.
  {
    Picture pic;
    pic.format = kIndex4;
    pic.width = 10;
    pic.height = 10;
    pic.pixel_order = 1;
    pic.pixels = Plane(pic.format, pic.width, pic.height, 1);
    pic.palette = Palette{kRgba5650, 16, Bytes(32, 0x5A)};
    Save(dir, "index4-10x10-swizzled.gim", Write(pic).bytes);
    ++written;
  }
  {
    Picture pic;
    pic.format = kRgba4444;
    pic.width = 0;
    pic.height = 0;
    Save(dir, "rgba4444-empty.gim", Write(pic).bytes);
    ++written;
  }
  {
    Picture pic;
    pic.format = kRgba5650;
    pic.width = 5;
    pic.height = 3;
    pic.pixels = Plane(pic.format, pic.width, pic.height, 0);
    pic.palette = Palette{kRgba5650, 300, Bytes(600, 0xA5)};
    Save(dir, "rgba5650-5x3-palette-300.gim", Write(pic).bytes);
    ++written;
  }
  for (std::uint16_t format : {kDxt1, kDxt5}) {
    Picture pic;
    pic.format = format;
    pic.width = 6;
    pic.height = 5;
    pic.pixel_order = 1;
    pic.pixels = Plane(pic.format, pic.width, pic.height, 1);
    Save(dir, format == kDxt1 ? "dxt1-6x5-swizzled.gim" : "dxt5-6x5-swizzled.gim",
         Write(pic).bytes);
    ++written;
  }
  std::printf("wrote %d seeds to %s\n", written, dir.string().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-seeds") == 0) return WriteSeeds(argv[2]);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR|FILE... | --write-seeds DIR\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    std::vector<fs::path> files;
    if (fs::is_directory(arg)) {
      for (const auto& entry : fs::directory_iterator(arg)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(arg);
    }
    for (const fs::path& file : files) {
      if (!Replay(file)) return 1;
      ++replayed;
    }
  }
  std::printf("replayed %zu inputs\n", replayed);
  // An empty corpus would pass without testing anything.
  return replayed == 0 ? 1 : 0;
}
