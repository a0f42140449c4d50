#include "plugin/input.h"

#include "plugin/host_api.h"
#include "plugin/platform.h"

namespace tovak::plugin {
namespace {

struct OpenFile {
  platform::FileHandle file;
  ~OpenFile() {
    if (file != platform::kNoFile) platform::Close(file);
  }
};

// A short read is not an error: the unread tail stays zero.
bool ReadAll(platform::FileHandle file, std::uint8_t* into, std::uint64_t size) {
  std::uint64_t done = 0;
  while (done < size) {
    const std::uint64_t left = size - done;
    const auto chunk = static_cast<std::uint32_t>(left < 0x40000000 ? left : 0x40000000);
    std::uint32_t got = 0;
    if (!platform::Read(file, into + done, chunk, got)) return false;
    if (got == 0) break;
    done += got;
  }
  return true;
}

std::int32_t LoadFile(const char* name, std::int32_t offset, bool trailing_zero,
                      Input& out) {
  if (offset < 0) return kUnsupported;
  OpenFile f{platform::OpenForRead(name)};
  if (f.file == platform::kNoFile) return kFileError;
  std::uint64_t file_size = 0;
  if (!platform::FileSize(f.file, file_size)) return kFileError;
  if (file_size < static_cast<std::uint64_t>(offset)) return kUnsupported;
  const std::uint64_t size = file_size - static_cast<std::uint64_t>(offset);
  if (!platform::SeekTo(f.file, static_cast<std::uint64_t>(offset))) return kFileError;

  if (!out.owned.Allocate(size + (trailing_zero ? 1 : 0))) return kNoMemory;
  if (!ReadAll(f.file, out.owned.data(), size)) return kFileError;
  out.view = {out.owned.data(), size};
  return kSuccess;
}

}  // namespace

std::int32_t LoadInput(const char* buf, std::int32_t len, std::uint32_t flag,
                       bool trailing_zero, Input& out) {
  if (buf == nullptr) return kUnsupported;
  if ((flag & kInputModeMask) == 0) return LoadFile(buf, len, trailing_zero, out);
  if (len <= 0) return kUnsupported;
  out.view = {reinterpret_cast<const std::uint8_t*>(buf), static_cast<std::uint64_t>(len)};
  return kSuccess;
}

}  // namespace tovak::plugin
