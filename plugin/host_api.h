// The "00IN" import-filter interface as the host sees it: the five exports,
// the record GetPictureInfo fills, the progress callback and result codes.
#pragma once

#include <cstdint>

#include "plugin/platform.h"

#if defined(_WIN32)
#define TOVAK_STDCALL __stdcall
#else
#define TOVAK_STDCALL
#endif

namespace tovak::plugin {

enum Result : std::int32_t {
  kSuccess = 0,
  kStopped = 1,       // the progress callback asked to stop
  kUnsupported = 2,   // not a picture this plug-in converts
  kNoMemory = 4,      // a local-memory allocation failed
  kFileError = 6,     // opening or reading the file failed
};

inline constexpr std::int32_t kNotProvided = -1;  // GetPreview

// Low three bits of `flag`: 0 reads a file from an offset, anything else
// takes the whole GIM data from memory.
inline constexpr std::uint32_t kInputModeMask = 7;

#pragma pack(push, 1)
struct PictureInfo {
  std::int32_t originX;
  std::int32_t originY;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t densityX;
  std::uint16_t densityY;
  std::int16_t bitDepth;
  platform::LocalHandle infoText;
};
#pragma pack(pop)

static_assert(sizeof(PictureInfo) == 26, "the host's record is 26 packed bytes");

using ProgressCallback = std::int32_t(TOVAK_STDCALL*)(std::int32_t numerator,
                                                      std::int32_t denominator,
                                                      std::int32_t user_data);

}  // namespace tovak::plugin

extern "C" {
std::int32_t TOVAK_STDCALL GetPluginInfo(std::int32_t index, char* buffer,
                                         std::int32_t length);
// `data` is a host file handle when its upper 16 bits are zero, else a
// pointer to the first bytes of the file.
std::int32_t TOVAK_STDCALL IsSupported(const char* file_name, std::uintptr_t data);
std::int32_t TOVAK_STDCALL GetPictureInfo(const char* buf, std::int32_t len,
                                          std::uint32_t flag,
                                          tovak::plugin::PictureInfo* info);
std::int32_t TOVAK_STDCALL GetPicture(const char* buf, std::int32_t len,
                                      std::uint32_t flag,
                                      tovak::platform::LocalHandle* header_out,
                                      tovak::platform::LocalHandle* bits_out,
                                      tovak::plugin::ProgressCallback progress,
                                      std::int32_t user_data);
std::int32_t TOVAK_STDCALL GetPreview(const char* buf, std::int32_t len,
                                      std::uint32_t flag,
                                      tovak::platform::LocalHandle* header_out,
                                      tovak::platform::LocalHandle* bits_out,
                                      tovak::plugin::ProgressCallback progress,
                                      std::int32_t user_data);
}
