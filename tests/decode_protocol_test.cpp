// GetPicture's side of the host protocol: progress calls, stopping, block
// ownership, allocation failures, the caller's memory, and inputs that make
// no picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

// A value no real handle has, to see whether an output was written.
Handle Sentinel() {
#ifdef _WIN32
  return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(0x5EA1ED00));
#else
  return Handle{0x5EA1ED00};
#endif
}

struct Call {
  std::int32_t numerator, denominator;
  plugin::LongPtr user_data;
};
std::vector<Call> g_calls;
int g_stop_at = -1;  // index of the call that answers non-zero

std::int32_t TOVAK_STDCALL Progress(std::int32_t numerator, std::int32_t denominator,
                                    plugin::LongPtr user_data) {
  g_calls.push_back({numerator, denominator, user_data});
  return static_cast<int>(g_calls.size()) - 1 == g_stop_at ? 1 : 0;
}

void ResetCalls(int stop_at) {
  g_calls.clear();
  g_stop_at = stop_at;
}

fixture::Picture Picture(std::uint16_t format, std::uint16_t width, std::uint16_t height,
                         bool big_endian = false, std::uint16_t order = 0) {
  fixture::Picture pic;
  pic.big_endian = big_endian;
  pic.format = format;
  pic.pixel_order = order;
  pic.width = width;
  pic.height = height;
  const std::size_t row = fixture::StoredRowBytes(format, width);
  const std::size_t rows = order == 1 ? (height + 7) / 8 * 8 : height;
  pic.pixels.resize(row * rows);
  for (std::size_t i = 0; i < pic.pixels.size(); ++i) {
    pic.pixels[i] = static_cast<std::uint8_t>(i * 13 + 7);
  }
  if (format == fixture::kIndex4 || format == fixture::kIndex8) {
    const std::uint16_t count = format == fixture::kIndex4 ? 16 : 256;
    Bytes entries(4u * count);
    for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = static_cast<std::uint8_t>(i * 5);
    pic.palette = fixture::Palette{fixture::kRgba8888, count, entries};
  }
  return pic;
}

Bytes WriteBytes(const fixture::Picture& pic) { return fixture::Write(pic).bytes; }

TEST(DecodeProtocol, ProgressIsReportedAtTheStartAndTheEnd) {
  const Bytes file = WriteBytes(Picture(fixture::kRgba4444, 10, 3));
  // Hosts often pass a pointer: it comes back whole, 64 bits in tovak.sph.
  const auto pointer = static_cast<plugin::LongPtr>(reinterpret_cast<std::uintptr_t>(&g_calls));
  for (plugin::LongPtr user : {plugin::LongPtr{0x12345678}, plugin::LongPtr{-7},
                               plugin::LongPtr{0}, pointer}) {
    SCOPED_TRACE(user);
    ResetCalls(-1);
    Handle header{};
    Handle bits{};
    const std::int32_t r =
        Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, &Progress, user);
    ASSERT_EQ(r, plugin::kSuccess);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].numerator, 0);
    EXPECT_EQ(g_calls[0].denominator, 1);
    EXPECT_EQ(g_calls[0].user_data, user);
    EXPECT_EQ(g_calls[1].numerator, 1);
    EXPECT_EQ(g_calls[1].denominator, 1);
    EXPECT_EQ(g_calls[1].user_data, user);
    Take(r, header, bits);
  }
}

TEST(DecodeProtocol, NullCallbackDecodes) {
  const Bytes file = WriteBytes(Picture(fixture::kRgba8888, 4, 2));
  Handle header = Sentinel();
  Handle bits = Sentinel();
  const std::int32_t r = Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, nullptr, 0);
  ASSERT_EQ(r, plugin::kSuccess);
  EXPECT_NE(header, Sentinel());
  EXPECT_NE(bits, Sentinel());
  EXPECT_NE(header, Handle{});
  EXPECT_NE(bits, Handle{});
  const Decoded d = Take(r, header, bits);
  EXPECT_EQ(d.header[14], 24);
}

