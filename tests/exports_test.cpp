// The host protocol of the five exports: description strings, IsSupported
// with a file handle or a pointer, the file and memory input modes, result
// codes for bad arguments, and who owns which memory afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

const char* const kDescriptions[] = {"00IN", "GIM to DIB filter ver.0.1a", "*.gim",
                                     "PSX Image Format GIM (*.gim)"};

// A picture GetPicture converts: RGBA8888, or INDEX8 with a palette block
// and a file-info block.
fixture::File Gim(bool be, bool indexed = false) {
  fixture::Picture pic;
  pic.big_endian = be;
  if (indexed) {
    pic.format = fixture::kIndex8;
    pic.width = 16;
    pic.height = 3;
    pic.palette = fixture::Palette{fixture::kRgba8888, 4, Bytes(16, 0x7C)};
    pic.info_area = Bytes{'h', 'o', 's', 't', 0};
  } else {
    pic.format = fixture::kRgba8888;
    pic.width = 4;
    pic.height = 2;
  }
  pic.pixels.assign(fixture::StoredRowBytes(pic.format, pic.width) * pic.height, 0x3C);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) pic.pixels[i] = static_cast<std::uint8_t>(i % 4);
  return fixture::Write(pic);
}

Bytes Concat(const Bytes& a, const Bytes& b, const Bytes& c = {}) {
  Bytes out(a.size() + b.size() + c.size());
  std::copy(a.begin(), a.end(), out.begin());
  std::copy(b.begin(), b.end(), out.begin() + static_cast<std::ptrdiff_t>(a.size()));
  std::copy(c.begin(), c.end(), out.begin() + static_cast<std::ptrdiff_t>(a.size() + b.size()));
  return out;
}

bool IsHostFileHandle(std::uintptr_t h) { return h != 0 && (h >> 16) == 0; }

// The host's own use of its handle after IsSupported.
bool ReadHostFileAt(std::uintptr_t h, std::uint32_t offset, void* into, std::uint32_t count) {
#if defined(_WIN32)
  HANDLE file = reinterpret_cast<HANDLE>(h);
  if (SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) ==
      INVALID_SET_FILE_POINTER) {
    return false;
  }
  DWORD got = 0;
  return ReadFile(file, into, count, &got, nullptr) != FALSE && got == count;
#else
  return ::pread(static_cast<int>(h), into, count, offset) == static_cast<ssize_t>(count);
#endif
}

bool CloseOwnHandle(std::uintptr_t h) {
#if defined(_WIN32)
  return CloseHandle(reinterpret_cast<HANDLE>(h)) != FALSE;
#else
  return ::close(static_cast<int>(h)) == 0;
#endif
}

std::int32_t IsSupportedAt(const std::filesystem::path& path, std::uint64_t offset) {
  const std::uintptr_t h = OpenHostFile(path, offset);
  EXPECT_TRUE(IsHostFileHandle(h)) << "handle " << h;
  if (!IsHostFileHandle(h)) return -1;
  const std::int32_t r = Plugin().is_supported(path.string().c_str(), h);
  CloseHostFile(h);
  return r;
}

// GetPicture; on success reads biWidth and biHeight and frees both blocks.
struct PictureCall {
  std::int32_t result = -1;
  std::int32_t width = -1;
  std::int32_t height = -1;
};

PictureCall Picture(const char* buf, std::int32_t len, std::uint32_t flag) {
  const Decoded d = DecodeCall(buf, len, flag);
  if (d.result != plugin::kSuccess) return {d.result};
  return {d.result, I32(d.header, 4), I32(d.header, 8)};
}

PictureCall PictureFromFile(const std::filesystem::path& path, std::int32_t offset,
                            std::uint32_t flag = 0) {
  return Picture(path.string().c_str(), offset, flag);
}

PictureCall PictureFromMemory(const Bytes& bytes, std::uint32_t flag = 1) {
  return Picture(Chars(bytes), Size(bytes), flag);
}

std::uint32_t Live() { return CanCountBlocks() ? LiveBlocks() : 0; }

