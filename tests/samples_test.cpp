// Real GIM pictures from other people's tools, when the shared samples sit
// beside the checkout. Each reference pixel below is the colour that the
// independent GIM decoders wrote into the sample's expected PNG (read once by
// hand, RGBA); the test looks up the pixel's index in the DIB and compares the
// colour-table entry, blended here by the blend rule against the default
// background.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/plugin_api.h"

namespace tovak::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Default settings: blending on, background 0x00BBGGRR = 0x282010.
constexpr int kBackBlue = 0x28;
constexpr int kBackGreen = 0x20;
constexpr int kBackRed = 0x10;

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b.at(at)} | std::uint32_t{b.at(at + 1)} << 8 |
         std::uint32_t{b.at(at + 2)} << 16 | std::uint32_t{b.at(at + 3)} << 24;
}

int BlendChannel(int c, int b, int a) {
  if (a == 0) return b;
  if (a == 255) return c;
  return b + static_cast<int>(std::floor((c - b) * a / 256.0));
}

struct Reference {
  int x, y;
  int red, green, blue, alpha;
};

struct Decoded {
  std::int32_t result = -1;
  Bytes header;
  Bytes bits;
};

Decoded DecodeFile(const std::filesystem::path& path) {
  Decoded d;
  Handle header{};
  Handle bits{};
  d.result = Plugin().get_picture(path.string().c_str(), 0, 0, &header, &bits, nullptr, 0);
  if (d.result != plugin::kSuccess) return d;
  const auto* h = static_cast<const std::uint8_t*>(HostLock(header));
  d.header.assign(h, h + HostSize(header));
  HostUnlock(header);
  HostFree(header);
  const auto* p = static_cast<const std::uint8_t*>(HostLock(bits));
  d.bits.assign(p, p + HostSize(bits));
  HostUnlock(bits);
  HostFree(bits);
  return d;
}

void CheckSample(const std::string& name, int width, int height, int bit_count,
                 std::uint32_t colours, const std::vector<Reference>& refs) {
  const std::filesystem::path dir = SamplesDir();
  if (dir.empty() || !std::filesystem::exists(dir / name)) {
    GTEST_SKIP() << "no sample " << name;
  }
  const Decoded d = DecodeFile(dir / name);
  ASSERT_EQ(d.result, plugin::kSuccess);
  ASSERT_GE(d.header.size(), 40u + 4 * colours);
  EXPECT_EQ(static_cast<std::int32_t>(U32(d.header, 4)), width);
  EXPECT_EQ(static_cast<std::int32_t>(U32(d.header, 8)), height);
  EXPECT_EQ(d.header[14], bit_count);
  EXPECT_EQ(U32(d.header, 32), colours);
  const std::size_t stride = (static_cast<std::size_t>(width) * bit_count + 31) / 32 * 4;
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
    EXPECT_EQ(d.header[at], BlendChannel(r.blue, kBackBlue, r.alpha)) << "index " << index;
    EXPECT_EQ(d.header[at + 1], BlendChannel(r.green, kBackGreen, r.alpha)) << "index " << index;
    EXPECT_EQ(d.header[at + 2], BlendChannel(r.red, kBackRed, r.alpha)) << "index " << index;
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
