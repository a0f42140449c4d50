// The convert command: every job on a pool of threads that each take the
// next file, read it whole, convert it and write the output. The decoder
// keeps no state between calls, so nothing but the job counter and the
// progress display is shared.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>
#include <vector>

#include "tools/cli/commands.h"
#include "tools/cli/files.h"
#include "tools/cli/inputs.h"
#include "tools/cli/progress.h"

namespace tovak::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string ConvertOne(const Job& job, const Arguments& args, StepTimes& times) {
  if (!job.failure.empty()) return job.failure;
  std::error_code error;
  if (fs::equivalent(job.input, job.output, error)) return "the output would replace the input";
  if (!args.force && fs::exists(fs::symlink_status(job.output, error))) return "output exists";

  Clock::time_point start = Clock::now();
  std::vector<std::uint8_t> input;
  std::string failure = ReadWholeFile(job.input, input);
  times.read += Since(start);
  if (!failure.empty()) return failure;

  std::vector<std::uint8_t> output;
  failure = ConvertPicture(gim::ByteView{input.data(), input.size()}, args.convert, output, times);
  if (!failure.empty()) return failure;
  input = {};

  start = Clock::now();
  if (!args.out_dir.empty()) fs::create_directories(job.output.parent_path(), error);
  failure = WriteWholeFile(job.output, output, args.force);
  times.write += Since(start);
  return failure;
}

}  // namespace

int RunConvert(const Arguments& args) {
  const Clock::time_point start = Clock::now();
  const std::vector<Job> jobs =
      ListJobs(args.paths, args.out_dir, args.convert.format == OutputFormat::kBmp ? ".bmp" : ".png");
  unsigned threads = args.jobs != 0 ? args.jobs : std::thread::hardware_concurrency();
  if (threads == 0) threads = 1;
  if (threads > jobs.size()) threads = static_cast<unsigned>(jobs.size());

  Progress progress(jobs.size(), StderrIsTerminal());
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> failed{0};
  std::vector<StepTimes> times(threads);
  const auto work = [&](StepTimes& own) {
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      const std::string name = Utf8(jobs[i].input);
      progress.Started(name);
      std::string failure;
      try {
        failure = ConvertOne(jobs[i], args, own);
      } catch (const std::exception& e) {
        failure = std::string("cannot convert: ") + e.what();
      }
      if (!failure.empty()) ++failed;
      progress.Finished(name, failure);
    }
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work, std::ref(times[t]));
  if (threads != 0) work(times[0]);
  for (std::thread& t : pool) t.join();
  progress.Close();

  const std::size_t failures = failed;
  std::printf("%s converted, %s failed\n", std::to_string(jobs.size() - failures).c_str(),
              std::to_string(failures).c_str());
  if (args.times) {
    StepTimes sum;
    for (const StepTimes& t : times) sum.Add(t);
    std::printf("seconds: read %.3f, decode %.3f, encode %.3f, write %.3f "
                "(summed over %u threads); wall %.3f\n",
                sum.read, sum.decode, sum.encode, sum.write, threads, Since(start));
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace tovak::cli
