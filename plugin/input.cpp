#include "plugin/input.h"

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

std::int32_t LoadFile(HostBuffer name, LongPtr offset, bool trailing_zero, Input& out) {
  if (offset < 0) return kUnsupported;
  // The only step in which the two families differ.
  OpenFile f{name.wide ? platform::OpenForRead(static_cast<const char16_t*>(name.pointer))
                       : platform::OpenForRead(static_cast<const char*>(name.pointer))};
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

std::int32_t LoadInput(HostBuffer buf, LongPtr len, std::uint32_t flag, bool trailing_zero,
                       Input& out) {
  if (buf.pointer == nullptr) return kUnsupported;
  if ((flag & kInputModeMask) == 0) return LoadFile(buf, len, trailing_zero, out);
  if (len <= 0) return kUnsupported;
  // A 32-bit `len` can say no more than this; a 64-bit host's is held to the
  // same, as every block the plug-in makes is.
  const auto size = static_cast<std::uint64_t>(len);
  out.view = {static_cast<const std::uint8_t*>(buf.pointer),
              size < platform::kMaxBlockBytes ? size : platform::kMaxBlockBytes};
  return kSuccess;
}

}  // namespace tovak::plugin
