#include "wic/picture.h"

#include <cstring>

#include "gim/container.h"

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

Opening OpenPicture(gim::ByteView bytes, std::uint64_t max_block_bytes, decode::PicturePlan& plan) {
  const gim::Recognition recognition = gim::Recognise(bytes);
  if (!recognition.recognised) return Opening::kNotGim;
  switch (decode::PlanPicture(gim::Reader{bytes, recognition.big_endian}, recognition.blocks,
                              max_block_bytes, plan)) {
    case decode::Failure::kNone: break;
    case decode::Failure::kTooLarge: return Opening::kTooLarge;
    default: return Opening::kBadImage;
  }
  if (plan.image.width == 0 || plan.image.height == 0) return Opening::kBadImage;
  return Opening::kOpened;
}

}  // namespace tovak::wic
