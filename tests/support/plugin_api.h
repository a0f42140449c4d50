// How a test reaches the plug-in as a host does. In the Windows builds the
// exports come from the real tovak.spi (tovak.sph in the 64-bit build)
// through LoadLibraryW and GetProcAddress; in the native build they are the same code linked over the
// POSIX stand-in. Host-side memory and file handles go through the matching
// calls of each side.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "plugin/host_api.h"

namespace tovak::test {

using Handle = platform::LocalHandle;

struct PluginApi {
  decltype(&::GetPluginInfo) get_plugin_info = nullptr;
  decltype(&::IsSupported) is_supported = nullptr;
  decltype(&::GetPictureInfo) get_picture_info = nullptr;
  decltype(&::GetPicture) get_picture = nullptr;
  decltype(&::GetPreview) get_preview = nullptr;
  decltype(&::GetPluginInfoW) get_plugin_info_w = nullptr;
  decltype(&::IsSupportedW) is_supported_w = nullptr;
  decltype(&::GetPictureInfoW) get_picture_info_w = nullptr;
  decltype(&::GetPictureW) get_picture_w = nullptr;
  decltype(&::GetPreviewW) get_preview_w = nullptr;
};

// The plug-in as loaded beside the tests, with no INI file next to it.
const PluginApi& Plugin();

// The plug-in loaded from `dir`/`library_name`, as a host would load a copy
// with an INI file beside it (write the INI first). Native builds re-run the
// attach handler with that path; the Windows build loads a real copy.
struct LoadedCopy {
  PluginApi api;
  void* module = nullptr;
  ~LoadedCopy();
};
void LoadCopy(const std::filesystem::path& dir, const std::string& library_name,
              LoadedCopy& out);

// Host-side memory calls: LocalLock, LocalUnlock, LocalFree, LocalSize and
// the lock count of LocalFlags.
void* HostLock(Handle handle);
void HostUnlock(Handle handle);
void HostFree(Handle handle);
std::uint64_t HostSize(Handle handle);
std::uint32_t HostLockCount(Handle handle);

// Only the stand-in counts live blocks and fails allocations on demand.
bool CanCountBlocks();
std::uint32_t LiveBlocks();
void FailAllocation(std::uint32_t n);

// A file handle as a host passes it to IsSupported, positioned at `offset`.
std::uintptr_t OpenHostFile(const std::filesystem::path& path, std::uint64_t offset);
void CloseHostFile(std::uintptr_t handle);

// A fresh, empty directory for the calling test.
std::filesystem::path TempDir();

// Writes bytes to a file, replacing it.
void WriteFile(const std::filesystem::path& path, const void* data, std::size_t size);

// The shared sample pictures, when the checkout has them beside it.
std::filesystem::path SamplesDir();

#ifdef _WIN32
// The test executable's directory, where the build puts the DLL and gimhost.exe.
std::filesystem::path ExeDir();
// The DLL's file name: tovak.spi, or tovak.sph in the 64-bit build.
inline constexpr char kPluginFile[] = TOVAK_PLUGIN_FILE;
#endif

}  // namespace tovak::test
