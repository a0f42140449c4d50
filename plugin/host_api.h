// The "00IN" import-filter interface as the host sees it: the five exports
// and their wide-character twins, the record GetPictureInfo fills, the
// progress callback and result codes. The 32-bit and 64-bit DLLs differ in
// the widths of LONG_PTR, DWORD_PTR and HLOCAL, and in the gap 64-bit hosts
// leave in the PictureInfo record. Hosts and tools include this header too.
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

// LONG_PTR and DWORD_PTR: pointer-wide on Windows, and in the native build.
using LongPtr = std::intptr_t;
using DwordPtr = std::uintptr_t;

#pragma pack(push, 1)
struct PictureInfo {
  std::int32_t originX;
  std::int32_t originY;
  std::int32_t width;
  std::int32_t height;
  std::uint16_t densityX;
  std::uint16_t densityY;
  std::int16_t bitDepth;
#if defined(_WIN64)
  char dummy[2];  // 64-bit hosts lay the record out with this gap
#endif
  platform::LocalHandle infoText;
};
#pragma pack(pop)

#if defined(_WIN64)
static_assert(sizeof(PictureInfo) == 32, "the 64-bit host's record is 32 packed bytes");
#else
static_assert(sizeof(PictureInfo) == 26, "the host's record is 26 packed bytes");
#endif

using ProgressCallback = std::int32_t(TOVAK_STDCALL*)(std::int32_t numerator,
                                                      std::int32_t denominator,
                                                      LongPtr user_data);

}  // namespace tovak::plugin

// In the wide-character family a file name is UTF-16 (LPCWSTR); everything
// else, memory mode included, is as in the ANSI family. GetPluginInfoW counts
// `length` in characters.
extern "C" {
std::int32_t TOVAK_STDCALL GetPluginInfo(std::int32_t index, char* buffer,
                                         std::int32_t length);
std::int32_t TOVAK_STDCALL GetPluginInfoW(std::int32_t index, char16_t* buffer,
                                          std::int32_t length);
// `data` is a host file handle when its upper 16 bits are zero, else a
// pointer to the first bytes of the file.
std::int32_t TOVAK_STDCALL IsSupported(const char* file_name, tovak::plugin::DwordPtr data);
std::int32_t TOVAK_STDCALL IsSupportedW(const char16_t* file_name,
                                        tovak::plugin::DwordPtr data);
std::int32_t TOVAK_STDCALL GetPictureInfo(const char* buf, tovak::plugin::LongPtr len,
                                          std::uint32_t flag,
                                          tovak::plugin::PictureInfo* info);
std::int32_t TOVAK_STDCALL GetPictureInfoW(const char16_t* buf, tovak::plugin::LongPtr len,
                                           std::uint32_t flag,
                                           tovak::plugin::PictureInfo* info);
std::int32_t TOVAK_STDCALL GetPicture(const char* buf, tovak::plugin::LongPtr len,
                                      std::uint32_t flag,
                                      tovak::platform::LocalHandle* header_out,
                                      tovak::platform::LocalHandle* bits_out,
                                      tovak::plugin::ProgressCallback progress,
                                      tovak::plugin::LongPtr user_data);
std::int32_t TOVAK_STDCALL GetPictureW(const char16_t* buf, tovak::plugin::LongPtr len,
                                       std::uint32_t flag,
                                       tovak::platform::LocalHandle* header_out,
                                       tovak::platform::LocalHandle* bits_out,
                                       tovak::plugin::ProgressCallback progress,
                                       tovak::plugin::LongPtr user_data);
std::int32_t TOVAK_STDCALL GetPreview(const char* buf, tovak::plugin::LongPtr len,
                                      std::uint32_t flag,
                                      tovak::platform::LocalHandle* header_out,
                                      tovak::platform::LocalHandle* bits_out,
                                      tovak::plugin::ProgressCallback progress,
                                      tovak::plugin::LongPtr user_data);
std::int32_t TOVAK_STDCALL GetPreviewW(const char16_t* buf, tovak::plugin::LongPtr len,
                                       std::uint32_t flag,
                                       tovak::platform::LocalHandle* header_out,
                                       tovak::platform::LocalHandle* bits_out,
                                       tovak::plugin::ProgressCallback progress,
                                       tovak::plugin::LongPtr user_data);
}