TEST(DecodeProtocol, StopAtTheFirstCallWritesNoOutput) {
  const Bytes file = WriteBytes(Picture(fixture::kIndex8, 20, 5));
  const std::filesystem::path path = Store(TempDir(), "stop.gim", file);
  for (bool file_mode : {false, true}) {
    SCOPED_TRACE(file_mode ? "file mode" : "memory mode");
    const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
    ResetCalls(0);
    Handle header = Sentinel();
    Handle bits = Sentinel();
    const std::int32_t r =
        file_mode ? Plugin().get_picture(path.string().c_str(), 0, 0, &header, &bits, &Progress, 99)
                  : Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, &Progress, 99);
    EXPECT_EQ(r, plugin::kStopped);
    EXPECT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(header, Sentinel());
    EXPECT_EQ(bits, Sentinel());
    if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before);
  }
}

TEST(DecodeProtocol, StopAtTheFinalCallHandsOverCompleteLockedBlocks) {
  // 2 x 1 RGBA8888: an opaque pixel and a clear one.
  fixture::Picture pic = Picture(fixture::kRgba8888, 2, 1);
  pic.pixels.assign(16, 0);
  const Bytes pixels = {0x10, 0x20, 0x30, 0xFF, 0x40, 0x50, 0x60, 0x00};
  std::copy(pixels.begin(), pixels.end(), pic.pixels.begin());
  const Bytes file = WriteBytes(pic);
  const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
  ResetCalls(1);
  Handle header = Sentinel();
  Handle bits = Sentinel();
  const std::int32_t r =
      Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, &Progress, 5);
  ASSERT_EQ(r, plugin::kStopped);
  ASSERT_EQ(g_calls.size(), 2u);
  ASSERT_NE(header, Sentinel());
  ASSERT_NE(bits, Sentinel());
  ASSERT_NE(header, Handle{});
  ASSERT_NE(bits, Handle{});
  EXPECT_EQ(HostLockCount(header), 1u);
  EXPECT_EQ(HostLockCount(bits), 1u);
  if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before + 2);

  const auto* h = static_cast<const std::uint8_t*>(HostLock(header));
  const auto* p = static_cast<const std::uint8_t*>(HostLock(bits));
  ASSERT_NE(h, nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(U32(h), 40u);
  EXPECT_EQ(U32(h + 4), 2u);
  EXPECT_EQ(U16(h + 14), 24u);
  EXPECT_EQ(U32(h + 20), 8u);
  const Bytes want = {0x30, 0x20, 0x10, kBackBlue, kBackGreen, kBackRed};
  EXPECT_EQ(Bytes(p, p + 6), want);
  for (int i = 0; i < 2; ++i) {
    HostUnlock(header);
    HostUnlock(bits);
  }
  EXPECT_EQ(HostLockCount(header), 0u);
  EXPECT_EQ(HostLockCount(bits), 0u);
  HostFree(header);
  HostFree(bits);
  if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before);
}

TEST(DecodeProtocol, SuccessHandsUnlockedBlocksToTheHost) {
  // DXT pictures also decode into a temporary plane, which must be gone.
  for (std::uint16_t format : {std::uint16_t{fixture::kRgba5650}, std::uint16_t{fixture::kRgba8888},
                               std::uint16_t{fixture::kIndex4}, std::uint16_t{fixture::kIndex8},
                               std::uint16_t{fixture::kDxt1}, std::uint16_t{fixture::kDxt5}}) {
    SCOPED_TRACE(format);
    const Bytes file = WriteBytes(Picture(format, 7, 3));
    const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
    ResetCalls(-1);
    Handle header{};
    Handle bits{};
    const std::int32_t r =
        Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, &Progress, 1);
    ASSERT_EQ(r, plugin::kSuccess);
    EXPECT_EQ(HostLockCount(header), 0u);
    EXPECT_EQ(HostLockCount(bits), 0u);
    if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before + 2);
    HostFree(header);
    HostFree(bits);
    if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before);
  }
}

