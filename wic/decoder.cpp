#include "wic/decoder.h"

#include "gim/limits.h"
#include "wic/frame.h"
#include "wic/guids.h"
#include "wic/picture.h"
#include "wic/stream_read.h"

namespace tovak::wic {
namespace {

// The stream's bytes as a picture: not GIM after all is a bad header; GIM
// headers whose data is missing or makes no picture a bad image; a picture
// larger than one block of memory out of range.
HRESULT PlanFromBytes(gim::ByteView view, decode::PicturePlan& plan) {
  switch (OpenPicture(view, plan)) {
    case Opening::kOpened: return S_OK;
    case Opening::kNotGim: return WINCODEC_ERR_BADHEADER;
    case Opening::kTooLarge: return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
    case Opening::kBadImage: break;
  }
  return WINCODEC_ERR_BADIMAGE;
}

}  // namespace

HRESULT CreateDecoder(REFIID iid, void** out) {
  Decoder* decoder = MakeObject<Decoder>();
  if (decoder == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = decoder->QueryInterface(iid, out);
  decoder->Release();
  return hr;
}

Decoder::Decoder() { InitializeCriticalSection(&lock_); }

Decoder::~Decoder() { DeleteCriticalSection(&lock_); }

HRESULT Decoder::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(IWICBitmapDecoder)) {
    *out = static_cast<IWICBitmapDecoder*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG Decoder::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG Decoder::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) DestroyObject(this);
  return static_cast<ULONG>(left);
}

// Only the file header is read: a client asks every decoder whose pattern
// matched, and the file may be large. Whether the rest makes a picture is
// Initialize's to find out.
HRESULT Decoder::QueryCapability(IStream* stream, DWORD* capability) {
  if (stream == nullptr || capability == nullptr) return E_INVALIDARG;
  *capability = 0;
  {
    Locked locked(lock_);
    if (initialised_) return WINCODEC_ERR_WRONGSTATE;
  }
  ULARGE_INTEGER position{};
  HRESULT hr = StreamPosition(stream, position);
  if (FAILED(hr)) return hr;
  std::uint8_t header[kHeaderBytes];
  ULONG got = 0;
  hr = ReadStreamStart(stream, header, sizeof header, got);
  if (SUCCEEDED(hr) && StartsLikeGim({header, got})) {
    *capability =
        WICBitmapDecoderCapabilityCanDecodeAllImages | WICBitmapDecoderCapabilityCanDecodeSomeImages;
  }
  // The stream is the client's: it gets its position back whatever was read.
  const HRESULT restored = SeekStream(stream, position.QuadPart);
  return FAILED(hr) ? hr : restored;
}

HRESULT Decoder::Initialize(IStream* stream, WICDecodeOptions /*options*/) {
  if (stream == nullptr) return E_INVALIDARG;
  Locked locked(lock_);
  if (initialised_) return WINCODEC_ERR_WRONGSTATE;
  std::uint64_t size = 0;
  HRESULT hr = ReadWholeStream(stream, gim::kMaxBlockBytes, bytes_, size);
  if (SUCCEEDED(hr)) hr = PlanFromBytes({bytes_.data(), size}, plan_);
  if (FAILED(hr)) {
    bytes_.Reset();
    plan_ = decode::PicturePlan{};
    return hr;
  }
  initialised_ = true;
  return S_OK;
}

HRESULT Decoder::GetContainerFormat(GUID* format) {
  if (format == nullptr) return E_INVALIDARG;
  *format = kContainerFormatGim;
  return S_OK;
}

HRESULT Decoder::GetDecoderInfo(IWICBitmapDecoderInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  // The registration is the one description of the codec: the imaging
  // factory reads it back from there.
  IWICImagingFactory* factory = nullptr;
  HRESULT hr = CoCreateInstance(kImagingFactoryClsid, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWICImagingFactory), reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  IWICComponentInfo* component = nullptr;
  hr = factory->CreateComponentInfo(kDecoderClsid, &component);
  if (SUCCEEDED(hr)) {
    hr = component->QueryInterface(__uuidof(IWICBitmapDecoderInfo), reinterpret_cast<void**>(info));
    component->Release();
  }
  factory->Release();
  return hr;
}

// A GIM file holds one picture and nothing beside it: no palette of the
// file as a whole, no metadata WIC could read, no preview, no thumbnail,
// no colour profile.
HRESULT Decoder::CopyPalette(IWICPalette* /*palette*/) { return WINCODEC_ERR_PALETTEUNAVAILABLE; }

HRESULT Decoder::GetMetadataQueryReader(IWICMetadataQueryReader** reader) {
  if (reader == nullptr) return E_INVALIDARG;
  *reader = nullptr;
  return WINCODEC_ERR_UNSUPPORTEDOPERATION;
}

HRESULT Decoder::GetPreview(IWICBitmapSource** preview) {
  if (preview == nullptr) return E_INVALIDARG;
  *preview = nullptr;
  return WINCODEC_ERR_UNSUPPORTEDOPERATION;
}

HRESULT Decoder::GetColorContexts(UINT /*count*/, IWICColorContext** /*contexts*/, UINT* actual) {
  if (actual == nullptr) return E_INVALIDARG;
  *actual = 0;
  return S_OK;
}

HRESULT Decoder::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail == nullptr) return E_INVALIDARG;
  *thumbnail = nullptr;
  return WINCODEC_ERR_CODECNOTHUMBNAIL;
}

HRESULT Decoder::GetFrameCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  Locked locked(lock_);
  if (!initialised_) return WINCODEC_ERR_NOTINITIALIZED;
  *count = 1;
  return S_OK;
}

HRESULT Decoder::GetFrame(UINT index, IWICBitmapFrameDecode** frame) {
  if (frame == nullptr) return E_INVALIDARG;
  *frame = nullptr;
  {
    Locked locked(lock_);
    if (!initialised_) return WINCODEC_ERR_NOTINITIALIZED;
  }
  if (index != 0) return WINCODEC_ERR_FRAMEMISSING;
  return CreateFrame(this, frame);
}

HRESULT Decoder::WholePicture(const std::uint8_t*& rows, std::uint64_t& stride) {
  Locked locked(lock_);
  if (whole_.data() == nullptr) {
    const std::uint64_t row_bytes = RowBytes(plan_, plan_.image.width);
    const std::uint64_t bytes = row_bytes * plan_.image.height;
    // Zeroed, so that no byte a rectangle copies out of it was ever the
    // heap's, whatever the decode writes.
    if (!whole_.Allocate(bytes, true)) return E_OUTOFMEMORY;
    if (!DecodeWhole(plan_, whole_.data(), row_bytes, bytes)) {
      whole_.Reset();
      return E_UNEXPECTED;
    }
    whole_stride_ = row_bytes;
  }
  rows = whole_.data();
  stride = whole_stride_;
  return S_OK;
}

bool Decoder::HasWholePicture() {
  Locked locked(lock_);
  return whole_.data() != nullptr;
}

}  // namespace tovak::wic
