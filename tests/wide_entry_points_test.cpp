// The wide-character entry points: a picture in a folder whose name does not
// fit the ANSI code page opens through each of them, the settings file of a
// copy in such a folder is read, and memory mode is the ANSI one. Also the
// full width of a 64-bit `len`.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;

// Cyrillic and CJK: "pictures" twice, neither in any ANSI code page with the
// other.
const char16_t kFolder[] = u"картинки 画像";

// An RGBA8888 picture with translucent pixels and an info text, so that the
// record, the text, blending and the pixels all show.
Bytes Picture(bool big_endian) {
  fixture::Picture pic = PictureOf(big_endian, fixture::kRgba8888, 3, 2);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) pic.pixels[i] = static_cast<std::uint8_t>(i * 41);
  return fixture::Write(pic).bytes;
}

const char16_t* Wide(const std::u16string& s) { return s.c_str(); }

Decoded DecodeW(const char16_t* buf, plugin::LongPtr len, std::uint32_t flag,
                const PluginApi& api = Plugin()) {
  Handle header{};
  Handle bits{};
  const std::int32_t result = api.get_picture_w(buf, len, flag, &header, &bits, nullptr, 0);
  return Take(result, header, bits);
}

struct InfoW {
  std::int32_t result;
  Record record;
  std::string text;
};

InfoW InfoCallW(const char16_t* buf, plugin::LongPtr len, std::uint32_t flag) {
  plugin::PictureInfo info{};
  const std::int32_t result = Plugin().get_picture_info_w(buf, len, flag, &info);
  InfoW out{result, Unpack(info), {}};
  if (result == plugin::kSuccess) out.text = TakeText(info.infoText).text;
  return out;
}

TEST(WideEntryPoints, OpenAPictureInANonAnsiFolder) {
  const fs::path dir = TempDir() / fs::path(kFolder);
  fs::create_directories(dir);
  const PluginApi& api = Plugin();
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const Bytes gim = Picture(be);
    const Decoded want = Decode(gim);
    const InfoCall want_info = InfoFromMemory(gim);
    ASSERT_EQ(want.result, plugin::kSuccess);

    // At offset 0, and after 37 bytes of something else.
    Bytes prefixed(37 + gim.size(), 0xA5);
    std::copy(gim.begin(), gim.end(), prefixed.begin() + 37);
    for (const auto& [name, bytes, offset] :
         {std::tuple{std::u16string(u"画.gim"), gim, 0}, {u"юг.dat", prefixed, 37}}) {
      const fs::path path = dir / fs::path(name);
      WriteFile(path, bytes.data(), bytes.size());
      const std::u16string wide = path.u16string();

      const std::uintptr_t handle = OpenHostFile(path, static_cast<std::uint64_t>(offset));
      EXPECT_EQ(api.is_supported_w(Wide(wide), handle), 1);
      CloseHostFile(handle);
      EXPECT_EQ(api.is_supported_w(Wide(wide), reinterpret_cast<std::uintptr_t>(gim.data())), 1);

      const InfoW info = InfoCallW(Wide(wide), offset, 0);
      ASSERT_EQ(info.result, plugin::kSuccess);
      EXPECT_EQ(info.record.width, 3);
      EXPECT_EQ(info.record.height, 2);
      EXPECT_EQ(info.record.bitDepth, 24);
      EXPECT_EQ(info.text, want_info.text.text);

      const Decoded got = DecodeW(Wide(wide), offset, 0);
      ASSERT_EQ(got.result, plugin::kSuccess);
      EXPECT_EQ(got.header, want.header);
      EXPECT_EQ(got.bits, want.bits);
      Handle header{};
      Handle bits{};
      EXPECT_EQ(api.get_preview_w(Wide(wide), offset, 0, &header, &bits, nullptr, 0),
                plugin::kNotProvided);
    }
  }
  const std::u16string missing = (dir / fs::path(u"нет.gim")).u16string();
  EXPECT_EQ(InfoCallW(Wide(missing), 0, 0).result, plugin::kFileError);
  EXPECT_EQ(DecodeW(Wide(missing), 0, 0).result, plugin::kFileError);
}

