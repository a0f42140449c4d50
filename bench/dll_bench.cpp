// GetPicture of the real DLL as a host sees it, timed against baselines in
// the same process and run, so that the figures are ratios that hold on any
// machine:
//   copy:   allocating a fresh moveable zero-initialised local block of the
//           bits block's size and copying that many bytes into it, the least
//           a plug-in that hands back a new block can do;
//   warm:   libsquish's DecompressImage alone on the same blocks (DXT only),
//           into a plane allocated once, which pays no page faults at all.
// Beside them, the same pixel pass as the DLL's (this program links the
// decoder) writing a 24-bit DIB's rows into a block allocated once: the
// decoder's own work, free of allocation and page faults, against copying
// the same bytes into a warm block and against squish-warm; and the pass
// into 32-bit RGBA rows, the layout the converter's PNG and (blue first)
// the WIC decoder take, against the same; for swizzled pictures also
// against "tiles", the same bytes copied from tile order (16 bytes by 8
// rows) into those rows with nothing converted: the floor of writing that
// order on this machine. --before PATH
// times a second build of the plug-in in the same rounds, so that a change
// is measured against what it replaces in one run.
// Each figure is the median of several rounds after a warm-up; decode and
// baseline rounds alternate, so that drift of the machine hits both alike.
//
//   tovak_dll_bench [PLUGIN] [--before PLUGIN] [--only PREFIX] [--side N] [--rounds N]
//                   [--peak CASE]
//
// --peak CASE decodes that one case once and prints the growth of the peak
// working set beside the sizes of the two blocks handed back.
#include <windows.h>
#include <psapi.h>
#include <emmintrin.h>
#include <squish.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/random_picture.h"
#include "decode/dib.h"
#include "decode/driver.h"
#include "decode/plan.h"
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

bool Load(const std::string& path, Plugin& plugin) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", path.c_str());
    return false;
  }
  plugin.get_picture = reinterpret_cast<GetPictureFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "GetPicture")));
  return plugin.get_picture != nullptr;
}

// The pixel pass alone into `bits` (allocated once): as the plug-in runs it
// for a 24-bit DIB with its default settings, or into top-down RGBA rows.
struct WarmPass {
  tovak::decode::PicturePlan plan;
  tovak::decode::Destination to;
  bool ready = false;

  WarmPass(const Bytes& file, Bytes& bits, bool rgba) {
    const tovak::gim::ByteView view{file.data(), file.size()};
    const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
    const tovak::gim::Reader reader{view, recognition.big_endian};
    tovak::decode::DibShape shape;
    if (tovak::decode::PlanPicture(reader, recognition.blocks, plan) !=
            tovak::decode::Failure::kNone ||
        tovak::decode::ShapeDib(plan, shape) != tovak::decode::Failure::kNone) {
      return;
    }
    const bool indexed = tovak::decode::IsIndexed(plan);
    if (rgba && indexed) return;  // the converter keeps indices
    to.layout = rgba      ? tovak::decode::PixelLayout::kRgba32
                : indexed ? tovak::decode::PixelLayout::kIndex
                          : tovak::decode::PixelLayout::kBgr24;
    to.stride = rgba ? std::uint64_t{plan.image.width} * 4 : shape.stride;
    to.bytes = to.stride * plan.image.height;
    to.rows = rgba ? tovak::decode::RowOrder::kTopDown : tovak::decode::RowOrder::kBottomUp;
    to.blend = tovak::decode::BlendSettings{};
    bits.resize(static_cast<std::size_t>(to.bytes));
    to.data = bits.data();
    ready = true;
  }
  void Run() const { tovak::decode::WritePixels(plan, to); }
};

