#include "wic/frame.h"

#include "wic/decoder.h"
#include "wic/guids.h"
#include "wic/memory.h"
#include "wic/pixels.h"

namespace tovak::wic {
namespace {

// GIM stores no resolution; 96 dots per inch is what WIC's own decoders
// answer for pictures without one, and what programs that size pictures by
// it (WPF's) take as one pixel per device-independent unit.
constexpr double kDotsPerInch = 96.0;

HRESULT ResultOf(Request request) {
  switch (request) {
    case Request::kCopy:
    case Request::kNothing: return S_OK;
    case Request::kOutside:
    case Request::kNoBuffer:
    case Request::kStrideTooSmall: return E_INVALIDARG;
    case Request::kBufferTooSmall: return WINCODEC_ERR_INSUFFICIENTBUFFER;
  }
  return E_INVALIDARG;
}

class Frame final : public IWICBitmapFrameDecode {
 public:
  explicit Frame(Decoder* decoder) : decoder_(decoder) { decoder_->AddRef(); }
  ~Frame() { decoder_->Release(); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IWICBitmapSource) ||
        iid == __uuidof(IWICBitmapFrameDecode)) {
      *out = static_cast<IWICBitmapFrameDecode*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
  }

  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) DestroyObject(this);
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override {
    if (width == nullptr || height == nullptr) return E_INVALIDARG;
    *width = decoder_->plan().image.width;
    *height = decoder_->plan().image.height;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override {
    if (format == nullptr) return E_INVALIDARG;
    const decode::PicturePlan& plan = decoder_->plan();
    if (LayoutOf(plan) != decode::PixelLayout::kIndex) {
      *format = kPixelFormat32bppBGRA;
    } else {
      *format = plan.index_bits == 4 ? kPixelFormat4bppIndexed : kPixelFormat8bppIndexed;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override {
    if (x == nullptr || y == nullptr) return E_INVALIDARG;
    *x = kDotsPerInch;
    *y = kDotsPerInch;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override {
    if (palette == nullptr) return E_INVALIDARG;
    if (!decode::IsIndexed(decoder_->plan())) return WINCODEC_ERR_PALETTEUNAVAILABLE;
    std::uint32_t colours[kMaxPaletteColours];
    const std::uint32_t count = PaletteColours(decoder_->plan(), colours);
    return palette->InitializeCustom(colours, count);
  }

  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT buffer_bytes,
                                       BYTE* buffer) override;

  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override {
    if (reader == nullptr) return E_INVALIDARG;
    *reader = nullptr;
    return WINCODEC_ERR_UNSUPPORTEDOPERATION;
  }

  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT /*count*/, IWICColorContext** /*contexts*/,
                                             UINT* actual) override {
    if (actual == nullptr) return E_INVALIDARG;
    *actual = 0;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override {
    if (thumbnail == nullptr) return E_INVALIDARG;
    *thumbnail = nullptr;
    return WINCODEC_ERR_CODECNOTHUMBNAIL;
  }

 private:
  LONG references_ = 1;
  Decoder* decoder_;
};

// A request for the whole picture is decoded straight into the client's
// buffer, in one pass over the stored pixels, unless a whole decoded
// picture is already at hand. Any other rectangle is copied out of the
// decoder's whole picture, decoded once on first use.
HRESULT Frame::CopyPixels(const WICRect* rect, UINT stride, UINT buffer_bytes, BYTE* buffer) {
  const decode::PicturePlan& plan = decoder_->plan();
  const std::uint32_t width = plan.image.width;
  const std::uint32_t height = plan.image.height;
  Rect wanted;
  if (rect == nullptr) {
    wanted = {0, 0, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
  } else {
    wanted = {rect->X, rect->Y, rect->Width, rect->Height};
  }
  const Request request =
      CheckRequest(plan, wanted, stride, buffer_bytes, buffer != nullptr);
  if (request != Request::kCopy) return ResultOf(request);

  const bool whole = wanted.x == 0 && wanted.y == 0 &&
                     static_cast<std::uint32_t>(wanted.width) == width &&
                     static_cast<std::uint32_t>(wanted.height) == height;
  if (whole && !decoder_->HasWholePicture()) {
    return DecodeWhole(plan, buffer, stride, buffer_bytes) ? S_OK : E_UNEXPECTED;
  }
  const std::uint8_t* rows = nullptr;
  std::uint64_t rows_stride = 0;
  const HRESULT hr = decoder_->WholePicture(rows, rows_stride);
  if (FAILED(hr)) return hr;
  CopyRect(plan, rows, rows_stride, wanted, buffer, stride);
  return S_OK;
}

}  // namespace

HRESULT CreateFrame(Decoder* decoder, IWICBitmapFrameDecode** out) {
  Frame* frame = MakeObject<Frame>(decoder);
  if (frame == nullptr) return E_OUTOFMEMORY;
  *out = frame;
  return S_OK;
}

}  // namespace tovak::wic
