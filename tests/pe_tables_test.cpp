// The built DLL as a host's loader sees it: tovak.spi, a 32-bit DLL, or
// tovak.sph, a 64-bit one, whose export table names the module and exports
// exactly the five functions and their wide-character twins under their
// undecorated names, whose import table names only KERNEL32 and msvcrt, with
// no thread library's TLS callback, no debug sections, and the version
// resource. The same checks on both DLLs of the release package. And the state of the host's process that a call must leave as
// it found it: the x87 and SSE control words and the current directory.
#ifdef _WIN32

#include <windows.h>
#include <xmmintrin.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {


// A PE file read from its bytes, with RVAs mapped through the section table.
// Both kinds: PE32 (tovak.spi) and PE32+ (tovak.sph).
class PeFile {
 public:
  explicit PeFile(Bytes bytes) : bytes_(std::move(bytes)) {}

  bool Has(std::uint64_t offset, std::uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }
  std::uint16_t U16(std::uint64_t offset) const {
    if (!Has(offset, 2)) return 0;
    return static_cast<std::uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
  }
  std::uint32_t U32(std::uint64_t offset) const {
    return std::uint32_t{U16(offset)} | std::uint32_t{U16(offset + 2)} << 16;
  }
  std::uint64_t U64(std::uint64_t offset) const {
    return std::uint64_t{U32(offset)} | std::uint64_t{U32(offset + 4)} << 32;
  }
  // A pointer-sized field: 8 bytes in PE32+.
  std::uint64_t Pointer(std::uint64_t offset) const { return plus() ? U64(offset) : U32(offset); }
  bool plus() const { return magic == 0x20B; }

  struct Section {
    std::uint32_t virtual_address, virtual_size, raw_size, raw_offset;
  };
  struct Directory {
    std::uint32_t rva = 0, size = 0;
  };

  // Reads the headers; an empty string on success, else what is wrong.
  std::string Parse() {
    if (!Has(0, 64) || bytes_[0] != 'M' || bytes_[1] != 'Z') return "no DOS header";
    const std::uint32_t pe = U32(0x3C);  // e_lfanew
    if (!Has(pe, 24) || std::memcmp(&bytes_[pe], "PE\0\0", 4) != 0) return "no PE signature";
    machine = U16(pe + 4);
    const std::uint16_t sections = U16(pe + 6);
    const std::uint16_t optional_size = U16(pe + 20);
    characteristics = U16(pe + 22);
    const std::uint64_t optional = pe + 24;
    magic = U16(optional);
    if (magic != 0x10B && magic != 0x20B) return "neither a PE32 nor a PE32+ optional header";
    // The data directories follow the fields whose width differs.
    const std::uint64_t count_at = optional + (plus() ? 108 : 92);
    if (!Has(optional, optional_size) || optional_size < count_at - optional + 4 + 8 * 10) {
      return "optional header cut short";
    }
    image_base = plus() ? U64(optional + 24) : U32(optional + 28);
    const std::uint32_t directories = U32(count_at);  // NumberOfRvaAndSizes
    for (std::uint32_t i = 0; i < directories && i < 16; ++i) {
      directory[i] = {U32(count_at + 4 + 8 * i), U32(count_at + 8 + 8 * i)};
    }
    const std::uint64_t table = optional + optional_size;
    for (std::uint16_t i = 0; i < sections; ++i) {
      const std::uint64_t s = table + 40u * i;
      if (!Has(s, 40)) return "section table cut short";
      sections_.push_back({U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)});
      names.emplace_back(reinterpret_cast<const char*>(&bytes_[s]),
                         strnlen(reinterpret_cast<const char*>(&bytes_[s]), 8));
    }
    return {};
  }

  // File offset of an RVA, or 0 when no section's raw data holds it.
  std::uint64_t Offset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
      const std::uint32_t span = std::max(s.virtual_size, s.raw_size);
      if (rva >= s.virtual_address && rva - s.virtual_address < span) {
        const std::uint64_t within = rva - s.virtual_address;
        if (within >= s.raw_size) return 0;
        return s.raw_offset + within;
      }
    }
    return 0;
  }

  // The zero-terminated string at an RVA ("" when it does not map).
  std::string String(std::uint32_t rva) const {
    std::uint64_t at = Offset(rva);
    std::string out;
    if (at == 0) return out;
    while (at < bytes_.size() && bytes_[at] != 0) out.push_back(static_cast<char>(bytes_[at++]));
    return out;
  }

  std::uint16_t machine = 0;
  std::uint16_t characteristics = 0;
  std::uint16_t magic = 0;
  std::uint64_t image_base = 0;
  Directory directory[16];
  std::vector<std::string> names;  // of the sections

 private:
  Bytes bytes_;
  std::vector<Section> sections_;
};