TEST(DecodeProtocol, EveryFailedAllocationGives4AndLeavesNoBlock) {
  if (!CanCountBlocks()) GTEST_SKIP() << "only the stand-in fails allocations on demand";
  for (std::uint16_t format : {std::uint16_t{fixture::kRgba5551}, std::uint16_t{fixture::kIndex8},
                               std::uint16_t{fixture::kDxt3}}) {
    const Bytes file = WriteBytes(Picture(format, 9, 4));
    const std::filesystem::path path = Store(TempDir(), "fail.gim", file);
    for (bool file_mode : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << format
                                        << (file_mode ? " file mode" : " memory mode"));
      std::uint32_t failures = 0;
      bool decoded = false;
      for (std::uint32_t n = 1; n <= 16 && !decoded; ++n) {
        SCOPED_TRACE(n);
        const std::uint32_t before = LiveBlocks();
        Handle header = Sentinel();
        Handle bits = Sentinel();
        FailAllocation(n);
        const std::int32_t r =
            file_mode
                ? Plugin().get_picture(path.string().c_str(), 0, 0, &header, &bits, nullptr, 0)
                : Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, nullptr, 0);
        FailAllocation(0);
        if (r == plugin::kSuccess) {
          decoded = true;
          HostFree(header);
          HostFree(bits);
          EXPECT_EQ(LiveBlocks(), before);
          break;
        }
        ++failures;
        EXPECT_EQ(r, plugin::kNoMemory);
        if (file_mode && n == 1) {
          // The input buffer itself: the decoder never ran.
          EXPECT_TRUE(header == Handle{} || header == Sentinel());
        } else {
          EXPECT_EQ(header, Handle{});
        }
        EXPECT_TRUE(bits == Handle{} || bits == Sentinel());
        EXPECT_EQ(LiveBlocks(), before);
      }
      EXPECT_TRUE(decoded);
      // The header block and the bits block, and in file mode the buffer.
      EXPECT_GE(failures, file_mode ? 3u : 2u);
    }
  }
}

TEST(DecodeProtocol, BigEndianMemoryImageIsNotWritten) {
  for (std::uint16_t format : {std::uint16_t{fixture::kRgba4444}, std::uint16_t{fixture::kIndex8},
                               std::uint16_t{fixture::kIndex4}}) {
    SCOPED_TRACE(format);
    const Bytes little = WriteBytes(Picture(format, 11, 9, false, 1));
    Bytes big = WriteBytes(Picture(format, 11, 9, true, 1));
    const Bytes copy = big;
    const Decoded first = Decode(big);
    ASSERT_EQ(first.result, plugin::kSuccess);
    EXPECT_EQ(big, copy);
    const Decoded second = Decode(big);
    ASSERT_EQ(second.result, plugin::kSuccess);
    EXPECT_EQ(big, copy);
    EXPECT_EQ(second.header, first.header);
    EXPECT_EQ(second.bits, first.bits);
    const Decoded reference = Decode(little);
    ASSERT_EQ(reference.result, plugin::kSuccess);
    EXPECT_EQ(first.header, reference.header);
    EXPECT_EQ(first.bits, reference.bits);
  }
}

