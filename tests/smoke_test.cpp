#include <gtest/gtest.h>

#include "fixture/gim_writer.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

TEST(Smoke, RecognisesAWrittenPicture) {
  fixture::Picture pic;
  pic.format = fixture::kRgba8888;
  pic.width = 4;
  pic.height = 2;
  pic.pixels.assign(fixture::StoredRowBytes(pic.format, 4) * 2, 0x80);
  fixture::File file = fixture::Write(pic);
  plugin::PictureInfo info{};
  EXPECT_EQ(Plugin().get_picture_info(reinterpret_cast<const char*>(file.bytes.data()),
                                      static_cast<std::int32_t>(file.bytes.size()), 1, &info),
            0);
  EXPECT_EQ(info.width, 4);
  EXPECT_EQ(info.bitDepth, 24);
  HostFree(info.infoText);
}

}  // namespace
}  // namespace tovak::test
