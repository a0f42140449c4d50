// DllRegisterServer and DllUnregisterServer: one walk of the registry table
// each, forwards to write and backwards to remove.
#include <objbase.h>
#include <olectl.h>
#include <shlobj.h>
#include <windows.h>

#include <cwchar>
#include <new>

#include "wic/guids.h"
#include "wic/memory.h"
#include "wic/module.h"
#include "wic/registry_table.h"

namespace tovak::wic {
namespace {

// Long enough for any path Windows gives a module, with room for the rest
// of a key or value.
constexpr DWORD kTextCapacity = 32768 + 256;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the form the registry holds.
struct GuidText {
  wchar_t text[39];
};

GuidText TextOf(const GUID& guid) {
  GuidText out{};
  StringFromGUID2(guid, out.text, sizeof out.text / sizeof out.text[0]);
  return out;
}

struct Placeholders {
  GuidText decoder = TextOf(kDecoderClsid);
  GuidText container = TextOf(kContainerFormatGim);
  GuidText vendor = TextOf(kVendor);
  GuidText bgra32 = TextOf(kPixelFormat32bppBGRA);
  GuidText index4 = TextOf(kPixelFormat4bppIndexed);
  GuidText index8 = TextOf(kPixelFormat8bppIndexed);
  const wchar_t* module = L"";

