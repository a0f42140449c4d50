// What `tovak encode --like` takes from the original GIM file of an edited
// picture: its storage choices (format, palette format, pixel order, byte
// order), its palette's stored entries, its file-info strings, and its
// pixels as decoded with the stored image plane they came from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "encode/encode.h"

namespace tovak::cli {

struct Original {
  std::vector<std::uint8_t> file;  // every pointer below points into it
  std::uint16_t format = 0;
  bool swizzled = false;
  bool big_endian = false;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::optional<encode::KeptPalette> palette;  // indexed pictures
  std::vector<std::string> info;               // none: no file-info block
  std::vector<std::uint8_t> rgba;              // the decoded pixels, rows top first
  encode::KeptPlane plane;                     // the stored image plane
};

// Reads and decodes the original; an empty string on success, else the
// reason in words.
std::string ReadOriginal(const std::filesystem::path& path, Original& out);

// The options that write a picture as the original is stored; `pixels`, the
// new picture as RGBA, decides whether the original's stored plane is kept
// (only where the pixels are the original's own).
encode::EncodeOptions OptionsLike(const Original& original, std::uint32_t width,
                                  std::uint32_t height, const std::uint8_t* pixels);

}  // namespace tovak::cli
