// tovak: converts GIM pictures to PNG (alpha and palettes kept) or to the
// plug-in's BMP, and PNG pictures to GIM, in batches, and describes them. Arguments arrive as wide
// strings on Windows (wmain, linked with -municode) and as UTF-8 bytes on
// Linux; both become std::filesystem paths. TOVAK_VERSION is the CMake
// project's version.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "encode/quantise.h"
#include "tools/cli/arguments.h"
#include "tools/cli/commands.h"
#include "tools/cli/progress.h"

namespace {

int Run(std::vector<std::filesystem::path> args) {
  tovak::cli::PrepareConsole();
  tovak::cli::Arguments parsed;
  const std::string error = tovak::cli::ParseArguments(args, parsed);
  if (!error.empty()) {
    std::fprintf(stderr, "tovak: %s\n%s", error.c_str(), tovak::cli::Usage(parsed.command).c_str());
    return 2;
  }
  if (parsed.help) {
    std::fputs(tovak::cli::Usage(parsed.command).c_str(), stdout);
    return 0;
  }
  switch (parsed.command) {
    case tovak::cli::Command::kConvert: return tovak::cli::RunConvert(parsed);
    case tovak::cli::Command::kEncode: return tovak::cli::RunEncode(parsed);
    case tovak::cli::Command::kInfo: return tovak::cli::RunInfo(parsed);
    case tovak::cli::Command::kVersion:
      std::puts("tovak " TOVAK_VERSION);
      // libimagequant 2.x is GPL-3.0-or-later, and so is a binary that
      // links it; tovak's own source stays MIT.
      std::puts(tovak::encode::CanQuantise()
                    ? "This program links libimagequant and is distributed under the GNU General\n"
                      "Public License, version 3 or later; tovak's source is MIT-licensed."
                    : "tovak is MIT-licensed.");
      return 0;
    case tovak::cli::Command::kHelp: break;
  }
  std::fputs(tovak::cli::Usage().c_str(), stdout);
  return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  return Run(std::vector<std::filesystem::path>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
