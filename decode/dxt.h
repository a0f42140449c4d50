// DXT pictures: the compressed blocks become a plain RGBA plane (red, green,
// blue, alpha bytes; rows top first) before the ordinary pixel path runs.
#pragma once

#include <cstdint>

namespace tovak::decode {

enum class DxtKind { kDxt1, kDxt3, kDxt5 };

// The kind of a DXT image_format (the _EXT codes decode as their bases);
// false for every other format.
bool DxtKindOf(std::uint16_t image_format, DxtKind& kind);

// Blocks are reordered in 16-byte units: two DXT1 blocks or one DXT3/DXT5
// block.
inline constexpr std::uint64_t kDxtUnitBytes = 16;

// Bytes of compressed data a plane of `width` x `height` pixels is decoded
// from: whole 4 x 4 blocks, row by row. With the padded widths of these
// formats it is always a whole number of units.
std::uint64_t DxtCompressedBytes(DxtKind kind, std::uint32_t width, std::uint32_t height);

// Little-endian GIM files store each block with its parts in another order
// than S3TC; writes `units` units from `stored` to `standard` in S3TC order.
void ReorderDxtUnits(DxtKind kind, const std::uint8_t* stored, std::uint64_t units,
                     std::uint8_t* standard);

// Decodes DxtCompressedBytes(kind, width, height) bytes of S3TC blocks into
// `plane`, width x 4 bytes a row. Texels of a block below the last row are
// dropped.
void DecompressDxt(DxtKind kind, const std::uint8_t* blocks, std::uint32_t width,
                   std::uint32_t height, std::uint8_t* plane);

}  // namespace tovak::decode
