// Stored rows (top first, row by row or in tiles) to DIB rows (bottom first).
#pragma once

#include <cstdint>

namespace tovak::decode {

enum PixelOrder : std::uint16_t { kNormalOrder = 0, kSwizzledOrder = 1 };

// Swizzled planes are cut into tiles of 16 bytes by 8 rows; a tile row holds
// 8 picture rows and takes 8 * source_row_bytes bytes.
inline constexpr std::uint64_t kTileBytes = 16;
inline constexpr std::uint64_t kTileRows = 8;

// Bytes of the source plane that a transfer reads.
std::uint64_t SourcePlaneBytes(std::uint32_t height,
                               std::uint64_t source_row_bytes,
                               std::uint16_t pixel_order);

// Copies `height` rows of the source plane into `bits`, picture row r going
// to DIB row height - 1 - r. Only the first min(dib_stride, source_row_bytes)
// bytes of a row land; a 4-bit picture has the two halves of every byte
// exchanged, since GIM keeps the left pixel in the low nibble. A pixel order
// other than normal or swizzled copies nothing.
void TransferPixels(const std::uint8_t* source, std::uint8_t* bits,
                    std::uint32_t height, std::uint64_t dib_stride,
                    std::uint64_t source_row_bytes, std::uint16_t bit_count,
                    std::uint16_t pixel_order);

}  // namespace tovak::decode
