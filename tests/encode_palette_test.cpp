// Palettes the encoder is given or makes: a kept palette written byte for
// byte, each pixel on its nearest entry measured in the entries' precision
// (alpha included); palettes chosen by the quantiser in the precision of a
// 16-bit entry format; error diffusion keeping a gradient's local averages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "encode/encode.h"
#include "encode/quantise.h"
#include "support/core_decode.h"

namespace tovak::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes EncodeOrFail(const encode::SourcePicture& picture, const encode::EncodeOptions& options) {
  Bytes file;
  const encode::Outcome outcome = encode::Encode(picture, options, file);
  EXPECT_EQ(outcome.failure, encode::Failure::kNone) << encode::FailureText(outcome.failure);
  return file;
}

// Stored entries in the file's palette block, which follows the image
// block at 48.
Bytes StoredEntries(const Bytes& file, std::size_t bytes) {
  const std::size_t palette = 48 + (file[56] | file[57] << 8 | file[58] << 16 | std::size_t{file[59]} << 24);
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(palette + 80),
               file.begin() + static_cast<std::ptrdiff_t>(palette + 80 + bytes));
}

TEST(EncodePalette, KeptEntriesStayAndEachPixelTakesTheNearestInTheirPrecision) {
  const struct {
    const char* name;
    std::uint16_t format;
    Bytes entries;             // stored
    std::uint8_t pixel[4];     // RGBA
    std::uint8_t want;
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
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto count = static_cast<std::uint32_t>(c.entries.size() / (c.format == gim::kRgba8888 ? 4 : 2));
    for (const std::uint16_t format : {gim::kIndex4, gim::kIndex8}) {
      encode::EncodeOptions options;
      options.format = format;
      options.kept_palette = encode::KeptPalette{c.format, c.entries.data(), count};
      const Bytes file = EncodeOrFail({1, 1, c.pixel}, options);
      const CoreDecoded d = DecodeWithCore(file);
      ASSERT_EQ(d.indices.size(), 1u);
      EXPECT_EQ(d.indices[0], c.want);
      // The kept palette keeps its size and its bytes.
      EXPECT_EQ(d.palette.size(), 4u * count);
      EXPECT_EQ(StoredEntries(file, c.entries.size()), c.entries);
    }
  }
}

TEST(EncodePalette, KeptPalettesOfNoEntriesOrAnotherFormatAreRefused) {
  const std::uint8_t pixel[4] = {};
  const std::uint8_t entries[8] = {};
  const struct {
    const char* name;
    encode::KeptPalette kept;
    encode::Failure failure;
  } cases[] = {
      {"no entries", {gim::kRgba8888, entries, 0}, encode::Failure::kPaletteSize},
      {"257 entries", {gim::kRgba8888, entries, 257}, encode::Failure::kPaletteSize},
      {"DXT1 entries", {gim::kDxt1, entries, 1}, encode::Failure::kPaletteFormat},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    encode::EncodeOptions options;
    options.format = gim::kIndex8;
    options.kept_palette = c.kept;
    Bytes file(4, 1);
    EXPECT_EQ(encode::Encode({1, 1, pixel}, options, file).failure, c.failure);
    EXPECT_TRUE(file.empty());
  }
}

// A horizontal gradient of every red value, green and alpha falling, blue
// in steps down the rows: more colours than INDEX8 holds.
Bytes Gradient(std::uint32_t width, std::uint32_t height) {
  Bytes rgba;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(x * 255 / (width - 1)),
                               static_cast<std::uint8_t>(255 - x * 255 / (width - 1)),
                               static_cast<std::uint8_t>(y * 255 / (height - 1)),
                               static_cast<std::uint8_t>(255 - x * 128 / width)});
    }
  }
  return rgba;
}

double Psnr(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
  return 10 * std::log10(255.0 * 255.0 * a.size() / sum);
}

