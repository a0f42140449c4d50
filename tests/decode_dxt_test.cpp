// GetPicture on DXT1, DXT3 and DXT5 pictures and their _EXT codes. The
// compressed blocks are built from known endpoints and indices; the pixels
// the host must see follow from the S3TC rules, the order little-endian GIM
// files keep the blocks in, the row layout and the blend rule.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "fixture/dxt_blocks.h"
#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"
#include "support/s3tc_reference.h"
#include "support/random.h"

namespace tovak::test {
namespace {

using fixture::Block;

// RGB565, red in the high bits.
constexpr std::uint16_t kWhite = 0xFFFF;
constexpr std::uint16_t kBlack = 0x0000;
constexpr std::uint16_t kRed = 0xF800;
constexpr std::uint16_t kGreen = 0x07E0;
constexpr std::uint16_t kBlue = 0x001F;

// Fields of the image header, from its first byte (16 bytes into its block).
constexpr std::size_t kImageHeader = 16;
constexpr std::size_t kWidthField = 0x08;
constexpr std::size_t kHeightField = 0x0A;
constexpr std::size_t kPixelsStartField = 0x1C;
constexpr std::size_t kPixelsEndField = 0x20;

constexpr std::uint16_t kBaseFormats[] = {fixture::kDxt1, fixture::kDxt3, fixture::kDxt5};
constexpr std::uint16_t kAllFormats[] = {fixture::kDxt1,    fixture::kDxt3,    fixture::kDxt5,
                                         fixture::kDxt1Ext, fixture::kDxt3Ext, fixture::kDxt5Ext};

bool IsDxt1(std::uint16_t format) {
  return format == fixture::kDxt1 || format == fixture::kDxt1Ext;
}

// DXT1 rows are padded to 8 pixels, DXT3 and DXT5 rows to 4.
std::size_t PaddedWidth(std::uint16_t format, std::size_t width) {
  const std::size_t to = IsDxt1(format) ? 8 : 4;
  return (width + to - 1) / to * to;
}


// A picture's blocks, row-major over the padded width.
struct DxtPicture {
  std::uint16_t format = fixture::kDxt1;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::vector<Block> blocks;

