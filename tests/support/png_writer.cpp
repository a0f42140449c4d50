#include "support/png_writer.h"

#include <spng.h>

#include <cstdlib>

namespace tovak::test {

std::vector<std::uint8_t> MakePng(std::uint32_t width, std::uint32_t height,
                                  std::uint8_t colour_type, std::uint8_t depth,
                                  const std::vector<std::uint8_t>& rows,
                                  const std::vector<std::uint8_t>& rgba_palette) {
  spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr ihdr{};
  ihdr.width = width;
  ihdr.height = height;
  ihdr.bit_depth = depth;
  ihdr.color_type = colour_type;
  spng_set_ihdr(ctx, &ihdr);
  if (!rgba_palette.empty()) {
    spng_plte plte{};
    spng_trns trns{};
    plte.n_entries = static_cast<std::uint32_t>(rgba_palette.size() / 4);
    for (std::uint32_t k = 0; k < plte.n_entries; ++k) {
      plte.entries[k] = {rgba_palette[4 * k], rgba_palette[4 * k + 1], rgba_palette[4 * k + 2], 0};
      trns.type3_alpha[k] = rgba_palette[4 * k + 3];
    }
    trns.n_type3_entries = plte.n_entries;
    spng_set_plte(ctx, &plte);
    spng_set_trns(ctx, &trns);
  }
  std::vector<std::uint8_t> png;
  if (spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
    std::size_t size = 0;
    int error = 0;
    auto* buffer = static_cast<std::uint8_t*>(spng_get_png_buffer(ctx, &size, &error));
    if (buffer != nullptr) png.assign(buffer, buffer + size);
    std::free(buffer);
  }
  spng_ctx_free(ctx);
  return png;
}

}  // namespace tovak::test
