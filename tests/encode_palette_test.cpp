// Palettes the encoder is given or makes: a kept palette written byte for
// byte, each pixel on its nearest entry measured in the entries' precision
// (alpha included), and kept palettes it cannot write refused; palettes
// chosen by the quantiser in the precision of a 16-bit entry format; error
// diffusion keeping a gradient's local averages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "encode/encode.h"
#include "encode/quantise.h"
#include "support/core_decode.h"

namespace tovak::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(EncodePalette, KeptEntriesStayAndEachPixelTakesTheNearestInTheirPrecision) {
  const struct {
    const char* name;
    std::uint16_t format;
    Bytes entries;          // stored
    std::uint8_t pixel[4];  // RGBA
    int want;               // the index, or -1: refused with `failure`
    encode::Failure failure;
  } cases[] = {
      {"an entry's own colour", gim::kRgba8888, {9, 9, 9, 255, 10, 10, 10, 255}, {10, 10, 10, 255}, 1},
      {"the first of equal entries", gim::kRgba8888, {1, 2, 3, 4, 1, 2, 3, 4}, {1, 2, 3, 4}, 0},
      {"alpha counts", gim::kRgba8888, {255, 0, 0, 255, 0, 0, 0, 0}, {200, 0, 0, 0}, 1},
      // 5-bit 3 widens to 25 (not 24): the pixel as converted is exact.
      {"a 16-bit entry's widened colour", gim::kRgba5650, {0x43, 0x10, 0x42, 0x10}, {25, 8, 16, 255}, 0},
      // RGBA5650 entries are opaque: the pixel's alpha cannot tell them apart.
      {"no alpha in RGBA5650", gim::kRgba5650, {0x00, 0x00, 0xFF, 0xFF}, {10, 10, 10, 0}, 0},
      // Alpha 127 is stored as 0 in one bit: the transparent grey (66, the
      // 5-bit 8) is nearer than opaque black, which 8 bits would choose.
      {"RGBA5551's one bit of alpha", gim::kRgba5551, {0x00, 0x80, 0x08, 0x21}, {0, 0, 0, 127}, 1},
      {"no entries", gim::kRgba8888, {}, {}, -1, encode::Failure::kPaletteSize},
      {"257 entries", gim::kRgba8888, Bytes(257 * 4), {}, -1, encode::Failure::kPaletteSize},
      {"DXT1 entries", gim::kDxt1, Bytes(8), {}, -1, encode::Failure::kPaletteFormat},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto count = static_cast<std::uint32_t>(c.entries.size() / (c.format == gim::kRgba5650 || c.format == gim::kRgba5551 ? 2 : 4));
    for (const std::uint16_t format : {gim::kIndex4, gim::kIndex8}) {
      encode::EncodeOptions options;
      options.format = format;
      options.kept_palette = encode::KeptPalette{c.format, c.entries.data(), count};
      Bytes file(4, 1);
      ASSERT_EQ(encode::Encode({1, 1, c.pixel}, options, file).failure, c.want < 0 ? c.failure : encode::Failure::kNone);
      if (c.want < 0) {
        EXPECT_TRUE(file.empty());
        continue;
      }
      const CoreDecoded d = DecodeWithCore(file);
      EXPECT_EQ(d.indices, Bytes{static_cast<std::uint8_t>(c.want)});
      // The kept palette keeps its size and its bytes: its entries start 80
      // bytes into the palette block, which follows the image block at 48.
      EXPECT_EQ(d.palette.size(), 4u * count);
      const std::size_t entries = 48 + 80 + (file[56] | file[57] << 8 | file[58] << 16 | std::size_t{file[59]} << 24);
      EXPECT_EQ(Bytes(file.begin() + entries, file.begin() + entries + c.entries.size()), c.entries);
    }
  }
}

// A 256 x 32 gradient with more colours than INDEX8 holds, each format's
// pixels rounded and diffused. Diffusion keeps the averages of 8 x 8
// squares, where rounding each pixel on its own leaves bands (the channels
// the format stores: RGBA5650 holds no alpha to diffuse). The quantiser
// chooses among the colours the entry format holds, so the entries the
// pixels use do not fall together when stored (dithering moves them once
// more before they are posterized, which may make two alike).
TEST(EncodePalette, GradientsKeepTheirAveragesAndPalettesTheirEntries) {
  constexpr std::uint32_t kWidth = 256, kHeight = 32;
  Bytes rgba;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(255 - x),
                               static_cast<std::uint8_t>(y * 255 / (kHeight - 1)), static_cast<std::uint8_t>(255 - x / 2)});
    }
  }
  const struct {
    std::uint16_t format, palette_format;
    std::uint32_t entries;  // 0: a direct format
    double psnr;            // at least: the alpha ramp costs RGBA5551 and RGBA5650
    bool diffuses;          // averages kept by diffusion, checked
  } cases[] = {
      {gim::kRgba5650, 0, 0, 0, true},  {gim::kRgba5551, 0, 0, 0, true},
      {gim::kRgba4444, 0, 0, 0, true},  {gim::kIndex8, gim::kRgba8888, 256, 33, false},
      {gim::kIndex8, gim::kRgba4444, 256, 28, false}, {gim::kIndex8, gim::kRgba5551, 256, 15, false},
      {gim::kIndex4, gim::kRgba8888, 16, 20, true},   {gim::kIndex4, gim::kRgba5650, 16, 14, false},
  };
  for (const auto& c : cases) {
    if (c.entries != 0 && !encode::CanQuantise()) continue;  // built without a quantiser
    double error[2] = {};
    for (const bool dither : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.format << " palette " << c.palette_format << (dither ? " dithered" : ""));
      encode::EncodeOptions options;
      options.format = c.format;
      if (c.entries != 0) options.palette_format = c.palette_format;
      options.dither = dither;
      Bytes file;
      ASSERT_EQ(encode::Encode({kWidth, kHeight, rgba.data()}, options, file).failure, encode::Failure::kNone);
      const CoreDecoded d = DecodeWithCore(file);
      const int channels = c.format == gim::kRgba5650 ? 3 : 4;
      // Each 8 x 8 square's summed difference from the source, by channel.
      std::vector<double> squares(kWidth / 8 * kHeight / 8 * 4);
      double sum_square = 0;
      for (std::size_t i = 0; i < rgba.size(); ++i) {
        const double diff = double(d.rgba[i]) - rgba[i];
        sum_square += diff * diff;
        if (int(i % 4) < channels) squares[(i / 4 / kWidth / 8 * (kWidth / 8) + i / 4 % kWidth / 8) * 4 + i % 4] += diff;
      }
      for (const double square : squares) error[dither] += std::abs(square / 64);
      if (c.entries == 0) continue;
      ASSERT_EQ(d.palette.size(), 4u * c.entries);
      const std::set<std::uint8_t> used(d.indices.begin(), d.indices.end());
      std::set<Bytes> colours;
      for (const std::uint8_t i : used) colours.insert(Bytes(&d.palette[4 * i], &d.palette[4 * i + 4]));
      if (!dither) EXPECT_EQ(colours.size(), used.size());
      EXPECT_GT(used.size(), c.entries * 3 / 4);
      EXPECT_GE(10 * std::log10(255.0 * 255.0 * rgba.size() / sum_square), c.psnr);
    }
    if (c.diffuses) EXPECT_LT(error[1], error[0] * 0.6) << c.format << ": " << error[1] << " dithered, " << error[0] << " rounded";
  }
}

}  // namespace
}  // namespace tovak::test
