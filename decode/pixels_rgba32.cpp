// The converters to 32-bit red, green, blue, alpha rows: the converter's PNG.
#include "decode/pixel_pass.h"

namespace tovak::decode {

template Failure WritePixelsIn<PixelLayout::kRgba32>(const PicturePlan&, const Destination&);

}  // namespace tovak::decode
