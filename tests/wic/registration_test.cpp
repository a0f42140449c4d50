// What regsvr32 leaves in the registry, read as WIC, COM and the shell read
// it: the decoder among WIC's decoders with its description, formats and
// signatures; the class's server; the extension as a picture with the
// shell's thumbnail and preview handlers. And regsvr32 /u takes back
// exactly that.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "wic/cases.h"
#include "wic/wic_client.h"

namespace tovak::wictest {
namespace {

using Getter = HRESULT (STDMETHODCALLTYPE IWICBitmapCodecInfo::*)(UINT, WCHAR*, UINT*);

std::wstring Text(IWICBitmapCodecInfo* info, Getter getter) {
  UINT length = 0;
  if (FAILED((info->*getter)(0, nullptr, &length)) || length == 0) return L"<none>";
  std::wstring text(length, L'\0');
  if (FAILED((info->*getter)(length, text.data(), &length))) return L"<failed>";
  text.resize(length - 1);
  return text;
}

// Our decoder's info as WIC's decoder enumeration yields it; null if absent.
void FindOurDecoder(IWICImagingFactory* factory, Com<IWICBitmapDecoderInfo>& out) {
  out.Reset();
  Com<IEnumUnknown> decoders;
  ASSERT_EQ(
      factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, decoders.Out()),
      S_OK);
  for (;;) {
    Com<IUnknown> item;
    ULONG fetched = 0;
    if (decoders->Next(1, item.Out(), &fetched) != S_OK || fetched != 1) break;
    Com<IWICBitmapDecoderInfo> info;
    if (FAILED(item->QueryInterface(IID_IWICBitmapDecoderInfo, info.OutVoid()))) continue;
    CLSID clsid{};
    if (SUCCEEDED(info->GetCLSID(&clsid)) && clsid == kDecoderClsid) {
      *out.Out() = info.get();
      info.get()->AddRef();
      return;
    }
  }
}

TEST(Registration, WicEnumeratesTheDecoderWithItsDescriptionFormatsAndSignatures) {
  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IWICBitmapDecoderInfo> info;
  FindOurDecoder(factory.get(), info);
  ASSERT_TRUE(info) << "the decoder is not among WIC's decoders";

  const struct {
    const char* what;
    Getter getter;
    const wchar_t* text;
  } texts[] = {
      {"friendly name", &IWICBitmapCodecInfo::GetFriendlyName, L"tovak GIM Decoder"},
      {"author", &IWICBitmapCodecInfo::GetAuthor, L"the tovak developers"},
      {"version", &IWICBitmapCodecInfo::GetVersion, L"" TOVAK_VERSION},
      {"file extensions", &IWICBitmapCodecInfo::GetFileExtensions, L".gim"},
      {"MIME types", &IWICBitmapCodecInfo::GetMimeTypes, L"image/x-gim"},
  };
  for (const auto& t : texts) {
    EXPECT_EQ(Text(info.get(), t.getter), t.text) << t.what;
  }
  GUID guid{};
  EXPECT_EQ(info->GetContainerFormat(&guid), S_OK);
  EXPECT_EQ(guid, kContainerFormat);
  EXPECT_EQ(info->GetVendorGUID(&guid), S_OK);
  EXPECT_EQ(guid, kVendor);

  UINT count = 0;
  ASSERT_EQ(info->GetPixelFormats(0, nullptr, &count), S_OK);
  std::vector<GUID> formats(count);
  ASSERT_EQ(info->GetPixelFormats(count, formats.data(), &count), S_OK);
  for (const GUID& wanted : {GUID_WICPixelFormat32bppBGRA, GUID_WICPixelFormat4bppIndexed,
                             GUID_WICPixelFormat8bppIndexed}) {
    EXPECT_NE(std::find(formats.begin(), formats.end(), wanted), formats.end());
  }
  EXPECT_EQ(count, 3u);

  // Both signatures, 8 bytes at the start, every bit compared.
  UINT patterns = 0, bytes = 0;
  ASSERT_EQ(info->GetPatterns(0, nullptr, &patterns, &bytes), S_OK);
  std::vector<std::uint8_t> storage(bytes);
  auto* table = reinterpret_cast<WICBitmapPattern*>(storage.data());
  ASSERT_EQ(info->GetPatterns(bytes, table, &patterns, &bytes), S_OK);
  std::vector<std::string> seen;
  for (UINT k = 0; k < patterns; ++k) {
    const auto text = [&](const BYTE* p) {
      return std::string(reinterpret_cast<const char*>(p), 8);
    };
    EXPECT_TRUE(table[k].Position.QuadPart == 0 && table[k].Length == 8 && !table[k].EndOfStream);
    EXPECT_EQ(text(table[k].Mask), std::string(8, '\xFF'));
    seen.push_back(text(table[k].Pattern));
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{".GIM1.00", "MIG.00.1"}));

