// A stream's bytes judged as a picture for WIC, before any frame exists:
// whether its first bytes announce a GIM file at all (what QueryCapability
// may look at), and whether the whole file makes a picture a client can be
// handed. Platform-neutral, over byte buffers.
#pragma once

#include <cstdint>

#include "decode/plan.h"
#include "gim/byte_view.h"
#include "gim/container.h"

namespace tovak::wic {

// The bytes the first look needs: the file header, magic, version and
// signature.
inline constexpr std::uint64_t kHeaderBytes = gim::kFileHeaderBytes;

// Whether `header` (kHeaderBytes from the stream's start, or fewer when the
// stream is shorter) begins a GIM file of either byte order.
bool StartsLikeGim(gim::ByteView header);

enum class Opening : std::uint8_t {
  kOpened,
  kNotGim,    // not a GIM picture after all
  kBadImage,  // GIM headers whose data is missing or makes no picture
  kTooLarge,  // decoded whole, larger than the largest block of memory
};

// Plans the picture of a whole file. A picture of no pixels (0 wide or 0
// high) has no bitmap to hand out and is a bad image.
Opening OpenPicture(gim::ByteView bytes, decode::PicturePlan& plan);

}  // namespace tovak::wic
