// GetPicture throughput per format, reported as a ratio to copying the same
// picture's stored bytes once, measured in the same run: the floor that any
// decoder which touches every byte has to pay.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"
#include "plugin/host_api.h"

namespace {

using tovak::fixture::Bytes;

constexpr std::uint16_t kSide = 512;

Bytes MakePicture(std::uint16_t format, std::uint16_t order) {
  tovak::fixture::Picture pic;
  pic.format = format;
  pic.pixel_order = order;
  pic.width = kSide;
  pic.height = kSide;
  const std::size_t row = tovak::fixture::StoredRowBytes(format, kSide);
  pic.pixels.resize(row * kSide);
  std::uint32_t seed = 12345;
  for (auto& b : pic.pixels) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(seed >> 24);
  }
  if (format == tovak::fixture::kIndex4 || format == tovak::fixture::kIndex8) {
    pic.palette = tovak::fixture::Palette{tovak::fixture::kRgba8888, 256, Bytes(1024, 0x7F)};
  }
  return tovak::fixture::Write(pic).bytes;
}

void Decode(benchmark::State& state, std::uint16_t format, std::uint16_t order) {
  const Bytes file = MakePicture(format, order);
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

// The baseline: one allocation and one copy of the stored plane.
void CopyBaseline(benchmark::State& state, std::uint16_t format) {
  const Bytes file = MakePicture(format, 0);
  for (auto _ : state) {
    std::vector<std::uint8_t> out(file.size());
    std::memcpy(out.data(), file.data(), file.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

struct Case {
  const char* name;
  std::uint16_t format;
};
constexpr Case kCases[] = {
    {"RGBA8888", tovak::fixture::kRgba8888}, {"RGBA4444", tovak::fixture::kRgba4444},
    {"RGBA5650", tovak::fixture::kRgba5650}, {"INDEX8", tovak::fixture::kIndex8},
    {"INDEX4", tovak::fixture::kIndex4},
};

// Prints every decode's time as a multiple of its format's copy baseline.
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
        const std::string name = std::string("decode/") + c.name + "/" + order;
        if (times_.count(base) && times_.count(name) && times_[base] > 0) {
          std::printf("  %-26s %6.2f\n", name.c_str(), times_[name] / times_[base]);
        }
      }
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("copy/") + c.name).c_str(), CopyBaseline, c.format);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/normal").c_str(), Decode,
                                 c.format, std::uint16_t{0});
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/swizzled").c_str(), Decode,
                                 c.format, std::uint16_t{1});
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
