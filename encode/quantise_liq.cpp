#include <libimagequant.h>

#include <algorithm>
#include <memory>

#include "encode/quantise.h"

namespace tovak::encode {
namespace {

struct LiqFree {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
  void operator()(liq_image* p) const { liq_image_destroy(p); }
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// libimagequant drops the same number of low bits from every channel: as
// many as the narrowest channel of the entries' format lacks (RGBA4444: 4;
// RGBA5650 and RGBA5551: 3, their 6-bit green and 1-bit alpha then rounded
// when stored).
int PosterizationBits(const gim::FormatDescription& entry_format) {
  int narrowest = 8;
  for (const unsigned width : {entry_format.channels.red, entry_format.channels.green,
                               entry_format.channels.blue}) {
    narrowest = std::min(narrowest, static_cast<int>(width));
  }
  return 8 - narrowest;
}

}  // namespace

bool CanQuantise() { return true; }

bool Quantise(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
              std::uint32_t colours, const gim::FormatDescription& entry_format, bool dither,
              std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& palette) {
  const std::unique_ptr<liq_attr, LiqFree> attr(liq_attr_create());
  if (!attr || liq_set_max_colors(attr.get(), static_cast<int>(colours)) != LIQ_OK ||
      liq_set_min_posterization(attr.get(), PosterizationBits(entry_format)) != LIQ_OK) {
    return false;
  }
  const std::unique_ptr<liq_image, LiqFree> image(liq_image_create_rgba(
      attr.get(), rgba, static_cast<int>(width), static_cast<int>(height), 0));
  if (!image) return false;
  liq_result* quantised = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &quantised) != LIQ_OK) return false;
  const std::unique_ptr<liq_result, LiqFree> result(quantised);
  if (liq_set_dithering_level(result.get(), dither ? 1.0f : 0.0f) != LIQ_OK) return false;
  indices.assign(std::size_t{width} * height, 0);
  if (liq_write_remapped_image(result.get(), image.get(), indices.data(), indices.size()) != LIQ_OK) {
    return false;
  }
  // The palette is complete only once the picture has been remapped.
  const liq_palette* chosen = liq_get_palette(result.get());
  palette.clear();
  for (unsigned e = 0; e < chosen->count; ++e) {
    const liq_color c = chosen->entries[e];
    palette.insert(palette.end(), {c.r, c.g, c.b, c.a});
  }
  return true;
}

}  // namespace tovak::encode
