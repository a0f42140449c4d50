// What GetPictureInfo tells the host: the picture's size, the bit depth of
// the DIB it will receive, and a short text describing the file.
#pragma once

#include <cstdint>

#include "gim/byte_view.h"
#include "gim/container.h"

namespace tovak::gim {

struct PictureSummary {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::int16_t bit_depth = 0;
};

// Fills the summary from the image block of a recognised buffer; false when
// its header fields lie outside the buffer or it can make no DIB.
bool Summarise(const Reader& reader, const Blocks& blocks, PictureSummary& out);

// Writes the info text of a recognised buffer, whose blocks a
// BlockSearch::kWithFileInfo walk found, into out (at most `capacity`
// bytes, no terminating zero) and returns the text's full length, so that a
// first call with no output measures it. Every line ends with CR LF.
std::uint64_t ComposeInfoText(const Reader& reader, const Blocks& blocks, char* out,
                              std::uint64_t capacity);

}  // namespace tovak::gim
