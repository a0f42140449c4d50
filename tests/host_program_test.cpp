// gimhost.exe, the minimal viewer host, run as a separate process against
// the real tovak.spi: what it prints for a picture in each input mode, the
// .bmp file it writes (of a DXT picture too), and how it reports a file that
// is not a GIM picture.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fixture/dxt_blocks.h"
#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

namespace fs = std::filesystem;

struct HostRun {
  DWORD exit_code = 0xFFFFFFFF;
  std::vector<std::string> lines;  // stdout and stderr, CRs dropped

  bool HasLine(const std::string& line) const {
    for (const std::string& l : lines) {
      if (l == line) return true;
    }
    return false;
  }
  std::string Text() const {
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
  }
};

// Runs gimhost.exe with the arguments, its output going to `log`.
HostRun RunHost(const std::vector<std::string>& args, const fs::path& log) {
  HostRun run;
  const std::string exe = (ExeDir() / "gimhost.exe").string();
  std::string command = "\"" + exe + "\"";
  for (const std::string& arg : args) command += " \"" + arg + "\"";

  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out = CreateFileA(log.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot create " << log;
    return run;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  const BOOL started = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(out);
  if (!started) {
    ADD_FAILURE() << "cannot start " << command << " (error " << GetLastError() << ")";
    return run;
  }
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    ADD_FAILURE() << command << " did not end within a minute";
  }
  GetExitCodeProcess(process.hProcess, &run.exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  const Bytes bytes = ReadAll(log);
  std::string current;
  for (std::uint8_t c : bytes) {
    if (c == '\r') continue;
    if (c == '\n') {
      run.lines.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(c));
    }
  }
  if (!current.empty()) run.lines.push_back(current);
  return run;
}

constexpr std::uint16_t kWidth = 5;
constexpr std::uint16_t kHeight = 3;

// Opaque RGBA8888 pixels, different in every position: red from the column,
// green from the row, blue from both.
std::uint8_t Red(int x, int) { return static_cast<std::uint8_t>(0x20 + 0x30 * x); }
std::uint8_t Green(int, int y) { return static_cast<std::uint8_t>(0x11 + 0x40 * y); }
std::uint8_t Blue(int x, int y) { return static_cast<std::uint8_t>(0xF0 - 0x10 * x - 0x03 * y); }

Bytes Picture(bool big_endian) {
  fixture::Picture pic;
  pic.big_endian = big_endian;
  pic.format = fixture::kRgba8888;
  pic.width = kWidth;
  pic.height = kHeight;
  const std::size_t row = fixture::StoredRowBytes(pic.format, kWidth);
  pic.pixels.assign(row * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = &pic.pixels[y * row + 4 * x];
      p[0] = Red(x, y);
      p[1] = Green(x, y);
      p[2] = Blue(x, y);
      p[3] = 0xFF;
    }
  }
  pic.info_area = Bytes{'\0', 'h', 'o', 's', 't', ' ', 't', 'e', 's', 't', '\0', '\0'};
  return fixture::Write(pic).bytes;
}

// The .bmp file: BITMAPFILEHEADER, BITMAPINFOHEADER, then 24-bit rows
// bottom-up, each padded to whole 4-byte words.
void ExpectBitmap(const fs::path& path) {
  const Bytes bmp = ReadAll(path);
  ASSERT_GE(bmp.size(), 54u) << path;
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(U32(bmp, 2), bmp.size()) << "bfSize";
  const std::uint32_t bits_at = U32(bmp, 10);
  EXPECT_EQ(U32(bmp, 14), 40u) << "biSize";
  EXPECT_EQ(I32(bmp, 18), kWidth) << "biWidth";
  EXPECT_EQ(I32(bmp, 22), kHeight) << "biHeight, bottom-up";
  EXPECT_EQ(U16(bmp, 26), 1) << "biPlanes";
  EXPECT_EQ(U16(bmp, 28), 24) << "biBitCount";
  EXPECT_EQ(U32(bmp, 30), 0u) << "biCompression";
  const std::size_t stride = (kWidth * 3 + 3) / 4 * 4;  // 16
  ASSERT_GE(bmp.size(), bits_at + stride * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    const std::size_t row = bits_at + (kHeight - 1 - y) * stride;
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* p = &bmp[row + 3 * x];
      EXPECT_EQ(p[0], Blue(x, y)) << "blue at " << x << "," << y;
      EXPECT_EQ(p[1], Green(x, y)) << "green at " << x << "," << y;
      EXPECT_EQ(p[2], Red(x, y)) << "red at " << x << "," << y;
    }
  }
}

