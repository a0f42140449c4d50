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

#ifdef _WIN32
TovakRun Tovak(const std::vector<std::string>& args, bool errors_too) {
  std::vector<std::wstring> wide;
  for (const std::string& a : args) wide.push_back(fs::path(std::u8string(a.begin(), a.end())).wstring());
  return TovakWide(wide, errors_too);
}

TovakRun TovakWide(const std::vector<std::wstring>& args, bool errors_too) {
  const fs::path log = fs::temp_directory_path() / (TestName() + ".log");
  TovakRun run;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + (fs::path(self).parent_path() / "tovak.exe").wstring() + L"\"";
  for (const std::wstring& a : args) line += L" \"" + a + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = errors_too ? out : nullptr;
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
TovakRun Tovak(const std::vector<std::string>& args, bool errors_too) {
  const fs::path log = fs::temp_directory_path() / (TestName() + ".log");
  TovakRun run;
  std::string line = "'" TOVAK_CLI "'";
  for (const std::string& a : args) line += " '" + a + "'";
  line += " >'" + log.string() + (errors_too ? "' 2>&1" : "' 2>/dev/null");
  const int status = std::system(line.c_str());
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
