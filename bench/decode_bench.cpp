// GetPicture throughput per format, reported as a ratio to a baseline
// measured in the same run. Uncompressed formats: copying the picture's
// stored bytes once, the floor that any decoder which touches every byte has
// to pay. DXT formats: libsquish decompressing the same blocks alone, the
// floor of a decode that hands every block to libsquish.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "decode/dib.h"
#include "decode/driver.h"
#include "decode/plan.h"
#include "bench/random_picture.h"
#include "gim/container.h"
#include "plugin/host_api.h"

namespace {

using tovak::bench::Bytes;

constexpr std::uint16_t kSide = 512;

Bytes MakePicture(std::uint16_t format, std::uint16_t order, bool big_endian) {
  return tovak::bench::RandomPicture(format, kSide, order == 1, big_endian);
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
  tovak::decode::DibShape shape;
  if (tovak::decode::PlanPicture(reader, recognition.blocks, plan) !=
          tovak::decode::Failure::kNone ||
      tovak::decode::ShapeDib(plan, shape) != tovak::decode::Failure::kNone) {
    state.SkipWithError("PlanPicture failed");
    return;
  }
  std::vector<std::uint8_t> bits(shape.bits_block_bytes);
  const tovak::decode::BlendSettings settings;
  for (auto _ : state) {
    tovak::decode::WriteBitsBlock(plan, shape, bits.data(), settings);
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
  const Bytes file = MakePicture(format, 0, false);
  const tovak::gim::ByteView view{file.data(), file.size()};
  const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
  tovak::gim::ImageHeader image;
  tovak::gim::ReadImageHeader(tovak::gim::Reader{view, false}, recognition.blocks.image, image);
  const std::uint8_t* blocks = file.data() + image.header_offset + image.pixels_start;
  const int multiple = format == tovak::gim::kDxt1 ? 8 : 4;
  const int padded_width = (kSide + multiple - 1) / multiple * multiple;
  std::vector<std::uint8_t> plane(std::size_t{4} * padded_width * kSide);
  for (auto _ : state) {
    squish::DecompressImage(plane.data(), padded_width, kSide, blocks, flags);
    benchmark::DoNotOptimize(plane.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (image.pixels_end - image.pixels_start)));
}

struct Case {
  const char* name;
  std::uint16_t format;
};
constexpr Case kCases[] = {
    {"RGBA8888", tovak::gim::kRgba8888}, {"RGBA4444", tovak::gim::kRgba4444},
    {"RGBA5650", tovak::gim::kRgba5650}, {"RGBA5551", tovak::gim::kRgba5551},
    {"INDEX8", tovak::gim::kIndex8},
    {"INDEX4", tovak::gim::kIndex4},
};

struct DxtCase {
  const char* name;
  std::uint16_t format;
  int squish_flags;
  bool other_orders;  // also decode a big-endian file
};
constexpr DxtCase kDxtCases[] = {
    {"DXT1", tovak::gim::kDxt1, squish::kDxt1, false},
    {"DXT3", tovak::gim::kDxt3, squish::kDxt3, false},
    {"DXT5", tovak::gim::kDxt5, squish::kDxt5, true},
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

// --pass_iterations=N runs each pixel pass exactly N times, so that an
// instruction count (bench/pass_instructions.sh) divides into whole passes.
std::int64_t TakePassIterations(int& argc, char** argv) {
  constexpr char kFlag[] = "--pass_iterations=";
  std::int64_t n = 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) == 0) {
      n = std::atoll(argv[i] + sizeof kFlag - 1);
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return n;
}

int main(int argc, char** argv) {
  const std::int64_t pass_iterations = TakePassIterations(argc, argv);
  const auto pass = [pass_iterations](const std::string& name, std::uint16_t format,
                                      std::uint16_t order, bool big_endian) {
    benchmark::internal::Benchmark* b =
        benchmark::RegisterBenchmark(name.c_str(), Pass, format, order, big_endian);
    if (pass_iterations > 0) b->Iterations(pass_iterations);
  };
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("copy/") + c.name).c_str(), CopyBaseline, c.format);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/normal").c_str(), Decode,
                                 c.format, std::uint16_t{0}, false);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/swizzled").c_str(), Decode,
                                 c.format, std::uint16_t{1}, false);
    pass(std::string("pass/") + c.name + "/normal", c.format, 0, false);
    pass(std::string("pass/") + c.name + "/swizzled", c.format, 1, false);
  }
  for (const DxtCase& c : kDxtCases) {
    benchmark::internal::Benchmark* squish = benchmark::RegisterBenchmark(
        (std::string("squish/") + c.name).c_str(), SquishBaseline, c.format, c.squish_flags);
    if (pass_iterations > 0) squish->Iterations(pass_iterations);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/normal").c_str(), Decode,
                                 c.format, std::uint16_t{0}, false);
    pass(std::string("pass/") + c.name + "/normal", c.format, 0, false);
    pass(std::string("pass/") + c.name + "/swizzled", c.format, 1, false);
    benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/swizzled").c_str(), Decode,
                                 c.format, std::uint16_t{1}, false);
    if (c.other_orders) {
      pass(std::string("pass/") + c.name + "/big-endian", c.format, 0, true);
      benchmark::RegisterBenchmark((std::string("decode/") + c.name + "/big-endian").c_str(),
                                   Decode, c.format, std::uint16_t{0}, true);
    }
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
