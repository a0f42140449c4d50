// The encode command: each PNG file to a GIM file, through the shared batch.
#include <chrono>
#include <ctime>

#include "encode/encode.h"
#include "tools/cli/batch.h"
#include "tools/cli/commands.h"
#include "tools/cli/files.h"
#include "tools/cli/inputs.h"
#include "tools/cli/png_decode.h"

namespace tovak::cli {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The local date and time, as the file-info block holds it:
// "2026-12-08 13:45:00".
std::string Now() {
  const std::time_t now = std::time(nullptr);
  char text[32] = {};
  // Called once, before the batch starts its threads.
  const std::tm* local = std::localtime(&now);
  if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0) {
    return "unknown date";
  }
  return text;
}

std::string FormatName(std::uint16_t code) {
  const gim::FormatDescription* format = gim::DescribeFormat(code);
  return format != nullptr ? format->name : std::to_string(code);
}

// The reason in words, with the value that caused it.
std::string Explain(encode::Outcome outcome, const encode::EncodeOptions& options) {
  const std::string value = std::to_string(outcome.value);
  switch (outcome.failure) {
    case encode::Failure::kTooManyColours: {
      const gim::FormatDescription* format = gim::DescribeFormat(options.format);
      return "the picture has " + value + " colours, more than " + format->name + " holds (" +
             std::to_string(1u << format->usual_bits_per_pixel) +
             "): quantise it first, for example with pngquant";
    }
    case encode::Failure::kDimensionTooLarge:
    case encode::Failure::kSwizzledDxtHeight:
      return std::string(encode::FailureText(outcome.failure)) + " (" + value + ")";
    case encode::Failure::kIndexOutside:
      return std::string(encode::FailureText(outcome.failure)) + " (index " + value + ")";
    case encode::Failure::kNotWritable:
    case encode::Failure::kPaletteFormat:
      return std::string(encode::FailureText(outcome.failure)) + " (" + FormatName(options.format) + ")";
    default: return encode::FailureText(outcome.failure);
  }
}

std::string EncodeFile(const Job& job, gim::ByteView input, const EncodeArguments& args,
                       const std::string& date, std::vector<std::uint8_t>& output,
                       StepTimes& times) {
  Clock::time_point start = Clock::now();
  DecodedPng png;
  const std::string failure = DecodePng(input, png);
  times.decode += Since(start);
  if (!failure.empty()) return failure;

  start = Clock::now();
  const encode::SourcePicture picture = SourcePictureOf(png);
  encode::EncodeOptions options = args.options;
  options.format = args.format ? *args.format : encode::UsualFormat(picture);
  if (args.info) options.info = {args.project, args.user, date, Utf8(job.input.filename())};
  const encode::Outcome outcome = encode::Encode(picture, options, output);
  times.encode += Since(start);
  return outcome.failure == encode::Failure::kNone ? std::string() : Explain(outcome, options);
}

}  // namespace

int RunEncode(const Arguments& args) {
  const std::vector<Job> jobs = ListJobs(args.paths, ".png", args.out_dir, ".gim");
  const std::string date = Now();
  BatchSettings settings;
  settings.force = args.force;
  settings.jobs = args.jobs;
  settings.times = args.times;
  settings.make_folders = !args.out_dir.empty();
  settings.verb = "encode";
  settings.done = "encoded";
  return RunBatch(jobs, settings,
                  [&](const Job& job, gim::ByteView input, std::vector<std::uint8_t>& output,
                      StepTimes& times) {
                    return EncodeFile(job, input, args.encode, date, output, times);
                  });
}

}  // namespace tovak::cli
