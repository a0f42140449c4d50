// Damaged input: every prefix and every single-byte change of small valid
// pictures, and a folder of files that must fail for a named reason. Whatever
// the bytes, GetPictureInfo and GetPicture answer 0, 2 or 4, read nothing
// beyond the bytes they are given (the memory images are exactly sized heap
// blocks, so AddressSanitizer sees any overread), never write the caller's
// memory, and leave nothing allocated beyond what a success hands over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "fixture/dxt_blocks.h"
#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

// What a host checks of a DIB it has been handed: a header it can read, a
// colour table the header block holds, and bits enough for biSizeImage.
std::string CheckDib(Handle header, Handle bits) {
  std::ostringstream problem;
  if (header == Handle{} || bits == Handle{}) return "a null handle after success";
  if (HostLockCount(header) != 0 || HostLockCount(bits) != 0) return "a block left locked";
  const std::uint64_t header_size = HostSize(header);
  const std::uint64_t bits_size = HostSize(bits);
  if (header_size < 40) return "header block shorter than a BITMAPINFOHEADER";
  const auto* h = static_cast<const std::uint8_t*>(HostLock(header));
  const std::uint32_t bi_size = U32(h);
  const auto width = static_cast<std::int32_t>(U32(h + 4));
  const auto height = static_cast<std::int32_t>(U32(h + 8));
  const std::uint16_t planes = U16(h + 12);
  const std::uint16_t bit_count = U16(h + 14);
  const std::uint32_t size_image = U32(h + 20);
  const std::uint32_t colours = U32(h + 32);
  HostUnlock(header);
  if (bi_size != 40 || planes != 1) {
    problem << "biSize " << bi_size << ", biPlanes " << planes;
  } else if (width < 0 || height < 0) {
    problem << "negative size " << width << " x " << height;
  } else if (size_image != DibStride(static_cast<std::uint64_t>(width), bit_count) *
                               static_cast<std::uint64_t>(height)) {
    problem << "biSizeImage " << size_image << " for " << width << " x " << height << " at "
            << bit_count << " bits";
  } else if (bits_size < size_image) {
    problem << "bits block of " << bits_size << " bytes for biSizeImage " << size_image;
  } else if (header_size < 40 + 4 * std::uint64_t{colours}) {
    problem << "header block of " << header_size << " bytes for " << colours << " colours";
  }
  return problem.str();
}

struct Outcome {
  std::int32_t info = -100;
  std::int32_t picture = -100;
  std::string problem;  // empty when every rule held
};

// Calls both exports on `input` in memory mode (an exactly sized heap copy)
// and frees what a success hands over.
Outcome CallInMemory(const Bytes& input) {
  Outcome out;
  const std::uint32_t live = CanCountBlocks() ? LiveBlocks() : 0;
  const Bytes copy(input.begin(), input.end());
  std::ostringstream problem;

  plugin::PictureInfo info{};
  out.info = Plugin().get_picture_info(Chars(copy), Size(copy), 1, &info);
  if (out.info == plugin::kSuccess && info.infoText != Handle{}) {
    if (HostLockCount(info.infoText) != 0) problem << "info text left locked; ";
    HostFree(info.infoText);
  }

  Handle header{};
  Handle bits{};
  out.picture = Plugin().get_picture(Chars(copy), Size(copy), 1, &header, &bits, nullptr, 0);
  if (out.picture == plugin::kSuccess) {
    const std::string dib = CheckDib(header, bits);
    if (!dib.empty()) problem << dib << "; ";
    if (header != Handle{}) HostFree(header);
    if (bits != Handle{}) HostFree(bits);
  }

  for (std::int32_t code : {out.info, out.picture}) {
    if (code != 0 && code != 2 && code != 4) problem << "result " << code << "; ";
  }
  if (copy != input) problem << "the caller's memory was written; ";
  if (CanCountBlocks() && LiveBlocks() != live) {
    problem << LiveBlocks() - live << " block(s) left alive; ";
  }
  out.problem = problem.str();
  return out;
}

struct Sample {
  std::string name;
  Bytes bytes;
};

// Stored pixels of an uncompressed sample: a byte pattern, in swizzled
// order if asked.
Bytes PatternPlane(std::uint16_t format, std::uint16_t width, std::uint16_t height,
                   std::uint16_t order) {
  const std::size_t row = fixture::StoredRowBytes(format, width);
  Bytes plane(row * height);
  for (std::size_t i = 0; i < plane.size(); ++i) {
    plane[i] = static_cast<std::uint8_t>(i * 37 + format * 11 + 5);
  }
  return order == 1 ? fixture::Swizzle(plane, row, height) : plane;
}

