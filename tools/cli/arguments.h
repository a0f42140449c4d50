// The command line of tovak:
//
//   tovak convert PATH... [-o DIR] [--format png|bmp] [--compression fast|default|small]
//                         [--blend] [--force] [-j N] [--times]
//   tovak info FILE...
//   tovak --version
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/cli/picture.h"

namespace tovak::cli {

enum class Command { kConvert, kInfo, kHelp, kVersion };

struct Arguments {
  Command command = Command::kHelp;
  std::vector<std::filesystem::path> paths;
  std::filesystem::path out_dir;  // empty: beside each input
  ConvertOptions convert;
  bool force = false;
  unsigned jobs = 0;  // 0: one per core
  bool times = false;
};

std::string Usage();

// `args` without the program name, as paths (wide on Windows). An empty
// string on success, else what is wrong with the command line.
std::string ParseArguments(const std::vector<std::filesystem::path>& args, Arguments& out);

}  // namespace tovak::cli
