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

// Every case's whole picture, then its rows one by one, as one buffer of
// tight rows each.
std::vector<Bytes> DecodeAll(IWICImagingFactory* factory) {
  std::vector<Bytes> out;
  for (const Case& c : AllCases()) {
    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFilename(CaseFile(c, false).c_str(), nullptr,
                                                  GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out()))) {
      out.emplace_back();
      continue;
    }
    const UINT stride = (kWidth * static_cast<UINT>(LayoutBits(c)) + 7) / 8;
    Bytes pixels(std::size_t{stride} * kHeight * 2);
    frame->CopyPixels(nullptr, stride, stride * kHeight, pixels.data());
    for (UINT y = 0; y < kHeight; ++y) {
      const WICRect row{0, static_cast<INT>(y), static_cast<INT>(kWidth), 1};
      frame->CopyPixels(&row, stride, stride, pixels.data() + std::size_t{stride} * (kHeight + y));
    }
    out.push_back(std::move(pixels));
  }
  return out;
}

TEST(Threads, EightThreadsWithDecodersOfTheirOwnGetWhatOneGets) {
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  const std::vector<Bytes> alone = DecodeAll(factory.get());
  ASSERT_EQ(alone.size(), AllCases().size());
  for (const Bytes& b : alone) ASSERT_FALSE(b.empty());

  std::atomic<int> differences{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      {
        Com<IWICImagingFactory> own;
        if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IWICImagingFactory, own.OutVoid()))) {
          for (int round = 0; round < 3; ++round) {
            if (DecodeAll(own.get()) != alone) ++differences;
          }
        } else {
          ++differences;
        }
      }
      CoUninitialize();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(differences.load(), 0);
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

TEST(Threads, EightThreadsSharingOneDecoderGetWhatOneGets) {
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  for (const Case& c : AllCases()) {
    if (c.pixel_order != 1 || c.big_endian) continue;  // one of each format
    SCOPED_TRACE(c.name);
    const UINT stride = (kWidth * static_cast<UINT>(LayoutBits(c)) + 7) / 8;
    Bytes want(std::size_t{stride} * kHeight);
    {
      Com<IWICBitmapDecoder> decoder;
      Com<IWICBitmapFrameDecode> frame;
      ASSERT_EQ(factory->CreateDecoderFromFilename(CaseFile(c, false).c_str(), nullptr,
                                                   GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                   decoder.Out()),
                S_OK);
      ASSERT_EQ(decoder->GetFrame(0, frame.Out()), S_OK);
      ASSERT_EQ(frame->CopyPixels(nullptr, stride, static_cast<UINT>(want.size()), want.data()),
                S_OK);
    }

    Com<IWICBitmapDecoder> decoder;
    Com<IWICBitmapFrameDecode> frame;
    ASSERT_EQ(factory->CreateDecoderFromFilename(CaseFile(c, false).c_str(), nullptr,
                                                 GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                 decoder.Out()),
              S_OK);
    ASSERT_EQ(decoder->GetFrame(0, frame.Out()), S_OK);
    std::atomic<int> differences{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        Bytes got(want.size());
        // Half the threads ask row by row (from the shared decoded whole,
        // made by whichever comes first), half for the whole picture.
        if (t % 2 == 0) {
          for (UINT y = 0; y < kHeight; ++y) {
            const WICRect row{0, static_cast<INT>(y), static_cast<INT>(kWidth), 1};
            if (FAILED(frame->CopyPixels(&row, stride, stride, got.data() + std::size_t{stride} * y))) {
              ++differences;
            }
          }
        } else if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(got.size()),
                                            got.data()))) {
          ++differences;
        }
        if (got != want) ++differences;
        // Frames of their own too, over the same decoder.
        Com<IWICBitmapFrameDecode> own;
        if (FAILED(decoder->GetFrame(0, own.Out()))) ++differences;
        CoUninitialize();
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(differences.load(), 0);
    EXPECT_EQ(frame.Reset(), 0u);
    EXPECT_EQ(decoder.Reset(), 0u);
  }
  EXPECT_EQ(DecoderDllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tovak::wictest
