// Encoded files laid out as the real files that the PSP's own converter
// wrote: the two samples, encoded again from their own indices and palettes,
// come back field by field and byte for byte; every format's image header
// equals the sample's of the same pixel order in every field but those that
// describe the picture; the big-endian variant, the stored bytes of a few
// hand-made pictures, palettes stored whole and the file-info block.
#include <gtest/gtest.h>
#include <squish.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "encode/encode.h"
#include "gim/container.h"
#include "gim/picture_info.h"
#include "support/core_decode.h"
#include "support/host_calls.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;

struct Field {
  const char* name;
  std::size_t at;  // from the block's start
  std::size_t bytes;
};

// Block header, image header, then the offset table's first entry.
constexpr Field kLevelFields[] = {
    {"block id", 0, 2},        {"block size", 4, 4},     {"block step", 8, 4},
    {"block child", 12, 4},    {"header size", 16, 2},   {"format", 20, 2},
    {"pixel order", 22, 2},    {"width", 24, 2},         {"height", 26, 2},
    {"bits per pixel", 28, 2}, {"pitch align", 30, 2},   {"height align", 32, 2},
    {"dimensions", 34, 2},     {"index start", 40, 4},   {"pixels start", 44, 4},
    {"pixels end", 48, 4},     {"plane mask", 52, 4},    {"level type", 56, 2},
    {"level count", 58, 2},    {"frame type", 60, 2},    {"frame count", 62, 2},
    {"offset table", 64, 4},
};

std::uint32_t Read(const Bytes& b, std::size_t at, std::size_t bytes, bool be) {
  return bytes == 2 ? U16(b, at, be) : U32(b, at, be);
}

std::size_t PaletteBlock(const Bytes& b, bool be) { return 48 + U32(b, 48 + 8, be); }

// Compares every field of the level block at `at` in both files, but the
// ones named in `differ`, which must hold the values given.
void ExpectLevelFields(const Bytes& sample, std::size_t sample_at, const Bytes& ours,
                       std::size_t our_at, bool be,
                       const std::vector<std::pair<std::string, std::uint32_t>>& differ) {
  for (const Field& f : kLevelFields) {
    std::uint32_t want = Read(sample, sample_at + f.at, f.bytes, false);
    for (const auto& [name, value] : differ) {
      if (name == f.name) want = value;
    }
    EXPECT_EQ(Read(ours, our_at + f.at, f.bytes, be), want) << f.name;
  }
}

Bytes SampleBytes(const std::string& name) {
  const fs::path dir = SamplesDir();
  return dir.empty() ? Bytes() : ReadAll(dir / name);
}

Bytes EncodeOrFail(const encode::SourcePicture& picture, const encode::EncodeOptions& options) {
  Bytes file;
  const encode::Outcome outcome = encode::Encode(picture, options, file);
  EXPECT_EQ(outcome.failure, encode::Failure::kNone) << encode::FailureText(outcome.failure);
  return file;
}

TEST(EncodeLayout, SamplesEncodedAgainFromTheirIndicesComeBackByteForByte) {
  const struct {
    const char* name;
    std::uint16_t format;
    bool swizzled;
  } samples[] = {{"index8-64x64.gim", gim::kIndex8, false},
                 {"index4-swizzled-64x32.gim", gim::kIndex4, true}};
  for (const auto& s : samples) {
    SCOPED_TRACE(s.name);
    const Bytes sample = SampleBytes(s.name);
    if (sample.empty()) GTEST_SKIP() << "no sample " << s.name;
    const CoreDecoded d = DecodeWithCore(sample);
    ASSERT_EQ(d.failure, decode::Failure::kNone);
    encode::EncodeOptions options;
    options.format = s.format;
    options.swizzled = s.swizzled;
    const Bytes ours = EncodeOrFail({d.width, d.height, nullptr, d.indices.data(), d.palette.data(),
                                     static_cast<std::uint32_t>(d.palette.size() / 4)},
                                    options);
    ASSERT_EQ(ours.size(), sample.size());
    for (std::size_t at = 0; at < 16; ++at) EXPECT_EQ(ours[at], sample[at]) << "file header byte " << at;
    for (const std::size_t block : {kRoot, kPicture}) {
      for (std::size_t at = 0; at < 16; at += 4) {
        EXPECT_EQ(U32(ours, block + at), U32(sample, block + at)) << "block " << block << " byte " << at;
      }
    }
    ExpectLevelFields(sample, 48, ours, 48, false, {});
    ExpectLevelFields(sample, PaletteBlock(sample, false), ours, PaletteBlock(ours, false), false, {});
    EXPECT_EQ(ours, sample);
  }
}

