// GetPicture of the real DLL as a host sees it, timed against baselines in
// the same process and run, so that the figures are ratios that hold on any
// machine:
//   copy:   allocating a fresh moveable zero-initialised local block of the
//           bits block's size and copying that many bytes into it, the least
//           a plug-in that hands back a new block can do;
//   squish: libsquish's DecompressImage alone on the same blocks (DXT only),
//           into a fresh fixed zero-initialised local block of the decoded
//           plane's size, as a decoder that hands back new memory must, and
//           (squish-warm) into a plane allocated once, which pays no page
//           faults at all.
// Each figure is the median of several rounds after a warm-up; decode and
// baseline rounds alternate, so that drift of the machine hits both alike.
//
//   tovak_dll_bench [PLUGIN] [--side N] [--rounds N] [--peak CASE]
//
// --peak CASE decodes that one case once and prints the growth of the peak
// working set beside the sizes of the two blocks handed back.
#include <windows.h>
#include <psapi.h>
#include <squish.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/random_picture.h"
#include "gim/container.h"

namespace {

using tovak::bench::Bytes;

#if defined(_WIN64)
using LenArg = LONG_PTR;
#else
using LenArg = std::int32_t;
#endif
using ProgressCallback = int(__stdcall*)(int, int, LenArg);
using GetPictureFn = int(__stdcall*)(const char*, LenArg, unsigned, HLOCAL*, HLOCAL*,
                                      ProgressCallback, LenArg);

struct Case {
  const char* name;
  std::uint16_t format;
  std::uint16_t order;
  bool big_endian;
  int squish_flags;  // 0: not DXT
};

constexpr Case kCases[] = {
    {"RGBA5650", 0, 0, false, 0},           {"RGBA5650/swizzled", 0, 1, false, 0},
    {"RGBA5551", 1, 0, false, 0},           {"RGBA5551/swizzled", 1, 1, false, 0},
    {"RGBA4444", 2, 0, false, 0},           {"RGBA4444/swizzled", 2, 1, false, 0},
    {"RGBA8888", 3, 0, false, 0},           {"RGBA8888/swizzled", 3, 1, false, 0},
    {"RGBA8888/big-endian", 3, 0, true, 0}, {"INDEX4", 4, 0, false, 0},
    {"INDEX4/swizzled", 4, 1, false, 0},    {"INDEX8", 5, 0, false, 0},
    {"INDEX8/swizzled", 5, 1, false, 0},
    {"DXT1", 8, 0, false, squish::kDxt1},   {"DXT1/swizzled", 8, 1, false, squish::kDxt1},
    {"DXT3", 9, 0, false, squish::kDxt3},   {"DXT3/swizzled", 9, 1, false, squish::kDxt3},
    {"DXT5", 10, 0, false, squish::kDxt5},  {"DXT5/swizzled", 10, 1, false, squish::kDxt5},
    {"DXT5/big-endian", 10, 0, true, squish::kDxt5},
};

// Pseudo-random stored bytes: alpha varies on nearly every pixel, so
// blending runs everywhere, and any bytes are valid compressed blocks.
Bytes MakeFile(const Case& c, std::uint16_t side) {
  return tovak::bench::RandomPicture(c.format, side, c.order == 1, c.big_endian);
}

// The stored blocks of a DXT file, as they stand.
Bytes StoredBlocks(const Bytes& file) {
  const tovak::gim::ByteView view{file.data(), file.size()};
  const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
  tovak::gim::ImageHeader image;
  if (!tovak::gim::ReadImageHeader(tovak::gim::Reader{view, recognition.big_endian},
                                   recognition.blocks.image, image)) {
    return {};
  }
  const auto* start = file.data() + image.header_offset + image.pixels_start;
  return Bytes(start, start + (image.pixels_end - image.pixels_start));
}

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Plugin {
  GetPictureFn get_picture = nullptr;
};

int Decode(const Plugin& plugin, const Bytes& file, SIZE_T* bits_bytes, SIZE_T* header_bytes) {
  HLOCAL header = nullptr;
  HLOCAL bits = nullptr;
  const int code = plugin.get_picture(reinterpret_cast<const char*>(file.data()),
                                      static_cast<LenArg>(file.size()), 1, &header, &bits,
                                      nullptr, 0);
  if (code == 0) {
    if (bits_bytes != nullptr) *bits_bytes = LocalSize(bits);
    if (header_bytes != nullptr) *header_bytes = LocalSize(header);
    LocalFree(header);
    LocalFree(bits);
  }
  return code;
}

void BareCopy(const Bytes& from) {
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, from.size());
  void* to = LocalLock(block);
  std::memcpy(to, from.data(), from.size());
  LocalUnlock(block);
  LocalFree(block);
}

