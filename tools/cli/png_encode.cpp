#include "tools/cli/png_encode.h"

#include <spng.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace tovak::cli {
namespace {

struct ContextFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

std::uint64_t RowBytes(const PngPicture& p) {
  switch (p.colour) {
    case PngColour::kRgb: return std::uint64_t{p.width} * 3;
    case PngColour::kRgba: return std::uint64_t{p.width} * 4;
    case PngColour::kIndexed: return (std::uint64_t{p.width} * p.bit_depth + 7) / 8;
  }
  return 0;
}

// The palette takes every entry an index of the bit depth can reach, so that
// no index lies outside it; entries the picture has no colour for are opaque
// black. tRNS stops after the last entry that is not opaque.
int SetPalette(spng_ctx* ctx, const PngPicture& p) {
  spng_plte plte{};
  spng_trns trns{};
  plte.n_entries = 1u << p.bit_depth;
  const std::size_t entry_bytes = p.palette_alpha ? 4 : 3;
  for (std::uint32_t k = 0; k < plte.n_entries; ++k) {
    spng_plte_entry& e = plte.entries[k];
    trns.type3_alpha[k] = 255;
    if (k >= p.palette_entries) continue;
    const std::uint8_t* c = p.palette + entry_bytes * k;
    e.red = c[0];
    e.green = c[1];
    e.blue = c[2];
    if (p.palette_alpha) trns.type3_alpha[k] = c[3];
    if (trns.type3_alpha[k] != 255) trns.n_type3_entries = k + 1;
  }
  int error = spng_set_plte(ctx, &plte);
  if (error == 0 && trns.n_type3_entries != 0) error = spng_set_trns(ctx, &trns);
  return error;
}

// Chosen on a batch of 256 to 1024 pixel textures (gradients with noise).
// Picking each row's filter among all five costs more CPU than deflate at a
// low level, and there gave larger files than the Up filter alone; level 4 is
// zlib's first with lazy matching. Small is libspng's most thorough setting.
// Palette indexes are never filtered: libspng leaves them as they are.
int SetCompression(spng_ctx* ctx, PngCompression compression) {
  struct Deflate {
    int level, filters;
  };
  const Deflate d = compression == PngCompression::kFast      ? Deflate{1, SPNG_FILTER_CHOICE_UP}
                    : compression == PngCompression::kDefault ? Deflate{4, SPNG_FILTER_CHOICE_UP}
                                                              : Deflate{9, SPNG_FILTER_CHOICE_ALL};
  int error = spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, d.level);
  if (error == 0) error = spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, Z_DEFAULT_STRATEGY);
  if (error == 0) error = spng_set_option(ctx, SPNG_FILTER_CHOICE, d.filters);
  return error;
}

}  // namespace

std::string EncodePng(const PngPicture& p, PngCompression compression,
                      std::vector<std::uint8_t>& png) {
  if (p.width == 0 || p.height == 0) return "a picture of no pixels has no PNG";
  std::unique_ptr<spng_ctx, ContextFree> owner(spng_ctx_new(SPNG_CTX_ENCODER));
  spng_ctx* ctx = owner.get();
  if (ctx == nullptr) return "out of memory";

  spng_ihdr ihdr{};
  ihdr.width = p.width;
  ihdr.height = p.height;
  ihdr.bit_depth = p.bit_depth;
  ihdr.color_type = p.colour == PngColour::kRgb    ? SPNG_COLOR_TYPE_TRUECOLOR
                    : p.colour == PngColour::kRgba ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA
                                                   : SPNG_COLOR_TYPE_INDEXED;
  int error = spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  if (error == 0) error = SetCompression(ctx, compression);
  if (error == 0) error = spng_set_ihdr(ctx, &ihdr);
  if (error == 0 && p.colour == PngColour::kIndexed) error = SetPalette(ctx, p);
  if (error == 0) {
    error = spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG,
                              SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
  }

  const auto row_bytes = static_cast<std::size_t>(RowBytes(p));
  for (std::uint32_t y = 0; error == 0 && y < p.height; ++y) {
    const std::uint8_t* row = p.first_row + static_cast<std::ptrdiff_t>(y) * p.step;
    // Scanlines, not rows: the pictures are not interlaced, and
    // spng_encode_row wants a byte per pixel even at 4 bits.
    error = spng_encode_scanline(ctx, row, row_bytes);
  }
  // The last scanline answers SPNG_EOI: the image is complete and finalised.
  if (error != SPNG_EOI) return error == 0 ? "rows missing" : spng_strerror(error);

  std::size_t size = 0;
  void* buffer = spng_get_png_buffer(ctx, &size, &error);
  if (buffer == nullptr) return spng_strerror(error);
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  png.assign(bytes, bytes + size);
  std::free(buffer);
  return {};
}

}  // namespace tovak::cli
