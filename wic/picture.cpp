#include "wic/picture.h"

#include <cstring>

#include "decode/destination.h"
#include "gim/container.h"
#include "gim/limits.h"

namespace tovak::wic {

// The magic names the byte order; bytes 8-11 are the signature of that
// order, or zero, which writers of both orders have left there.
bool StartsLikeGim(gim::ByteView header) {
  if (!header.Contains(0, kHeaderBytes)) return false;
  const std::uint8_t* p = header.data;
  static constexpr std::uint8_t kZero[4] = {};
  for (const bool big_endian : {false, true}) {
    if (std::memcmp(p, big_endian ? gim::kMagicBig : gim::kMagicLittle, 8) != 0) continue;
    return std::memcmp(p + 8, big_endian ? gim::kSignatureBig : gim::kSignatureLittle, 4) == 0 ||
           std::memcmp(p + 8, kZero, 4) == 0;
  }
  return false;
}

Opening OpenPicture(gim::ByteView bytes, decode::PicturePlan& plan) {
  const gim::Recognition recognition = gim::Recognise(bytes);
  if (!recognition.recognised) return Opening::kNotGim;
  const gim::Reader reader{bytes, recognition.big_endian};
  if (decode::ConfigurePicture(reader, recognition.blocks, plan) != decode::Failure::kNone) {
    return Opening::kBadImage;
  }
  // The core refuses pictures of no pixels; a client must never see one.
  if (plan.image.width == 0 || plan.image.height == 0) return Opening::kBadImage;
  // The whole picture is decoded into one block of the layout it is handed
  // out in. Its size is judged before the file's data: a picture too large
  // to hold is that, whatever else is wrong with the file.
  const decode::PixelLayout layout =
      decode::IsIndexed(plan) ? decode::PixelLayout::kIndex : decode::PixelLayout::kBgra32;
  const std::uint64_t row = decode::RowBytes(layout, plan.image.width, plan.index_bits);
  if (decode::DestinationBytes(layout, plan.image.width, plan.image.height, row,
                               plan.index_bits) > gim::kMaxBlockBytes) {
    return Opening::kTooLarge;
  }
  return decode::LocatePixels(reader, plan) == decode::Failure::kNone ? Opening::kOpened
                                                                      : Opening::kBadImage;
}

}  // namespace tovak::wic
