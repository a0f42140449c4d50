// DXT pictures decoded block by block with SSE2: each 4 x 4 block's texel
// rows are held in four registers, blended there while the block's alphas
// are at hand, and handed to the row converter, which packs them and writes
// them to their final place. There is no decoded plane.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decode/dxt.h"
#include "decode/plane_walk.h"
#include "decode/sse2_pixels.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::decode {

namespace dxt {

// Where a block's parts lie as stored: S3TC byte `s3tc` of the block is
// stored byte StoredAt(...) of it.
constexpr unsigned StoredAt(gim::DxtKind kind, bool reorder, unsigned s3tc) {
  if (!reorder) return s3tc;
  const gim::DxtLayout layout = gim::DescribeDxt(kind);
  for (unsigned i = 0; i < layout.part_count; ++i) {
    const gim::BlockPart& part = layout.parts[i];
    if (s3tc >= part.s3tc && s3tc < part.s3tc + part.bytes) return part.stored + s3tc - part.s3tc;
  }
  return s3tc;
}

// The stored offsets of the parts decoding reads. Each part is contiguous
// in both orders.
struct Parts {
  unsigned colour = 0;   // the two 16-bit colour endpoints
  unsigned indices = 4;  // 16 2-bit colour indices
  unsigned alpha = 0;    // DXT3: 16 4-bit alphas; DXT5: the two alpha endpoints
  unsigned alpha_indices = 2;  // DXT5: 16 3-bit alpha indices in 6 bytes
};

constexpr Parts PartsOf(gim::DxtKind kind, bool reorder) {
  const unsigned colour = kind == gim::DxtKind::kDxt1 ? 0 : 8;
  return {StoredAt(kind, reorder, colour), StoredAt(kind, reorder, colour + 4),
          StoredAt(kind, reorder, 0), StoredAt(kind, reorder, 2)};
}

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Exact quotients of small sums by 3, 5 and 7 as a high multiplication by
// 65536 / d rounded up: exact for every sum that occurs (checked below).
inline constexpr std::uint16_t kThird = 21846, kFifth = 13108, kSeventh = 9363;

constexpr bool QuotientsHold() {
  for (std::uint32_t x = 0; x <= 7 * 255; ++x) {
    if (x <= 3 * 255 && (x * kThird >> 16) != x / 3) return false;
    if (x <= 5 * 255 && (x * kFifth >> 16) != x / 5) return false;
    if ((x * kSeventh >> 16) != x / 7) return false;
  }
  return true;
}
static_assert(QuotientsHold());

inline __m128i Lanes16(short a, short b, short c, short d) { return _mm_setr_epi16(a, b, c, d, a, b, c, d); }

// The two colour endpoints as 16-bit lanes, the first in lanes 0-3, the
// second in 4-7, channels in the output's order and alpha `alpha`. A 5-bit
// field v widens by bit replication to v * 33 >> 2, a 6-bit one to
// v * 65 >> 4: with the field left where it lies (blue moved up to red's
// bits), one high multiplication each.
// The masks and multipliers below are made for the format table's 5-6-5
// endpoints.
constexpr bool EndpointsAre565(std::uint16_t code) {
  const gim::ChannelBits bits = gim::DescribeFormat(code)->channels;
  return bits.red == 5 && bits.green == 6 && bits.blue == 5;
}
static_assert(EndpointsAre565(gim::kDxt1) && EndpointsAre565(gim::kDxt3) &&
              EndpointsAre565(gim::kDxt5));

template <bool kBlueFirst>
inline __m128i Endpoints(std::uint32_t endpoints, short alpha) {
  const __m128i v = _mm_cvtsi32_si128(static_cast<int>(endpoints));
  const __m128i pairs = _mm_unpacklo_epi16(v, v);
  const __m128i lanes = _mm_unpacklo_epi32(pairs, pairs);
  constexpr short kRed = -0x800, kGreen = 0x07E0, kBlue = 0x1F;  // bits 11-15, 5-10, 0-4
  const __m128i fields = _mm_and_si128(lanes, kBlueFirst ? Lanes16(kBlue, kGreen, kRed, 0)
                                                         : Lanes16(kRed, kGreen, kBlue, 0));
  const __m128i top = _mm_mullo_epi16(fields, kBlueFirst ? Lanes16(2048, 1, 1, 0) : Lanes16(1, 1, 2048, 0));
  const __m128i wide = _mm_mulhi_epu16(top, Lanes16(264, 8320, 264, 0));
  return _mm_or_si128(wide, Lanes16(0, 0, 0, alpha));
}

// The four colours of a colour block as 4-byte pixels. DXT1 blocks whose
// first endpoint is not above the second have three colours and
// `transparent` (the converter's, 4 bytes in the output's order); every
// other block four. The thirds and the half are truncated, as libsquish
// does. DXT3 and DXT5 colours get alpha 0, their alpha is ORed in later.
template <bool kDxt1, bool kBlueFirst>
inline __m128i Colours(std::uint32_t endpoints, __m128i transparent) {
  const __m128i ends = Endpoints<kBlueFirst>(endpoints, kDxt1 ? 255 : 0);
  const __m128i swapped = _mm_shuffle_epi32(ends, 0x4E);
  const __m128i thirds = _mm_mulhi_epu16(_mm_add_epi16(_mm_add_epi16(ends, ends), swapped),
                                         _mm_set1_epi16(static_cast<short>(kThird)));
  if constexpr (!kDxt1) {
    return _mm_packus_epi16(ends, thirds);
  } else {
    const __m128i half = _mm_srli_epi16(_mm_add_epi16(ends, swapped), 1);
    const __m128i three_colours = _mm_unpacklo_epi64(
        half, _mm_unpacklo_epi8(transparent, _mm_setzero_si128()));
    const bool three = (endpoints & 0xFFFF) <= endpoints >> 16;
    const __m128i pick = _mm_set1_epi32(-static_cast<int>(three));
    const __m128i last = _mm_or_si128(_mm_and_si128(pick, three_colours), _mm_andnot_si128(pick, thirds));
    return _mm_packus_epi16(ends, last);
  }
}

// Texel row j takes colour (indices >> 8j + 2i) & 3 for texel i: each index
// bit becomes a lane mask, and the masks choose among the four colours.
inline void SelectColours(__m128i colours, std::uint32_t indices, __m128i rows[4]) {
  const __m128i c0 = _mm_shuffle_epi32(colours, 0x00);
  const __m128i c2 = _mm_shuffle_epi32(colours, 0xAA);
  const __m128i c01 = _mm_xor_si128(c0, _mm_shuffle_epi32(colours, 0x55));
  const __m128i c23 = _mm_xor_si128(c2, _mm_shuffle_epi32(colours, 0xFF));
  const __m128i low = _mm_setr_epi32(1, 4, 16, 64);
  const __m128i high = _mm_setr_epi32(2, 8, 32, 128);
  __m128i bits = _mm_set1_epi32(static_cast<int>(indices));
#pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    const __m128i m0 = _mm_cmpeq_epi32(_mm_and_si128(bits, low), low);
    const __m128i m1 = _mm_cmpeq_epi32(_mm_and_si128(bits, high), high);
    const __m128i first = _mm_xor_si128(c0, _mm_and_si128(m0, c01));
    const __m128i second = _mm_xor_si128(c2, _mm_and_si128(m0, c23));
    rows[j] = _mm_xor_si128(first, _mm_and_si128(m1, _mm_xor_si128(first, second)));
    bits = _mm_srli_epi32(bits, 8);
  }
}

