#include "wic/wic_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace tovak::wictest {

HRESULT MemoryStream::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream) || iid == __uuidof(IStream)) {
    *out = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT MemoryStream::Read(void* into, ULONG count, ULONG* got) {
  if (got != nullptr) *got = 0;
  if (FAILED(read_failure)) return read_failure;
  const std::uint64_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
  const ULONG n = left < count ? static_cast<ULONG>(left) : count;
  if (n != 0) std::memcpy(into, bytes_.data() + position_, n);
  position_ += n;
  bytes_read_ += n;
  if (got != nullptr) *got = n;
  return n < count ? S_FALSE : S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* at) {
  std::int64_t base = 0;
  switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(position_); break;
    case STREAM_SEEK_END: base = static_cast<std::int64_t>(size()); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  const std::int64_t target = base + move.QuadPart;
  if (target < 0) return STG_E_INVALIDFUNCTION;
  position_ = static_cast<std::uint64_t>(target);
  if (at != nullptr) at->QuadPart = position_;
  return S_OK;
}

HRESULT MemoryStream::Stat(STATSTG* stat, DWORD) {
  if (stat == nullptr) return E_POINTER;
  *stat = STATSTG{};
  stat->type = STGTY_STREAM;
  stat->cbSize.QuadPart = size();
  return S_OK;
}

void CreateFactory(Com<IWICImagingFactory>& factory) {
  ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IWICImagingFactory, factory.OutVoid()),
            S_OK);
}

HRESULT CreateOurDecoder(Com<IWICBitmapDecoder>& decoder) {
  return CoCreateInstance(kDecoderClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                          decoder.OutVoid());
}

HRESULT DecoderDllCanUnloadNow() {
  const HMODULE module = GetModuleHandleW(L"tovak-wic.dll");
  if (module == nullptr) return E_FAIL;
  using CanUnload = HRESULT(WINAPI*)();
  const auto can_unload = reinterpret_cast<CanUnload>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  return can_unload == nullptr ? E_FAIL : can_unload();
}

fs::path ExeDir() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return fs::path(path).parent_path();
}

fs::path DllPath() { return ExeDir() / L"tovak-wic.dll"; }

int Run(const std::wstring& command_line) {
  std::wstring line = command_line;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 300000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

int Regsvr32(bool unregister) {
  return Run(std::wstring(L"regsvr32.exe /s ") + (unregister ? L"/u " : L"") + L"\"" +
             DllPath().wstring() + L"\"");
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

fs::path TempDir(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("tovak-wic-test-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string Utf8(const std::wstring& text) {
  const fs::path path(text);
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

namespace {

// Adds the key, its values and, `depth` levels down, its subkeys.
void Walk(HKEY parent, const std::wstring& root, const std::wstring& path, int depth,
          std::set<std::wstring>& out) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  out.insert(root + path);
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD name_length = static_cast<DWORD>(name.size());
    DWORD data_length = static_cast<DWORD>(data.size());
    DWORD type = 0;
    if (RegEnumValueW(key, i, name.data(), &name_length, nullptr, &type, data.data(),
                      &data_length) != ERROR_SUCCESS) {
      break;
    }
    std::wstring line = root + path + L"|" + std::wstring(name.data(), name_length) + L"|" +
                        std::to_wstring(type) + L"|";
    static const wchar_t kHex[] = L"0123456789abcdef";
    for (DWORD b = 0; b < data_length; ++b) {
      line += kHex[data[b] >> 4];
      line += kHex[data[b] & 15];
    }
    out.insert(line);
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    DWORD name_length = static_cast<DWORD>(name.size());
    if (RegEnumKeyExW(key, i, name.data(), &name_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    children.emplace_back(name.data(), name_length);
  }
  RegCloseKey(key);
  for (const std::wstring& child : children) {
    if (depth == 0) {
      out.insert(root + path + L"\\" + child);
    } else {
      Walk(parent, root, path + L"\\" + child, depth - 1, out);
    }
  }
}

std::set<std::wstring> g_before;

// Registers the decoder for the whole run, after a snapshot of the
// registry, and unregisters it at the end. With TOVAK_WIC_INSTALLED set the
// installer has registered its own copy, which the run uses as it is.
class Registered : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    g_before = RegistrySnapshot();
    if (installed_) return;
    ASSERT_EQ(Regsvr32(false), 0) << "regsvr32 " << DllPath().string();
  }
  void TearDown() override {
    if (!installed_) EXPECT_EQ(Regsvr32(true), 0);
    CoUninitialize();
  }

 private:
  const bool installed_ = GetEnvironmentVariableW(L"TOVAK_WIC_INSTALLED", nullptr, 0) != 0;
};

[[maybe_unused]] ::testing::Environment* const g_registered =
    ::testing::AddGlobalTestEnvironment(new Registered);

}  // namespace

// A whole walk of the classes takes Wine half a minute: every key where
// registration writes is walked whole, and the keys that would hold any
// other new class or extension are listed.
std::set<std::wstring> RegistrySnapshot() {
  constexpr int kWhole = 64;
  const struct {
    HKEY key;
    const wchar_t* root;
    const wchar_t* path;
    int depth;
  } walks[] = {
      {HKEY_LOCAL_MACHINE, L"HKLM\\", L"Software\\Classes", 0},
      {HKEY_LOCAL_MACHINE, L"HKLM\\", L"Software\\Classes\\CLSID", 0},
      {HKEY_LOCAL_MACHINE, L"HKLM\\",
       L"Software\\Classes\\CLSID\\{6ABDA9FA-EB8C-4E7C-A846-D10C68D6E460}", kWhole},
      {HKEY_LOCAL_MACHINE, L"HKLM\\",
       L"Software\\Classes\\CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}", kWhole},
      {HKEY_LOCAL_MACHINE, L"HKLM\\", L"Software\\Classes\\.gim", kWhole},
      {HKEY_LOCAL_MACHINE, L"HKLM\\", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", 0},
      {HKEY_LOCAL_MACHINE, L"HKLM\\",
       L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap", kWhole},
      {HKEY_CURRENT_USER, L"HKCU\\", L"Software\\Classes", 0},
      {HKEY_CURRENT_USER, L"HKCU\\", L"Software\\Classes\\CLSID", 0},
      {HKEY_CURRENT_USER, L"HKCU\\", L"Software\\Classes\\.gim", kWhole},
  };
  std::set<std::wstring> lines;
  for (const auto& w : walks) Walk(w.key, w.root, w.path, w.depth, lines);
  return lines;
}

const std::set<std::wstring>& RegistryBeforeRegistration() { return g_before; }

}  // namespace tovak::wictest