TEST(DecodeProtocol, PictureInfoBitDepthIsTheDibBitCount) {
  struct Case {
    std::uint16_t format, bits_per_pixel, dib_bits;
  };
  const Case cases[] = {
      {fixture::kRgba5650, 0, 24}, {fixture::kRgba5551, 0, 24}, {fixture::kRgba4444, 0, 24},
      {fixture::kRgba8888, 0, 24}, {fixture::kIndex4, 0, 4},    {fixture::kIndex8, 0, 8},
      {fixture::kIndex4, 8, 8},    {fixture::kIndex8, 4, 4},
  };
  for (const Case& c : cases) {
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << c.format << " bpp " << c.bits_per_pixel
                                        << (be ? " big-endian" : ""));
      fixture::Picture pic = Picture(c.format, 12, 5, be);
      pic.bits_per_pixel = c.bits_per_pixel;
      pic.pixels.resize(64 * 5, 0x11);
      const Bytes file = WriteBytes(pic);
      plugin::PictureInfo info{};
      ASSERT_EQ(Plugin().get_picture_info(Chars(file), Size(file), 1, &info), plugin::kSuccess);
      if (info.infoText != Handle{}) HostFree(info.infoText);
      const Decoded d = Decode(file);
      ASSERT_EQ(d.result, plugin::kSuccess);
      EXPECT_EQ(U16(&d.header[14]), c.dib_bits);
      EXPECT_EQ(info.bitDepth, static_cast<std::int16_t>(U16(&d.header[14])));
    }
  }
}

TEST(DecodeMalformed, SourcePlaneBeyondTheInputIsRefused) {
  for (std::uint16_t format : {std::uint16_t{fixture::kRgba5650}, std::uint16_t{fixture::kRgba8888},
                               std::uint16_t{fixture::kIndex4}, std::uint16_t{fixture::kIndex8}}) {
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << format << (be ? " big-endian" : ""));
      fixture::Picture pic = Picture(format, 21, 10, be);
      pic.palette.reset();
      const std::size_t row = fixture::StoredRowBytes(format, 21);
      // Files whose plane is the last thing in them, stored with `bytes`
      // bytes, and the same file cut short by the memory size alone.
      auto decode_with = [&](std::uint16_t order, std::size_t bytes) {
        pic.pixel_order = order;
        pic.pixels.assign(bytes, 0x44);
        return Decode(WriteBytes(pic)).result;
      };
      auto decode_cut = [&](std::uint16_t order, std::size_t bytes) {
        pic.pixel_order = order;
        pic.pixels.assign(16 * row, 0x44);
        const fixture::File f = fixture::Write(pic);
        return Decode(f.bytes, static_cast<std::int64_t>(f.layout.pixels + bytes)).result;
      };
      // Normal order reads height rows.
      EXPECT_EQ(decode_with(0, 10 * row), plugin::kSuccess);
      EXPECT_EQ(decode_with(0, 10 * row - 1), plugin::kUnsupported);
      EXPECT_EQ(decode_with(0, 9 * row), plugin::kUnsupported);
      EXPECT_EQ(decode_cut(0, 10 * row), plugin::kSuccess);
      EXPECT_EQ(decode_cut(0, 10 * row - 1), plugin::kUnsupported);
      // Swizzled order reads whole tile rows: 16 rows for a height of 10.
      EXPECT_EQ(decode_with(1, 16 * row), plugin::kSuccess);
      EXPECT_EQ(decode_with(1, 16 * row - 1), plugin::kUnsupported);
      EXPECT_EQ(decode_with(1, 10 * row), plugin::kUnsupported);
      EXPECT_EQ(decode_cut(1, 16 * row), plugin::kSuccess);
      EXPECT_EQ(decode_cut(1, 16 * row - 1), plugin::kUnsupported);
      EXPECT_EQ(decode_cut(1, 10 * row), plugin::kUnsupported);
    }
  }
}

TEST(DecodeMalformed, PixelsStartBeyondTheInputIsRefused) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(be);
    const fixture::File f = fixture::Write(Picture(fixture::kRgba8888, 4, 4, be));
    // pixels_start counts from the image header, 16 bytes into the block.
    const std::size_t field = f.layout.image + 16 + 28;
    const std::size_t header = f.layout.image + 16;
    for (std::uint64_t start : std::initializer_list<std::uint64_t>{
             64 + 16, f.bytes.size() - header, f.bytes.size(), 0x7FFFFFFF, 0x80000000,
             0xFFFFFFC0, 0xFFFFFFFF}) {
      SCOPED_TRACE(start);
      Bytes bytes = f.bytes;
      fixture::PutU32(bytes, field, static_cast<std::uint32_t>(start), be);
      EXPECT_EQ(Decode(bytes).result, plugin::kUnsupported);
    }
  }
}

