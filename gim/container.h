// The GIM container: file header, block walk and image header, in either
// byte order, read in place from a buffer of known length.
#pragma once

#include <cstdint>

#include "gim/byte_view.h"
#include "gim/formats.h"

namespace tovak::gim {

// The root block always starts right after the 16-byte file header and the
// picture block right after the root block's own header.
inline constexpr std::uint64_t kRootOffset = 16;
inline constexpr std::uint64_t kPictureOffset = 32;

// Block header fields, from the block's start. A block's content always
// starts 16 bytes in.
inline constexpr std::uint64_t kBlockHeaderBytes = 16;
inline constexpr std::uint64_t kBlockId = 0;
inline constexpr std::uint64_t kBlockSize = 4;
inline constexpr std::uint64_t kBlockStep = 8;   // to the block the walk visits next
inline constexpr std::uint64_t kBlockChild = 12;  // to the first child, as writers fill it

enum BlockId : std::uint16_t {
  kRootBlock = 2,
  kPictureBlock = 3,
  kImageBlock = 4,
  kPaletteBlock = 5,
  kFileInfoBlock = 0xFF,
};

// Image header fields, from the image header's start (block offset 16). An
// image block and a palette block both hold one; in a palette block the
// format is the entries' format and the width their number.
namespace image_header {
inline constexpr std::uint64_t kBytes = 48;
inline constexpr std::uint64_t kHeaderSize = 0;
inline constexpr std::uint64_t kFormat = 4;
inline constexpr std::uint64_t kPixelOrder = 6;
inline constexpr std::uint64_t kWidth = 8;
inline constexpr std::uint64_t kHeight = 10;
inline constexpr std::uint64_t kBitsPerPixel = 12;
inline constexpr std::uint64_t kPitchAlign = 14;
inline constexpr std::uint64_t kHeightAlign = 16;
inline constexpr std::uint64_t kDimensions = 18;
inline constexpr std::uint64_t kIndexStart = 24;
inline constexpr std::uint64_t kPixelsStart = 28;  // from the image header's start
inline constexpr std::uint64_t kPixelsEnd = 32;
inline constexpr std::uint64_t kPlaneMask = 36;
inline constexpr std::uint64_t kLevelType = 40;
inline constexpr std::uint64_t kLevelCount = 42;
inline constexpr std::uint64_t kFrameType = 44;
inline constexpr std::uint64_t kFrameCount = 46;
// Palette entries always start here, whatever the palette's pixels_start says.
inline constexpr std::uint64_t kPaletteEntries = 64;
// The offset table: one 32-bit offset (pixels_start) a level and frame.
inline constexpr std::uint64_t kOffsetTable = 48;

// The values of the fields no reader needs, as the PSP's own converter
// writes them: rows aligned to 16 bytes, heights to 1 row (8 in swizzled
// order, a tile row), two dimensions, one level of one frame, the offset
// table right after the header and the pixels after the table.
inline constexpr std::uint16_t kPitchAlignBytes = 16;
inline constexpr std::uint16_t kHeightAlignNormal = 1;
inline constexpr std::uint16_t kHeightAlignSwizzled = 8;
inline constexpr std::uint16_t kDimensionCount = 2;
inline constexpr std::uint16_t kLevelTypeImage = 1;
inline constexpr std::uint16_t kLevelTypePalette = 2;
inline constexpr std::uint16_t kFrameTypeValue = 3;
inline constexpr std::uint32_t kPixelsAt = 64;
}  // namespace image_header

// The file header: magic and version, then a signature, in file order.
inline constexpr std::uint64_t kFileHeaderBytes = 16;
inline constexpr char kMagicLittle[9] = "MIG.00.1";
inline constexpr char kMagicBig[9] = ".GIM1.00";
inline constexpr char kSignatureLittle[4] = {'P', 'S', 'P', '\0'};
inline constexpr char kSignatureBig[4] = {'\0', 'P', 'S', 'P'};

// Buffer offsets of the blocks that tovak reads; 0 where there is none.
struct Blocks {
  std::uint64_t image = 0;
  std::uint64_t palette = 0;
  std::uint64_t file_info = 0;
};

struct Recognition {
  bool recognised = false;
  bool big_endian = false;
  Blocks blocks;  // the image and palette blocks of a recognised buffer
};

// Whether the bytes start with a GIM file header of the byte order: its
// magic and version, then that order's signature or zeros, which writers of
// both orders have left there. Reads at most the header's first 12 bytes.
bool FileHeaderMatches(ByteView bytes, bool big_endian);

// Decides whether the bytes are a GIM picture tovak converts, and in which
// byte order. Reads nothing outside the view.
Recognition Recognise(ByteView bytes);

// Which blocks a walk looks for. The file-info block follows the root
// block's content, so looking for it walks on to 16 bytes past the root
// block's size, beyond the blocks a picture is made of: only the info text
// needs it, and decoding reads nothing past what it needs.
enum class BlockSearch : std::uint8_t { kPicture, kWithFileInfo };

// Walks the blocks once from the root block. Every block lies within the
// walk's visit budget and before a block header would leave the buffer; the
// image and palette blocks start within the root block's size from it, the
// file-info block within 16 bytes more.
Blocks FindBlocks(const Reader& reader, BlockSearch search = BlockSearch::kPicture);

struct ImageHeader {
  std::uint64_t header_offset = 0;  // buffer offset of the image header
  std::uint16_t image_format = 0;
  std::uint16_t pixel_order = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint16_t bits_per_pixel = 0;
  std::uint32_t pixels_start = 0;
  std::uint32_t pixels_end = 0;
};

// Which fields a reader needs: those describing the picture, or those and
// where its pixels lie.
enum class HeaderFields : std::uint8_t { kPicture, kWithPixels };

// Reads the fields of the image header of the block at `block_offset`; false
// when any of them lies outside the buffer.
bool ReadImageHeader(const Reader& reader, std::uint64_t block_offset, ImageHeader& out,
                     HeaderFields fields = HeaderFields::kWithPixels);

struct PaletteHeader {
  std::uint64_t entries_offset = 0;  // buffer offset of entry 0
  std::uint16_t entry_format = 0;
  std::uint16_t count = 0;  // the entries the header states
  // The entries the block holds: the stated count, but no more than the
  // block's size leaves room for. Some writers state their format's whole
  // table (16 or 256) and store only the colours a picture uses.
  std::uint32_t stored = 0;
};

bool ReadPaletteHeader(const Reader& reader, std::uint64_t block_offset, PaletteHeader& out);

}  // namespace tovak::gim
