// Channel expansion tables, the blend rule, and the conversion of GIM palette
// blocks into the RGBQUAD colour table of the header block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "decode/blend.h"
#include "decode/expansion.h"
#include "fixture/gim_writer.h"
#include "support/core_decode.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kSlack = 1024;

// An 8 x 2 INDEX8 picture (one 16-byte stored row each) with the palette.
fixture::Picture IndexedWithPalette(std::uint16_t palette_format, std::uint16_t count,
                                    const Bytes& entries, bool big_endian = false) {
  fixture::Picture pic;
  pic.big_endian = big_endian;
  pic.format = fixture::kIndex8;
  pic.width = 8;
  pic.height = 2;
  pic.pixels.assign(32, 0);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) pic.pixels[i] = static_cast<std::uint8_t>(i);
  pic.palette = fixture::Palette{palette_format, count, entries};
  return pic;
}

struct Quad {
  int blue, green, red, reserved;
};

Quad Entry(const Bytes& header, std::size_t k) {
  const std::size_t at = kInfoHeader + 4 * k;
  return {header.at(at), header.at(at + 1), header.at(at + 2), header.at(at + 3)};
}

#define EXPECT_QUAD(actual, b, g, r, a)          \
  do {                                           \
    const Quad q_ = (actual);                    \
    EXPECT_EQ(q_.blue, (b)) << "rgbBlue";        \
    EXPECT_EQ(q_.green, (g)) << "rgbGreen";      \
    EXPECT_EQ(q_.red, (r)) << "rgbRed";          \
    EXPECT_EQ(q_.reserved, (a)) << "rgbReserved"; \
  } while (0)

Quad Blended(int blue, int green, int red, int alpha) {
  return {ReferenceBlend(blue, kBackBlue, alpha), ReferenceBlend(green, kBackGreen, alpha),
          ReferenceBlend(red, kBackRed, alpha), alpha};
}

Bytes Words(std::initializer_list<std::uint16_t> words) {
  Bytes out;
  for (std::uint16_t w : words) {
    out.push_back(static_cast<std::uint8_t>(w));
    out.push_back(static_cast<std::uint8_t>(w >> 8));
  }
  return out;
}

TEST(ExpansionTables, KnownEntries) {
  const decode::ExpansionTables& t = decode::kExpansion;
  EXPECT_EQ(t.e5[3], 25);
  EXPECT_EQ(t.e5[7], 58);
  EXPECT_EQ(t.e5[24], 197);
  EXPECT_EQ(t.e5[28], 230);
  EXPECT_EQ(t.e6[11], 45);
  EXPECT_EQ(t.e6[12], 49);
  EXPECT_EQ(t.e6[48], 194);
  EXPECT_EQ(t.e6[52], 210);
  for (int v = 0; v < 16; ++v) EXPECT_EQ(t.e4[v], 17 * v) << "E4[" << v << "]";
  EXPECT_EQ(t.e1[0], 0);
  EXPECT_EQ(t.e1[1], 255);
}

TEST(ExpansionTables, EveryEntryIsTheRoundedScale) {
  std::uint8_t e1[2] = {};
  std::uint8_t e4[16] = {};
  std::uint8_t e5[32] = {};
  std::uint8_t e6[64] = {};
  decode::BuildExpansionTable(e1, 1);
  decode::BuildExpansionTable(e4, 4);
  decode::BuildExpansionTable(e5, 5);
  decode::BuildExpansionTable(e6, 6);
  for (unsigned v = 0; v < 2; ++v) EXPECT_EQ(e1[v], Expand(v, 1)) << "E1[" << v << "]";
  for (unsigned v = 0; v < 16; ++v) EXPECT_EQ(e4[v], Expand(v, 4)) << "E4[" << v << "]";
  for (unsigned v = 0; v < 32; ++v) {
    EXPECT_EQ(e5[v], Expand(v, 5)) << "E5[" << v << "]";
    EXPECT_EQ(decode::kExpansion.e5[v], e5[v]) << "E5[" << v << "]";
  }
  for (unsigned v = 0; v < 64; ++v) {
    EXPECT_EQ(e6[v], Expand(v, 6)) << "E6[" << v << "]";
    EXPECT_EQ(decode::kExpansion.e6[v], e6[v]) << "E6[" << v << "]";
  }
}

