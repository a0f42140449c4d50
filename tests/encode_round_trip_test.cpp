// Encoded pictures decoded back through the core, in every format, both byte
// orders and both pixel orders, at odd sizes: RGBA8888 and the indexed
// formats give back exactly the picture, the 16-bit formats the nearest
// colour each can hold, DXT exactly what libsquish's decompression of its
// own compression gives.
#include <gtest/gtest.h>
#include <squish.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "encode/encode.h"
#include "fixture/gim_writer.h"
#include "support/core_decode.h"
#include "support/random.h"

namespace tovak::test {
namespace {

using Bytes = std::vector<std::uint8_t>;


struct Size {
  std::uint32_t width, height;
};
constexpr Size kOddSizes[] = {{1, 1}, {7, 13}, {33, 20}};

// Random pixels; the first 256 take every channel value once, so that each
// rounding is met.
Bytes Pixels(Size s, Random& random) {
  Bytes rgba(std::size_t{4} * s.width * s.height);
  for (std::size_t i = 0; i < rgba.size(); ++i) {
    rgba[i] = i < 1024 ? static_cast<std::uint8_t>(i / 4 + 85 * (i % 4)) : random.Byte();
  }
  return rgba;
}

// Whether an n-bit channel that shows `shown` for v keeps the nearest colour
// it can: of the 2^n values the channel can show, each q widened to
// round(q * 255 / (2^n - 1)), `shown` is one and none lies nearer to v (two
// may lie equally near). A format without the channel shows it full.
::testing::AssertionResult IsNearest(int shown, int v, int n) {
  if (n == 0) {
    return shown == 255 ? ::testing::AssertionSuccess()
                        : ::testing::AssertionFailure() << shown << " for a channel the format lacks";
  }
  const int max = (1 << n) - 1;
  bool representable = false;
  int nearest = 255;
  for (int q = 0; q <= max; ++q) {
    const int value = static_cast<int>(std::lround(q * 255.0 / max));
    representable = representable || value == shown;
    nearest = std::min(nearest, std::abs(value - v));
  }
  if (representable && std::abs(shown - v) == nearest) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << shown << " for " << v << " in " << n << " bits";
}

std::string Trace(const char* format, bool be, bool swizzled, Size s) {
  return std::string(format) + (be ? " big-endian" : " little-endian") +
         (swizzled ? " swizzled " : " normal ") + std::to_string(s.width) + "x" +
         std::to_string(s.height);
}

CoreDecoded EncodeAndDecode(const encode::SourcePicture& picture,
                            const encode::EncodeOptions& options) {
  Bytes file;
  const encode::Outcome outcome = encode::Encode(picture, options, file);
  EXPECT_EQ(outcome.failure, encode::Failure::kNone) << encode::FailureText(outcome.failure);
  CoreDecoded decoded = DecodeWithCore(file);
  EXPECT_TRUE(decoded.recognised);
  EXPECT_EQ(decoded.failure, decode::Failure::kNone) << decode::FailureText(decoded.failure);
  EXPECT_EQ(decoded.width, picture.width);
  EXPECT_EQ(decoded.height, picture.height);
  return decoded;
}

struct DirectCase {
  std::uint16_t format;
  const char* name;
  int bits[4];  // red, green, blue, alpha
};

constexpr DirectCase kDirect[] = {
    {gim::kRgba8888, "RGBA8888", {8, 8, 8, 8}},
    {gim::kRgba5650, "RGBA5650", {5, 6, 5, 0}},
    {gim::kRgba5551, "RGBA5551", {5, 5, 5, 1}},
    {gim::kRgba4444, "RGBA4444", {4, 4, 4, 4}},
};

TEST(EncodeRoundTrip, DirectColourGivesTheNearestColourEachFormatHolds) {
  Random random;
  for (const DirectCase& c : kDirect) {
    for (const bool be : {false, true}) {
      for (const bool swizzled : {false, true}) {
        for (const Size s : kOddSizes) {
          SCOPED_TRACE(Trace(c.name, be, swizzled, s));
          const Bytes rgba = Pixels(s, random);
          encode::EncodeOptions options;
          options.format = c.format;
          options.big_endian = be;
          options.swizzled = swizzled;
          const CoreDecoded d = EncodeAndDecode({s.width, s.height, rgba.data()}, options);
          ASSERT_EQ(d.rgba.size(), rgba.size());
          for (std::size_t i = 0; i < rgba.size(); ++i) {
            ASSERT_TRUE(IsNearest(d.rgba[i], rgba[i], c.bits[i % 4])) << "byte " << i;
          }
        }
      }
    }
  }
}

constexpr std::uint16_t kIndexed[] = {gim::kIndex4, gim::kIndex8};

std::uint32_t Capacity(std::uint16_t format) { return format == gim::kIndex4 ? 16 : 256; }

// A paletted picture keeps its indices and its palette, whatever its
// palette's size up to the format's.
TEST(EncodeRoundTrip, IndexedKeepsAPalettedPicturesIndicesAndPalette) {
  Random random;
  for (const std::uint16_t format : kIndexed) {
    for (const std::uint32_t entries : {Capacity(format), 5u}) {
      for (const bool be : {false, true}) {
        for (const bool swizzled : {false, true}) {
          for (const Size s : kOddSizes) {
            SCOPED_TRACE(Trace(format == gim::kIndex4 ? "INDEX4" : "INDEX8", be, swizzled, s) +
                         " " + std::to_string(entries) + " entries");
            Bytes palette(std::size_t{4} * entries);
            for (std::uint8_t& b : palette) b = random.Byte();
            Bytes indices(std::size_t{s.width} * s.height);
            for (std::uint8_t& i : indices) i = static_cast<std::uint8_t>(random.Byte() % entries);
            encode::EncodeOptions options;
            options.format = format;
            options.big_endian = be;
            options.swizzled = swizzled;
            const CoreDecoded d = EncodeAndDecode(
                {s.width, s.height, nullptr, indices.data(), palette.data(), entries}, options);
            EXPECT_EQ(d.indices, indices);
            // Stored whole, the unused entries zero.
            palette.resize(std::size_t{4} * Capacity(format), 0);
            EXPECT_EQ(d.palette, palette);
          }
        }
      }
    }
  }
}

// A truecolour picture of few enough colours: its colours in the order they
// first appear, and its pixels exactly.
TEST(EncodeRoundTrip, IndexedListsATruecolourPicturesColoursInFirstSeenOrder) {
  Random random;
  for (const std::uint16_t format : kIndexed) {
    for (const bool be : {false, true}) {
      for (const bool swizzled : {false, true}) {
        for (const Size s : kOddSizes) {
          SCOPED_TRACE(Trace(format == gim::kIndex4 ? "INDEX4" : "INDEX8", be, swizzled, s));
          Bytes colours(std::size_t{4} * Capacity(format));
          for (std::uint8_t& b : colours) b = random.Byte();
          Bytes rgba;
          Bytes first_seen;
          for (std::uint32_t i = 0; i < s.width * s.height; ++i) {
            const std::size_t k = random.Byte() % Capacity(format);
            const Bytes c(colours.begin() + 4 * k, colours.begin() + 4 * k + 4);
            rgba.insert(rgba.end(), c.begin(), c.end());
            bool seen = false;
            for (std::size_t e = 0; e < first_seen.size() && !seen; e += 4) {
              seen = Bytes(first_seen.begin() + e, first_seen.begin() + e + 4) == c;
            }
            if (!seen) first_seen.insert(first_seen.end(), c.begin(), c.end());
          }
          encode::EncodeOptions options;
          options.format = format;
          options.big_endian = be;
          options.swizzled = swizzled;
          const CoreDecoded d = EncodeAndDecode({s.width, s.height, rgba.data()}, options);
          EXPECT_EQ(d.rgba, rgba);
          first_seen.resize(std::size_t{4} * Capacity(format), 0);
          EXPECT_EQ(d.palette, first_seen);
        }
      }
    }
  }
}

TEST(EncodeRoundTrip, PaletteEntriesTakeTheNearestColourOfTheirFormat) {
  Random random;
  for (const DirectCase& c : kDirect) {
    for (const bool be : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (be ? " big-endian" : " little-endian"));
      Bytes palette(1024);
      for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = static_cast<std::uint8_t>(i / 4 + 85 * (i % 4));
      Bytes indices(16 * 16);
      for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<std::uint8_t>(i);
      encode::EncodeOptions options;
      options.format = gim::kIndex8;
      options.palette_format = c.format;
      options.big_endian = be;
      const CoreDecoded d =
          EncodeAndDecode({16, 16, nullptr, indices.data(), palette.data(), 256}, options);
      EXPECT_EQ(d.indices, indices);
      ASSERT_EQ(d.palette.size(), palette.size());
      for (std::size_t i = 0; i < palette.size(); ++i) {
        ASSERT_TRUE(IsNearest(d.palette[i], palette[i], c.bits[i % 4])) << "byte " << i;
      }
    }
  }
}

// What decoding must show of a DXT picture. Normal order: libsquish's
// decompression of its compression of the picture. Swizzled order: the
// decoded plane, the padded width of texels across, is the picture's
// swizzled plane, so each of its blocks is compressed from the pixels that
// the fixture's swizzle puts there (the rest masked out) and decompressed
// back to them.
Bytes SquishReference(const Bytes& rgba, Size s, int flags, bool swizzled, std::uint32_t pad_to) {
  Bytes out(rgba.size());
  const int w = static_cast<int>(s.width), h = static_cast<int>(s.height);
  if (!swizzled) {
    Bytes blocks(static_cast<std::size_t>(squish::GetStorageRequirements(w, h, flags)));
    squish::CompressImage(rgba.data(), w, h, blocks.data(), flags);
    squish::DecompressImage(out.data(), w, h, blocks.data(), flags);
    return out;
  }
  // Each texel of the plane numbers its pixel (0: none), then swizzled.
  const std::uint32_t padded = (s.width + pad_to - 1) / pad_to * pad_to;
  Bytes numbers(std::size_t{padded} * 4 * s.height, 0);
  for (std::uint32_t y = 0; y < s.height; ++y) {
    for (std::uint32_t x = 0; x < s.width; ++x) {
      const std::uint32_t n = y * s.width + x + 1;
      fixture::PutU32(numbers, (std::size_t{y} * padded + x) * 4, n, false);
    }
  }
  const Bytes plane = fixture::Swizzle(numbers, std::size_t{padded} * 4, s.height);
  for (std::uint32_t by = 0; by < s.height / 4; ++by) {
    for (std::uint32_t bx = 0; bx < padded / 4; ++bx) {
      std::uint8_t texels[64] = {};
      std::uint32_t pixel[16] = {};
      int mask = 0;
      for (int t = 0; t < 16; ++t) {
        const std::size_t at = ((std::size_t{by} * 4 + t / 4) * padded + bx * 4 + t % 4) * 4;
        pixel[t] = plane[at] | plane[at + 1] << 8 | plane[at + 2] << 16 | std::uint32_t{plane[at + 3]} << 24;
        if (pixel[t] == 0) continue;
        std::copy_n(&rgba[(pixel[t] - 1) * 4], 4, &texels[4 * t]);
        mask |= 1 << t;
      }
      std::uint8_t block[16];
      squish::CompressMasked(texels, mask, block, flags);
      squish::Decompress(texels, block, flags);
      for (int t = 0; t < 16; ++t) {
        if (pixel[t] != 0) std::copy_n(&texels[4 * t], 4, &out[(pixel[t] - 1) * 4]);
      }
    }
  }
  return out;
}

struct DxtCase {
  std::uint16_t format;
  const char* name;
  int flags;
  std::uint32_t pad_to;  // pixels a decoded row is padded to
};

constexpr DxtCase kDxt[] = {
    {gim::kDxt1, "DXT1", squish::kDxt1, 8},
    {gim::kDxt3, "DXT3", squish::kDxt3, 4},
    {gim::kDxt5, "DXT5", squish::kDxt5, 4},
};

// Swizzled DXT pictures are whole tile rows high; at 64 wide a block row
// is whole tiles, which are written tile by tile.
constexpr Size kSwizzledDxtSizes[] = {{1, 8}, {7, 16}, {33, 24}, {64, 16}};

TEST(EncodeRoundTrip, DxtGivesLibsquishsDecompressionOfItsCompression) {
  Random random;
  for (const DxtCase& c : kDxt) {
    for (const bool be : {false, true}) {
      for (const bool swizzled : {false, true}) {
        for (const Size s : swizzled ? std::span<const Size>(kSwizzledDxtSizes)
                                     : std::span<const Size>(kOddSizes)) {
          SCOPED_TRACE(Trace(c.name, be, swizzled, s));
          const Bytes rgba = Pixels(s, random);
          encode::EncodeOptions options;
          options.format = c.format;
          options.big_endian = be;
          options.swizzled = swizzled;
          const CoreDecoded d = EncodeAndDecode({s.width, s.height, rgba.data()}, options);
          EXPECT_EQ(d.rgba, SquishReference(rgba, s, c.flags | squish::kColourClusterFit, swizzled, c.pad_to));
        }
      }
    }
  }
}

TEST(EncodeRoundTrip, DxtQualityIsLibsquishsFit) {
  const struct {
    encode::DxtQuality quality;
    int fit;
  } fits[] = {{encode::DxtQuality::kRangeFit, squish::kColourRangeFit},
              {encode::DxtQuality::kClusterFit, squish::kColourClusterFit},
              {encode::DxtQuality::kIterativeClusterFit, squish::kColourIterativeClusterFit}};
  Random random;
  const Size s{33, 20};
  const Bytes rgba = Pixels(s, random);
  for (const auto& fit : fits) {
    SCOPED_TRACE(fit.fit);
    encode::EncodeOptions options;
    options.format = gim::kDxt1;
    options.dxt_quality = fit.quality;
    const CoreDecoded d = EncodeAndDecode({s.width, s.height, rgba.data()}, options);
    EXPECT_EQ(d.rgba, SquishReference(rgba, s, squish::kDxt1 | fit.fit, false, 8));
  }
}

}  // namespace
}  // namespace tovak::test
