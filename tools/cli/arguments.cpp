#include "tools/cli/arguments.h"

#include <charconv>
#include <cstdio>

#include "decode/blend.h"
#include "tools/cli/files.h"

namespace tovak::cli {

std::string Usage() {
  // A format: the default background is the decoder's constant.
  static const char kText[] =
    "usage: tovak convert PATH... [-o DIR] [--format png|bmp] [--compression C] [--blend]\n"
    "                              [--force] [-j N] [--times]\n"
    "       tovak info FILE...\n"
    "       tovak --version\n"
    "\n"
    "convert    writes NAME.png (or NAME.bmp) for each .gim file, and for the .gim files\n"
    "           in each folder and its subfolders, beside them or under -o DIR\n"
    "  -o DIR             write under DIR, keeping the layout of folder arguments\n"
    "  --format F         png (default: alpha and palettes kept) or bmp (the plug-in's DIB)\n"
    "  --compression C    PNG: fast, default or small (slowest); the pixels are the same\n"
    "  --blend            blend translucent pixels against 0x%06X as the plug-in does\n"
    "  --force            replace existing outputs\n"
    "  -j N               convert N files at once (default: one per core)\n"
    "  --times            print the time spent reading, decoding, encoding and writing\n"
    "info       prints each picture's size, bit depth, byte order, pixel order,\n"
    "           format and info text\n"
    "--version  prints tovak's version\n";
  char text[sizeof kText + 8];
  std::snprintf(text, sizeof text, kText, unsigned{decode::kDefaultBackground});
  return text;
}

std::string ParseArguments(const std::vector<std::filesystem::path>& args, Arguments& out) {
  out = Arguments{};
  if (args.empty()) return "no command";
  const std::string command = Utf8(args[0]);
  if (command == "convert") {
    out.command = Command::kConvert;
  } else if (command == "info") {
    out.command = Command::kInfo;
  } else if (command == "help" || command == "--help" || command == "-h") {
    return {};
  } else if (command == "--version") {
    out.command = Command::kVersion;
    return args.size() == 1 ? "" : "--version takes no arguments";
  } else {
    return "unknown command '" + command + "'";
  }

  bool options_end = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string arg = out.command == Command::kConvert && !options_end ? Utf8(args[i]) : "";
    const bool has_value = i + 1 < args.size();
    if (arg == "--") {
      options_end = true;
    } else if (arg == "-o" || arg == "--output") {
      if (!has_value) return arg + " needs a folder";
      out.out_dir = args[++i];
    } else if (arg == "--format") {
      const std::string value = has_value ? Utf8(args[++i]) : "";
      if (value == "png") {
        out.convert.format = OutputFormat::kPng;
      } else if (value == "bmp") {
        out.convert.format = OutputFormat::kBmp;
      } else {
        return "--format takes png or bmp";
      }
    } else if (arg == "--compression") {
      const std::string value = has_value ? Utf8(args[++i]) : "";
      if (value == "fast") {
        out.convert.compression = PngCompression::kFast;
      } else if (value == "default") {
        out.convert.compression = PngCompression::kDefault;
      } else if (value == "small") {
        out.convert.compression = PngCompression::kSmall;
      } else {
        return "--compression takes fast, default or small";
      }
    } else if (arg == "--blend") {
      out.convert.blend = true;
    } else if (arg == "--force") {
      out.force = true;
    } else if (arg == "--times") {
      out.times = true;
    } else if (arg == "-j" || arg == "--jobs") {
      const std::string value = has_value ? Utf8(args[++i]) : "";
      unsigned n = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (error != std::errc{} || end != value.data() + value.size() || n == 0 || n > 256) {
        return "-j takes a number of files from 1 to 256";
      }
      out.jobs = n;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option '" + arg + "'";
    } else {
      out.paths.push_back(args[i]);
    }
  }
  if (out.paths.empty()) return command == "info" ? "no FILE to describe" : "no PATH to convert";
  return {};
}

}  // namespace tovak::cli
