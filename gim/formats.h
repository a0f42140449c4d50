// What this plug-in knows of each image format code, in one table that the
// recogniser, the picture information and the decoding driver all read.
#pragma once

#include <cstdint>

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
// it for direct-colour and DXT pictures; bits_per_pixel matters only to the
// indexed formats, whose index width it gives.
enum class PixelKind : std::uint8_t {
  kWord16,    // one 16-bit colour word a pixel, least significant byte first
  kRgba8888,  // red, green, blue, alpha bytes
  kIndexed,   // palette indices of bits_per_pixel bits
  kDxt,       // 4 x 4 blocks of S3TC data
};

// The channel layout of a 16-bit word, red in the lowest bits.
enum class WordLayout : std::uint8_t { kNone, k5650, k5551, k4444 };

enum class DxtKind : std::uint8_t { kNone, kDxt1, kDxt3, kDxt5 };

struct FormatDescription {
  std::uint16_t code;
  PixelKind kind;
  // Stored rows are padded to a multiple of this many pixels. DXT rows are
  // those of the decoded picture: DXT1 pads to 8 so that a row of blocks is
  // a whole number of 16-byte units.
  std::uint8_t pad_to;
  // Bits of a stored pixel: its size in the stored plane (DXT: of the
  // decoded picture). 0 for the indexed formats: bits_per_pixel.
  std::uint8_t pixel_bits;
  WordLayout word;
  DxtKind dxt;
};

// The description of an image format this plug-in converts; null for any
// other code.
const FormatDescription* DescribeFormat(std::uint16_t code);

// The bit count of the DIB a picture becomes: 24 for direct colour and DXT,
// 4 or 8 for the indexed formats; 0 when an indexed picture's
// bits_per_pixel is neither, which no DIB can show.
std::uint16_t DibBitCount(const FormatDescription& format, std::uint16_t bits_per_pixel);

// Bytes of one palette entry of the given palette format: the 16-bit layouts
// take 2, every other code is read as RGBA8888.
std::uint64_t PaletteEntryBytes(std::uint16_t entry_format);

}  // namespace tovak::gim