// Compressed blocks of a DXT sample, every mode present among them: DXT1
// blocks with c0 > c1 (four colours) and c0 <= c1 (three and transparent),
// DXT5 blocks with a0 > a1 (eight alphas) and a0 <= a1 (six, 0 and 255),
// and indices and DXT3 alphas that differ from texel to texel.
std::vector<fixture::Block> SampleBlocks(std::size_t count, std::uint16_t format) {
  std::vector<fixture::Block> blocks(count);
  for (std::size_t k = 0; k < count; ++k) {
    fixture::Block& b = blocks[k];
    const auto high = static_cast<std::uint16_t>(0xF81F - 0x0841 * k - format);
    const auto low = static_cast<std::uint16_t>(0x07E0 + 0x1003 * k);
    b.colour.c0 = k % 2 == 0 ? high : low;
    b.colour.c1 = k % 2 == 0 ? low : high;
    b.dxt5.a0 = static_cast<std::uint8_t>(k % 2 == 0 ? 0xE0 - 16 * k : 0x10 + 8 * k);
    b.dxt5.a1 = static_cast<std::uint8_t>(k % 2 == 0 ? 0x20 + 8 * k : 0xC0 - 16 * k);
    for (std::size_t i = 0; i < 16; ++i) {
      b.colour.index[i] = static_cast<std::uint8_t>((i + k * 3 + i / 4) % 4);
      b.dxt3.alpha[i] = static_cast<std::uint8_t>((i * 5 + k * 7) % 16);
      b.dxt5.index[i] = static_cast<std::uint8_t>((i * 3 + k) % 8);
    }
  }
  return blocks;
}

// Small pictures of every format that GetPicture decodes, in both byte
// orders and both pixel orders, each with a palette block and a file-info
// block, so that every structure a reader walks is present.
//
// The uncompressed ones are 8 x 4. The DXT ones are 6 x 5, so that rows are
// padded (to 8 pixels), the second block row is cut short and, swizzled,
// the one tile row is partly outside the picture: 2 x 2 blocks, 32 bytes in
// DXT1 and 64 in DXT3 and DXT5, in the block order of the file's byte order.
// Each DXT kind takes its base code little-endian normal and big-endian
// swizzled, and its _EXT code (base + 0x100) in the other two, so each code
// meets both byte orders and both pixel orders without doubling the sweeps.
std::vector<Sample> Samples() {
  const std::uint16_t formats[] = {fixture::kRgba5650, fixture::kRgba5551, fixture::kRgba4444,
                                   fixture::kRgba8888, fixture::kIndex4,   fixture::kIndex8,
                                   fixture::kDxt1,     fixture::kDxt3,     fixture::kDxt5};
  const std::uint16_t palette_formats[] = {fixture::kRgba5650, fixture::kRgba5551,
                                           fixture::kRgba4444, fixture::kRgba8888};
  std::vector<Sample> samples;
  int n = 0;
  for (std::uint16_t format : formats) {
    for (bool big_endian : {false, true}) {
      for (std::uint16_t order : {std::uint16_t{0}, std::uint16_t{1}}) {
        fixture::Picture pic;
        pic.big_endian = big_endian;
        pic.format = format;
        pic.pixel_order = order;
        if (format >= fixture::kDxt1) {
          if (big_endian != (order == 1)) pic.format = static_cast<std::uint16_t>(format + 0x100);
          pic.width = 6;
          pic.height = 5;
          pic.pixels = fixture::DxtBytes(pic.format, SampleBlocks(4, pic.format), !big_endian);
        } else {
          pic.width = 8;
          pic.height = 4;
          pic.pixels = PatternPlane(format, pic.width, pic.height, order);
        }
        const std::uint16_t palette_format = palette_formats[n % 4];
        const std::size_t entry_bytes = palette_format <= fixture::kRgba4444 ? 2 : 4;
        Bytes entries(16 * entry_bytes);
        for (std::size_t i = 0; i < entries.size(); ++i) {
          entries[i] = static_cast<std::uint8_t>(i * 29 + 3);
        }
        pic.palette = fixture::Palette{palette_format, 16, entries};
        pic.info_area = Bytes{'\0', 'A', 'b', '\0', 'C', 'd', 'e', '\0', '\0'};
        std::ostringstream name;
        name << "format 0x" << std::hex << pic.format << std::dec
             << (big_endian ? " big-endian" : " little-endian")
             << (order == 1 ? " swizzled" : " normal");
        samples.push_back({name.str(), fixture::Write(pic).bytes});
        ++n;
      }
    }
  }
  return samples;
}

// Reports the first few problems in full and counts the rest.
class ProblemLog {
 public:
  void Note(const std::string& what, const Outcome& outcome) {
    if (outcome.problem.empty()) return;
    if (++count_ <= 20) ADD_FAILURE() << what << ": " << outcome.problem;
  }
  int count() const { return count_; }

 private:
  int count_ = 0;
};

TEST(Robustness, UndamagedSamplesDecode) {
  for (const Sample& sample : Samples()) {
    const Outcome outcome = CallInMemory(sample.bytes);
    EXPECT_EQ(outcome.info, plugin::kSuccess) << sample.name;
    EXPECT_EQ(outcome.picture, plugin::kSuccess) << sample.name;
    EXPECT_EQ(outcome.problem, "") << sample.name;
  }
}