TEST(BlendRule, DividesBy256AndRoundsDown) {
  // White at alpha 254 over black keeps only 254/256 of its distance.
  EXPECT_EQ(decode::BlendChannel(255, 0, 254), 253);
  // 16 + (-16 * 136 >> 8) = 16 - 9: an arithmetic shift, not a division
  // that rounds towards zero (which would give 8).
  EXPECT_EQ(decode::BlendChannel(0, 16, 136), 7);
  EXPECT_EQ(decode::BlendChannel(0, 255, 1), 254);
  EXPECT_EQ(decode::BlendChannel(255, 0, 1), 0);

  // Every result lies between background and colour and matches the rule.
  for (int c = 0; c < 256; c += 3) {
    for (int b = 0; b < 256; b += 5) {
      for (int a = 1; a < 255; ++a) {
        const int got = decode::BlendChannel(static_cast<std::uint8_t>(c),
                                             static_cast<std::uint8_t>(b),
                                             static_cast<std::uint8_t>(a));
        ASSERT_EQ(got, ReferenceBlend(c, b, a)) << "c " << c << " b " << b << " a " << a;
        ASSERT_GE(got, std::min(b, c));
        ASSERT_LE(got, std::max(b, c));
      }
    }
  }
}

TEST(BlendRule, AlphaZeroTakesTheBackgroundAndAlpha255KeepsTheColour) {
  const decode::BlendSettings on{true, 0x282010};
  const decode::Bgra clear = decode::Blend({0xC0, 0xD0, 0xE0, 0}, on);
  EXPECT_EQ(clear.b, kBackBlue);
  EXPECT_EQ(clear.g, kBackGreen);
  EXPECT_EQ(clear.r, kBackRed);
  EXPECT_EQ(clear.a, 0);
  const decode::Bgra opaque = decode::Blend({0xC0, 0xD0, 0xE0, 255}, on);
  EXPECT_EQ(opaque.b, 0xC0);
  EXPECT_EQ(opaque.g, 0xD0);
  EXPECT_EQ(opaque.r, 0xE0);
  // The background's top byte plays no part; blue comes from bits 16-23.
  const decode::Bgra other = decode::Blend({1, 2, 3, 0}, {true, 0xFF123456});
  EXPECT_EQ(other.b, 0x12);
  EXPECT_EQ(other.g, 0x34);
  EXPECT_EQ(other.r, 0x56);
  const decode::Bgra off = decode::Blend({0xC0, 0xD0, 0xE0, 0}, {false, 0x282010});
  EXPECT_EQ(off.b, 0xC0);
  EXPECT_EQ(off.g, 0xD0);
  EXPECT_EQ(off.r, 0xE0);
}