enum : int { kExport = 0, kImport = 1, kResource = 2, kTls = 9 };

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const std::set<std::string> kExports = {
    "GetPluginInfo",  "IsSupported",  "GetPictureInfo",  "GetPicture",  "GetPreview",
    "GetPluginInfoW", "IsSupportedW", "GetPictureInfoW", "GetPictureW", "GetPreviewW"};

// What a host's loader and a user see of a built plug-in: the machine, the
// module name and the ten undecorated, unforwarded exports; imports from
// KERNEL32 and msvcrt only; no TLS callback beyond the C runtime's own two
// (its TLS initialiser and destructor: a thread library would add its own);
// no debug sections; a version resource.
void CheckPluginDll(const std::filesystem::path& path, bool x64) {
  SCOPED_TRACE(path.string());
  PeFile pe(ReadAll(path));
  ASSERT_EQ(pe.Parse(), "");
  EXPECT_EQ(pe.machine, x64 ? 0x8664 : 0x14C) << "machine";
  EXPECT_EQ(pe.magic, x64 ? 0x20B : 0x10B) << "PE32+ for x64, PE32 for x86";
  EXPECT_NE(pe.characteristics & 0x2000, 0) << "IMAGE_FILE_DLL is not set";

  const PeFile::Directory exports = pe.directory[kExport];
  ASSERT_NE(exports.rva, 0u) << "no export directory";
  const std::uint64_t dir = pe.Offset(exports.rva);
  ASSERT_NE(dir, 0u);
  EXPECT_EQ(pe.String(pe.U32(dir + 12)), x64 ? "tovak.sph" : "tovak.spi")
      << "module name in the export table";
  const std::uint32_t functions = pe.U32(dir + 20);
  const std::uint32_t names = pe.U32(dir + 24);
  const std::uint64_t name_table = pe.Offset(pe.U32(dir + 32));
  const std::uint64_t ordinal_table = pe.Offset(pe.U32(dir + 36));
  const std::uint64_t function_table = pe.Offset(pe.U32(dir + 28));
  ASSERT_EQ(names, kExports.size());
  EXPECT_EQ(functions, kExports.size());
  ASSERT_NE(name_table, 0u);
  ASSERT_NE(ordinal_table, 0u);
  ASSERT_NE(function_table, 0u);
  std::set<std::string> exported;
  for (std::uint32_t i = 0; i < names; ++i) {
    const std::string name = pe.String(pe.U32(name_table + 4u * i));
    exported.insert(name);
    const std::uint16_t index = pe.U16(ordinal_table + 2u * i);
    ASSERT_LT(index, functions) << name;
    const std::uint32_t rva = pe.U32(function_table + 4u * index);
    EXPECT_NE(rva, 0u) << name;
    // An RVA inside the export directory would be a forwarder string.
    EXPECT_FALSE(rva >= exports.rva && rva - exports.rva < exports.size)
        << name << " is forwarded";
  }
  EXPECT_EQ(exported, kExports);

  ASSERT_NE(pe.directory[kImport].rva, 0u) << "no import directory";
  std::uint64_t descriptor = pe.Offset(pe.directory[kImport].rva);
  ASSERT_NE(descriptor, 0u);
  std::vector<std::string> imported;
  for (int i = 0; i < 64; ++i, descriptor += 20) {
    ASSERT_TRUE(pe.Has(descriptor, 20)) << "import directory runs off the file";
    bool all_zero = true;
    for (int k = 0; k < 20; k += 4) all_zero = all_zero && pe.U32(descriptor + k) == 0;
    if (all_zero) break;
    imported.push_back(Lower(pe.String(pe.U32(descriptor + 12))));
  }
  std::sort(imported.begin(), imported.end());
  EXPECT_EQ(imported, (std::vector<std::string>{"kernel32.dll", "msvcrt.dll"}));

  // IMAGE_TLS_DIRECTORY: AddressOfCallBacks, a VA, after three pointers;
  // it leads to a zero-terminated array of VAs.
  if (pe.directory[kTls].rva != 0) {
    const std::uint64_t tls = pe.Offset(pe.directory[kTls].rva);
    ASSERT_NE(tls, 0u);
    const std::uint64_t callbacks_va = pe.Pointer(tls + (pe.plus() ? 24 : 12));
    int callbacks = 0;
    if (callbacks_va != 0) {
      const std::uint64_t width = pe.plus() ? 8 : 4;
      const std::uint64_t at = pe.Offset(static_cast<std::uint32_t>(callbacks_va - pe.image_base));
      ASSERT_NE(at, 0u) << "TLS callback array does not map";
      while (callbacks < 16 && pe.Pointer(at + width * static_cast<unsigned>(callbacks)) != 0) {
        ++callbacks;
      }
    }
    EXPECT_LE(callbacks, 2) << "TLS callbacks beyond the C runtime's own";
  }

  for (const std::string& name : pe.names) {
    EXPECT_NE(name.rfind(".debug", 0), 0u) << "debug section " << name;
  }
  EXPECT_NE(pe.directory[kResource].rva, 0u) << "no resources, so no version resource";
}

