// The files a batch command works on, and where each one's output goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tovak::cli {

struct Job {
  std::filesystem::path input;
  std::filesystem::path output;
  // The input's path below its folder argument; a file argument's name.
  std::filesystem::path relative;
  std::string failure;  // set when the input could not even be listed
};

// A file argument is taken whatever its name; a folder argument brings
// every file named with `input_extension` (".gim", ".png"; any case) in it
// and its subfolders, in name order. Outputs take the input's name with
// `extension` in place of its own, beside the input, or under `out_dir`
// (folder arguments keeping their layout there).
std::vector<Job> ListJobs(const std::vector<std::filesystem::path>& paths,
                          const std::string& input_extension,
                          const std::filesystem::path& out_dir, const std::string& extension);

}  // namespace tovak::cli
