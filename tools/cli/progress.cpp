#include "tools/cli/progress.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tovak::cli {
namespace {

constexpr std::size_t kBarWidth = 24;
constexpr std::size_t kNameWidth = 40;

// The end of a long name, which tells files of one folder apart.
std::string Tail(const std::string& name) {
  if (name.size() <= kNameWidth) return name;
  std::size_t from = name.size() - (kNameWidth - 3);
  // Never start inside a UTF-8 sequence.
  while (from < name.size() && (static_cast<unsigned char>(name[from]) & 0xC0) == 0x80) ++from;
  return "..." + name.substr(from);
}

}  // namespace

void Progress::Started(const std::string& name) {
  if (!terminal_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = name;
  DrawLocked();
}

void Progress::Finished(const std::string& name, const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++done_;
  // "\r\x1b[K" clears the bar's line; the line takes it and the bar is
  // drawn again below.
  if (!line.empty()) {
    std::fprintf(stderr, "%s%s: %s\n", terminal_ ? "\r\x1b[K" : "", name.c_str(), line.c_str());
  }
  if (terminal_) DrawLocked();
  std::fflush(stderr);
}

void Progress::Close() {
  if (!terminal_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  std::fputs("\r\x1b[K", stderr);
  std::fflush(stderr);
}

void Progress::DrawLocked() {
  const std::size_t filled = total_ == 0 ? kBarWidth : done_ * kBarWidth / total_;
  std::string bar(filled, '#');
  bar.resize(kBarWidth, '.');
  const std::string line = "\r\x1b[K[" + bar + "] " + std::to_string(done_) + "/" +
                           std::to_string(total_) + " " + Tail(current_);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

bool StderrIsTerminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

void PrepareConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
  // Consoles of Windows 10 and later read the bar's escape sequences only
  // when asked to.
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(err, &mode)) SetConsoleMode(err, mode | 0x0004);  // VT processing
#endif
}

}  // namespace tovak::cli