// 16 alpha bytes in texel order into the fourth byte of every texel.
inline void InsertAlpha(__m128i alpha, __m128i rows[4]) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_unpacklo_epi8(zero, alpha);
  const __m128i high = _mm_unpackhi_epi8(zero, alpha);
  rows[0] = _mm_or_si128(rows[0], _mm_unpacklo_epi16(zero, low));
  rows[1] = _mm_or_si128(rows[1], _mm_unpackhi_epi16(zero, low));
  rows[2] = _mm_or_si128(rows[2], _mm_unpacklo_epi16(zero, high));
  rows[3] = _mm_or_si128(rows[3], _mm_unpackhi_epi16(zero, high));
}

// DXT3: 4-bit alphas, texel 0 in the low nibble of byte 0, widened by 17.
inline __m128i ExplicitAlpha(const std::uint8_t* p) {
  const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i n = _mm_unpacklo_epi8(_mm_and_si128(v, nibble), _mm_and_si128(_mm_srli_epi16(v, 4), nibble));
  return _mm_or_si128(n, _mm_slli_epi16(n, 4));
}

// DXT5: eight alphas from 3-bit indices in 16-bit lanes. Index 0 is a0 and
// 1 is a1; above a1, a0 spans 7 steps: index k >= 2 is
// ((8 - k) a0 + (k - 1) a1) / 7; otherwise 5 steps for k = 2 to 5, and 6
// and 7 are 0 and 255. The fractions are truncated. Which of the two a
// block is depends on its bytes alone, so it is chosen by masks, not
// branches, which random blocks would mispredict half the time.
struct AlphaSteps {
  __m128i base;      // a0 times the steps
  __m128i span;      // a1 - a0
  __m128i quotient;  // 65536 / steps, rounded up
  __m128i last;      // the last index that interpolates: 7 or 5
};