TEST(DecodeMalformed, HugePictureGives4WithoutAllocating) {
  struct Case {
    std::uint16_t format, width, height;
    std::int32_t result;
  };
  const Case cases[] = {
      {fixture::kRgba8888, 65535, 65535, plugin::kNoMemory},
      {fixture::kRgba5650, 65535, 65535, plugin::kNoMemory},
      {fixture::kIndex8, 65535, 65535, plugin::kNoMemory},
      // 32768 x 4 x 16384 = 2^31 bytes, one more than a block may have.
      {fixture::kRgba8888, 32768, 16384, plugin::kNoMemory},
      // 2^31 - 2^17 bytes would be allowed, but the plane is missing.
      {fixture::kRgba8888, 32768, 16383, plugin::kUnsupported},
  };
  const Bytes small = WriteBytes(Picture(fixture::kRgba8888, 4, 4));
  for (const Case& c : cases) {
    for (bool be : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << c.format << " " << c.width << " x "
                                        << c.height << (be ? " big-endian" : ""));
      fixture::Picture pic;
      pic.big_endian = be;
      pic.format = c.format;
      pic.width = c.width;
      pic.height = c.height;
      pic.pixels.assign(64, 0x33);
      const Bytes file = WriteBytes(pic);
      const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
      // Armed for the next allocation: if the call allocates nothing, the
      // small picture afterwards meets the failure.
      FailAllocation(1);
      EXPECT_EQ(Decode(file).result, c.result);
      if (CanCountBlocks()) {
        EXPECT_EQ(LiveBlocks(), before);
        EXPECT_EQ(Decode(small).result, plugin::kNoMemory);
      }
      FailAllocation(0);
    }
  }
}

// The format code alone decides how a direct-colour or DXT picture is read
// and reduced: whatever bits_per_pixel says, the DIB is the one its usual
// depth gives. (Indexed pictures are refused unless it is 4 or 8, with
// the picture information's bit-depth rule.)
TEST(DecodeMalformed, BitsPerPixelDoesNotChangeADirectColourPicture) {
  for (std::uint16_t format : {0, 1, 2, 3, 8, 10}) {
    for (bool be : {false, true}) {
      fixture::Picture pic = Picture(format, 8, 4, be);
      const Decoded usual = Decode(WriteBytes(pic));
      ASSERT_EQ(usual.result, plugin::kSuccess);
      for (std::uint16_t bits : {1, 4, 8, 16, 24, 32, 99}) {
        SCOPED_TRACE(::testing::Message() << "format " << format << (be ? " big-endian" : "")
                                          << " bits_per_pixel " << bits);
        pic.bits_per_pixel = bits;
        const Decoded d = Decode(WriteBytes(pic));
        ASSERT_EQ(d.result, plugin::kSuccess);
        EXPECT_EQ(d.header, usual.header);
        EXPECT_EQ(d.bits, usual.bits);
      }
    }
  }
}