  // Matching is by the signature alone.
  MemoryStream stream(AllCases().front().file);
  BOOL matches = FALSE;
  EXPECT_EQ(info->MatchesPattern(&stream, &matches), S_OK);
  EXPECT_TRUE(matches);
}

std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
  std::wstring text(32768, L'\0');
  DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) !=
      ERROR_SUCCESS) {
    return L"<absent>";
  }
  text.resize(bytes / sizeof(wchar_t) - 1);
  return text;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

// A 32-bit process on 64-bit Windows (WoW64): the shell's keys are shared
// by both kinds of program, so they belong to the 64-bit DLL's
// registration, and the 32-bit copy writes none of them.
bool UnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

TEST(Registration, ComAndTheShellFindTheirKeys) {
  const std::wstring clsid = L"CLSID\\{6ABDA9FA-EB8C-4E7C-A846-D10C68D6E460}";
  const bool shell_is_ours = !UnderWow64();
  const struct {
    HKEY root;
    std::wstring key;
    const wchar_t* name;
    std::wstring text;
    bool shell = false;
  } values[] = {
      {HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", nullptr, DllPath().wstring()},
      {HKEY_CLASSES_ROOT, clsid + L"\\InprocServer32", L"ThreadingModel", L"Both"},
      {HKEY_CLASSES_ROOT, clsid, L"FriendlyName", L"tovak GIM Decoder"},
      {HKEY_CLASSES_ROOT,
       L"CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance\\"
       L"{6ABDA9FA-EB8C-4E7C-A846-D10C68D6E460}",
       L"CLSID", L"{6ABDA9FA-EB8C-4E7C-A846-D10C68D6E460}"},
      {HKEY_CLASSES_ROOT, L".gim", L"PerceivedType", L"image", true},
      {HKEY_CLASSES_ROOT, L".gim", L"Content Type", L"image/x-gim", true},
      {HKEY_CLASSES_ROOT, L".gim\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}", nullptr,
       L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}", true},
      {HKEY_CLASSES_ROOT, L".gim\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}", nullptr,
       L"{FFE2A43C-56B9-4bf5-9A79-CC6D4285608A}", true},
      {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap",
       L".gim", L"picture", true},
  };
  for (const auto& v : values) {
    const std::wstring expected = v.shell && !shell_is_ours ? L"<absent>" : v.text;
    EXPECT_EQ(Lower(RegistryText(v.root, v.key, v.name)), Lower(expected))
        << Utf8(v.key) << " " << (v.name != nullptr ? Utf8(v.name) : "(default)");
  }
}

TEST(Registration, UnregisteringRemovesExactlyWhatRegisteringWrote) {
  const std::set<std::wstring> registered = RegistrySnapshot();
  ASSERT_NE(registered, RegistryBeforeRegistration());
  ASSERT_EQ(Regsvr32(true), 0);
  const std::set<std::wstring> after = RegistrySnapshot();
  const std::set<std::wstring>& before = RegistryBeforeRegistration();
  std::vector<std::wstring> left, lost;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                      std::back_inserter(left));
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::back_inserter(lost));
  for (const std::wstring& line : left) ADD_FAILURE() << "left behind: " << Utf8(line);
  for (const std::wstring& line : lost) ADD_FAILURE() << "removed: " << Utf8(line);

  Com<IWICImagingFactory> factory;
  CreateFactory(factory);
  Com<IWICBitmapDecoderInfo> info;
  FindOurDecoder(factory.get(), info);
  EXPECT_FALSE(info) << "still enumerated";
  Com<IWICBitmapDecoder> decoder;
  EXPECT_TRUE(FAILED(factory->CreateDecoderFromFilename(
      CaseFile(AllCases().front(), false).c_str(), nullptr, GENERIC_READ,
      WICDecodeMetadataCacheOnDemand, decoder.Out())));
  // Unregistering twice is harmless; registering again restores the same.
  EXPECT_EQ(Regsvr32(true), 0);
  ASSERT_EQ(Regsvr32(false), 0);
  EXPECT_EQ(RegistrySnapshot(), registered);
}

}  // namespace
}  // namespace tovak::wictest
