// PSNR over all four channels of two PNG pictures of one size, both read as
// 8-bit RGBA by libspng: 10 log10(255^2 / the mean squared difference of
// every red, green, blue and alpha sample), "inf" for identical pictures;
// then the sum of squared differences and the number of samples, from which
// a batch's PSNR is made.
//
//   png_psnr REFERENCE.png OTHER.png
#include <spng.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

bool ReadRgba(const char* path, std::vector<unsigned char>& rgba, spng_ihdr& ihdr) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  spng_ctx* ctx = spng_ctx_new(0);
  std::size_t size = 0;
  const bool ok = ctx != nullptr && spng_set_png_buffer(ctx, file.data(), file.size()) == 0 &&
                  spng_get_ihdr(ctx, &ihdr) == 0 &&
                  spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0 &&
                  (rgba.resize(size), spng_decode_image(ctx, rgba.data(), size, SPNG_FMT_RGBA8,
                                                        SPNG_DECODE_TRNS) == 0);
  spng_ctx_free(ctx);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: png_psnr REFERENCE.png OTHER.png\n");
    return 2;
  }
  std::vector<unsigned char> a, b;
  spng_ihdr ia{}, ib{};
  if (!ReadRgba(argv[1], a, ia) || !ReadRgba(argv[2], b, ib)) {
    std::fprintf(stderr, "png_psnr: cannot read the pictures\n");
    return 1;
  }
  if (ia.width != ib.width || ia.height != ib.height) {
    std::fprintf(stderr, "png_psnr: the pictures differ in size\n");
    return 1;
  }
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += double(a[i] - b[i]) * double(a[i] - b[i]);
  if (sum == 0) {
    std::printf("inf");
  } else {
    std::printf("%.2f", 10 * std::log10(255.0 * 255.0 * double(a.size()) / sum));
  }
  std::printf(" %.0f %zu\n", sum, a.size());
  return 0;
}
