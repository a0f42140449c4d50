// The one frame of a GIM picture, IWICBitmapFrameDecode over its decoder.
#pragma once

#include <wincodec.h>

namespace tovak::wic {

class Decoder;

// A new frame that holds a reference to `decoder`, an initialised one.
HRESULT CreateFrame(Decoder* decoder, IWICBitmapFrameDecode** out);

}  // namespace tovak::wic
