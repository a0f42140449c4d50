// Pictures of every format, byte order and pixel order opened as any WIC
// client opens them, by file name (under a wrong extension too: WIC decides
// by the signature), and read whole, in rectangles, through the format
// converter and through the palette; each compared with the converter's PNG
// of the same file. And the answers of a codec without thumbnails,
// previews, metadata or colour profiles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wic/cases.h"
#include "wic/wic_client.h"

namespace tovak::wictest {
namespace {

constexpr std::uint8_t kGuard = 0xCD;
constexpr std::size_t kGuardBytes = 16;
constexpr WICRect kWhole{0, 0, static_cast<INT>(kWidth), static_cast<INT>(kHeight)};

// CopyPixels of `rect` into a buffer of exactly the size the request needs
// (rows `pad` bytes longer than the rectangle's), with guard bytes after it
// that must stay untouched; compared pixel by pixel with the converter's.
void ExpectRect(IWICBitmapSource* source, const Case& c, const WICRect& rect, UINT pad,
                bool pass_null_rect = false) {
  SCOPED_TRACE("rectangle " + std::to_string(rect.X) + "," + std::to_string(rect.Y) + " " +
               std::to_string(rect.Width) + "x" + std::to_string(rect.Height));
  const int bits = LayoutBits(c);
  const UINT row = (static_cast<UINT>(rect.Width) * static_cast<UINT>(bits) + 7) / 8;
  const UINT stride = row + pad;
  const UINT size = stride * static_cast<UINT>(rect.Height - 1) + row;
  Bytes buffer(size + kGuardBytes, kGuard);
  ASSERT_EQ(source->CopyPixels(pass_null_rect ? nullptr : &rect, stride, size, buffer.data()),
            S_OK);
  for (std::size_t k = size; k < buffer.size(); ++k) ASSERT_EQ(buffer[k], kGuard) << "past the end";
  ExpectEveryRowByteWritten(source, pass_null_rect ? nullptr : &rect, stride, row, size);
  for (INT y = 0; y < rect.Height; ++y) {
    for (INT x = 0; x < rect.Width; ++x) {
      ASSERT_EQ(PixelIn(buffer.data(), stride, bits, static_cast<std::uint32_t>(x),
                        static_cast<std::uint32_t>(y)),
                ExpectedPixel(c, static_cast<std::uint32_t>(rect.X + x),
                              static_cast<std::uint32_t>(rect.Y + y)))
          << "pixel " << rect.X + x << "," << rect.Y + y;
    }
    // The nibble past an odd-width 4-bit row is zero.
    if (bits == 4 && rect.Width % 2 == 1) {
      EXPECT_EQ(buffer[static_cast<std::size_t>(y) * stride + row - 1] & 15, 0);
    }
  }
}

// 24bppBGR through WIC's format converter: the converter's colours without
// alpha. Wine's converter has no direct path from the indexed formats to
// 24bppBGR: they go through 32bppBGRA, which it reaches through the palette.
void ExpectBgr(IWICImagingFactory* factory, IWICBitmapSource* frame, const Case& c) {
  Com<IWICFormatConverter> bgra, bgr;
  IWICBitmapSource* source = frame;
  if (c.index_bits != 0) {
    ASSERT_EQ(factory->CreateFormatConverter(bgra.Out()), S_OK);
    ASSERT_EQ(bgra->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                               nullptr, 0.0, WICBitmapPaletteTypeCustom),
              S_OK);
    source = bgra.get();
  }
  ASSERT_EQ(factory->CreateFormatConverter(bgr.Out()), S_OK);
  ASSERT_EQ(bgr->Initialize(source, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr,
                            0.0, WICBitmapPaletteTypeCustom),
            S_OK);
  for (const WICRect& rect : {kWhole, WICRect{3, 2, 5, 4}}) {
    const UINT stride = static_cast<UINT>(rect.Width) * 3 + 1;
    Bytes got(std::size_t{stride} * static_cast<UINT>(rect.Height));
    ASSERT_EQ(bgr->CopyPixels(&rect, stride, static_cast<UINT>(got.size()), got.data()), S_OK);
    for (INT y = 0; y < rect.Height; ++y) {
      for (INT x = 0; x < rect.Width; ++x) {
        const std::uint8_t* p = &got[static_cast<std::size_t>(y) * stride + 3 * x];
        const std::uint8_t* want =
            &ReferenceOf(c).rgba[4 * (static_cast<std::size_t>(rect.Y + y) * kWidth + rect.X + x)];
        ASSERT_TRUE(p[2] == want[0] && p[1] == want[1] && p[0] == want[2])
            << "BGR pixel " << rect.X + x << "," << rect.Y + y;
      }
    }
  }
}

// Indexed pictures hand their palette, alpha included; the others have none.
void ExpectPalette(IWICImagingFactory* factory, IWICBitmapSource* frame, const Case& c) {
  Com<IWICPalette> palette;
  ASSERT_EQ(factory->CreatePalette(palette.Out()), S_OK);
  if (c.index_bits == 0) {
    EXPECT_EQ(frame->CopyPalette(palette.get()), WINCODEC_ERR_PALETTEUNAVAILABLE);
    return;
  }
  ASSERT_EQ(frame->CopyPalette(palette.get()), S_OK);
  const std::vector<std::uint32_t>& want = ReferenceOf(c).palette;
  std::vector<WICColor> colours(want.size() + 1);
  UINT count = 0;
  EXPECT_EQ(palette->GetColors(static_cast<UINT>(colours.size()), colours.data(), &count), S_OK);
  colours.resize(count);
  EXPECT_EQ(std::vector<std::uint32_t>(colours.begin(), colours.end()), want);
}

TEST(Decode, EveryFormatByteAndPixelOrderGivesTheConvertersPixels) {
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  for (const Case& c : AllCases()) {
    for (const bool wrong_extension : {false, true}) {
      SCOPED_TRACE(CaseFile(c, wrong_extension).filename().string());
      Com<IWICBitmapDecoder> decoder;
      Com<IWICBitmapFrameDecode> frame;
      ASSERT_EQ(factory->CreateDecoderFromFilename(CaseFile(c, wrong_extension).c_str(), nullptr,
                                                   GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                   decoder.Out()),
                S_OK);
      GUID container{};
      UINT frames = 0, width = 0, height = 0;
      WICPixelFormatGUID format{};
      double dpi_x = 0, dpi_y = 0;
      EXPECT_EQ(decoder->GetContainerFormat(&container), S_OK);
      EXPECT_EQ(decoder->GetFrameCount(&frames), S_OK);
      ASSERT_EQ(decoder->GetFrame(0, frame.Out()), S_OK);
      EXPECT_EQ(frame->GetSize(&width, &height), S_OK);
      EXPECT_EQ(frame->GetPixelFormat(&format), S_OK);
      EXPECT_EQ(frame->GetResolution(&dpi_x, &dpi_y), S_OK);
      EXPECT_EQ(container, kContainerFormat);
      EXPECT_EQ(frames, 1u);
      EXPECT_EQ(width, kWidth);
      EXPECT_EQ(height, kHeight);
      EXPECT_EQ(format, c.index_bits == 4   ? GUID_WICPixelFormat4bppIndexed
                        : c.index_bits == 8 ? GUID_WICPixelFormat8bppIndexed
                                            : GUID_WICPixelFormat32bppBGRA);
      EXPECT_TRUE(dpi_x == 96.0 && dpi_y == 96.0);

      // The whole picture first (decoded straight into the buffer), then
      // rectangles (from the decoded whole), then the whole again.
      ExpectRect(frame.get(), c, kWhole, 0, true);
      ExpectRect(frame.get(), c, kWhole, 7, true);
      for (const WICRect& rect : {WICRect{3, 2, 5, 4}, WICRect{2, 1, 6, 3}, WICRect{1, 0, 12, 1},
                                  WICRect{12, 8, 1, 1}, WICRect{0, 4, 13, 5}}) {
        ExpectRect(frame.get(), c, rect, 3);
      }
      ExpectRect(frame.get(), c, kWhole, 1);
      if (!wrong_extension) {
        ExpectBgr(factory.get(), frame.get(), c);
        ExpectPalette(factory.get(), frame.get(), c);
      }
      EXPECT_EQ(frame.Reset(), 0u);
      EXPECT_EQ(decoder.Reset(), 0u);
    }
  }
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

// What CopyPixels refuses: rectangles outside the picture, no buffer, a
// stride shorter than a row (E_INVALIDARG, as WIC's own codecs answer), a
// buffer one byte short (WINCODEC_ERR_INSUFFICIENTBUFFER); and nothing is
// written then. An empty rectangle copies nothing and succeeds.
TEST(Decode, CopyPixelsChecksTheRectangleStrideAndBuffer) {
  const struct {
    const char* what;
    WICRect rect;
    int stride_change;  // from the rectangle's row bytes
    int size_change;    // from what the request needs
    bool buffer;
    HRESULT result;
  } requests[] = {
      {"whole", {0, 0, 13, 9}, 0, 0, true, S_OK},
      {"left of the picture", {-1, 0, 2, 2}, 0, 0, true, E_INVALIDARG},
      {"above the picture", {0, -1, 2, 2}, 0, 0, true, E_INVALIDARG},
      {"one column too wide", {1, 0, 13, 2}, 0, 0, true, E_INVALIDARG},
      {"one row too tall", {0, 1, 13, 9}, 0, 0, true, E_INVALIDARG},
      {"negative width", {2, 2, -1, 2}, 0, 0, true, E_INVALIDARG},
      {"sums past 32 bits", {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 1}, 0, 0, true, E_INVALIDARG},
      {"stride one short", {0, 0, 13, 9}, -1, 0, true, E_INVALIDARG},
      {"buffer one short", {0, 0, 13, 9}, 0, -1, true, WINCODEC_ERR_INSUFFICIENTBUFFER},
      {"rectangle's buffer one short", {3, 2, 5, 4}, 5, -1, true, WINCODEC_ERR_INSUFFICIENTBUFFER},
      {"no buffer", {0, 0, 13, 9}, 0, 0, false, E_INVALIDARG},
      {"empty", {4, 4, 0, 0}, 0, 0, true, S_OK},
  };
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  for (const Case& c : AllCases()) {
    if (c.format != 3 && c.format != 4) continue;  // RGBA8888 and INDEX4
    SCOPED_TRACE(c.name);
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    ASSERT_EQ(factory->CreateDecoderFromFilename(CaseFile(c, false).c_str(), nullptr, GENERIC_READ,
                                                 WICDecodeMetadataCacheOnDemand, decoder.Out()),
              S_OK);
    ASSERT_EQ(decoder->GetFrame(0, frame.Out()), S_OK);
    for (const auto& r : requests) {
      SCOPED_TRACE(r.what);
      // A request outside the picture gets a roomy buffer: only its
      // rectangle is wrong.
      const bool inside = r.rect.X >= 0 && r.rect.Y >= 0 && r.rect.Width >= 0 &&
                          r.rect.Height >= 0 && std::int64_t{r.rect.X} + r.rect.Width <= kWidth &&
                          std::int64_t{r.rect.Y} + r.rect.Height <= kHeight;
      std::int64_t stride = 64, size = 4096;
      if (inside) {
        const std::int64_t row = (std::int64_t{r.rect.Width} * LayoutBits(c) + 7) / 8;
        stride = row + r.stride_change;
        size = stride * (r.rect.Height < 1 ? 0 : r.rect.Height - 1) + row + r.size_change;
      }
      Bytes buffer(static_cast<std::size_t>(size > 0 ? size : 1) + kGuardBytes, kGuard);
      EXPECT_EQ(frame->CopyPixels(&r.rect, static_cast<UINT>(stride),
                                  static_cast<UINT>(size > 0 ? size : 0),
                                  r.buffer ? buffer.data() : nullptr),
                r.result);
      if (r.result != S_OK) {
        EXPECT_EQ(buffer, Bytes(buffer.size(), kGuard)) << "a refusal wrote";
      }
    }
  }
}

// Our decoder made by COM over a stream that stands past the signature, as
// WIC hands it over: it reads from the start; and it has no thumbnail,
// preview, metadata, colour profile, or palette of the file as a whole.
TEST(Decode, ADecoderReadsFromTheStartAndHasNoExtras) {
  const Case& c = AllCases().front();
  Com<IWICBitmapDecoder> decoder;
  ASSERT_EQ(CreateOurDecoder(decoder), S_OK);
  UINT count = 7;
  Com<IWICBitmapFrameDecode> frame;
  EXPECT_EQ(decoder->GetFrameCount(&count), WINCODEC_ERR_NOTINITIALIZED);
  EXPECT_EQ(decoder->GetFrame(0, frame.Out()), WINCODEC_ERR_NOTINITIALIZED);
  MemoryStream stream(c.file);
  LARGE_INTEGER past_signature;
  past_signature.QuadPart = 8;
  ASSERT_EQ(stream.Seek(past_signature, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(decoder->Initialize(&stream, WICDecodeMetadataCacheOnLoad), S_OK);
  EXPECT_EQ(stream.bytes_read(), c.file.size());
  EXPECT_EQ(decoder->Initialize(&stream, WICDecodeMetadataCacheOnLoad), WINCODEC_ERR_WRONGSTATE);
  EXPECT_EQ(decoder->GetFrame(1, frame.Out()), WINCODEC_ERR_FRAMEMISSING);
  ASSERT_EQ(decoder->GetFrame(0, frame.Out()), S_OK);
  ExpectRect(frame.get(), c, kWhole, 0);

  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IWICPalette> palette;
  ASSERT_EQ(factory->CreatePalette(palette.Out()), S_OK);
  Com<IWICBitmapSource> source;
  Com<IWICMetadataQueryReader> metadata;
  EXPECT_EQ(decoder->GetThumbnail(source.Out()), WINCODEC_ERR_CODECNOTHUMBNAIL);
  EXPECT_EQ(decoder->GetPreview(source.Out()), WINCODEC_ERR_UNSUPPORTEDOPERATION);
  EXPECT_EQ(decoder->GetMetadataQueryReader(metadata.Out()), WINCODEC_ERR_UNSUPPORTEDOPERATION);
  EXPECT_EQ(decoder->CopyPalette(palette.get()), WINCODEC_ERR_PALETTEUNAVAILABLE);
  EXPECT_EQ(frame->GetThumbnail(source.Out()), WINCODEC_ERR_CODECNOTHUMBNAIL);
  EXPECT_EQ(frame->GetMetadataQueryReader(metadata.Out()), WINCODEC_ERR_UNSUPPORTEDOPERATION);
  EXPECT_TRUE(!source && !metadata);
  EXPECT_EQ(decoder->GetColorContexts(0, nullptr, &count), S_OK);
  EXPECT_EQ(count, 0u);
  count = 7;
  EXPECT_EQ(frame->GetColorContexts(0, nullptr, &count), S_OK);
  EXPECT_EQ(count, 0u);

  Com<IWICBitmapDecoderInfo> info;
  CLSID clsid{};
  ASSERT_EQ(decoder->GetDecoderInfo(info.Out()), S_OK);
  EXPECT_EQ(info->GetCLSID(&clsid), S_OK);
  EXPECT_EQ(clsid, kDecoderClsid);
  EXPECT_EQ(frame.Reset(), 0u);
  EXPECT_EQ(decoder.Reset(), 0u);
  EXPECT_EQ(stream.references(), 1);
}

// QueryCapability reads no more than the file header and puts the stream
// back where it stood.
TEST(Decode, QueryCapabilityJudgesTheStreamAndLeavesItWhereItWas) {
  Bytes not_gim = AllCases().front().file;
  not_gim[0] = 'X';
  const struct {
    const char* what;
    Bytes bytes;
    DWORD capability;
  } streams[] = {
      {"a GIM picture", AllCases().front().file,
       WICBitmapDecoderCapabilityCanDecodeAllImages |
           WICBitmapDecoderCapabilityCanDecodeSomeImages},
      {"another signature", not_gim, 0},
      {"nothing", Bytes{}, 0},
  };
  for (const auto& s : streams) {
    SCOPED_TRACE(s.what);
    MemoryStream stream(s.bytes);
    LARGE_INTEGER move;
    move.QuadPart = 5;
    ASSERT_EQ(stream.Seek(move, STREAM_SEEK_SET, nullptr), S_OK);
    Com<IWICBitmapDecoder> decoder;
    ASSERT_EQ(CreateOurDecoder(decoder), S_OK);
    DWORD capability = 0xFFFF;
    EXPECT_EQ(decoder->QueryCapability(&stream, &capability), S_OK);
    EXPECT_EQ(capability, s.capability);
    EXPECT_EQ(stream.position(), 5u);
    EXPECT_LE(stream.bytes_read(), 16u);
    EXPECT_EQ(decoder.Reset(), 0u);
  }
}

}  // namespace
}  // namespace tovak::wictest
