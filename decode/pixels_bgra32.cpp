// The converters to 32-bit blue, green, red, alpha rows: WIC's 32bppBGRA.
#include "decode/pixel_pass.h"

namespace tovak::decode {

template Failure WritePixelsIn<PixelLayout::kBgra32>(const PicturePlan&, const Destination&);

}  // namespace tovak::decode
