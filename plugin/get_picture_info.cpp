// GetPictureInfo and GetPictureInfoW: the picture's size and DIB depth, and
// the info text block.
#include "gim/container.h"
#include "gim/picture_info.h"
#include "plugin/host_api.h"
#include "plugin/input.h"
#include "plugin/local_block.h"

using namespace tovak;

namespace {

// The text goes to the host in a moveable block one byte longer than the
// text, that byte being zero. Without memory the record still stands, with
// no text.
platform::LocalHandle MakeInfoText(const gim::Reader& reader, const gim::Blocks& blocks) {
  const std::uint64_t length = gim::ComposeInfoText(reader, blocks, nullptr, 0);
  if (length == 0) return platform::LocalHandle{};
  plugin::LocalBlock block;
  if (!block.Allocate(length + 1)) return platform::LocalHandle{};
  gim::ComposeInfoText(reader, blocks, reinterpret_cast<char*>(block.data()), length);
  return block.UnlockAndRelease();
}

// One copy for both families of exports, not one inlined into each.
[[gnu::noinline]]
std::int32_t PictureInfoOf(plugin::HostBuffer buf, plugin::LongPtr len, std::uint32_t flag,
                           plugin::PictureInfo* info) {
  if (info == nullptr) return plugin::kUnsupported;
  plugin::Input input;
  // A loaded file is followed by a zero byte, as hosts have always seen it.
  const std::int32_t loaded = plugin::LoadInput(buf, len, flag, true, input);
  if (loaded != plugin::kSuccess) return loaded;

  const gim::Recognition recognition = gim::Recognise(input.view);
  if (!recognition.recognised) return plugin::kUnsupported;
  const gim::Reader reader{input.view, recognition.big_endian};
  gim::PictureSummary summary;
  if (!gim::Summarise(reader, recognition.blocks, summary)) return plugin::kUnsupported;

  plugin::PictureInfo record{};
  record.width = summary.width;
  record.height = summary.height;
  record.bitDepth = summary.bit_depth;
  *info = record;
  info->infoText = MakeInfoText(reader, gim::FindBlocks(reader, gim::BlockSearch::kWithFileInfo));
  return plugin::kSuccess;
}

}  // namespace

extern "C" std::int32_t TOVAK_STDCALL GetPictureInfo(const char* buf, plugin::LongPtr len,
                                                     std::uint32_t flag,
                                                     plugin::PictureInfo* info) {
  return PictureInfoOf({buf, false}, len, flag, info);
}

extern "C" std::int32_t TOVAK_STDCALL GetPictureInfoW(const char16_t* buf, plugin::LongPtr len,
                                                      std::uint32_t flag,
                                                      plugin::PictureInfo* info) {
  return PictureInfoOf({buf, true}, len, flag, info);
}
