// A minimal image-viewer host for "00IN" import plug-ins: loads a plug-in by
// path (a .spi in the 32-bit build, a .sph in the 64-bit one) and calls its
// ANSI entry points exactly as a viewer does, then prints what it said and,
// when asked, writes the decoded picture as a .bmp file.
//
//   gimhost PLUGIN PICTURE [OUT.bmp] [--offset N] [--memory]
//
// --offset N reads the picture from byte N of the file (file mode);
// --memory passes the file's bytes from that offset as memory.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/host_api.h"
#include "tools/bmp_file.h"

namespace {

using tovak::plugin::PictureInfo;
using GetPluginInfoFn = decltype(&::GetPluginInfo);
using IsSupportedFn = decltype(&::IsSupported);
using GetPictureInfoFn = decltype(&::GetPictureInfo);
using GetPictureFn = decltype(&::GetPicture);

const char* Meaning(int code) {
  switch (code) {
    case tovak::plugin::kSuccess: return "success";
    case tovak::plugin::kStopped: return "stopped by the progress callback";
    case tovak::plugin::kUnsupported: return "not a supported picture";
    case tovak::plugin::kNoMemory: return "out of memory";
    case tovak::plugin::kFileError: return "cannot open or read the file";
    case tovak::plugin::kNotProvided: return "not provided";
    default: return "unknown result";
  }
}

std::int32_t TOVAK_STDCALL Progress(std::int32_t numerator, std::int32_t denominator,
                                    tovak::plugin::LongPtr) {
  std::printf("  progress %d/%d\n", numerator, denominator);
  return 0;
}

bool ReadWhole(const char* path, std::vector<char>& out) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
  std::fclose(f);
  return true;
}

int Fail(const char* call, int code) {
  std::printf("%s: result %d (%s)\n", call, code, Meaning(code));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> positional;
  long offset = 0;
  bool memory = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--memory") == 0) {
      memory = true;
    } else if (std::strcmp(argv[i], "--offset") == 0 && i + 1 < argc) {
      offset = std::strtol(argv[++i], nullptr, 0);
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.size() < 2) {
    std::fprintf(stderr, "usage: gimhost PLUGIN PICTURE [OUT.bmp] [--offset N] [--memory]\n");
    return 2;
  }
  const std::string& plugin_path = positional[0];
  const std::string& picture = positional[1];

  HMODULE plugin = LoadLibraryA(plugin_path.c_str());
  if (plugin == nullptr) {
    std::printf("cannot load %s (error %lu)\n", plugin_path.c_str(), GetLastError());
    return 1;
  }
  auto get_plugin_info = reinterpret_cast<GetPluginInfoFn>(reinterpret_cast<void*>(GetProcAddress(plugin, "GetPluginInfo")));
  auto is_supported = reinterpret_cast<IsSupportedFn>(reinterpret_cast<void*>(GetProcAddress(plugin, "IsSupported")));
  auto get_picture_info = reinterpret_cast<GetPictureInfoFn>(reinterpret_cast<void*>(GetProcAddress(plugin, "GetPictureInfo")));
  auto get_picture = reinterpret_cast<GetPictureFn>(reinterpret_cast<void*>(GetProcAddress(plugin, "GetPicture")));
  if (!get_plugin_info || !is_supported || !get_picture_info || !get_picture) {
    std::printf("%s is not a 00IN plug-in: an export is missing\n", plugin_path.c_str());
    return 1;
  }

  std::printf("plug-in %s\n", plugin_path.c_str());
  for (int i = 0; i < 4; ++i) {
    char text[256] = {};
    get_plugin_info(i, text, sizeof text - 1);
    std::printf("  info %d: %s\n", i, text);
  }

  // A viewer opens the file, positions the handle at the picture and lets the
  // plug-in read its head.
  HANDLE file = CreateFileA(picture.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("cannot open %s\n", picture.c_str());
    return 1;
  }
  SetFilePointer(file, offset, nullptr, FILE_BEGIN);
  const int supported = is_supported(picture.c_str(), reinterpret_cast<DWORD_PTR>(file));
  CloseHandle(file);
  std::printf("%s: %s\n", picture.c_str(), supported ? "supported" : "not supported");

  std::vector<char> bytes;
  if (memory) {
    std::vector<char> whole;
    if (!ReadWhole(picture.c_str(), whole)) return Fail("reading the picture", 6);
    if (offset < 0 || static_cast<std::size_t>(offset) > whole.size()) return Fail("offset", 2);
    bytes.assign(whole.begin() + offset, whole.end());
  }
  const char* buf = memory ? bytes.data() : picture.c_str();
  const LONG_PTR len = memory ? static_cast<LONG_PTR>(bytes.size()) : offset;
  const unsigned flag = memory ? 1 : 0;

  PictureInfo info{};
  int code = get_picture_info(buf, len, flag, &info);
  if (code != 0) return Fail("GetPictureInfo", code);
  std::printf("size: %d x %d\nbit depth: %d\n", info.width, info.height, info.bitDepth);
  if (info.infoText != nullptr) {
    const char* text = static_cast<const char*>(LocalLock(info.infoText));
    std::printf("info text:\n%s", text != nullptr ? text : "");
    LocalUnlock(info.infoText);
    LocalFree(info.infoText);
  }

  if (positional.size() < 3) return 0;
  HLOCAL header = nullptr;
  HLOCAL bits = nullptr;
  code = get_picture(buf, len, flag, &header, &bits, Progress, 0);
  if (code != 0) return Fail("GetPicture", code);
  const auto* h = static_cast<const std::uint8_t*>(LocalLock(header));
  const auto* b = static_cast<const std::uint8_t*>(LocalLock(bits));
  const std::string error = tovak::tools::WriteBmp(positional[2], h, LocalSize(header), b,
                                                   LocalSize(bits));
  LocalUnlock(bits);
  LocalUnlock(header);
  LocalFree(bits);
  LocalFree(header);
  if (!error.empty()) {
    std::printf("%s\n", error.c_str());
    return 1;
  }
  std::printf("wrote %s\n", positional[2].c_str());
  FreeLibrary(plugin);
  return 0;
}
