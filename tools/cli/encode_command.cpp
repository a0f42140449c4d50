// The encode command: each PNG file to a GIM file, through the shared batch,
// stored as asked or as its original is (--like).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "decode/palette.h"
#include "encode/channel_packing.h"
#include "encode/encode.h"
#include "encode/quantise.h"
#include "tools/cli/batch.h"
#include "tools/cli/commands.h"
#include "tools/cli/files.h"
#include "tools/cli/inputs.h"
#include "tools/cli/like_pairs.h"
#include "tools/cli/original.h"
#include "tools/cli/png_decode.h"

namespace tovak::cli {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The local date and time as C's asctime writes it, without its line end,
// as the file-info blocks of real files hold it: "Mon Mar 16 20:14:52 2009".
// Formatted here by the C standard's own definition of asctime, whose
// day-of-month field strftime cannot give on every runtime.
std::string Now() {
  static const char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  // Called once, before the batch starts its threads.
  const std::tm* t = std::localtime(&now);
  if (t == nullptr || t->tm_wday < 0 || t->tm_wday > 6 || t->tm_mon < 0 || t->tm_mon > 11) {
    return "unknown date";
  }
  char text[64] = {};
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[t->tm_wday],
                kMonths[t->tm_mon], t->tm_mday, t->tm_hour, t->tm_min, t->tm_sec,
                1900 + t->tm_year);
  return text;
}

// The user's login name, as the environment gives it.
std::string LoginName() {
#ifdef _WIN32
  const wchar_t* name = _wgetenv(L"USERNAME");
  return name != nullptr && *name != L'\0' ? Utf8(std::filesystem::path(name)) : "unknown user";
#else
  for (const char* variable : {"LOGNAME", "USER"}) {
    const char* name = std::getenv(variable);
    if (name != nullptr && *name != '\0') return name;
  }
  return "unknown user";
#endif
}

std::string FormatName(std::uint16_t code) {
  const gim::FormatDescription* format = gim::DescribeFormat(code);
  return format != nullptr ? format->name : std::to_string(code);
}

// The reason in words, with the value that caused it.
std::string Explain(encode::Outcome outcome, const encode::EncodeOptions& options) {
  const std::string value = std::to_string(outcome.value);
  switch (outcome.failure) {
    case encode::Failure::kTooManyColours: {
      const gim::FormatDescription* format = gim::DescribeFormat(options.format);
      return "the picture has " + value + " colours, more than " + format->name + " holds (" +
             std::to_string(1u << format->usual_bits_per_pixel) + ") and " +
             (encode::CanQuantise() ? "the quantiser failed"
                                    : "this tovak has no quantiser: reduce them first, for "
                                      "example with pngquant");
    }
    case encode::Failure::kDimensionTooLarge:
    case encode::Failure::kSwizzledDxtHeight:
    case encode::Failure::kPaletteSize:
      return std::string(encode::FailureText(outcome.failure)) + " (" + value + ")";
    case encode::Failure::kIndexOutside:
      return std::string(encode::FailureText(outcome.failure)) + " (index " + value + ")";
    case encode::Failure::kNotWritable:
    case encode::Failure::kPaletteFormat:
      return std::string(encode::FailureText(outcome.failure)) + " (" + FormatName(options.format) + ")";
    default: return encode::FailureText(outcome.failure);
  }
}

// The picture as RGBA, for comparing with the original's pixels.
std::vector<std::uint8_t> RgbaOf(const DecodedPng& png) {
  if (!png.indexed) return png.pixels;
  std::vector<std::uint8_t> rgba(png.pixels.size() * 4);
  for (std::size_t i = 0; i < png.pixels.size(); ++i) {
    std::memcpy(&rgba[4 * i], &png.palette[4 * std::size_t{png.pixels[i]}], 4);
  }
  return rgba;
}

// The original's entries stored in another palette format, each the nearest
// colour that format holds.
std::vector<std::uint8_t> Restored(const encode::KeptPalette& kept, std::uint16_t format) {
  std::vector<std::uint8_t> rgba(std::size_t{4} * kept.count);
  decode::ConvertPalette(kept.entries, kept.count, kept.format, decode::PixelLayout::kRgba32,
                         decode::kNoBlend, rgba.data());
  const encode::ChannelPacker packer(*gim::DescribeFormat(format));
  std::vector<std::uint8_t> stored(std::size_t{packer.bytes()} * kept.count);
  for (std::uint32_t e = 0; e < kept.count; ++e) packer.Store(&rgba[4 * e], &stored[e * packer.bytes()]);
  return stored;
}

