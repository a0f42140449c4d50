// tovak encode --like: a folder of originals of every format, byte order,
// pixel order and palette format (full palettes, short ones, a duplicate
// entry, a file-info block), converted to PNG and put back like them; the
// real samples; an edited texture back to INDEX8 and INDEX4 with the
// original palette and with a new one; originals missing from a folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "fixture/gim_writer.h"
#include "support/random.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;
using Bytes = CliBytes;

std::string Lines(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

// What tovak info says of a file, but the file's name.
std::string Described(const fs::path& gim) {
  const std::string text = Lines(Tovak({"info", Utf8(gim)}).output);
  return text.substr(text.find('\n') + 1);
}

struct Case {
  const char* name;
  std::uint16_t format;
  std::uint16_t palette_format;
  std::uint16_t entries;  // 0: no palette
  bool info;              // a file-info block, written after the root block
};

constexpr Case kCases[] = {
    {"rgba5650", fixture::kRgba5650, 0, 0, false},
    {"rgba5551", fixture::kRgba5551, 0, 0, false},
    {"rgba4444", fixture::kRgba4444, 0, 0, false},
    {"rgba8888", fixture::kRgba8888, 0, 0, false},
    {"index4-8888", fixture::kIndex4, fixture::kRgba8888, 16, false},
    {"index4-5650", fixture::kIndex4, fixture::kRgba5650, 16, false},
    {"index4-5551", fixture::kIndex4, fixture::kRgba5551, 16, false},
    {"index4-4444", fixture::kIndex4, fixture::kRgba4444, 16, false},
    {"index4-8888-short", fixture::kIndex4, fixture::kRgba8888, 13, false},
    {"index8-8888", fixture::kIndex8, fixture::kRgba8888, 256, false},
    {"index8-5650", fixture::kIndex8, fixture::kRgba5650, 256, false},
    {"index8-5551", fixture::kIndex8, fixture::kRgba5551, 256, false},
    {"index8-4444", fixture::kIndex8, fixture::kRgba4444, 256, false},
    {"index8-4444-short", fixture::kIndex8, fixture::kRgba4444, 87, false},
    {"dxt1", fixture::kDxt1, 0, 0, false},
    {"dxt3", fixture::kDxt3, 0, 0, false},
    {"dxt5", fixture::kDxt5, 0, 0, false},
    {"index8-info", fixture::kIndex8, fixture::kRgba8888, 256, true},
    {"dxt5-info", fixture::kDxt5, 0, 0, true},
};

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// Random stored pixels, the rows' padding zero as tovak writes it; a
// palette of random entries, entry 1 repeating entry 0, its row padded with
// zero entries.
fixture::Picture Original(const Case& c, bool big_endian, bool swizzled, Random& random) {
  fixture::Picture p;
  p.big_endian = big_endian;
  p.format = c.format;
  p.pixel_order = swizzled ? 1 : 0;
  const bool dxt = c.format >= fixture::kDxt1;
  p.width = dxt ? 24 : 21;
  p.height = dxt ? 16 : 13;
  if (dxt) {
    p.pixels.resize(std::size_t{p.width} / 4 * p.height / 4 * (c.format == fixture::kDxt1 ? 8 : 16));
    for (std::uint8_t& b : p.pixels) b = random.Byte();
  } else {
    const std::size_t row = fixture::StoredRowBytes(c.format, p.width);
    const unsigned bits = fixture::UsualBitsPerPixel(c.format);
    Bytes plane(row * p.height, 0);
    for (std::size_t y = 0; y < p.height; ++y) {
      for (std::size_t x = 0; x < std::size_t{p.width} * bits / 8; ++x) plane[y * row + x] = random.Byte();
      // An odd INDEX4 row's last byte holds one pixel, in its low nibble.
      if (bits == 4 && p.width % 2 == 1) plane[y * row + p.width / 2] = random.Byte() & 15;
      if (c.entries != 0) {
        for (std::size_t x = 0; x < std::size_t{p.width} * bits / 8 + 1 && x < row; ++x) {
          if (bits == 8) plane[y * row + x] %= c.entries;
          if (bits == 4) plane[y * row + x] = static_cast<std::uint8_t>((plane[y * row + x] >> 4) % c.entries << 4 | (plane[y * row + x] & 15) % c.entries);
        }
        if (bits == 4) {
          for (std::size_t x = (p.width + 1) / 2; x < row; ++x) plane[y * row + x] = 0;
        }
      }
    }
    p.pixels = swizzled ? fixture::Swizzle(plane, row, p.height) : plane;
  }
  if (c.entries != 0) {
    const std::size_t entry_bytes = c.palette_format == fixture::kRgba8888 ? 4 : 2;
    const std::size_t padded = RoundUp(c.entries, entry_bytes == 4 ? 4 : 8);
    fixture::Palette palette{c.palette_format, c.entries, Bytes(padded * entry_bytes, 0)};
    for (std::size_t i = 0; i < c.entries * entry_bytes; ++i) palette.entries[i] = random.Byte();
    std::copy_n(palette.entries.begin(), entry_bytes, palette.entries.begin() + static_cast<std::ptrdiff_t>(entry_bytes));
    p.palette = palette;
  }
  if (c.info) p.info_area = Bytes{'a', '.', 'p', 'n', 'g', 0, 'm', 'e', 0, 'd', 'a', 'y', 0, 't', 0, 0};
  return p;
}

std::uint32_t U32(const Bytes& b, std::size_t at, bool be) {
  return be ? std::uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]
            : std::uint32_t{b[at + 3]} << 24 | b[at + 2] << 16 | b[at + 1] << 8 | b[at];
}

