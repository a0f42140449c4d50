// GetPluginInfo, IsSupported and GetPreview, and their wide-character twins:
// the exports that describe the plug-in and recognise files without decoding
// them.
#include <cstring>
#include <iterator>

#include "gim/container.h"
#include "plugin/host_api.h"
#include "plugin/platform.h"

namespace {

constexpr const char* kDescriptions[] = {
    "00IN",                          // interface version: an import filter
    "GIM to DIB filter ver.0.1a",    // name and version
    "*.gim",                         // file pattern
    "PSX Image Format GIM (*.gim)",  // what the pattern holds
};

// Hosts read the head of a file into a 2 KB buffer; recognition never needs
// more than the first 2000 bytes.
constexpr std::uint32_t kHeadBytes = 2000;

// Copies description `index` as characters of either width; the strings are
// ASCII, so each byte widens to the same UTF-16 unit.
template <typename Char>
std::int32_t CopyDescription(std::int32_t index, Char* buffer, std::int32_t length) {
  if (static_cast<std::uint32_t>(index) >= std::size(kDescriptions)) return 0;
  if (buffer == nullptr || length <= 0) return 0;
  const char* text = kDescriptions[index];
  std::int32_t n = static_cast<std::int32_t>(std::strlen(text)) + 1;
  // A buffer too short for the whole string gets as much of it as fits
  // before a zero, so that the host's buffer always holds a string. The
  // count is still that of the characters written, the zero included.
  if (n >= length) n = length;
  for (std::int32_t i = 0; i + 1 < n; ++i) buffer[i] = static_cast<Char>(text[i]);
  buffer[n - 1] = Char{0};
  return n;
}

std::int32_t Supported(tovak::plugin::DwordPtr data) {
  using tovak::gim::ByteView;
  ByteView head;
  std::uint8_t buffer[kHeadBytes] = {};
  if ((data >> 16) == 0) {
    // A handle the host has positioned; whatever the read brings, missing
    // bytes stay zero and the host keeps its handle.
    std::uint32_t got = 0;
    tovak::platform::Read(tovak::platform::HostFile(data), buffer, kHeadBytes, got);
    head = {buffer, kHeadBytes};
  } else {
    head = {reinterpret_cast<const std::uint8_t*>(data), kHeadBytes};
  }
  return tovak::gim::Recognise(head).recognised ? 1 : 0;
}

}  // namespace

extern "C" std::int32_t TOVAK_STDCALL GetPluginInfo(std::int32_t index, char* buffer,
                                                    std::int32_t length) {
  return CopyDescription(index, buffer, length);
}

extern "C" std::int32_t TOVAK_STDCALL GetPluginInfoW(std::int32_t index, char16_t* buffer,
                                                     std::int32_t length) {
  return CopyDescription(index, buffer, length);
}

// The file name is not needed: the bytes alone tell.
extern "C" std::int32_t TOVAK_STDCALL IsSupported(const char*, tovak::plugin::DwordPtr data) {
  return Supported(data);
}

extern "C" std::int32_t TOVAK_STDCALL IsSupportedW(const char16_t*,
                                                   tovak::plugin::DwordPtr data) {
  return Supported(data);
}

extern "C" std::int32_t TOVAK_STDCALL GetPreview(const char*, tovak::plugin::LongPtr,
                                                 std::uint32_t, tovak::platform::LocalHandle*,
                                                 tovak::platform::LocalHandle*,
                                                 tovak::plugin::ProgressCallback,
                                                 tovak::plugin::LongPtr) {
  return tovak::plugin::kNotProvided;
}

extern "C" std::int32_t TOVAK_STDCALL GetPreviewW(const char16_t*, tovak::plugin::LongPtr,
                                                  std::uint32_t, tovak::platform::LocalHandle*,
                                                  tovak::platform::LocalHandle*,
                                                  tovak::plugin::ProgressCallback,
                                                  tovak::plugin::LongPtr) {
  return tovak::plugin::kNotProvided;
}
