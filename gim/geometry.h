// The geometry of a picture as a GIM file stores it: how wide its rows are
// padded, how many bytes a plane row and a whole plane take, how many DXT
// blocks make it, and how many entries an index can reach. The decoder plans
// with these functions and the encoder lays files out with the same ones, so
// that each mirrors the other by construction.
#pragma once

#include <cstdint>

#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::gim {

// The width rounded up to the format's row padding. 32 bits, so that 65535
// pads to 65536 rather than wrapping.
constexpr std::uint32_t PaddedWidth(const FormatDescription& format, std::uint32_t width) {
  return (width + format.pad_to - 1u) / format.pad_to * format.pad_to;
}

// Bits of one pixel of the plane the pixel order arranges: the indexed
// formats' index width is the header's bits_per_pixel, every other format's
// is the table's.
constexpr unsigned PlaneBits(const FormatDescription& format, unsigned bits_per_pixel) {
  return format.kind == PixelKind::kIndexed ? bits_per_pixel : format.plane_bits;
}

// Bytes from one plane row's start to the next: the padded width at the
// plane's bits, remainder dropped (an index width that does not suit the
// format can leave a row short of a whole tile line).
constexpr std::uint64_t PlaneRowBytes(const FormatDescription& format, std::uint32_t width,
                                      unsigned bits_per_pixel) {
  return std::uint64_t{PaddedWidth(format, width)} * PlaneBits(format, bits_per_pixel) / 8;
}

// Bytes of the whole stored plane: whole tile rows in swizzled order.
constexpr std::uint64_t PlaneBytes(const FormatDescription& format, std::uint32_t width,
                                   std::uint32_t height, unsigned bits_per_pixel,
                                   PixelOrder order) {
  return StoredPlaneBytes(height, PlaneRowBytes(format, width, bits_per_pixel), order);
}

// DXT pictures are 4 x 4 blocks over the padded width, row after row; the
// decoded plane, which the pixel order arranges, holds 4 bytes a texel, so a
// block's texel row is one 16-byte tile line.
inline constexpr std::uint32_t kDxtBlockSide = 4;

constexpr std::uint64_t DxtBlocksAcross(const FormatDescription& format, std::uint32_t width) {
  return (std::uint64_t{PaddedWidth(format, width)} + kDxtBlockSide - 1) / kDxtBlockSide;
}

constexpr std::uint64_t DxtBlockRows(std::uint32_t height) {
  return (std::uint64_t{height} + kDxtBlockSide - 1) / kDxtBlockSide;
}

// Bytes of compressed data the picture is made of. With the padded widths of
// these formats it is always a whole number of 16-byte units.
constexpr std::uint64_t DxtCompressedBytes(const FormatDescription& format, std::uint32_t width,
                                           std::uint32_t height) {
  return DxtBlocksAcross(format, width) * DxtBlockRows(height) *
         DescribeDxt(format.dxt).block_bytes;
}

// The entries an index of `index_bits` bits can reach: 16 or 256.
constexpr std::uint32_t IndexCapacity(unsigned index_bits) { return 1u << index_bits; }

// Formats whose pixels carry their colour themselves, one stored value a
// pixel: neither indexed nor compressed.
constexpr bool IsDirectColour(const FormatDescription& format) {
  return format.kind == PixelKind::kWord16 || format.kind == PixelKind::kRgba8888;
}

}  // namespace tovak::gim
