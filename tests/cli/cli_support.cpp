#include "cli/cli_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace tovak::test {

namespace fs = std::filesystem;
using Bytes = CliBytes;

std::string TestName() {
  return std::string("tovak-cli-test-") +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

fs::path TempDir() {
  const fs::path dir = fs::temp_directory_path() / TestName();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path Store(const fs::path& dir, const std::string& name, const Bytes& bytes) {
  const fs::path path = dir / fs::path(std::u8string(name.begin(), name.end()));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  return path;
}

TovakRun Tovak(const std::vector<std::string>& args) {
  const fs::path log = fs::temp_directory_path() / (TestName() + ".log");
  TovakRun run;
#ifdef _WIN32
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + (fs::path(self).parent_path() / "tovak.exe").wstring() + L"\"";
  for (const std::string& a : args) line += L" \"" + fs::path(std::u8string(a.begin(), a.end())).wstring() + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = out;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exit_code = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(out);
#else
  std::string line = "'" TOVAK_CLI "'";
  for (const std::string& a : args) line += " '" + a + "'";
  const int status = std::system((line + " >'" + log.string() + "' 2>&1").c_str());
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  const Bytes text = ReadAll(log);
  run.output.assign(text.begin(), text.end());
  return run;
}

std::string Utf8(const fs::path& p) {
  const std::u8string s = p.u8string();
  return {s.begin(), s.end()};
}

// A PNG written by libspng: `rows` of packed samples (16-bit ones in the
// machine's byte order, as libspng takes them), with a palette and its
// alpha for colour type 3.
Bytes MakePng(std::uint32_t width, std::uint32_t height, std::uint8_t colour_type,
              std::uint8_t depth, const Bytes& rows, const Bytes& rgba_palette) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = width;
  ihdr.height = height;
  ihdr.bit_depth = depth;
  ihdr.color_type = colour_type;
  spng_set_ihdr(ctx, &ihdr);
  if (!rgba_palette.empty()) {
    spng_plte plte{};
    spng_trns trns{};
    plte.n_entries = static_cast<std::uint32_t>(rgba_palette.size() / 4);
    for (std::uint32_t k = 0; k < plte.n_entries; ++k) {
      plte.entries[k] = {rgba_palette[4 * k], rgba_palette[4 * k + 1], rgba_palette[4 * k + 2], 0};
      trns.type3_alpha[k] = rgba_palette[4 * k + 3];
    }
    trns.n_type3_entries = plte.n_entries;
    spng_set_plte(ctx, &plte);
    spng_set_trns(ctx, &trns);
  }
  EXPECT_EQ(spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
  std::size_t size = 0;
  int error = 0;
  auto* buffer = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
  Bytes png(buffer, buffer + size);
  std::free(buffer);
  spng_ctx_free(ctx);
  return png;
}

Png ReadPng(const fs::path& path) {
  const Bytes file = ReadAll(path);
  Png png;
  for (int fmt : {SPNG_FMT_RGBA8, SPNG_FMT_PNG}) {
    spng_ctx* ctx = spng_ctx_new(0);
    spng_set_png_buffer(ctx, file.data(), file.size());
    std::size_t size = 0;
    EXPECT_EQ(spng_decoded_image_size(ctx, fmt, &size), 0) << Utf8(path);
    Bytes& out = fmt == SPNG_FMT_PNG ? png.stored : png.rgba;
    out.resize(size);
    EXPECT_EQ(spng_decode_image(ctx, out.data(), size, fmt, fmt == SPNG_FMT_PNG ? 0 : SPNG_DECODE_TRNS), 0);
    spng_get_ihdr(ctx, &png.ihdr);
    spng_get_plte(ctx, &png.plte);
    spng_get_trns(ctx, &png.trns);
    spng_ctx_free(ctx);
  }
  return png;
}

}  // namespace tovak::test
