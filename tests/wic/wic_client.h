// What the WIC client tests share: the decoder's published identity, COM
// references, a stream whose references and reads are counted, processes
// (regsvr32, the converter), files, and the registry as a set of lines.
// The client reaches the decoder only as any WIC client does: through COM,
// WIC and the registry.
#pragma once

#include <wincodec.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tovak::wictest {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The identities the decoder is registered under, as its users know them.
inline constexpr GUID kDecoderClsid = {
    0x6abda9fa, 0xeb8c, 0x4e7c, {0xa8, 0x46, 0xd1, 0x0c, 0x68, 0xd6, 0xe4, 0x60}};
inline constexpr GUID kContainerFormat = {
    0x7d5406a9, 0x1602, 0x4222, {0xba, 0x20, 0xba, 0x2d, 0x02, 0x72, 0x60, 0x0c}};
inline constexpr GUID kVendor = {
    0x8bd3719f, 0x640d, 0x442e, {0xa8, 0x79, 0x4b, 0xc3, 0xec, 0xbd, 0x59, 0x6b}};

// One reference to a COM object, released at the end of its scope.
template <class T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() { Reset(); }
  T** Out() {
    Reset();
    return &p_;
  }
  void** OutVoid() { return reinterpret_cast<void**>(Out()); }
  T* operator->() const { return p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Releases now and returns what Release returned: 0 when this was the
  // last reference.
  ULONG Reset() {
    ULONG left = 0;
    if (p_ != nullptr) left = p_->Release();
    p_ = nullptr;
    return left;
  }

 private:
  T* p_ = nullptr;
};

// An IStream over bytes in memory that counts its references and the bytes
// read from it, and can be told to fail or to claim another length.
class MemoryStream final : public IStream {
 public:
  explicit MemoryStream(Bytes bytes) : bytes_(std::move(bytes)) {}

  LONG references() const { return references_; }
  std::uint64_t bytes_read() const { return bytes_read_; }
  std::uint64_t position() const { return position_; }
  // What Seek to the end reports; the bytes' own length when 0.
  std::uint64_t claimed_size = 0;
  // A failing result every Read answers with, when set.
  HRESULT read_failure = S_OK;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&references_); }
  HRESULT STDMETHODCALLTYPE Read(void* into, ULONG count, ULONG* got) override;
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override;
  // Read-only, and no more than a decoder needs.
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                   ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::uint64_t size() const { return claimed_size != 0 ? claimed_size : bytes_.size(); }

  Bytes bytes_;
  LONG references_ = 1;
  std::uint64_t position_ = 0;
  std::uint64_t bytes_read_ = 0;
};

// The imaging factory, a new one for each caller.
void CreateFactory(Com<IWICImagingFactory>& factory);
// A decoder of our class made by COM, as WIC makes it, not yet initialised.
HRESULT CreateOurDecoder(Com<IWICBitmapDecoder>& decoder);
// DllCanUnloadNow of the decoder DLL that COM loaded into this process:
// S_OK once every decoder and frame is gone.
HRESULT DecoderDllCanUnloadNow();

fs::path ExeDir();
fs::path DllPath();
// Runs a command line to its end; its exit code, or -1 when it did not run.
int Run(const std::wstring& command_line);
// regsvr32 /s [/u] on the decoder DLL.
int Regsvr32(bool unregister);

Bytes ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const Bytes& bytes);
// An empty folder of the test's own under the temporary folder.
fs::path TempDir(const std::string& name);

// The registry where registration writes, one line per key and per value
// (path, name, type, data): the keys it writes walked whole, and the names
// of every class and extension.
std::set<std::wstring> RegistrySnapshot();
// The snapshot taken before this process registered the decoder.
const std::set<std::wstring>& RegistryBeforeRegistration();

std::string Utf8(const std::wstring& text);

}  // namespace tovak::wictest
