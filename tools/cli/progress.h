// What a batch tells the user while it runs, on stderr: on a terminal, a bar
// with the files done and the file being converted; elsewhere only a line for
// each failure or note. Safe to call from every worker thread.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace tovak::cli {

class Progress {
 public:
  Progress(std::size_t total, bool terminal) : total_(total), terminal_(terminal) {}

  void Started(const std::string& name);
  // `line`: the failure, or a note of a file done; empty, nothing to say.
  void Finished(const std::string& name, const std::string& line);
  // Clears the bar.
  void Close();

 private:
  void DrawLocked();

  std::mutex mutex_;
  std::size_t total_;
  std::size_t done_ = 0;
  bool terminal_;
  std::string current_;
};

// True when stderr is a terminal (a console on Windows).
bool StderrIsTerminal();

// Writes UTF-8 text to stdout or stderr as it is; on a Windows console, the
// console is told to take UTF-8 first.
void PrepareConsole();

}  // namespace tovak::cli
