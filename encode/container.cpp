#include "encode/container.h"

#include <cstring>

#include "encode/limits.h"
#include "gim/container.h"
#include "gim/pixel_order.h"

namespace tovak::encode {
namespace {

namespace h = gim::image_header;

struct Writer {
  std::uint8_t* bytes;
  bool big_endian;

  void U16(std::uint64_t at, std::uint16_t v) const {
    const auto hi = static_cast<std::uint8_t>(v >> 8);
    const auto lo = static_cast<std::uint8_t>(v);
    bytes[at] = big_endian ? hi : lo;
    bytes[at + 1] = big_endian ? lo : hi;
  }
  void U32(std::uint64_t at, std::uint32_t v) const {
    const auto hi = static_cast<std::uint16_t>(v >> 16);
    const auto lo = static_cast<std::uint16_t>(v);
    U16(at, big_endian ? hi : lo);
    U16(at + 2, big_endian ? lo : hi);
  }

  // `step` leads the block walk to the next block: to the first child for
  // the root and picture blocks, past the block for the others.
  void BlockHeader(std::uint64_t at, std::uint16_t id, std::uint64_t size,
                   std::uint64_t step) const {
    U16(at + gim::kBlockId, id);
    U32(at + gim::kBlockSize, static_cast<std::uint32_t>(size));
    U32(at + gim::kBlockStep, static_cast<std::uint32_t>(step));
    U32(at + gim::kBlockChild, static_cast<std::uint32_t>(gim::kBlockHeaderBytes));
  }

  void Level(std::uint64_t at, const LevelHeader& level) const {
    const std::uint64_t header = at + gim::kBlockHeaderBytes;
    const bool swizzled = gim::ClassifyOrder(level.pixel_order) == gim::PixelOrder::kSwizzled;
    U16(header + h::kHeaderSize, static_cast<std::uint16_t>(h::kBytes));
    U16(header + h::kFormat, level.format);
    U16(header + h::kPixelOrder, level.pixel_order);
    U16(header + h::kWidth, level.width);
    U16(header + h::kHeight, level.height);
    U16(header + h::kBitsPerPixel, level.bits_per_pixel);
    U16(header + h::kPitchAlign, h::kPitchAlignBytes);
    U16(header + h::kHeightAlign, swizzled ? h::kHeightAlignSwizzled : h::kHeightAlignNormal);
    U16(header + h::kDimensions, h::kDimensionCount);
    U32(header + h::kIndexStart, static_cast<std::uint32_t>(h::kOffsetTable));
    U32(header + h::kPixelsStart, h::kPixelsAt);
    U32(header + h::kPixelsEnd, static_cast<std::uint32_t>(h::kPixelsAt + level.data_bytes));
    U32(header + h::kPlaneMask, 0);
    U16(header + h::kLevelType, level.palette ? h::kLevelTypePalette : h::kLevelTypeImage);
    U16(header + h::kLevelCount, 1);
    U16(header + h::kFrameType, h::kFrameTypeValue);
    U16(header + h::kFrameCount, 1);
    U32(header + h::kOffsetTable, h::kPixelsAt);
  }
};

std::uint64_t LevelBlockBytes(const LevelHeader& level) {
  return gim::kBlockHeaderBytes + h::kPixelsAt + level.data_bytes;
}

// The strings one after another, each ending in a zero byte, padded with
// zero bytes to a whole 16. Readers stop at the first empty string, so none
// may be empty, and a zero byte would end one early.
bool InfoArea(const std::vector<std::string>& strings, std::vector<std::uint8_t>& area) {
  area.clear();
  for (const std::string& s : strings) {
    if (s.empty() || std::memchr(s.data(), 0, s.size()) != nullptr) return false;
    area.insert(area.end(), s.begin(), s.end());
    area.push_back(0);
  }
  area.resize((area.size() + 15) / 16 * 16, 0);
  return true;
}

}  // namespace

Outcome WriteContainer(const ContainerParts& parts, std::vector<std::uint8_t>& file,
                       DataPlaces& places) {
  file.clear();
  std::vector<std::uint8_t> info;
  if (!InfoArea(parts.info, info)) return {Failure::kInfoString, 0};
  // Data sizes are below 2 GiB here, so none of these sums can wrap.
  if (parts.image.data_bytes >= kMaxBytes || parts.palette.data_bytes >= kMaxBytes) {
    return {Failure::kTooLarge, 0};
  }
  const std::uint64_t image = gim::kPictureOffset + gim::kBlockHeaderBytes;
  const std::uint64_t palette = image + LevelBlockBytes(parts.image);
  const std::uint64_t picture_end = palette + (parts.has_palette ? LevelBlockBytes(parts.palette) : 0);
  const std::uint64_t info_bytes = parts.info.empty() ? 0 : gim::kBlockHeaderBytes + info.size();
  const std::uint64_t total = picture_end + info_bytes;
  if (total >= kMaxBytes) return {Failure::kTooLarge, 0};

  file.assign(static_cast<std::size_t>(total), 0);
  const Writer w{file.data(), parts.big_endian};
  std::memcpy(file.data(), parts.big_endian ? gim::kMagicBig : gim::kMagicLittle, 8);
  std::memcpy(file.data() + 8, parts.big_endian ? gim::kSignatureBig : gim::kSignatureLittle, 4);
  w.BlockHeader(gim::kRootOffset, gim::kRootBlock, total - gim::kRootOffset,
                gim::kBlockHeaderBytes);
  w.BlockHeader(gim::kPictureOffset, gim::kPictureBlock, picture_end - gim::kPictureOffset,
                gim::kBlockHeaderBytes);
  w.BlockHeader(image, gim::kImageBlock, LevelBlockBytes(parts.image), LevelBlockBytes(parts.image));
  w.Level(image, parts.image);
  places.image = image + gim::kBlockHeaderBytes + h::kPixelsAt;
  if (parts.has_palette) {
    w.BlockHeader(palette, gim::kPaletteBlock, LevelBlockBytes(parts.palette),
                  LevelBlockBytes(parts.palette));
    w.Level(palette, parts.palette);
    places.palette = palette + gim::kBlockHeaderBytes + h::kPixelsAt;
  }
  if (info_bytes != 0) {
    w.BlockHeader(picture_end, gim::kFileInfoBlock, info_bytes, info_bytes);
    std::memcpy(file.data() + picture_end + gim::kBlockHeaderBytes, info.data(), info.size());
  }
  return {};
}

}  // namespace tovak::encode
