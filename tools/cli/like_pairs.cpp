#include "tools/cli/like_pairs.h"

#include <system_error>

#include "tools/cli/files.h"

namespace tovak::cli {

std::filesystem::path OriginalFor(const Job& job, const std::filesystem::path& like,
                                  std::string& failure) {
  std::error_code error;
  if (!std::filesystem::is_directory(like, error)) return like;
  std::filesystem::path original = like / job.relative;
  original.replace_extension(".gim");
  if (!std::filesystem::exists(original, error)) {
    failure = "no original " + Utf8(original);
    return {};
  }
  return original;
}

}  // namespace tovak::cli