// Index k weighs a1 by k - 1, saturated at 0: right for every k but 1,
// which gets a0 and then the span on top. With 5 steps, 6 and 7 get
// -512 and +512 on top of at most 306, which the packing to bytes
// saturates to 0 and 255.
inline __m128i InterpolateAlpha(__m128i index, const AlphaSteps& s) {
  const __m128i one = _mm_set1_epi16(1);
  const __m128i weight = _mm_subs_epu16(index, one);
  const __m128i value =
      _mm_mulhi_epu16(_mm_add_epi16(s.base, _mm_mullo_epi16(s.span, weight)), s.quotient);
  const __m128i second = _mm_and_si128(_mm_cmpeq_epi16(index, one), s.span);
  const __m128i beyond = _mm_and_si128(_mm_cmpgt_epi16(index, s.last),
                                       _mm_sub_epi16(_mm_slli_epi16(index, 10), _mm_set1_epi16(6656)));
  return _mm_add_epi16(_mm_add_epi16(value, second), beyond);
}

// A 16-bit value in every lane, from a 32-bit register: the 32-bit
// compiler otherwise stores the 16-bit value and loads 32 bits, which waits
// for the store.
inline __m128i Broadcast16(int v) {
  const auto pair = (static_cast<std::uint32_t>(v) & 0xFFFF) * 0x10001u;
  return _mm_shuffle_epi32(_mm_cvtsi32_si128(static_cast<int>(pair)), 0);
}

[[gnu::always_inline]] inline __m128i InterpolatedAlpha(const std::uint8_t* ends, const std::uint8_t* indices) {
  const int a0 = ends[0];
  const int a1 = ends[1];
  const int seven = a0 > a1;
  const int steps = 5 + 2 * seven;
  AlphaSteps s;
  s.base = Broadcast16(a0 * steps);
  s.span = Broadcast16(a1 - a0);
  s.quotient = Broadcast16(kFifth - seven * (kFifth - kSeventh));
  s.last = Broadcast16(steps);
  // 16-bit windows of the index bytes, lane i of each eight starting at
  // byte 3i / 8, then each index moved to the top 3 bits and down.
  const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(indices));
  const __m128i words = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 1));
  const auto spread = [](__m128i w) {
    return _mm_unpacklo_epi64(_mm_shufflelo_epi16(w, 0x40), _mm_shufflelo_epi16(w, 0xA5));
  };
  const __m128i up = _mm_setr_epi16(8192, 1024, 128, 4096, 512, 64, 2048, 256);
  const __m128i first = _mm_srli_epi16(_mm_mullo_epi16(spread(words), up), 13);
  const __m128i second = _mm_srli_epi16(_mm_mullo_epi16(spread(_mm_srli_si128(words, 6)), up), 13);
  return _mm_packus_epi16(InterpolateAlpha(first, s), InterpolateAlpha(second, s));
}

