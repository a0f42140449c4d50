#include "wic/picture.h"

#include "decode/destination.h"
#include "gim/container.h"
#include "gim/limits.h"
#include "wic/pixels.h"

namespace tovak::wic {

bool StartsLikeGim(gim::ByteView header) {
  return gim::FileHeaderMatches(header, false) || gim::FileHeaderMatches(header, true);
}

Opening OpenPicture(gim::ByteView bytes, decode::PicturePlan& plan) {
  const gim::Recognition recognition = gim::Recognise(bytes);
  if (!recognition.recognised) return Opening::kNotGim;
  const gim::Reader reader{bytes, recognition.big_endian};
  if (decode::ConfigurePicture(reader, recognition.blocks, plan) != decode::Failure::kNone) {
    return Opening::kBadImage;
  }
  // The whole picture is decoded into one block of the layout it is handed
  // out in. Its size is judged before the file's data: a picture too large
  // to hold is that, whatever else is wrong with the file.
  if (decode::DestinationBytes(LayoutOf(plan), plan.image.width, plan.image.height,
                               RowBytes(plan, plan.image.width),
                               plan.index_bits) > gim::kMaxBlockBytes) {
    return Opening::kTooLarge;
  }
  return decode::LocatePixels(reader, plan) == decode::Failure::kNone ? Opening::kOpened
                                                                      : Opening::kBadImage;
}

}  // namespace tovak::wic
