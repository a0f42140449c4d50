// libFuzzer target: any bytes, as a host's memory image, through
// GetPictureInfo and GetPicture over the POSIX stand-in. Besides the
// sanitizers it checks what a host relies on: a known result code, the
// caller's memory untouched, unlocked blocks that hold what their headers
// announce, a zero-terminated info text, and nothing left allocated after
// the host frees what it was handed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "decode/dib.h"
#include "decode/plan.h"
#include "gim/container.h"
#include "plugin/host_api.h"
#include "plugin/posix_standin.h"

namespace {

using tovak::platform::LocalHandle;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "get_picture_fuzz: %s\n", what);
  std::abort();
}

std::uint32_t U32At(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// Pictures whose bits block would exceed this are not decoded: the bits
// block allocation is made to fail instead. Filling blocks of up to 2 GB
// would slow the fuzzer to a crawl and trip its memory limit without
// exercising any code that a smaller picture does not.
constexpr std::uint64_t kLargestDecodedBlock = std::uint64_t{1} << 18;

bool IsLarge(const std::uint8_t* data, std::size_t size) {
  const tovak::gim::ByteView view{data, size};
  const tovak::gim::Recognition recognition = tovak::gim::Recognise(view);
  if (!recognition.recognised) return false;
  tovak::decode::PicturePlan plan;
  tovak::decode::DibShape shape;
  return tovak::decode::PlanPicture(tovak::gim::Reader{view, recognition.big_endian},
                                    recognition.blocks, plan) == tovak::decode::Failure::kNone &&
         tovak::decode::ShapeDib(plan, shape) == tovak::decode::Failure::kNone &&
         shape.bits_block_bytes > kLargestDecodedBlock;
}

bool KnownResult(std::int32_t code) {
  return code == tovak::plugin::kSuccess || code == tovak::plugin::kUnsupported ||
         code == tovak::plugin::kNoMemory;
}

void CheckAndFreeInfoText(LocalHandle text) {
  if (text == LocalHandle{}) return;
  Require(tovak::standin::LockCount(text) == 0, "info text left locked");
  const std::uint64_t size = tovak::standin::BlockSize(text);
  const auto* p = static_cast<const char*>(tovak::platform::Lock(text));
  Require(size >= 3 && p[size - 1] == '\0', "info text block does not end with its zero");
  Require(std::strlen(p) == size - 1, "info text block is not one byte longer than the text");
  Require(std::memcmp(p, "[Format]\r\n", 10) == 0, "info text does not start with [Format]");
  Require(p[size - 3] == '\r' && p[size - 2] == '\n', "info text's last line lacks CR LF");
  tovak::platform::Unlock(text);
  tovak::platform::Free(text);
}

void CheckAndFreeDib(LocalHandle header, LocalHandle bits, const tovak::plugin::PictureInfo& info) {
  Require(header != LocalHandle{} && bits != LocalHandle{}, "null handle after success");
  Require(tovak::standin::LockCount(header) == 0 && tovak::standin::LockCount(bits) == 0,
          "DIB block left locked");
  const std::uint64_t header_size = tovak::standin::BlockSize(header);
  const std::uint64_t bits_size = tovak::standin::BlockSize(bits);
  Require(header_size >= 40, "header block shorter than a BITMAPINFOHEADER");
  const auto* h = static_cast<const std::uint8_t*>(tovak::platform::Lock(header));
  const std::uint64_t width = U32At(h + 4);
  const std::uint64_t height = U32At(h + 8);
  const std::uint64_t bit_count = std::uint64_t{h[14]} | std::uint64_t{h[15]} << 8;
  const std::uint64_t size_image = U32At(h + 20);
  const std::uint64_t colours = U32At(h + 32);
  Require(U32At(h) == 40, "biSize is not 40");
  Require(width == static_cast<std::uint32_t>(info.width) &&
              height == static_cast<std::uint32_t>(info.height),
          "DIB size differs from what GetPictureInfo reported");
  Require(size_image == (width * bit_count + 31) / 32 * 4 * height,
          "biSizeImage is not stride x height");
  Require(bits_size >= size_image, "bits block smaller than biSizeImage");
  Require(header_size >= 40 + 4 * colours, "header block cannot hold biClrUsed entries");
  tovak::platform::Unlock(header);
  tovak::platform::Free(header);
  tovak::platform::Free(bits);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0x7FFFFFFF) return 0;
  // An exactly sized heap block, so that any read past the end is caught.
  const std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[size]);
  if (size != 0) std::memcpy(copy.get(), data, size);
  const char* buf = reinterpret_cast<const char*>(copy.get());
  const auto len = static_cast<std::int32_t>(size);
  const std::uint32_t live = tovak::standin::LiveBlocks();

  tovak::plugin::PictureInfo info{};
  const std::int32_t info_result = GetPictureInfo(buf, len, 1, &info);
  Require(KnownResult(info_result), "GetPictureInfo gave an unexpected result");
  if (info_result == tovak::plugin::kSuccess) CheckAndFreeInfoText(info.infoText);

  LocalHandle header{};
  LocalHandle bits{};
  // The header block is the first allocation of a memory-mode call, the bits
  // block the second.
  const bool large = IsLarge(copy.get(), size);
  if (large) tovak::standin::FailAllocation(2);
  const std::int32_t picture_result = GetPicture(buf, len, 1, &header, &bits, nullptr, 0);
  tovak::standin::FailAllocation(0);
  Require(KnownResult(picture_result), "GetPicture gave an unexpected result");
  Require(!large || picture_result == tovak::plugin::kNoMemory,
          "GetPicture did not report the failed bits block allocation");
  if (picture_result == tovak::plugin::kSuccess) {
    Require(info_result == tovak::plugin::kSuccess,
            "GetPicture decoded what GetPictureInfo refused");
    CheckAndFreeDib(header, bits, info);
  }

  Require(size == 0 || std::memcmp(copy.get(), data, size) == 0, "the caller's memory was written");
  Require(tovak::standin::LiveBlocks() == live, "blocks left alive");
  return 0;
}
