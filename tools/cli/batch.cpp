#include "tools/cli/batch.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

#include "tools/cli/files.h"
#include "tools/cli/progress.h"

namespace tovak::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string RunOne(const Job& job, const BatchSettings& settings, const Transform& transform,
                   StepTimes& times, std::string& note) {
  if (!job.failure.empty()) return job.failure;
  std::error_code error;
  if (fs::equivalent(job.input, job.output, error)) return "the output would replace the input";
  if (!settings.force && fs::exists(fs::symlink_status(job.output, error))) return "output exists";

  Clock::time_point start = Clock::now();
  std::vector<std::uint8_t> input;
  std::string failure = ReadWholeFile(job.input, input);
  times.read += Since(start);
  if (!failure.empty()) return failure;

  std::vector<std::uint8_t> output;
  try {
    failure = transform(job, gim::ByteView{input.data(), input.size()}, output, times, note);
  } catch (const std::bad_alloc&) {
    failure = "too large: out of memory";
  }
  if (!failure.empty()) return failure;
  input = {};

  start = Clock::now();
  if (settings.make_folders) fs::create_directories(job.output.parent_path(), error);
  failure = WriteWholeFile(job.output, output, settings.force);
  times.write += Since(start);
  return failure;
}

}  // namespace

int RunBatch(const std::vector<Job>& jobs, const BatchSettings& settings,
             const Transform& transform) {
  const Clock::time_point start = Clock::now();
  unsigned threads = settings.jobs != 0 ? settings.jobs : std::thread::hardware_concurrency();
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
      std::string failure, note;
      try {
        failure = RunOne(jobs[i], settings, transform, own, note);
      } catch (const std::exception& e) {
        failure = std::string("cannot ") + settings.verb + ": " + e.what();
      }
      if (!failure.empty()) ++failed;
      progress.Finished(name, failure.empty() ? note : failure);
    }
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work, std::ref(times[t]));
  if (threads != 0) work(times[0]);
  for (std::thread& t : pool) t.join();
  progress.Close();

  const std::size_t failures = failed;
  std::printf("%s %s, %s failed\n", std::to_string(jobs.size() - failures).c_str(), settings.done,
              std::to_string(failures).c_str());
  if (settings.times) {
    StepTimes sum;
    for (const StepTimes& t : times) sum.Add(t);
    std::printf("seconds: read %.3f, decode %.3f, encode %.3f, write %.3f "
                "(summed over %u threads); wall %.3f\n",
                sum.read, sum.decode, sum.encode, sum.write, threads, Since(start));
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace tovak::cli
