// Everything DllRegisterServer writes, as one table that DllUnregisterServer
// walks backwards to remove exactly that. Paths lie under
// HKEY_LOCAL_MACHINE; `%name%` stands for a value filled in when the table
// is walked (the identities of guids.h and the DLL's own path).
//
// What reads it: WIC finds decoders through the decoder category's Instance
// key, and reads the class key for the codec's description, the pixel
// formats and the Patterns it matches streams against (only the patterns:
// the extension decides nothing). COM reads InprocServer32. The shell reads
// the extension's key: PerceivedType makes .gim a picture, and the two
// ShellEx entries send thumbnails and previews to the shell's own WIC-based
// thumbnail provider and preview handler; KindMap files it under pictures.
#pragma once

#include <windows.h>

#include "gim/container.h"

namespace tovak::wic {

enum class ValueKind : unsigned char { kNone, kText, kNumber, kBytes };

struct RegistryEntry {
  const wchar_t* key;
  // Whether the key is the codec's own: removed once it holds nothing. A
  // shared key (the category's Instance, KindMap) only loses our values.
  bool own_key;
  // Whether the entry is the shell's: the extension's keys and KindMap are
  // one for 32-bit and 64-bit programs, and belong to the DLL of the
  // system's own kind; the 32-bit copy on 64-bit Windows leaves them alone,
  // so that unregistering it does not take them from the 64-bit one.
  bool shell;
  ValueKind kind = ValueKind::kNone;  // kNone: the key alone
  const wchar_t* name = nullptr;      // null: the key's default value
  const wchar_t* text = nullptr;
  DWORD number = 0;
  const char* bytes = nullptr;
  DWORD byte_count = 0;
};

// WIC matches the first eight bytes of a GIM file, its magic and version,
// in file order. Bytes 8-11 have two accepted forms and are left to the
// decoder.
inline constexpr char kWholeMask[8] = {'\xFF', '\xFF', '\xFF', '\xFF',
                                       '\xFF', '\xFF', '\xFF', '\xFF'};

#define TOVAK_CLASS L"Software\\Classes\\CLSID\\%decoder%"
#define TOVAK_INSTANCE L"Software\\Classes\\CLSID\\{7ED96837-96F0-4812-B211-F13C24117ED3}\\Instance"
#define TOVAK_EXTENSION L"Software\\Classes\\.gim"

inline constexpr RegistryEntry kRegistryTable[] = {
    {TOVAK_CLASS, true, false, ValueKind::kText, nullptr, L"tovak GIM Decoder"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"FriendlyName", L"tovak GIM Decoder"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"Author", L"the tovak developers"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"Vendor", L"%vendor%"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"Version", L"" TOVAK_VERSION},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"SpecVersion", L"1.0.0.0"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"ColorManagementVersion", L"1.0.0.0"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"ContainerFormat", L"%container%"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"FileExtensions", L".gim"},
    {TOVAK_CLASS, true, false, ValueKind::kText, L"MimeTypes", L"image/x-gim"},
    {TOVAK_CLASS, true, false, ValueKind::kNumber, L"SupportAnimation", nullptr, 0},
    {TOVAK_CLASS, true, false, ValueKind::kNumber, L"SupportChromakey", nullptr, 0},
    {TOVAK_CLASS, true, false, ValueKind::kNumber, L"SupportLossless", nullptr, 1},
    {TOVAK_CLASS, true, false, ValueKind::kNumber, L"SupportMultiframe", nullptr, 0},
    {TOVAK_CLASS L"\\InprocServer32", true, false, ValueKind::kText, nullptr, L"%module%"},
    {TOVAK_CLASS L"\\InprocServer32", true, false, ValueKind::kText, L"ThreadingModel", L"Both"},
    {TOVAK_CLASS L"\\Formats", true, false},
    {TOVAK_CLASS L"\\Formats\\%bgra32%", true, false},
    {TOVAK_CLASS L"\\Formats\\%index4%", true, false},
    {TOVAK_CLASS L"\\Formats\\%index8%", true, false},
    {TOVAK_CLASS L"\\Patterns", true, false},
    {TOVAK_CLASS L"\\Patterns\\0", true, false, ValueKind::kNumber, L"Position", nullptr, 0},
    {TOVAK_CLASS L"\\Patterns\\0", true, false, ValueKind::kNumber, L"Length", nullptr, 8},
    {TOVAK_CLASS L"\\Patterns\\0", true, false, ValueKind::kBytes, L"Pattern", nullptr, 0,
     gim::kMagicLittle, 8},
    {TOVAK_CLASS L"\\Patterns\\0", true, false, ValueKind::kBytes, L"Mask", nullptr, 0, kWholeMask,
     8},
    {TOVAK_CLASS L"\\Patterns\\1", true, false, ValueKind::kNumber, L"Position", nullptr, 0},
    {TOVAK_CLASS L"\\Patterns\\1", true, false, ValueKind::kNumber, L"Length", nullptr, 8},
    {TOVAK_CLASS L"\\Patterns\\1", true, false, ValueKind::kBytes, L"Pattern", nullptr, 0,
     gim::kMagicBig, 8},
    {TOVAK_CLASS L"\\Patterns\\1", true, false, ValueKind::kBytes, L"Mask", nullptr, 0, kWholeMask,
     8},
    {TOVAK_INSTANCE, false, false},
    {TOVAK_INSTANCE L"\\%decoder%", true, false, ValueKind::kText, L"CLSID", L"%decoder%"},
    {TOVAK_INSTANCE L"\\%decoder%", true, false, ValueKind::kText, L"FriendlyName",
     L"tovak GIM Decoder"},
    {TOVAK_EXTENSION, true, true, ValueKind::kText, L"Content Type", L"image/x-gim"},
    {TOVAK_EXTENSION, true, true, ValueKind::kText, L"PerceivedType", L"image"},
    {TOVAK_EXTENSION L"\\ShellEx", true, true},
    // IThumbnailProvider: the shell's photo thumbnail provider, which
    // decodes through WIC.
    {TOVAK_EXTENSION L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}", true, true,
     ValueKind::kText, nullptr, L"{C7657C4A-9F68-40fa-A4DF-96BC08EB3551}"},
    // IPreviewHandler: the shell's photo preview handler, likewise.
    {TOVAK_EXTENSION L"\\ShellEx\\{8895b1c6-b41f-4c1c-a562-0d564250836f}", true, true,
     ValueKind::kText, nullptr, L"{FFE2A43C-56B9-4bf5-9A79-CC6D4285608A}"},
    {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\KindMap", false, true,
     ValueKind::kText, L".gim", L"picture"},
};

#undef TOVAK_CLASS
#undef TOVAK_INSTANCE
#undef TOVAK_EXTENSION

}  // namespace tovak::wic