TEST(GetPluginInfo, DescriptionStrings) {
  for (std::int32_t index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    char buffer[64];
    std::memset(buffer, 0x55, sizeof buffer);
    const std::int32_t n = static_cast<std::int32_t>(std::strlen(kDescriptions[index])) + 1;
    EXPECT_EQ(Plugin().get_plugin_info(index, buffer, sizeof buffer), n);
    EXPECT_STREQ(buffer, kDescriptions[index]);
    for (std::size_t i = static_cast<std::size_t>(n); i < sizeof buffer; ++i) {
      EXPECT_EQ(buffer[i], 0x55) << "byte " << i;
    }
  }
  // The name with its zero is 27 bytes.
  char buffer[64];
  EXPECT_EQ(Plugin().get_plugin_info(1, buffer, 64), 27);
}

// A host's buffer always ends up holding a string: a short one gets the
// characters that fit before a zero.
TEST(GetPluginInfo, ShortBufferGetsTheStringCutBeforeAZero) {
  struct Case {
    std::int32_t index;
    std::int32_t length;
    std::int32_t copied;  // the string's length + 1, or the buffer's if that is not larger
  };
  const Case kCases[] = {
      {1, 10, 10}, {1, 5, 5},   {1, 8, 8}, {1, 26, 26}, {1, 27, 27}, {1, 28, 27},
      {0, 4, 4},   {0, 5, 5},   {0, 8, 5}, {0, 1, 1},   {2, 5, 5},   {2, 6, 6},
      {2, 8, 6},   {3, 8, 8},   {3, 5, 5}, {3, 29, 29}, {3, 64, 29},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE("index " + std::to_string(c.index) + " length " + std::to_string(c.length));
    char buffer[80];
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(Plugin().get_plugin_info(c.index, buffer, c.length), c.copied);
    const std::string text = kDescriptions[c.index];
    const std::string expected =
        text.substr(0, static_cast<std::size_t>(c.copied) - 1) + std::string(1, '\0');
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(c.copied)), expected);
    for (std::size_t i = static_cast<std::size_t>(c.copied); i < sizeof buffer; ++i) {
      ASSERT_EQ(buffer[i], 0x55) << "byte " << i;
    }
  }
}

TEST(GetPluginInfo, IndexOutOfRangeCopiesNothing) {
  for (std::int32_t index : {4, 5, -1, -4, 100, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(index);
    char buffer[64];
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(Plugin().get_plugin_info(index, buffer, sizeof buffer), 0);
    EXPECT_TRUE(std::all_of(buffer, buffer + sizeof buffer, [](char b) { return b == 0x55; }));
  }
}

TEST(GetPluginInfo, NonPositiveLengthOrNullBufferCopiesNothing) {
  for (std::int32_t index = 0; index < 4; ++index) {
    for (std::int32_t length : {0, -1, -27, INT_MIN}) {
      SCOPED_TRACE("index " + std::to_string(index) + " length " + std::to_string(length));
      char buffer[64];
      std::memset(buffer, 0x55, sizeof buffer);
      EXPECT_EQ(Plugin().get_plugin_info(index, buffer, length), 0);
      EXPECT_TRUE(std::all_of(buffer, buffer + sizeof buffer, [](char b) { return b == 0x55; }));
    }
    EXPECT_EQ(Plugin().get_plugin_info(index, nullptr, 64), 0);
  }
}

TEST(IsSupported, HandlePositionedMidFile) {
  const std::filesystem::path dir = TempDir();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const Bytes gim = Gim(be).bytes;
    // Shorter than 2000 bytes in all.
    const Bytes junk(333, 0xAB);
    const auto small = Store(dir, std::string("small-") + Order(be), Concat(junk, gim));
    ASSERT_LT(std::filesystem::file_size(small), kHeadBytes);
    EXPECT_EQ(IsSupportedAt(small, 333), 1);
    EXPECT_EQ(IsSupportedAt(small, 0), 0);
    EXPECT_EQ(IsSupportedAt(small, 332), 0);
    EXPECT_EQ(IsSupportedAt(small, 334), 0);
    // The GIM data alone, at the start of its file.
    const auto alone = Store(dir, std::string("alone-") + Order(be), gim);
    EXPECT_EQ(IsSupportedAt(alone, 0), 1);
    // Deep inside a longer file, with more data after it.
    const auto large = Store(dir, std::string("large-") + Order(be),
                             Concat(Bytes(5000, 0xCD), gim, Bytes(3000, 0xEF)));
    EXPECT_EQ(IsSupportedAt(large, 5000), 1);
    EXPECT_EQ(IsSupportedAt(large, 4999), 0);
    // At the end of the file nothing is read: all zero.
    EXPECT_EQ(IsSupportedAt(large, std::filesystem::file_size(large)), 0);
  }
}

