// Why a picture cannot be decoded, or a destination cannot take it: each
// reason names the check that failed, so that tools can say it in words and
// tests can tell the reasons apart. The plug-in reports all but one of them
// to hosts as "not a supported picture".
#pragma once

#include <cstdint>

namespace tovak::decode {

enum class Failure : std::uint8_t {
  kNone,
  kImageHeaderOutside,  // the image header does not lie within the file
  kUnknownFormat,       // an image format code tovak does not convert
  kIndexDepth,          // an indexed picture whose bits_per_pixel is neither 4 nor 8
  kNoPixels,            // a picture 0 wide or 0 high
  kUnknownPixelOrder,   // a pixel_order other than normal or swizzled
  kTooLarge,            // larger than the caller's limit for what it allocates
  kPaletteOutside,      // the palette entries do not lie within the file
  kPixelsOutside,       // the pixel data does not lie within the file
  kPixelsShort,         // the pixel data announced is shorter than the picture
  kDestinationTooSmall,
  kDestinationUnsuited,  // a layout the picture's pixels cannot be written in
};

// The reason in words, without the values that caused it.
constexpr const char* FailureText(Failure failure) {
  switch (failure) {
    case Failure::kNone: return "no failure";
    case Failure::kImageHeaderOutside: return "image header outside the file";
    case Failure::kUnknownFormat: return "unknown image format";
    case Failure::kIndexDepth: return "indexed picture with neither 4 nor 8 bits per pixel";
    case Failure::kNoPixels: return "a picture of no pixels";
    case Failure::kUnknownPixelOrder: return "unknown pixel order";
    case Failure::kTooLarge: return "picture too large";
    case Failure::kPaletteOutside: return "palette outside the file";
    case Failure::kPixelsOutside: return "pixel data outside the file";
    case Failure::kPixelsShort: return "pixel data shorter than the picture";
    case Failure::kDestinationTooSmall: return "destination too small for the picture";
    case Failure::kDestinationUnsuited: return "destination layout does not suit the picture";
  }
  return "unknown failure";
}

}  // namespace tovak::decode
