// The pictures the client decodes: every GIM format in both byte orders and
// both pixel orders, of random stored bytes, and what the converter (the
// same build's tovak.exe) makes of each: its PNG, read back with libspng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wic/wic_client.h"

namespace tovak::wictest {

// Odd sizes: a 4-bit row ends in half a byte, and no plane ends on a tile.
inline constexpr std::uint32_t kWidth = 13, kHeight = 9;

struct Case {
  std::string name;
  std::uint16_t format = 0;
  bool big_endian = false;
  std::uint16_t pixel_order = 0;
  int index_bits = 0;  // 4 or 8 for INDEX4 and INDEX8, else 0
  Bytes file;
};

const std::vector<Case>& AllCases();

// The case's file named NAME.gim, or a copy under an extension another
// decoder claims (NAME.png).
fs::path CaseFile(const Case& c, bool wrong_extension);

// The converter's PNG of a case: RGBA with alpha for every picture (a
// paletted one through its palette and tRNS), and for a paletted one its
// index rows and its palette as WIC colours (0xAARRGGBB).
struct Reference {
  Bytes rgba;
  Bytes index_rows;
  std::uint64_t index_stride = 0;
  std::vector<std::uint32_t> palette;
};

const Reference& ReferenceOf(const Case& c);

// A pixel as the decoder lays it out: 32bppBGRA as the little-endian word
// of its four bytes, or an index.
std::uint32_t ExpectedPixel(const Case& c, std::uint32_t x, std::uint32_t y);
std::uint32_t PixelIn(const std::uint8_t* rows, std::uint64_t stride, int bits, std::uint32_t x,
                      std::uint32_t y);
// CopyPixels of `rect` (null: the whole picture) into two buffers of `size`
// bytes, one filled with 0x00 and one with 0xFF: every byte of every row
// (the first `row` bytes of each `stride`) must come out the same, that is,
// written whatever the buffer held.
void ExpectEveryRowByteWritten(IWICBitmapSource* source, const WICRect* rect, UINT stride,
                               UINT row, UINT size);

// Bits per pixel of the decoder's layout for a case.
int LayoutBits(const Case& c);

}  // namespace tovak::wictest
