// One CopyPixels of a whole 2048 x 2048 picture per format through the
// real tovak-wic.dll under Wine, against the converter's decode of the same
// picture in the same process and run: the core's WritePixels into RGBA or
// index rows, as tovak convert decodes before encoding its PNG. Both write
// into a buffer allocated and touched beforehand, so that neither pays for
// page faults. Beside them, reading the picture row by row (a CopyPixels of
// one row at a time on a fresh decoder: the decoder decodes the whole once
// into a block of its own and copies rows out of it), and what allocating
// and touching a fresh block of that size costs alone, the page faults the
// row-by-row reading pays. Figures are medians of several rounds after a
// warm-up; the ratio to the converter's decode holds on any machine.
//
//   tovak_wic_bench [tovak-wic.dll] [--side N] [--rounds N]
//
// The DLL is loaded by path and asked for its class object directly: no
// registration is needed.
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/random_picture.h"
#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/container.h"

namespace {

using tovak::bench::Bytes;

constexpr GUID kDecoderClsid = {
    0x6abda9fa, 0xeb8c, 0x4e7c, {0xa8, 0x46, 0xd1, 0x0c, 0x68, 0xd6, 0xe4, 0x60}};

struct Format {
  const char* name;
  std::uint16_t code;
};

constexpr Format kFormats[] = {{"RGBA5650", 0}, {"RGBA5551", 1}, {"RGBA4444", 2},
                               {"RGBA8888", 3}, {"INDEX4", 4},   {"INDEX8", 5},
                               {"DXT1", 8},     {"DXT3", 9},     {"DXT5", 10}};

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

IStream* StreamOf(const Bytes& bytes) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  CreateStreamOnHGlobal(memory, TRUE, &stream);
  return stream;
}

struct Wic {
  IClassFactory* factory = nullptr;

  // A fresh decoder's frame over `file`; null on failure.
  IWICBitmapFrameDecode* Frame(const Bytes& file) const {
    IWICBitmapDecoder* decoder = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IWICBitmapDecoder,
                                       reinterpret_cast<void**>(&decoder)))) {
      return nullptr;
    }
    IStream* stream = StreamOf(file);
    IWICBitmapFrameDecode* frame = nullptr;
    if (SUCCEEDED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand))) {
      decoder->GetFrame(0, &frame);
    }
    stream->Release();
    decoder->Release();
    return frame;
  }
};

}  // namespace

int main(int argc, char** argv) {
  std::string dll = "tovak-wic.dll";
  std::uint16_t side = 2048;
  int rounds = 9;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--side" && i + 1 < argc) {
      side = static_cast<std::uint16_t>(std::atoi(argv[++i]));
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      dll = arg;
    }
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const HMODULE module = LoadLibraryA(dll.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", dll.c_str());
    return 1;
  }
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  const auto get_class_object = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  Wic wic;
  if (get_class_object == nullptr ||
      FAILED(get_class_object(kDecoderClsid, IID_IClassFactory,
                              reinterpret_cast<void**>(&wic.factory)))) {
    std::fprintf(stderr, "no class object in %s\n", dll.c_str());
    return 1;
  }

  std::printf("%u x %u, median of %d rounds, ms\n", side, side, rounds);
  std::printf("%-10s %10s %10s %8s %12s %12s\n", "format", "converter", "CopyPixels", "ratio",
              "row by row", "fresh block");
  for (const Format& f : kFormats) {
    const Bytes file = tovak::bench::RandomPicture(f.code, side);
    const tovak::gim::ByteView view{file.data(), file.size()};
    const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
    tovak::decode::PicturePlan plan;
    if (!recognition.recognised ||
        tovak::decode::PlanPicture(tovak::gim::Reader{view, recognition.big_endian},
                                   recognition.blocks, plan) != tovak::decode::Failure::kNone) {
      std::fprintf(stderr, "%s: no picture\n", f.name);
      return 1;
    }
    const bool indexed = tovak::decode::IsIndexed(plan);
    const unsigned bits = indexed ? plan.index_bits : 32;
    const UINT stride = (UINT{side} * bits + 7) / 8;
    Bytes converter_rows(std::size_t{stride} * side, 1);
    Bytes wic_rows(std::size_t{stride} * side, 1);
    tovak::decode::Destination to;
    to.layout = indexed ? tovak::decode::PixelLayout::kIndex : tovak::decode::PixelLayout::kRgba32;
    to.data = converter_rows.data();
    to.bytes = converter_rows.size();
    to.stride = stride;

    std::vector<double> converter, whole, rows, touches;
    for (int round = -1; round < rounds; ++round) {
      double start = Now();
      tovak::decode::WritePixels(plan, to);
      const double converter_time = Now() - start;

      IWICBitmapFrameDecode* frame = wic.Frame(file);
      if (frame == nullptr) {
        std::fprintf(stderr, "%s: the decoder refused it\n", f.name);
        return 1;
      }
      start = Now();
      const HRESULT hr =
          frame->CopyPixels(nullptr, stride, static_cast<UINT>(wic_rows.size()), wic_rows.data());
      const double whole_time = Now() - start;
      frame->Release();
      if (FAILED(hr)) {
        std::fprintf(stderr, "%s: CopyPixels failed\n", f.name);
        return 1;
      }

      frame = wic.Frame(file);
      start = Now();
      for (INT y = 0; y < side; ++y) {
        const WICRect row{0, y, side, 1};
        frame->CopyPixels(&row, stride, stride, wic_rows.data() + std::size_t{stride} * y);
      }
      const double rows_time = Now() - start;

      frame->Release();

      start = Now();
      void* fresh = HeapAlloc(GetProcessHeap(), 0, wic_rows.size());
      std::memset(fresh, 0, wic_rows.size());
      const double fresh_time = Now() - start;
      HeapFree(GetProcessHeap(), 0, fresh);
      if (round >= 0) {
        converter.push_back(converter_time);
        whole.push_back(whole_time);
        rows.push_back(rows_time);
        touches.push_back(fresh_time);
      }
    }
    const double c = Median(converter), w = Median(whole), r = Median(rows);
    std::printf("%-10s %10.2f %10.2f %8.2f %12.2f %12.2f\n", f.name, 1e3 * c, 1e3 * w, w / c,
                1e3 * r, 1e3 * Median(touches));
  }
  wic.factory->Release();
  CoUninitialize();
  return 0;
}
