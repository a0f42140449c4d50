// libFuzzer target: any bytes through the recogniser and, when recognised,
// the picture summary and the info text. Besides the sanitizers it checks
// that measuring and writing the text agree and that the text has the shape
// a host expects: the Format section first, every line ended by CR LF.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "gim/container.h"
#include "gim/picture_info.h"

namespace {

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "recognise_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exactly sized heap block, so that any read past the end is caught.
  const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
  if (size != 0) std::memcpy(copy.get(), data, size);
  const tovak::gim::ByteView view{copy.get(), size};

  const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
  if (!recognition.recognised) return 0;
  const tovak::gim::Reader reader{view, recognition.big_endian};

  const tovak::gim::Blocks blocks =
      tovak::gim::FindBlocks(reader, tovak::gim::BlockSearch::kWithFileInfo);
  tovak::gim::PictureSummary summary;
  tovak::gim::Summarise(reader, blocks, summary);
  for (std::uint64_t block : {blocks.image, blocks.palette, blocks.file_info}) {
    Require(block == 0 || view.Contains(block, tovak::gim::kBlockHeaderBytes),
            "a found block's header lies outside the input");
  }

  const std::uint64_t length = tovak::gim::ComposeInfoText(reader, blocks, nullptr, 0);
  // Each listed string of n bytes takes n + 1 bytes of input and n + 2 of
  // text; the Format section adds less than 256.
  Require(length <= 2 * std::uint64_t{size} + 256, "info text longer than the input can explain");
  const std::unique_ptr<char[]> text(new char[length]);
  Require(tovak::gim::ComposeInfoText(reader, blocks, text.get(), length) == length,
          "measured and written info text differ in length");
  if (length != 0) {
    Require(length >= 10 && std::memcmp(text.get(), "[Format]\r\n", 10) == 0,
            "info text does not start with [Format]");
    Require(text[length - 2] == '\r' && text[length - 1] == '\n',
            "info text's last line lacks CR LF");
  }
  Require(std::memcmp(copy.get(), data, size) == 0 || size == 0, "the input was written");
  return 0;
}
