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
inline constexpr std::uint64_t kBlockHeaderBytes = 16;

enum BlockId : std::uint16_t {
  kRootBlock = 2,
  kPictureBlock = 3,
  kImageBlock = 4,
  kPaletteBlock = 5,
  kFileInfoBlock = 0xFF,
};

struct Recognition {
  bool recognised = false;
  bool big_endian = false;
};

// Decides whether the bytes are a GIM picture this plug-in converts, and in
// which byte order. Reads nothing outside the view.
Recognition Recognise(ByteView bytes);

// The root block's size, which bounds every block walk.
bool ReadRootSize(const Reader& reader, std::uint32_t& size);

// Walks the blocks from the root block and returns the offset, from the root
// block, of the first visited block whose id is `id`; 0 when none is found
// within `limit`, within the walk's visit budget, or before a block header
// would leave the buffer.
std::uint64_t FindBlock(const Reader& reader, std::uint16_t id,
                        std::uint64_t limit);

// Buffer offset of the first block with `id`, searched with the root block's
// size as limit; 0 when there is none.
std::uint64_t FindBlockInRoot(const Reader& reader, std::uint16_t id);

// The image header of an image block: the block content from block offset 16.
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

// Reads every field above from the block at `block_offset`; false when any of
// them lies outside the buffer.
bool ReadImageHeader(const Reader& reader, std::uint64_t block_offset,
                     ImageHeader& out);

// A palette block reuses the image header: its format is the entry format,
// its width the number of entries. Entries always start at block offset 80,
// whatever its pixels_start says.
struct PaletteHeader {
  std::uint64_t entries_offset = 0;  // buffer offset of entry 0
  std::uint16_t entry_format = 0;
  std::uint16_t count = 0;
};

inline constexpr std::uint64_t kPaletteEntriesAt = 80;

bool ReadPaletteHeader(const Reader& reader, std::uint64_t block_offset,
                       PaletteHeader& out);

}  // namespace tovak::gim
