// What the test groups share: calls into the exports the way a host makes
// them, with copies of whatever they hand back; readers for DIB and GIM
// fields; the few format rules that expected values are computed from; and
// small file helpers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "fixture/gim_writer.h"
#include "plugin/host_api.h"
#include "support/plugin_api.h"

namespace tovak::test {

using fixture::Bytes;

// Default settings: blending on, background 0x00BBGGRR = 0x282010.
constexpr std::uint32_t kDefaultBackground = 0x282010;
constexpr int kBackBlue = 0x28;
constexpr int kBackGreen = 0x20;
constexpr int kBackRed = 0x10;

// IsSupported, given a pointer, examines the first 2000 bytes of a file.
constexpr std::size_t kHeadBytes = 2000;

// Block header fields from the block's start, and the buffer offsets of the
// root and picture blocks in a written file.
constexpr std::size_t kBlockSize = 4;
constexpr std::size_t kBlockStep = 8;
constexpr std::size_t kRoot = 16;
constexpr std::size_t kPicture = 32;

// Unsigned fields, least significant byte first.
std::uint16_t U16(const std::uint8_t* p);
std::uint32_t U32(const std::uint8_t* p);
// The same at `at` in `b`, bounds-checked, in either byte order.
std::uint16_t U16(const Bytes& b, std::size_t at, bool big_endian = false);
std::uint32_t U32(const Bytes& b, std::size_t at, bool big_endian = false);
// A signed little-endian field, such as biWidth.
std::int32_t I32(const Bytes& b, std::size_t at);

// Bytes as the exports take them in memory mode.
const char* Chars(const Bytes& b);
std::int32_t Size(const Bytes& b);

// The byte order's name, for SCOPED_TRACE.
const char* Order(bool big_endian);

// n-bit channel to 8 bits: 255 * v / (2^n - 1) to the nearest integer.
int Expand(unsigned v, int n);
// The blend rule: alpha 0 takes the background b, alpha 255 keeps the colour
// c, anything else moves c towards b by (c - b) * a / 256 rounded down.
int ReferenceBlend(int c, int b, int a);
// DIB row stride: width x bits per pixel in whole 4-byte words.
std::uint64_t DibStride(std::uint64_t width, std::uint64_t bits);

// Bytes of a bits block that are no pixel's (row padding, and everything
// past `height` rows) yet not zero.
std::size_t NonZeroPadding(const Bytes& bits, std::uint64_t width, std::uint64_t height,
                           std::uint64_t bit_count);

// A `width` x `height` picture of `format` whose pixels are all 0x5A.
fixture::Picture PictureOf(bool be, std::uint16_t format, std::uint16_t width = 4,
                           std::uint16_t height = 2);

// Inserts a block of `total` bytes (id, size and step as given) right after
// the picture block's header, where the picture block's step of 16 leads the
// walk, and grows the root and picture blocks and the layout to match.
void InsertBlock(fixture::File& f, bool be, std::uint16_t id, std::uint32_t total,
                 std::uint32_t step);

// The head of a file as a host hands it to IsSupported: exactly 2000 bytes,
// cut or zero-filled, so that any read beyond them is a heap overflow.
std::int32_t IsSupportedPointer(const Bytes& bytes, const char* name = "picture.gim");

// GetPicture's result and copies of both blocks, which are freed.
struct Decoded {
  std::int32_t result = -1;
  Bytes header;
  Bytes bits;
};

// Copies both blocks out of a successful call and frees them.
Decoded Take(std::int32_t result, Handle header, Handle bits);
// GetPicture with the host's own arguments and no progress callback.
Decoded DecodeCall(const char* buf, std::int32_t len, std::uint32_t flag,
                   const PluginApi& api = Plugin());
// Memory mode over the first `len` bytes of `file` (all when negative), in
// place, so that a test can see whether they were written.
Decoded Decode(const Bytes& file, std::int64_t len = -1, const PluginApi& api = Plugin());
// File mode: the GIM data at `offset` in the file.
Decoded DecodeFile(const std::filesystem::path& path, std::int32_t offset = 0);

// The record's fields, copied out of the packed layout so that assertions
// never bind a reference to a misaligned field.
struct Record {
  std::int32_t originX, originY, width, height;
  std::uint16_t densityX, densityY;
  std::int16_t bitDepth;
  Handle infoText;
};

Record Unpack(const plugin::PictureInfo& p);

// What the host finds in the text block.
struct TextBlock {
  bool present = false;
  std::string text;        // up to the first zero byte
  std::uint64_t size = 0;  // LocalSize
  std::uint32_t locks_before = 0;
  std::uint32_t locks_while_locked = 0;
  int last_byte = -1;
};

// Reads the text block and frees it (a null handle gives `present` false).
TextBlock TakeText(Handle handle);

// GetPictureInfo's result, the record and the text block, which is freed.
struct InfoCall {
  std::int32_t result = -1;
  Record info{};
  std::uint8_t raw[sizeof(plugin::PictureInfo)] = {};  // the record as the host sees it
  TextBlock text;  // taken only from a success
};

// GetPictureInfo with the host's own arguments; the record starts out filled
// with 0xA5 so that every byte left unwritten shows.
InfoCall Info(const char* buf, std::int32_t len, std::uint32_t flag);
// Memory mode on the first `len` bytes (all when negative), copied into a
// heap block of exactly that size.
InfoCall InfoFromMemory(const Bytes& bytes, std::int64_t len = -1);
// File mode (or `flag` as given): the GIM data at `offset` in the file.
InfoCall InfoFromFile(const std::filesystem::path& path, std::int32_t offset,
                      std::uint32_t flag = 0);

// Each line followed by CR LF, as the info text ends its lines.
std::string Lines(std::initializer_list<std::string> lines);
// The info text's Format section of a picture in that byte order.
std::string FormatSection(bool be, const std::string& order, const std::string& format);

// Writes `bytes` to dir/name and gives the path.
std::filesystem::path Store(const std::filesystem::path& dir, const std::string& name,
                            const Bytes& bytes);
// A whole file's bytes (none when it cannot be read).
Bytes ReadAll(const std::filesystem::path& path);

}  // namespace tovak::test
