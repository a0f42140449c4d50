// The command line of tovak: tovak convert|encode PATH... [options],
// tovak info FILE..., tovak --version, and --help alone or after a command.
// Each command's options are the rows of its table in arguments.cpp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "encode/encode.h"
#include "tools/cli/picture.h"

namespace tovak::cli {

enum class Command { kConvert, kEncode, kInfo, kHelp, kVersion };

struct EncodeArguments {
  std::optional<std::uint16_t> format;          // none: chosen by the picture or the original
  std::optional<std::uint16_t> palette_format;  // none: RGBA8888 or the original's
  encode::EncodeOptions options;  // the pixel order, byte order, DXT quality and dithering
  std::filesystem::path like;     // the original GIM file or folder; empty: none
  bool new_palette = false;       // --palette new: quantise afresh instead of keeping it
  bool info = false;
  std::string user;  // the file-info block's user; empty: the login name
};

struct Arguments {
  Command command = Command::kHelp;
  std::vector<std::filesystem::path> paths;
  std::filesystem::path out_dir;  // empty: beside each input
  ConvertOptions convert;
  EncodeArguments encode;
  bool force = false;
  unsigned jobs = 0;  // 0: one per core
  bool times = false;
  bool help = false;  // the command's usage was asked for
};

// The usage of one command, or of them all (kHelp, kVersion).
std::string Usage(Command command = Command::kHelp);

// `args` without the program name, as paths (wide on Windows). An empty
// string on success, else what is wrong with the command line.
std::string ParseArguments(const std::vector<std::filesystem::path>& args, Arguments& out);

}  // namespace tovak::cli