  const wchar_t* Find(const wchar_t* name, std::size_t length) const {
    const struct {
      const wchar_t* name;
      const wchar_t* value;
    } table[] = {{L"decoder", decoder.text}, {L"container", container.text},
                 {L"vendor", vendor.text},   {L"bgra32", bgra32.text},
                 {L"index4", index4.text},   {L"index8", index8.text},
                 {L"module", module}};
    for (const auto& entry : table) {
      if (std::wcslen(entry.name) == length && std::wcsncmp(entry.name, name, length) == 0) {
        return entry.value;
      }
    }
    return nullptr;
  }
};

// Writes `pattern` with its %name% parts replaced; false when a name is
// unknown or the result does not fit.
bool Expand(const wchar_t* pattern, const Placeholders& values, wchar_t* out,
            std::size_t capacity) {
  std::size_t used = 0;
  auto append = [&](const wchar_t* text, std::size_t length) {
    if (length >= capacity - used) return false;
    std::wmemcpy(out + used, text, length);
    used += length;
    return true;
  };
  for (const wchar_t* p = pattern; *p != L'\0';) {
    if (*p != L'%') {
      const wchar_t* next = std::wcschr(p, L'%');
      const std::size_t length = next == nullptr ? std::wcslen(p) : std::size_t(next - p);
      if (!append(p, length)) return false;
      p += length;
      continue;
    }
    const wchar_t* close = std::wcschr(p + 1, L'%');
    if (close == nullptr) return false;
    const wchar_t* value = values.Find(p + 1, std::size_t(close - p - 1));
    if (value == nullptr || !append(value, std::wcslen(value))) return false;
    p = close + 1;
  }
  out[used] = L'\0';
  return true;
}

// The registry's text and path buffers, off the stack.
struct Buffers {
  wchar_t key[kTextCapacity];
  wchar_t text[kTextCapacity];
};

bool WriteEntry(const RegistryEntry& entry, const Placeholders& values, Buffers& buffers) {
  if (!Expand(entry.key, values, buffers.key, kTextCapacity)) return false;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, buffers.key, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LSTATUS status = ERROR_SUCCESS;
  switch (entry.kind) {
    case ValueKind::kNone: break;
    case ValueKind::kText:
      if (!Expand(entry.text, values, buffers.text, kTextCapacity)) {
        status = ERROR_INVALID_DATA;
        break;
      }
      status =
          RegSetValueExW(key, entry.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(buffers.text),
                         static_cast<DWORD>((std::wcslen(buffers.text) + 1) * sizeof(wchar_t)));
      break;
    case ValueKind::kNumber:
      status = RegSetValueExW(key, entry.name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&entry.number), sizeof entry.number);
      break;
    case ValueKind::kBytes:
      status = RegSetValueExW(key, entry.name, 0, REG_BINARY,
                              reinterpret_cast<const BYTE*>(entry.bytes), entry.byte_count);
      break;
  }
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

bool IsEmpty(HKEY key) {
  DWORD subkeys = 0;
  DWORD values = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

// Removes the entry's value, and its key when the key is the codec's own
// and nothing is left in it. What is already gone is no error.
void RemoveEntry(const RegistryEntry& entry, const Placeholders& values, Buffers& buffers) {
  if (!Expand(entry.key, values, buffers.key, kTextCapacity)) return;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, buffers.key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  if (entry.kind != ValueKind::kNone) RegDeleteValueW(key, entry.name);
  const bool remove = entry.own_key && IsEmpty(key);
  RegCloseKey(key);
  if (remove) RegDeleteKeyW(HKEY_LOCAL_MACHINE, buffers.key);
}

// A 32-bit process on 64-bit Windows: its CLSID keys are the 32-bit view's,
// but the shell's keys are shared with the 64-bit DLL.
bool UnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

bool Mine(const RegistryEntry& entry) { return !entry.shell || !UnderWow64(); }

void RemoveAll(const Placeholders& values, Buffers& buffers) {
  for (std::size_t k = sizeof kRegistryTable / sizeof kRegistryTable[0]; k-- > 0;) {
    if (Mine(kRegistryTable[k])) RemoveEntry(kRegistryTable[k], values, buffers);
  }
}

// The walks' state on the heap: two 66 KB buffers and the module's path.
struct Walk {
  Buffers buffers;
  wchar_t module[kTextCapacity];
  Placeholders values;
};

Walk* StartWalk() {
  auto* walk = static_cast<Walk*>(AllocateBytes(sizeof(Walk)));
  if (walk == nullptr) return nullptr;
  new (&walk->values) Placeholders();
  const DWORD length = GetModuleFileNameW(ModuleHandle(), walk->module, kTextCapacity);
  if (length == 0 || length >= kTextCapacity) {
    FreeBytes(walk);
    return nullptr;
  }
  walk->values.module = walk->module;
  return walk;
}

void EndWalk(Walk* walk) { FreeBytes(walk); }

// Tells the shell that file associations changed, so that Explorer shows
// .gim files as pictures without a new session. Only the DLL that writes
// the shell's keys tells it. shell32 is loaded here, for this one call,
// rather than imported: a decoder that WIC loads into every process that
// opens a picture has no business pulling in the shell.
void NotifyShell() {
  if (UnderWow64()) return;
  const HMODULE shell = LoadLibraryW(L"shell32.dll");
  if (shell == nullptr) return;
  using Notify = void(WINAPI*)(LONG, UINT, LPCVOID, LPCVOID);
  const auto notify =
      reinterpret_cast<Notify>(reinterpret_cast<void*>(GetProcAddress(shell, "SHChangeNotify")));
  if (notify != nullptr) notify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  FreeLibrary(shell);
}

}  // namespace
}  // namespace tovak::wic

extern "C" HRESULT WINAPI DllRegisterServer() {
  using namespace tovak::wic;
  Walk* walk = StartWalk();
  if (walk == nullptr) return E_OUTOFMEMORY;
  HRESULT hr = S_OK;
  for (const RegistryEntry& entry : kRegistryTable) {
    if (Mine(entry) && !WriteEntry(entry, walk->values, walk->buffers)) {
      // Half a registration would make WIC pick a decoder it cannot load.
      RemoveAll(walk->values, walk->buffers);
      hr = SELFREG_E_CLASS;
      break;
    }
  }
  EndWalk(walk);
  NotifyShell();
  return hr;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  using namespace tovak::wic;
  Walk* walk = StartWalk();
  if (walk == nullptr) return E_OUTOFMEMORY;
  RemoveAll(walk->values, walk->buffers);
  EndWalk(walk);
  NotifyShell();
  return S_OK;
}
