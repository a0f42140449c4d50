#include "encode/planes.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "encode/channel_packing.h"
#include "gim/geometry.h"

namespace tovak::encode {

PlaneShape ShapePlane(const gim::FormatDescription& format, std::uint32_t width,
                      std::uint32_t height, gim::PixelOrder order) {
  PlaneShape shape;
  // The encoder stores indices at their format's own width.
  const unsigned bits = format.usual_bits_per_pixel;
  shape.padded_width = gim::PaddedWidth(format, width);
  shape.row_bytes = gim::PlaneRowBytes(format, width, bits);
  shape.bytes = gim::PlaneBytes(format, width, height, bits, order);
  return shape;
}

void StoreRow(const std::uint8_t* row, std::uint64_t r, std::uint64_t row_bytes,
              gim::PixelOrder order, std::uint8_t* plane) {
  if (order != gim::PixelOrder::kSwizzled) {
    std::memcpy(plane + gim::StoredOffset(r, 0, row_bytes, order), row,
                static_cast<std::size_t>(row_bytes));
    return;
  }
  // Padded rows are whole tile lines.
  for (std::uint64_t c = 0; c < row_bytes; c += gim::kTileBytes) {
    std::memcpy(plane + gim::StoredOffset(r, c, row_bytes, order), row + c, gim::kTileBytes);
  }
}

void StoreColourPlane(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
                      const gim::FormatDescription& format, gim::PixelOrder order,
                      std::uint8_t* plane) {
  const PlaneShape shape = ShapePlane(format, width, height, order);
  const ChannelPacker packer(format);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(shape.row_bytes), 0);
  for (std::uint32_t r = 0; r < height; ++r) {
    const std::uint8_t* from = rgba + std::uint64_t{r} * width * 4;
    for (std::uint32_t x = 0; x < width; ++x) packer.Store(from + 4 * x, &row[x * packer.bytes()]);
    StoreRow(row.data(), r, shape.row_bytes, order, plane);
  }
}

void StoreIndexPlane(const std::uint8_t* indices, std::uint32_t width, std::uint32_t height,
                     const gim::FormatDescription& format, gim::PixelOrder order,
                     std::uint8_t* plane) {
  const PlaneShape shape = ShapePlane(format, width, height, order);
  const unsigned bits = format.usual_bits_per_pixel;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(shape.row_bytes), 0);
  for (std::uint32_t r = 0; r < height; ++r) {
    const std::uint8_t* from = indices + std::uint64_t{r} * width;
    std::fill(row.begin(), row.end(), std::uint8_t{0});
    for (std::uint32_t x = 0; x < width; ++x) {
      row[x * bits / 8] |= static_cast<std::uint8_t>(from[x] << gim::IndexShift(x, bits));
    }
    StoreRow(row.data(), r, shape.row_bytes, order, plane);
  }
}

}  // namespace tovak::encode