// 16-byte moves, as the decoder makes them (this program is not built for
// SSE2 throughout).
[[gnu::target("sse2")]] void TileCopy(const std::uint8_t* from, std::uint8_t* rows,
                                      std::size_t row_bytes, std::size_t height) {
  for (std::size_t t = 0; t + 8 <= height; t += 8) {
    std::uint8_t* to = rows + t * row_bytes;
    for (std::size_t x = 0; x + 16 <= row_bytes; x += 16, from += 128) {
      for (std::size_t y = 0; y < 8; ++y) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + y * row_bytes + x),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + y * 16)));
      }
    }
  }
}

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
  std::string before_path;
  std::string only;  // the cases whose names start with it
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--side" && i + 1 < argc) {
      side = static_cast<std::uint16_t>(std::atoi(argv[++i]));
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--before" && i + 1 < argc) {
      before_path = argv[++i];
    } else if (arg == "--peak" && i + 1 < argc) {
      peak_case = argv[++i];
    } else {
      plugin_path = arg;
    }
  }
  Plugin plugin;
  if (!Load(plugin_path, plugin)) return 1;
  Plugin before;
  if (!before_path.empty() && !Load(before_path, before)) return 1;

  if (peak_case != nullptr) {
    for (const Case& c : kCases) {
      if (std::strcmp(c.name, peak_case) == 0) return Peak(plugin, c, side);
    }
    std::fprintf(stderr, "no case %s\n", peak_case);
    return 1;
  }

  std::printf("GetPicture, memory mode, %u x %u, median of %d rounds; ms, and ratios\n", side,
              side, rounds);
  std::printf("  /copy: to a fresh copy of the bits block; /warm: to squish-warm; pass: the "
              "pixel pass into a warm block, to a warm copy of as many bytes or (DXT) to "
              "squish-warm; rgba: the same into RGBA rows; rgba/t: swizzled, to tiles%s\n",
              before_path.empty() ? "" : "; before: --before's GetPicture");
  std::printf("%-20s %8s %8s %6s %8s %6s %7s %7s %6s %7s %6s %7s %6s", "case", "decode", "copy",
              "/copy", "warm", "/warm", "pass", "wcopy", "pass/", "rgba", "rgba/", "tiles", "rgba/t");
  if (!before_path.empty()) std::printf(" %8s %6s %6s", "before", "/copy", "/warm");
  std::printf("\n");
  for (const Case& c : kCases) {
    if (std::strncmp(c.name, only.c_str(), only.size()) != 0) continue;
    const Bytes file = MakeFile(c, side);
    if (file.empty()) {
      std::printf("%-20s not written at this side\n", c.name);
      continue;
    }
    SIZE_T bits_bytes = 0;
    if (Decode(plugin, file, &bits_bytes, nullptr) != 0) {
      std::printf("%-20s GetPicture failed\n", c.name);
      continue;
    }
    const Bytes copy_source = tovak::bench::RandomBytes(bits_bytes, 99);
    Bytes warm_copy(copy_source.size());
    Bytes pass_bits;
    const WarmPass pass(file, pass_bits, false);
    Bytes rgba_bits;
    const WarmPass rgba(file, rgba_bits, true);
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
    const bool tiles = c.order == 1 && rgba.ready && copy_source.size() >= rgba.to.bytes;
    // decode, copy, warm squish, pass, warm copy, before, rgba, tiles
    std::vector<double> times[8];
    const auto timed = [](std::vector<double>& into, bool keep, auto&& run) {
      const double t = Now();
      run();
      if (keep) into.push_back(Now() - t);
    };
    for (int round = -1; round < rounds; ++round) {  // round -1 warms up
      const bool keep = round >= 0;
      timed(times[0], keep, [&] { Decode(plugin, file, nullptr, nullptr); });
      timed(times[1], keep, [&] { BareCopy(copy_source); });
      if (c.squish_flags != 0) {
        timed(times[2], keep, [&] {
          squish::DecompressImage(plane.data(), plane_width, side, blocks.data(), c.squish_flags);
        });
      }
      if (pass.ready) timed(times[3], keep, [&] { pass.Run(); });
      if (rgba.ready) timed(times[6], keep, [&] { rgba.Run(); });
      if (tiles) {
        timed(times[7], keep, [&] {
          TileCopy(copy_source.data(), rgba_bits.data(), static_cast<std::size_t>(rgba.to.stride), side);
        });
      }
      timed(times[4], keep, [&] {
        std::memcpy(warm_copy.data(), copy_source.data(), copy_source.size());
      });
      if (before.get_picture != nullptr) {
        timed(times[5], keep, [&] { Decode(before, file, nullptr, nullptr); });
      }
    }
    double ms[8] = {};
    for (int i = 0; i < 8; ++i) ms[i] = times[i].empty() ? 0 : Median(times[i]) * 1e3;
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    // Uncompressed: against a warm copy of as many bytes as each writes.
    const double per_byte = ms[4] / static_cast<double>(copy_source.size());
    const double pass_base =
        c.squish_flags != 0 ? ms[2] : per_byte * static_cast<double>(pass.to.bytes);
    const double rgba_base =
        c.squish_flags != 0 ? ms[2] : per_byte * static_cast<double>(rgba.to.bytes);
    std::printf("%-20s %8.2f %8.2f %6.2f %8.2f %6.2f %7.2f %7.2f %6.2f %7.2f %6.2f %7.2f %6.2f",
                c.name, ms[0], ms[1], ratio(ms[0], ms[1]), ms[2], ratio(ms[0], ms[2]), ms[3], ms[4],
                ratio(ms[3], pass_base), ms[6], ratio(ms[6], rgba_base), ms[7], ratio(ms[6], ms[7]));
    if (before.get_picture != nullptr) {
      std::printf(" %8.2f %6.2f %6.2f", ms[5], ratio(ms[5], ms[1]), ratio(ms[5], ms[2]));
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}
