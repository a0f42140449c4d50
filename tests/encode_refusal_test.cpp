// Pictures the encoder refuses, each with its reason and the value that
// caused it, leaving no file.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encode/encode.h"
#include "encode/quantise.h"

namespace tovak::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `colours` distinct colours, each on one pixel, then the first again.
Bytes Colours(std::uint32_t colours, std::uint32_t pixels) {
  Bytes rgba(std::size_t{4} * pixels, 0);
  for (std::uint32_t i = 0; i < pixels; ++i) {
    const std::uint32_t c = i < colours ? i : 0;
    rgba[4 * i] = static_cast<std::uint8_t>(c);
    rgba[4 * i + 1] = static_cast<std::uint8_t>(c >> 8);
    rgba[4 * i + 3] = 255;
  }
  return rgba;
}

TEST(EncodeRefusal, EachBadPictureOrOptionFailsWithItsReasonAndNoFile) {
  const Bytes pixels(4 * 16 * 16, 0x80);
  const std::uint8_t indices[] = {0, 1, 2, 3};
  const std::uint8_t palette[4 * 3] = {};
  const struct {
    const char* name;
    encode::SourcePicture picture;
    std::uint16_t format;
    std::uint16_t palette_format;
    bool swizzled;
    std::vector<std::string> info;
    encode::Failure failure;
    std::uint64_t value;
  } cases[] = {
      {"zero width", {0, 5, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {}, encode::Failure::kNoPixels, 0},
      {"zero height", {5, 0, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {}, encode::Failure::kNoPixels, 0},
      {"width over 65535", {65536, 1, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {}, encode::Failure::kDimensionTooLarge, 65536},
      {"height over 65535", {1, 70000, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {}, encode::Failure::kDimensionTooLarge, 70000},
      // Never read: the size alone is refused.
      {"2 GiB of pixels", {65535, 8193, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {}, encode::Failure::kTooLarge, 0},
      {"format code 6", {16, 16, pixels.data()}, 6, gim::kRgba8888, false, {}, encode::Failure::kNotWritable, 6},
      {"DXT1 palette", {16, 16, pixels.data()}, gim::kIndex8, gim::kDxt1, false, {}, encode::Failure::kPaletteFormat, gim::kDxt1},
      {"index past the palette", {2, 2, nullptr, indices, palette, 3}, gim::kIndex8, gim::kRgba8888, false, {}, encode::Failure::kIndexOutside, 3},
      {"swizzled DXT5 13 high", {16, 13, pixels.data()}, gim::kDxt5, gim::kRgba8888, true, {}, encode::Failure::kSwizzledDxtHeight, 13},
      {"swizzled DXT1 4 high", {16, 4, pixels.data()}, gim::kDxt1, gim::kRgba8888, true, {}, encode::Failure::kSwizzledDxtHeight, 4},
      {"empty info string", {1, 1, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {"a", ""}, encode::Failure::kInfoString, 0},
      {"zero in info string", {1, 1, pixels.data()}, gim::kRgba8888, gim::kRgba8888, false, {std::string("a\0b", 3)}, encode::Failure::kInfoString, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    encode::EncodeOptions options;
    options.format = c.format;
    options.palette_format = c.palette_format;
    options.swizzled = c.swizzled;
    options.info = c.info;
    Bytes file(10, 1);
    const encode::Outcome outcome = encode::Encode(c.picture, options, file);
    EXPECT_EQ(outcome.failure, c.failure) << encode::FailureText(outcome.failure);
    EXPECT_EQ(outcome.value, c.value);
    EXPECT_TRUE(file.empty());
  }
}

// Without a quantiser (a build without libimagequant) a picture of more
// colours than an indexed format holds fails with its count; with one it is
// written.
TEST(EncodeRefusal, TooManyColoursFailOnlyWithoutAQuantiser) {
  const struct {
    const char* name;
    Bytes rgba;
    std::uint32_t width, height;
    std::uint16_t format;
    std::uint64_t colours;
  } cases[] = {
      {"17 colours in INDEX4", Colours(17, 40), 40, 1, gim::kIndex4, 17},
      {"300 colours in INDEX8", Colours(300, 400), 20, 20, gim::kIndex8, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    encode::EncodeOptions options;
    options.format = c.format;
    Bytes file;
    const encode::Outcome outcome = encode::Encode({c.width, c.height, c.rgba.data()}, options, file);
    if (encode::CanQuantise()) {
      EXPECT_EQ(outcome.failure, encode::Failure::kNone) << encode::FailureText(outcome.failure);
      EXPECT_FALSE(file.empty());
    } else {
      EXPECT_EQ(outcome.failure, encode::Failure::kTooManyColours);
      EXPECT_EQ(outcome.value, c.colours);
      EXPECT_TRUE(file.empty());
    }
  }
}

TEST(EncodeRefusal, UsualFormatFollowsThePaletteSize) {
  const std::uint8_t rgba[4] = {};
  const std::uint8_t index[1] = {};
  EXPECT_EQ(encode::UsualFormat({1, 1, rgba}), gim::kRgba8888);
  EXPECT_EQ(encode::UsualFormat({1, 1, nullptr, index, rgba, 16}), gim::kIndex4);
  EXPECT_EQ(encode::UsualFormat({1, 1, nullptr, index, rgba, 17}), gim::kIndex8);
  EXPECT_EQ(encode::UsualFormat({1, 1, nullptr, index, rgba, 256}), gim::kIndex8);
}

}  // namespace
}  // namespace tovak::test
