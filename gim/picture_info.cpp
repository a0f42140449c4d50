#include "gim/picture_info.h"

#include <cstring>

#include "gim/container.h"
#include "gim/formats.h"
#include "gim/pixel_order.h"

namespace tovak::gim {
namespace {

// Appends pieces to a caller's buffer, counting every byte even where the
// buffer ends, so the same code both measures and writes the text.
struct TextSink {
  char* out;
  std::uint64_t capacity;
  std::uint64_t length = 0;

  void Append(const char* text, std::uint64_t count) {
    if (out != nullptr && length < capacity) {
      const std::uint64_t room = capacity - length;
      std::memcpy(out + length, text, static_cast<std::size_t>(count < room ? count : room));
    }
    length += count;
  }
  void Append(const char* text) { Append(text, std::strlen(text)); }

  // Upper-case hexadecimal, no prefix, no leading zeros.
  void AppendHex(std::uint16_t value) {
    char digits[4];
    int n = 0;
    do {
      digits[n++] = "0123456789ABCDEF"[value & 0xF];
      value = static_cast<std::uint16_t>(value >> 4);
    } while (value != 0);
    char text[4];
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    Append(text, static_cast<std::uint64_t>(n));
  }
};

constexpr char kNewLine[] = "\r\n";

// The file-info block's strings: zero-terminated, one after another, in the
// block's content up to its step. One zero byte at the very start is padding;
// after that an empty string ends the list.
void AppendInfoStrings(const Reader& reader, std::uint64_t area,
                       std::uint64_t length, TextSink& text) {
  const ByteView& bytes = reader.view;
  std::uint64_t i = 0;
  while (i < length && bytes.Contains(area + i, 1)) {
    const std::uint8_t* start = bytes.data + area + i;
    if (*start == 0) {
      if (i != 0) return;
      i = 1;
      continue;
    }
    // A string may run past the area's end; it is still listed whole, but
    // never past the end of the input.
    const std::uint64_t available = bytes.size - (area + i);
    const void* zero = std::memchr(start, 0, static_cast<std::size_t>(available));
    const std::uint64_t n =
        zero == nullptr
            ? available
            : static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(zero) - start);
    text.Append(reinterpret_cast<const char*>(start), n);
    text.Append(kNewLine);
    i += n + 1;
  }
}

void AppendInfoSection(const Reader& reader, std::uint64_t block, TextSink& text) {
  std::uint32_t size = 0;
  std::uint32_t step = 0;
  if (block == 0 || !reader.U32(block + kBlockSize, size) || !reader.U32(block + kBlockStep, step)) {
    return;
  }
  if (size <= kBlockHeaderBytes || step <= kBlockHeaderBytes) return;

  text.Append(kNewLine);
  text.Append("[Info]");
  text.Append(kNewLine);
  AppendInfoStrings(reader, block + kBlockHeaderBytes, step - kBlockHeaderBytes, text);
}

}  // namespace

bool Summarise(const Reader& reader, const Blocks& blocks, PictureSummary& out) {
  ImageHeader image;
  if (blocks.image == 0 ||
      !ReadImageHeader(reader, blocks.image, image, HeaderFields::kPicture)) {
    return false;
  }
  out.width = image.width;
  out.height = image.height;
  // The depth of the DIB GetPicture delivers; a picture that can make no
  // DIB is refused here as it is there.
  const FormatDescription* format = DescribeFormat(image.image_format);
  if (format == nullptr) return false;
  out.bit_depth = static_cast<std::int16_t>(DibBitCount(*format, image.bits_per_pixel));
  return out.bit_depth != 0;
}

std::uint64_t ComposeInfoText(const Reader& reader, const Blocks& blocks, char* out,
                              std::uint64_t capacity) {
  TextSink text{out, capacity};
  ImageHeader image;
  if (blocks.image == 0 ||
      !ReadImageHeader(reader, blocks.image, image, HeaderFields::kPicture)) {
    return 0;
  }

  text.Append("[Format]");
  text.Append(kNewLine);
  text.Append("format_endian: ");
  text.Append(reader.big_endian ? "big" : "little");
  text.Append(kNewLine);
  // Hosts have always been shown "faster" for every order but the normal one.
  text.Append("pixel_order: ");
  text.Append(image.pixel_order == kNormalOrder ? "normal" : "faster");
  text.Append(kNewLine);
  text.Append("image_format: ");
  text.AppendHex(image.image_format);
  text.Append(kNewLine);

  std::uint16_t palette_format = 0;
  if (blocks.palette != 0 &&
      reader.U16(blocks.palette + kBlockHeaderBytes + image_header::kFormat, palette_format)) {
    text.Append("palette_format: ");
    text.AppendHex(palette_format);
    text.Append(kNewLine);
  }

  AppendInfoSection(reader, blocks.file_info, text);
  return text.length;
}

}  // namespace tovak::gim
