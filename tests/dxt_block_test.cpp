// The block decoder gives the texels libsquish gives, byte for byte, over
// random blocks and the cases where the rules branch.
#include <gtest/gtest.h>
#include <squish.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "decode/dxt.h"

namespace tovak::test {
namespace {

using Block = std::array<std::uint8_t, 16>;

void ExpectSameAsSquish(gim::DxtKind kind, const Block& block) {
  decode::DxtBlocks source;
  source.kind = kind;
  source.blocks = block.data();
  std::uint8_t ours[64];
  decode::DecodeDxtBlock(source, 0, ours);
  std::uint8_t theirs[64];
  const int flags = kind == gim::DxtKind::kDxt1   ? squish::kDxt1
                    : kind == gim::DxtKind::kDxt3 ? squish::kDxt3
                                                  : squish::kDxt5;
  squish::Decompress(theirs, block.data(), flags);
  ASSERT_EQ(std::memcmp(ours, theirs, 64), 0)
      << "kind " << static_cast<int>(kind) << ", block bytes 0-3: " << int{block[0]} << " "
      << int{block[1]} << " " << int{block[2]} << " " << int{block[3]};
}

TEST(DxtBlock, TexelsAreLibsquishsForEveryBlock) {
  std::uint32_t state = 0x9E3779B9;
  const auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<std::uint8_t>(state >> 7);
  };
  // Colour endpoints at offset 0 (DXT1) or 8, alpha endpoints at 0 (DXT5).
  struct Special {
    std::size_t at;
    std::uint8_t b0, b1, b2, b3;
  };
  const Special specials[] = {
      {0, 0x34, 0x12, 0x34, 0x12},  // equal colour endpoints: DXT1's three colours
      {0, 0x00, 0x10, 0xFF, 0xFF},  // first below second: three colours and transparent
      {0, 0xFF, 0xFF, 0x00, 0x00},  // first above second: four colours
      {0, 0x00, 0x00, 0x00, 0x00},  // a zero block
      {8, 0x34, 0x12, 0x34, 0x12},  // DXT3/DXT5 colour: always four colours
  };
  for (gim::DxtKind kind : {gim::DxtKind::kDxt1, gim::DxtKind::kDxt3, gim::DxtKind::kDxt5}) {
    for (int n = 0; n < 20000; ++n) {
      Block block;
      for (std::uint8_t& b : block) b = next();
      ExpectSameAsSquish(kind, block);
      for (const Special& s : specials) {
        Block special = block;
        special[s.at] = s.b0;
        special[s.at + 1] = s.b1;
        special[s.at + 2] = s.b2;
        special[s.at + 3] = s.b3;
        ExpectSameAsSquish(kind, special);
      }
      // DXT5 alpha: 6 steps with 0 and 255 when a0 <= a1, 8 steps above.
      Block six = block;
      six[0] = six[1] = static_cast<std::uint8_t>(n);
      ExpectSameAsSquish(kind, six);
      six[0] = static_cast<std::uint8_t>(block[1] / 2);
      ExpectSameAsSquish(kind, six);
    }
  }
}

}  // namespace
}  // namespace tovak::test
