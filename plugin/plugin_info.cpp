// GetPluginInfo, IsSupported and GetPreview: the exports that describe the
// plug-in and recognise files without decoding them.
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

}  // namespace

extern "C" std::int32_t TOVAK_STDCALL GetPluginInfo(std::int32_t index, char* buffer,
                                                    std::int32_t length) {
  if (static_cast<std::uint32_t>(index) >= std::size(kDescriptions)) return 0;
  if (buffer == nullptr || length <= 0) return 0;
  const char* text = kDescriptions[index];
  std::int32_t n = static_cast<std::int32_t>(std::strlen(text)) + 1;
  // A buffer too short for the zero gets the string cut short without one.
  if (n >= length) n = length;
  std::memcpy(buffer, text, static_cast<std::size_t>(n));
  return n;
}

extern "C" std::int32_t TOVAK_STDCALL IsSupported(const char* /*file_name*/,
                                                  std::uintptr_t data) {
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

extern "C" std::int32_t TOVAK_STDCALL GetPreview(const char*, std::int32_t, std::uint32_t,
                                                 tovak::platform::LocalHandle*,
                                                 tovak::platform::LocalHandle*,
                                                 tovak::plugin::ProgressCallback,
                                                 std::int32_t) {
  return tovak::plugin::kNotProvided;
}