TEST(IsSupported, HandleReadsTwoThousandBytes) {
  const std::filesystem::path dir = TempDir();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    // The image block at 1978: its format field ends at byte 2000 after the
    // handle's position.
    fixture::File inside = Gim(be);
    InsertBlock(inside, be, 7, 1930, 1930);
    ASSERT_EQ(inside.layout.image, 1978u);
    const auto in_path = Store(dir, std::string("inside-") + Order(be),
                               Concat(Bytes(100, 0x11), inside.bytes));
    EXPECT_EQ(IsSupportedAt(in_path, 100), 1);
    // At 1980 the format field lies beyond the 2000 bytes read.
    fixture::File outside = Gim(be);
    InsertBlock(outside, be, 7, 1932, 1932);
    ASSERT_EQ(outside.layout.image, 1980u);
    const auto out_path = Store(dir, std::string("outside-") + Order(be),
                                Concat(Bytes(100, 0x11), outside.bytes));
    EXPECT_EQ(IsSupportedAt(out_path, 100), 0);
    // The whole data, given in memory, holds it.
    EXPECT_EQ(InfoFromMemory(outside.bytes).result, plugin::kSuccess);
  }
}

TEST(IsSupported, HandleStaysOpen) {
  const std::filesystem::path dir = TempDir();
  const auto path = Store(dir, "picture.gim", Concat(Bytes{'J', 'U', 'N', 'K'}, Gim(false).bytes));
  const std::uintptr_t h = OpenHostFile(path, 4);
  ASSERT_TRUE(IsHostFileHandle(h)) << "handle " << h;
  EXPECT_EQ(Plugin().is_supported("picture.gim", h), 1);
  // The host goes on using its handle, and closes it itself.
  char head[4] = {};
  EXPECT_TRUE(ReadHostFileAt(h, 0, head, 4));
  EXPECT_EQ(std::string(head, 4), "JUNK");
  char magic[8] = {};
  EXPECT_TRUE(ReadHostFileAt(h, 4, magic, 8));
  EXPECT_EQ(std::string(magic, 8), "MIG.00.1");
  EXPECT_TRUE(CloseOwnHandle(h));
}

TEST(IsSupported, PointerToTheHeadOfAFile) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const Bytes gim = Gim(be, true).bytes;
    // The file name plays no part.
    for (const char* name : {"picture.gim", "picture.bmp", "", static_cast<const char*>(nullptr)}) {
      EXPECT_EQ(IsSupportedPointer(gim, name), 1);
      EXPECT_EQ(IsSupportedPointer(Concat(Bytes(1, 0), gim), name), 0);
    }
  }
  EXPECT_EQ(IsSupportedPointer(Bytes(kHeadBytes, 0)), 0);
  EXPECT_EQ(IsSupportedPointer(Bytes(kHeadBytes, 0xFF)), 0);
}

TEST(GetPreview, NotProvided) {
  const Bytes gim = Gim(false).bytes;
  const std::uint32_t live = Live();
  Handle header{};
  Handle bits{};
  EXPECT_EQ(Plugin().get_preview(nullptr, 0, 0, nullptr, nullptr, nullptr, 0), -1);
  EXPECT_EQ(Plugin().get_preview(Chars(gim), Size(gim), 1, &header, &bits, nullptr, 7), -1);
  EXPECT_EQ(Plugin().get_preview("missing.gim", 0, 0, &header, &bits, nullptr, 0), -1);
  EXPECT_EQ(header, Handle{});
  EXPECT_EQ(bits, Handle{});
  EXPECT_EQ(Live(), live);
}

TEST(FileMode, OffsetSelectsTheGimData) {
  const std::filesystem::path dir = TempDir();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const auto path = Store(dir, std::string("prefixed-") + Order(be),
                            Concat(Bytes(4097, 0x99), Gim(be, true).bytes));
    const InfoCall info = InfoFromFile(path, 4097);
    EXPECT_EQ(info.result, plugin::kSuccess);
    EXPECT_EQ(info.info.width, 16);
    EXPECT_EQ(info.info.height, 3);
    EXPECT_EQ(info.info.bitDepth, 8);
    EXPECT_TRUE(info.text.present);
    const PictureCall pic = PictureFromFile(path, 4097);
    EXPECT_EQ(pic.result, plugin::kSuccess);
    EXPECT_EQ(pic.width, 16);
    EXPECT_EQ(pic.height, 3);
    // One byte off either way is no GIM data.
    EXPECT_EQ(InfoFromFile(path, 4096).result, plugin::kUnsupported);
    EXPECT_EQ(InfoFromFile(path, 4098).result, plugin::kUnsupported);
    EXPECT_EQ(PictureFromFile(path, 4096).result, plugin::kUnsupported);
    EXPECT_EQ(PictureFromFile(path, 4098).result, plugin::kUnsupported);
  }
}

