// One GIM picture, held whole in memory, to the bytes of a PNG or BMP file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gim/byte_view.h"
#include "tools/cli/png_encode.h"

namespace tovak::cli {

enum class OutputFormat { kPng, kBmp };

struct ConvertOptions {
  OutputFormat format = OutputFormat::kPng;
  bool blend = false;  // PNG: blend as the plug-in does and write RGB
  PngCompression compression = PngCompression::kDefault;
};

// Seconds spent in each step of a conversion, summed over pictures.
struct StepTimes {
  double read = 0, decode = 0, encode = 0, write = 0;
  void Add(const StepTimes& t) {
    read += t.read;
    decode += t.decode;
    encode += t.encode;
    write += t.write;
  }
};

// Converts `input` into the bytes of the output file; an empty string on
// success, else the reason in words.
std::string ConvertPicture(gim::ByteView input, const ConvertOptions& options,
                           std::vector<std::uint8_t>& output, StepTimes& times);

}  // namespace tovak::cli
