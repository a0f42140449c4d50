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
// the last row keep what they hold. Fails, writing nothing, when the
// destination is too small or its layout does not suit the picture (kIndex
// for indexed pictures and only for them; never kRgbQuad).
Failure WritePixels(const PicturePlan& plan, const Destination& to);

// Writes ColourTableEntries(plan) entries of the colour table in the
// destination's layout (any but kIndex); nothing for a picture without a
// palette.
Failure WritePalette(const PicturePlan& plan, const Destination& to);

}  // namespace tovak::decode
