#include "pixbuf/pixbuf_from_gim.h"

#include <cstdint>
#include <string>

#include "decode/destination.h"
#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/container.h"

namespace tovak::pixbuf {
namespace {

// No picture larger than this is decoded (a 16384 x 16384 RGBA picture):
// viewers load several pictures at once, and a GIM header allows 16 GiB.
constexpr std::uint64_t kMaxPixbufBytes = std::uint64_t{1} << 30;

void Refuse(GError** error, GdkPixbufError code, const std::string& reason) {
  g_set_error(error, GDK_PIXBUF_ERROR, code, "GIM picture refused: %s", reason.c_str());
}

std::string Size(const gim::ImageHeader& image) {
  return " (" + std::to_string(image.width) + " x " + std::to_string(image.height) + ")";
}

// The reason with the value that caused it, where one did.
void RefuseFor(GError** error, decode::Failure failure, const decode::PicturePlan& plan) {
  std::string reason = decode::FailureText(failure);
  const gim::ImageHeader& image = plan.image;
  GdkPixbufError code = GDK_PIXBUF_ERROR_CORRUPT_IMAGE;
  switch (failure) {
    case decode::Failure::kUnknownFormat:
      reason += " " + std::to_string(image.image_format);
      code = GDK_PIXBUF_ERROR_UNKNOWN_TYPE;
      break;
    case decode::Failure::kIndexDepth:
      reason += " (" + std::to_string(image.bits_per_pixel) + ")";
      break;
    case decode::Failure::kUnknownPixelOrder:
      reason += " " + std::to_string(image.pixel_order);
      break;
    case decode::Failure::kTooLarge:
      reason += Size(image);
      code = GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY;
      break;
    default: break;
  }
  Refuse(error, code, reason);
}

}  // namespace

GdkPixbuf* PixbufFromGim(gim::ByteView bytes, GError** error) {
  const gim::Recognition recognition = gim::Recognise(bytes);
  if (!recognition.recognised) {
    Refuse(error, GDK_PIXBUF_ERROR_UNKNOWN_TYPE, "not a GIM picture");
    return nullptr;
  }
  const gim::Reader reader{bytes, recognition.big_endian};
  decode::PicturePlan plan;
  decode::Failure failure = decode::ConfigurePicture(reader, recognition.blocks, plan);
  const gim::ImageHeader& image = plan.image;
  // Too large for a viewer whatever the file holds, as the plug-in judges it.
  if (failure == decode::Failure::kNone &&
      decode::DestinationBytes(decode::PixelLayout::kRgba32, image.width, image.height,
                               decode::RowBytes(decode::PixelLayout::kRgba32, image.width, 0),
                               0) > kMaxPixbufBytes) {
    failure = decode::Failure::kTooLarge;
  }
  if (failure == decode::Failure::kNone) failure = decode::LocatePixels(reader, plan);
  if (failure != decode::Failure::kNone) {
    RefuseFor(error, failure, plan);
    return nullptr;
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.width, image.height);
  if (pixbuf == nullptr) {
    Refuse(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "out of memory" + Size(image));
    return nullptr;
  }
  guint8* pixels = gdk_pixbuf_get_pixels(pixbuf);
  const int rowstride = gdk_pixbuf_get_rowstride(pixbuf);
  // Indexed pictures come out looked up in their palette, alpha kept.
  decode::Destination rows{decode::PixelLayout::kRgba32};
  rows.data = pixels;
  rows.bytes = gdk_pixbuf_get_byte_length(pixbuf);
  rows.stride = static_cast<std::uint64_t>(rowstride);
  failure = decode::WritePixelsIn<decode::PixelLayout::kRgba32>(plan, rows);
  if (failure != decode::Failure::kNone) {
    g_object_unref(pixbuf);
    RefuseFor(error, failure, plan);
    return nullptr;
  }
  return pixbuf;
}

}  // namespace tovak::pixbuf
