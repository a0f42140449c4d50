// The info command: for each file, what the container says about the picture
// and the info text the plug-in shows a host.
#include <cstdio>
#include <string>
#include <vector>

#include "gim/container.h"
#include "gim/picture_info.h"
#include "gim/pixel_order.h"
#include "tools/cli/commands.h"
#include "tools/cli/files.h"

namespace tovak::cli {
namespace {

std::string FormatName(std::uint16_t code) {
  const gim::FormatDescription* format = gim::DescribeFormat(code);
  return format != nullptr ? format->name : "format " + std::to_string(code);
}

std::string OrderName(std::uint16_t pixel_order) {
  switch (gim::ClassifyOrder(pixel_order)) {
    case gim::PixelOrder::kNormal: return "normal";
    case gim::PixelOrder::kSwizzled: return "swizzled";
    case gim::PixelOrder::kUnknown: break;
  }
  return std::to_string(pixel_order);
}

std::string Describe(const std::vector<std::uint8_t>& bytes, std::string& text) {
  const gim::ByteView view{bytes.data(), bytes.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  if (!recognition.recognised) return "not a GIM picture";
  const gim::Reader reader{view, recognition.big_endian};
  gim::ImageHeader image;
  if (!gim::ReadImageHeader(reader, recognition.blocks.image, image, gim::HeaderFields::kPicture)) {
    return "image header outside the file";
  }
  text += "size: " + std::to_string(image.width) + " x " + std::to_string(image.height) + "\n";
  text += "bit depth: " + std::to_string(image.bits_per_pixel) + "\n";
  text += std::string("byte order: ") + (recognition.big_endian ? "big" : "little") + "-endian\n";
  text += "pixel order: " + OrderName(image.pixel_order) + "\n";
  text += "format: " + FormatName(image.image_format) + "\n";

  // The info text ends its lines with CR LF, for hosts; here they are lines.
  const gim::Blocks blocks = gim::FindBlocks(reader, gim::BlockSearch::kWithFileInfo);
  std::string info(static_cast<std::size_t>(gim::ComposeInfoText(reader, blocks, nullptr, 0)), '\0');
  gim::ComposeInfoText(reader, blocks, info.data(), info.size());
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
