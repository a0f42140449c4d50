// The info command: for each file, what the container says about the picture
// and the info text the plug-in shows a host.
#include <cstdio>
#include <string>
#include <vector>

#include "gim/container.h"
#include "gim/picture_info.h"
#include "tools/cli/commands.h"
#include "tools/cli/files.h"

namespace tovak::cli {
namespace {

std::string FormatName(std::uint16_t format) {
  switch (format) {
    case gim::kRgba5650: return "RGBA5650";
    case gim::kRgba5551: return "RGBA5551";
    case gim::kRgba4444: return "RGBA4444";
    case gim::kRgba8888: return "RGBA8888";
    case gim::kIndex4: return "INDEX4";
    case gim::kIndex8: return "INDEX8";
    case gim::kDxt1: return "DXT1";
    case gim::kDxt3: return "DXT3";
    case gim::kDxt5: return "DXT5";
    case gim::kDxt1Ext: return "DXT1_EXT";
    case gim::kDxt3Ext: return "DXT3_EXT";
    case gim::kDxt5Ext: return "DXT5_EXT";
    default: return "format " + std::to_string(format);
  }
}

std::string Describe(const std::vector<std::uint8_t>& bytes, std::string& text) {
  const gim::ByteView view{bytes.data(), bytes.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  if (!recognition.recognised) return "not a GIM picture";
  const gim::Reader reader{view, recognition.big_endian};
  gim::ImageHeader image;
  const std::uint64_t block = gim::FindBlockInRoot(reader, gim::kImageBlock);
  if (block == 0 || !gim::ReadImageHeader(reader, block, image)) {
    return "truncated or inconsistent data";
  }
  text += "size: " + std::to_string(image.width) + " x " + std::to_string(image.height) + "\n";
  text += "bit depth: " + std::to_string(image.bits_per_pixel) + "\n";
  text += std::string("byte order: ") + (recognition.big_endian ? "big" : "little") + "-endian\n";
  text += "pixel order: " +
          std::string(image.pixel_order == 0   ? "normal"
                      : image.pixel_order == 1 ? "swizzled"
                                               : std::to_string(image.pixel_order)) + "\n";
  text += "format: " + FormatName(image.image_format) + "\n";

  // The info text ends its lines with CR LF, for hosts; here they are lines.
  std::string info(static_cast<std::size_t>(gim::ComposeInfoText(reader, nullptr, 0)), '\0');
  gim::ComposeInfoText(reader, info.data(), info.size());
  for (const char c : info) {
    if (c != '\r') text += c;
  }
  return {};
}

}  // namespace

int RunInfo(const Arguments& args) {
  int failed = 0;
  bool first = true;
  for (const std::filesystem::path& path : args.paths) {
    std::vector<std::uint8_t> bytes;
    std::string text;
    std::string failure = ReadWholeFile(path, bytes);
    if (failure.empty()) failure = Describe(bytes, text);
    if (!failure.empty()) {
      std::fflush(stdout);
      std::fprintf(stderr, "%s: %s\n", Utf8(path).c_str(), failure.c_str());
      ++failed;
      continue;
    }
    std::printf("%s%s\n%s", first ? "" : "\n", Utf8(path).c_str(), text.c_str());
    first = false;
  }
  return failed == 0 ? 0 : 1;
}

}  // namespace tovak::cli
