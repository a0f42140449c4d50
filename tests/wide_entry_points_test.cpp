// The wide-character entry points: a picture in a folder whose name does not
// fit the ANSI code page opens through each of them, a copy in such a folder
// reads its INI, and memory mode is the ANSI one. Also a 64-bit `len`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;

// Cyrillic and CJK, in no one ANSI code page together.
const char16_t kFolder[] = u"картинки 画像";

Bytes Picture() {
  fixture::Picture pic = PictureOf(true, fixture::kRgba8888, 3, 2);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) pic.pixels[i] = static_cast<std::uint8_t>(i * 41);
  return fixture::Write(pic).bytes;
}

Decoded DecodeW(const char16_t* buf, plugin::LongPtr len, std::uint32_t flag) {
  Handle header{};
  Handle bits{};
  const std::int32_t result = Plugin().get_picture_w(buf, len, flag, &header, &bits, nullptr, 0);
  return Take(result, header, bits);
}

// GetPictureInfoW's result and text (the record's size fields are the
// DIB's, which DecodeW compares).
std::pair<std::int32_t, std::string> InfoW(const char16_t* buf, plugin::LongPtr len,
                                           std::uint32_t flag) {
  plugin::PictureInfo info{};
  const std::int32_t result = Plugin().get_picture_info_w(buf, len, flag, &info);
  return {result, result == plugin::kSuccess ? TakeText(info.infoText).text : ""};
}

TEST(WideEntryPoints, OpenAPictureInANonAnsiFolder) {
  const fs::path dir = TempDir() / fs::path(kFolder);
  fs::create_directories(dir);
  const Bytes gim = Picture();
  const Decoded want = Decode(gim);
  const std::string want_text = InfoFromMemory(gim).text.text;
  // At offset 0, and after 37 bytes of something else.
  Bytes prefixed(37 + gim.size(), 0xA5);
  std::copy(gim.begin(), gim.end(), prefixed.begin() + 37);
  for (const auto& [name, bytes, offset] :
       {std::tuple{std::u16string(u"画.gim"), gim, 0}, {u"юг.dat", prefixed, 37}}) {
    const fs::path path = dir / fs::path(name);
    WriteFile(path, bytes.data(), bytes.size());
    const std::u16string wide = path.u16string();
    const std::uintptr_t handle = OpenHostFile(path, static_cast<std::uint64_t>(offset));
    EXPECT_EQ(Plugin().is_supported_w(wide.c_str(), handle), 1);
    CloseHostFile(handle);
    EXPECT_EQ(InfoW(wide.c_str(), offset, 0), std::pair(plugin::kSuccess + 0, want_text));
    const Decoded got = DecodeW(wide.c_str(), offset, 0);
    ASSERT_EQ(got.result, plugin::kSuccess);
    EXPECT_EQ(got.header, want.header);
    EXPECT_EQ(got.bits, want.bits);
    Handle h{};
    EXPECT_EQ(Plugin().get_preview_w(wide.c_str(), offset, 0, &h, &h, nullptr, 0), -1);
  }
  const std::u16string missing = (dir / fs::path(u"нет.gim")).u16string();
  EXPECT_EQ(InfoW(missing.c_str(), 0, 0).first, plugin::kFileError);
  EXPECT_EQ(DecodeW(missing.c_str(), 0, 0).result, plugin::kFileError);
}

TEST(WideEntryPoints, MemoryModeIsTheAnsiOne) {
  const Bytes gim = Picture();
  const auto* data = reinterpret_cast<const char16_t*>(gim.data());
  EXPECT_EQ(Plugin().is_supported_w(u"x.gim", reinterpret_cast<std::uintptr_t>(data)), 1);
  EXPECT_EQ(InfoW(data, Size(gim), 2).second, InfoFromMemory(gim).text.text);
  EXPECT_EQ(DecodeW(data, Size(gim), 1).bits, Decode(gim).bits);
  EXPECT_EQ(DecodeW(data, 0, 1).result, plugin::kUnsupported);
}

TEST(WideEntryPoints, GetPluginInfoWCountsCharacters) {
  // {index, buffer length in characters, result, characters copied}
  const std::tuple<std::int32_t, std::int32_t, std::int32_t, std::u16string> kCases[] = {
      {0, 64, 5, std::u16string(u"00IN", 5)}, {1, 10, 10, std::u16string(u"GIM to DI", 10)}, {4, 64, 0, u""},
      {0, 0, 0, u""}};
  for (const auto& [index, length, returned, copied] : kCases) {
    std::u16string buffer(64, u'#');
    EXPECT_EQ(Plugin().get_plugin_info_w(index, buffer.data(), length), returned);
    EXPECT_EQ(buffer, copied + std::u16string(64 - copied.size(), u'#')) << index;
  }
}

TEST(WideEntryPoints, CopyInANonAnsiFolderReadsItsIni) {
  const fs::path dir = TempDir() / fs::path(kFolder);
  fs::create_directories(dir);
  WriteFile(dir / "tovak.ini", "[tovak]\r\nAlphaBlend=0\r\n", 23);
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  // Alpha 0 would give the background colour if the INI were not read.
  fixture::Picture pic = PictureOf(false, fixture::kRgba8888, 1, 1);
  std::copy_n("\x11\x22\x33\x00", 4, pic.pixels.begin());
  const Decoded dib = Decode(fixture::Write(pic).bytes, -1, copy.api);
  ASSERT_EQ(dib.result, plugin::kSuccess);
  EXPECT_EQ(Bytes(dib.bits.begin(), dib.bits.begin() + 3), (Bytes{0x33, 0x22, 0x11}));
}

TEST(MemoryMode, LengthIsReadAtItsFullWidth) {
  if (sizeof(plugin::LongPtr) < 8) GTEST_SKIP() << "LONG_PTR is 32 bits here";
  // Above 2 GB the memory is bounded, not refused; with the sign bit set it
  // is negative, whatever its low 32 bits say.
  const Bytes gim = Picture();
  const auto high = [&gim](std::uint64_t bits) {
    return static_cast<plugin::LongPtr>(bits | gim.size());
  };
  EXPECT_EQ(DecodeCall(Chars(gim), high(std::uint64_t{1} << 32), 1).result, plugin::kSuccess);
  EXPECT_EQ(DecodeCall(Chars(gim), high(0xFFFFFFFF00000000), 1).result, plugin::kUnsupported);
}

}  // namespace
}  // namespace tovak::test
