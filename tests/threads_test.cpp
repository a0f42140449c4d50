// Hosts may call the exports from any thread at once: a call keeps no state
// and shares only the read-only settings, so eight threads decoding the
// same memory image and different ones get what one thread alone gets.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "fixture/gim_writer.h"
#include "support/host_calls.h"
#include "support/plugin_api.h"

namespace tovak::test {
namespace {

TEST(Threads, EightThreadsDecodeTheSameAndDifferentImagesAsOneDoes) {
  struct Kind {
    std::uint16_t format;
    bool big_endian;
    std::uint16_t order;
  };
  const Kind kinds[] = {{fixture::kRgba8888, true, 1}, {fixture::kRgba4444, false, 0},
                        {fixture::kDxt5, false, 1},    {fixture::kDxt1, true, 0},
                        {fixture::kIndex4, false, 1}};
  std::vector<Bytes> files;
  std::vector<Decoded> alone;
  for (const Kind& k : kinds) {
    fixture::Picture pic = PictureOf(k.big_endian, k.format, 61, 45);
    pic.pixel_order = k.order;
    pic.pixels.resize(fixture::StoredRowBytes(k.format, 61) * 48);
    for (std::size_t i = 0; i < pic.pixels.size(); ++i) {
      pic.pixels[i] = static_cast<std::uint8_t>(i * 131 + i / 7);
    }
    if (k.format == fixture::kIndex4) {
      pic.palette = fixture::Palette{fixture::kRgba8888, 16, Bytes(64, 0x93)};
    }
    files.push_back(fixture::Write(pic).bytes);
    alone.push_back(Decode(files.back()));
    ASSERT_EQ(alone.back().result, plugin::kSuccess);
  }

  std::atomic<int> differences{0};
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t round = 0; round < 40; ++round) {
        // Even rounds: every thread the same image; odd: each its own.
        const std::size_t i = round % 2 == 0 ? round / 2 % files.size() : (t + round) % files.size();
        const Decoded d = Decode(files[i]);
        if (d.result != alone[i].result || d.header != alone[i].header || d.bits != alone[i].bits) {
          ++differences;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(differences.load(), 0);
}

}  // namespace
}  // namespace tovak::test