TEST(Robustness, EveryPrefixIsAnsweredWithoutOverreadOrLeak) {
  ProblemLog log;
  std::size_t calls = 0;
  for (const Sample& sample : Samples()) {
    for (std::size_t length = 0; length < sample.bytes.size(); ++length) {
      const Bytes prefix(sample.bytes.begin(),
                         sample.bytes.begin() + static_cast<std::ptrdiff_t>(length));
      const Outcome outcome = CallInMemory(prefix);
      ++calls;
      log.Note(sample.name + ", first " + std::to_string(length) + " bytes", outcome);
      // Cut before the image format field (image block at 48, field at
      // block offset 20), nothing is recognised.
      if (length < 70 && (outcome.info != plugin::kUnsupported ||
                          outcome.picture != plugin::kUnsupported)) {
        ADD_FAILURE() << sample.name << ", first " << length << " bytes: results "
                      << outcome.info << ", " << outcome.picture << " instead of 2";
      }
    }
  }
  EXPECT_EQ(log.count(), 0) << "problems in " << calls << " prefixes";
}

TEST(Robustness, EverySingleByteChangeIsAnsweredWithoutOverreadOrLeak) {
  ProblemLog log;
  std::size_t calls = 0;
  for (const Sample& sample : Samples()) {
    Bytes damaged = sample.bytes;
    for (std::size_t at = 0; at < damaged.size(); ++at) {
      const std::uint8_t original = damaged[at];
      for (int change = 0; change < 3; ++change) {
        const std::uint8_t value =
            change == 0 ? static_cast<std::uint8_t>(original ^ 0xFF) : change == 1 ? 0x00 : 0xFF;
        damaged[at] = value;
        const Outcome outcome = CallInMemory(damaged);
        ++calls;
        log.Note(sample.name + ", byte " + std::to_string(at) + " set to " +
                     std::to_string(value),
                 outcome);
      }
      damaged[at] = original;
    }
  }
  EXPECT_EQ(log.count(), 0) << "problems in " << calls << " changed files";
}

// A bad input's expected results, from its name: "<reason>.<code>.gim" when
// both exports give <code>, "<reason>.<info>.<picture>.gim" when
// GetPictureInfo, which decodes no pixels, gives <info> and GetPicture
// gives <picture>.
struct Expectation {
  std::int32_t info = -1;
  std::int32_t picture = -1;
};

bool ParseName(const std::string& file_name, Expectation& out) {
  std::vector<std::string> parts;
  std::stringstream stream(file_name);
  for (std::string part; std::getline(stream, part, '.');) parts.push_back(part);
  if (parts.size() < 3 || parts.back() != "gim") return false;
  const auto code = [](const std::string& s, std::int32_t& value) {
    if (s.size() != 1 || s[0] < '0' || s[0] > '9') return false;
    value = s[0] - '0';
    return true;
  };
  if (parts.size() >= 4 && code(parts[parts.size() - 3], out.info)) {
    return code(parts[parts.size() - 2], out.picture);
  }
  if (!code(parts[parts.size() - 2], out.picture)) return false;
  out.info = out.picture;
  return true;
}

std::filesystem::path BadInputsDir() { return TOVAK_BAD_INPUTS_DIR; }

TEST(Robustness, EveryBadInputFailsWithTheCodeItsNameGives) {
  const std::filesystem::path dir = BadInputsDir();
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  std::ifstream readme_file(dir / "README.md");
  const std::string readme((std::istreambuf_iterator<char>(readme_file)),
                           std::istreambuf_iterator<char>());

  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() == ".gim") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_GE(files.size(), 20u);

  for (const auto& path : files) {
    const std::string name = path.filename().string();
    SCOPED_TRACE(name);
    Expectation want;
    ASSERT_TRUE(ParseName(name, want)) << "the name gives no expected result";
    EXPECT_NE(readme.find(name), std::string::npos) << "README.md does not list it";
    EXPECT_LT(std::filesystem::file_size(path), 1024u);
    const Bytes bytes = ReadAll(path);

    const Outcome memory = CallInMemory(bytes);
    EXPECT_EQ(memory.info, want.info) << "GetPictureInfo, memory mode";
    EXPECT_EQ(memory.picture, want.picture) << "GetPicture, memory mode";
    EXPECT_EQ(memory.problem, "") << "memory mode";

    const std::uint32_t live = CanCountBlocks() ? LiveBlocks() : 0;
    const std::string file_name = path.string();
    plugin::PictureInfo info{};
    EXPECT_EQ(Plugin().get_picture_info(file_name.c_str(), 0, 0, &info), want.info)
        << "GetPictureInfo, file mode";
    if (want.info == plugin::kSuccess && info.infoText != Handle{}) HostFree(info.infoText);
    Handle header{};
    Handle bits{};
    const std::int32_t picture =
        Plugin().get_picture(file_name.c_str(), 0, 0, &header, &bits, nullptr, 0);
    EXPECT_EQ(picture, want.picture) << "GetPicture, file mode";
    if (picture == plugin::kSuccess) {
      HostFree(header);
      HostFree(bits);
    }
    if (CanCountBlocks()) {
      EXPECT_EQ(LiveBlocks(), live) << "file mode left blocks alive";
    }
  }
}

}  // namespace
}  // namespace tovak::test
