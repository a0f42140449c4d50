#include "tools/cli/arguments.h"

#include <charconv>
#include <cstdio>

#include "decode/blend.h"
#include "tools/cli/files.h"
#include "tools/cli/option_table.h"

namespace tovak::cli {
namespace {


Option HelpOption() {
  return {"--help", "-h", Takes::kNothing, nullptr, {}, "print this and exit",
          [](const OptionValue&, Arguments& out) -> std::string { out.help = true; return {}; }};
}

// The batch commands' options around each one's own: where the outputs go
// first, how the batch runs after.
std::vector<Option> WithBatchOptions(std::vector<Option> table) {
  table.insert(table.begin(), Option{"--output", "-o", Takes::kText, "DIR", {},
       "write under DIR, keeping the layout of folder arguments",
       [](const OptionValue& v, Arguments& out) -> std::string {
         if (v.path.empty()) return "needs a folder";
         out.out_dir = v.path;
         return {};
       }});
  const std::vector<Option> batch = {
      {"--force", nullptr, Takes::kNothing, nullptr, {}, "replace existing outputs",
       [](const OptionValue&, Arguments& out) -> std::string { out.force = true; return {}; }},
      {"--jobs", "-j", Takes::kText, "N", {}, "work on N files at once (default: one per core)",
       [](const OptionValue& v, Arguments& out) -> std::string {
         unsigned n = 0;
         const char* end = v.text.data() + v.text.size();
         const auto [stop, error] = std::from_chars(v.text.data(), end, n);
         if (error != std::errc{} || stop != end || n == 0 || n > 256) {
           return "takes a number of files from 1 to 256";
         }
         out.jobs = n;
         return {};
       }},
      {"--times", nullptr, Takes::kNothing, nullptr, {},
       "print the time spent reading, decoding, encoding and writing",
       [](const OptionValue&, Arguments& out) -> std::string { out.times = true; return {}; }},
  };
  table.insert(table.end(), batch.begin(), batch.end());
  table.push_back(HelpOption());
  return table;
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", value);
  return text;
}

std::vector<Option> ConvertOptions() {
  return WithBatchOptions({
      {"--format", nullptr, Takes::kWord, "F", {"png", "bmp"},
       "{} (default png): PNG keeps alpha and palettes, BMP is the DIB the plug-in hands a host",
       [](const OptionValue& v, Arguments& out) -> std::string {
         out.convert.format = v.choice == 1 ? OutputFormat::kBmp : OutputFormat::kPng;
         return {};
       }},
      {"--compression", nullptr, Takes::kWord, "C", {"fast", "default", "small"},
       "PNG: {} (the slowest); the pixels are the same",
       [](const OptionValue& v, Arguments& out) -> std::string {
         constexpr PngCompression kLevels[] = {PngCompression::kFast, PngCompression::kDefault,
                                               PngCompression::kSmall};
         out.convert.compression = kLevels[v.choice];
         return {};
       }},
      {"--blend", nullptr, Takes::kNothing, nullptr, {},
       "blend translucent pixels against " + Hex(decode::kDefaultBackground) +
           " as the plug-in does",
       [](const OptionValue&, Arguments& out) -> std::string { out.convert.blend = true; return {}; }},
  });
}

std::vector<Option> EncodeOptions() {
  return WithBatchOptions({
      {"--format", nullptr, Takes::kFormat, "F", {},
       "{} (default: the original's with --like; else a palette of up to 16 colours index4, "
       "of up to 256 index8, anything else rgba8888)",
       [](const OptionValue& v, Arguments& out) -> std::string {
         out.encode.format = v.choice;
         return {};
       }},
      {"--palette-format", nullptr, Takes::kDirectFormat, "P", {},
       "the palette's entries of index4 and index8: {} (default rgba8888, or the original's)",
       [](const OptionValue& v, Arguments& out) -> std::string {
         out.encode.palette_format = v.choice;
         return {};
       }},
      {"--swizzle", nullptr, Takes::kNothing, nullptr, {},
       "store the pixels in the swizzled (\"faster\") order",
       [](const OptionValue&, Arguments& out) -> std::string {
         out.encode.options.swizzled = true;
         return {};
       }},
      {"--big-endian", nullptr, Takes::kNothing, nullptr, {},
       "write the big-endian variant of the container",
       [](const OptionValue&, Arguments& out) -> std::string {
         out.encode.options.big_endian = true;
         return {};
       }},
      {"--dxt-quality", nullptr, Takes::kWord, "Q", {"fast", "normal", "best"},
       "{} (default normal): libsquish's range fit, cluster fit or iterative cluster fit",
       [](const OptionValue& v, Arguments& out) -> std::string {
         constexpr encode::DxtQuality kFits[] = {encode::DxtQuality::kRangeFit,
                                                 encode::DxtQuality::kClusterFit,
                                                 encode::DxtQuality::kIterativeClusterFit};
         out.encode.options.dxt_quality = kFits[v.choice];
         return {};
       }},
      {"--dither", nullptr, Takes::kNothing, nullptr, {},
       "error diffusion: index4 and index8 pictures of too many colours, and rgba5650, "
       "rgba5551 and rgba4444 before rounding (default: each pixel to its nearest colour)",
       [](const OptionValue&, Arguments& out) -> std::string {
         out.encode.options.dither = true;
         return {};
       }},
      {"--like", nullptr, Takes::kText, "ORIGINAL", {},
       "store each picture as its original GIM file is stored (format, palette and its "
       "format, pixel order, byte order, file-info block), ORIGINAL a file or a folder in the "
       "PNGs' layout; the options above override what each names",
       [](const OptionValue& v, Arguments& out) -> std::string {
         if (v.path.empty()) return "takes the original GIM file or folder";
         out.encode.like = v.path;
         return {};
       }},
      {"--palette", nullptr, Takes::kWord, "new", {"new"},
       "with --like: quantise a new palette instead of keeping the original's",
       [](const OptionValue&, Arguments& out) -> std::string {
         out.encode.new_palette = true;
         return {};
       }},
      {"--info", nullptr, Takes::kNothing, nullptr, {},
       "add a file-info block: the PNG's file name, the user, the date and tovak's version",
       [](const OptionValue&, Arguments& out) -> std::string {
         out.encode.info = true;
         return {};
       }},
      {"--info-user", nullptr, Takes::kText, "NAME", {},
       "the file-info block's user, and --info (default: the login name)",
       [](const OptionValue& v, Arguments& out) -> std::string {
         if (v.text.empty()) return "takes a name";
         out.encode.info = true;
         out.encode.user = v.text;
         return {};
       }},
  });
}

struct CommandRow {
  const char* name;
  Command command;
  const char* operand;  // what the command works on, "PATH"
  const char* verb;     // what it does to one, for "no PATH to convert"
  const char* about;
  std::vector<Option> options;
};

const std::vector<CommandRow>& Commands() {
  static const std::vector<CommandRow> commands = {
      {"convert", Command::kConvert, "PATH", "convert",
       "Writes NAME.png (or NAME.bmp) for each .gim file, and for the .gim files in each folder "
       "and its subfolders, beside them or under -o DIR.",
       ConvertOptions()},
      {"encode", Command::kEncode, "PATH", "encode",
       "Writes NAME.gim for each .png file, and for the .png files in each folder and its "
       "subfolders, beside them or under -o DIR.",
       EncodeOptions()},
      {"info", Command::kInfo, "FILE", "describe",
       "Prints each picture's size, bit depth, byte order, pixel order, format and info text.",
       {HelpOption()}},
  };
  return commands;
}

std::string CommandUsage(const CommandRow& row) {
  const std::string head = std::string("usage: tovak ") + row.name + " ";
  std::vector<std::string> synopsis = Synopsis(row.options);
  synopsis.insert(synopsis.begin(), row.operand + std::string("..."));
  return head + Wrap(synopsis, head.size(), head.size()) +
         "\n\n" + Wrap(row.about, 0, 0) + "\n\n" + OptionHelp(row.options);
}

}  // namespace

std::string Usage(Command command) {
  std::string text;
  for (const CommandRow& row : Commands()) {
    if (row.command == command) return CommandUsage(row);
    text += CommandUsage(row) + "\n";
  }
  return text + "usage: tovak --version\n\nPrints tovak's version.\n";
}

std::string ParseArguments(const std::vector<std::filesystem::path>& args, Arguments& out) {
  out = Arguments{};
  if (args.empty()) return "no command";
  const std::string command = Utf8(args[0]);
  if (command == "help" || command == "--help" || command == "-h") return {};
  if (command == "--version") {
    out.command = Command::kVersion;
    return args.size() == 1 ? "" : "--version takes no arguments";
  }
  for (const CommandRow& row : Commands()) {
    if (command != row.name) continue;
    out.command = row.command;
    const std::string wrong = ParseOptions(row.options, args, 1, out);
    if (!wrong.empty() || out.help || !out.paths.empty()) return wrong;
    return std::string("no ") + row.operand + " to " + row.verb;
  }
  return "unknown command '" + command + "'";
}

}  // namespace tovak::cli
