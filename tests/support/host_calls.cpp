#include "support/host_calls.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace tovak::test {

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{U16(p)} | std::uint32_t{U16(p + 2)} << 16;
}

std::uint16_t U16(const Bytes& b, std::size_t at, bool big_endian) {
  const std::uint16_t v0 = b.at(at), v1 = b.at(at + 1);
  return static_cast<std::uint16_t>(big_endian ? v0 << 8 | v1 : v1 << 8 | v0);
}

std::uint32_t U32(const Bytes& b, std::size_t at, bool big_endian) {
  const std::uint32_t low = U16(b, at + (big_endian ? 2 : 0), big_endian);
  const std::uint32_t high = U16(b, at + (big_endian ? 0 : 2), big_endian);
  return high << 16 | low;
}

std::int32_t I32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

const char* Chars(const Bytes& b) { return reinterpret_cast<const char*>(b.data()); }

std::int32_t Size(const Bytes& b) { return static_cast<std::int32_t>(b.size()); }

const char* Order(bool big_endian) { return big_endian ? "big-endian" : "little-endian"; }

int Expand(unsigned v, int n) {
  return static_cast<int>(std::lround(255.0 * v / ((1 << n) - 1)));
}

int ReferenceBlend(int c, int b, int a) {
  if (a == 0) return b;
  if (a == 255) return c;
  return b + static_cast<int>(std::floor((c - b) * a / 256.0));
}

std::uint64_t DibStride(std::uint64_t width, std::uint64_t bits) {
  return (width * bits + 31) / 32 * 4;
}

std::size_t NonZeroPadding(const Bytes& bits, std::uint64_t width, std::uint64_t height,
                           std::uint64_t bit_count) {
  const std::uint64_t stride = DibStride(width, bit_count);
  const std::uint64_t pixel_bits = width * bit_count;
  std::size_t found = 0;
  for (std::uint64_t at = 0; at < bits.size(); ++at) {
    const std::uint64_t row = at / stride;
    const std::uint64_t bit = at % stride * 8;
    std::uint8_t mask = 0xFF;  // the bits of this byte that are no pixel's
    if (row < height && bit + 8 <= pixel_bits) mask = 0;
    if (row < height && bit < pixel_bits && bit + 8 > pixel_bits) {
      mask = static_cast<std::uint8_t>(0xFF >> (pixel_bits - bit));  // high bits come first
    }
    if ((bits[at] & mask) != 0) ++found;
  }
  return found;
}

fixture::Picture PictureOf(bool be, std::uint16_t format, std::uint16_t width,
                           std::uint16_t height) {
  fixture::Picture pic;
  pic.big_endian = be;
  pic.format = format;
  pic.width = width;
  pic.height = height;
  pic.pixels.assign(fixture::StoredRowBytes(format, width) * height, 0x5A);
  return pic;
}

void InsertBlock(fixture::File& f, bool be, std::uint16_t id, std::uint32_t total,
                 std::uint32_t step) {
  Bytes block(total, 0);
  fixture::PutU16(block, 0, id, be);
  fixture::PutU32(block, kBlockSize, total, be);
  fixture::PutU32(block, kBlockStep, step, be);
  f.bytes.insert(f.bytes.begin() + 48, block.begin(), block.end());
  for (std::size_t at : {kRoot, kPicture}) {
    fixture::PutU32(f.bytes, at + kBlockSize, U32(f.bytes, at + kBlockSize, be) + total, be);
  }
  for (std::size_t* at : {&f.layout.image, &f.layout.palette, &f.layout.info,
                          &f.layout.pixels, &f.layout.entries}) {
    if (*at != 0) *at += total;
  }
}

std::int32_t IsSupportedPointer(const Bytes& bytes, const char* name) {
  std::vector<std::uint8_t> head(kHeadBytes, 0);
  std::memcpy(head.data(), bytes.data(), std::min(bytes.size(), kHeadBytes));
  return Plugin().is_supported(name, reinterpret_cast<std::uintptr_t>(head.data()));
}

Decoded Take(std::int32_t result, Handle header, Handle bits) {
  Decoded d;
  d.result = result;
  if (result != plugin::kSuccess) return d;
  const auto* h = static_cast<const std::uint8_t*>(HostLock(header));
  d.header.assign(h, h + HostSize(header));
  HostUnlock(header);
  HostFree(header);
  const auto* p = static_cast<const std::uint8_t*>(HostLock(bits));
  d.bits.assign(p, p + HostSize(bits));
  HostUnlock(bits);
  HostFree(bits);
  return d;
}

Decoded DecodeCall(const char* buf, std::int32_t len, std::uint32_t flag, const PluginApi& api) {
  Handle header{};
  Handle bits{};
  const std::int32_t result = api.get_picture(buf, len, flag, &header, &bits, nullptr, 0);
  return Take(result, header, bits);
}

Decoded Decode(const Bytes& file, std::int64_t len, const PluginApi& api) {
  const auto size = static_cast<std::int32_t>(len < 0 ? file.size() : len);
  return DecodeCall(Chars(file), size, 1, api);
}

Decoded DecodeFile(const std::filesystem::path& path, std::int32_t offset) {
  return DecodeCall(path.string().c_str(), offset, 0);
}

Record Unpack(const plugin::PictureInfo& p) {
  return Record{p.originX, p.originY, p.width, p.height, p.densityX, p.densityY, p.bitDepth,
                p.infoText};
}

TextBlock TakeText(Handle handle) {
  TextBlock t;
  if (handle == Handle{}) return t;
  t.present = true;
  t.size = HostSize(handle);
  t.locks_before = HostLockCount(handle);
  const char* p = static_cast<const char*>(HostLock(handle));
  t.locks_while_locked = HostLockCount(handle);
  if (p != nullptr && t.size != 0) {
    t.text.assign(p, std::find(p, p + t.size, '\0'));
    t.last_byte = static_cast<unsigned char>(p[t.size - 1]);
  }
  HostUnlock(handle);
  HostFree(handle);
  return t;
}

InfoCall Info(const char* buf, std::int32_t len, std::uint32_t flag) {
  plugin::PictureInfo record;
  std::memset(&record, 0xA5, sizeof record);
  InfoCall call;
  call.result = Plugin().get_picture_info(buf, len, flag, &record);
  call.info = Unpack(record);
  std::memcpy(call.raw, &record, sizeof record);
  if (call.result == plugin::kSuccess) call.text = TakeText(call.info.infoText);
  return call;
}

InfoCall InfoFromMemory(const Bytes& bytes, std::int64_t len) {
  const std::size_t size = len < 0 ? bytes.size() : static_cast<std::size_t>(len);
  std::unique_ptr<char[]> copy(new char[size]);
  std::memcpy(copy.get(), bytes.data(), size);
  return Info(copy.get(), static_cast<std::int32_t>(size), 1);
}

InfoCall InfoFromFile(const std::filesystem::path& path, std::int32_t offset, std::uint32_t flag) {
  return Info(path.string().c_str(), offset, flag);
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string FormatSection(bool be, const std::string& order, const std::string& format) {
  return Lines({"[Format]", std::string("format_endian: ") + (be ? "big" : "little"),
                "pixel_order: " + order, "image_format: " + format});
}

std::filesystem::path Store(const std::filesystem::path& dir, const std::string& name,
                            const Bytes& bytes) {
  const std::filesystem::path path = dir / name;
  WriteFile(path, bytes.data(), bytes.size());
  return path;
}

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tovak::test
