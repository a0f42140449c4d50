// The class object of the decoder, handed out by DllGetClassObject: a new
// one each time, counted among the module's live objects until its last
// Release, so that a client that keeps it keeps the DLL loaded.
#include <windows.h>

#include "wic/decoder.h"
#include "wic/guids.h"
#include "wic/memory.h"
#include "wic/module.h"

namespace tovak::wic {
namespace {

class DecoderFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
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

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return CreateDecoder(iid, out);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    wic::LockServer(lock != FALSE);
    return S_OK;
  }

 private:
  LONG references_ = 1;
};

}  // namespace
}  // namespace tovak::wic

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  using namespace tovak::wic;
  if (clsid != kDecoderClsid) return CLASS_E_CLASSNOTAVAILABLE;
  DecoderFactory* factory = MakeObject<DecoderFactory>();
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = factory->QueryInterface(iid, out);
  factory->Release();
  return hr;
}
