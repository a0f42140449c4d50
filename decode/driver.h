// The decoding driver: writes a planned picture's pixels, or its colour
// table, into a described destination in one pass, with the row converter
// chosen once for the pair of the picture's format and the destination's
// layout.
#pragma once

#include "decode/destination.h"
#include "decode/failure.h"
#include "decode/plan.h"

namespace tovak::decode {

// Writes the picture's rows and nothing else: row padding and bytes past
// the last row keep what they hold. An indexed picture gives its indices
// (kIndex) or its colours looked up in its colour table. Fails, writing
// nothing, when the destination is too small or its layout does not suit
// the picture (kIndex only for indexed pictures; never kRgbQuad).
Failure WritePixels(const PicturePlan& plan, const Destination& to);

// The same for a caller that writes colours in one layout only (and indices,
// where to.layout says so): only that layout's converters are linked into
// it. Made for kBgr24, kRgb24, kBgra32 and kRgba32.
template <PixelLayout kColours>
Failure WritePixelsIn(const PicturePlan& plan, const Destination& to);

extern template Failure WritePixelsIn<PixelLayout::kBgr24>(const PicturePlan&, const Destination&);
extern template Failure WritePixelsIn<PixelLayout::kRgb24>(const PicturePlan&, const Destination&);
extern template Failure WritePixelsIn<PixelLayout::kBgra32>(const PicturePlan&, const Destination&);
extern template Failure WritePixelsIn<PixelLayout::kRgba32>(const PicturePlan&, const Destination&);

// Writes ColourTableEntries(plan) entries of the colour table in the
// destination's layout (any but kIndex): the palette's stored entries, then
// black ones; nothing for a direct-colour picture without a palette.
Failure WritePalette(const PicturePlan& plan, const Destination& to);

}  // namespace tovak::decode
