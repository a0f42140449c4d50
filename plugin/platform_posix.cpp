// The POSIX stand-in for the platform layer. Moveable blocks are numbered
// (handles are 32 bits, as in the DLL) and carry a lock count; every block is
// counted while alive, and any allocation can be made to fail.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "plugin/platform.h"
#include "plugin/posix_standin.h"

namespace tovak {
namespace {

struct Moveable {
  void* data;
  std::uint64_t size;
  std::uint32_t locks;
};

struct Memory {
  std::mutex mutex;
  std::map<platform::LocalHandle, Moveable> moveable;
  std::set<void*> fixed;
  platform::LocalHandle next_handle = 1;
  std::uint32_t fail_countdown = 0;
  std::string module_path;  // UTF-8, as Linux names files
};

Memory& State() {
  static Memory memory;
  return memory;
}

// Called with the mutex held.
bool AllocationFails(Memory& m) {
  if (m.fail_countdown == 0) return false;
  return --m.fail_countdown == 0;
}

std::string Trim(const std::string& s) {
  std::size_t a = 0;
  std::size_t b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

bool SameName(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// The profile reader's reading of a value: an optional sign, then a "0x" hex
// or decimal number up to the first other character; nothing numeric is 0.
std::int32_t ParseProfileInt(const std::string& text) {
  const char* p = text.c_str();
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  std::uint32_t value = 0;
  for (;; ++p) {
    int digit;
    if (*p >= '0' && *p <= '9') digit = *p - '0';
    else if (base == 16 && std::isxdigit(static_cast<unsigned char>(*p)))
      digit = std::tolower(static_cast<unsigned char>(*p)) - 'a' + 10;
    else break;
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(negative ? 0u - value : value);
}

// UTF-16 to the UTF-8 that Linux file names use. An unpaired surrogate has
// no UTF-8 form: false, and the name names no file.
bool ToUtf8(const char16_t* in, std::string& out) {
  out.clear();
  for (const char16_t* p = in; *p != 0; ++p) {
    std::uint32_t c = *p;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (p[1] < 0xDC00 || p[1] > 0xDFFF) return false;
      c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00u);
      ++p;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
    const auto byte = [&out](std::uint32_t b) { out.push_back(static_cast<char>(b)); };
    if (c < 0x80) {
      byte(c);
    } else if (c < 0x800) {
      byte(0xC0 | c >> 6), byte(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      byte(0xE0 | c >> 12), byte(0x80 | (c >> 6 & 0x3F)), byte(0x80 | (c & 0x3F));
    } else {
      byte(0xF0 | c >> 18), byte(0x80 | (c >> 12 & 0x3F)), byte(0x80 | (c >> 6 & 0x3F)),
          byte(0x80 | (c & 0x3F));
    }
  }
  return true;
}

// UTF-8 (assumed well formed: the tests set it) to UTF-16.
std::u16string ToUtf16(const std::string& in) {
  std::u16string out;
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<unsigned char>(in[i]);
    const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
    std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra && i + k < in.size(); ++k) {
      c = c << 6 | (static_cast<unsigned char>(in[i + k]) & 0x3Fu);
    }
    i += static_cast<std::size_t>(extra) + 1;
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

bool ExistsUtf8(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0;
}

}  // namespace

namespace platform {

LocalHandle AllocMoveable(std::uint64_t bytes) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (bytes > kMaxBlockBytes || AllocationFails(m)) return 0;
  void* data = std::calloc(1, bytes == 0 ? 1 : bytes);
  if (data == nullptr) return 0;
  const LocalHandle handle = m.next_handle++;
  m.moveable[handle] = {data, bytes, 0};
  return handle;
}

void* Lock(LocalHandle handle) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  auto it = m.moveable.find(handle);
  if (it == m.moveable.end()) return nullptr;
  ++it->second.locks;
  return it->second.data;
}

void Unlock(LocalHandle handle) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  auto it = m.moveable.find(handle);
  if (it != m.moveable.end() && it->second.locks > 0) --it->second.locks;
}

void Free(LocalHandle handle) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  auto it = m.moveable.find(handle);
  if (it == m.moveable.end()) std::abort();  // a double or foreign free
  std::free(it->second.data);
  m.moveable.erase(it);
}

void* AllocFixed(std::uint64_t bytes) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (bytes > kMaxBlockBytes || AllocationFails(m)) return nullptr;
  void* data = std::calloc(1, bytes == 0 ? 1 : bytes);
  if (data != nullptr) m.fixed.insert(data);
  return data;
}

