#include "decode/reduce.h"

#include "decode/colour.h"
#include "gim/container.h"

namespace tovak::decode {
namespace {

// Row r's output starts d = r * (input_stride - output_stride) bytes before its
// input and grows 3 bytes a pixel against 2, so neither direction alone is
// safe after row 0. Pixel x's output covers no unread input word when taken
// right to left for x >= d, and left to right for the pixels x < d that
// remain: the two sweeps together read every word before it is overwritten,
// with no scratch row.
template <Bgra (*Convert)(std::uint16_t), bool kBlend>
void Reduce16(std::uint8_t* bits, std::uint64_t width, std::uint64_t height,
              std::uint64_t input_stride, std::uint64_t output_stride,
              const BlendSettings& settings) {
  for (std::uint64_t r = 0; r < height; ++r) {
    const std::uint8_t* in = bits + r * input_stride;
    std::uint8_t* out = bits + r * output_stride;
    const auto pixel = [&](std::uint64_t x) {
      Bgra c = Convert(LoadWord(in + 2 * x));
      if constexpr (kBlend) c = Blend(c, settings);
      out[3 * x] = c.b;
      out[3 * x + 1] = c.g;
      out[3 * x + 2] = c.r;
    };
    const std::uint64_t lead = r * (input_stride - output_stride);
    const std::uint64_t split = lead < width ? lead : width;
    for (std::uint64_t x = width; x > split; --x) pixel(x - 1);
    for (std::uint64_t x = 0; x < split; ++x) pixel(x);
  }
}

template <Bgra (*Convert)(std::uint16_t)>
void Reduce16(std::uint8_t* bits, std::uint64_t width, std::uint64_t height,
              std::uint64_t input_stride, std::uint64_t output_stride,
              const BlendSettings& settings, bool blend) {
  if (blend) {
    Reduce16<Convert, true>(bits, width, height, input_stride, output_stride, settings);
  } else {
    Reduce16<Convert, false>(bits, width, height, input_stride, output_stride, settings);
  }
}

}  // namespace

bool Has16BitRule(std::uint16_t image_format) {
  return image_format <= gim::kRgba4444;
}

void Reduce16To24(std::uint8_t* bits, std::int32_t width, std::int32_t height,
                  std::uint64_t input_stride, std::uint64_t output_stride,
                  std::uint16_t image_format, const BlendSettings& settings) {
  if (width <= 0 || height <= 0 || output_stride > input_stride) return;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  switch (image_format) {
    case gim::kRgba5650:  // no alpha: never blended
      Reduce16<From5650>(bits, w, h, input_stride, output_stride, settings, false);
      break;
    case gim::kRgba5551:
      Reduce16<From5551>(bits, w, h, input_stride, output_stride, settings,
                         settings.alpha_blend);
      break;
    case gim::kRgba4444:
      Reduce16<From4444>(bits, w, h, input_stride, output_stride, settings,
                         settings.alpha_blend);
      break;
    default:
      break;
  }
}

void Reduce32To24(std::uint8_t* bits, std::int32_t width, std::int32_t height,
                  std::uint64_t input_stride, std::uint64_t output_stride,
                  const BlendSettings& settings) {
  if (width <= 0 || height <= 0 || output_stride > input_stride) return;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  // Left to right is safe in place: each pixel's three output bytes end
  // before the next pixel's four input bytes begin.
  for (std::uint64_t r = 0; r < h; ++r) {
    const std::uint8_t* in = bits + r * input_stride;
    std::uint8_t* out = bits + r * output_stride;
    for (std::uint64_t x = 0; x < w; ++x) {
      const Bgra c = Blend(From8888(in + 4 * x), settings);
      out[3 * x] = c.b;
      out[3 * x + 1] = c.g;
      out[3 * x + 2] = c.r;
    }
  }
}

}  // namespace tovak::decode