struct FormatCase {
  std::uint16_t format;
  std::uint16_t bits_per_pixel;
  // Stored bytes of a 33 x 20 picture in normal order, and of 33 x 20
  // (DXT: 33 x 24) in swizzled order: rows padded to 16 bytes (DXT: block
  // rows across the padded width), swizzled planes to whole 8-row tile rows.
  std::uint32_t normal_bytes;
  std::uint32_t swizzled_bytes;
};

constexpr FormatCase kFormats[] = {
    {gim::kRgba5650, 16, 80 * 20, 80 * 24}, {gim::kRgba5551, 16, 80 * 20, 80 * 24},
    {gim::kRgba4444, 16, 80 * 20, 80 * 24}, {gim::kRgba8888, 32, 144 * 20, 144 * 24},
    {gim::kIndex4, 4, 32 * 20, 32 * 24},    {gim::kIndex8, 8, 48 * 20, 48 * 24},
    {gim::kDxt1, 4, 10 * 5 * 8, 10 * 6 * 8}, {gim::kDxt3, 8, 9 * 5 * 16, 9 * 6 * 16},
    {gim::kDxt5, 8, 9 * 5 * 16, 9 * 6 * 16},
};

TEST(EncodeLayout, EveryFormatsHeadersAreTheSamplesOfItsPixelOrder) {
  const Bytes normal = SampleBytes("index8-64x64.gim");
  const Bytes swizzled = SampleBytes("index4-swizzled-64x32.gim");
  if (normal.empty() || swizzled.empty()) GTEST_SKIP() << "no samples";
  // Sixteen colours, so that the indexed formats hold them all.
  Bytes rgba(std::size_t{4} * 33 * 24);
  for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>((i / 4 % 16) * 17);
  for (const FormatCase& c : kFormats) {
    for (const bool be : {false, true}) {
      for (const bool swz : {false, true}) {
        SCOPED_TRACE(std::to_string(c.format) + (be ? " big-endian" : "") + (swz ? " swizzled" : ""));
        const Bytes& sample = swz ? swizzled : normal;
        const std::uint32_t height = swz && c.format >= gim::kDxt1 ? 24 : 20;
        encode::EncodeOptions options;
        options.format = c.format;
        options.big_endian = be;
        options.swizzled = swz;
        const Bytes ours = EncodeOrFail({33, height, rgba.data()}, options);
        ASSERT_GE(ours.size(), 48u + 80u);
        const std::uint32_t data = swz ? c.swizzled_bytes : c.normal_bytes;
        ExpectLevelFields(sample, 48, ours, 48, be,
                          {{"block size", 80 + data}, {"block step", 80 + data},
                           {"format", c.format}, {"width", 33}, {"height", height},
                           {"bits per pixel", c.bits_per_pixel}, {"pixels end", 64 + data}});
        const bool indexed = c.format == gim::kIndex4 || c.format == gim::kIndex8;
        // Palettes are stored whole: 16 or 256 RGBA8888 entries.
        const std::uint32_t entries = c.format == gim::kIndex4 ? 16 : 256;
        const std::size_t end = 48 + 80 + data + (indexed ? 80 + 4 * entries : 0);
        EXPECT_EQ(ours.size(), end);
        EXPECT_EQ(U32(ours, kRoot + 4, be), end - kRoot);
        EXPECT_EQ(U32(ours, kPicture + 4, be), end - kPicture);
        if (indexed) {
          ExpectLevelFields(normal, PaletteBlock(normal, false), ours, PaletteBlock(ours, be), be,
                            {{"block size", 80 + 4 * entries}, {"block step", 80 + 4 * entries},
                             {"width", entries}, {"pixels end", 64 + 4 * entries}});
        }
      }
    }
  }
}

