#include "tools/cli/original.h"

#include <algorithm>
#include <cstring>

#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/container.h"
#include "gim/limits.h"
#include "tools/cli/files.h"

namespace tovak::cli {
namespace {

// The file-info block's strings, zero-terminated one after another up to its
// step; an empty string (but for one zero byte at the very start, which is
// padding) ends them, as readers take them.
std::vector<std::string> InfoStrings(const gim::Reader& reader, std::uint64_t block) {
  std::vector<std::string> strings;
  std::uint32_t step = 0;
  if (block == 0 || !reader.U32(block + gim::kBlockStep, step) || step <= gim::kBlockHeaderBytes) {
    return strings;
  }
  const std::uint64_t length = step - gim::kBlockHeaderBytes;
  const std::uint8_t* area = reader.Bytes(block + gim::kBlockHeaderBytes, length);
  if (area == nullptr) return strings;
  std::uint64_t i = area[0] == 0 ? 1 : 0;
  while (i < length && area[i] != 0) {
    const void* zero = std::memchr(area + i, 0, static_cast<std::size_t>(length - i));
    const std::uint64_t end = zero == nullptr ? length : static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(zero) - area);
    strings.emplace_back(reinterpret_cast<const char*>(area + i), static_cast<std::size_t>(end - i));
    i = end + 1;
  }
  return strings;
}

// The pixels as RGBA, as tovak convert shows them; an indexed picture's
// through its colour table.
decode::Failure DecodeRgba(const decode::PicturePlan& plan, std::vector<std::uint8_t>& rgba) {
  const std::uint32_t width = plan.image.width;
  const std::uint32_t height = plan.image.height;
  // Decoded whole, as convert decodes it: within one block's limit.
  if (std::uint64_t{4} * width * height > gim::kMaxBlockBytes) return decode::Failure::kTooLarge;
  rgba.assign(std::size_t{4} * width * height, 0);
  return decode::WritePixels(plan, decode::Destination{decode::PixelLayout::kRgba32, rgba.data(),
                                                       rgba.size(), std::uint64_t{4} * width});
}

}  // namespace

std::string ReadOriginal(const std::filesystem::path& path, Original& out) {
  out = Original{};
  std::string failure = ReadWholeFile(path, out.file);
  if (!failure.empty()) return failure;
  const gim::ByteView view{out.file.data(), out.file.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  if (!recognition.recognised) return "not a GIM picture";
  const gim::Reader reader{view, recognition.big_endian};
  decode::PicturePlan plan;
  decode::Failure planned = decode::PlanPicture(reader, recognition.blocks, plan);
  if (planned != decode::Failure::kNone) return decode::FailureText(planned);

  out.format = plan.format->code;
  out.swizzled = plan.order == gim::PixelOrder::kSwizzled;
  out.big_endian = recognition.big_endian;
  out.width = plan.image.width;
  out.height = plan.image.height;
  if (decode::IsIndexed(plan) && plan.palette.stored != 0) {
    // The entries the file stores, also those past what the indices reach.
    out.palette = encode::KeptPalette{gim::PaletteEntryFormat(plan.palette.entry_format)->code,
                                      plan.palette_entries,
                                      std::min<std::uint32_t>(plan.palette.stored, 256)};
  }
  out.info = InfoStrings(reader, gim::FindBlocks(reader, gim::BlockSearch::kWithFileInfo).file_info);
  if (plan.image.pixels_end > plan.image.pixels_start) {
    const std::uint64_t size = plan.image.pixels_end - plan.image.pixels_start;
    const std::uint8_t* plane = reader.Bytes(plan.image.header_offset + plan.image.pixels_start, size);
    if (plane != nullptr) out.plane = {plane, size};
  }

  planned = DecodeRgba(plan, out.rgba);
  return planned == decode::Failure::kNone ? std::string() : decode::FailureText(planned);
}

encode::EncodeOptions OptionsLike(const Original& original, std::uint32_t width,
                                  std::uint32_t height, const std::uint8_t* pixels) {
  encode::EncodeOptions options;
  options.format = original.format;
  options.swizzled = original.swizzled;
  options.big_endian = original.big_endian;
  options.kept_palette = original.palette;
  if (original.palette) options.palette_format = original.palette->format;
  options.info = original.info;
  if (width == original.width && height == original.height &&
      std::memcmp(pixels, original.rgba.data(), original.rgba.size()) == 0) {
    options.kept_plane = original.plane;
  }
  return options;
}

}  // namespace tovak::cli
