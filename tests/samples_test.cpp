// Real GIM pictures from other people's tools, when the shared samples sit
// beside the checkout. Each reference pixel below is the colour that the
// independent GIM decoders wrote into the sample's expected PNG (read once by
// hand, RGBA); the test looks up the pixel's index in the DIB and compares the
// colour-table entry, blended here by the blend rule against the default
// background.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

struct Reference {
  int x, y;
  int red, green, blue, alpha;
};

void CheckSample(const std::string& name, int width, int height, int bit_count,
                 std::uint32_t colours, const std::vector<Reference>& refs) {
  const std::filesystem::path dir = SamplesDir();
  if (dir.empty() || !std::filesystem::exists(dir / name)) {
    GTEST_SKIP() << "no sample " << name;
  }
  const Decoded d = DecodeFile(dir / name);
  ASSERT_EQ(d.result, plugin::kSuccess);
  ASSERT_GE(d.header.size(), 40u + 4 * colours);
  EXPECT_EQ(I32(d.header, 4), width);
  EXPECT_EQ(I32(d.header, 8), height);
  EXPECT_EQ(d.header[14], bit_count);
  EXPECT_EQ(U32(d.header, 32), colours);
  const std::size_t stride = DibStride(width, bit_count);
  ASSERT_GE(d.bits.size(), stride * height);

  for (const Reference& r : refs) {
    SCOPED_TRACE(::testing::Message() << "pixel (" << r.x << ", " << r.y << ")");
    // Rows are bottom-up; a 4-bit pixel at an even x is the high nibble.
    const std::uint8_t* row = &d.bits[(height - 1 - r.y) * stride];
    std::uint32_t index = 0;
    if (bit_count == 4) {
      const std::uint8_t b = row[r.x / 2];
      index = r.x % 2 == 0 ? b >> 4 : b & 0xF;
    } else {
      index = row[r.x];
    }
    ASSERT_LT(index, colours);
    const std::size_t at = 40 + 4 * index;
    EXPECT_EQ(d.header[at], ReferenceBlend(r.blue, kBackBlue, r.alpha)) << "index " << index;
    EXPECT_EQ(d.header[at + 1], ReferenceBlend(r.green, kBackGreen, r.alpha)) << "index " << index;
    EXPECT_EQ(d.header[at + 2], ReferenceBlend(r.red, kBackRed, r.alpha)) << "index " << index;
    EXPECT_EQ(d.header[at + 3], r.alpha) << "index " << index;
  }
}

TEST(Samples, Index8Normal64x64) {
  // From index8-64x64.expected.png: x, y, red, green, blue, alpha.
  const std::vector<Reference> refs = {
      {0, 0, 255, 255, 255, 0},      {26, 8, 177, 177, 177, 26},  {29, 8, 235, 235, 235, 93},
      {13, 18, 226, 226, 226, 179},  {29, 10, 234, 234, 234, 255}, {40, 51, 217, 217, 217, 255},
      {37, 52, 218, 218, 218, 255},
  };
  CheckSample("index8-64x64.gim", 64, 64, 8, 256, refs);
}

TEST(Samples, Index4Swizzled64x32) {
  // From index4-swizzled-64x32.expected.png: x, y, red, green, blue, alpha.
  const std::vector<Reference> refs = {
      {35, 0, 240, 101, 111, 74}, {41, 0, 230, 0, 18, 72},    {35, 1, 230, 1, 16, 255},
      {42, 3, 237, 69, 83, 255},  {11, 5, 244, 140, 149, 7},  {19, 18, 232, 25, 41, 255},
      {63, 26, 255, 254, 254, 0}, {0, 27, 0, 0, 0, 0},
  };
  CheckSample("index4-swizzled-64x32.gim", 64, 32, 4, 16, refs);
}

}  // namespace
}  // namespace tovak::test