// Stored data that cannot supply the picture's pixels: a pixel order that is
// neither normal nor swizzled, or a little-endian DXT picture whose
// pixels_end announces fewer blocks than decoding reads (the padded width's
// blocks times the block rows). GetPicture refuses such a picture before
// allocating anything; GetPictureInfo still gives its size.
TEST(DecodeMalformed, PicturesWhoseDataCannotSupplyThePixelsAreRefused) {
  struct Case {
    const char* what;
    std::uint16_t format, width, height, order;
    bool big_endian;
    std::int64_t units;  // little-endian DXT: units pixels_end announces; -1 as written
  };
  const Case cases[] = {
      {"pixel order 2", fixture::kRgba8888, 9, 3, 2, false, -1},
      {"pixel order 7", fixture::kRgba5551, 9, 3, 7, true, -1},
      {"pixel order 0xFFFF", fixture::kIndex4, 9, 3, 0xFFFF, false, -1},
      {"pixel order 2", fixture::kIndex8, 9, 3, 2, true, -1},
      {"pixel order 3", fixture::kDxt5, 8, 8, 3, false, -1},
      {"pixel order 2", fixture::kDxt1, 8, 8, 2, true, -1},
      // 8 x 4 DXT3: two blocks, two units.
      {"no unit", fixture::kDxt3, 8, 4, 0, false, 0},
      {"one unit of two", fixture::kDxt3, 8, 4, 0, false, 1},
      // 4 x 4 DXT1 pads to 8: two blocks, one unit.
      {"no unit", fixture::kDxt1, 4, 4, 0, false, 0},
      // 8 x 12 DXT5_EXT: 2 x 3 blocks; swizzled, the same blocks are read.
      {"five units of six", fixture::kDxt5Ext, 8, 12, 1, false, 5},
      {"five units of six", fixture::kDxt5, 8, 12, 0, false, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.what << ", format " << c.format << " "
                                      << Order(c.big_endian));
    fixture::Picture pic = Picture(c.format, c.width, c.height, c.big_endian, 0);
    pic.pixel_order = c.order;
    fixture::File f = fixture::Write(pic);
    if (c.units >= 0) {
      const std::size_t header = f.layout.image + 16;
      const std::uint32_t start = U32(f.bytes, header + 28);
      fixture::PutU32(f.bytes, header + 32, start + 16 * static_cast<std::uint32_t>(c.units),
                      false);
    }

    const InfoCall info = InfoFromMemory(f.bytes);
    ASSERT_EQ(info.result, plugin::kSuccess);
    EXPECT_EQ(info.info.width, c.width);
    EXPECT_EQ(info.info.height, c.height);

    const std::uint32_t before = CanCountBlocks() ? LiveBlocks() : 0;
    Handle header = Sentinel();
    Handle bits = Sentinel();
    const std::int32_t result = Plugin().get_picture(Chars(f.bytes), Size(f.bytes), 1, &header,
                                                     &bits, nullptr, 0);
    EXPECT_EQ(result, plugin::kUnsupported);
    EXPECT_EQ(header, Sentinel());
    EXPECT_EQ(bits, Sentinel());
    if (CanCountBlocks()) EXPECT_EQ(LiveBlocks(), before);
  }
}

// A picture 0 wide or 0 high has no pixels, and a 0-wide DIB is no bitmap:
// it is refused with nothing allocated, while its headers still give its
// size.
TEST(DecodeMalformed, EmptyPictureIsRefusedWithNothingAllocated) {
  struct Case {
    std::uint16_t format, width, height;
  };
  const Case cases[] = {
      {fixture::kRgba8888, 0, 5}, {fixture::kRgba8888, 5, 0}, {fixture::kRgba5650, 0, 0},
      {fixture::kIndex8, 0, 3},   {fixture::kIndex4, 7, 0},
  };
  for (const Case& c : cases) {
    for (bool order1 : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "format " << c.format << " " << c.width << " x "
                                        << c.height << (order1 ? " swizzled" : ""));
      fixture::Picture pic = Picture(c.format, c.width, c.height, false, order1 ? 1 : 0);
      Handle header{};
      Handle bits{};
      const Bytes file = WriteBytes(pic);
      EXPECT_EQ(Plugin().get_picture(Chars(file), Size(file), 1, &header, &bits, nullptr, 0),
                plugin::kUnsupported);
      EXPECT_EQ(header, Handle{});
      EXPECT_EQ(bits, Handle{});
    }
  }
}

}  // namespace
}  // namespace tovak::test
