#include "support/core_decode.h"

#include <algorithm>

#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/container.h"

namespace tovak::test {

CoreDecoded DecodeWithCore(const std::vector<std::uint8_t>& file) {
  CoreDecoded out;
  const gim::ByteView view{file.data(), file.size()};
  const gim::Recognition recognition = gim::Recognise(view);
  out.recognised = recognition.recognised;
  if (!recognition.recognised) return out;
  decode::PicturePlan plan;
  out.failure =
      decode::PlanPicture(gim::Reader{view, recognition.big_endian}, recognition.blocks, plan);
  if (out.failure != decode::Failure::kNone) return out;
  out.width = plan.image.width;
  out.height = plan.image.height;
  const std::size_t pixels = std::size_t{out.width} * out.height;
  out.rgba.resize(pixels * 4);
  out.failure = decode::WritePixels(plan, decode::Destination{decode::PixelLayout::kRgba32,
                                                              out.rgba.data(), out.rgba.size(),
                                                              std::uint64_t{out.width} * 4});
  if (out.failure != decode::Failure::kNone || !decode::IsIndexed(plan)) return out;
  // Indices at the picture's depth, a 4-bit pair's left pixel high; then
  // one byte each.
  const unsigned bits = plan.index_bits;
  const std::uint64_t stride = (std::uint64_t{out.width} * bits + 7) / 8;
  std::vector<std::uint8_t> packed(static_cast<std::size_t>(stride * out.height));
  out.failure = decode::WritePixels(
      plan, decode::Destination{decode::PixelLayout::kIndex, packed.data(), packed.size(), stride});
  if (out.failure != decode::Failure::kNone) return out;
  for (std::uint32_t y = 0; y < out.height; ++y) {
    for (std::uint32_t x = 0; x < out.width; ++x) {
      const std::uint8_t b = packed[y * stride + x * bits / 8];
      out.indices.push_back(bits == 8 ? b : static_cast<std::uint8_t>(x % 2 == 0 ? b >> 4 : b & 15));
    }
  }
  const std::uint32_t entries = decode::ColourTableEntries(plan);
  out.palette.resize(std::size_t{entries} * 4);
  out.failure = decode::WritePalette(
      plan, decode::Destination{decode::PixelLayout::kRgba32, out.palette.data(), out.palette.size()});
  // The entries the file stores; the table's others are black.
  out.palette.resize(std::size_t{std::min(plan.palette.stored, entries)} * 4);
  return out;
}

}  // namespace tovak::test
