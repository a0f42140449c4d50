// The thin platform layer: the only code that talks to the operating system.
// platform_win32.cpp is the real one, on KERNEL32; platform_posix.cpp is a
// stand-in with the same behaviour, so the plug-in builds and is tested
// natively too.
#pragma once

#include <cstdint>

#include "gim/limits.h"

namespace tovak::platform {

#ifdef _WIN32
using LocalHandle = void*;  // HLOCAL: as wide as a pointer
#else
// The stand-in numbers its blocks, so that a handle is 32 bits wide as in the
// DLL and the host records keep their layout.
using LocalHandle = std::uint32_t;
#endif

using gim::kMaxBlockBytes;

// Moveable, zero-initialised blocks, which a host can lock and free.
LocalHandle AllocMoveable(std::uint64_t bytes);
void* Lock(LocalHandle handle);
void Unlock(LocalHandle handle);
void Free(LocalHandle handle);

// Fixed, zero-initialised blocks for the plug-in's own use.
void* AllocFixed(std::uint64_t bytes);
void FreeFixed(void* block);

// Files, by name or by a handle the host opened.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;
FileHandle OpenForRead(const char* name);        // in the ANSI code page
FileHandle OpenForRead(const char16_t* name);    // UTF-16
bool FileSize(FileHandle file, std::uint64_t& size);
bool SeekTo(FileHandle file, std::uint64_t offset);
// Reads up to `count` bytes; false when the read fails.
bool Read(FileHandle file, void* into, std::uint32_t count, std::uint32_t& got);
void Close(FileHandle file);
// A file handle the host passes as a number and keeps owning.
FileHandle HostFile(std::uintptr_t value);

// The library's own path, with the module instance the loader gave it.
// Paths here are UTF-16, so that a folder whose name does not fit the ANSI
// code page still works.
void SetModuleInstance(void* instance);
// Writes the zero-terminated path into `out` (`capacity` in UTF-16 units);
// returns its length, 0 if none.
std::uint32_t ModulePath(char16_t* out, std::uint32_t capacity);
bool PathExists(const char16_t* path);
std::int32_t ProfileInt(const char16_t* section, const char16_t* key,
                        std::int32_t fallback, const char16_t* path);

}  // namespace tovak::platform
