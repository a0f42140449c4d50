#include "tools/cli/files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tovak::cli {
namespace {

namespace fs = std::filesystem;

// Writing creates the file and fails rather than open one that is there.
std::FILE* Open(const fs::path& path, bool write) {
#ifdef _WIN32
  if (!write) return _wfopen(path.c_str(), L"rb");
  // msvcrt's fopen knows no "x" mode.
  const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                        _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* f = _fdopen(fd, "wb");
  if (f == nullptr) _close(fd);
  return f;
#else
  return std::fopen(path.c_str(), write ? "wbx" : "rb");
#endif
}

// errno after a failed call, never 0.
int Errno() { return errno != 0 ? errno : EIO; }

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// A name no other conversion of this or another run uses: the process and a
// counter. It starts with a dot so that a listing hides it while it exists.
fs::path TemporaryName(const fs::path& path) {
  static std::atomic<unsigned long> counter{0};
  fs::path name = path;
  name.replace_filename(fs::path(".") += path.filename());
  name += ".";
  name += std::to_string(ProcessId());
  name += "-";
  name += std::to_string(++counter);
  name += ".tmp";
  return name;
}

// Gives `from` the name `to`; false with `exists` set when `to` is there and
// may not be replaced.
bool Rename(const fs::path& from, const fs::path& to, bool replace, bool& exists,
            std::string& reason) {
  exists = false;
#ifdef _WIN32
  if (MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
  const DWORD error = GetLastError();
  exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
  reason = std::system_category().message(static_cast<int>(error));
  return false;
#else
  if (replace) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  } else {
    // A second name for the finished file fails when `to` exists, where
    // rename would silently replace it.
    if (link(from.c_str(), to.c_str()) == 0) {
      unlink(from.c_str());
      return true;
    }
    exists = errno == EEXIST;
  }
  reason = SystemReason(errno);
  return false;
#endif
}

}  // namespace

std::string ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes) {
  std::error_code error;
  if (fs::is_directory(path, error)) return "cannot read: it is a folder";
  std::FILE* f = Open(path, false);
  if (f == nullptr) return "cannot read: " + SystemReason(errno);
  bytes.clear();
  std::uint8_t chunk[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  return failed ? "cannot read: " + SystemReason(EIO) : std::string();
}

std::string WriteWholeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes,
                           bool replace) {
  std::error_code error;
  if (!replace && fs::exists(fs::symlink_status(path, error))) return "output exists";
  const fs::path temporary = TemporaryName(path);
  std::FILE* f = Open(temporary, true);
  if (f == nullptr) return "cannot write: " + SystemReason(errno);
  int write_error = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) write_error = Errno();
  if (std::fclose(f) != 0 && write_error == 0) write_error = Errno();
  std::string reason;
  bool exists = false;
  if (write_error == 0 && Rename(temporary, path, replace, exists, reason)) return {};
  if (write_error != 0) reason = SystemReason(write_error);
  fs::remove(temporary, error);
  return exists ? "output exists" : "cannot write: " + reason;
}

std::string Utf8(const fs::path& path) {
#ifdef _WIN32
  // A Windows name is any sequence of 16-bit units; one holding an unpaired
  // surrogate has no UTF-8 form, and path::u8string throws on it. Here it
  // takes U+FFFD, for matching options and for messages; the path itself is
  // kept wide wherever a file is opened.
  const std::wstring& wide = path.native();
  const int size = static_cast<int>(wide.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), bytes, nullptr, nullptr);
  return text;
#else
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
#endif
}

}  // namespace tovak::cli
