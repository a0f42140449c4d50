#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "support/plugin_api.h"

namespace tovak::test {
namespace {

template <typename F>
void Bind(HMODULE module, const char* name, F& out) {
  FARPROC p = GetProcAddress(module, name);
  if (p == nullptr) throw std::runtime_error(std::string(kPluginFile) + " lacks " + name);
  out = reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

PluginApi BindAll(HMODULE module) {
  PluginApi api;
  Bind(module, "GetPluginInfo", api.get_plugin_info);
  Bind(module, "IsSupported", api.is_supported);
  Bind(module, "GetPictureInfo", api.get_picture_info);
  Bind(module, "GetPicture", api.get_picture);
  Bind(module, "GetPreview", api.get_preview);
  Bind(module, "GetPluginInfoW", api.get_plugin_info_w);
  Bind(module, "IsSupportedW", api.is_supported_w);
  Bind(module, "GetPictureInfoW", api.get_picture_info_w);
  Bind(module, "GetPictureW", api.get_picture_w);
  Bind(module, "GetPreviewW", api.get_preview_w);
  return api;
}

}  // namespace

std::filesystem::path ExeDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

const PluginApi& Plugin() {
  static const PluginApi api = [] {
    HMODULE module = LoadLibraryW((ExeDir() / kPluginFile).wstring().c_str());
    if (module == nullptr) throw std::runtime_error(std::string("cannot load ") + kPluginFile);
    return BindAll(module);
  }();
  return api;
}

LoadedCopy::~LoadedCopy() {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

void LoadCopy(const std::filesystem::path& dir, const std::string& library_name,
              LoadedCopy& out) {
  const std::filesystem::path copy = dir / library_name;
  std::filesystem::copy_file(ExeDir() / kPluginFile, copy,
                             std::filesystem::copy_options::overwrite_existing);
  // By its UTF-16 name, so that a copy in any folder loads.
  HMODULE module = LoadLibraryW(copy.wstring().c_str());
  if (module == nullptr) throw std::runtime_error("cannot load a copy of " + std::string(kPluginFile));
  out.module = module;
  out.api = BindAll(module);
}

void* HostLock(Handle handle) { return LocalLock(handle); }
void HostUnlock(Handle handle) { LocalUnlock(handle); }
void HostFree(Handle handle) { LocalFree(handle); }
std::uint64_t HostSize(Handle handle) { return LocalSize(handle); }
std::uint32_t HostLockCount(Handle handle) { return LocalFlags(handle) & LMEM_LOCKCOUNT; }

bool CanCountBlocks() { return false; }
std::uint32_t LiveBlocks() { return 0; }
void FailAllocation(std::uint32_t) {}

std::uintptr_t OpenHostFile(const std::filesystem::path& path, std::uint64_t offset) {
  HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
  return reinterpret_cast<std::uintptr_t>(file);
}

void CloseHostFile(std::uintptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }

}  // namespace tovak::test
