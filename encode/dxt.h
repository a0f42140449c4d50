// DXT pictures compressed by libsquish into the blocks a GIM file stores:
// the rows of blocks across the padded width (DXT1: 8 pixels, so that a row
// of blocks is whole 16-byte units), each block in the order of the file's
// byte order.
//
// In normal order block (bx, by) holds pixels 4bx.. and rows 4by.. of the
// picture, as squish::CompressImage makes it: the pixels outside the picture
// masked out of the fit, and blocks wholly outside it zero. In swizzled order
// the decoded plane, the padded width of texels across, is the swizzled
// plane of the picture: each block holds the texels that the plane's tile
// order puts there, again with those outside the picture masked out.
#pragma once

#include <cstdint>

#include "encode/encode.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::encode {

// libsquish's flags for the format's blocks and the fit.
int SquishFlags(gim::DxtKind kind, DxtQuality quality);

// Compresses the RGBA picture into `blocks`, gim::DxtCompressedBytes(...)
// bytes. Swizzled
// pictures must be a whole number of tile rows high.
void CompressDxt(const std::uint8_t* rgba, std::uint32_t width, std::uint32_t height,
                 const gim::FormatDescription& format, gim::PixelOrder order, bool big_endian,
                 DxtQuality quality, std::uint8_t* blocks);

}  // namespace tovak::encode
