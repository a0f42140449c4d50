#include <fcntl.h>
#include <unistd.h>

#include "plugin/posix_standin.h"
#include "plugin/settings.h"
#include "support/plugin_api.h"

namespace tovak::test {

const PluginApi& Plugin() {
  static const PluginApi api{&::GetPluginInfo,  &::IsSupported,  &::GetPictureInfo,
                             &::GetPicture,     &::GetPreview,   &::GetPluginInfoW,
                             &::IsSupportedW,   &::GetPictureInfoW, &::GetPictureW,
                             &::GetPreviewW};
  return api;
}

LoadedCopy::~LoadedCopy() {
  // Back to a library with no INI file beside it.
  standin::SetModulePath(nullptr);
  plugin::LoadSettings();
}

void LoadCopy(const std::filesystem::path& dir, const std::string& library_name,
              LoadedCopy& out) {
  standin::SetModulePath(reinterpret_cast<const char*>((dir / library_name).u8string().c_str()));
  plugin::LoadSettings();
  out.api = Plugin();
}

void* HostLock(Handle handle) { return platform::Lock(handle); }
void HostUnlock(Handle handle) { platform::Unlock(handle); }
void HostFree(Handle handle) { platform::Free(handle); }
std::uint64_t HostSize(Handle handle) { return standin::BlockSize(handle); }
std::uint32_t HostLockCount(Handle handle) { return standin::LockCount(handle); }

bool CanCountBlocks() { return true; }
std::uint32_t LiveBlocks() { return standin::LiveBlocks(); }
void FailAllocation(std::uint32_t n) { standin::FailAllocation(n); }

std::uintptr_t OpenHostFile(const std::filesystem::path& path, std::uint64_t offset) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) ::lseek(fd, static_cast<off_t>(offset), SEEK_SET);
  return static_cast<std::uintptr_t>(fd);
}

void CloseHostFile(std::uintptr_t handle) { ::close(static_cast<int>(handle)); }

}  // namespace tovak::test