TEST(EncodeLayout, BigEndianFilesSwapTheContainerAndKeepThePixelBytes) {
  const std::uint8_t pixels[] = {255, 0, 0, 255, 0, 255, 0, 0};
  for (const bool be : {false, true}) {
    SCOPED_TRACE(be ? "big-endian" : "little-endian");
    encode::EncodeOptions options;
    options.format = gim::kRgba5551;
    options.big_endian = be;
    const Bytes file = EncodeOrFail({2, 1, pixels}, options);
    const std::string head(file.begin(), file.begin() + 12);
    EXPECT_EQ(head, be ? std::string(".GIM1.00\0PSP", 12) : std::string("MIG.00.1PSP\0", 12));
    EXPECT_EQ(U16(file, 48, be), gim::kImageBlock);
    EXPECT_EQ(U16(file, 64 + 4, be), gim::kRgba5551);
    // Opaque red 0x801F and transparent green 0x03E0, low byte first in
    // both byte orders, then the row's padding to 16 bytes.
    const Bytes stored(file.begin() + 128, file.end());
    EXPECT_EQ(stored, (Bytes{0x1F, 0x80, 0xE0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  }
}

// INDEX4 pairs keep the left pixel in the low nibble; each row is padded to
// 16 bytes.
TEST(EncodeLayout, Index4PacksTheLeftPixelLow) {
  const std::uint8_t indices[] = {1, 2, 3, 4, 5, 6};
  const std::uint8_t palette[4 * 7] = {};
  encode::EncodeOptions options;
  options.format = gim::kIndex4;
  const Bytes file = EncodeOrFail({3, 2, nullptr, indices, palette, 7}, options);
  const Bytes rows(file.begin() + 128, file.begin() + 128 + 32);
  Bytes want(32, 0);
  want[0] = 0x21;
  want[1] = 0x03;
  want[16] = 0x54;
  want[17] = 0x06;
  EXPECT_EQ(rows, want);
  // Seven entries used, sixteen stored, the unused ones zero.
  const std::size_t palette_block = PaletteBlock(file, false);
  EXPECT_EQ(U16(file, palette_block + 24), 16);
  EXPECT_EQ(U32(file, palette_block + 48), 64u + 64);
  EXPECT_EQ(file.size(), palette_block + 80 + 64);
}

// Little-endian files hold each block's parts in their own order; big-endian
// ones plain S3TC blocks.
TEST(EncodeLayout, DxtBlocksAreStoredInTheOrderOfTheByteOrder) {
  std::uint8_t pixels[64];
  for (int i = 0; i < 64; ++i) pixels[i] = static_cast<std::uint8_t>(i * 37 + 11);
  const struct {
    std::uint16_t format;
    int flags;
    // Stored block from the S3TC block: {stored at, S3TC at, bytes}.
    std::vector<std::array<int, 3>> parts;
  } cases[] = {
      {gim::kDxt1, squish::kDxt1, {{0, 4, 4}, {4, 0, 4}}},
      {gim::kDxt3, squish::kDxt3, {{0, 12, 4}, {4, 8, 4}, {8, 0, 8}}},
      {gim::kDxt5, squish::kDxt5, {{0, 12, 4}, {4, 8, 4}, {8, 2, 6}, {14, 0, 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    std::uint8_t s3tc[16];
    squish::CompressImage(pixels, 4, 4, s3tc, c.flags | squish::kColourClusterFit);
    const std::size_t block_bytes = c.format == gim::kDxt1 ? 8 : 16;
    for (const bool be : {false, true}) {
      encode::EncodeOptions options;
      options.format = c.format;
      options.big_endian = be;
      const Bytes file = EncodeOrFail({4, 4, pixels}, options);
      const Bytes stored(file.begin() + 128, file.begin() + 128 + static_cast<std::ptrdiff_t>(block_bytes));
      Bytes want(s3tc, s3tc + block_bytes);
      if (!be) {
        for (const auto& [to, from, n] : c.parts) std::copy_n(s3tc + from, n, want.begin() + to);
      }
      EXPECT_EQ(stored, want) << (be ? "big-endian" : "little-endian");
    }
  }
}

// As in real files: the root block's last child, after the picture block,
// the root block reaching the end of the file.
TEST(EncodeLayout, FileInfoBlockIsTheRootBlocksLastChildAndShowsInTheInfoText) {
  const std::uint8_t pixels[4] = {1, 2, 3, 4};
  for (const bool be : {false, true}) {
    SCOPED_TRACE(be ? "big-endian" : "little-endian");
    encode::EncodeOptions options;
    options.big_endian = be;
    options.info = {"\xC3\xA9t\xC3\xA9.png", "someone", "Mon Mar 16 20:14:52 2009", "tovak 1.0"};
    const Bytes file = EncodeOrFail({1, 1, pixels}, options);
    const std::size_t info = kPicture + U32(file, kPicture + 4, be);
    // 9 + 8 + 25 + 10 bytes: 52, padded to 64.
    EXPECT_EQ(file.size(), info + 16 + 64);
    EXPECT_EQ(U32(file, kRoot + 4, be), file.size() - kRoot);
    EXPECT_EQ(U16(file, info, be), gim::kFileInfoBlock);
    EXPECT_EQ(U32(file, info + 4, be), 80u);
    EXPECT_EQ(U32(file, info + 8, be), 80u);

    const gim::ByteView view{file.data(), file.size()};
    const gim::Recognition r = gim::Recognise(view);
    ASSERT_TRUE(r.recognised);
    std::string text(64 * 1024, '\0');
    const gim::Reader reader{view, be};
    const gim::Blocks blocks = gim::FindBlocks(reader, gim::BlockSearch::kWithFileInfo);
    text.resize(gim::ComposeInfoText(reader, blocks, text.data(), text.size()));
    EXPECT_NE(text.find("\r\n[Info]\r\n\xC3\xA9t\xC3\xA9.png\r\nsomeone\r\nMon Mar 16 20:14:52 2009\r\ntovak 1.0\r\n"),
              std::string::npos) << text;
  }
}

}  // namespace
}  // namespace tovak::test