// The version resource, as Windows' file properties read it.
std::wstring VersionString(const std::vector<char>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(info.data(), key.c_str(), &value, &length) || length == 0) return L"";
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(PeTables, TheBuiltDllHasTheExpectedTables) {
  CheckPluginDll(ExeDir() / kPluginFile, sizeof(void*) == 8);
}

TEST(PeTables, VersionResourceCarriesTheProjectVersion) {
  const std::wstring path = (ExeDir() / kPluginFile).wstring();
  DWORD ignored = 0;
  std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(info.empty()) << "no version resource";
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  unsigned major = 0, minor = 0, patch = 0;
  ASSERT_EQ(std::sscanf(TOVAK_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
  EXPECT_EQ(fixed->dwFileVersionMS, major << 16 | minor);
  EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
  EXPECT_EQ(VersionString(info, L"FileVersion"), Widen(TOVAK_VERSION));
  EXPECT_EQ(VersionString(info, L"ProductVersion"), Widen(TOVAK_VERSION));
  EXPECT_EQ(VersionString(info, L"OriginalFilename"), Widen(kPluginFile));
  EXPECT_NE(VersionString(info, L"LegalCopyright").find(L"the tovak developers"), std::wstring::npos);
}

// The release package's two DLLs, unpacked into the folder that
// TOVAK_PACKAGE_DIR names (the package test sets it; otherwise skipped).
TEST(PackagedDlls, BothDllsHaveTheExpectedTables) {
  const char* dir = std::getenv("TOVAK_PACKAGE_DIR");
  if (dir == nullptr) GTEST_SKIP() << "TOVAK_PACKAGE_DIR is not set";
  CheckPluginDll(std::filesystem::path(dir) / "tovak.spi", false);
  CheckPluginDll(std::filesystem::path(dir) / "tovak.sph", true);
}

// The raw control registers, read without the runtime's translation.
unsigned short X87ControlWord() {
  unsigned short cw = 0;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

void SetX87ControlWord(unsigned short cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }

__attribute__((target("sse"))) unsigned Mxcsr() { return _mm_getcsr(); }
__attribute__((target("sse"))) void SetMxcsr(unsigned value) { _mm_setcsr(value); }

std::string CurrentDirectory() {
  char dir[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof dir, dir);
  return dir;
}

std::int32_t TOVAK_STDCALL Progress(std::int32_t, std::int32_t, plugin::LongPtr) { return 0; }

// Valid pictures whose decoding runs blending, palette conversion and the
// swizzled transfer.
std::vector<fixture::File> Pictures() {
  std::vector<fixture::File> files;
  fixture::Picture rgba;
  rgba.format = fixture::kRgba8888;
  rgba.width = 8;
  rgba.height = 8;
  rgba.pixel_order = 1;
  fixture::Bytes plane(fixture::StoredRowBytes(rgba.format, 8) * 8);
  for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<std::uint8_t>(i * 13);
  rgba.pixels = fixture::Swizzle(plane, fixture::StoredRowBytes(rgba.format, 8), 8);
  rgba.info_area = fixture::Bytes{'\0', 'x', '\0'};
  files.push_back(fixture::Write(rgba));

  fixture::Picture indexed;
  indexed.big_endian = true;
  indexed.format = fixture::kIndex4;
  indexed.width = 8;
  indexed.height = 2;
  indexed.pixels.assign(fixture::StoredRowBytes(indexed.format, 8) * 2, 0x21);
  indexed.palette = fixture::Palette{fixture::kRgba4444, 16, fixture::Bytes(32, 0x8F)};
  files.push_back(fixture::Write(indexed));
  return files;
}

// Puts the test process back as it was, however the test ends.
struct RestoreProcessState {
  unsigned short cw = X87ControlWord();
  unsigned mxcsr = Mxcsr();
  std::string dir = CurrentDirectory();
  ~RestoreProcessState() {
    SetX87ControlWord(cw);
    SetMxcsr(mxcsr);
    SetCurrentDirectoryA(dir.c_str());
  }
};

TEST(ProcessState, CallsLeaveTheFloatingPointControlWordsAndCurrentDirectoryAlone) {
  const RestoreProcessState restore;
  const auto dir = TempDir();
  ASSERT_TRUE(SetCurrentDirectoryA(dir.string().c_str()));

  // Rounding up at 53 bits on the x87; rounding towards zero with
  // flush-to-zero in SSE, every exception still masked.
  // (Set directly: the x64 runtime's _controlfp refuses precision control.)
  SetX87ControlWord(static_cast<unsigned short>((X87ControlWord() & ~0x0F00) | 0x0800 | 0x0200));
  SetMxcsr(0x1F80 | 0x6000 | 0x8000);
  const unsigned short cw = X87ControlWord();
  const unsigned mxcsr = Mxcsr();
  const std::string cwd = CurrentDirectory();
  EXPECT_EQ(cw & 0x0C00, 0x0800) << "the x87 rounding mode did not take";
  EXPECT_EQ(mxcsr & 0xE000, 0xE000u) << "the SSE modes did not take";

  int step = 0;
  const auto expect_unchanged = [&](const char* call) {
    ++step;
    EXPECT_EQ(X87ControlWord(), cw) << "x87 control word after " << call << " (call " << step << ")";
    EXPECT_EQ(Mxcsr(), mxcsr) << "MXCSR after " << call << " (call " << step << ")";
    EXPECT_EQ(CurrentDirectory(), cwd) << "current directory after " << call;
  };

  const PluginApi& api = Plugin();
  int n = 0;
  for (const fixture::File& file : Pictures()) {
    const std::string path = (dir / ("picture" + std::to_string(n++) + ".gim")).string();
    WriteFile(path, file.bytes.data(), file.bytes.size());
    const char* memory = Chars(file.bytes);
    const auto size = Size(file.bytes);

    char text[64];
    for (std::int32_t i = 0; i < 4; ++i) api.get_plugin_info(i, text, sizeof text);
    expect_unchanged("GetPluginInfo");

    EXPECT_EQ(api.is_supported(path.c_str(), reinterpret_cast<std::uintptr_t>(memory)), 1);
    expect_unchanged("IsSupported with a pointer");
    const std::uintptr_t handle = OpenHostFile(path, 0);
    EXPECT_EQ(api.is_supported(path.c_str(), handle), 1);
    CloseHostFile(handle);
    expect_unchanged("IsSupported with a handle");

    for (std::uint32_t flag : {0u, 1u}) {
      const char* buf = flag == 0 ? path.c_str() : memory;
      const std::int32_t len = flag == 0 ? 0 : size;
      plugin::PictureInfo info{};
      EXPECT_EQ(api.get_picture_info(buf, len, flag, &info), plugin::kSuccess);
      if (info.infoText != Handle{}) HostFree(info.infoText);
      expect_unchanged(flag == 0 ? "GetPictureInfo, file" : "GetPictureInfo, memory");

      Handle header{};
      Handle bits{};
      EXPECT_EQ(api.get_picture(buf, len, flag, &header, &bits, Progress, 0), plugin::kSuccess);
      if (header != Handle{}) HostFree(header);
      if (bits != Handle{}) HostFree(bits);
      expect_unchanged(flag == 0 ? "GetPicture, file" : "GetPicture, memory");
    }

    Handle header{};
    Handle bits{};
    EXPECT_EQ(api.get_preview(memory, size, 1, &header, &bits, Progress, 0), -1);
    expect_unchanged("GetPreview");
  }
}

}  // namespace
}  // namespace tovak::test

#endif  // _WIN32