int Peak(const Plugin& plugin, const Case& c, std::uint16_t side) {
  const Bytes file = MakeFile(c, side);
  PROCESS_MEMORY_COUNTERS before{};
  GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
  SIZE_T bits = 0;
  SIZE_T header = 0;
  if (Decode(plugin, file, &bits, &header) != 0) return 1;
  PROCESS_MEMORY_COUNTERS after{};
  GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
  const double mib = 1024.0 * 1024.0;
  std::printf("%s %ux%u: peak working set grew %.1f MiB; bits block %.1f MiB, header block "
              "%.1f KiB, input %.1f MiB\n",
              c.name, side, side,
              static_cast<double>(after.PeakWorkingSetSize - before.WorkingSetSize) / mib,
              static_cast<double>(bits) / mib, static_cast<double>(header) / 1024.0,
              static_cast<double>(file.size()) / mib);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plugin_path = "tovak.spi";
  std::uint16_t side = 2048;
  int rounds = 9;
  const char* peak_case = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--side" && i + 1 < argc) {
      side = static_cast<std::uint16_t>(std::atoi(argv[++i]));
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--peak" && i + 1 < argc) {
      peak_case = argv[++i];
    } else {
      plugin_path = arg;
    }
  }
  HMODULE module = LoadLibraryA(plugin_path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", plugin_path.c_str());
    return 1;
  }
  Plugin plugin;
  plugin.get_picture = reinterpret_cast<GetPictureFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "GetPicture")));
  if (plugin.get_picture == nullptr) return 1;

  if (peak_case != nullptr) {
    for (const Case& c : kCases) {
      if (std::strcmp(c.name, peak_case) == 0) return Peak(plugin, c, side);
    }
    std::fprintf(stderr, "no case %s\n", peak_case);
    return 1;
  }

  std::printf("GetPicture, memory mode, %u x %u, median of %d rounds\n", side, side, rounds);
  std::printf("%-22s %10s %10s %8s %10s %8s %10s %8s\n", "case", "decode ms", "copy ms",
              "/copy", "squish ms", "/squish", "warm ms", "/warm");
  for (const Case& c : kCases) {
    const Bytes file = MakeFile(c, side);
    if (file.empty()) {
      std::printf("%-22s not written at this side\n", c.name);
      continue;
    }
    SIZE_T bits_bytes = 0;
    if (Decode(plugin, file, &bits_bytes, nullptr) != 0) {
      std::printf("%-22s GetPicture failed\n", c.name);
      continue;
    }
    const Bytes copy_source = tovak::bench::RandomBytes(bits_bytes, 99);
    Bytes blocks;
    Bytes plane;
    int plane_width = side;
    if (c.squish_flags != 0) {
      // The same blocks, read as S3TC order as they stand; the plane is
      // allocated once, so this baseline pays no allocation at all.
      const int multiple = c.format == 8 ? 8 : 4;
      plane_width = (side + multiple - 1) / multiple * multiple;
      blocks = StoredBlocks(file);
      plane.resize(std::size_t{4} * static_cast<std::size_t>(plane_width) * side);
    }
    std::vector<double> decode_times;
    std::vector<double> copy_times;
    std::vector<double> squish_times;
    std::vector<double> warm_times;
    for (int round = -1; round < rounds; ++round) {  // round -1 warms up
      double t = Now();
      Decode(plugin, file, nullptr, nullptr);
      const double decode = Now() - t;
      t = Now();
      BareCopy(copy_source);
      const double copy = Now() - t;
      double squished = 0;
      double warm = 0;
      if (c.squish_flags != 0) {
        t = Now();
        void* fresh = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, plane.size());
        squish::DecompressImage(static_cast<squish::u8*>(fresh), plane_width, side,
                                blocks.data(), c.squish_flags);
        LocalFree(fresh);
        squished = Now() - t;
        t = Now();
        squish::DecompressImage(plane.data(), plane_width, side, blocks.data(), c.squish_flags);
        warm = Now() - t;
      }
      if (round < 0) continue;
      decode_times.push_back(decode);
      copy_times.push_back(copy);
      squish_times.push_back(squished);
      warm_times.push_back(warm);
    }
    const double d = Median(decode_times) * 1e3;
    const double k = Median(copy_times) * 1e3;
    if (c.squish_flags != 0) {
      const double s = Median(squish_times) * 1e3;
      const double w = Median(warm_times) * 1e3;
      std::printf("%-22s %10.2f %10.2f %8.2f %10.2f %8.2f %10.2f %8.2f\n", c.name, d, k, d / k,
                  s, d / s, w, d / w);
    } else {
      std::printf("%-22s %10.2f %10.2f %8.2f\n", c.name, d, k, d / k);
    }
  }
  return 0;
}
