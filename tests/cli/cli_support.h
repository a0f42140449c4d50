// What the converter's tests share: tovak run as a separate process (also
// as tovak.exe under Wine), a folder of its own for each test, whole-file
// reads and writes, and PNG files read back with libspng.
#pragma once

#include <spng.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovak::test {

using CliBytes = std::vector<std::uint8_t>;

// "tovak-cli-test-" and the running test's name.
std::string TestName();
// A fresh, empty folder named after the running test.
std::filesystem::path TempDir();
CliBytes ReadAll(const std::filesystem::path& path);
// Writes `bytes` to dir/name (name in UTF-8) and gives the path.
std::filesystem::path Store(const std::filesystem::path& dir, const std::string& name,
                            const CliBytes& bytes);
std::string Utf8(const std::filesystem::path& p);

struct TovakRun {
  int exit_code = -1;
  std::string output;  // stdout and stderr, or stdout alone
};

// Runs tovak (beside the test program on Windows) with `args` (UTF-8);
// without `errors_too` the output is standard output alone.
TovakRun Tovak(const std::vector<std::string>& args, bool errors_too = true);
#ifdef _WIN32
// The same with the arguments as Windows passes them: any 16-bit units.
TovakRun TovakWide(const std::vector<std::wstring>& args, bool errors_too = true);
#endif

// A PNG as libspng reads it: header, palette, transparency, the pixels as
// 8-bit RGBA and the rows as stored.
struct Png {
  spng_ihdr ihdr{};
  spng_plte plte{};
  spng_trns trns{};
  CliBytes rgba, stored;
};

Png ReadPng(const std::filesystem::path& path);

}  // namespace tovak::test
