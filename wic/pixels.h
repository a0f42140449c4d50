// The pixels a WIC client receives: the layout chosen for a picture, the
// checks of a CopyPixels request, the whole picture decoded into rows of
// that layout, a rectangle copied out of such a whole, and the palette as
// WIC colours. Platform-neutral, over byte buffers.
#pragma once

#include <cstdint>

#include "decode/destination.h"
#include "decode/plan.h"

namespace tovak::wic {

// The decoder's layout a client receives: kBgra32 for direct-colour and DXT
// pictures (32bppBGRA, alpha as stored, never blended), kIndex for indexed
// ones (4bppIndexed or 8bppIndexed at the picture's index width, the left
// pixel of a 4-bit pair in the high nibble).
decode::PixelLayout LayoutOf(const decode::PicturePlan& plan);

// Bytes that `width` pixels of the picture take in its layout, without
// padding.
std::uint64_t RowBytes(const decode::PicturePlan& plan, std::uint64_t width);

// WICRect's fields.
struct Rect {
  std::int32_t x = 0, y = 0, width = 0, height = 0;
};

enum class Request : std::uint8_t {
  kCopy,     // copy the rectangle
  kNothing,  // an empty rectangle: nothing to copy, and that is fine
  kOutside,  // not within the picture, or negative
  kNoBuffer,
  kStrideTooSmall,  // a row of the rectangle does not fit in the stride
  kBufferTooSmall,  // the last row would end past the buffer
};

// Judges a request for `rect` of the picture into a buffer of
// `buffer_bytes` whose rows lie `stride` bytes apart. The last row needs
// only its own bytes, not a whole stride.
Request CheckRequest(const decode::PicturePlan& plan, const Rect& rect, std::uint64_t stride,
                     std::uint64_t buffer_bytes, bool has_buffer);

// The whole picture in its layout, top row first, rows
// `stride` bytes apart, in one pass over the stored pixels; `bytes` holds
// at least what CheckRequest asks of the whole picture. Every byte of the
// rows' own is written, those of pixels the file does not store as 0; the
// bytes between rows are not. False, writing nothing, when the buffer is
// too small after all.
bool DecodeWhole(const decode::PicturePlan& plan, std::uint8_t* rows, std::uint64_t stride,
                 std::uint64_t bytes);

// Copies `rect` (checked) out of a decoded whole picture whose rows lie
// `whole_stride` bytes apart. A 4-bit rectangle starting on an odd column
// has its nibbles shifted; the nibble past an odd-width 4-bit row is zero.
void CopyRect(const decode::PicturePlan& plan, const std::uint8_t* whole,
              std::uint64_t whole_stride, const Rect& rect, std::uint8_t* out,
              std::uint64_t stride);

// The palette of an indexed picture as WICColor values (0xAARRGGBB, alpha
// as stored). Returns the count, a colour for every index the layout can
// hold (16 or 256): the file's entries, then opaque black for the indices
// its palette does not reach (all of them when it has none), as the
// converter shows pixels that use them.
inline constexpr std::uint32_t kMaxPaletteColours = 256;
std::uint32_t PaletteColours(const decode::PicturePlan& plan,
                             std::uint32_t (&colours)[kMaxPaletteColours]);

}  // namespace tovak::wic
