#include "gim/container.h"

#include <cstring>

namespace tovak::gim {
namespace {

// Little-endian files are walked for at most 10 blocks, big-endian ones for
// at most 8: readers of both variants have always stopped there.
constexpr int kVisitsLittle = 10;
constexpr int kVisitsBig = 8;

// The file-info block follows the root block, so its walk may go 16 bytes
// further than the root block's size.
constexpr std::uint64_t kFileInfoReach = 16;

bool BytesAre(ByteView bytes, std::uint64_t offset, const char* text, std::uint64_t count) {
  return bytes.Contains(offset, count) &&
         std::memcmp(bytes.data + offset, text, static_cast<std::size_t>(count)) == 0;
}

bool AllZero(ByteView bytes, std::uint64_t offset) {
  if (!bytes.Contains(offset, 4)) return false;
  const std::uint8_t* p = bytes.data + offset;
  return (p[0] | p[1] | p[2] | p[3]) == 0;
}

bool HeaderMatches(ByteView bytes, bool big_endian) {
  if (!FileHeaderMatches(bytes, big_endian)) return false;

  const Reader reader{bytes, big_endian};
  std::uint16_t root_id = 0;
  std::uint16_t picture_id = 0;
  return reader.U16(kRootOffset + kBlockId, root_id) && root_id == kRootBlock &&
         reader.U16(kPictureOffset + kBlockId, picture_id) && picture_id == kPictureBlock;
}

Recognition RecogniseAs(ByteView bytes, bool big_endian) {
  if (!HeaderMatches(bytes, big_endian)) return {};
  const Reader reader{bytes, big_endian};
  const Blocks blocks = FindBlocks(reader);
  std::uint16_t format = 0;
  if (blocks.image == 0 ||
      !reader.U16(blocks.image + kBlockHeaderBytes + image_header::kFormat, format) ||
      DescribeFormat(format) == nullptr) {
    return {};
  }
  return {true, big_endian, blocks};
}

}  // namespace

bool FileHeaderMatches(ByteView bytes, bool big_endian) {
  const bool magic = BytesAre(bytes, 0, big_endian ? kMagicBig : kMagicLittle, 8);
  if (!magic || !bytes.Contains(8, 4)) return false;
  const char* sign = big_endian ? kSignatureBig : kSignatureLittle;
  return AllZero(bytes, 8) || std::memcmp(bytes.data + 8, sign, 4) == 0;
}

Recognition Recognise(ByteView bytes) {
  const Recognition little = RecogniseAs(bytes, false);
  return little.recognised ? little : RecogniseAs(bytes, true);
}

Blocks FindBlocks(const Reader& reader, BlockSearch search) {
  Blocks found;
  std::uint32_t root_size = 0;
  if (!reader.U32(kRootOffset + kBlockSize, root_size)) return found;
  const bool file_info = search == BlockSearch::kWithFileInfo;
  const std::uint64_t limit = std::uint64_t{root_size} + (file_info ? kFileInfoReach : 0);
  const int budget = reader.big_endian ? kVisitsBig : kVisitsLittle;
  // 64-bit positions: a huge step ends the walk instead of wrapping back
  // into blocks already seen. Steps are unsigned, so positions never fall
  // and a block found before the root block's size was reached within it.
  std::uint64_t position = 0;
  for (int visited = 0; visited < budget && position < limit; ++visited) {
    const std::uint64_t block = kRootOffset + position;
    std::uint16_t id = 0;
    std::uint32_t step = 0;
    if (!reader.view.Contains(block, kBlockHeaderBytes) || !reader.U16(block + kBlockId, id) ||
        !reader.U32(block + kBlockStep, step)) {
      break;
    }
    // Position 0 is the root block itself, never one of these.
    const bool in_root = position < root_size;
    if (position != 0) {
      if (id == kImageBlock && in_root && found.image == 0) found.image = block;
      if (id == kPaletteBlock && in_root && found.palette == 0) found.palette = block;
      if (id == kFileInfoBlock && file_info && found.file_info == 0) found.file_info = block;
    }
    position += step;
  }
  return found;
}

bool ReadImageHeader(const Reader& reader, std::uint64_t block_offset, ImageHeader& out,
                     HeaderFields fields) {
  namespace f = image_header;
  const std::uint64_t h = block_offset + kBlockHeaderBytes;
  out.header_offset = h;
  const bool picture = reader.U16(h + f::kFormat, out.image_format) &&
                       reader.U16(h + f::kPixelOrder, out.pixel_order) &&
                       reader.U16(h + f::kWidth, out.width) &&
                       reader.U16(h + f::kHeight, out.height) &&
                       reader.U16(h + f::kBitsPerPixel, out.bits_per_pixel);
  if (!picture || fields == HeaderFields::kPicture) return picture;
  return reader.U32(h + f::kPixelsStart, out.pixels_start) &&
         reader.U32(h + f::kPixelsEnd, out.pixels_end);
}

bool ReadPaletteHeader(const Reader& reader, std::uint64_t block_offset, PaletteHeader& out) {
  const std::uint64_t h = block_offset + kBlockHeaderBytes;
  out.entries_offset = h + image_header::kPaletteEntries;
  std::uint32_t block_bytes = 0;
  if (!reader.U16(h + image_header::kFormat, out.entry_format) ||
      !reader.U16(h + image_header::kWidth, out.count) ||
      !reader.U32(block_offset + kBlockSize, block_bytes)) {
    return false;
  }
  const std::uint64_t block_end = block_offset + block_bytes;
  const std::uint64_t room =
      block_end > out.entries_offset
          ? (block_end - out.entries_offset) / PaletteEntryBytes(out.entry_format)
          : 0;
  out.stored = static_cast<std::uint32_t>(room < out.count ? room : out.count);
  return true;
}

}  // namespace tovak::gim