TEST(FileMode, OffsetsOutsideTheFile) {
  const std::filesystem::path dir = TempDir();
  const Bytes gim = Gim(false).bytes;
  const auto path = Store(dir, "picture.gim", gim);
  const auto size = Size(gim);
  const std::uint32_t live = Live();
  for (std::int32_t offset : {size, size + 1, size + 1000, INT_MAX, -1, -16, INT_MIN}) {
    SCOPED_TRACE(offset);
    EXPECT_EQ(InfoFromFile(path, offset).result, plugin::kUnsupported);
    EXPECT_EQ(PictureFromFile(path, offset).result, plugin::kUnsupported);
    EXPECT_EQ(Live(), live);
  }
  // The last byte alone is no picture either.
  EXPECT_EQ(InfoFromFile(path, size - 1).result, plugin::kUnsupported);
  EXPECT_EQ(PictureFromFile(path, size - 1).result, plugin::kUnsupported);
  // An empty file at offset 0.
  const auto empty = Store(dir, "empty.gim", Bytes{});
  EXPECT_EQ(InfoFromFile(empty, 0).result, plugin::kUnsupported);
  EXPECT_EQ(PictureFromFile(empty, 0).result, plugin::kUnsupported);
  EXPECT_EQ(Live(), live);
}

TEST(FileMode, FilesThatCannotBeOpened) {
  const std::filesystem::path dir = TempDir();
  const std::uint32_t live = Live();
  const std::filesystem::path missing = dir / "missing.gim";
  EXPECT_EQ(InfoFromFile(missing, 0).result, plugin::kFileError);
  EXPECT_EQ(PictureFromFile(missing, 0).result, plugin::kFileError);
  std::filesystem::create_directory(dir / "folder.gim");
  EXPECT_EQ(InfoFromFile(dir / "folder.gim", 0).result, plugin::kFileError);
  EXPECT_EQ(PictureFromFile(dir / "folder.gim", 0).result, plugin::kFileError);
  EXPECT_EQ(InfoFromFile(dir, 0).result, plugin::kFileError);
  EXPECT_EQ(Live(), live);
}

TEST(InputMode, LowThreeBitsOfFlagChooseTheMode) {
  const std::filesystem::path dir = TempDir();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const Bytes gim = Gim(be).bytes;
    const auto path = Store(dir, std::string("picture-") + Order(be), gim);
    const std::string name = path.string();
    // Low bits zero: `buf` names a file and `len` is the offset in it.
    for (std::uint32_t flag : {0x0u, 0x8u, 0x10u, 0x18u, 0xFFFFFFF8u}) {
      SCOPED_TRACE("file flag " + std::to_string(flag));
      EXPECT_EQ(InfoFromFile(path, 0, flag).result, plugin::kSuccess);
      EXPECT_EQ(PictureFromFile(path, 0, flag).result, plugin::kSuccess);
      // The GIM bytes taken as a file name ("MIG.00.1PSP" or ".GIM1.00")
      // name no file.
      if (!be) {
        EXPECT_EQ(Info(Chars(gim), 0, flag).result, plugin::kFileError);
      }
    }
    // Any other low bits: `buf` is the data and `len` its size.
    for (std::uint32_t flag : {1u, 2u, 3u, 4u, 7u, 0x12u, 0xFFFFFFFFu}) {
      SCOPED_TRACE("memory flag " + std::to_string(flag));
      EXPECT_EQ(Info(Chars(gim), Size(gim), flag).result, plugin::kSuccess);
      EXPECT_EQ(PictureFromMemory(gim, flag).result, plugin::kSuccess);
      // A file name taken as data is no GIM data.
      EXPECT_EQ(Info(name.c_str(), static_cast<std::int32_t>(name.size() + 1), flag).result,
                plugin::kUnsupported);
      EXPECT_EQ(Picture(name.c_str(), static_cast<std::int32_t>(name.size() + 1), flag).result,
                plugin::kUnsupported);
    }
  }
}