TEST(PaletteConversion, Rgba5650EntriesAreNeverBlended) {
  // No alpha: rgbReserved is 0, which must not count as transparent.
  const Decoded d = Decode(fixture::Write(IndexedWithPalette(
      fixture::kRgba5650, 5, Words({0xF800, 0x001F, 0x07E0, 0x0000, 0x3A6B}))).bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  // An 8-bit picture's table holds every entry an index reaches.
  EXPECT_EQ(U32(d.header, 32), 256u);
  EXPECT_QUAD(Entry(d.header, 0), 255, 0, 0, 0);
  EXPECT_QUAD(Entry(d.header, 1), 0, 0, 255, 0);
  EXPECT_QUAD(Entry(d.header, 2), 0, 255, 0, 0);
  EXPECT_QUAD(Entry(d.header, 3), 0, 0, 0, 0);
  // 0x3A6B: blue 7, green 19, red 11.
  EXPECT_QUAD(Entry(d.header, 4), 58, Expand(19, 6), Expand(11, 5), 0);
}

TEST(PaletteConversion, Rgba5551EntriesAreOpaqueOrBackground) {
  const Decoded d = Decode(fixture::Write(IndexedWithPalette(
      fixture::kRgba5551, 5, Words({0x801F, 0x001F, 0xFFFF, 0x7C00, 0x8C63}))).bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  EXPECT_QUAD(Entry(d.header, 0), 0, 0, 255, 255);
  EXPECT_QUAD(Entry(d.header, 1), kBackBlue, kBackGreen, kBackRed, 0);
  EXPECT_QUAD(Entry(d.header, 2), 255, 255, 255, 255);
  EXPECT_QUAD(Entry(d.header, 3), kBackBlue, kBackGreen, kBackRed, 0);
  // 0x8C63: alpha set, blue 3, green 3, red 3.
  EXPECT_QUAD(Entry(d.header, 4), 25, 25, 25, 255);
}

TEST(PaletteConversion, Rgba4444EntriesAreBlendedByTheirAlpha) {
  const Decoded d = Decode(fixture::Write(IndexedWithPalette(
      fixture::kRgba4444, 4, Words({0x8F00, 0xF00F, 0x0FFF, 0x5A3C}))).bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  // Alpha 136: blue 40 + (215 * 136 >> 8) = 154, green 32 + (-32 * 136 >> 8)
  // = 15, red 16 + (-16 * 136 >> 8) = 7.
  EXPECT_QUAD(Entry(d.header, 0), 154, 15, 7, 136);
  EXPECT_QUAD(Entry(d.header, 1), 0, 0, 255, 255);
  EXPECT_QUAD(Entry(d.header, 2), kBackBlue, kBackGreen, kBackRed, 0);
  // 0x5A3C: alpha 5, blue 10, green 3, red 12.
  const Quad q = Entry(d.header, 3);
  const Quad want = Blended(170, 51, 204, 85);
  EXPECT_QUAD(q, want.blue, want.green, want.red, want.reserved);
}

TEST(PaletteConversion, Rgba8888EntriesSwapRedAndBlue) {
  const Bytes entries = {0x10, 0x20, 0x30, 0x40,   // translucent
                         0x10, 0x20, 0x30, 0xFF,   // opaque
                         0xF0, 0x80, 0x05, 0x00,   // clear
                         0xF0, 0x80, 0x05, 0xC3};  // translucent, far from the background
  const Decoded d = Decode(fixture::Write(IndexedWithPalette(fixture::kRgba8888, 4, entries)).bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  const Quad q0 = Blended(0x30, 0x20, 0x10, 0x40);
  EXPECT_QUAD(Entry(d.header, 0), q0.blue, q0.green, q0.red, 0x40);
  EXPECT_QUAD(Entry(d.header, 1), 0x30, 0x20, 0x10, 0xFF);
  EXPECT_QUAD(Entry(d.header, 2), kBackBlue, kBackGreen, kBackRed, 0);
  // Blue 40 + (-35 * 195 >> 8) = 13, green 32 + (96 * 195 >> 8) = 105,
  // red 16 + (224 * 195 >> 8) = 186.
  EXPECT_QUAD(Entry(d.header, 3), 13, 105, 186, 0xC3);
}

TEST(PaletteConversion, UnknownFormatsAreReadAsRgba8888) {
  Bytes entries;
  for (int k = 0; k < 24; ++k) {
    for (int c = 0; c < 4; ++c) entries.push_back(static_cast<std::uint8_t>(k * 37 + c * 71 + 5));
  }
  entries[3] = 0xFF;
  entries[7] = 0x00;
  for (std::uint16_t format : {std::uint16_t{5}, std::uint16_t{7}, std::uint16_t{0x40}}) {
    SCOPED_TRACE(format);
    const Decoded d = Decode(fixture::Write(IndexedWithPalette(format, 24, entries)).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(U32(d.header, 32), 256u);
    for (std::size_t k = 0; k < 24; ++k) {
      const std::uint8_t* e = &entries[4 * k];
      const Quad want = Blended(e[2], e[1], e[0], e[3]);
      EXPECT_QUAD(Entry(d.header, k), want.blue, want.green, want.red, want.reserved);
    }
  }
}

TEST(PaletteConversion, BigEndianFilesKeepEntriesInStoredOrder) {
  // 16-bit entries are least significant byte first in both byte orders:
  // bytes 00 F8 are the word 0xF800 (blue).
  {
    const Decoded d = Decode(fixture::Write(IndexedWithPalette(
        fixture::kRgba5650, 2, {0x00, 0xF8, 0x1F, 0x00}, true)).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(U32(d.header, 32), 256u);
    EXPECT_QUAD(Entry(d.header, 0), 255, 0, 0, 0);
    EXPECT_QUAD(Entry(d.header, 1), 0, 0, 255, 0);
  }
  {
    // 0x8F00 stored as 00 8F, 0x801F as 1F 80.
    const Decoded d = Decode(fixture::Write(IndexedWithPalette(
        fixture::kRgba4444, 1, {0x00, 0x8F}, true)).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_QUAD(Entry(d.header, 0), 154, 15, 7, 136);
    const Decoded e = Decode(fixture::Write(IndexedWithPalette(
        fixture::kRgba5551, 1, {0x1F, 0x80}, true)).bytes);
    ASSERT_EQ(e.result, plugin::kSuccess);
    EXPECT_QUAD(Entry(e.header, 0), 0, 0, 255, 255);
  }
  {
    const Decoded d = Decode(fixture::Write(IndexedWithPalette(
        fixture::kRgba8888, 1, {0x10, 0x20, 0x30, 0xFF}, true)).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_QUAD(Entry(d.header, 0), 0x30, 0x20, 0x10, 0xFF);
  }
}

TEST(PaletteConversion, EntriesAreReadFromBlockOffset80WhateverPixelsStartSays) {
  const Bytes entries = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0xFF};
  for (std::uint32_t pixels_start : {0u, 16u, 80u, 0x1000u, 0xFFFFFFF0u}) {
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "pixels_start " << pixels_start << " be " << be);
      fixture::File file = fixture::Write(IndexedWithPalette(fixture::kRgba8888, 2, entries, be));
      fixture::PutU32(file.bytes, file.layout.palette + 16 + 28, pixels_start, be);
      const Decoded d = Decode(file.bytes);
      ASSERT_EQ(d.result, plugin::kSuccess);
      EXPECT_QUAD(Entry(d.header, 0), 0x30, 0x20, 0x10, 0xFF);
      EXPECT_QUAD(Entry(d.header, 1), 0x60, 0x50, 0x40, 0xFF);
    }
  }
}

// A 5 x 3 RGBA8888 picture whose bytes, alpha included, all differ.
fixture::Picture Direct5x3() {
  fixture::Picture pic;
  pic.format = fixture::kRgba8888;
  pic.width = 5;
  pic.height = 3;
  pic.pixels.assign(fixture::StoredRowBytes(pic.format, 5) * 3, 0);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) {
    pic.pixels[i] = static_cast<std::uint8_t>(i * 29 + 3);
  }
  return pic;
}

TEST(PaletteConversion, DirectColourPictureWithAPaletteGetsATableAndUnchangedPixels) {
  fixture::Picture plain = Direct5x3();
  fixture::Picture with = plain;
  Bytes entries;
  for (int k = 0; k < 16; ++k) {
    entries.insert(entries.end(), {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(16 * k),
                                   static_cast<std::uint8_t>(255 - k), 0xFF});
  }
  with.palette = fixture::Palette{fixture::kRgba8888, 16, entries};
  for (bool be : {false, true}) {
    SCOPED_TRACE(be);
    plain.big_endian = be;
    with.big_endian = be;
    const Decoded a = Decode(fixture::Write(plain).bytes);
    const Decoded b = Decode(fixture::Write(with).bytes);
    ASSERT_EQ(a.result, plugin::kSuccess);
    ASSERT_EQ(b.result, plugin::kSuccess);
    EXPECT_EQ(b.header.size(), kInfoHeader + kSlack);
    EXPECT_EQ(U32(b.header, 32), 16u);  // biClrUsed
    EXPECT_EQ(U32(b.header, 36), 16u);  // biClrImportant
    EXPECT_EQ(U32(a.header, 32), 0u);
    EXPECT_EQ(b.header[14], 24);  // biBitCount
    EXPECT_EQ(U32(b.header, 20), 16u * 3);  // biSizeImage
    for (std::size_t k = 0; k < 16; ++k) {
      EXPECT_QUAD(Entry(b.header, k), static_cast<int>(255 - k), static_cast<int>(16 * k),
                  static_cast<int>(k), 255);
    }
    EXPECT_EQ(a.bits, b.bits);
  }
}

// Every index shows black, as the converter shows it: the table is whole,
// and its entries zero.
TEST(PaletteConversion, IndexedPictureWithoutPaletteHasABlackTable) {
  for (std::uint16_t format : {std::uint16_t{fixture::kIndex4}, std::uint16_t{fixture::kIndex8}}) {
    SCOPED_TRACE(format);
    fixture::Picture pic;
    pic.format = format;
    pic.width = 6;
    pic.height = 2;
    pic.pixels.assign(32, 0x35);
    const Decoded d = Decode(fixture::Write(pic).bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(d.header.size(), kInfoHeader + kSlack);
    EXPECT_EQ(U32(d.header, 32), format == fixture::kIndex4 ? 16u : 256u);
    EXPECT_EQ(U32(d.header, 36), format == fixture::kIndex4 ? 16u : 256u);
    EXPECT_EQ(d.header[14], format == fixture::kIndex4 ? 4 : 8);
    for (std::size_t i = kInfoHeader; i < d.header.size(); ++i) {
      ASSERT_EQ(d.header[i], 0) << "header byte " << i;
    }
    // The pixels still arrive: bottom row first, nibbles exchanged for 4 bits.
    EXPECT_EQ(d.bits[0], format == fixture::kIndex4 ? 0x53 : 0x35);
  }
}

// A host copies biClrUsed entries into a table of 256: a larger palette
// beside a direct-colour picture announces and converts 256 entries. The
// header block keeps its size for all of them; the rest of it stays zero.
TEST(PaletteConversion, DirectColourPictureWithMoreThan256EntriesShowsTheFirst256) {
  fixture::Picture pic = Direct5x3();
  Bytes entries;
  for (int k = 0; k < 300; ++k) {
    entries.insert(entries.end(), {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                                   static_cast<std::uint8_t>(k * 7), 0xFF});
  }
  pic.palette = fixture::Palette{fixture::kRgba8888, 300, entries};
  const Decoded d = Decode(fixture::Write(pic).bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  EXPECT_EQ(d.header.size(), kInfoHeader + 4 * 300);
  EXPECT_EQ(U32(d.header, 32), 256u);
  EXPECT_EQ(U32(d.header, 36), 256u);
  for (std::size_t k = 0; k < 300; ++k) {
    if (k < 256) {
      EXPECT_QUAD(Entry(d.header, k), static_cast<int>((k * 7) & 0xFF), static_cast<int>(k >> 8),
                  static_cast<int>(k & 0xFF), 255);
    } else {
      EXPECT_QUAD(Entry(d.header, k), 0, 0, 0, 0);
    }
  }
}

// A palette block the file cuts short is a damaged file; one whose block
// holds fewer entries than its header states shows the entries it holds
// and black for the rest.
TEST(PaletteConversion, EntriesBeyondTheInputAreRefusedAndEntriesBeyondTheBlockAreBlack) {
  Bytes entries(16 * 4, 0x7F);
  for (bool be : {false, true}) {
    SCOPED_TRACE(be);
    const fixture::File file = fixture::Write(IndexedWithPalette(fixture::kRgba8888, 16, entries, be));
    const std::size_t end = file.layout.entries + 16 * 4;
    ASSERT_EQ(end, file.bytes.size());
    EXPECT_EQ(Decode(file.bytes, static_cast<std::int64_t>(end - 1)).result, plugin::kUnsupported);
    EXPECT_EQ(Decode(file.bytes, static_cast<std::int64_t>(end)).result, plugin::kSuccess);

    // 16-bit entries: 16 words need 32 bytes.
    const fixture::File words =
        fixture::Write(IndexedWithPalette(fixture::kRgba5551, 16, Bytes(32, 0x11), be));
    EXPECT_EQ(Decode(words.bytes, static_cast<std::int64_t>(words.layout.entries + 31)).result,
              plugin::kUnsupported);
    EXPECT_EQ(Decode(words.bytes, static_cast<std::int64_t>(words.layout.entries + 32)).result,
              plugin::kSuccess);

    // Blocks sized for the bytes they hold, one byte short of 16 entries:
    // 15 entries and a black 16th.
    for (const std::uint16_t format : {fixture::kRgba8888, fixture::kRgba4444}) {
      const std::size_t bytes = format == fixture::kRgba8888 ? 63 : 31;
      const Decoded d =
          Decode(fixture::Write(IndexedWithPalette(format, 16, Bytes(bytes, 0x7F), be)).bytes);
      ASSERT_EQ(d.result, plugin::kSuccess);
      EXPECT_NE(Entry(d.header, 14).blue, 0);
      EXPECT_QUAD(Entry(d.header, 15), 0, 0, 0, 0);
    }

    // A count far beyond the stored entries, the block holding 16.
    fixture::File big = file;
    fixture::PutU16(big.bytes, big.layout.palette + 16 + 8, 0xFFFF, be);
    const Decoded d = Decode(big.bytes);
    ASSERT_EQ(d.result, plugin::kSuccess);
    EXPECT_EQ(U32(d.header, 32), 256u);
    EXPECT_QUAD(Entry(d.header, 16), 0, 0, 0, 0);
  }
}

// Indices at or past the palette's entries show black in every consumer:
// the DIB's table has all 256 entries, those past the 200 stored zero, and
// the core's RGBA is opaque black, as the converter writes it.
TEST(PaletteConversion, IndicesPastThePaletteShowBlack) {
  Bytes entries;
  for (int k = 0; k < 200; ++k) entries.insert(entries.end(), {0x80, 0x80, 0x80, 0xFF});
  fixture::Picture pic = IndexedWithPalette(fixture::kRgba8888, 200, entries);
  pic.pixels[0] = 253;
  pic.pixels[1] = 199;
  const fixture::File file = fixture::Write(pic);
  const Decoded d = Decode(file.bytes);
  ASSERT_EQ(d.result, plugin::kSuccess);
  EXPECT_EQ(U32(d.header, 32), 256u);
  EXPECT_QUAD(Entry(d.header, 199), 0x80, 0x80, 0x80, 0xFF);
  EXPECT_QUAD(Entry(d.header, 200), 0, 0, 0, 0);
  EXPECT_QUAD(Entry(d.header, 253), 0, 0, 0, 0);
  const CoreDecoded core = DecodeWithCore(file.bytes);
  ASSERT_EQ(core.failure, decode::Failure::kNone);
  EXPECT_EQ(Bytes(core.rgba.begin(), core.rgba.begin() + 8),
            (Bytes{0, 0, 0, 255, 0x80, 0x80, 0x80, 0xFF}));
}

}  // namespace
}  // namespace tovak::test
