// Files that older builds mishandled, opened as a client opens a stream:
// indices past a short palette and a plane narrower than the picture give
// every row byte and a colour for every index (opaque black past the
// file's entries); pictures of no pixels are refused. And the class object,
// which keeps the DLL loaded.
#include <gtest/gtest.h>

#include "fixture/gim_writer.h"
#include "wic/cases.h"
#include "wic/wic_client.h"

namespace tovak::wictest {
namespace {

// INDEX8 `width` x `height`, stored at `bits` per pixel in `order`, of
// made-up indices, with `entries` RGBA8888 entries (stored R, G, B, A).
fixture::Picture Indexed(std::uint16_t width, std::uint16_t height, std::uint16_t bits,
                         std::uint16_t order, std::uint16_t entries) {
  fixture::Picture pic{false, fixture::kIndex8, order, width, height, bits};
  const std::size_t row = fixture::StoredRowBytes(pic.format, width, bits);
  Bytes plane(row * height);
  for (std::size_t k = 0; k < plane.size(); ++k) plane[k] = static_cast<std::uint8_t>(k * 37 + 1);
  pic.pixels = order == 1 ? fixture::Swizzle(plane, row, height) : plane;
  Bytes colours;
  for (int k = 0; k < entries; ++k) {
    for (const int byte : {k, 255 - k, 3 * k, 0x80 | k}) colours.push_back(static_cast<std::uint8_t>(byte));
  }
  pic.palette = fixture::Palette{fixture::kRgba8888, entries, colours};
  return pic;
}

TEST(Mends, EachFileGivesWhatTheConverterShows) {
  const struct {
    const char* what;
    fixture::Picture picture;
    HRESULT initialize;
  } files[] = {
      {"indices past a 200-entry palette", Indexed(37, 2, 8, 0, 200), S_OK},
      // 48 pixels at 4 bits: an odd count of 16-byte tiles across.
      {"a plane narrower than the picture", Indexed(48, 8, 4, 1, 16), S_OK},
      // A plan of no pixels (either side 0) is refused, as the fuzz target checks.
      {"0 wide", fixture::Picture{false, fixture::kRgba8888, 0, 0, 4}, WINCODEC_ERR_BADIMAGE},
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
    WICPixelFormatGUID format{};
    ASSERT_EQ(frame->GetPixelFormat(&format), S_OK);
    const UINT bits = format == GUID_WICPixelFormat4bppIndexed ? 4 : 8;
    ASSERT_TRUE(format == GUID_WICPixelFormat4bppIndexed || format == GUID_WICPixelFormat8bppIndexed);
    const UINT row = (f.picture.width * bits + 7) / 8;
    ExpectEveryRowByteWritten(frame.get(), nullptr, row + 3, row, (row + 3) * f.picture.height);

    Com<IWICPalette> palette;
    ASSERT_EQ(factory->CreatePalette(palette.Out()), S_OK);
    ASSERT_EQ(frame->CopyPalette(palette.get()), S_OK);
    WICColor colours[257] = {};
    UINT count = 0;
    EXPECT_EQ(palette->GetColors(257, colours, &count), S_OK);
    EXPECT_EQ(count, 1u << bits);
    for (std::uint32_t k = 0; k < count; ++k) {
      const Bytes& e = f.picture.palette->entries;
      const std::uint32_t want = k >= f.picture.palette->count
                                     ? 0xFF000000u
                                     : std::uint32_t{e[4 * k + 3]} << 24 | e[4 * k] << 16 | e[4 * k + 1] << 8 | e[4 * k + 2];
      ASSERT_EQ(colours[k], want) << "colour " << k;
    }
  }
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

// A client that keeps the class object keeps the DLL: it may make decoders
// from it later.
TEST(Mends, TheClassObjectKeepsTheDllLoaded) {
  Com<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(kDecoderClsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.OutVoid()), S_OK);
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
