// Files that older builds mishandled, opened as a client opens a stream:
// indices past a short palette, a plane narrower than the picture, and
// pictures of no pixels. And the class object, which keeps the DLL loaded.
#include <gtest/gtest.h>

#include <string>

#include "fixture/gim_writer.h"
#include "wic/cases.h"
#include "wic/wic_client.h"

namespace tovak::wictest {
namespace {

// 200 palette entries (RGBA8888, stored R, G, B, A) in a 256-index picture
// whose pixels use indices 0, 199, 200 and 253.
fixture::Picture ShortPalette() {
  fixture::Picture pic;
  pic.format = fixture::kIndex8;
  pic.width = 4;
  pic.height = 1;
  pic.pixels = {0, 199, 200, 253};
  pic.pixels.resize(fixture::StoredRowBytes(pic.format, pic.width));
  Bytes entries;
  for (int k = 0; k < 200; ++k) {
    for (const int byte : {k, 255 - k, 3 * k, 0x80 | k}) {
      entries.push_back(static_cast<std::uint8_t>(byte));
    }
  }
  pic.palette = fixture::Palette{fixture::kRgba8888, 200, entries};
  return pic;
}

// INDEX8 stored at 4 bits per pixel in swizzled order, 48 pixels wide: an
// odd count of 16-pixel tiles across.
fixture::Picture NarrowSwizzledPlane() {
  fixture::Picture pic;
  pic.format = fixture::kIndex8;
  pic.bits_per_pixel = 4;
  pic.pixel_order = 1;
  pic.width = 48;
  pic.height = 8;
  const std::size_t row = fixture::StoredRowBytes(pic.format, pic.width, 4);
  Bytes plane(row * pic.height);
  for (std::size_t k = 0; k < plane.size(); ++k) plane[k] = static_cast<std::uint8_t>(k * 37 + 1);
  pic.pixels = fixture::Swizzle(plane, row, pic.height);
  pic.palette = fixture::Palette{fixture::kRgba8888, 16, Bytes(64, 0x7F)};
  return pic;
}

fixture::Picture NoPixels(std::uint16_t width, std::uint16_t height) {
  fixture::Picture pic;
  pic.width = width;
  pic.height = height;
  pic.pixels.resize(fixture::StoredRowBytes(pic.format, width) * height);
  return pic;
}

int BitsOf(IWICBitmapFrameDecode* frame) {
  WICPixelFormatGUID format{};
  EXPECT_EQ(frame->GetPixelFormat(&format), S_OK);
  return format == GUID_WICPixelFormat4bppIndexed   ? 4
         : format == GUID_WICPixelFormat8bppIndexed ? 8
                                                    : 32;
}

// The whole picture (straight into the buffer), then a rectangle from the
// decoder's cached picture.
void ExpectEveryByteWritten(IWICBitmapFrameDecode* frame) {
  UINT width = 0, height = 0;
  ASSERT_EQ(frame->GetSize(&width, &height), S_OK);
  const auto w = static_cast<INT>(width), h = static_cast<INT>(height);
  for (const WICRect rect : {WICRect{0, 0, w, h}, WICRect{1, 1, w - 1, h - 1}}) {
    const UINT row = (static_cast<UINT>(rect.Width) * static_cast<UINT>(BitsOf(frame)) + 7) / 8;
    const UINT stride = row + 3;
    ExpectEveryRowByteWritten(frame, &rect, stride, row, stride * static_cast<UINT>(rect.Height));
  }
}

TEST(Mends, EachFileGivesWhatTheConverterShows) {
  const struct {
    const char* what;
    fixture::Picture picture;
    HRESULT initialize;
  } files[] = {
      {"indices past a 200-entry palette", ShortPalette(), S_OK},
      {"a plane narrower than the picture", NarrowSwizzledPlane(), S_OK},
      {"0 wide", NoPixels(0, 4), WINCODEC_ERR_BADIMAGE},
      {"0 high", NoPixels(4, 0), WINCODEC_ERR_BADIMAGE},
  };
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  for (const auto& f : files) {
    SCOPED_TRACE(f.what);
    MemoryStream stream(fixture::Write(f.picture).bytes);
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    ASSERT_EQ(CreateOurDecoder(decoder), S_OK);
    ASSERT_EQ(decoder->Initialize(&stream, WICDecodeMetadataCacheOnDemand), f.initialize);
    if (f.initialize != S_OK) {
      EXPECT_EQ(decoder->GetFrame(0, frame.Out()), WINCODEC_ERR_NOTINITIALIZED);
      continue;
    }
    ASSERT_EQ(decoder->GetFrame(0, frame.Out()), S_OK);
    ExpectEveryByteWritten(frame.get());

    // A colour for every index; those past the file's palette opaque black.
    Com<IWICPalette> palette;
    ASSERT_EQ(factory->CreatePalette(palette.Out()), S_OK);
    ASSERT_EQ(frame->CopyPalette(palette.get()), S_OK);
    WICColor colours[257] = {};
    UINT count = 0;
    EXPECT_EQ(palette->GetColors(257, colours, &count), S_OK);
    EXPECT_EQ(count, 1u << BitsOf(frame.get()));
    const std::uint32_t stated = f.picture.palette->count;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint8_t* e = &f.picture.palette->entries[4 * k];
      const std::uint32_t want = k >= stated ? 0xFF000000u
                                             : std::uint32_t{e[3]} << 24 | std::uint32_t{e[0]} << 16 |
                                                   std::uint32_t{e[1]} << 8 | e[2];
      ASSERT_EQ(colours[k], want) << "colour " << k;
    }
  }
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

// A client that keeps the class object keeps the DLL: it may make decoders
// from it later.
TEST(Mends, TheClassObjectKeepsTheDllLoaded) {
  Com<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(kDecoderClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             factory.OutVoid()),
            S_OK);
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_FALSE);
  Com<IWICBitmapDecoder> decoder;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IWICBitmapDecoder, decoder.OutVoid()), S_OK);
  EXPECT_EQ(decoder.Reset(), 0u);
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_FALSE);
  EXPECT_EQ(factory.Reset(), 0u);
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tovak::wictest
