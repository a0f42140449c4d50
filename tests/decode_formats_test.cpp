// GetPicture's DIB for every direct-colour and indexed format: header fields,
// block sizes and every pixel, for both byte orders and both pixel orders.
// Expected pixels are computed here from the format rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"
#include "support/random.h"

namespace tovak::test {
namespace {


struct Bgr {
  int blue, green, red;
};

Bgr Blend(int blue, int green, int red, int alpha) {
  return {ReferenceBlend(blue, kBackBlue, alpha), ReferenceBlend(green, kBackGreen, alpha),
          ReferenceBlend(red, kBackRed, alpha)};
}

bool IsIndexed(std::uint16_t format) {
  return format == fixture::kIndex4 || format == fixture::kIndex8;
}

int StoredBits(std::uint16_t format) {
  switch (format) {
    case fixture::kRgba8888: return 32;
    case fixture::kIndex4: return 4;
    case fixture::kIndex8: return 8;
    default: return 16;
  }
}

// Stored rows are padded to 8 pixels (16-bit), 4 (32-bit), 32 (4-bit) or 16
// (8-bit): always a whole number of 16-byte lines.
std::size_t PaddedWidth(std::uint16_t format, std::size_t width) {
  std::size_t to = 8;
  if (format == fixture::kRgba8888) to = 4;
  if (format == fixture::kIndex4) to = 32;
  if (format == fixture::kIndex8) to = 16;
  return (width + to - 1) / to * to;
}

std::size_t SourceRowBytes(std::uint16_t format, std::size_t width) {
  return PaddedWidth(format, width) * StoredBits(format) / 8;
}

// Hosts receive a bits block sized for rows of the padded width at 32 bits
// for every 16- and 32-bit format, though its rows are 24-bit.
std::size_t LayoutBits(std::uint16_t format) {
  return IsIndexed(format) ? StoredBits(format) : 32;
}

std::size_t FinalBits(std::uint16_t format) {
  return IsIndexed(format) ? StoredBits(format) : 24;
}

// One picture's pixels, top row first: 16-bit words, RGBA8888 bytes or
// palette indexes, depending on the format.
struct Source {
  std::uint16_t format = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::vector<std::uint32_t> pixels;  // height * width values
  std::uint32_t At(std::size_t x, std::size_t y) const { return pixels[y * width + x]; }
};

Source RandomSource(std::uint16_t format, std::uint16_t width, std::uint16_t height, Random& rng) {
  Source s{format, width, height, {}};
  s.pixels.resize(std::size_t{width} * height);
  for (std::uint32_t& p : s.pixels) {
    const std::uint32_t r = rng.Next();
    switch (format) {
      case fixture::kIndex4: p = r & 0xF; break;
      case fixture::kIndex8: p = r & 0xFF; break;
      case fixture::kRgba8888: {
        // A quarter each fully clear and fully opaque, the rest translucent.
        std::uint32_t alpha = rng.Byte();
        if ((r & 3) == 0) alpha = 0;
        if ((r & 3) == 1) alpha = 255;
        p = (r >> 8 & 0xFFFFFF) | alpha << 24;
        break;
      }
      default: p = r & 0xFFFF; break;
    }
  }
  return s;
}

// The stored plane in normal order; padding bytes get noise that must never
// reach the picture.
Bytes NormalPlane(const Source& s, Random& rng) {
  const std::size_t row = SourceRowBytes(s.format, s.width);
  Bytes plane(row * s.height);
  for (std::uint8_t& b : plane) b = rng.Byte();
  for (std::size_t y = 0; y < s.height; ++y) {
    std::uint8_t* line = &plane[y * row];
    for (std::size_t x = 0; x < s.width; ++x) {
      const std::uint32_t v = s.At(x, y);
      switch (s.format) {
        case fixture::kIndex4: {
          // The left pixel of a pair is the low nibble.
          std::uint8_t& b = line[x / 2];
          b = (x % 2 == 0) ? static_cast<std::uint8_t>((b & 0xF0) | v)
                           : static_cast<std::uint8_t>((b & 0x0F) | v << 4);
          break;
        }
        case fixture::kIndex8: line[x] = static_cast<std::uint8_t>(v); break;
        case fixture::kRgba8888:
          for (int c = 0; c < 4; ++c) line[4 * x + c] = static_cast<std::uint8_t>(v >> (8 * c));
          break;
        default:
          line[2 * x] = static_cast<std::uint8_t>(v);
          line[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
      }
    }
  }
  return plane;
}

// Blue, green, red of a direct-colour pixel as the host should see it.
Bgr ExpectedColour(std::uint16_t format, std::uint32_t v) {
  switch (format) {
    case fixture::kRgba5650:
      return {Expand(v >> 11 & 0x1F, 5), Expand(v >> 5 & 0x3F, 6), Expand(v & 0x1F, 5)};
    case fixture::kRgba5551:
      return Blend(Expand(v >> 10 & 0x1F, 5), Expand(v >> 5 & 0x1F, 5), Expand(v & 0x1F, 5),
                   (v & 0x8000) != 0 ? 255 : 0);
    case fixture::kRgba4444:
      return Blend(Expand(v >> 8 & 0xF, 4), Expand(v >> 4 & 0xF, 4), Expand(v & 0xF, 4),
                   Expand(v >> 12 & 0xF, 4));
    default:
      return Blend(static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF),
                   static_cast<int>(v & 0xFF), static_cast<int>(v >> 24));
  }
}

struct Variant {
  bool big_endian;
  std::uint16_t pixel_order;
};

constexpr Variant kVariants[] = {{false, 0}, {false, 1}, {true, 0}, {true, 1}};

fixture::File WriteVariant(const Source& s, const Bytes& plane, Variant v,
                           const std::optional<fixture::Palette>& palette) {
  fixture::Picture pic;
  pic.big_endian = v.big_endian;
  pic.format = s.format;
  pic.pixel_order = v.pixel_order;
  pic.width = s.width;
  pic.height = s.height;
  const std::size_t row = SourceRowBytes(s.format, s.width);
  pic.pixels = v.pixel_order == 1 ? fixture::Swizzle(plane, row, s.height) : plane;
  pic.palette = palette;
  return fixture::Write(pic);
}

// Decodes the source in both byte orders and both pixel orders and checks
// the header block, the block sizes and every pixel.
void CheckAllVariants(const Source& s, Random& rng) {
  const std::uint16_t format = s.format;
  const std::size_t w = s.width;
  const std::size_t h = s.height;
  const Bytes plane = NormalPlane(s, rng);
  std::optional<fixture::Palette> palette;
  std::uint32_t count = 0;
  if (IsIndexed(format)) {
    count = format == fixture::kIndex4 ? 16 : 256;
    Bytes entries(4 * count);
    for (std::uint8_t& b : entries) b = rng.Byte();
    palette = fixture::Palette{fixture::kRgba8888, static_cast<std::uint16_t>(count), entries};
  }
  const std::size_t final_stride = DibStride(w, FinalBits(format));
  const std::size_t header_bytes = 40 + (IsIndexed(format) ? 4 * count : 0) + 1024;
  const std::size_t bits_bytes = DibStride(PaddedWidth(format, w), LayoutBits(format)) * h;

  for (const Variant& v : kVariants) {
    SCOPED_TRACE(::testing::Message() << "format " << format << ", " << w << " x " << h
                                      << (v.big_endian ? ", big-endian" : ", little-endian")
                                      << (v.pixel_order == 1 ? ", swizzled" : ", normal"));
    const Decoded d = Decode(WriteVariant(s, plane, v, palette).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);

    ASSERT_EQ(d.header.size(), header_bytes);
    EXPECT_EQ(d.bits.size(), bits_bytes);
    EXPECT_EQ(U32(d.header, 0), 40u);                         // biSize
    EXPECT_EQ(I32(d.header, 4), static_cast<std::int32_t>(w));  // biWidth
    EXPECT_EQ(I32(d.header, 8), static_cast<std::int32_t>(h));  // biHeight: bottom-up
    EXPECT_EQ(U16(d.header, 12), 1u);                         // biPlanes
    EXPECT_EQ(U16(d.header, 14), FinalBits(format));          // biBitCount
    EXPECT_EQ(U32(d.header, 16), 0u);                         // biCompression
    EXPECT_EQ(U32(d.header, 20), final_stride * h);           // biSizeImage
    EXPECT_EQ(U32(d.header, 24), 0u);                         // biXPelsPerMeter
    EXPECT_EQ(U32(d.header, 28), 0u);                         // biYPelsPerMeter
    EXPECT_EQ(U32(d.header, 32), count);                      // biClrUsed
    EXPECT_EQ(U32(d.header, 36), count);                      // biClrImportant
    ASSERT_GE(d.bits.size(), final_stride * h);
    EXPECT_EQ(NonZeroPadding(d.bits, w, h, FinalBits(format)), 0u);

    int mismatches = 0;
    for (std::size_t y = 0; y < h && mismatches < 5; ++y) {
      const std::uint8_t* row = &d.bits[(h - 1 - y) * final_stride];
      for (std::size_t x = 0; x < w && mismatches < 5; ++x) {
        const std::uint32_t value = s.At(x, y);
        std::uint32_t got = 0;
        std::uint32_t want = 0;
        if (format == fixture::kIndex4) {
          // The left pixel is the high nibble in the DIB.
          got = x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0xF;
          want = value;
        } else if (format == fixture::kIndex8) {
          got = row[x];
          want = value;
        } else {
          const Bgr c = ExpectedColour(format, value);
          got = std::uint32_t{row[3 * x]} << 16 | std::uint32_t{row[3 * x + 1]} << 8 |
                row[3 * x + 2];
          want = static_cast<std::uint32_t>(c.blue << 16 | c.green << 8 | c.red);
        }
        if (got != want) {
          ++mismatches;
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") stored 0x" << std::hex << value
                        << ": got 0x" << got << ", expected 0x" << want;
        }
      }
    }
  }
}

void CheckFormat(std::uint16_t format) {
  Random rng;
  for (std::uint16_t w : {1, 3, 5, 8, 10, 20, 33}) {
    for (std::uint16_t h : {1, 3, 10, 13}) {
      CheckAllVariants(RandomSource(format, w, h, rng), rng);
    }
  }
}

TEST(DecodeFormats, Rgba5650) { CheckFormat(fixture::kRgba5650); }
TEST(DecodeFormats, Rgba5551) { CheckFormat(fixture::kRgba5551); }
TEST(DecodeFormats, Rgba4444) { CheckFormat(fixture::kRgba4444); }
TEST(DecodeFormats, Rgba8888) { CheckFormat(fixture::kRgba8888); }
TEST(DecodeFormats, Index4) { CheckFormat(fixture::kIndex4); }
TEST(DecodeFormats, Index8) { CheckFormat(fixture::kIndex8); }

TEST(DecodeFormats, EverySixteenBitPixelIsConvertedFromItsOwnWord) {
  // Distinct words everywhere: an odd multiplier permutes the 16-bit values.
  Random rng;
  for (std::uint16_t format : {std::uint16_t{fixture::kRgba5650}, std::uint16_t{fixture::kRgba5551},
                               std::uint16_t{fixture::kRgba4444}}) {
    for (auto [w, h] : {std::pair<std::uint16_t, std::uint16_t>{8, 8}, {33, 13}, {64, 9}}) {
      Source s{format, w, h, {}};
      for (std::uint32_t i = 0; i < std::uint32_t{w} * h; ++i) {
        s.pixels.push_back((i * 0x9E37u + 0x1234u) & 0xFFFF);
      }
      CheckAllVariants(s, rng);
    }
  }
}

// A one-pixel picture of the format whose stored bytes are given.
Decoded DecodeOnePixel(std::uint16_t format, const Bytes& stored, bool big_endian,
                       std::uint16_t order) {
  fixture::Picture pic;
  pic.big_endian = big_endian;
  pic.format = format;
  pic.pixel_order = order;
  pic.width = 1;
  pic.height = 1;
  Bytes plane(16, 0);
  std::copy(stored.begin(), stored.end(), plane.begin());
  pic.pixels = order == 1 ? fixture::Swizzle(plane, 16, 1) : plane;
  return Decode(fixture::Write(pic).bytes);
}

TEST(DecodeFormats, KnownPixels) {
  struct Case {
    std::uint16_t format;
    Bytes stored;
    std::uint8_t blue, green, red;
  };
  const Case cases[] = {
      {fixture::kRgba5650, {0xE0, 0x07}, 0x00, 0xFF, 0x00},
      {fixture::kRgba5650, {0x00, 0xF8}, 0xFF, 0x00, 0x00},
      {fixture::kRgba5650, {0x00, 0x00}, 0x00, 0x00, 0x00},  // never blended
      {fixture::kRgba5551, {0xFF, 0x7F}, 0x28, 0x20, 0x10},  // alpha bit clear
      {fixture::kRgba5551, {0xFF, 0xFF}, 0xFF, 0xFF, 0xFF},
      {fixture::kRgba4444, {0x00, 0x8F}, 154, 15, 7},
      {fixture::kRgba4444, {0x0F, 0xF0}, 0x00, 0x00, 0xFF},
      {fixture::kRgba8888, {0x10, 0x20, 0x30, 0xFF}, 0x30, 0x20, 0x10},
      {fixture::kRgba8888, {0x10, 0x20, 0x30, 0x00}, 0x28, 0x20, 0x10},
      // White at alpha 254: 40 + (215 * 254 >> 8) = 253, and so on.
      {fixture::kRgba8888, {0xFF, 0xFF, 0xFF, 0xFE}, 253, 253, 253},
  };
  for (const Case& c : cases) {
    for (const Variant& v : kVariants) {
      SCOPED_TRACE(::testing::Message() << "format " << c.format << " bytes " << std::hex
                                        << int{c.stored[0]} << " " << int{c.stored[1]}
                                        << (v.big_endian ? " big-endian" : "")
                                        << (v.pixel_order == 1 ? " swizzled" : ""));
      const Decoded d = DecodeOnePixel(c.format, c.stored, v.big_endian, v.pixel_order);
      ASSERT_EQ(d.result, plugin::kSuccess);
      ASSERT_GE(d.bits.size(), 3u);
      EXPECT_EQ(d.bits[0], c.blue);
      EXPECT_EQ(d.bits[1], c.green);
      EXPECT_EQ(d.bits[2], c.red);
    }
  }
}

TEST(DecodeFormats, BlockSizesOfKnownPictures) {
  {
    // RGBA5650 5 x 3: padded width 8, a bits block of 8 pixels at 32 bits a
    // row (96 bytes), rows of 24 bits (stride 16).
    fixture::Picture pic;
    pic.format = fixture::kRgba5650;
    pic.width = 5;
    pic.height = 3;
    pic.pixels.assign(16 * 3, 0x5A);
    const Decoded d = Decode(fixture::Write(pic).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(d.header.size(), 1064u);
    EXPECT_EQ(d.bits.size(), 96u);
    EXPECT_EQ(I32(d.header, 4), 5);
    EXPECT_EQ(U16(d.header, 14), 24u);
    EXPECT_EQ(U32(d.header, 20), 48u);
  }
  {
    // INDEX4 10 x 2 with 16 entries: padded width 32, stride 8.
    fixture::Picture pic;
    pic.format = fixture::kIndex4;
    pic.width = 10;
    pic.height = 2;
    pic.pixels.assign(16 * 2, 0x12);
    pic.palette = fixture::Palette{fixture::kRgba8888, 16, Bytes(64, 0xFF)};
    const Decoded d = Decode(fixture::Write(pic).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(d.header.size(), 1128u);
    EXPECT_EQ(d.bits.size(), 32u);
    EXPECT_EQ(U16(d.header, 14), 4u);
    EXPECT_EQ(U32(d.header, 20), 16u);
    EXPECT_EQ(U32(d.header, 32), 16u);
    EXPECT_EQ(U32(d.header, 36), 16u);
    // 0x12 stored is 0x21 in the DIB: the left pixel (2) becomes the high nibble.
    EXPECT_EQ(d.bits[0], 0x21);
  }
  {
    // INDEX8 20 x 1 with 256 entries: padded width 32, stride 20.
    fixture::Picture pic;
    pic.format = fixture::kIndex8;
    pic.width = 20;
    pic.height = 1;
    pic.pixels.assign(32, 0x77);
    pic.palette = fixture::Palette{fixture::kRgba8888, 256, Bytes(1024, 0xFF)};
    const Decoded d = Decode(fixture::Write(pic).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(d.header.size(), 2088u);
    EXPECT_EQ(d.bits.size(), 32u);
    EXPECT_EQ(U16(d.header, 14), 8u);
    EXPECT_EQ(U32(d.header, 20), 20u);
    EXPECT_EQ(U32(d.header, 32), 256u);
  }
}

}  // namespace
}  // namespace tovak::test
