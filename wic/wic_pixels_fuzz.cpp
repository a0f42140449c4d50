// libFuzzer target: any bytes as the stream a WIC client hands the decoder,
// through the decoder's own logic over buffers, as the DLL runs it: the
// first look at the header, opening the picture, the whole picture decoded
// into rows of any stride, rectangles checked and copied out of the cached
// whole, and the palette. Besides the sanitizers it checks what a client
// relies on: a picture has pixels, every byte of every row is written and
// no byte beside them, a rectangle holds the whole's pixels, and a palette
// has a colour for every index.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "wic/picture.h"
#include "wic/pixels.h"

namespace {

using namespace tovak;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "wic_pixels_fuzz: %s\n", what);
  std::abort();
}

// Pictures of more pixels are opened but not decoded: larger ones exercise
// no code that these do not, and would slow the fuzzer to a crawl.
constexpr std::uint64_t kLargestDecoded = std::uint64_t{1} << 16;

// Requests come from the input's own bytes, so that a replay repeats them.
struct Choices {
  std::uint64_t state;
  std::uint32_t Next(std::uint32_t bound) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return bound == 0 ? 0 : static_cast<std::uint32_t>(state % bound);
  }
};

Choices ChoicesOf(const std::uint8_t* data, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325;
  for (std::size_t k = 0; k < size; ++k) hash = (hash ^ data[k]) * 0x100000001b3;
  return {hash | 1};
}

std::uint32_t PixelAt(const std::uint8_t* rows, std::uint64_t stride, unsigned bits,
                      std::uint64_t x, std::uint64_t y) {
  const std::uint8_t* row = rows + y * stride;
  if (bits == 4) return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15u;
  if (bits == 8) return row[x];
  std::uint32_t value = 0;
  std::memcpy(&value, row + 4 * x, 4);
  return value;
}

// The whole picture over two opposite fills, rows `pad` bytes apart beyond
// their own: the same rows in both, the padding untouched. Returns the
// first.
std::vector<std::uint8_t> DecodeTwice(const decode::PicturePlan& plan, std::uint64_t pad) {
  const std::uint64_t row = wic::RowBytes(plan, plan.image.width);
  const std::uint64_t stride = row + pad;
  const std::uint64_t bytes = stride * (plan.image.height - 1) + row;
  std::vector<std::uint8_t> zeros(bytes, 0x00), ones(bytes, 0xFF);
  Require(!wic::DecodeWhole(plan, zeros.data(), stride, bytes - 1),
          "a whole picture decoded into a buffer one byte short");
  Require(zeros == std::vector<std::uint8_t>(bytes, 0x00), "a refused decode wrote");
  Require(wic::DecodeWhole(plan, zeros.data(), stride, bytes) &&
              wic::DecodeWhole(plan, ones.data(), stride, bytes),
          "a whole picture failed to decode into a buffer of its size");
  for (std::uint64_t k = 0; k < bytes; ++k) {
    if (k % stride < row) {
      Require(zeros[k] == ones[k], "a row byte left unwritten");
    } else {
      Require(zeros[k] == 0x00 && ones[k] == 0xFF, "a byte between rows written");
    }
  }
  return zeros;
}

