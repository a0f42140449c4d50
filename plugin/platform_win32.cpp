// The real platform layer: KERNEL32 and nothing else.
#include <windows.h>

#include "plugin/platform.h"

namespace tovak::platform {
namespace {

HINSTANCE g_module = nullptr;

// wchar_t is UTF-16 on Windows: the same units under another name.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* Wide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }

}  // namespace

LocalHandle AllocMoveable(std::uint64_t bytes) {
  if (bytes > kMaxBlockBytes) return nullptr;
  return LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
}

void* Lock(LocalHandle handle) { return LocalLock(handle); }
void Unlock(LocalHandle handle) { LocalUnlock(handle); }
void Free(LocalHandle handle) { LocalFree(handle); }

void* AllocFixed(std::uint64_t bytes) {
  if (bytes > kMaxBlockBytes) return nullptr;
  return LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
}

void FreeFixed(void* block) { LocalFree(block); }

FileHandle OpenForRead(const char* name) {
  HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

FileHandle OpenForRead(const char16_t* name) {
  HANDLE file = CreateFileW(Wide(name), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool FileSize(FileHandle file, std::uint64_t& size) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(reinterpret_cast<HANDLE>(file), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  size = std::uint64_t{high} << 32 | low;
  return true;
}

bool SeekTo(FileHandle file, std::uint64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(reinterpret_cast<HANDLE>(file), static_cast<LONG>(offset),
                                   &high, FILE_BEGIN);
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool Read(FileHandle file, void* into, std::uint32_t count, std::uint32_t& got) {
  DWORD n = 0;
  const BOOL ok = ReadFile(reinterpret_cast<HANDLE>(file), into, count, &n, nullptr);
  got = n;
  return ok != FALSE;
}

void Close(FileHandle file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

FileHandle HostFile(std::uintptr_t value) { return static_cast<FileHandle>(value); }

void SetModuleInstance(void* instance) { g_module = static_cast<HINSTANCE>(instance); }

std::uint32_t ModulePath(char16_t* out, std::uint32_t capacity) {
  const DWORD n = GetModuleFileNameW(g_module, reinterpret_cast<wchar_t*>(out), capacity);
  // A full buffer means the path was cut short (and, on older systems, left
  // without its zero).
  if (n == 0 || n >= capacity) return 0;
  return n;
}

bool PathExists(const char16_t* path) {
  return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

std::int32_t ProfileInt(const char16_t* section, const char16_t* key, std::int32_t fallback,
                        const char16_t* path) {
  return static_cast<std::int32_t>(
      GetPrivateProfileIntW(Wide(section), Wide(key), fallback, Wide(path)));
}

}  // namespace tovak::platform
