// The files a convert command works on, and where each one's output goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tovak::cli {

struct Job {
  std::filesystem::path input;
  std::filesystem::path output;
  std::string failure;  // set when the input could not even be listed
};

// A file argument is converted whatever its name; a folder argument brings
// every .gim file (any case) in it and its subfolders, in name order. Outputs
// take the input's name with `extension` in place of its own, beside the
// input, or under `out_dir` (folder arguments keeping their layout there).
std::vector<Job> ListJobs(const std::vector<std::filesystem::path>& paths,
                          const std::filesystem::path& out_dir, const std::string& extension);

}  // namespace tovak::cli
