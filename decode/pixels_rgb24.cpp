// The converters to 24-bit red, green, blue rows: the converter's blended PNG.
#include "decode/pixel_pass.h"

namespace tovak::decode {

template Failure WritePixelsIn<PixelLayout::kRgb24>(const PicturePlan&, const Destination&);

}  // namespace tovak::decode
