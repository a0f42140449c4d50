#include "tools/cli/picture.h"

#include <chrono>
#include <cstdint>
#include <new>

#include "decode/dib.h"
#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/container.h"
#include "tools/bmp_file.h"
#include "tools/cli/png_encode.h"

namespace tovak::cli {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// No block larger than this is allocated: several conversions run at once,
// and a 32-bit process has 2 GiB in all.
constexpr std::uint64_t kMaxBlockBytes =
    sizeof(void*) == 4 ? std::uint64_t{256} << 20 : std::uint64_t{1} << 30;

std::vector<std::uint8_t> Zeroed(std::uint64_t bytes) {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(bytes));
}

// The reason a picture cannot be converted, with the value that caused it.
std::string Explain(decode::Failure failure, const decode::PicturePlan& plan) {
  std::string text = decode::FailureText(failure);
  const gim::ImageHeader& image = plan.image;
  switch (failure) {
    case decode::Failure::kUnknownFormat: return text + " " + std::to_string(image.image_format);
    case decode::Failure::kIndexDepth:
      return text + " (" + std::to_string(image.bits_per_pixel) + ")";
    case decode::Failure::kUnknownPixelOrder:
      return text + " " + std::to_string(image.pixel_order);
    case decode::Failure::kTooLarge:
      return text + " (" + std::to_string(image.width) + " x " + std::to_string(image.height) + ")";
    default: return text;
  }
}

// The PNG's rows: RGBA with alpha kept, RGB with --blend, indices for
// indexed pictures.
decode::PixelLayout RowLayout(const decode::PicturePlan& plan, const ConvertOptions& options) {
  if (decode::IsIndexed(plan)) return decode::PixelLayout::kIndex;
  return options.blend ? decode::PixelLayout::kRgb24 : decode::PixelLayout::kRgba32;
}

// The largest block a conversion of the configured picture allocates.
std::uint64_t LargestBlock(const decode::PicturePlan& plan, const ConvertOptions& options) {
  if (options.format == OutputFormat::kBmp) {
    decode::DibShape shape;
    return decode::ShapeDib(plan, shape) == decode::Failure::kNone ? shape.bits_block_bytes
                                                                   : UINT64_MAX;
  }
  const decode::PixelLayout layout = RowLayout(plan, options);
  return decode::DestinationBytes(layout, plan.image.width, plan.image.height,
                                  decode::RowBytes(layout, plan.image.width, plan.index_bits),
                                  plan.index_bits);
}

// The DIB exactly as the plug-in hands it to a host, with its default
// settings: blending on, against the default background.
std::string DibBmp(const decode::PicturePlan& plan, std::vector<std::uint8_t>& output) {
  decode::DibShape shape;
  if (decode::ShapeDib(plan, shape) != decode::Failure::kNone) {
    return Explain(decode::Failure::kTooLarge, plan);
  }
  std::vector<std::uint8_t> header = Zeroed(shape.header_block_bytes);
  std::vector<std::uint8_t> bits = Zeroed(shape.bits_block_bytes);
  const decode::BlendSettings settings;
  decode::WriteHeaderBlock(plan, shape, header.data(), settings);
  const decode::Failure failure = decode::WriteBitsBlock(plan, shape, bits.data(), settings);
  if (failure != decode::Failure::kNone) return decode::FailureText(failure);
  return tools::LayOutBmp(header.data(), header.size(), bits.data(), bits.size(), output);
}

// PNG rows, top row first: RGBA with alpha kept, or with --blend RGB
// blended as the plug-in blends; indexed pictures keep their indices and
// palette (opaque and blended with --blend).
std::string Convert(const decode::PicturePlan& plan, const ConvertOptions& options,
                    std::vector<std::uint8_t>& output, StepTimes& times) {
  Clock::time_point start = Clock::now();
  if (options.format == OutputFormat::kBmp) {
    const std::string error = DibBmp(plan, output);
    times.decode += Since(start);
    return error;
  }

  const decode::BlendSettings blend = options.blend ? decode::BlendSettings{} : decode::kNoBlend;
  PngPicture png;
  png.width = plan.image.width;
  png.height = plan.image.height;
  decode::Destination rows{RowLayout(plan, options)};
  rows.blend = blend;
  png.colour = options.blend ? PngColour::kRgb : PngColour::kRgba;
  std::vector<std::uint8_t> pixels, palette;
  if (decode::IsIndexed(plan)) {
    png.colour = PngColour::kIndexed;
    png.bit_depth = static_cast<std::uint8_t>(plan.index_bits);
    png.palette_entries = decode::ColourTableEntries(plan);
    png.palette_alpha = !options.blend;
    decode::Destination table{png.palette_alpha ? decode::PixelLayout::kRgba32
                                                : decode::PixelLayout::kRgb24};
    table.blend = blend;
    palette = Zeroed(std::uint64_t{png.palette_entries} * (png.palette_alpha ? 4 : 3));
    table.data = palette.data();
    table.bytes = palette.size();
    decode::WritePalette(plan, table);
    png.palette = palette.data();
  }
  rows.stride = decode::RowBytes(rows.layout, png.width, plan.index_bits);
  pixels = Zeroed(
      decode::DestinationBytes(rows.layout, png.width, png.height, rows.stride, plan.index_bits));
  rows.data = pixels.data();
  rows.bytes = pixels.size();
  const decode::Failure failure = decode::WritePixels(plan, rows);
  if (failure != decode::Failure::kNone) return Explain(failure, plan);
  png.first_row = pixels.data();
  png.step = static_cast<std::ptrdiff_t>(rows.stride);
  times.decode += Since(start);

  start = Clock::now();
  const std::string error = EncodePng(png, options.compression, output);
  times.encode += Since(start);
  return error.empty() ? error : "cannot encode the PNG: " + error;
}

}  // namespace

std::string ConvertPicture(gim::ByteView input, const ConvertOptions& options,
                           std::vector<std::uint8_t>& output, StepTimes& times) {
  const gim::Recognition recognition = gim::Recognise(input);
  if (!recognition.recognised) return "not a GIM picture";
  const gim::Reader reader{input, recognition.big_endian};
  decode::PicturePlan plan;
  decode::Failure failure = decode::ConfigurePicture(reader, recognition.blocks, plan);
  // Too large for this program whatever the file holds, as the plug-in
  // judges it.
  if (failure == decode::Failure::kNone && LargestBlock(plan, options) > kMaxBlockBytes) {
    failure = decode::Failure::kTooLarge;
  }
  if (failure == decode::Failure::kNone) failure = decode::LocatePixels(reader, plan);
  if (failure != decode::Failure::kNone) return Explain(failure, plan);
  try {
    return Convert(plan, options, output, times);
  } catch (const std::bad_alloc&) {
    return "too large: out of memory";
  }
}

}  // namespace tovak::cli
