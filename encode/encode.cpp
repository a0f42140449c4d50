#include "encode/encode.h"

#include <algorithm>
#include <cstring>

#include "encode/channel_packing.h"
#include "encode/colour_index.h"
#include "encode/container.h"
#include "decode/palette.h"
#include "encode/dither.h"
#include "encode/dxt.h"
#include "encode/limits.h"
#include "encode/nearest_entry.h"
#include "encode/planes.h"
#include "encode/quantise.h"
#include "gim/geometry.h"
#include "gim/pixel_order.h"

namespace tovak::encode {
namespace {

using gim::PixelKind;

std::uint32_t IndexCapacity(const gim::FormatDescription& format) {
  return gim::IndexCapacity(format.usual_bits_per_pixel);
}

// The picture as RGBA pixels: its own, or its indices looked up.
const std::uint8_t* RgbaOf(const SourcePicture& picture, std::vector<std::uint8_t>& expanded) {
  if (picture.indices == nullptr) return picture.rgba;
  const std::uint64_t pixels = std::uint64_t{picture.width} * picture.height;
  expanded.resize(static_cast<std::size_t>(pixels * 4));
  for (std::size_t i = 0; i < expanded.size() / 4; ++i) {
    std::memcpy(&expanded[4 * i], picture.palette + 4 * picture.indices[i], 4);
  }
  return expanded.data();
}

// Each pixel's entry of a kept palette, whose stored entries `kept` are
// decoded once. A paletted picture's entry that is the kept entry of the
// same number keeps its number, so that duplicate entries survive a round
// trip; every other colour takes its nearest entry.
void MapToKeptPalette(const SourcePicture& picture, const KeptPalette& kept,
                      const gim::FormatDescription& entry, std::uint32_t capacity,
                      std::vector<std::uint8_t>& indices) {
  const std::uint32_t usable = std::min(kept.count, capacity);
  std::vector<std::uint8_t> decoded(std::size_t{4} * kept.count);
  decode::ConvertPalette(kept.entries, kept.count, entry.code, decode::PixelLayout::kRgba32,
                         decode::kNoBlend, decoded.data());
  const std::uint64_t pixels = std::uint64_t{picture.width} * picture.height;
  indices.resize(static_cast<std::size_t>(pixels));
  if (picture.indices == nullptr) {
    MapToNearestEntries(picture.rgba, pixels, decoded.data(), usable, entry, indices.data());
    return;
  }
  // Indices are bytes: no pixel reaches past entry 255.
  const std::uint32_t own = std::min<std::uint32_t>(picture.palette_entries, 256);
  std::uint8_t to_kept[256] = {};
  MapToNearestEntries(picture.palette, own, decoded.data(), usable, entry, to_kept);
  for (std::uint32_t e = 0; e < own && e < usable; ++e) {
    if (std::memcmp(picture.palette + 4 * e, &decoded[4 * e], 4) == 0) to_kept[e] = static_cast<std::uint8_t>(e);
  }
  for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = to_kept[picture.indices[i]];
}

// The indices and RGBA palette of an indexed format: a paletted picture's
// own when its palette fits the format, else its distinct colours when they
// fit, else a palette the quantiser chooses.
Outcome IndexPicture(const SourcePicture& picture, const gim::FormatDescription& format,
                     const gim::FormatDescription& entry, bool dither,
                     std::vector<std::uint8_t>& indices, std::vector<std::uint8_t>& palette) {
  const std::uint32_t capacity = IndexCapacity(format);
  const std::uint64_t pixels = std::uint64_t{picture.width} * picture.height;
  if (picture.indices != nullptr && picture.palette_entries <= capacity) {
    indices.assign(picture.indices, picture.indices + pixels);
    palette.assign(picture.palette, picture.palette + std::size_t{4} * picture.palette_entries);
    return {};
  }
  std::vector<std::uint8_t> expanded;
  const std::uint8_t* rgba = RgbaOf(picture, expanded);
  const std::uint64_t colours = IndexColours(rgba, pixels, capacity, indices, palette);
  if (colours <= capacity) return {};
  if (!Quantise(rgba, picture.width, picture.height, capacity, entry, dither, indices, palette)) {
    return {Failure::kTooManyColours, colours};
  }
  return {};
}

bool WriteKeptPlane(const KeptPlane& kept, std::uint64_t bytes, std::uint8_t* plane) {
  if (kept.bytes == nullptr || kept.size != bytes) return false;
  std::memcpy(plane, kept.bytes, static_cast<std::size_t>(bytes));
  return true;
}

Outcome CheckPicture(const SourcePicture& picture) {
  if (picture.width == 0 || picture.height == 0) return {Failure::kNoPixels, 0};
  if (picture.width > kMaxDimension || picture.height > kMaxDimension) {
    return {Failure::kDimensionTooLarge, picture.width > kMaxDimension ? picture.width : picture.height};
  }
  if (std::uint64_t{picture.width} * picture.height * 4 >= kMaxBytes) return {Failure::kTooLarge, 0};
  if (picture.indices != nullptr) {
    const std::uint64_t pixels = std::uint64_t{picture.width} * picture.height;
    for (std::uint64_t i = 0; i < pixels; ++i) {
      if (picture.indices[i] >= picture.palette_entries) {
        return {Failure::kIndexOutside, picture.indices[i]};
      }
    }
  }
  return {};
}

LevelHeader ImageLevel(const SourcePicture& picture, const gim::FormatDescription& format,
                       gim::PixelOrder order, std::uint64_t data_bytes) {
  LevelHeader level;
  level.format = format.code;
  level.pixel_order = order == gim::PixelOrder::kSwizzled ? gim::kSwizzledOrder : gim::kNormalOrder;
  level.width = static_cast<std::uint16_t>(picture.width);
  level.height = static_cast<std::uint16_t>(picture.height);
  level.bits_per_pixel = format.usual_bits_per_pixel;
  level.data_bytes = data_bytes;
  return level;
}

Outcome EncodeChecked(const SourcePicture& picture, const EncodeOptions& options,
                      std::vector<std::uint8_t>& file) {
  const gim::FormatDescription* format = gim::DescribeFormat(options.format);
  if (format == nullptr) return {Failure::kNotWritable, options.format};
  const gim::PixelOrder order = options.swizzled ? gim::PixelOrder::kSwizzled : gim::PixelOrder::kNormal;
  ContainerParts parts;
  parts.big_endian = options.big_endian;
  parts.info = options.info;
  DataPlaces places;

  if (format->kind == PixelKind::kDxt) {
    // Decoding reads the decoded plane's rows past the height as empty
    // texels, but a swizzled tile row spreads each picture row over all 8
    // of its plane rows: only whole tile rows come back as they were.
    if (order == gim::PixelOrder::kSwizzled && picture.height % gim::kTileRows != 0) {
      return {Failure::kSwizzledDxtHeight, picture.height};
    }
    parts.image = ImageLevel(picture, *format, order,
                             gim::DxtCompressedBytes(*format, picture.width, picture.height));
    const Outcome written = WriteContainer(parts, file, places);
    if (written.failure != Failure::kNone) return written;
    if (WriteKeptPlane(options.kept_plane, parts.image.data_bytes, file.data() + places.image)) return {};
    std::vector<std::uint8_t> expanded;
    CompressDxt(RgbaOf(picture, expanded), picture.width, picture.height, *format, order,
                options.big_endian, options.dxt_quality, file.data() + places.image);
    return {};
  }

  const PlaneShape shape = ShapePlane(*format, picture.width, picture.height, order);
  parts.image = ImageLevel(picture, *format, order, shape.bytes);
  if (format->kind != PixelKind::kIndexed) {
    const Outcome written = WriteContainer(parts, file, places);
    if (written.failure != Failure::kNone) return written;
    if (WriteKeptPlane(options.kept_plane, shape.bytes, file.data() + places.image)) return {};
    std::vector<std::uint8_t> expanded;
    const std::uint8_t* rgba = RgbaOf(picture, expanded);
    // RGBA8888 holds every colour: nothing to diffuse.
    if (options.dither && format->kind == PixelKind::kWord16) {
      expanded = DiffuseToFormat(rgba, picture.width, picture.height, *format);
      rgba = expanded.data();
    }
    StoreColourPlane(rgba, picture.width, picture.height, *format, order, file.data() + places.image);
    return {};
  }

  const KeptPalette* kept = options.kept_palette ? &*options.kept_palette : nullptr;
  const std::uint16_t entry_code = kept != nullptr ? kept->format : options.palette_format;
  const gim::FormatDescription* entry = gim::DescribeFormat(entry_code);
  if (entry == nullptr || !gim::IsDirectColour(*entry)) {
    return {Failure::kPaletteFormat, entry_code};
  }
  if (kept != nullptr && (kept->count == 0 || kept->count > 256)) {
    return {Failure::kPaletteSize, kept->count};
  }
  std::vector<std::uint8_t> indices, palette;
  std::uint32_t entries = IndexCapacity(*format);
  if (kept != nullptr) {
    MapToKeptPalette(picture, *kept, *entry, entries, indices);
    entries = kept->count;
  } else {
    const Outcome indexed = IndexPicture(picture, *format, *entry, options.dither, indices, palette);
    if (indexed.failure != Failure::kNone) return indexed;
    palette.resize(std::size_t{4} * entries, 0);
  }
  // The palette is a picture one row high, padded as any row is.
  const PlaneShape palette_shape = ShapePlane(*entry, entries, 1, gim::PixelOrder::kNormal);
  parts.has_palette = true;
  parts.palette.format = entry->code;
  parts.palette.width = static_cast<std::uint16_t>(entries);
  parts.palette.height = 1;
  parts.palette.bits_per_pixel = entry->usual_bits_per_pixel;
  parts.palette.palette = true;
  parts.palette.data_bytes = palette_shape.bytes;
  const Outcome written = WriteContainer(parts, file, places);
  if (written.failure != Failure::kNone) return written;
  if (!WriteKeptPlane(options.kept_plane, shape.bytes, file.data() + places.image)) {
    StoreIndexPlane(indices.data(), picture.width, picture.height, *format, order,
                    file.data() + places.image);
  }
  if (kept != nullptr) {
    std::memcpy(file.data() + places.palette, kept->entries,
                static_cast<std::size_t>(std::uint64_t{entries} * entry->plane_bits / 8));
  } else {
    StoreColourPlane(palette.data(), entries, 1, *entry, gim::PixelOrder::kNormal,
                     file.data() + places.palette);
  }
  return {};
}

}  // namespace

std::uint16_t UsualFormat(const SourcePicture& picture) {
  if (picture.indices != nullptr) {
    for (const gim::FormatDescription& format : gim::kFormats) {
      if (format.kind == PixelKind::kIndexed && picture.palette_entries <= IndexCapacity(format)) {
        return format.code;
      }
    }
  }
  return gim::kRgba8888;
}

Outcome Encode(const SourcePicture& picture, const EncodeOptions& options,
               std::vector<std::uint8_t>& file) {
  file.clear();
  Outcome outcome = CheckPicture(picture);
  if (outcome.failure == Failure::kNone) outcome = EncodeChecked(picture, options, file);
  if (outcome.failure != Failure::kNone) file.clear();
  return outcome;
}

}  // namespace tovak::encode