// Blends four texel rows against `back` (16-bit lanes, see
// sse2::BlendLanes) by `alpha`, the block's 16 alphas in texel order. Each
// weight is made once from the alpha register and spread to its texel's
// lanes, rather than picked out of every row.
inline void BlendRows(__m128i alpha, __m128i back, __m128i rows[4]) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = sse2::BlendWeight(_mm_unpacklo_epi8(alpha, zero));
  const __m128i high = sse2::BlendWeight(_mm_unpackhi_epi8(alpha, zero));
  const __m128i row_weights[4] = {_mm_unpacklo_epi16(low, low), _mm_unpackhi_epi16(low, low),
                                  _mm_unpacklo_epi16(high, high), _mm_unpackhi_epi16(high, high)};
#pragma GCC unroll 4
  for (int j = 0; j < 4; ++j) {
    const __m128i w = row_weights[j];
    const __m128i first = sse2::BlendWeighted(_mm_unpacklo_epi8(rows[j], zero), back, _mm_unpacklo_epi32(w, w));
    const __m128i second = sse2::BlendWeighted(_mm_unpackhi_epi8(rows[j], zero), back, _mm_unpackhi_epi32(w, w));
    rows[j] = _mm_packus_epi16(first, second);
  }
}

// What the texel rows carry in their fourth byte, chosen once per
// converter. DXT1 texels are opaque or already the converter's transparent
// colour, whatever it does; DXT3 and DXT5 alphas are kept for layouts with
// alpha, blended into the colours where the converter blends, and not
// decoded at all where it drops them.
enum class AlphaUse { kKeep, kBlend, kDrop };

template <class Converter>
constexpr AlphaUse AlphaUseOf(gim::DxtKind kind) {
  if (kind == gim::DxtKind::kDxt1 || Converter::kOutputBits == 32) return AlphaUse::kKeep;
  return Converter::kBlends ? AlphaUse::kBlend : AlphaUse::kDrop;
}

// Decodes one stored block into four texel rows in the output's channel
// order. `transparent` is what a transparent DXT1 texel shows; `back`, for
// blending, the background as 16-bit lanes.
template <gim::DxtKind kKind, bool kBlueFirst, AlphaUse kAlpha>
[[gnu::always_inline]] inline void DecodeBlock(const std::uint8_t* block, const Parts& parts,
                                               __m128i transparent, __m128i back, __m128i rows[4]) {
  constexpr bool kDxt1 = kKind == gim::DxtKind::kDxt1;
  SelectColours(Colours<kDxt1, kBlueFirst>(Load32(block + parts.colour), transparent),
                Load32(block + parts.indices), rows);
  if constexpr (!kDxt1 && kAlpha != AlphaUse::kDrop) {
    const __m128i alpha = kKind == gim::DxtKind::kDxt3
                              ? ExplicitAlpha(block + parts.alpha)
                              : InterpolatedAlpha(block + parts.alpha, block + parts.alpha_indices);
    if constexpr (kAlpha == AlphaUse::kKeep) {
      InsertAlpha(alpha, rows);
    } else if (_mm_movemask_epi8(_mm_cmpeq_epi8(alpha, _mm_set1_epi8(-1))) != 0xFFFF) {
      // Wholly opaque blocks, common in real textures, keep their colours.
      BlendRows(alpha, back, rows);
    }
  } else {
    (void)back;
  }
}

// The first n < 4 texels of a row, which is already as the layout shows
// it: each texel's first kBytes bytes.
template <unsigned kBytes>
void StorePart(__m128i row, std::uint8_t* out, std::uint32_t n) {
  alignas(16) std::uint8_t texels[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(texels), row);
  for (std::uint32_t i = 0; i < n; ++i) std::memcpy(out + i * kBytes, texels + 4 * i, kBytes);
}

