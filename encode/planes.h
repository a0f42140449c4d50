// Stored planes of the direct-colour and indexed formats: rows padded to the
// format's multiple of pixels with zero bytes, laid out in the pixel order
// (swizzled planes in whole tile rows, the rows past the picture zero).
#pragma once

#include <cstdint>

#include "encode/encode.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::encode {

// The stored shape of a picture's plane. `bits` is a stored pixel's width:
// the format's plane bits, or an indexed format's bits per pixel.
struct PlaneShape {
  std::uint32_t padded_width = 0;
  std::uint64_t row_bytes = 0;
  std::uint64_t bytes = 0;
};

PlaneShape ShapePlane(const gim::FormatDescription& format, std::uint32_t width,
                      std::uint32_t height, gim::PixelOrder order);

// Copies one padded row to its place in a plane of `row_bytes` rows.
void StoreRow(const std::uint8_t* row, std::uint64_t r, std::uint64_t row_bytes,
              gim::PixelOrder order, std::uint8_t* plane);

// Writes the plane of an RGBA picture in a direct-colour format into
// `plane`, which holds ShapePlane(...).bytes zero bytes.
void StoreColourPlane(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
                      const gim::FormatDescription& format, gim::PixelOrder order,
                      std::uint8_t* plane);

// Writes the plane of an indexed picture (one index byte a pixel) into
// `plane`, which holds ShapePlane(...).bytes zero bytes.
void StoreIndexPlane(const std::uint8_t* indices, std::uint32_t width, std::uint32_t height,
                     const gim::FormatDescription& format, gim::PixelOrder order,
                     std::uint8_t* plane);

}  // namespace tovak::encode
