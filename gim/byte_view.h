// A byte buffer whose length travels with it, and the one checked reader
// through which every file-controlled offset is read.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tovak::gim {

struct ByteView {
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;

  // True when [offset, offset + count) lies inside the view. Both values may
  // come straight from a file, so the sum is never formed.
  bool Contains(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size && count <= size - offset;
  }
};

// Multi-byte values are assembled from bytes: a pointer-cast load would be
// misaligned on odd offsets.
inline std::uint16_t LoadU16(const std::uint8_t* p, bool big_endian) {
  return big_endian ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                    : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
}

inline std::uint32_t LoadU32(const std::uint8_t* p, bool big_endian) {
  if (big_endian) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
           std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]};
  }
  return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[1]} << 8 | std::uint32_t{p[0]};
}

// Reads fields of one buffer in that buffer's byte order. Every read reports
// whether the bytes were there; a missing field is never read.
struct Reader {
  ByteView view;
  bool big_endian = false;

  bool U16(std::uint64_t offset, std::uint16_t& out) const {
    if (!view.Contains(offset, 2)) return false;
    out = LoadU16(view.data + offset, big_endian);
    return true;
  }

  bool U32(std::uint64_t offset, std::uint32_t& out) const {
    if (!view.Contains(offset, 4)) return false;
    out = LoadU32(view.data + offset, big_endian);
    return true;
  }

  // Pointer to count bytes at offset, or null when they are not all there.
  const std::uint8_t* Bytes(std::uint64_t offset, std::uint64_t count) const {
    return view.Contains(offset, count) ? view.data + offset : nullptr;
  }
};

}  // namespace tovak::gim