// Blocks are decoded a segment at a time into texel rows in memory, then
// written row by row: the decoding loop keeps its registers, each picture
// row's stores run in order, and one decoder per format and channel order
// serves every walker and converter.
inline constexpr std::uint32_t kSegment = 64;
using Segment = __m128i[4][kSegment];  // texel row j of block k

// `transparent`: the converter's; where it blends, also the background.
template <gim::DxtKind kKind, bool kBlueFirst, AlphaUse kAlpha>
[[gnu::noinline]] void DecodeSegment(const std::uint8_t* block, std::uint32_t count,
                                     const Parts& parts, std::uint32_t transparent,
                                     Segment& lines) {
  constexpr unsigned kBlockBytes = gim::DescribeDxt(kKind).block_bytes;
  const __m128i transparent_texel = _mm_cvtsi32_si128(static_cast<int>(transparent));
  const __m128i back = _mm_unpacklo_epi8(_mm_shuffle_epi32(transparent_texel, 0), _mm_setzero_si128());
  __m128i texels[4];
  for (std::uint32_t k = 0; k < count; ++k, block += kBlockBytes) {
    DecodeBlock<kKind, kBlueFirst, kAlpha>(block, parts, transparent_texel, back, texels);
    for (std::uint32_t j = 0; j < 4; ++j) lines[j][k] = texels[j];
  }
}

// Normal order: texel row j of block (bx, by) is pixels 4bx to 4bx + 3 of
// picture row 4by + j. Blocks wholly right of the picture are not decoded.
template <gim::DxtKind kKind, class Converter>
void WalkDxtNormalOf(const Converter& convert, const DxtBlocks& source, std::uint32_t width,
                     std::uint32_t height, OutputRows out) {
  constexpr unsigned kBlockBytes = gim::DescribeDxt(kKind).block_bytes;
  constexpr unsigned kTexelBytes = Converter::kOutputBits / 8;
  constexpr std::uint32_t kPieceBytes = 4 * kTexelBytes;
  constexpr AlphaUse kAlpha = AlphaUseOf<Converter>(kKind);
  const Parts parts = PartsOf(kKind, source.reorder);
  // Rows come blended where the converter blends: it only packs and stores
  // them, with no background.
  const __m128i back = _mm_setzero_si128();
  const std::uint32_t transparent = convert.Transparent();
  const std::uint32_t across = (width + 3) / 4;
  const std::uint32_t whole = width / 4;  // blocks wholly inside the picture
  Segment lines;
  for (std::uint32_t by = 0; by * 4 < height; ++by) {
    const std::uint32_t rows = std::min<std::uint32_t>(4, height - by * 4);
    const std::uint8_t* block = source.blocks + by * source.per_row * kBlockBytes;
    for (std::uint32_t bx = 0; bx < across; bx += kSegment) {
      const std::uint32_t count = std::min(kSegment, across - bx);
      DecodeSegment<kKind, Converter::kBlueFirstOut, kAlpha>(block + std::uint64_t{bx} * kBlockBytes,
                                                              count, parts, transparent, lines);
      // A 24-bit store may spill into the next block's place while that is
      // still to be written: for every block wholly inside but the last.
      const std::uint32_t spilling = whole > bx + 1 ? std::min(count, whole - 1 - bx) : 0;
      for (std::uint32_t j = 0; j < rows; ++j) {
        std::uint8_t* const row = out.Row(std::uint64_t{by} * 4 + j) + bx * kPieceBytes;
        std::uint32_t k = 0;
        for (; k < spilling; ++k) {
          Converter::template Four<true, true>(lines[j][k], back, row + k * kPieceBytes);
        }
        for (; k < count; ++k) {
          if (bx + k < whole) {
            Converter::template Four<true, false>(lines[j][k], back, row + k * kPieceBytes);
          } else {
            StorePart<kTexelBytes>(lines[j][k], row + k * kPieceBytes, width - (bx + k) * 4);
          }
        }
      }
    }
  }
}