// How far the averages of 8 x 8 squares lie from the source's, over the
// first `channels` channels: what error diffusion keeps and plain rounding
// loses on a gradient.
double SquareAverageError(const Bytes& a, const Bytes& b, std::uint32_t width, std::uint32_t height,
                          int channels) {
  double error = 0;
  for (std::uint32_t sy = 0; sy < height; sy += 8) {
    for (std::uint32_t sx = 0; sx < width; sx += 8) {
      for (int c = 0; c < channels; ++c) {
        double sum = 0;
        for (std::uint32_t y = sy; y < sy + 8; ++y) {
          for (std::uint32_t x = sx; x < sx + 8; ++x) {
            const std::size_t at = (std::size_t{y} * width + x) * 4 + c;
            sum += double(a[at]) - b[at];
          }
        }
        error += std::abs(sum / 64);
      }
    }
  }
  return error;
}

TEST(EncodePalette, TheQuantiserChoosesEntriesInTheEntryFormatsPrecision) {
  if (!encode::CanQuantise()) GTEST_SKIP() << "built without a quantiser";
  const Bytes rgba = Gradient(128, 32);
  const struct {
    std::uint16_t format, palette_format;
    std::uint32_t entries;
    double psnr;  // at least: the gradient's alpha ramp costs RGBA5551 and RGBA5650
  } cases[] = {
      {gim::kIndex8, gim::kRgba8888, 256, 33},
      {gim::kIndex8, gim::kRgba4444, 256, 28},
      {gim::kIndex8, gim::kRgba5551, 256, 15},
      {gim::kIndex4, gim::kRgba8888, 16, 20},
      {gim::kIndex4, gim::kRgba5650, 16, 14},
  };
  for (const auto& c : cases) {
    for (const bool dither : {false, true}) {
      SCOPED_TRACE(std::to_string(c.format) + " palette " + std::to_string(c.palette_format) + (dither ? " dithered" : ""));
      encode::EncodeOptions options;
      options.format = c.format;
      options.palette_format = c.palette_format;
      options.dither = dither;
      const CoreDecoded d = DecodeWithCore(EncodeOrFail({128, 32, rgba.data()}, options));
      ASSERT_EQ(d.palette.size(), 4u * c.entries);
      // Entries chosen among the colours the format holds do not fall
      // together when stored: every entry the pixels use is one of its own.
      // (Dithering moves the entries once more before they are posterized,
      // which may make two alike.)
      std::set<std::uint8_t> used(d.indices.begin(), d.indices.end());
      std::set<std::vector<std::uint8_t>> colours;
      for (const std::uint8_t i : used) colours.insert(Bytes(&d.palette[4 * i], &d.palette[4 * i + 4]));
      if (!dither) EXPECT_EQ(colours.size(), used.size());
      EXPECT_GT(used.size(), c.entries * 3 / 4);
      EXPECT_GE(Psnr(d.rgba, rgba), c.psnr);
    }
  }
}

// Error diffusion keeps a gradient's local averages, where rounding each
// pixel on its own leaves bands: for the 16-bit direct formats, and for a
// quantised INDEX4 picture.
TEST(EncodePalette, DitheringKeepsLocalAverages) {
  const Bytes rgba = Gradient(256, 32);
  std::vector<std::uint16_t> formats = {gim::kRgba5650, gim::kRgba5551, gim::kRgba4444};
  if (encode::CanQuantise()) formats.push_back(gim::kIndex4);
  for (const std::uint16_t format : formats) {
    SCOPED_TRACE(format);
    double error[2] = {};
    for (const bool dither : {false, true}) {
      encode::EncodeOptions options;
      options.format = format;
      options.dither = dither;
      const CoreDecoded d = DecodeWithCore(EncodeOrFail({256, 32, rgba.data()}, options));
      // RGBA5650 holds no alpha to diffuse.
      error[dither] = SquareAverageError(d.rgba, rgba, 256, 32, format == gim::kRgba5650 ? 3 : 4);
    }
    EXPECT_LT(error[1], error[0] * 0.6) << error[1] << " dithered, " << error[0] << " rounded";
  }
}

}  // namespace
}  // namespace tovak::test
