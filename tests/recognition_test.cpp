// Recognition of GIM data: magic, signature bytes, the root and picture
// blocks, the block walk to the image block and its format code, in both
// byte orders, through IsSupported (a pointer to the head of a file) and
// GetPictureInfo (the whole data in memory).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

// image_format, from the image block's start.
constexpr std::size_t kFormatField = 20;

fixture::File Gim(bool be, std::uint16_t format = fixture::kRgba8888) {
  return fixture::Write(PictureOf(be, format));
}

fixture::File WithSignature(bool be, const std::string& signature) {
  fixture::Picture pic = PictureOf(be, fixture::kRgba8888);
  pic.signature = signature;
  return fixture::Write(pic);
}

// Chains `count` 16-byte blocks of ids other than 4 (image) and 5 (palette)
// between the picture block and the image block.
void InsertFillers(fixture::File& f, bool be, int count) {
  static const std::uint16_t kIds[] = {1, 6, 7, 0x0400, 0x0500, 0xFE, 3, 2, 0x100, 0xFFFF};
  for (int i = 0; i < count; ++i) InsertBlock(f, be, kIds[i % 10], 16, 16);
}

// IsSupported given a pointer to the head of the data.
bool SupportedByPointer(const Bytes& bytes) { return IsSupportedPointer(bytes) == 1; }

bool Recognised(const Bytes& bytes) {
  const InfoCall call = InfoFromMemory(bytes);
  EXPECT_TRUE(call.result == plugin::kSuccess || call.result == plugin::kUnsupported)
      << "result " << call.result;
  return call.result == plugin::kSuccess;
}

// The info text of an RGBA8888 picture, with a palette line when asked.
std::string FormatText(bool be, bool palette_line = false) {
  return FormatSection(be, "normal", "3") + (palette_line ? Lines({"palette_format: 3"}) : "");
}

TEST(Recognition, AcceptedFormatsInBothByteOrders) {
  const std::uint16_t kAccepted[] = {0, 1, 2, 3, 4, 5, 8, 9, 10, 0x108, 0x109, 0x10A};
  for (bool be : {false, true}) {
    for (std::uint16_t format : kAccepted) {
      SCOPED_TRACE(std::string(Order(be)) + " format " + std::to_string(format));
      const fixture::File f = Gim(be, format);
      EXPECT_TRUE(SupportedByPointer(f.bytes));
      const InfoCall call = InfoFromMemory(f.bytes);
      EXPECT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.info.width, 4);
      EXPECT_EQ(call.info.height, 2);
      // The byte order found shows in the text's second line.
      EXPECT_NE(call.text.text.find(be ? "format_endian: big\r\n" : "format_endian: little\r\n"),
                std::string::npos);
    }
  }
}

TEST(Recognition, RefusedFormatsInBothByteOrders) {
  const std::uint16_t kRefused[] = {6, 7, 11, 263, 0x10B, 0xFFFF};
  for (bool be : {false, true}) {
    for (std::uint16_t format : kRefused) {
      SCOPED_TRACE(std::string(Order(be)) + " format " + std::to_string(format));
      const fixture::File f = Gim(be, format);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_EQ(InfoFromMemory(f.bytes).result, plugin::kUnsupported);
    }
  }
  // A format read in the wrong byte order: 0x0300 is no format, even though
  // its swapped value 3 would be.
  fixture::File f = Gim(false);
  fixture::PutU16(f.bytes, f.layout.image + kFormatField, 3, true);
  EXPECT_FALSE(SupportedByPointer(f.bytes));
  EXPECT_EQ(InfoFromMemory(f.bytes).result, plugin::kUnsupported);
}

TEST(Recognition, SignatureBytesLittleEndian) {
  const std::string kAccepted[] = {std::string("PSP\0", 4), std::string(4, '\0')};
  for (const std::string& s : kAccepted) {
    SCOPED_TRACE("accepted signature index " + std::to_string(&s - kAccepted));
    const fixture::File f = WithSignature(false, s);
    EXPECT_TRUE(SupportedByPointer(f.bytes));
    EXPECT_TRUE(Recognised(f.bytes));
  }
  const std::string kRefused[] = {
      std::string("\0PSP", 4),  // the big-endian signature
      std::string("PSP ", 4),  std::string("PSP\x01", 4), std::string("psp\0", 4),
      std::string("PSPP", 4),  std::string("XSP\0", 4),   std::string("\0\0\0\x01", 4),
      std::string("\x01\0\0\0", 4), std::string("P\0\0\0", 4),
  };
  for (const std::string& s : kRefused) {
    SCOPED_TRACE("refused signature index " + std::to_string(&s - kRefused));
    const fixture::File f = WithSignature(false, s);
    EXPECT_FALSE(SupportedByPointer(f.bytes));
    EXPECT_FALSE(Recognised(f.bytes));
  }
}

