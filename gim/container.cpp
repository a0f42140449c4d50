#include "gim/container.h"

#include <cstring>

#include "gim/formats.h"

namespace tovak::gim {
namespace {

// Little-endian files are walked for at most 10 blocks, big-endian ones for
// at most 8: readers of both variants have always stopped there.
constexpr int kVisitsLittle = 10;
constexpr int kVisitsBig = 8;

// Block header fields, from the block's start.
constexpr std::uint64_t kBlockId = 0;
constexpr std::uint64_t kBlockSize = 4;
constexpr std::uint64_t kBlockStep = 8;

// Image header fields, from the block's start (the header itself begins 16
// bytes in).
constexpr std::uint64_t kFieldFormat = 20;
constexpr std::uint64_t kFieldOrder = 22;
constexpr std::uint64_t kFieldWidth = 24;
constexpr std::uint64_t kFieldHeight = 26;
constexpr std::uint64_t kFieldBpp = 28;
constexpr std::uint64_t kFieldPixelsStart = 44;
constexpr std::uint64_t kFieldPixelsEnd = 48;

bool BytesAre(ByteView bytes, std::uint64_t offset, const char (&text)[5]) {
  return bytes.Contains(offset, 4) &&
         std::memcmp(bytes.data + offset, text, 4) == 0;
}

bool AllZero(ByteView bytes, std::uint64_t offset) {
  if (!bytes.Contains(offset, 4)) return false;
  const std::uint8_t* p = bytes.data + offset;
  return (p[0] | p[1] | p[2] | p[3]) == 0;
}

bool HeaderMatches(ByteView bytes, bool big_endian) {
  static const char kSignLittle[4] = {'P', 'S', 'P', '\0'};
  static const char kSignBig[4] = {'\0', 'P', 'S', 'P'};
  const bool magic = big_endian
                         ? BytesAre(bytes, 0, ".GIM") && BytesAre(bytes, 4, "1.00")
                         : BytesAre(bytes, 0, "MIG.") && BytesAre(bytes, 4, "00.1");
  if (!magic || !bytes.Contains(8, 4)) return false;
  const char* sign = big_endian ? kSignBig : kSignLittle;
  const bool signature = AllZero(bytes, 8) ||
                         std::memcmp(bytes.data + 8, sign, 4) == 0;
  if (!signature) return false;

  const Reader reader{bytes, big_endian};
  std::uint16_t root_id = 0;
  std::uint16_t picture_id = 0;
  return reader.U16(kRootOffset + kBlockId, root_id) && root_id == kRootBlock &&
         reader.U16(kPictureOffset + kBlockId, picture_id) &&
         picture_id == kPictureBlock;
}

bool RecogniseAs(ByteView bytes, bool big_endian) {
  if (!HeaderMatches(bytes, big_endian)) return false;
  const Reader reader{bytes, big_endian};
  const std::uint64_t block = FindBlockInRoot(reader, kImageBlock);
  std::uint16_t format = 0;
  return block != 0 && reader.U16(block + kFieldFormat, format) &&
         DescribeFormat(format) != nullptr;
}

}  // namespace

Recognition Recognise(ByteView bytes) {
  if (RecogniseAs(bytes, false)) return {true, false};
  if (RecogniseAs(bytes, true)) return {true, true};
  return {};
}

bool ReadRootSize(const Reader& reader, std::uint32_t& size) {
  return reader.U32(kRootOffset + kBlockSize, size);
}

std::uint64_t FindBlock(const Reader& reader, std::uint16_t id,
                        std::uint64_t limit) {
  const int budget = reader.big_endian ? kVisitsBig : kVisitsLittle;
  // 64-bit positions: a huge step ends the walk instead of wrapping back
  // into blocks already seen.
  std::uint64_t position = 0;
  for (int visited = 0; visited < budget && position < limit; ++visited) {
    const std::uint64_t block = kRootOffset + position;
    std::uint16_t block_id = 0;
    std::uint32_t step = 0;
    if (!reader.view.Contains(block, kBlockHeaderBytes) ||
        !reader.U16(block + kBlockId, block_id) ||
        !reader.U32(block + kBlockStep, step)) {
      return 0;
    }
    if (block_id == id) return position;
    position += step;
  }
  return 0;
}

std::uint64_t FindBlockInRoot(const Reader& reader, std::uint16_t id) {
  std::uint32_t root_size = 0;
  if (!ReadRootSize(reader, root_size)) return 0;
  const std::uint64_t position = FindBlock(reader, id, root_size);
  return position == 0 ? 0 : kRootOffset + position;
}

bool ReadImageHeader(const Reader& reader, std::uint64_t block_offset,
                     ImageHeader& out) {
  out.header_offset = block_offset + kBlockHeaderBytes;
  return reader.U16(block_offset + kFieldFormat, out.image_format) &&
         reader.U16(block_offset + kFieldOrder, out.pixel_order) &&
         reader.U16(block_offset + kFieldWidth, out.width) &&
         reader.U16(block_offset + kFieldHeight, out.height) &&
         reader.U16(block_offset + kFieldBpp, out.bits_per_pixel) &&
         reader.U32(block_offset + kFieldPixelsStart, out.pixels_start) &&
         reader.U32(block_offset + kFieldPixelsEnd, out.pixels_end);
}

bool ReadPaletteHeader(const Reader& reader, std::uint64_t block_offset,
                       PaletteHeader& out) {
  out.entries_offset = block_offset + kPaletteEntriesAt;
  return reader.U16(block_offset + kFieldFormat, out.entry_format) &&
         reader.U16(block_offset + kFieldWidth, out.count);
}

}  // namespace tovak::gim