// Every original converted and put back like itself keeps its description
// (format, palette format, orders, file-info strings), pixels, stored plane
// and palette entries, the file-info block moved into the root block. Put
// back once, it is laid out as tovak lays out files, and the next round
// trip gives back its every byte.
TEST(EncodeLike, UneditedRoundTripIsLossless) {
  const fs::path dir = TempDir();
  Random random;
  struct Made {
    std::string name;
    fixture::File file;
    bool big_endian;
    std::size_t plane_bytes, entry_bytes;
  };
  std::vector<Made> made;
  for (const Case& c : kCases) {
    for (const bool be : {false, true}) {
      for (const bool swz : {false, true}) {
        const fixture::Picture picture = Original(c, be, swz, random);
        Made m{std::string(c.name) + "/" + c.name + (be ? "-be" : "-le") + (swz ? "-swizzled" : "-normal"),
               fixture::Write(picture), be, picture.pixels.size(),
               picture.palette ? std::size_t{picture.palette->count} * (c.palette_format == fixture::kRgba8888 ? 4 : 2) : 0};
        fs::create_directories(dir / "gim" / c.name);
        Store(dir / "gim", m.name + ".gim", m.file.bytes);
        made.push_back(m);
      }
    }
  }
  const std::vector<std::string> steps = {"gim", "png", "tovak", "png-tovak", "again", "png-again"};
  for (std::size_t s = 0; s + 2 < steps.size(); s += 2) {
    ASSERT_EQ(Tovak({"convert", Utf8(dir / steps[s]), "-o", Utf8(dir / steps[s + 1])}).exit_code, 0);
    const TovakRun run = Tovak({"encode", Utf8(dir / steps[s + 1]), "--like", Utf8(dir / steps[s]), "-o", Utf8(dir / steps[s + 2])});
    ASSERT_EQ(run.exit_code, 0) << run.output;
  }
  ASSERT_EQ(Tovak({"convert", Utf8(dir / "again"), "-o", Utf8(dir / "png-again")}).exit_code, 0);
  for (const Made& m : made) {
    SCOPED_TRACE(m.name);
    const Bytes tovak = ReadAll(dir / "tovak" / (m.name + ".gim"));
    EXPECT_EQ(Described(dir / "tovak" / (m.name + ".gim")), Described(dir / "gim" / (m.name + ".gim")));
    EXPECT_EQ(ReadAll(dir / "png-tovak" / (m.name + ".png")), ReadAll(dir / "png" / (m.name + ".png")));
    // Blocks where real files have them: the picture's at the same places.
    ASSERT_GE(tovak.size(), m.file.layout.pixels + m.plane_bytes);
    EXPECT_TRUE(std::equal(tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.pixels),
                           tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.pixels + m.plane_bytes),
                           m.file.bytes.begin() + static_cast<std::ptrdiff_t>(m.file.layout.pixels)))
        << "stored plane";
    if (m.entry_bytes != 0) {
      ASSERT_GE(tovak.size(), m.file.layout.entries + m.entry_bytes);
      EXPECT_TRUE(std::equal(tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.entries),
                             tovak.begin() + static_cast<std::ptrdiff_t>(m.file.layout.entries + m.entry_bytes),
                             m.file.bytes.begin() + static_cast<std::ptrdiff_t>(m.file.layout.entries)))
          << "palette entries";
    }
    // The root block reaches the end of the file, a file-info block in it.
    EXPECT_EQ(U32(tovak, 20, m.big_endian), tovak.size() - 16);
    EXPECT_TRUE(ReadAll(dir / "again" / (m.name + ".gim")) == tovak) << "not byte for byte";
  }
}

TEST(EncodeLike, RealSamplesComeBackByteForByte) {
  const fs::path samples = fs::path(TOVAK_SAMPLES_DIR);
  if (!fs::exists(samples / "index8-64x64.gim")) GTEST_SKIP() << "no samples";
  const fs::path dir = TempDir();
  for (const char* name : {"index8-64x64", "index4-swizzled-64x32"}) {
    SCOPED_TRACE(name);
    const fs::path gim = samples / (std::string(name) + ".gim");
    ASSERT_EQ(Tovak({"convert", Utf8(gim), "-o", Utf8(dir / "png")}).exit_code, 0);
    const TovakRun run = Tovak({"encode", Utf8(dir / "png" / (std::string(name) + ".png")), "--like", Utf8(gim), "-o", Utf8(dir / "again")});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(ReadAll(dir / "again" / (std::string(name) + ".gim")) == ReadAll(gim));
  }
}

}  // namespace
}  // namespace tovak::test
