#include "tools/cli/png_decode.h"

#include <spng.h>

#include <cstring>
#include <memory>

#include "encode/failure.h"
#include "encode/limits.h"

namespace tovak::cli {
namespace {

struct ContextFree {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Ancillary chunks are kept in memory while reading; none of them may make
// a small file take much more.
constexpr std::size_t kChunkLimit = std::size_t{64} << 20;

std::string Damaged(int error) { return std::string("damaged PNG: ") + spng_strerror(error); }

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

std::string SizeText(std::uint32_t width, std::uint32_t height) {
  return " (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

// The size refusals the encoder would make, made before decoding.
std::string CheckSize(std::uint32_t width, std::uint32_t height) {
  encode::Failure failure = encode::Failure::kNone;
  if (width == 0 || height == 0) {
    failure = encode::Failure::kNoPixels;
  } else if (width > encode::kMaxDimension || height > encode::kMaxDimension) {
    failure = encode::Failure::kDimensionTooLarge;
  } else if (std::uint64_t{width} * height * 4 >= encode::kMaxBytes) {
    failure = encode::Failure::kTooLarge;
  }
  if (failure == encode::Failure::kNone) return {};
  return encode::FailureText(failure) + SizeText(width, height);
}

// Packed indices of 1, 2 or 4 bits, the leftmost pixel in the highest bits,
// to one byte each.
void UnpackIndices(const std::vector<std::uint8_t>& packed, std::uint32_t width,
                   std::uint32_t height, unsigned depth, std::vector<std::uint8_t>& out) {
  // The picture's size was checked: every count here fits a size_t.
  const std::size_t row_bytes = (std::size_t{width} * depth + 7) / 8;
  out.resize(std::size_t{width} * height);
  const unsigned mask = (1u << depth) - 1;
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* row = packed.data() + y * row_bytes;
    for (std::size_t x = 0; x < width; ++x) {
      const std::size_t bit = x * depth;
      out[y * width + x] = static_cast<std::uint8_t>(row[bit / 8] >> (8 - depth - bit % 8) & mask);
    }
  }
}

std::string ReadPalette(spng_ctx* ctx, DecodedPng& out) {
  spng_plte plte{};
  int error = spng_get_plte(ctx, &plte);
  if (error != 0) return Damaged(error);
  spng_trns trns{};
  const bool has_trns = spng_get_trns(ctx, &trns) == 0;
  out.palette.resize(std::size_t{4} * plte.n_entries);
  for (std::uint32_t k = 0; k < plte.n_entries; ++k) {
    out.palette[4 * k] = plte.entries[k].red;
    out.palette[4 * k + 1] = plte.entries[k].green;
    out.palette[4 * k + 2] = plte.entries[k].blue;
    out.palette[4 * k + 3] = has_trns && k < trns.n_type3_entries ? trns.type3_alpha[k] : 255;
  }
  return {};
}

}  // namespace

std::string DecodePng(gim::ByteView png, DecodedPng& out) {
  out = DecodedPng{};
  if (!png.Contains(0, sizeof kSignature) ||
      std::memcmp(png.data, kSignature, sizeof kSignature) != 0) {
    return "not a PNG file";
  }
  std::unique_ptr<spng_ctx, ContextFree> owner(spng_ctx_new(0));
  spng_ctx* ctx = owner.get();
  if (ctx == nullptr) return "out of memory";
  spng_set_chunk_limits(ctx, kChunkLimit, kChunkLimit);
  spng_set_png_buffer(ctx, png.data, static_cast<std::size_t>(png.size));

  spng_ihdr ihdr{};
  int error = spng_get_ihdr(ctx, &ihdr);
  if (error == SPNG_EWIDTH || error == SPNG_EHEIGHT) {
    // A header libspng refuses for its size (0, or past PNG's own limit)
    // is named by the size it gives.
    if (png.Contains(16, 8)) {
      const std::string size = CheckSize(BigEndian32(png.data + 16), BigEndian32(png.data + 20));
      if (!size.empty()) return size;
    }
  }
  if (error != 0) return Damaged(error);
  const std::string size = CheckSize(ihdr.width, ihdr.height);
  if (!size.empty()) return size;
  out.width = ihdr.width;
  out.height = ihdr.height;
  out.indexed = ihdr.color_type == SPNG_COLOR_TYPE_INDEXED;

  const int format = out.indexed ? SPNG_FMT_PNG : SPNG_FMT_RGBA8;
  std::size_t bytes = 0;
  error = spng_decoded_image_size(ctx, format, &bytes);
  if (error != 0) return Damaged(error);
  std::vector<std::uint8_t> decoded(bytes);
  error = spng_decode_image(ctx, decoded.data(), decoded.size(), format,
                            out.indexed ? 0 : SPNG_DECODE_TRNS);
  if (error != 0) return Damaged(error);
  if (!out.indexed) {
    out.pixels = std::move(decoded);
    return {};
  }
  const std::string palette = ReadPalette(ctx, out);
  if (!palette.empty()) return palette;
  if (ihdr.bit_depth == 8) {
    out.pixels = std::move(decoded);
  } else {
    UnpackIndices(decoded, out.width, out.height, ihdr.bit_depth, out.pixels);
  }
  return {};
}

encode::SourcePicture SourcePictureOf(const DecodedPng& png) {
  encode::SourcePicture picture{png.width, png.height};
  if (png.indexed) {
    picture.indices = png.pixels.data();
    picture.palette = png.palette.data();
    picture.palette_entries = static_cast<std::uint32_t>(png.palette.size() / 4);
  } else {
    picture.rgba = png.pixels.data();
  }
  return picture;
}

}  // namespace tovak::cli
