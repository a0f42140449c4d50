// libFuzzer target: the encode command's path and back. The first two bytes
// choose the GIM format, the pixel order, the byte order, the palette's entry
// format, the DXT fit and a file-info block; the rest is a PNG, read by the
// converter's PNG reader, written to GIM by the encoder and converted back
// to a PNG as the convert command does, which the reader reads again.
// Besides the sanitizers it checks that the encoder refuses only for its
// named reasons and leaves nothing then, and that whatever it writes
// converts back at the picture's size, with the very pixels wherever the
// format keeps them: RGBA8888's pixels, the colours of indexed pictures
// with RGBA8888 entries, and the indices of a PNG whose palette the indexed
// format holds. 16-bit and DXT pictures lose bits by design; for them the
// round trip must succeed at the right size.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "encode/encode.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"
#include "tools/cli/picture.h"
#include "tools/cli/png_decode.h"

namespace {

using namespace tovak;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "encode_fuzz: %s\n", what);
  std::abort();
}

// Larger pictures are not encoded: fitting DXT blocks to them slows the
// fuzzer without reaching code that a small picture does not.
constexpr std::uint64_t kLargestPicture = 128 * 128;

constexpr std::uint16_t kEntryFormats[] = {gim::kRgba5650, gim::kRgba5551, gim::kRgba4444,
                                           gim::kRgba8888};

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The source picture's pixel i as RGBA.
const std::uint8_t* SourceColour(const cli::DecodedPng& png, std::size_t i) {
  return png.indexed ? &png.palette[std::size_t{4} * png.pixels[i]] : &png.pixels[4 * i];
}

encode::EncodeOptions ChooseOptions(std::uint8_t format_byte, std::uint8_t flags,
                                    const encode::SourcePicture& picture) {
  encode::EncodeOptions options;
  options.format = (flags & 0x40) != 0 ? encode::UsualFormat(picture)
                                       : gim::kFormats[format_byte % std::size(gim::kFormats)].code;
  options.swizzled = (flags & 1) != 0;
  options.big_endian = (flags & 2) != 0;
  options.palette_format = kEntryFormats[flags >> 2 & 3];
  options.dxt_quality =
      (flags & 0x10) != 0 ? encode::DxtQuality::kClusterFit : encode::DxtQuality::kRangeFit;
  if ((flags & 0x20) != 0) options.info = {"project", "user", "2026-01-01 00:00:00", "a.png"};
  return options;
}

// A refusal must be one the encoder names for this picture and format.
void CheckRefusal(const encode::Outcome& outcome, const gim::FormatDescription& format,
                  const encode::EncodeOptions& options, const cli::DecodedPng& source) {
  const std::size_t entries = source.palette.size() / 4;
  switch (outcome.failure) {
    case encode::Failure::kTooManyColours:
      Require(format.kind == gim::PixelKind::kIndexed &&
                  outcome.value > (std::uint64_t{1} << format.usual_bits_per_pixel),
              "too many colours refused wrongly");
      break;
    case encode::Failure::kSwizzledDxtHeight:
      Require(format.kind == gim::PixelKind::kDxt && options.swizzled &&
                  source.height % gim::kTileRows != 0,
              "a swizzled DXT height refused wrongly");
      break;
    case encode::Failure::kIndexOutside:
      Require(source.indexed && std::any_of(source.pixels.begin(), source.pixels.end(),
                                            [&](std::uint8_t index) { return index >= entries; }),
              "an index outside the palette refused wrongly");
      break;
    default: Require(false, "the encoder refused a picture for no reason of its own");
  }
}

void CheckRoundTrip(const cli::DecodedPng& source, const gim::FormatDescription& format,
                    const encode::EncodeOptions& options, const cli::DecodedPng& back) {
  Require(back.width == source.width && back.height == source.height, "the size changed");
  const bool indexed = format.kind == gim::PixelKind::kIndexed;
  Require(back.indexed == indexed, "an indexed format came back unindexed, or the reverse");
  const std::size_t pixels = std::size_t{source.width} * source.height;
  if (indexed) {
    for (std::size_t i = 0; i < pixels; ++i) {
      Require(back.pixels[i] < back.palette.size() / 4, "an index past the written palette");
    }
    if (source.indexed && source.palette.size() / 4 <= (1u << format.usual_bits_per_pixel)) {
      Require(back.pixels == source.pixels, "the PNG's indices changed");
    }
    if (options.palette_format != gim::kRgba8888) return;
    // More colours than the format holds are quantised: only pictures
    // whose colours fit keep them exactly.
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i < pixels; ++i) {
      std::uint32_t colour = 0;
      std::memcpy(&colour, SourceColour(source, i), 4);
      colours.insert(colour);
    }
    if (colours.size() > (1u << format.usual_bits_per_pixel)) return;
    for (std::size_t i = 0; i < pixels; ++i) {
      Require(std::memcmp(&back.palette[std::size_t{4} * back.pixels[i]], SourceColour(source, i), 4) == 0,
              "an indexed pixel's colour changed");
    }
  } else if (format.code == gim::kRgba8888) {
    for (std::size_t i = 0; i < pixels; ++i) {
      Require(std::memcmp(&back.pixels[4 * i], SourceColour(source, i), 4) == 0,
              "an RGBA8888 pixel changed");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Two option bytes, and a PNG's signature and header.
  if (size < 2 + 24) return 0;
  // The PNG in an exactly sized heap block, so that any read past its end
  // is caught.
  const std::size_t png_size = size - 2;
  const std::unique_ptr<std::uint8_t[]> png(new std::uint8_t[png_size]);
  std::memcpy(png.get(), data + 2, png_size);
  // The header's width and height, which the reader checks before it
  // decodes anything.
  if (std::uint64_t{BigEndian32(png.get() + 16)} * BigEndian32(png.get() + 20) > kLargestPicture) {
    return 0;
  }
  cli::DecodedPng source;
  if (!cli::DecodePng(gim::ByteView{png.get(), png_size}, source).empty()) return 0;

  const encode::SourcePicture picture = cli::SourcePictureOf(source);
  const encode::EncodeOptions options = ChooseOptions(data[0], data[1], picture);
  const gim::FormatDescription& format = *gim::DescribeFormat(options.format);
  std::vector<std::uint8_t> file;
  const encode::Outcome outcome = encode::Encode(picture, options, file);
  if (outcome.failure != encode::Failure::kNone) {
    Require(file.empty(), "a refused picture left bytes behind");
    CheckRefusal(outcome, format, options, source);
    return 0;
  }

  cli::ConvertOptions convert;
  convert.compression = cli::PngCompression::kFast;
  std::vector<std::uint8_t> converted;
  cli::StepTimes times;
  const std::string failure =
      cli::ConvertPicture(gim::ByteView{file.data(), file.size()}, convert, converted, times);
  if (!failure.empty()) std::fprintf(stderr, "encode_fuzz: %s\n", failure.c_str());
  Require(failure.empty(), "the converter refused what the encoder wrote");
  cli::DecodedPng back;
  Require(cli::DecodePng(gim::ByteView{converted.data(), converted.size()}, back).empty(),
          "the PNG reader refused what the converter wrote");
  CheckRoundTrip(source, format, options, back);
  return 0;
}