  std::size_t BlocksAcross() const { return PaddedWidth(format, width) / 4; }
  std::size_t BlocksDown() const { return (std::size_t{height} + 3) / 4; }
};

DxtPicture Uniform(std::uint16_t format, std::uint16_t width, std::uint16_t height,
                   const Block& block) {
  DxtPicture p{format, width, height, {}};
  p.blocks.assign(p.BlocksAcross() * p.BlocksDown(), block);
  return p;
}

Block RandomBlock(Random& rng) {
  Block b;
  b.colour.c0 = static_cast<std::uint16_t>(rng.Next());
  b.colour.c1 = static_cast<std::uint16_t>(rng.Next());
  // Now and then equal endpoints, which put a DXT1 block in its
  // three-colour mode as c0 < c1 does.
  if (rng.Next() % 8 == 0) b.colour.c1 = b.colour.c0;
  for (int i = 0; i < 16; ++i) {
    b.colour.index[i] = static_cast<std::uint8_t>(rng.Next() & 3);
    b.dxt3.alpha[i] = static_cast<std::uint8_t>(rng.Next() & 15);
    b.dxt5.index[i] = static_cast<std::uint8_t>(rng.Next() & 7);
  }
  b.dxt5.a0 = static_cast<std::uint8_t>(rng.Next());
  b.dxt5.a1 = static_cast<std::uint8_t>(rng.Next());
  // Now and then a wholly opaque block among translucent ones, whose
  // colours are shown unblended.
  if (rng.Next() % 4 == 0) {
    b.dxt3.alpha = fixture::Fill(15);
    b.dxt5.a0 = 255;
    b.dxt5.index = fixture::Fill(0);
  }
  return b;
}

DxtPicture RandomPicture(std::uint16_t format, std::uint16_t width, std::uint16_t height,
                         Random& rng) {
  DxtPicture p{format, width, height, {}};
  for (std::size_t i = 0; i < p.BlocksAcross() * p.BlocksDown(); ++i) {
    p.blocks.push_back(RandomBlock(rng));
  }
  return p;
}

// Texel (x, y) of the decoded plane: padded width texels a row, `height`
// rows, transparent black past the last row.
Texel PlaneTexel(const DxtPicture& p, std::size_t x, std::size_t y) {
  if (y >= p.height) return Texel{};
  const Block& b = p.blocks[(y / 4) * p.BlocksAcross() + x / 4];
  return ReferenceTexels(p.format, b)[(y % 4) * 4 + x % 4];
}

// The texel pixel (x, r) of the picture shows. Swizzled pictures read the
// decoded plane (padded width x 4 bytes a row) in tiles of 16 bytes by 8
// rows, tile after tile along a tile row; a 16-byte line is four texels.
Texel ShownTexel(const DxtPicture& p, std::uint16_t pixel_order, std::size_t x, std::size_t r) {
  if (pixel_order == 0) return PlaneTexel(p, x, r);
  const std::size_t row_bytes = PaddedWidth(p.format, p.width) * 4;
  const std::size_t offset =
      (r / 8) * 8 * row_bytes + (x / 4) * 128 + (r % 8) * 16 + (x % 4) * 4;
  return PlaneTexel(p, offset % row_bytes / 4, offset / row_bytes);
}

struct Bgr {
  int blue, green, red;
};

Bgr Shown(const Texel& t, bool blend, std::uint32_t background = kDefaultBackground) {
  if (!blend) return {t.blue, t.green, t.red};
  return {ReferenceBlend(t.blue, static_cast<int>(background >> 16 & 0xFF), t.alpha),
          ReferenceBlend(t.green, static_cast<int>(background >> 8 & 0xFF), t.alpha),
          ReferenceBlend(t.red, static_cast<int>(background & 0xFF), t.alpha)};
}

fixture::File Write(const DxtPicture& p, bool big_endian, std::uint16_t pixel_order = 0) {
  fixture::Picture pic;
  pic.big_endian = big_endian;
  pic.format = p.format;
  pic.pixel_order = pixel_order;
  pic.width = p.width;
  pic.height = p.height;
  // Big-endian files keep S3TC order; little-endian ones their own.
  pic.pixels = fixture::DxtBytes(p.format, p.blocks, !big_endian);
  return fixture::Write(pic);
}

// Pixel (x, r) of a 24-bit DIB, r counted from the top.
Bgr DibPixel(const Decoded& d, std::size_t width, std::size_t height, std::size_t x,
             std::size_t r) {
  const std::size_t at = (height - 1 - r) * DibStride(width, 24) + 3 * x;
  return {d.bits.at(at), d.bits.at(at + 1), d.bits.at(at + 2)};
}

// The header block and every pixel of a decoded DXT picture.
void ExpectPicture(const Decoded& d, const DxtPicture& p, std::uint16_t pixel_order,
                   bool blend = true, std::uint32_t background = kDefaultBackground) {
  ASSERT_EQ(d.result, plugin::kSuccess);
  const std::size_t w = p.width;
  const std::size_t h = p.height;
  ASSERT_EQ(d.header.size(), 40u + 1024u);
  EXPECT_EQ(U32(d.header, 0), 40u);
  EXPECT_EQ(I32(d.header, 4), static_cast<std::int32_t>(w));
  EXPECT_EQ(I32(d.header, 8), static_cast<std::int32_t>(h));
  EXPECT_EQ(U16(d.header, 12), 1);
  EXPECT_EQ(U16(d.header, 14), 24);
  EXPECT_EQ(U32(d.header, 16), 0u);
  EXPECT_EQ(U32(d.header, 20), DibStride(w, 24) * h);
  EXPECT_EQ(U32(d.header, 32), 0u);
  // Sized for 32-bit rows over the padded width, as hosts have always had it.
  ASSERT_EQ(d.bits.size(), PaddedWidth(p.format, w) * 4 * h);
  EXPECT_EQ(NonZeroPadding(d.bits, w, h, 24), 0u);
  int wrong = 0;
  for (std::size_t r = 0; r < h; ++r) {
    for (std::size_t x = 0; x < w; ++x) {
      const Bgr want = Shown(ShownTexel(p, pixel_order, x, r), blend, background);
      const Bgr got = DibPixel(d, w, h, x, r);
      if (got.blue != want.blue || got.green != want.green || got.red != want.red) {
        if (++wrong <= 5) {
          ADD_FAILURE() << "pixel (" << x << ", " << r << "): got " << got.blue << ","
                        << got.green << "," << got.red << " want " << want.blue << ","
                        << want.green << "," << want.red;
        }
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

// Blocks that tell their parts apart: distinct endpoints, indices that vary
// by texel, and alpha that varies too.
Block Telltale() {
  Block b;
  b.colour.c0 = kRed | 0x0010;  // c0 > c1: four colours in DXT1 too
  b.colour.c1 = kBlue;
  b.colour.index = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 1, 1, 2, 2, 3, 3};
  for (int i = 0; i < 16; ++i) b.dxt3.alpha[i] = static_cast<std::uint8_t>(i);
  b.dxt5.a0 = 250;
  b.dxt5.a1 = 5;
  b.dxt5.index = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
  return b;
}

TEST(DecodeDxt, KnownTexelsFollowTheS3tcRules) {
  // Values worked by hand, so that the reference the other tests use is
  // itself checked: white and black endpoints interpolate to 170 and 85.
  Block b;
  b.colour = fixture::ColourBlock{kWhite, kBlack, {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}};
  const auto t = ReferenceTexels(fixture::kDxt3, b);
  EXPECT_EQ(t[0], (Texel{255, 255, 255, 0}));
  EXPECT_EQ(t[1], (Texel{0, 0, 0, 0}));
  EXPECT_EQ(t[2], (Texel{170, 170, 170, 0}));
  EXPECT_EQ(t[3], (Texel{85, 85, 85, 0}));

  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    // An opaque DXT3 picture: every alpha nibble 15, so nothing is blended.
    Block opaque = b;
    opaque.dxt3.alpha = fixture::Fill(15);
    const DxtPicture p = Uniform(fixture::kDxt3, 4, 4, opaque);
    const Decoded d = Decode(Write(p, be).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    // Top row, left to right: white, black, 170, 85 (blue, green, red).
    const int want[4] = {255, 0, 170, 85};
    for (std::size_t x = 0; x < 4; ++x) {
      const Bgr got = DibPixel(d, 4, 4, x, 0);
      EXPECT_EQ(got.blue, want[x]);
      EXPECT_EQ(got.green, want[x]);
      EXPECT_EQ(got.red, want[x]);
    }
  }
}

TEST(DecodeDxt, EachByteOrderDecodesItsOwnBlockOrder) {
  // The same blocks, stored in the little-endian GIM order and in S3TC order
  // in a big-endian file, give the same picture: every part of the unit
  // lands where S3TC expects it.
  for (std::uint16_t format : kBaseFormats) {
    DxtPicture p = Uniform(format, 8, 8, Telltale());
    // Each block different, to tell the halves of a DXT1 unit apart.
    for (std::size_t i = 0; i < p.blocks.size(); ++i) {
      p.blocks[i].colour.c1 = static_cast<std::uint16_t>(kBlue + 0x40 * i);
      p.blocks[i].dxt5.a1 = static_cast<std::uint8_t>(5 + 20 * i);
    }
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << format << ", " << Order(be));
      ExpectPicture(Decode(Write(p, be).bytes), p, 0);
    }
  }
}

TEST(DecodeDxt, FixtureStoresS3tcBytesInTheLittleEndianOrder) {
  // The fixture writes the little-endian order two ways: field by field,
  // and by rearranging an S3TC encoder's output. They must agree.
  Random rng{0x9E3779B9};
  for (std::uint16_t format : kBaseFormats) {
    SCOPED_TRACE(format);
    const std::vector<Block> blocks = {RandomBlock(rng), RandomBlock(rng)};
    EXPECT_EQ(fixture::ToGimLittleEndianOrder(format, fixture::DxtBytes(format, blocks, false)),
              fixture::DxtBytes(format, blocks, true));
  }
}

TEST(DecodeDxt, RandomBlocksInEveryFormatOrderAndSize) {
  Random rng{0x9E3779B9};
  struct Size {
    std::uint16_t width, height;
  };
  // 30 x 17, 64 x 8 and 510 x 8: whole swizzled tiles of 8 blocks across
  // (128 blocks in the widest), and a last one cut.
  const Size sizes[] = {{1, 1},   {4, 4},   {5, 3},    {8, 8},  {12, 9},  {7, 13},
                        {17, 12}, {33, 20}, {30, 17}, {64, 8}, {510, 8}};
  for (std::uint16_t format : kAllFormats) {
    for (const Size& s : sizes) {
      const DxtPicture p = RandomPicture(format, s.width, s.height, rng);
      for (bool be : {false, true}) {
        for (std::uint16_t order : {std::uint16_t{0}, std::uint16_t{1}}) {
          SCOPED_TRACE(::testing::Message() << "format " << format << ", " << s.width << " x "
                                            << s.height << ", " << Order(be) << ", order "
                                            << order);
          ExpectPicture(Decode(Write(p, be, order).bytes), p, order);
        }
      }
    }
  }
}

TEST(DecodeDxt, ExtCodesDecodeAsTheirBases) {
  Random rng{0x9E3779B9};
  const std::uint16_t pairs[][2] = {{fixture::kDxt1, fixture::kDxt1Ext},
                                    {fixture::kDxt3, fixture::kDxt3Ext},
                                    {fixture::kDxt5, fixture::kDxt5Ext}};
  for (const auto& pair : pairs) {
    DxtPicture base = RandomPicture(pair[0], 12, 8, rng);
    DxtPicture ext = base;
    ext.format = pair[1];
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << pair[1] << ", " << Order(be));
      const Decoded a = Decode(Write(base, be).bytes);
      const Decoded b = Decode(Write(ext, be).bytes);
      ASSERT_EQ(a.result, plugin::kSuccess);
      ASSERT_EQ(b.result, plugin::kSuccess);
      EXPECT_EQ(a.header, b.header);
      EXPECT_EQ(a.bits, b.bits);
    }
  }
}

TEST(DecodeDxt, TransparentDxt1TexelShowsTheBackground) {
  // c0 <= c1 selects the three-colour mode: index 2 is the midpoint, index 3
  // transparent black, which blending turns into the background colour.
  Block b;
  b.colour = fixture::ColourBlock{kRed, kWhite, {3, 2, 1, 0, 3, 3, 3, 3, 0, 0, 0, 0, 1, 1, 1, 1}};
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const DxtPicture p = Uniform(fixture::kDxt1, 4, 4, b);
    const Decoded d = Decode(Write(p, be).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    const Bgr transparent = DibPixel(d, 4, 4, 0, 0);
    EXPECT_EQ(transparent.blue, kBackBlue);
    EXPECT_EQ(transparent.green, kBackGreen);
    EXPECT_EQ(transparent.red, kBackRed);
    const Bgr middle = DibPixel(d, 4, 4, 1, 0);  // (red + white) / 2: 255, 127, 127
    EXPECT_EQ(middle.red, 255);
    EXPECT_EQ(middle.green, 127);
    EXPECT_EQ(middle.blue, 127);
    const Bgr white = DibPixel(d, 4, 4, 2, 0);
    EXPECT_EQ(white.red + white.green + white.blue, 3 * 255);
    ExpectPicture(d, p, 0);
  }
}

TEST(DecodeDxt, FourByFourDxt1ShowsOnlyItsFirstBlock) {
  // The padded width is 8: the file holds two blocks for the block row, and
  // only the first lies inside the 4-pixel-wide picture.
  DxtPicture p{fixture::kDxt1, 4, 4, {}};
  p.blocks.push_back(Block{fixture::Solid(kGreen, kBlack, 0), {}, {}});
  p.blocks.push_back(Block{fixture::Solid(kRed, kBlack, 0), {}, {}});
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const Decoded d = Decode(Write(p, be).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(d.bits.size(), 128u);
    EXPECT_EQ(U16(d.header, 14), 24);
    EXPECT_EQ(U32(d.header, 20), 48u);
    for (std::size_t r = 0; r < 4; ++r) {
      for (std::size_t x = 0; x < 4; ++x) {
        const Bgr px = DibPixel(d, 4, 4, x, r);
        EXPECT_EQ(px.blue, 0);
        EXPECT_EQ(px.green, 255);
        EXPECT_EQ(px.red, 0);
      }
    }
  }
}

TEST(DecodeDxt, Dxt3AndDxt5AlphaIsBlended) {
  // DXT3: a 4-bit alpha a shows as a * 17. DXT5 with a0 > a1 interpolates
  // six steps between them: ((7 - i) * a0 + i * a1) / 7.
  Block b;
  b.colour = fixture::Solid(kWhite, kBlack, 0);
  b.dxt3.alpha = fixture::Fill(8);  // 136
  b.dxt5.a0 = 210;
  b.dxt5.a1 = 0;
  b.dxt5.index = fixture::Fill(3);  // (5 * 210 + 2 * 0) / 7 = 150
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const Decoded d3 = Decode(Write(Uniform(fixture::kDxt3, 4, 4, b), be).bytes);
    ASSERT_EQ(d3.result, plugin::kSuccess);
    const Bgr p3 = DibPixel(d3, 4, 4, 0, 0);
    EXPECT_EQ(p3.blue, ReferenceBlend(255, kBackBlue, 136));
    EXPECT_EQ(p3.red, ReferenceBlend(255, kBackRed, 136));

    const Decoded d5 = Decode(Write(Uniform(fixture::kDxt5, 4, 4, b), be).bytes);
    ASSERT_EQ(d5.result, plugin::kSuccess);
    const Bgr p5 = DibPixel(d5, 4, 4, 0, 0);
    EXPECT_EQ(p5.green, ReferenceBlend(255, kBackGreen, 150));
    EXPECT_EQ(p5.red, ReferenceBlend(255, kBackRed, 150));
  }
}

