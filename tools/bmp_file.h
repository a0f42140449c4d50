// Writes a DIB as received from an import plug-in (header block with its
// colour table, bits block) to a .bmp file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tovak::tools {

// Lays out the .bmp file of a DIB in `file`. `header` holds `header_bytes`
// bytes: the BITMAPINFOHEADER and its colour table; `bits` holds
// `bits_bytes` bytes of rows. Returns an empty string on success, else what
// went wrong.
std::string LayOutBmp(const std::uint8_t* header, std::uint64_t header_bytes,
                      const std::uint8_t* bits, std::uint64_t bits_bytes,
                      std::vector<std::uint8_t>& file);

// The same, written to `path`.
std::string WriteBmp(const std::string& path, const std::uint8_t* header,
                     std::uint64_t header_bytes, const std::uint8_t* bits,
                     std::uint64_t bits_bytes);

}  // namespace tovak::tools
