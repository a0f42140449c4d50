// The converters to 24-bit blue, green, red rows: the DIB's.
#include "decode/pixel_pass.h"

namespace tovak::decode {

template Failure WritePixelsIn<PixelLayout::kBgr24>(const PicturePlan&, const Destination&);

}  // namespace tovak::decode