TEST(DecodeDxt, BigEndianDxt5IsDecodedAsStored) {
  // The big-endian file's bytes are S3TC order as they stand. Read in the
  // little-endian GIM order instead, the same 16 bytes would give another
  // picture, so the two must differ.
  const DxtPicture p = Uniform(fixture::kDxt5, 4, 4, Telltale());
  const fixture::File be = Write(p, true);
  ExpectPicture(Decode(be.bytes), p, 0);

  fixture::Picture as_little;
  as_little.format = fixture::kDxt5;
  as_little.width = 4;
  as_little.height = 4;
  as_little.pixels = fixture::DxtBytes(fixture::kDxt5, p.blocks, false);
  const Decoded other = Decode(fixture::Write(as_little).bytes);
  ASSERT_EQ(other.result, plugin::kSuccess);
  EXPECT_NE(other.bits, Decode(be.bytes).bits);
}

TEST(DecodeDxt, SwizzledOrderReadsTheDecodedPlaneInTiles) {
  // Heights 4 and 12 end inside a tile row: the tiles past the decoded rows
  // read as transparent black and show the background.
  Random rng{0x9E3779B9};
  for (std::uint16_t format : kBaseFormats) {
    for (std::uint16_t height : {std::uint16_t{4}, std::uint16_t{8}, std::uint16_t{12}}) {
      for (std::uint16_t width : {std::uint16_t{8}, std::uint16_t{16}}) {
        const DxtPicture p = RandomPicture(format, width, height, rng);
        for (bool be : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "format " << format << ", " << width << " x "
                                            << height << ", " << Order(be));
          ExpectPicture(Decode(Write(p, be, 1).bytes), p, 1);
        }
      }
    }
  }
  // Width 8 at height 4, worked by hand: the plane's rows are 32 bytes, so
  // the first tile's four lines are rows 0 and 1 of the plane. Picture row 1
  // therefore shows plane row 0, columns 4-7, and columns 4-7 of every row
  // come from the second tile, which lies past the plane.
  DxtPicture two{fixture::kDxt3, 8, 4, {}};
  Block left;
  left.colour = fixture::ColourBlock{kRed, kBlue, {0, 0, 0, 0, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}};
  left.dxt3.alpha = fixture::Fill(15);
  Block right = left;
  right.colour = fixture::Solid(kGreen, kBlack, 0);
  two.blocks = {left, right};
  const Decoded d = Decode(Write(two, false, 1).bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  const Bgr row1_left = DibPixel(d, 8, 4, 0, 1);  // plane row 0, column 4: green
  EXPECT_EQ(row1_left.green, 255);
  EXPECT_EQ(row1_left.red, 0);
  const Bgr row2_left = DibPixel(d, 8, 4, 0, 2);  // plane row 1, column 0: blue
  EXPECT_EQ(row2_left.blue, 255);
  EXPECT_EQ(row2_left.red, 0);
  const Bgr past = DibPixel(d, 8, 4, 5, 0);
  EXPECT_EQ(past.blue, kBackBlue);
  EXPECT_EQ(past.green, kBackGreen);
  EXPECT_EQ(past.red, kBackRed);
}