TEST(MemoryMode, NonPositiveLengthIsRefused) {
  const Bytes gim = Gim(false).bytes;
  const auto* buf = Chars(gim);
  const std::uint32_t live = Live();
  for (std::int32_t len : {0, -1, INT_MIN}) {
    SCOPED_TRACE(len);
    EXPECT_EQ(Info(buf, len, 1).result, plugin::kUnsupported);
    EXPECT_EQ(Picture(buf, len, 1).result, plugin::kUnsupported);
  }
  EXPECT_EQ(Live(), live);
}

TEST(NullPointers, GiveUnsupportedAndAllocateNothing) {
  const std::filesystem::path dir = TempDir();
  const Bytes gim = Gim(false).bytes;
  const auto path = Store(dir, "picture.gim", gim);
  const std::string name = path.string();
  const auto* data = Chars(gim);
  const auto len = Size(gim);
  const std::uint32_t live = Live();
  plugin::PictureInfo info{};
  Handle header{};
  Handle bits{};

  // No data or file name.
  EXPECT_EQ(Plugin().get_picture_info(nullptr, len, 1, &info), plugin::kUnsupported);
  EXPECT_EQ(Plugin().get_picture_info(nullptr, 0, 0, &info), plugin::kUnsupported);
  EXPECT_EQ(Plugin().get_picture(nullptr, len, 1, &header, &bits, nullptr, 0), plugin::kUnsupported);
  EXPECT_EQ(Plugin().get_picture(nullptr, 0, 0, &header, &bits, nullptr, 0), plugin::kUnsupported);
  // No record.
  EXPECT_EQ(Plugin().get_picture_info(data, len, 1, nullptr), plugin::kUnsupported);
  EXPECT_EQ(Plugin().get_picture_info(name.c_str(), 0, 0, nullptr), plugin::kUnsupported);
  // No place for one handle or both.
  for (std::uint32_t flag : {0u, 1u}) {
    const char* buf = flag == 0 ? name.c_str() : data;
    const std::int32_t l = flag == 0 ? 0 : len;
    EXPECT_EQ(Plugin().get_picture(buf, l, flag, nullptr, &bits, nullptr, 0), plugin::kUnsupported);
    EXPECT_EQ(Plugin().get_picture(buf, l, flag, &header, nullptr, nullptr, 0), plugin::kUnsupported);
    EXPECT_EQ(Plugin().get_picture(buf, l, flag, nullptr, nullptr, nullptr, 0), plugin::kUnsupported);
  }
  EXPECT_EQ(header, Handle{});
  EXPECT_EQ(bits, Handle{});
  EXPECT_EQ(Live(), live);
}

TEST(MemoryMode, HostBufferIsNeitherFreedNorChanged) {
  for (bool be : {false, true}) {
    for (bool indexed : {false, true}) {
      SCOPED_TRACE(std::string(Order(be)) + (indexed ? " INDEX8" : " RGBA8888"));
      const Bytes original = Gim(be, indexed).bytes;
      // 2000 bytes at least, for IsSupported given the same pointer.
      std::vector<std::uint8_t> host(std::max(original.size(), kHeadBytes), 0);
      std::copy(original.begin(), original.end(), host.begin());
      const Bytes host_copy(host.begin(), host.end());
      const auto* buf = Chars(host);
      const auto len = Size(original);
      const std::uint32_t live = Live();

      EXPECT_EQ(Plugin().is_supported("p.gim", reinterpret_cast<std::uintptr_t>(host.data())), 1);
      const InfoCall info = Info(buf, len, 1);
      EXPECT_EQ(info.result, plugin::kSuccess);
      EXPECT_TRUE(info.text.present);
      const PictureCall pic = Picture(buf, len, 1);
      EXPECT_EQ(pic.result, plugin::kSuccess);
      // A second round on the same memory gives the same answers.
      const InfoCall again = Info(buf, len, 1);
      EXPECT_EQ(again.result, plugin::kSuccess);
      EXPECT_EQ(again.info.width, info.info.width);
      EXPECT_EQ(again.info.bitDepth, info.info.bitDepth);
      const PictureCall pic_again = Picture(buf, len, 1);
      EXPECT_EQ(pic_again.result, plugin::kSuccess);
      EXPECT_EQ(pic_again.width, pic.width);

      EXPECT_TRUE(host == host_copy) << "the host's buffer was written";
      EXPECT_EQ(Live(), live);
    }
  }
}