// A rectangle, inside the picture or not, copied out of the cached whole
// (rows `row` bytes apart) when the request is sound.
void CopyARectangle(const decode::PicturePlan& plan, const std::vector<std::uint8_t>& whole,
                    Choices& choices) {
  const std::uint32_t width = plan.image.width, height = plan.image.height;
  const unsigned bits = decode::IsIndexed(plan) ? plan.index_bits : 32;
  wic::Rect rect;
  rect.x = static_cast<std::int32_t>(choices.Next(width + 2)) - 1;
  rect.y = static_cast<std::int32_t>(choices.Next(height + 2)) - 1;
  rect.width = static_cast<std::int32_t>(choices.Next(width + 2));
  rect.height = static_cast<std::int32_t>(choices.Next(height + 2));
  const std::uint64_t row = wic::RowBytes(plan, static_cast<std::uint64_t>(rect.width));
  const std::uint64_t stride = row + choices.Next(5);
  const std::uint64_t bytes =
      rect.height < 1 ? 1 : stride * static_cast<std::uint64_t>(rect.height - 1) + row;
  const wic::Request request =
      wic::CheckRequest(plan, rect, stride, bytes, true);
  const bool inside = rect.x >= 0 && rect.y >= 0 &&
                      std::uint64_t(rect.x) + std::uint64_t(rect.width) <= width &&
                      std::uint64_t(rect.y) + std::uint64_t(rect.height) <= height;
  Require(inside == (request == wic::Request::kCopy || request == wic::Request::kNothing),
          "a rectangle judged against the picture's bounds wrongly");
  if (request != wic::Request::kCopy) return;
  Require(wic::CheckRequest(plan, rect, stride, bytes - 1, true) ==
              wic::Request::kBufferTooSmall,
          "a rectangle accepted into a buffer one byte short");
  std::vector<std::uint8_t> out(bytes, 0xA5);
  wic::CopyRect(plan, whole.data(), wic::RowBytes(plan, width), rect, out.data(), stride);
  for (std::int32_t y = 0; y < rect.height; ++y) {
    for (std::int32_t x = 0; x < rect.width; ++x) {
      Require(PixelAt(out.data(), stride, bits, std::uint64_t(x), std::uint64_t(y)) ==
                  PixelAt(whole.data(), wic::RowBytes(plan, width), bits,
                          std::uint64_t(rect.x + x), std::uint64_t(rect.y + y)),
              "a rectangle's pixel differs from the whole's");
    }
    if (bits == 4 && rect.width % 2 == 1) {
      Require((out[std::uint64_t(y) * stride + row - 1] & 15) == 0, "the nibble past a 4-bit row is not 0");
    }
  }
}

void CheckPalette(const decode::PicturePlan& plan) {
  std::uint32_t colours[wic::kMaxPaletteColours];
  const std::uint32_t count = wic::PaletteColours(plan, colours);
  Require(count == 1u << plan.index_bits, "a palette without a colour for every index");
  for (std::uint32_t k = std::min<std::uint32_t>(plan.palette.stored, count); k < count; ++k) {
    Require(colours[k] == 0xFF000000, "an index past the file's palette is not opaque black");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exactly sized heap block, so that any read past the end is caught.
  std::vector<std::uint8_t> copy(data, data + size);
  const gim::ByteView view{copy.data(), size};
  const bool starts_like_gim = wic::StartsLikeGim(
      {copy.data(), size < wic::kHeaderBytes ? size : wic::kHeaderBytes});

  decode::PicturePlan plan;
  const wic::Opening opening = wic::OpenPicture(view, plan);
  Require(starts_like_gim || opening == wic::Opening::kNotGim,
          "a picture opened that the first look turned away");
  if (opening != wic::Opening::kOpened) return 0;
  Require(plan.image.width != 0 && plan.image.height != 0, "a picture of no pixels opened");
  if (decode::IsIndexed(plan)) CheckPalette(plan);
  if (std::uint64_t{plan.image.width} * plan.image.height > kLargestDecoded) return 0;

  Choices choices = ChoicesOf(data, size);
  const std::vector<std::uint8_t> whole = DecodeTwice(plan, 0);
  // Rows decoded further apart are the same rows: the cache and a client's
  // buffer hold one picture.
  const std::uint64_t row = wic::RowBytes(plan, plan.image.width);
  const std::uint64_t pad = 1 + choices.Next(7);
  const std::vector<std::uint8_t> padded = DecodeTwice(plan, pad);
  for (std::uint64_t y = 0; y < plan.image.height; ++y) {
    Require(std::memcmp(padded.data() + y * (row + pad), whole.data() + y * row, row) == 0,
            "rows decoded at another stride differ");
  }
  for (int k = 0; k < 8; ++k) CopyARectangle(plan, whole, choices);
  return 0;
}
