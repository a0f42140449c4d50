// GetPicture: runs the decoding driver between the host's progress calls and
// hands the header and bits blocks to the host.
#include "decode/driver.h"
#include "gim/container.h"
#include "plugin/host_api.h"
#include "plugin/input.h"
#include "plugin/local_block.h"
#include "plugin/settings.h"

using namespace tovak;

namespace {

bool StopRequested(plugin::ProgressCallback progress, std::int32_t numerator,
                   std::int32_t user_data) {
  return progress != nullptr && progress(numerator, 1, user_data) != 0;
}

std::int32_t DecodePicture(const gim::Reader& reader, platform::LocalHandle* header_out,
                           platform::LocalHandle* bits_out,
                           plugin::ProgressCallback progress, std::int32_t user_data) {
  if (StopRequested(progress, 0, user_data)) return plugin::kStopped;

  decode::PicturePlan plan;
  switch (decode::PlanPicture(reader, platform::kMaxBlockBytes, plan)) {
    case decode::PlanStatus::kReady: break;
    case decode::PlanStatus::kUnusable: return plugin::kUnsupported;
    case decode::PlanStatus::kTooLarge: return plugin::kNoMemory;
  }

  plugin::LocalBlock header;
  if (!header.Allocate(plan.header_block_bytes)) {
    *header_out = platform::LocalHandle{};
    return plugin::kNoMemory;
  }
  plugin::LocalBlock bits;
  if (!bits.Allocate(plan.bits_block_bytes)) {
    *header_out = platform::LocalHandle{};
    *bits_out = platform::LocalHandle{};
    return plugin::kNoMemory;
  }

  const decode::BlendSettings& settings = plugin::Settings();
  decode::WriteHeaderBlock(plan, header.data(), settings);
  decode::WriteBitsBlock(plan, bits.data(), settings);

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

}  // namespace

extern "C" std::int32_t TOVAK_STDCALL GetPicture(const char* buf, std::int32_t len,
                                                 std::uint32_t flag,
                                                 platform::LocalHandle* header_out,
                                                 platform::LocalHandle* bits_out,
                                                 plugin::ProgressCallback progress,
                                                 std::int32_t user_data) {
  if (header_out == nullptr || bits_out == nullptr) return plugin::kUnsupported;
  plugin::Input input;
  const std::int32_t loaded = plugin::LoadInput(buf, len, flag, false, input);
  if (loaded != plugin::kSuccess) return loaded;

  const gim::Recognition recognition = gim::Recognise(input.view);
  if (!recognition.recognised) return plugin::kUnsupported;
  return DecodePicture(gim::Reader{input.view, recognition.big_endian}, header_out,
                       bits_out, progress, user_data);
}