TEST(FileMode, AllocationFailuresLeaveNothingBehind) {
  if (!CanCountBlocks()) GTEST_SKIP() << "allocation failures are made by the POSIX stand-in";
  const std::filesystem::path dir = TempDir();
  constexpr int kMaxAllocations = 32;
  for (bool be : {false, true}) {
    for (bool indexed : {false, true}) {
      SCOPED_TRACE(std::string(Order(be)) + (indexed ? " INDEX8" : " RGBA8888"));
      const auto path = Store(dir, "p.gim", Concat(Bytes(10, 0), Gim(be, indexed).bytes));
      const std::string name = path.string();
      const std::uint32_t live = LiveBlocks();

      bool text_failed = false;
      bool info_done = false;
      for (int n = 1; n <= kMaxAllocations && !info_done; ++n) {
        SCOPED_TRACE("GetPictureInfo, allocation " + std::to_string(n) + " fails");
        plugin::PictureInfo info{};
        FailAllocation(static_cast<std::uint32_t>(n));
        const std::int32_t result = Plugin().get_picture_info(name.c_str(), 10, 0, &info);
        FailAllocation(0);
        // The file buffer comes first.
        if (n == 1) EXPECT_EQ(result, plugin::kNoMemory);
        const Record record = Unpack(info);
        if (result == plugin::kSuccess && record.infoText == Handle{}) {
          text_failed = true;  // the record stands without text
          EXPECT_EQ(record.width, indexed ? 16 : 4);
        } else if (result == plugin::kSuccess) {
          info_done = true;  // nothing failed any more
          HostFree(record.infoText);
        } else {
          EXPECT_EQ(result, plugin::kNoMemory);
        }
        EXPECT_EQ(LiveBlocks(), live);
      }
      EXPECT_TRUE(text_failed);
      EXPECT_TRUE(info_done);

      bool picture_done = false;
      for (int n = 1; n <= kMaxAllocations && !picture_done; ++n) {
        SCOPED_TRACE("GetPicture, allocation " + std::to_string(n) + " fails");
        Handle header{};
        Handle bits{};
        FailAllocation(static_cast<std::uint32_t>(n));
        const std::int32_t result =
            Plugin().get_picture(name.c_str(), 10, 0, &header, &bits, nullptr, 0);
        FailAllocation(0);
        if (n == 1) EXPECT_EQ(result, plugin::kNoMemory);
        if (result == plugin::kSuccess) {
          picture_done = true;
          EXPECT_GT(n, 3);  // the file buffer, the header and the bits block
          HostFree(header);
          HostFree(bits);
        } else {
          EXPECT_EQ(result, plugin::kNoMemory);
        }
        EXPECT_EQ(LiveBlocks(), live);
      }
      EXPECT_TRUE(picture_done);
    }
  }
}

TEST(FileMode, OwnBufferFreedAfterSuccessAndFailure) {
  const std::filesystem::path dir = TempDir();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const fixture::File f = Gim(be, true);
    const auto good = Store(dir, "good.gim", f.bytes);
    const auto junk = Store(dir, "junk.gim", Bytes(500, 0x42));
    // Recognised, but the pixel plane runs past the end of the file.
    const Bytes cut_bytes(f.bytes.begin(),
                          f.bytes.begin() + static_cast<std::ptrdiff_t>(f.layout.pixels + 20));
    const auto cut = Store(dir, "cut.gim", cut_bytes);
    const std::uint32_t live = Live();

    EXPECT_EQ(InfoFromFile(good, 0).result, plugin::kSuccess);
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(PictureFromFile(good, 0).result, plugin::kSuccess);
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(InfoFromFile(junk, 0).result, plugin::kUnsupported);
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(PictureFromFile(junk, 0).result, plugin::kUnsupported);
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(InfoFromFile(cut, 0).result, plugin::kSuccess);
    EXPECT_EQ(Live(), live);
    EXPECT_EQ(PictureFromFile(cut, 0).result, plugin::kUnsupported);
    EXPECT_EQ(Live(), live);
  }
}

}  // namespace
}  // namespace tovak::test