TEST(DecodeDxt, BlendingOffKeepsTheColoursAndDropsAlpha) {
  Random rng{0x9E3779B9};
  const auto dir = TempDir();
  const std::string ini = "[tovak]\r\nAlphaBlend=0\r\n";
  WriteFile(dir / "tovak.ini", ini.data(), ini.size());
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  for (std::uint16_t format : kBaseFormats) {
    // Whole blocks, and a last block column cut, in both orders.
    for (const std::uint16_t width : {12, 30}) {
      for (const std::uint16_t order : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << format << ", " << width << " wide, order " << order);
        const DxtPicture p = RandomPicture(format, width, 17, rng);
        ExpectPicture(Decode(Write(p, false, order).bytes, -1, copy.api), p, order, false);
      }
    }
  }
}

TEST(DecodeDxt, DataTheHeaderClaimsButTheFileLacksIsRefused) {
  for (std::uint16_t format : kBaseFormats) {
    const DxtPicture p = Uniform(format, 8, 8, Telltale());
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << format << ", " << Order(be));
      const fixture::File f = Write(p, be);
      const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
      // Cut off inside the last block.
      EXPECT_EQ(Decode(f.bytes, static_cast<std::int64_t>(f.bytes.size()) - 1).result,
                plugin::kUnsupported);
      // pixels_start beyond the end of the file.
      fixture::File far = f;
      const std::size_t header = far.layout.image + kImageHeader;
      fixture::PutU32(far.bytes, header + kPixelsStartField, 0x7FFFFFF0, be);
      EXPECT_EQ(Decode(far.bytes).result, plugin::kUnsupported);
      if (!be) {
        // pixels_end past the end of the file, and pixels_end before
        // pixels_start (a wrapped, enormous count).
        fixture::File lying = f;
        fixture::PutU32(lying.bytes, header + kPixelsEndField,
                        U32(lying.bytes, header + kPixelsEndField) + 16, false);
        EXPECT_EQ(Decode(lying.bytes).result, plugin::kUnsupported);
        fixture::PutU32(lying.bytes, header + kPixelsEndField, 0, false);
        EXPECT_EQ(Decode(lying.bytes).result, plugin::kUnsupported);
      }
      if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before);
    }
  }
}