TEST(WideEntryPoints, MemoryModeIsTheAnsiOne) {
  const Bytes gim = Picture(false);
  const auto* data = reinterpret_cast<const char16_t*>(gim.data());
  const Decoded want = Decode(gim);
  const Decoded got = DecodeW(data, Size(gim), 1);
  ASSERT_EQ(got.result, plugin::kSuccess);
  EXPECT_EQ(got.header, want.header);
  EXPECT_EQ(got.bits, want.bits);
  EXPECT_EQ(InfoCallW(data, Size(gim), 2).text, InfoFromMemory(gim).text.text);
  for (plugin::LongPtr len : {plugin::LongPtr{0}, plugin::LongPtr{-1}}) {
    EXPECT_EQ(InfoCallW(data, len, 1).result, plugin::kUnsupported);
    EXPECT_EQ(DecodeW(data, len, 1).result, plugin::kUnsupported);
  }
}

TEST(WideEntryPoints, GetPluginInfoWCountsCharacters) {
  struct Case {
    std::int32_t index, length, returned;
    const char* copied;  // the characters expected, zero included if any
  };
  const Case kCases[] = {
      {0, 64, 5, "00IN"},   {2, 64, 6, "*.gim"}, {1, 10, 10, "GIM to DIB"},
      {3, 29, 29, "PSX Image Format GIM (*.gim)"}, {3, 28, 28, "PSX Image Format GIM (*.gim)"},
      {4, 64, 0, ""},       {-1, 64, 0, ""},     {0, 0, 0, ""},   {0, -5, 0, ""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::to_string(c.index) + " into " + std::to_string(c.length));
    char16_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    ASSERT_EQ(Plugin().get_plugin_info_w(c.index, buffer, c.length), c.returned);
    for (std::int32_t i = 0; i < 64; ++i) {
      const char16_t want = i < c.returned ? static_cast<char16_t>(c.copied[i]) : u'#';
      EXPECT_EQ(buffer[i], want) << "character " << i;
    }
  }
}

TEST(WideEntryPoints, SettingsOfACopyInANonAnsiFolderAreRead) {
  const fs::path dir = TempDir() / fs::path(kFolder);
  fs::create_directories(dir);
  const std::string ini = "[tovak]\r\nAlphaBlend=0\r\n";
  WriteFile(dir / "tovak.ini", ini.data(), ini.size());
  LoadedCopy copy;
  LoadCopy(dir, "tovak.spi", copy);
  // Alpha 0 would give the background colour if the INI were not read.
  fixture::Picture pic = PictureOf(false, fixture::kRgba8888, 1, 1);
  pic.pixels[0] = 0x11;  // red, green, blue, alpha 0
  pic.pixels[1] = 0x22;
  pic.pixels[2] = 0x33;
  pic.pixels[3] = 0x00;
  const Decoded dib = Decode(fixture::Write(pic).bytes, -1, copy.api);
  ASSERT_EQ(dib.result, plugin::kSuccess);
  ASSERT_GE(dib.bits.size(), 3u);
  EXPECT_EQ(dib.bits[0], 0x33);
  EXPECT_EQ(dib.bits[1], 0x22);
  EXPECT_EQ(dib.bits[2], 0x11);
}

TEST(MemoryMode, LengthIsReadAtItsFullWidth) {
  if (sizeof(plugin::LongPtr) < 8) GTEST_SKIP() << "LONG_PTR is 32 bits here";
  const Bytes gim = Picture(false);
  const std::uint64_t size = gim.size();
  struct Case {
    std::uint64_t len;
    std::int32_t result;
  };
  // Above 2 GB the memory is bounded, not refused; with the sign bit set it
  // is negative, whatever its low 32 bits say.
  const Case kCases[] = {
      {std::uint64_t{1} << 32 | size, plugin::kSuccess},
      {std::uint64_t{0xFFFFFFFF00000000} | size, plugin::kUnsupported},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.len);
    const auto len = static_cast<plugin::LongPtr>(c.len);
    EXPECT_EQ(DecodeCall(Chars(gim), len, 1).result, c.result);
  }
}

}  // namespace
}  // namespace tovak::test
