// Writes a DIB as received from an import plug-in (header block with its
// colour table, bits block) to a .bmp file.
#pragma once

#include <cstdint>
#include <string>

namespace tovak::tools {

// `header` holds `header_bytes` bytes: the BITMAPINFOHEADER and its colour
// table; `bits` holds `bits_bytes` bytes of rows. Returns an empty string on
// success, else what went wrong.
std::string WriteBmp(const std::string& path, const std::uint8_t* header,
                     std::uint64_t header_bytes, const std::uint8_t* bits,
                     std::uint64_t bits_bytes);

}  // namespace tovak::tools