TEST(HostProgram, ConvertsAPictureInEveryInputMode) {
  const fs::path dir = TempDir();
  const std::string plugin = (ExeDir() / kPluginFile).string();
  const std::uint32_t junk = 37;  // odd on purpose: the GIM data is not aligned

  for (bool big_endian : {false, true}) {
    const Bytes gim = Picture(big_endian);
    const std::string order = big_endian ? "big" : "little";
    const fs::path plain = dir / (order + ".gim");
    WriteFile(plain, gim.data(), gim.size());
    Bytes prefixed(junk, 0xA5);
    prefixed.insert(prefixed.end(), gim.begin(), gim.end());
    const fs::path offset_file = dir / (order + "-after-junk.dat");
    WriteFile(offset_file, prefixed.data(), prefixed.size());

    struct Mode {
      const char* name;
      fs::path picture;
      std::vector<std::string> extra;
    };
    const Mode modes[] = {
        {"file", plain, {}},
        {"memory", plain, {"--memory"}},
        {"offset", offset_file, {"--offset", std::to_string(junk)}},
        {"offset-memory", offset_file, {"--offset", std::to_string(junk), "--memory"}},
    };
    for (const Mode& mode : modes) {
      SCOPED_TRACE(order + "-endian, " + mode.name);
      const fs::path bmp = dir / (order + "-" + mode.name + ".bmp");
      std::vector<std::string> args = {plugin, mode.picture.string(), bmp.string()};
      args.insert(args.end(), mode.extra.begin(), mode.extra.end());
      const HostRun run = RunHost(args, dir / (order + "-" + mode.name + ".log"));
      EXPECT_EQ(run.exit_code, 0u) << run.Text();
      for (const char* line : {"  info 0: 00IN", "  info 1: GIM to DIB filter ver.0.1a",
                               "  info 2: *.gim", "  info 3: PSX Image Format GIM (*.gim)"}) {
        EXPECT_TRUE(run.HasLine(line)) << "missing \"" << line << "\" in\n" << run.Text();
      }
      const std::vector<std::string> expected = {
          mode.picture.string() + ": supported",
          "size: 5 x 3",
          "bit depth: 24",
          "[Format]",
          "format_endian: " + order,
          "pixel_order: normal",
          "image_format: 3",
          "[Info]",
          "host test",
          "  progress 0/1",
          "  progress 1/1",
          "wrote " + bmp.string(),
      };
      for (const std::string& line : expected) {
        EXPECT_TRUE(run.HasLine(line)) << "missing \"" << line << "\" in\n" << run.Text();
      }
      ExpectBitmap(bmp);
    }
  }
}

TEST(HostProgram, ConvertsDxtPictures) {
  // A 5 x 3 picture: the first 4 x 4 block is red and the second green, so
  // columns 0-3 are red and column 4 green; the padded width is 8.
  const fs::path dir = TempDir();
  const std::vector<fixture::Block> blocks = {{fixture::Solid(0xF800, 0, 0), {}, {}},
                                              {fixture::Solid(0x07E0, 0, 0), {}, {}}};
  for (std::uint16_t format : {std::uint16_t{fixture::kDxt1}, std::uint16_t{fixture::kDxt5Ext}}) {
    for (bool big_endian : {false, true}) {
      std::vector<fixture::Block> opaque = blocks;
      for (fixture::Block& b : opaque) b.dxt5 = {255, 255, fixture::Fill(0)};
      fixture::Picture pic;
      pic.big_endian = big_endian;
      pic.format = format;
      pic.width = kWidth;
      pic.height = kHeight;
      pic.pixels = fixture::DxtBytes(format, opaque, !big_endian);
      const Bytes gim = fixture::Write(pic).bytes;
      const std::string name = std::to_string(format) + (big_endian ? "-big" : "-little");
      SCOPED_TRACE(name);
      const fs::path picture = dir / (name + ".gim");
      WriteFile(picture, gim.data(), gim.size());
      const fs::path bmp = dir / (name + ".bmp");
      const HostRun run = RunHost({(ExeDir() / kPluginFile).string(), picture.string(),
                                   bmp.string()}, dir / (name + ".log"));
      EXPECT_EQ(run.exit_code, 0u) << run.Text();
      EXPECT_TRUE(run.HasLine("bit depth: 24")) << run.Text();

      const Bytes file = ReadAll(bmp);
      ASSERT_GE(file.size(), 54u);
      EXPECT_EQ(I32(file, 18), kWidth);
      EXPECT_EQ(I32(file, 22), kHeight);
      EXPECT_EQ(U16(file, 28), 24);
      const std::size_t bits_at = U32(file, 10);
      const std::size_t stride = 16;  // 5 x 3 bytes in whole 4-byte words
      ASSERT_GE(file.size(), bits_at + stride * kHeight);
      for (std::size_t row = 0; row < kHeight; ++row) {
        for (std::size_t x = 0; x < kWidth; ++x) {
          const std::uint8_t* p = &file[bits_at + row * stride + 3 * x];
          const bool green = x == 4;
          EXPECT_EQ(p[0], 0) << "blue at " << x;
          EXPECT_EQ(p[1], green ? 255 : 0) << "green at " << x;
          EXPECT_EQ(p[2], green ? 0 : 255) << "red at " << x;
        }
      }
    }
  }
}

TEST(HostProgram, ReportsAFileThatIsNoGimPicture) {
  const fs::path dir = TempDir();
  const std::string text = "MIG. is how a GIM file starts, but this one is only text.\r\n";
  const fs::path picture = dir / "not-a-picture.gim";
  WriteFile(picture, text.data(), text.size());
  const fs::path bmp = dir / "never.bmp";
  for (bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory" : "file");
    std::vector<std::string> args = {(ExeDir() / kPluginFile).string(), picture.string(),
                                     bmp.string()};
    if (memory) args.push_back("--memory");
    const HostRun run = RunHost(args, dir / (memory ? "memory.log" : "file.log"));
    EXPECT_EQ(run.exit_code, 1u) << run.Text();
    EXPECT_TRUE(run.HasLine(picture.string() + ": not supported")) << run.Text();
    EXPECT_TRUE(run.HasLine("GetPictureInfo: result 2 (not a supported picture)")) << run.Text();
    EXPECT_FALSE(fs::exists(bmp));
  }
}

}  // namespace
}  // namespace tovak::test

#endif  // _WIN32
