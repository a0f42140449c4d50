#include "tools/cli/inputs.h"

#include <algorithm>
#include <system_error>

namespace tovak::cli {
namespace {

namespace fs = std::filesystem;

bool HasExtension(const fs::path& path, const std::string& wanted) {
  std::string extension;
  for (const auto c : path.extension().u8string()) {
    extension += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return extension == wanted;
}

fs::path OutputFor(const fs::path& input, const fs::path& relative, const fs::path& out_dir,
                   const std::string& extension) {
  fs::path output = out_dir.empty() ? input : out_dir / relative;
  output.replace_extension(extension);
  return output;
}

void ListFolder(const fs::path& folder, const std::string& input_extension,
                const fs::path& out_dir, const std::string& extension, std::vector<Job>& jobs) {
  std::error_code error;
  std::vector<Job> found;
  fs::recursive_directory_iterator it(folder, error), end;
  for (; !error && it != end; it.increment(error)) {
    // A broken link or an unreadable entry with the inputs' extension is
    // still listed: reading it reports why it cannot be used.
    std::error_code type_error;
    if (it->is_directory(type_error) || !HasExtension(it->path(), input_extension)) continue;
    const fs::path relative = it->path().lexically_relative(folder);
    found.push_back({it->path(), OutputFor(it->path(), relative, out_dir, extension), relative, {}});
  }
  if (error) found.push_back({folder, {}, {}, "cannot list the folder: " + error.message()});
  std::sort(found.begin(), found.end(),
            [](const Job& a, const Job& b) { return a.input < b.input; });
  jobs.insert(jobs.end(), found.begin(), found.end());
}

}  // namespace

std::vector<Job> ListJobs(const std::vector<fs::path>& paths, const std::string& input_extension,
                          const fs::path& out_dir, const std::string& extension) {
  std::vector<Job> jobs;
  for (const fs::path& path : paths) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
      ListFolder(path, input_extension, out_dir, extension, jobs);
    } else {
      jobs.push_back({path, OutputFor(path, path.filename(), out_dir, extension), path.filename(), {}});
    }
  }
  return jobs;
}

}  // namespace tovak::cli
