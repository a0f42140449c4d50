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
  if (!decode::IsIndexed(plan)) {
    return decode::WritePixels(plan, decode::Destination{decode::PixelLayout::kRgba32, rgba.data(),
                                                         rgba.size(), std::uint64_t{4} * width});
  }
  const unsigned bits = plan.index_bits;
  const std::uint64_t stride = (std::uint64_t{width} * bits + 7) / 8;
  std::vector<std::uint8_t> packed(static_cast<std::size_t>(stride * height));
  std::vector<std::uint8_t> palette(std::size_t{4} * decode::ColourTableEntries(plan));
  decode::Failure failure = decode::WritePixels(
      plan, decode::Destination{decode::PixelLayout::kIndex, packed.data(), packed.size(), stride});
  if (failure == decode::Failure::kNone) {
    failure = decode::WritePalette(
        plan, decode::Destination{decode::PixelLayout::kRgba32, palette.data(), palette.size()});
  }
  if (failure != decode::Failure::kNone) return failure;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      // A 4-bit pair holds its left pixel high.
      const std::uint8_t b = packed[static_cast<std::size_t>(y * stride + std::uint64_t{x} * bits / 8)];
      const std::size_t index = bits == 8 ? b : (x % 2 == 0 ? b >> 4 : b & 15);
      std::memcpy(&rgba[(std::size_t{y} * width + x) * 4], &palette[4 * index], 4);
    }
  }
  return decode::Failure::kNone;
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
