// The class object of the decoder, handed out by DllGetClassObject. There is
// one, for the life of the module; its references do not keep the module
// loaded, LockServer does.
#include <windows.h>

#include "wic/decoder.h"
#include "wic/guids.h"
#include "wic/module.h"

namespace tovak::wic {
namespace {

class DecoderFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

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
};

DecoderFactory g_factory;

}  // namespace
}  // namespace tovak::wic

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != tovak::wic::kDecoderClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return tovak::wic::g_factory.QueryInterface(iid, out);
}
