// A batch of files, each read whole, turned into the bytes of its output and
// written all or nothing, on a pool of threads that each take the next
// file. convert and encode both run theirs through it: the same progress
// display, the same rules for existing outputs, the same summary line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gim/byte_view.h"
#include "tools/cli/inputs.h"
#include "tools/cli/step_times.h"

namespace tovak::cli {

struct BatchSettings {
  bool force = false;  // replace existing outputs
  unsigned jobs = 0;   // files at once; 0: one per core
  bool times = false;  // print the time spent in each step
  bool make_folders = false;  // create the outputs' folders (outputs under -o DIR)
  const char* verb = "convert";    // what a failure could not do
  const char* done = "converted";  // the summary's word for a file done
};

// Turns one input file's bytes into the output file's; an empty string on
// success, else the reason in words. `note` may take something the user
// should know of a file done, printed on the file's line as failures are.
// Called on several threads at once.
using Transform = std::function<std::string(const Job& job, gim::ByteView input,
                                            std::vector<std::uint8_t>& output, StepTimes& times,
                                            std::string& note)>;

// Runs the batch, prints a line for each failure and note (on a terminal, a progress
// bar too) and "N <done>, M failed"; returns the exit code, 0 only when
// nothing failed.
int RunBatch(const std::vector<Job>& jobs, const BatchSettings& settings,
             const Transform& transform);

}  // namespace tovak::cli