// Asks for the cache lines of [from, to) ahead of writing them. A swizzled
// segment is written 16 bytes at a time into each of 8 rows in turn,
// too scattered for the processor to follow the rows on its own; fetched
// while the segment decodes, the lines are there when it is written.
inline void PrefetchForWriting(const std::uint8_t* from, const std::uint8_t* to) {
  const auto end = reinterpret_cast<std::uintptr_t>(to);
  for (auto at = reinterpret_cast<std::uintptr_t>(from) & ~std::uintptr_t{63}; at < end; at += 64) {
    _mm_prefetch(reinterpret_cast<const char*>(at), _MM_HINT_T0);
  }
}

// Swizzled order applies to the decoded picture, padded width x 4 bytes a
// row (S): its tile line y of tile x in tile row t, 16 bytes or 4 texels,
// is pixels 4x to 4x + 3 of picture row 8t + y. A block's texel row is one
// such line: row p's line of block bx is line (p % 8) * S / 16 + bx of its
// tile row, counted tile by tile. Decoded rows at or past the picture's
// height hold zero texels, and the tile rows run on to a whole 8 rows.
template <gim::DxtKind kKind, class Converter>
void WalkDxtSwizzledOf(const Converter& convert, const DxtBlocks& source, std::uint32_t width,
                       std::uint32_t height, OutputRows out) {
  constexpr unsigned kBlockBytes = gim::DescribeDxt(kKind).block_bytes;
  constexpr unsigned kTexelBytes = Converter::kOutputBits / 8;
  constexpr std::uint32_t kPieceBytes = 4 * kTexelBytes;
  constexpr AlphaUse kAlpha = AlphaUseOf<Converter>(kKind);
  constexpr auto kTileRows = static_cast<std::uint32_t>(gim::kTileRows);
  const Parts parts = PartsOf(kKind, source.reorder);
  const __m128i back = _mm_setzero_si128();  // as in the normal order
  const std::uint32_t transparent = convert.Transparent();
  // A zero texel as the converter shows it: transparent black, or the
  // background where it blends.
  const __m128i empty = _mm_set1_epi32(static_cast<int>(transparent));
  // Widths and heights are 16-bit, so every figure here fits 32 bits.
  const auto per_row = static_cast<std::uint32_t>(source.per_row);
  const std::uint32_t whole = width / 4;  // lines wholly inside a picture row
  const std::uint32_t tile_rows = (height + kTileRows - 1) / kTileRows;
  Segment lines;
  for (std::uint32_t t = 0; t < tile_rows; ++t) {
    // The tile row's picture rows; none past the picture's height.
    std::uint8_t* to[kTileRows] = {};
    const std::uint32_t rows = std::min(kTileRows, height - t * kTileRows);
    for (std::uint32_t y = 0; y < rows; ++y) to[y] = out.Row(std::uint64_t{t} * kTileRows + y);
    // Texel row j of 8 blocks from a multiple of 8 on is the 8 lines of one
    // tile when a block row is a whole number of tiles.
    const bool whole_tiles = rows == kTileRows && per_row % kTileRows == 0;
    for (std::uint32_t half = 0; half < 2; ++half) {
      const std::uint32_t by = t * 2 + half;
      const std::uint8_t* block = source.blocks + std::uint64_t{by} * per_row * kBlockBytes;
      const std::uint32_t decoded = by * 4 < height ? std::min<std::uint32_t>(4, height - by * 4) : 0;
      std::uint32_t first_line[4];
      for (std::uint32_t j = 0; j < 4; ++j) first_line[j] = (half * 4 + j) * per_row;
      for (std::uint32_t bx = 0; bx < per_row; bx += kSegment) {
        const std::uint32_t count = std::min(kSegment, per_row - bx);
        // The segment's places in the 8 rows, asked for while it decodes;
        // only where texels are 4 bytes: the 24-bit walk does enough between
        // its stores to hide their waits, and measured slower with them.
        if (whole_tiles && kTexelBytes == 4) {
          for (std::uint32_t j = 0; j < 4; ++j) {
            const auto x = static_cast<std::uint32_t>(gim::PlaceOfTileLine(first_line[j] + bx).tile);
            const std::uint32_t end = std::min(whole, x + count / kTileRows);
            for (std::uint32_t y = 0; x < end && y < kTileRows; ++y) {
              PrefetchForWriting(to[y] + x * kPieceBytes, to[y] + end * kPieceBytes);
            }
          }
        }
        if (decoded != 0) {
          DecodeSegment<kKind, Converter::kBlueFirstOut, kAlpha>(
              block + std::uint64_t{bx} * kBlockBytes, count, parts, transparent, lines);
        }
        for (std::uint32_t j = decoded; j < 4; ++j) {
          for (std::uint32_t k = 0; k < count; ++k) lines[j][k] = empty;
        }
        if (whole_tiles) {
          // Tile by tile, row j by row j, so that each picture row is
          // written in order and a 24-bit store may spill into the next
          // tile's place while that is still to be written.
          for (std::uint32_t j = 0; j < 4; ++j) {
            for (std::uint32_t g = 0; g < count; g += kTileRows) {
              const auto x =
                  static_cast<std::uint32_t>(gim::PlaceOfTileLine(first_line[j] + bx + g).tile);
              const __m128i* tile = lines[j] + g;
              // The next tile is this row's of the next 8 blocks, unless
              // these are the last.
              if (x + 1 < whole && bx + g + kTileRows < per_row) {
                for (std::uint32_t y = 0; y < kTileRows; ++y) {
                  Converter::template Four<true, true>(tile[y], back, to[y] + x * kPieceBytes);
                }
              } else if (x < whole) {
                for (std::uint32_t y = 0; y < kTileRows; ++y) {
                  Converter::template Four<true, false>(tile[y], back, to[y] + x * kPieceBytes);
                }
              } else if (x * 4 < width) {
                for (std::uint32_t y = 0; y < kTileRows; ++y) {
                  StorePart<kTexelBytes>(tile[y], to[y] + x * kPieceBytes, width - x * 4);
                }
              }
            }
          }
          continue;
        }
        for (std::uint32_t j = 0; j < 4; ++j) {
          for (std::uint32_t k = 0; k < count; ++k) {
            const gim::TileLine line = gim::PlaceOfTileLine(first_line[j] + bx + k);
            std::uint8_t* const row = to[line.row];
            const auto x = static_cast<std::uint32_t>(line.tile);
            if (row == nullptr || x * 4 >= width) continue;
            if (x < whole) {
              Converter::template Four<true, false>(lines[j][k], back, row + x * kPieceBytes);
            } else {
              StorePart<kTexelBytes>(lines[j][k], row + x * kPieceBytes, width - x * 4);
            }
          }
        }
      }
    }
  }
}

}  // namespace dxt

