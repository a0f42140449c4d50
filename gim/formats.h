// What tovak knows of each image format code, in one table that the
// recogniser, the picture information, the decoder, the converter and the
// encoder all read. To learn what a format code means, read this file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tovak::gim {

enum ImageFormat : std::uint16_t {
  kRgba5650 = 0,
  kRgba5551 = 1,
  kRgba4444 = 2,
  kRgba8888 = 3,
  kIndex4 = 4,
  kIndex8 = 5,
  kDxt1 = 8,
  kDxt3 = 9,
  kDxt5 = 10,
  kDxt1Ext = 0x108,
  kDxt3Ext = 0x109,
  kDxt5Ext = 0x10A,
};

// How the stored pixels of a format are read. The format code alone decides
// it; bits_per_pixel matters only to the indexed formats, whose index width
// it gives.
enum class PixelKind : std::uint8_t {
  kWord16,    // one 16-bit colour word a pixel, least significant byte first
              // in files of both byte orders
  kRgba8888,  // four bytes a pixel: red, green, blue, alpha
  kIndexed,   // palette indices of bits_per_pixel bits
  kDxt,       // 4 x 4 blocks of S3TC data
};

// Bits of each colour channel. A 16-bit word holds red in its lowest bits,
// then green, blue and alpha; an RGBA8888 pixel holds them in that byte
// order. A format without alpha bits is opaque.
struct ChannelBits {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint8_t alpha = 0;
};

enum class DxtKind : std::uint8_t { kNone, kDxt1, kDxt3, kDxt5 };

struct FormatDescription {
  std::uint16_t code;
  // As tools show the format and take it on their command lines (in any
  // case).
  const char* name;
  PixelKind kind;
  // Stored rows are padded to a multiple of this many pixels, which makes
  // every row a whole number of 16-byte tile lines. DXT pads the decoded
  // picture's rows: DXT1 to 8 pixels, so that a row of blocks is a whole
  // number of 16-byte units.
  std::uint8_t pad_to;
  // Bits of one pixel of the plane that the pixel order arranges: the stored
  // pixels of the direct-colour formats, the decoded texels of the DXT
  // formats (whose blocks are laid out as that plane's tiles), and 0 for the
  // indexed formats, whose image header's bits_per_pixel says.
  std::uint8_t plane_bits;
  // bits_per_pixel as files of the format carry it (DXT: compressed bits).
  std::uint8_t usual_bits_per_pixel;
  // Direct colour: the stored channels. DXT: the colour endpoints' channels
  // and the alpha a texel can carry. Indexed: none; the palette's format
  // tells.
  ChannelBits channels;
  DxtKind dxt;
};

inline constexpr FormatDescription kFormats[] = {
    {kRgba5650, "RGBA5650", PixelKind::kWord16, 8, 16, 16, {5, 6, 5, 0}, DxtKind::kNone},
    {kRgba5551, "RGBA5551", PixelKind::kWord16, 8, 16, 16, {5, 5, 5, 1}, DxtKind::kNone},
    {kRgba4444, "RGBA4444", PixelKind::kWord16, 8, 16, 16, {4, 4, 4, 4}, DxtKind::kNone},
    {kRgba8888, "RGBA8888", PixelKind::kRgba8888, 4, 32, 32, {8, 8, 8, 8}, DxtKind::kNone},
    {kIndex4, "INDEX4", PixelKind::kIndexed, 32, 0, 4, {}, DxtKind::kNone},
    {kIndex8, "INDEX8", PixelKind::kIndexed, 16, 0, 8, {}, DxtKind::kNone},
    // DXT1's fourth colour may be transparent black: one bit of alpha.
    {kDxt1, "DXT1", PixelKind::kDxt, 8, 32, 4, {5, 6, 5, 1}, DxtKind::kDxt1},
    {kDxt3, "DXT3", PixelKind::kDxt, 4, 32, 8, {5, 6, 5, 4}, DxtKind::kDxt3},
    {kDxt5, "DXT5", PixelKind::kDxt, 4, 32, 8, {5, 6, 5, 8}, DxtKind::kDxt5},
    // The _EXT codes hold the same blocks as their bases.
    {kDxt1Ext, "DXT1_EXT", PixelKind::kDxt, 8, 32, 4, {5, 6, 5, 1}, DxtKind::kDxt1},
    {kDxt3Ext, "DXT3_EXT", PixelKind::kDxt, 4, 32, 8, {5, 6, 5, 4}, DxtKind::kDxt3},
    {kDxt5Ext, "DXT5_EXT", PixelKind::kDxt, 4, 32, 8, {5, 6, 5, 8}, DxtKind::kDxt5},
};

