// IWICBitmapDecoder for GIM pictures. Initialize reads the client's stream
// whole and plans the picture, so that every check of the file is made
// before a frame exists; pixels are decoded when a frame's CopyPixels first
// asks for them. One decoder may be called from several threads at once.
#pragma once

#include <wincodec.h>

#include <cstdint>

#include "decode/plan.h"
#include "wic/memory.h"
#include "wic/pixels.h"

namespace tovak::wic {

// IClassFactory::CreateInstance of the decoder class.
HRESULT CreateDecoder(REFIID iid, void** out);

class Decoder final : public IWICBitmapDecoder {
 public:
  Decoder();
  ~Decoder();
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IWICBitmapDecoder
  HRESULT STDMETHODCALLTYPE QueryCapability(IStream* stream, DWORD* capability) override;
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICDecodeOptions options) override;
  HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* format) override;
  HRESULT STDMETHODCALLTYPE GetDecoderInfo(IWICBitmapDecoderInfo** info) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override;
  HRESULT STDMETHODCALLTYPE GetPreview(IWICBitmapSource** preview) override;
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT count, IWICColorContext** contexts,
                                             UINT* actual) override;
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override;
  HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** frame) override;

  // For the frame, which exists only once Initialize has succeeded: from
  // then on the plan never changes.
  const decode::PicturePlan& plan() const { return plan_; }
  // The whole picture decoded once, in its layout, rows `stride` bytes apart
  // with no padding; made on the first call, shared by every frame.
  HRESULT WholePicture(const std::uint8_t*& rows, std::uint64_t& stride);
  // Whether WholePicture has already been made.
  bool HasWholePicture();

 private:
  LONG references_ = 1;
  CRITICAL_SECTION lock_;
  bool initialised_ = false;
  Block bytes_;  // the stream's bytes, which the plan points into
  decode::PicturePlan plan_;
  Block whole_;
  std::uint64_t whole_stride_ = 0;
};

// Holds a decoder's lock for one scope.
class Locked {
 public:
  explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
  ~Locked() { LeaveCriticalSection(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CRITICAL_SECTION& lock_;
};

}  // namespace tovak::wic
