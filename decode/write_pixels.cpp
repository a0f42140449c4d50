// WritePixels for every layout, in a unit of its own: a binary that writes
// one layout through WritePixelsIn never links this one, nor through its
// switch every layout's converters.
#include "decode/driver.h"

namespace tovak::decode {

Failure WritePixels(const PicturePlan& plan, const Destination& to) {
  switch (to.layout) {
    case PixelLayout::kBgr24: return WritePixelsIn<PixelLayout::kBgr24>(plan, to);
    case PixelLayout::kRgb24: return WritePixelsIn<PixelLayout::kRgb24>(plan, to);
    case PixelLayout::kBgra32: return WritePixelsIn<PixelLayout::kBgra32>(plan, to);
    // Indices need no colour converter: any instantiation writes them.
    case PixelLayout::kRgba32:
    case PixelLayout::kIndex: return WritePixelsIn<PixelLayout::kRgba32>(plan, to);
    case PixelLayout::kRgbQuad: break;
  }
  return Failure::kDestinationUnsuited;
}

}  // namespace tovak::decode
