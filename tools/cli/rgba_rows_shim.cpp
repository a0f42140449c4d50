// TEMPORARY: see rgba_rows_shim.h. Runs the DIB path's transfer without its
// reduction, then reads the laid-out rows back as RGBA.
#include "tools/cli/rgba_rows_shim.h"

#include <cstring>
#include <vector>

#include "decode/colour.h"
#include "decode/dxt.h"
#include "decode/palette.h"
#include "decode/transfer.h"

namespace tovak::decode {

bool IsIndexed(const PicturePlan& plan) {
  return plan.image.image_format == gim::kIndex4 || plan.image.image_format == gim::kIndex8;
}

std::uint32_t ColourTableEntries(const PicturePlan& plan) {
  if (!plan.has_palette) return 0;
  const std::uint32_t most = plan.dib_bit_count <= 8 ? 1u << plan.dib_bit_count : 256;
  return plan.palette.count < most ? plan.palette.count : most;
}

void WriteRgbaRows(const PicturePlan& plan, std::uint8_t* rows, std::uint64_t stride) {
  const gim::ImageHeader& image = plan.image;
  std::vector<std::uint8_t> bits(static_cast<std::size_t>(plan.bits_block_bytes));
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(plan.plane_bytes));
  const std::uint8_t* source = plan.source;
  if (plan.plane_bytes != 0) {
    const std::uint8_t* blocks = plan.compressed_blocks;
    if (plan.reorder) {
      ReorderDxtUnits(plan.dxt_kind, plan.compressed_blocks, plan.reorder_units, bits.data());
      blocks = bits.data();
    }
    DecompressDxt(plan.dxt_kind, blocks, plan.padded_width, image.height, plane.data());
    source = plane.data();
  }
  if (source != nullptr) {
    TransferPixels(source, bits.data(), image.height, plan.dib_stride, plan.source_row_bytes,
                   plan.dib_bit_count, image.pixel_order);
  }
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* in = bits.data() + (image.height - 1 - y) * plan.dib_stride;
    std::uint8_t* out = rows + y * stride;
    if (IsIndexed(plan)) {
      std::memcpy(out, in, static_cast<std::size_t>(DibStride(image.width, plan.dib_bit_count)));
      continue;
    }
    for (std::uint32_t x = 0; x < image.width; ++x) {
      Bgra c{};
      if (plan.reduction == Reduction::kFrom16) {
        const std::uint16_t w = LoadWord(in + 2 * x);
        switch (image.image_format) {
          case gim::kRgba5650: c = From5650(w); c.a = 255; break;
          case gim::kRgba5551: c = From5551(w); break;
          default: c = From4444(w); break;
        }
      } else {
        c = From8888(in + 4 * x);
      }
      out[4 * x] = c.r;
      out[4 * x + 1] = c.g;
      out[4 * x + 2] = c.b;
      out[4 * x + 3] = c.a;
    }
  }
}

void WritePaletteRgba(const PicturePlan& plan, std::uint8_t* out) {
  const std::uint32_t count = ColourTableEntries(plan);
  std::vector<std::uint8_t> table(4 * std::size_t{count});
  ConvertPalette(plan.palette_entries, count, plan.palette.entry_format, table.data(),
                 BlendSettings{false, 0});
  for (std::uint32_t k = 0; k < count; ++k) {
    out[4 * k] = table[4 * k + 2];
    out[4 * k + 1] = table[4 * k + 1];
    out[4 * k + 2] = table[4 * k];
    out[4 * k + 3] = plan.palette.entry_format == gim::kRgba5650 ? 255 : table[4 * k + 3];
  }
}

}  // namespace tovak::decode