void FreeFixed(void* block) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (m.fixed.erase(block) != 1) std::abort();
  std::free(block);
}

FileHandle OpenForRead(const char* name) {
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kNoFile;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kNoFile;
  }
  return fd;
}

FileHandle OpenForRead(const char16_t* name) {
  std::string utf8;
  return ToUtf8(name, utf8) ? OpenForRead(utf8.c_str()) : kNoFile;
}

bool FileSize(FileHandle file, std::uint64_t& size) {
  struct stat st;
  if (::fstat(static_cast<int>(file), &st) != 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool SeekTo(FileHandle file, std::uint64_t offset) {
  return ::lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool Read(FileHandle file, void* into, std::uint32_t count, std::uint32_t& got) {
  const ssize_t n = ::read(static_cast<int>(file), into, count);
  got = n > 0 ? static_cast<std::uint32_t>(n) : 0;
  return n >= 0;
}

void Close(FileHandle file) { ::close(static_cast<int>(file)); }

FileHandle HostFile(std::uintptr_t value) { return static_cast<FileHandle>(value); }

void SetModuleInstance(void*) {}

std::uint32_t ModulePath(char16_t* out, std::uint32_t capacity) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  const std::u16string path = ToUtf16(m.module_path);
  if (path.empty() || path.size() >= capacity) return 0;
  std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(char16_t));
  return static_cast<std::uint32_t>(path.size());
}

bool PathExists(const char16_t* path) {
  std::string utf8;
  return ToUtf8(path, utf8) && ExistsUtf8(utf8.c_str());
}

std::int32_t ProfileInt(const char16_t* section16, const char16_t* key16, std::int32_t fallback,
                        const char16_t* path16) {
  std::string section, key, path;
  if (!ToUtf8(section16, section) || !ToUtf8(key16, key) || !ToUtf8(path16, path)) {
    return fallback;
  }
  std::ifstream in(path);
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      in_section = close != std::string::npos &&
                   SameName(Trim(line.substr(1, close - 1)), section.c_str());
      continue;
    }
    const std::size_t eq = line.find('=');
    if (in_section && eq != std::string::npos &&
        SameName(Trim(line.substr(0, eq)), key.c_str())) {
      return ParseProfileInt(Trim(line.substr(eq + 1)));
    }
  }
  return fallback;
}

}  // namespace platform

namespace standin {

std::uint32_t LiveBlocks() {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  return static_cast<std::uint32_t>(m.moveable.size() + m.fixed.size());
}

void FailAllocation(std::uint32_t n) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  m.fail_countdown = n;
}

std::uint64_t BlockSize(platform::LocalHandle handle) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  auto it = m.moveable.find(handle);
  return it == m.moveable.end() ? 0 : it->second.size;
}

std::uint32_t LockCount(platform::LocalHandle handle) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  auto it = m.moveable.find(handle);
  return it == m.moveable.end() ? 0 : it->second.locks;
}

bool IsLive(platform::LocalHandle handle) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  return m.moveable.count(handle) != 0;
}

void SetModulePath(const char* path) {
  Memory& m = State();
  std::lock_guard<std::mutex> lock(m.mutex);
  m.module_path = path == nullptr ? "" : path;
}

}  // namespace standin
}  // namespace tovak
