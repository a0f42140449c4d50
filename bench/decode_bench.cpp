// GetPicture throughput per format, reported as a ratio to a baseline
// measured in the same run. Uncompressed formats: copying the picture's
// stored bytes once, the floor that any decoder which touches every byte has
// to pay. DXT formats: libsquish decompressing the same blocks alone, the
// floor of a decode that hands every block to libsquish.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "decode/dib.h"
#include "decode/driver.h"
#include "decode/plan.h"
#include "fixture/gim_writer.h"
#include "gim/container.h"
#include "plugin/host_api.h"

namespace {

using tovak::fixture::Bytes;

constexpr std::uint16_t kSide = 512;

// A stored plane of pseudo-random bytes. Any bytes are valid DXT data; with
// kSide a multiple of 8 the plane is exactly the picture's compressed blocks.
Bytes MakePlane(std::uint16_t format) {
  Bytes plane(tovak::fixture::StoredRowBytes(format, kSide) * kSide);
  std::uint32_t seed = 12345;
  for (auto& b : plane) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  return plane;
}

Bytes MakePicture(std::uint16_t format, std::uint16_t order, bool big_endian) {
  tovak::fixture::Picture pic;
  pic.format = format;
  pic.pixel_order = order;
  pic.big_endian = big_endian;
  pic.width = kSide;
  pic.height = kSide;
  pic.pixels = MakePlane(format);
  if (format == tovak::fixture::kIndex4 || format == tovak::fixture::kIndex8) {
    pic.palette = tovak::fixture::Palette{tovak::fixture::kRgba8888, 256, Bytes(1024, 0x7F)};
  }
  return tovak::fixture::Write(pic).bytes;
}

void Decode(benchmark::State& state, std::uint16_t format, std::uint16_t order,
            bool big_endian) {
  const Bytes file = MakePicture(format, order, big_endian);
  for (auto _ : state) {
    tovak::platform::LocalHandle header{};
    tovak::platform::LocalHandle bits{};
    const int code = GetPicture(reinterpret_cast<const char*>(file.data()),
                                static_cast<std::int32_t>(file.size()), 1, &header, &bits,
                                nullptr, 0);
    if (code != 0) state.SkipWithError("GetPicture failed");
    tovak::platform::Free(header);
    tovak::platform::Free(bits);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

// The pixel pass alone: the driver writing into a bits block allocated once,
// so that neither allocation nor first-touch page faults are counted. On
// machines where faults are dear (sandboxes, Wine) this is the figure that
// shows the decoder's own work.
void Pass(benchmark::State& state, std::uint16_t format, std::uint16_t order, bool big_endian) {
  const Bytes file = MakePicture(format, order, big_endian);
  const tovak::gim::ByteView view{file.data(), file.size()};
  const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
  const tovak::gim::Reader reader{view, recognition.big_endian};
  tovak::decode::PicturePlan plan;
  if (tovak::decode::PlanPicture(reader, recognition.blocks, 0x7FFFFFFF, plan) !=
      tovak::decode::Failure::kNone) {
    state.SkipWithError("PlanPicture failed");
    return;
  }
  std::vector<std::uint8_t> bits(plan.bits_block_bytes);
  const tovak::decode::BlendSettings settings;
  for (auto _ : state) {
    tovak::decode::WriteBitsBlock(plan, bits.data(), settings);
    benchmark::DoNotOptimize(bits.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

// The baseline: one allocation and one copy of the stored plane.
void CopyBaseline(benchmark::State& state, std::uint16_t format) {
  const Bytes file = MakePicture(format, 0, false);
  for (auto _ : state) {
    std::vector<std::uint8_t> out(file.size());
    std::memcpy(out.data(), file.data(), file.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

// The DXT baseline: libsquish alone on the same blocks (taken as S3TC order
// as they are), into a plane allocated once, padded width x 4 bytes a row.
void SquishBaseline(benchmark::State& state, std::uint16_t format, int flags) {
  const Bytes blocks = MakePlane(format);
  const int multiple = format == tovak::fixture::kDxt1 ? 8 : 4;
  const int padded_width = (kSide + multiple - 1) / multiple * multiple;
  std::vector<std::uint8_t> plane(std::size_t{4} * padded_width * kSide);
  for (auto _ : state) {
    squish::DecompressImage(plane.data(), padded_width, kSide, blocks.data(), flags);
    benchmark::DoNotOptimize(plane.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * blocks.size()));
}

struct Case {
  const char* name;
  std::uint16_t format;
};
constexpr Case kCases[] = {
    {"RGBA8888", tovak::fixture::kRgba8888}, {"RGBA4444", tovak::fixture::kRgba4444},
    {"RGBA5650", tovak::fixture::kRgba5650}, {"RGBA5551", tovak::fixture::kRgba5551},
    {"INDEX8", tovak::fixture::kIndex8},
    {"INDEX4", tovak::fixture::kIndex4},
};

struct DxtCase {
  const char* name;
  std::uint16_t format;
  int squish_flags;
  bool other_orders;  // also decode a big-endian and a swizzled file
};
constexpr DxtCase kDxtCases[] = {
    {"DXT1", tovak::fixture::kDxt1, squish::kDxt1, false},
    {"DXT3", tovak::fixture::kDxt3, squish::kDxt3, false},
    {"DXT5", tovak::fixture::kDxt5, squish::kDxt5, true},
};

// Prints every decode's time as a multiple of its format's baseline.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nratio to copying the stored bytes (lower is better):\n");
    for (const Case& c : kCases) {
      const std::string base = std::string("copy/") + c.name;
      for (const char* order : {"normal", "swizzled"}) {
        PrintRatio(std::string("decode/") + c.name + "/" + order, base);
        PrintRatio(std::string("pass/") + c.name + "/" + order, base);
      }
    }
    std::printf("\nratio to squish::DecompressImage alone (lower is better):\n");
    for (const DxtCase& c : kDxtCases) {
      const std::string base = std::string("squish/") + c.name;
      for (const char* order : {"normal", "big-endian", "swizzled"}) {
        PrintRatio(std::string("decode/") + c.name + "/" + order, base);
        PrintRatio(std::string("pass/") + c.name + "/" + order, base);
      }
    }
  }

 private:
  void PrintRatio(const std::string& name, const std::string& base) {
    if (times_.count(base) && times_.count(name) && times_[base] > 0) {
      std::printf("  %-26s %6.2f\n", name.c_str(), times_[name] / times_[base]);
    }
  }

  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("copy/") + c.name).c_str(), CopyBaseline, c.format);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/normal").c_str(), Decode,
                                 c.format, std::uint16_t{0}, false);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/swizzled").c_str(), Decode,
                                 c.format, std::uint16_t{1}, false);
    benchmark::RegisterBenchmark((std::string("pass/") + c.name + "/normal").c_str(), Pass,
                                 c.format, std::uint16_t{0}, false);
    benchmark::RegisterBenchmark((std::string("pass/") + c.name + "/swizzled").c_str(), Pass,
                                 c.format, std::uint16_t{1}, false);
  }
  for (const DxtCase& c : kDxtCases) {
    benchmark::RegisterBenchmark((std::string("squish/") + c.name).c_str(), SquishBaseline,
                                 c.format, c.squish_flags);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/normal").c_str(), Decode,
                                 c.format, std::uint16_t{0}, false);
    benchmark::RegisterBenchmark((std::string("pass/") + c.name + "/normal").c_str(), Pass,
                                 c.format, std::uint16_t{0}, false);
    if (c.other_orders) {
      benchmark::RegisterBenchmark((std::string("pass/") + c.name + "/big-endian").c_str(), Pass,
                                   c.format, std::uint16_t{0}, true);
      benchmark::RegisterBenchmark((std::string("pass/") + c.name + "/swizzled").c_str(), Pass,
                                   c.format, std::uint16_t{1}, false);
      benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/big-endian").c_str(),
                                   Decode, c.format, std::uint16_t{0}, true);
      benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/swizzled").c_str(),
                                   Decode, c.format, std::uint16_t{1}, false);
    }
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