TEST(Recognition, SignatureBytesBigEndian) {
  const std::string kAccepted[] = {std::string("\0PSP", 4), std::string(4, '\0')};
  for (const std::string& s : kAccepted) {
    SCOPED_TRACE("accepted signature index " + std::to_string(&s - kAccepted));
    const fixture::File f = WithSignature(true, s);
    EXPECT_TRUE(SupportedByPointer(f.bytes));
    EXPECT_TRUE(Recognised(f.bytes));
  }
  const std::string kRefused[] = {
      std::string("PSP\0", 4),  // the little-endian signature
      std::string("\0psp", 4),  std::string("\x01PSP", 4), std::string(" PSP", 4),
      std::string("\0PSX", 4),  std::string("\0\0\0\x01", 4), std::string("\0\0\0P", 4),
  };
  for (const std::string& s : kRefused) {
    SCOPED_TRACE("refused signature index " + std::to_string(&s - kRefused));
    const fixture::File f = WithSignature(true, s);
    EXPECT_FALSE(SupportedByPointer(f.bytes));
    EXPECT_FALSE(Recognised(f.bytes));
  }
}

TEST(Recognition, MagicDecidesTheByteOrder) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    // Half of one magic and half of the other.
    for (const char* magic : {"MIG.1.00", ".GIM00.1", "MIG.00.2", ".GIM1.01", "mig.00.1",
                              "GIM.00.1", "\0\0\0\0\0\0\0\0"}) {
      SCOPED_TRACE(magic);
      fixture::File f = Gim(be);
      std::memcpy(f.bytes.data(), magic, 8);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    // The other variant's magic and signature on blocks written in this
    // order: the root block's id then reads 0x0200, not 2.
    fixture::File f = Gim(be);
    std::memcpy(f.bytes.data(), be ? "MIG.00.1PSP\0" : ".GIM1.00\0PSP", 12);
    EXPECT_FALSE(SupportedByPointer(f.bytes));
    EXPECT_FALSE(Recognised(f.bytes));
  }
}

TEST(Recognition, RootAndPictureBlockIds) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    for (std::uint16_t id : {0, 1, 3, 4, 0x0200, 0xFFFF}) {
      fixture::File f = Gim(be);
      fixture::PutU16(f.bytes, kRoot, id, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes)) << "root id " << id;
      EXPECT_FALSE(Recognised(f.bytes)) << "root id " << id;
    }
    for (std::uint16_t id : {0, 2, 4, 0x0300, 0xFFFF}) {
      fixture::File f = Gim(be);
      fixture::PutU16(f.bytes, kPicture, id, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes)) << "picture id " << id;
      EXPECT_FALSE(Recognised(f.bytes)) << "picture id " << id;
    }
  }
}

// The walk visits the root block, the picture block, the fillers and then
// the image block: with n fillers the image block is the (n + 3)-th visited.
TEST(Recognition, LittleEndianWalkVisitsTenBlocks) {
  for (int fillers = 0; fillers <= 9; ++fillers) {
    SCOPED_TRACE("image block visited as block " + std::to_string(fillers + 3));
    fixture::File f = Gim(false);
    InsertFillers(f, false, fillers);
    const bool expected = fillers + 3 <= 10;
    EXPECT_EQ(SupportedByPointer(f.bytes), expected);
    EXPECT_EQ(Recognised(f.bytes), expected);
  }
  // The palette block follows the image block; it is found only while it is
  // among the first ten blocks visited.
  for (int fillers : {6, 7}) {
    fixture::Picture pic = PictureOf(false, fixture::kRgba8888);
    pic.palette = fixture::Palette{fixture::kRgba8888, 2, Bytes(8, 0x22)};
    fixture::File f = fixture::Write(pic);
    InsertFillers(f, false, fillers);
    const InfoCall call = InfoFromMemory(f.bytes);
    ASSERT_EQ(call.result, plugin::kSuccess);
    EXPECT_EQ(call.text.text, FormatText(false, fillers + 4 <= 10)) << fillers << " fillers";
  }
}

