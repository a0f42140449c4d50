#include "tools/cli/picture.h"

#include <chrono>
#include <new>

#include "decode/driver.h"
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

constexpr const char* kInconsistent = "truncated or inconsistent data";

std::vector<std::uint8_t> Zeroed(std::uint64_t bytes) {
  return std::vector<std::uint8_t>(static_cast<std::size_t>(bytes));
}

// The DIB exactly as the plug-in hands it to a host, with its default
// settings: blending on, against 0x282010.
struct Dib {
  std::vector<std::uint8_t> header, bits;
};

Dib DecodeDib(const decode::PicturePlan& plan) {
  Dib dib{Zeroed(plan.header_block_bytes), Zeroed(plan.bits_block_bytes)};
  const decode::BlendSettings settings;
  decode::WriteHeaderBlock(plan, dib.header.data(), settings);
  decode::WriteBitsBlock(plan, dib.bits.data(), settings);
  return dib;
}

// --blend: the DIB's rows, bottom row first, as RGB or as indexes into its
// blended colour table, opaque as the host shows them.
void BlendedPng(const decode::PicturePlan& plan, const Dib& dib,
                std::vector<std::uint8_t>& table, PngPicture& png) {
  const std::uint64_t height = plan.image.height;
  png.first_row = dib.bits.data() + (height == 0 ? 0 : (height - 1) * plan.dib_stride);
  png.step = -static_cast<std::ptrdiff_t>(plan.dib_stride);
  if (!decode::IsIndexed(plan)) {
    png.colour = PngColour::kRgb;
    png.blue_first = true;
    return;
  }
  png.colour = PngColour::kIndexed;
  png.bit_depth = static_cast<std::uint8_t>(plan.dib_bit_count);
  png.palette_entries = decode::ColourTableEntries(plan);
  table.resize(4 * std::size_t{png.palette_entries});
  for (std::uint32_t k = 0; k < png.palette_entries; ++k) {
    const std::uint8_t* quad = dib.header.data() + decode::kInfoHeaderBytes + 4 * k;
    table[4 * k] = quad[2];
    table[4 * k + 1] = quad[1];
    table[4 * k + 2] = quad[0];
  }
  png.palette = table.data();
  png.palette_alpha = false;
}

std::string Convert(const decode::PicturePlan& plan, const ConvertOptions& options,
                    std::vector<std::uint8_t>& output, StepTimes& times) {
  Clock::time_point start = Clock::now();
  if (options.format == OutputFormat::kBmp) {
    const Dib dib = DecodeDib(plan);
    const std::string error = tools::LayOutBmp(dib.header.data(), dib.header.size(),
                                               dib.bits.data(), dib.bits.size(), output);
    times.decode += Since(start);
    return error;
  }

  PngPicture png;
  png.width = plan.image.width;
  png.height = plan.image.height;
  Dib dib;
  std::vector<std::uint8_t> rows, palette;
  if (options.blend) {
    dib = DecodeDib(plan);
    BlendedPng(plan, dib, palette, png);
  } else {
    std::uint64_t stride = std::uint64_t{png.width} * 4;
    if (decode::IsIndexed(plan)) {
      png.colour = PngColour::kIndexed;
      png.bit_depth = static_cast<std::uint8_t>(plan.dib_bit_count);
      stride = decode::DibStride(png.width, plan.dib_bit_count);
      png.palette_entries = decode::ColourTableEntries(plan);
      palette = Zeroed(4 * std::uint64_t{png.palette_entries});
      decode::WritePaletteRgba(plan, palette.data());
      png.palette = palette.data();
    }
    if (stride * png.height > kMaxBlockBytes) return "too large";
    rows = Zeroed(stride * png.height);
    decode::WriteRgbaRows(plan, rows.data(), stride);
    png.first_row = rows.data();
    png.step = static_cast<std::ptrdiff_t>(stride);
  }
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
  decode::PicturePlan plan;
  switch (decode::PlanPicture(gim::Reader{input, recognition.big_endian}, kMaxBlockBytes, plan)) {
    case decode::PlanStatus::kReady: break;
    case decode::PlanStatus::kUnusable: return kInconsistent;
    case decode::PlanStatus::kTooLarge: return "too large";
  }
  try {
    return Convert(plan, options, output, times);
  } catch (const std::bad_alloc&) {
    return "too large: out of memory";
  }
}

}  // namespace tovak::cli
