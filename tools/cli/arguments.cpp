#include "tools/cli/arguments.h"

#include <charconv>
#include <cstdio>

#include "decode/blend.h"
#include "gim/formats.h"
#include "tools/cli/files.h"

namespace tovak::cli {

std::string Usage() {
  // A format: the default background is the decoder's constant.
  static const char kText[] =
    "usage: tovak convert PATH... [-o DIR] [--format png|bmp] [--compression C] [--blend]\n"
    "                              [--force] [-j N] [--times]\n"
    "       tovak encode PATH... [-o DIR] [--format F] [--palette-format P] [--swizzle]\n"
    "                    [--big-endian] [--dxt-quality Q] [--dither] [--like ORIGINAL]\n"
    "                    [--palette new] [--info] [--info-user NAME]\n"
    "                    [--force] [-j N] [--times]\n"
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
    "encode     writes NAME.gim for each .png file, and for the .png files in each folder\n"
    "           and its subfolders, beside them or under -o DIR (-o, --force, -j, --times\n"
    "           as for convert)\n"
    "  --format F          rgba8888, rgba5650, rgba5551, rgba4444, index4, index8, dxt1,\n"
    "                      dxt3 or dxt5 (default: a palette of up to 16 colours index4,\n"
    "                      up to 256 index8, anything else rgba8888)\n"
    "  --palette-format P  index4 and index8: rgba8888 (default), rgba5650, rgba5551\n"
    "                      or rgba4444\n"
    "  --swizzle           store the pixels in the swizzled (\"faster\") order\n"
    "  --big-endian        write the big-endian variant of the container\n"
    "  --dxt-quality Q     fast, normal (default) or best: libsquish's range fit,\n"
    "                      cluster fit or iterative cluster fit\n"
    "  --dither            error diffusion: index4 and index8 pictures of too many\n"
    "                      colours, and rgba5650, rgba5551 and rgba4444\n"
    "  --like ORIGINAL     store each picture as its original GIM file is: format,\n"
    "                      palette and its format, pixel order, byte order, file-info\n"
    "                      block (ORIGINAL a file, or a folder in the PNGs' layout);\n"
    "                      the options above override what each names\n"
    "  --palette new       with --like: quantise a new palette instead of keeping it\n"
    "  --info              add a file-info block: the PNG's name, the user, the date\n"
    "                      and tovak's version\n"
    "  --info-user NAME    the file-info block's user (default: the login name)\n"
    "info       prints each picture's size, bit depth, byte order, pixel order,\n"
    "           format and info text\n"
    "--version  prints tovak's version\n";
  char text[sizeof kText + 8];
  std::snprintf(text, sizeof text, kText, unsigned{decode::kDefaultBackground});
  return text;
}

namespace {

// The names of the table's formats of the kinds asked for, lower case, for
// messages.
std::string FormatNames(bool direct_only) {
  std::string names;
  for (const gim::FormatDescription& format : gim::kFormats) {
    const bool direct =
        format.kind == gim::PixelKind::kWord16 || format.kind == gim::PixelKind::kRgba8888;
    if (direct_only && !direct) continue;
    if (!names.empty()) names += ", ";
    for (const char* c = format.name; *c != '\0'; ++c) {
      names += static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
    }
  }
  return names;
}

// Takes args[i], and its value, when it is one of encode's own options:
// true then, with `error` set when it is wrong.
bool TakeEncodeOption(const std::vector<std::filesystem::path>& args, std::size_t& i,
                      EncodeArguments& out, std::string& error) {
  const std::string arg = Utf8(args[i]);
  const bool takes_value = arg == "--format" || arg == "--palette-format" ||
                           arg == "--dxt-quality" || arg == "--like" || arg == "--palette" ||
                           arg == "--info-user";
  if (!takes_value) {
    if (arg == "--swizzle") {
      out.options.swizzled = true;
    } else if (arg == "--big-endian") {
      out.options.big_endian = true;
    } else if (arg == "--dither") {
      out.options.dither = true;
    } else if (arg == "--info") {
      out.info = true;
    } else {
      return false;
    }
    return true;
  }
  const std::string value = i + 1 < args.size() ? Utf8(args[++i]) : "";
  if (arg == "--format") {
    const gim::FormatDescription* format = gim::FormatNamed(value);
    if (format == nullptr) error = "--format takes " + FormatNames(false);
    if (format != nullptr) out.format = format->code;
  } else if (arg == "--palette-format") {
    const gim::FormatDescription* format = gim::FormatNamed(value);
    if (format == nullptr || (format->kind != gim::PixelKind::kWord16 &&
                              format->kind != gim::PixelKind::kRgba8888)) {
      error = "--palette-format takes " + FormatNames(true);
    } else {
      out.palette_format = format->code;
    }
  } else if (arg == "--dxt-quality") {
    if (value == "fast") {
      out.options.dxt_quality = encode::DxtQuality::kRangeFit;
    } else if (value == "normal") {
      out.options.dxt_quality = encode::DxtQuality::kClusterFit;
    } else if (value == "best") {
      out.options.dxt_quality = encode::DxtQuality::kIterativeClusterFit;
    } else {
      error = "--dxt-quality takes fast, normal or best";
    }
  } else if (arg == "--like") {
    if (value.empty()) error = "--like takes the original GIM file or folder";
    out.like = args[i];
  } else if (arg == "--palette") {
    if (value != "new") error = "--palette takes new";
    out.new_palette = true;
  } else {
    if (value.empty()) error = "--info-user takes a name";
    out.info = true;
    out.user = value;
  }
  return true;
}

}  // namespace

std::string ParseArguments(const std::vector<std::filesystem::path>& args, Arguments& out) {
  out = Arguments{};
  if (args.empty()) return "no command";
  const std::string command = Utf8(args[0]);
  if (command == "convert") {
    out.command = Command::kConvert;
  } else if (command == "encode") {
    out.command = Command::kEncode;
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
    const std::string arg = out.command != Command::kInfo && !options_end ? Utf8(args[i]) : "";
    const bool has_value = i + 1 < args.size();
    std::string wrong;
    if (out.command == Command::kEncode && !options_end && TakeEncodeOption(args, i, out.encode, wrong)) {
      if (!wrong.empty()) return wrong;
    } else if (arg == "--") {
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
    } else if (arg == "--compression" && out.command == Command::kConvert) {
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
    } else if (arg == "--blend" && out.command == Command::kConvert) {
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
  if (out.paths.empty()) {
    return command == "info" ? "no FILE to describe" : "no PATH to " + command;
  }
  return {};
}

}  // namespace tovak::cli