TEST(DecodeDxt, ExtraStoredUnitsBeyondThePictureAreIgnored) {
  // pixels_end may announce more units than the picture needs; those
  // present are fine and change nothing.
  const DxtPicture p = Uniform(fixture::kDxt5, 4, 4, Telltale());
  fixture::Picture pic;
  pic.format = fixture::kDxt5;
  pic.width = 4;
  pic.height = 4;
  pic.pixels = fixture::DxtBytes(fixture::kDxt5, p.blocks, true);
  pic.pixels.resize(pic.pixels.size() + 64 * 16, 0xA7);
  ExpectPicture(Decode(fixture::Write(pic).bytes), p, 0);
}

TEST(DecodeDxt, HugeDimensionsGive4BeforeAnyPixelWork) {
  // 65535 x 65535 needs a 16 GB plane: too large for any block.
  const DxtPicture small = Uniform(fixture::kDxt1, 8, 4, Telltale());
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    fixture::File f = Write(small, be);
    const std::size_t header = f.layout.image + kImageHeader;
    fixture::PutU16(f.bytes, header + kWidthField, 0xFFFF, be);
    fixture::PutU16(f.bytes, header + kHeightField, 0xFFFF, be);
    const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
    EXPECT_EQ(Decode(f.bytes).result, plugin::kNoMemory);
    if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before);
  }
}