TEST(Recognition, BigEndianWalkVisitsEightBlocks) {
  for (int fillers = 0; fillers <= 9; ++fillers) {
    SCOPED_TRACE("image block visited as block " + std::to_string(fillers + 3));
    fixture::File f = Gim(true);
    InsertFillers(f, true, fillers);
    const bool expected = fillers + 3 <= 8;
    EXPECT_EQ(SupportedByPointer(f.bytes), expected);
    EXPECT_EQ(Recognised(f.bytes), expected);
  }
  for (int fillers : {4, 5}) {
    fixture::Picture pic = PictureOf(true, fixture::kRgba8888);
    pic.palette = fixture::Palette{fixture::kRgba8888, 2, Bytes(8, 0x22)};
    fixture::File f = fixture::Write(pic);
    InsertFillers(f, true, fillers);
    const InfoCall call = InfoFromMemory(f.bytes);
    ASSERT_EQ(call.result, plugin::kSuccess);
    EXPECT_EQ(call.text.text, FormatText(true, fillers + 4 <= 8)) << fillers << " fillers";
  }
}

TEST(Recognition, RootSizeLimitsTheWalk) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const fixture::File base = Gim(be);
    const std::uint32_t image_from_root = static_cast<std::uint32_t>(base.layout.image - kRoot);
    ASSERT_EQ(image_from_root, 32u);
    for (std::uint32_t root_size : {0u, 16u, image_from_root - 1, image_from_root}) {
      fixture::File f = base;
      fixture::PutU32(f.bytes, kRoot + kBlockSize, root_size, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes)) << "root size " << root_size;
      EXPECT_FALSE(Recognised(f.bytes)) << "root size " << root_size;
    }
    // One byte more puts the image block's offset below the limit.
    fixture::File f = base;
    fixture::PutU32(f.bytes, kRoot + kBlockSize, image_from_root + 1, be);
    EXPECT_TRUE(SupportedByPointer(f.bytes));
    EXPECT_TRUE(Recognised(f.bytes));
  }
}

