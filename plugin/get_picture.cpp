// GetPicture and GetPictureW: run the decoding driver between the host's
// progress calls and hand the header and bits blocks to the host.
#include "decode/dib.h"
#include "decode/driver.h"
#include "decode/plan.h"
#include "gim/container.h"
#include "plugin/host_api.h"
#include "plugin/input.h"
#include "plugin/local_block.h"
#include "plugin/settings.h"

using namespace tovak;

namespace {

bool StopRequested(plugin::ProgressCallback progress, std::int32_t numerator,
                   plugin::LongPtr user_data) {
  return progress != nullptr && progress(numerator, 1, user_data) != 0;
}

std::int32_t DecodePicture(const gim::Reader& reader, const gim::Blocks& blocks,
                           platform::LocalHandle* header_out,
                           platform::LocalHandle* bits_out,
                           plugin::ProgressCallback progress, plugin::LongPtr user_data) {
  if (StopRequested(progress, 0, user_data)) return plugin::kStopped;

  decode::PicturePlan plan;
  decode::DibShape shape;
  if (decode::ConfigurePicture(reader, blocks, plan) != decode::Failure::kNone) {
    return plugin::kUnsupported;
  }
  // A block no host could map is reported as the allocation it would be,
  // whatever the file holds.
  if (decode::ShapeDib(plan, shape) != decode::Failure::kNone) return plugin::kNoMemory;
  if (decode::LocatePixels(reader, plan) != decode::Failure::kNone) return plugin::kUnsupported;

  plugin::LocalBlock header;
  if (!header.Allocate(shape.header_block_bytes)) {
    *header_out = platform::LocalHandle{};
    return plugin::kNoMemory;
  }
  plugin::LocalBlock bits;
  if (!bits.Allocate(shape.bits_block_bytes)) {
    *header_out = platform::LocalHandle{};
    *bits_out = platform::LocalHandle{};
    return plugin::kNoMemory;
  }

  const decode::BlendSettings& settings = plugin::Settings();
  decode::WriteHeaderBlock(plan, shape, header.data(), settings);
  if (decode::WriteBitsBlock(plan, shape, bits.data(), settings) != decode::Failure::kNone) {
    return plugin::kUnsupported;
  }

  if (StopRequested(progress, 1, user_data)) {
    // The picture is complete: the host takes both blocks as they are.
    *header_out = header.Release();
    *bits_out = bits.Release();
    return plugin::kStopped;
  }
  *bits_out = bits.UnlockAndRelease();
  *header_out = header.UnlockAndRelease();
  return plugin::kSuccess;
}

// One copy for both families of exports, not one inlined into each.
[[gnu::noinline]]
std::int32_t PictureOf(plugin::HostBuffer buf, plugin::LongPtr len, std::uint32_t flag,
                       platform::LocalHandle* header_out, platform::LocalHandle* bits_out,
                       plugin::ProgressCallback progress, plugin::LongPtr user_data) {
  if (header_out == nullptr || bits_out == nullptr) return plugin::kUnsupported;
  plugin::Input input;
  const std::int32_t loaded = plugin::LoadInput(buf, len, flag, false, input);
  if (loaded != plugin::kSuccess) return loaded;

  const gim::Recognition recognition = gim::Recognise(input.view);
  if (!recognition.recognised) return plugin::kUnsupported;
  return DecodePicture(gim::Reader{input.view, recognition.big_endian}, recognition.blocks,
                       header_out,
                       bits_out, progress, user_data);
}

}  // namespace

extern "C" std::int32_t TOVAK_STDCALL GetPicture(const char* buf, plugin::LongPtr len,
                                                 std::uint32_t flag,
                                                 platform::LocalHandle* header_out,
                                                 platform::LocalHandle* bits_out,
                                                 plugin::ProgressCallback progress,
                                                 plugin::LongPtr user_data) {
  return PictureOf({buf, false}, len, flag, header_out, bits_out, progress, user_data);
}

extern "C" std::int32_t TOVAK_STDCALL GetPictureW(const char16_t* buf, plugin::LongPtr len,
                                                  std::uint32_t flag,
                                                  platform::LocalHandle* header_out,
                                                  platform::LocalHandle* bits_out,
                                                  plugin::ProgressCallback progress,
                                                  plugin::LongPtr user_data) {
  return PictureOf({buf, true}, len, flag, header_out, bits_out, progress, user_data);
}