// The options of a picture put back like its original; what the command
// line names overrides the original's. `restored` holds a kept palette's
// entries when they change format.
encode::EncodeOptions OptionsLike(const Original& original, const DecodedPng& png,
                                  const EncodeArguments& args, std::vector<std::uint8_t>& restored) {
  const std::vector<std::uint8_t> rgba = RgbaOf(png);
  encode::EncodeOptions options = OptionsLike(original, png.width, png.height, rgba.data());
  options.dxt_quality = args.options.dxt_quality;
  options.dither = args.options.dither;
  if (args.format) options.format = *args.format;
  options.swizzled = options.swizzled || args.options.swizzled;
  options.big_endian = options.big_endian || args.options.big_endian;
  if (args.palette_format) options.palette_format = *args.palette_format;
  if (args.new_palette) options.kept_palette.reset();
  if (options.kept_palette && args.palette_format && *args.palette_format != options.kept_palette->format) {
    restored = Restored(*options.kept_palette, *args.palette_format);
    options.kept_palette->format = *args.palette_format;
    options.kept_palette->entries = restored.data();
  }
  // The stored plane is the original's pixels only where they are stored
  // alike.
  if (options.format != original.format || options.swizzled != original.swizzled ||
      options.big_endian != original.big_endian) {
    options.kept_plane = {};
  }
  return options;
}

struct Context {
  const EncodeArguments& args;
  std::string date;
  std::string user;
};

std::string EncodeFile(const Job& job, gim::ByteView input, const Context& context,
                       std::vector<std::uint8_t>& output, StepTimes& times, std::string& note) {
  const EncodeArguments& args = context.args;
  Clock::time_point start = Clock::now();
  DecodedPng png;
  std::string failure = DecodePng(input, png);
  Original original;
  if (failure.empty() && !args.like.empty()) {
    const std::filesystem::path path = OriginalFor(job, args.like, failure);
    if (failure.empty()) failure = ReadOriginal(path, original);
    if (!failure.empty() && !path.empty()) failure = "the original " + Utf8(path) + ": " + failure;
  }
  times.decode += Since(start);
  if (!failure.empty()) return failure;

  start = Clock::now();
  const encode::SourcePicture picture = SourcePictureOf(png);
  encode::EncodeOptions options = args.options;
  std::vector<std::uint8_t> restored;
  if (!args.like.empty()) {
    options = OptionsLike(original, png, args, restored);
    if (png.width != original.width || png.height != original.height) {
      note = "the size changed from " + std::to_string(original.width) + " x " +
             std::to_string(original.height) + " to " + std::to_string(png.width) + " x " +
             std::to_string(png.height);
    }
  } else {
    options.format = args.format ? *args.format : encode::UsualFormat(picture);
    if (args.palette_format) options.palette_format = *args.palette_format;
  }
  if (args.info) {
    options.info = {Utf8(job.input.filename()), context.user, context.date, "tovak " TOVAK_VERSION};
  }
  const encode::Outcome outcome = encode::Encode(picture, options, output);
  times.encode += Since(start);
  return outcome.failure == encode::Failure::kNone ? std::string() : Explain(outcome, options);
}

}  // namespace

int RunEncode(const Arguments& args) {
  const std::vector<Job> jobs = ListJobs(args.paths, ".png", args.out_dir, ".gim");
  const Context context{args.encode, Now(),
                        args.encode.user.empty() ? LoginName() : args.encode.user};
  BatchSettings settings;
  settings.force = args.force;
  settings.jobs = args.jobs;
  settings.times = args.times;
  settings.make_folders = !args.out_dir.empty();
  settings.verb = "encode";
  settings.done = "encoded";
  return RunBatch(jobs, settings,
                  [&](const Job& job, gim::ByteView input, std::vector<std::uint8_t>& output,
                      StepTimes& times, std::string& note) {
                    return EncodeFile(job, input, context, output, times, note);
                  });
}

}  // namespace tovak::cli
