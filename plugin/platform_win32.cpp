// The real platform layer: KERNEL32 and nothing else.
#include <windows.h>

#include "plugin/platform.h"

namespace tovak::platform {
namespace {

HINSTANCE g_module = nullptr;

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

std::uint32_t ModulePath(char* out, std::uint32_t capacity) {
  const DWORD n = GetModuleFileNameA(g_module, out, capacity);
  // A full buffer means the path was cut short (and, on older systems, left
  // without its zero).
  if (n == 0 || n >= capacity) return 0;
  return n;
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

std::int32_t ProfileInt(const char* section, const char* key, std::int32_t fallback,
                        const char* path) {
  return static_cast<std::int32_t>(GetPrivateProfileIntA(section, key, fallback, path));
}

bool IsLeadByte(std::uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

}  // namespace tovak::platform