TEST(Recognition, StepLoopsEndTheWalk) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    {
      // The picture block leads back to itself.
      fixture::File f = Gim(be);
      fixture::PutU32(f.bytes, kPicture + kBlockStep, 0, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    {
      // The root block leads back to itself.
      fixture::File f = Gim(be);
      fixture::PutU32(f.bytes, kRoot + kBlockStep, 0, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    {
      // A block whose step, taken modulo 2^32, leads 16 bytes back to the
      // picture block: the two would alternate for ever.
      fixture::File f = Gim(be);
      InsertBlock(f, be, 7, 16, 0xFFFFFFF0u);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    {
      // The image block itself loops: it is found, and the palette and
      // file-info searches that start over the same blocks end too.
      fixture::Picture pic = PictureOf(be, fixture::kRgba8888);
      pic.palette = fixture::Palette{fixture::kRgba8888, 2, Bytes(8, 0x22)};
      pic.info_area = Bytes{'A', 0};
      fixture::File f = fixture::Write(pic);
      fixture::PutU32(f.bytes, f.layout.image + kBlockStep, 0, be);
      EXPECT_TRUE(SupportedByPointer(f.bytes));
      const InfoCall call = InfoFromMemory(f.bytes);
      EXPECT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.text.text, FormatText(be));
    }
  }
}

TEST(Recognition, LyingStepsAndSizes) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    {
      // A huge root size lets the walk go on; the next block lies far beyond
      // the data and is never read.
      fixture::File f = Gim(be);
      fixture::PutU32(f.bytes, kRoot + kBlockSize, 0xFFFFFFFFu, be);
      fixture::PutU32(f.bytes, kPicture + kBlockStep, 0x7FFFFFF0u, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    {
      fixture::File f = Gim(be);
      InsertBlock(f, be, 7, 16, 0xFFFFFF00u);
      fixture::PutU32(f.bytes, kRoot + kBlockSize, 0xFFFFFFFFu, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    {
      // A filler that claims a size and step of 2 GiB.
      fixture::File f = Gim(be);
      InsertBlock(f, be, 7, 16, 0x7FFFFFFFu);
      fixture::PutU32(f.bytes, 48 + kBlockSize, 0x7FFFFFFFu, be);
      EXPECT_FALSE(SupportedByPointer(f.bytes));
      EXPECT_FALSE(Recognised(f.bytes));
    }
    {
      // The image block is found; the walks for the palette and file-info
      // blocks then run past the end of the data and find nothing.
      fixture::File f = Gim(be);
      fixture::PutU32(f.bytes, kRoot + kBlockSize, 0xFFFFFFFFu, be);
      EXPECT_TRUE(SupportedByPointer(f.bytes));
      const InfoCall call = InfoFromMemory(f.bytes);
      EXPECT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.text.text, FormatText(be));
    }
    {
      // A real palette block that the image block's step jumps over.
      fixture::Picture pic = PictureOf(be, fixture::kRgba8888);
      pic.palette = fixture::Palette{fixture::kRgba8888, 2, Bytes(8, 0x22)};
      fixture::File f = fixture::Write(pic);
      fixture::PutU32(f.bytes, f.layout.image + kBlockStep, 0xFFFFFF00u, be);
      fixture::PutU32(f.bytes, f.layout.image + kBlockSize, 0xFFFFFF00u, be);
      EXPECT_TRUE(SupportedByPointer(f.bytes));
      const InfoCall call = InfoFromMemory(f.bytes);
      EXPECT_EQ(call.result, plugin::kSuccess);
      EXPECT_EQ(call.text.text, FormatText(be));
    }
  }
}

TEST(Recognition, TruncatedInputIsRefused) {
  // The image block starts at 48; the last field GetPictureInfo needs is its
  // bits_per_pixel at block offset 28, so 78 bytes hold every field read.
  constexpr std::size_t kNeeded = 48 + 28 + 2;
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    const fixture::File f = Gim(be);
    ASSERT_EQ(f.layout.image, 48u);
    ASSERT_GT(f.bytes.size(), kNeeded);
    for (std::size_t len = 1; len < kNeeded; ++len) {
      EXPECT_EQ(InfoFromMemory(f.bytes, len).result, plugin::kUnsupported) << "len " << len;
    }
    const InfoCall shortest = InfoFromMemory(f.bytes, kNeeded);
    EXPECT_EQ(shortest.result, plugin::kSuccess);
    EXPECT_EQ(shortest.info.width, 4);
    EXPECT_EQ(shortest.info.height, 2);
    EXPECT_EQ(shortest.info.bitDepth, 24);
    EXPECT_EQ(shortest.text.text, FormatText(be));
    EXPECT_EQ(InfoFromMemory(f.bytes).result, plugin::kSuccess);
  }
}

TEST(Recognition, PointerExaminesTwoThousandBytes) {
  for (bool be : {false, true}) {
    SCOPED_TRACE(Order(be));
    // A block of 1930 bytes puts the image block at 1978: its header ends at
    // 1994 and its format field at 1998 + 2 = 2000, the last bytes examined.
    fixture::File inside = Gim(be);
    InsertBlock(inside, be, 7, 1930, 1930);
    ASSERT_EQ(inside.layout.image, 1978u);
    EXPECT_TRUE(SupportedByPointer(inside.bytes));
    EXPECT_TRUE(Recognised(inside.bytes));

    // Two bytes further the format field starts at byte 2000: the pointer
    // holds too little, the whole data in memory is enough.
    fixture::File outside = Gim(be);
    InsertBlock(outside, be, 7, 1932, 1932);
    ASSERT_EQ(outside.layout.image, 1980u);
    EXPECT_FALSE(SupportedByPointer(outside.bytes));
    EXPECT_TRUE(Recognised(outside.bytes));

    // The image block's header itself crossing byte 2000.
    fixture::File across = Gim(be);
    InsertBlock(across, be, 7, 1944, 1944);
    EXPECT_FALSE(SupportedByPointer(across.bytes));
    EXPECT_TRUE(Recognised(across.bytes));
  }
}

}  // namespace
}  // namespace tovak::test
