// Decoders are free-threaded: eight threads, each with decoders of its own,
// get what one thread gets; and eight threads sharing one decoder and its
// frame, asking for rows and for the whole picture at once, get the same.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "wic/cases.h"
#include "wic/wic_client.h"

namespace tovak::wictest {
namespace {

constexpr int kThreads = 8;

UINT StrideOf(const Case& c) { return (kWidth * static_cast<UINT>(LayoutBits(c)) + 7) / 8; }

bool OpenFrame(IWICImagingFactory* factory, const Case& c, Com<IWICBitmapDecoder>& decoder,
               Com<IWICBitmapFrameDecode>& frame) {
  return SUCCEEDED(factory->CreateDecoderFromFilename(CaseFile(c, false).c_str(), nullptr,
                                                      GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                      decoder.Out())) &&
         SUCCEEDED(decoder->GetFrame(0, frame.Out()));
}

// Every case read whole and then row by row (rows from the decoder's
// decoded whole), through a factory of the calling thread's own.
std::vector<Bytes> DecodeAll() {
  std::vector<Bytes> out;
  Com<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.OutVoid()))) {
    return out;
  }
  for (const Case& c : AllCases()) {
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    const UINT stride = StrideOf(c);
    Bytes pixels(std::size_t{stride} * kHeight * 2);
    if (OpenFrame(factory.get(), c, decoder, frame)) {
      frame->CopyPixels(nullptr, stride, stride * kHeight, pixels.data());
      for (UINT y = 0; y < kHeight; ++y) {
        const WICRect row{0, static_cast<INT>(y), static_cast<INT>(kWidth), 1};
        frame->CopyPixels(&row, stride, stride, &pixels[std::size_t{stride} * (kHeight + y)]);
      }
    }
    out.push_back(std::move(pixels));
  }
  return out;
}

template <class Work>
int OnEightThreads(const Work& work) {
  std::atomic<int> differences{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      if (!work(t)) ++differences;
      CoUninitialize();
    });
  }
  for (std::thread& thread : threads) thread.join();
  return differences.load();
}

TEST(Threads, EightThreadsWithDecodersOfTheirOwnGetWhatOneGets) {
  const std::vector<Bytes> alone = DecodeAll();
  ASSERT_EQ(alone.size(), AllCases().size());
  for (const Bytes& pixels : alone) ASSERT_NE(pixels, Bytes(pixels.size())) << "nothing decoded";
  EXPECT_EQ(OnEightThreads([&](int) { return DecodeAll() == alone && DecodeAll() == alone; }), 0);
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

TEST(Threads, EightThreadsSharingOneDecoderGetWhatOneGets) {
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  for (const Case& c : AllCases()) {
    if (c.pixel_order != 1 || c.big_endian) continue;  // one of each format
    SCOPED_TRACE(c.name);
    const UINT stride = StrideOf(c);
    Bytes want(std::size_t{stride} * kHeight);
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    ASSERT_TRUE(OpenFrame(factory.get(), c, decoder, frame));
    ASSERT_EQ(frame->CopyPixels(nullptr, stride, static_cast<UINT>(want.size()), want.data()),
              S_OK);
    ASSERT_TRUE(OpenFrame(factory.get(), c, decoder, frame));  // a decoder not yet used
    // Half the threads ask row by row (from the shared decoded whole, made
    // by whichever comes first), half for the whole picture; each also
    // takes a frame of its own.
    EXPECT_EQ(OnEightThreads([&](int t) {
                Bytes got(want.size());
                bool ok = true;
                for (UINT y = 0; t % 2 == 0 && y < kHeight; ++y) {
                  const WICRect row{0, static_cast<INT>(y), static_cast<INT>(kWidth), 1};
                  ok = ok && SUCCEEDED(frame->CopyPixels(&row, stride, stride,
                                                         &got[std::size_t{stride} * y]));
                }
                if (t % 2 == 1) {
                  ok = SUCCEEDED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(got.size()),
                                                   got.data()));
                }
                Com<IWICBitmapFrameDecode> own;
                return ok && got == want && SUCCEEDED(decoder->GetFrame(0, own.Out()));
              }),
              0);
    EXPECT_EQ(frame.Reset(), 0u);
    EXPECT_EQ(decoder.Reset(), 0u);
  }
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tovak::wictest
