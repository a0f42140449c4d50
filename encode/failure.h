// Why a picture cannot be written as asked, one reason a check, so that
// tools can say it in words with the value that caused it.
#pragma once

#include <cstdint>

namespace tovak::encode {

enum class Failure : std::uint8_t {
  kNone,
  kNoPixels,           // a width or height of 0
  kDimensionTooLarge,  // a width or height over 65535, which no header field holds
  kTooLarge,           // a buffer of 2 GiB or more
  kNotWritable,        // a format code tovak does not write
  kPaletteFormat,      // a palette entry format other than a direct-colour one
  kTooManyColours,     // more distinct colours than an indexed format holds
  kIndexOutside,       // a pixel's index past the end of its palette
  kPaletteSize,        // a kept palette of no entries or of more than 256
  kSwizzledDxtHeight,  // swizzled DXT whose height is not a whole number of tile rows
  kInfoString,         // a file-info string that is empty or holds a zero byte
};

constexpr const char* FailureText(Failure failure) {
  switch (failure) {
    case Failure::kNone: return "no failure";
    case Failure::kNoPixels: return "the picture has no pixels";
    case Failure::kDimensionTooLarge: return "the picture is larger than 65535 pixels across or down";
    case Failure::kTooLarge: return "the picture is too large for a 2 GiB buffer";
    case Failure::kNotWritable: return "not a format tovak writes";
    case Failure::kPaletteFormat: return "palette entries take a direct-colour format";
    case Failure::kTooManyColours: return "too many colours for the indexed format";
    case Failure::kIndexOutside: return "a pixel's index lies past the end of the palette";
    case Failure::kPaletteSize: return "a kept palette needs 1 to 256 entries";
    case Failure::kSwizzledDxtHeight:
      return "swizzled DXT needs a height that is a multiple of 8";
    case Failure::kInfoString: return "a file-info string is empty or holds a zero byte";
  }
  return "unknown failure";
}

// A failure and the value that caused it: the dimension, the colour count
// or the height.
struct Outcome {
  Failure failure = Failure::kNone;
  std::uint64_t value = 0;
};

}  // namespace tovak::encode
