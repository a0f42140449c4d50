#include "tools/bmp_file.h"

#include <cstdio>
#include <vector>

namespace tovak::tools {
namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

std::string LayOutBmp(const std::uint8_t* header, std::uint64_t header_bytes,
                      const std::uint8_t* bits, std::uint64_t bits_bytes,
                      std::vector<std::uint8_t>& file) {
  if (header_bytes < 40) return "header block shorter than a BITMAPINFOHEADER";
  const std::uint32_t bit_count = header[14] | header[15] << 8;
  const std::uint32_t size_image = U32(header + 20);
  std::uint32_t colours = U32(header + 32);
  // A table the header does not count still has 2^n entries for readers.
  if (colours == 0 && bit_count <= 8) colours = 1u << bit_count;
  const std::uint64_t table_bytes = std::uint64_t{colours} * 4;
  if (40 + table_bytes > header_bytes) return "colour table larger than the header block";
  if (size_image > bits_bytes) return "biSizeImage larger than the bits block";

  const std::uint64_t offset = 14 + 40 + table_bytes;
  file.clear();
  file.reserve(static_cast<std::size_t>(offset + size_image));
  file.push_back('B');
  file.push_back('M');
  Put(file, static_cast<std::uint32_t>(offset + size_image), 4);
  Put(file, 0, 4);
  Put(file, static_cast<std::uint32_t>(offset), 4);
  file.insert(file.end(), header, header + 40 + table_bytes);
  file.insert(file.end(), bits, bits + size_image);
  return {};
}

std::string WriteBmp(const std::string& path, const std::uint8_t* header,
                     std::uint64_t header_bytes, const std::uint8_t* bits,
                     std::uint64_t bits_bytes) {
  std::vector<std::uint8_t> file;
  const std::string error = LayOutBmp(header, header_bytes, bits, bits_bytes, file);
  if (!error.empty()) return error;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return "cannot create " + path;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (std::fclose(f) != 0 || !ok) return "cannot write " + path;
  return {};
}

}  // namespace tovak::tools
