#include <libimagequant.h>

#include <algorithm>
#include <memory>

#if TOVAK_IMAGEQUANT_OPENMP
#include <omp.h>
#endif

#include "encode/quantise.h"

namespace tovak::encode {
namespace {

struct LiqFree {
  void operator()(liq_attr* p) const { liq_attr_destroy(p); }
  void operator()(liq_image* p) const { liq_image_destroy(p); }
  void operator()(liq_result* p) const { liq_result_destroy(p); }
};

// libimagequant's speed, 1 (slowest) to 10. On the batch of
// scripts/bench-quantise.sh, 6 keeps every picture's PSNR at or above
// ImageMagick's quantiser's in about half its time; its default, 4, took
// more time than ImageMagick on more pictures for a few hundredths of a dB,
// and 8 fell below ImageMagick's PSNR on some.
constexpr int kSpeed = 6;

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

// libimagequant gives entries of no alpha a colour of its own, which any
// later blending, or a format without alpha, would show: each takes the
// average colour of the pixels that were given it instead.
void ColourTransparentEntries(const std::uint8_t* rgba, const std::vector<std::uint8_t>& indices,
                              std::vector<std::uint8_t>& palette) {
  std::vector<std::uint64_t> sums(palette.size(), 0);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    std::uint64_t* sum = &sums[4 * std::size_t{indices[i]}];
    for (int c = 0; c < 3; ++c) sum[c] += rgba[4 * i + c];
    ++sum[3];
  }
  for (std::size_t e = 0; e < palette.size(); e += 4) {
    if (palette[e + 3] != 0 || sums[e + 3] == 0) continue;
    for (int c = 0; c < 3; ++c) palette[e + c] = static_cast<std::uint8_t>((sums[e + c] + sums[e + 3] / 2) / sums[e + 3]);
  }
}

}  // namespace

bool CanQuantise() { return true; }

bool Quantise(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
              std::uint32_t colours, const gim::FormatDescription& entry_format, bool dither,
              std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& palette) {
#if TOVAK_IMAGEQUANT_OPENMP
  omp_set_num_threads(1);
#endif
  const std::unique_ptr<liq_attr, LiqFree> attr(liq_attr_create());
  if (!attr || liq_set_max_colors(attr.get(), static_cast<int>(colours)) != LIQ_OK ||
      liq_set_min_posterization(attr.get(), PosterizationBits(entry_format)) != LIQ_OK ||
      liq_set_speed(attr.get(), kSpeed) != LIQ_OK) {
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
  ColourTransparentEntries(rgba, indices, palette);
  return true;
}

}  // namespace tovak::encode