// The description of an image format tovak converts; null for any other
// code.
constexpr const FormatDescription* DescribeFormat(std::uint16_t code) {
  for (const FormatDescription& format : kFormats) {
    if (format.code == code) return &format;
  }
  return nullptr;
}

// The description whose name is `name`, in any case; null for none.
const FormatDescription* FormatNamed(std::string_view name);

constexpr bool HasAlpha(const FormatDescription& format) { return format.channels.alpha != 0; }

// Palette entries are 16-bit words in the 16-bit formats' layouts; every
// other palette format code is read as RGBA8888. Null: that reading.
constexpr const FormatDescription* PaletteEntryFormat(std::uint16_t entry_format) {
  const FormatDescription* format = DescribeFormat(entry_format);
  return format != nullptr && format->kind == PixelKind::kWord16 ? format
                                                                 : DescribeFormat(kRgba8888);
}

constexpr std::uint64_t PaletteEntryBytes(std::uint16_t entry_format) {
  return PaletteEntryFormat(entry_format)->plane_bits / 8;
}

// The bit count of the DIB a picture becomes: 24 for direct colour and DXT,
// 4 or 8 for the indexed formats; 0 when an indexed picture's
// bits_per_pixel is neither, which no DIB can show.
constexpr std::uint16_t DibBitCount(const FormatDescription& format,
                                    std::uint16_t bits_per_pixel) {
  if (format.kind != PixelKind::kIndexed) return 24;
  return bits_per_pixel == 4 || bits_per_pixel == 8 ? bits_per_pixel : 0;
}

// The DXT block layout. Little-endian GIM files keep each block's parts in
// another order than S3TC: part i is `bytes` bytes at `stored` in the block
// as the file holds it and at `s3tc` in S3TC order. Big-endian files hold
// plain S3TC blocks.
struct BlockPart {
  std::uint8_t s3tc;
  std::uint8_t stored;
  std::uint8_t bytes;
};

struct DxtLayout {
  std::uint8_t block_bytes;
  std::uint8_t part_count;
  BlockPart parts[4];
};

// DXT1: the 4 index bytes, then the two colour endpoints. DXT3: colour
// indices, colour endpoints, then the 8 alpha bytes. DXT5: colour indices,
// colour endpoints, the 6 alpha-index bytes, then the two alpha endpoints.
constexpr DxtLayout DescribeDxt(DxtKind kind) {
  switch (kind) {
    case DxtKind::kDxt1: return {8, 2, {{0, 4, 4}, {4, 0, 4}}};
    case DxtKind::kDxt3: return {16, 3, {{0, 8, 8}, {8, 4, 4}, {12, 0, 4}}};
    case DxtKind::kDxt5: return {16, 4, {{0, 14, 2}, {2, 8, 6}, {8, 4, 4}, {12, 0, 4}}};
    case DxtKind::kNone: break;
  }
  return {0, 0, {}};
}

// Little-endian files announce their DXT data in 16-byte units: two DXT1
// blocks or one DXT3/DXT5 block.
inline constexpr std::uint64_t kDxtUnitBytes = 16;

}  // namespace tovak::gim