template <class Converter>
void WalkDxtNormal(const Converter& convert, const DxtBlocks& source, std::uint32_t width,
                   std::uint32_t height, OutputRows out) {
  switch (source.kind) {
    case gim::DxtKind::kDxt3: dxt::WalkDxtNormalOf<gim::DxtKind::kDxt3>(convert, source, width, height, out); break;
    case gim::DxtKind::kDxt5: dxt::WalkDxtNormalOf<gim::DxtKind::kDxt5>(convert, source, width, height, out); break;
    default: dxt::WalkDxtNormalOf<gim::DxtKind::kDxt1>(convert, source, width, height, out); break;
  }
}

template <class Converter>
void WalkDxtSwizzled(const Converter& convert, const DxtBlocks& source, std::uint32_t width,
                     std::uint32_t height, OutputRows out) {
  switch (source.kind) {
    case gim::DxtKind::kDxt3: dxt::WalkDxtSwizzledOf<gim::DxtKind::kDxt3>(convert, source, width, height, out); break;
    case gim::DxtKind::kDxt5: dxt::WalkDxtSwizzledOf<gim::DxtKind::kDxt5>(convert, source, width, height, out); break;
    default: dxt::WalkDxtSwizzledOf<gim::DxtKind::kDxt1>(convert, source, width, height, out); break;
  }
}

}  // namespace tovak::decode