TEST(DecodeDxt, EmptyPictureIsRefused) {
  for (std::uint16_t format : kBaseFormats) {
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << format << ", " << Order(be));
      fixture::Picture pic;
      pic.big_endian = be;
      pic.format = format;
      pic.width = 0;
      pic.height = 4;
      const Decoded d = Decode(fixture::Write(pic).bytes);
      EXPECT_EQ(d.result, plugin::kUnsupported);
      EXPECT_TRUE(d.header.empty());
    }
  }
}

// Live blocks when the final progress call came.
std::uint32_t g_live_at_final = 0;

std::int32_t TOVAK_STDCALL CountAtFinal(std::int32_t numerator, std::int32_t, plugin::LongPtr) {
  if (numerator == 1) g_live_at_final = LiveBlocks();
  return numerator == 1 ? 1 : 0;  // stop there: the blocks stay with the host
}

TEST(DecodeDxt, OnlyTheTwoBlocksLiveAtTheFinalProgressCall) {
  if (!CanCountBlocks()) GTEST_SKIP() << "only the stand-in counts blocks";
  const Bytes file = Write(Uniform(fixture::kDxt1, 8, 8, Telltale()), false).bytes;
  const std::uint32_t before = LiveBlocks();
  Handle header{};
  Handle bits{};
  ASSERT_EQ(Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, &CountAtFinal, 0),
            plugin::kStopped);
  EXPECT_EQ(g_live_at_final, before + 2);  // the header and bits blocks only
  HostUnlock(header);
  HostUnlock(bits);
  HostFree(header);
  HostFree(bits);
  EXPECT_EQ(LiveBlocks(), before);
}

}  // namespace
}  // namespace tovak::test
