// The convert command: each GIM file to a PNG or BMP file, through the
// shared batch. The decoder keeps no state between calls, so nothing but
// the batch's job counter and progress display is shared between threads.
#include "tools/cli/batch.h"
#include "tools/cli/commands.h"
#include "tools/cli/inputs.h"

namespace tovak::cli {

int RunConvert(const Arguments& args) {
  const std::vector<Job> jobs =
      ListJobs(args.paths, ".gim", args.out_dir,
               args.convert.format == OutputFormat::kBmp ? ".bmp" : ".png");
  BatchSettings settings;
  settings.force = args.force;
  settings.jobs = args.jobs;
  settings.times = args.times;
  settings.make_folders = !args.out_dir.empty();
  return RunBatch(jobs, settings,
                  [&](const Job&, gim::ByteView input, std::vector<std::uint8_t>& output,
                      StepTimes& times, std::string&) {
                    return ConvertPicture(input, args.convert, output, times);
                  });
}

}  // namespace tovak::cli
