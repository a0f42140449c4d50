#include "decode/driver.h"

#include <utility>

#include "decode/palette.h"
#include "decode/plane_walk.h"
#include "decode/row_converters.h"

namespace tovak::decode {
namespace {

using gim::PixelKind;

// Calls visit.template operator()<kOut, kBlend>() for the destination's
// layout and blending, so that each converter is made for one pair.
template <class Visit>
void ForOutput(const Destination& to, Visit&& visit) {
  const bool blend = to.blend.alpha_blend;
  switch (to.layout) {
    case PixelLayout::kBgr24:
      blend ? visit.template operator()<PixelLayout::kBgr24, true>()
            : visit.template operator()<PixelLayout::kBgr24, false>();
      return;
    case PixelLayout::kRgb24:
      blend ? visit.template operator()<PixelLayout::kRgb24, true>()
            : visit.template operator()<PixelLayout::kRgb24, false>();
      return;
    case PixelLayout::kBgra32: visit.template operator()<PixelLayout::kBgra32, false>(); return;
    case PixelLayout::kRgba32: visit.template operator()<PixelLayout::kRgba32, false>(); return;
    case PixelLayout::kRgbQuad:
    case PixelLayout::kIndex: return;
  }
}

// Calls visit.template operator()<channels>() with the channel widths of the
// 16-bit format `code`, one instantiation for each such format of the table.
template <std::size_t kAt, class Visit>
void IfWordFormat(std::uint16_t code, Visit& visit) {
  constexpr gim::FormatDescription kFormat = gim::kFormats[kAt];
  if constexpr (kFormat.kind == PixelKind::kWord16) {
    if (kFormat.code == code) visit.template operator()<kFormat.channels>();
  }
}

template <class Visit, std::size_t... kAt>
void ForWordFormat(std::uint16_t code, Visit&& visit, std::index_sequence<kAt...>) {
  (IfWordFormat<kAt>(code, visit), ...);
}

// Runs one converter over the picture, walking the stored plane or the
// compressed blocks in the picture's pixel order.
struct Walk {
  const PicturePlan& plan;
  OutputRows out;

  template <class Converter>
  void Plane(const Converter& convert) const {
    const gim::ImageHeader& image = plan.image;
    if (plan.order == gim::PixelOrder::kSwizzled) {
      WalkSwizzled(convert, plan.source, plan.source_row_bytes, image.width, image.height, out);
    } else {
      WalkNormal(convert, plan.source, plan.source_row_bytes, image.width, image.height, out);
    }
  }

  template <class Converter>
  void Blocks(const Converter& convert) const {
    const gim::ImageHeader& image = plan.image;
    if (plan.order == gim::PixelOrder::kSwizzled) {
      WalkDxtSwizzled(convert, plan.dxt, image.width, image.height, out);
    } else {
      WalkDxtNormal(convert, plan.dxt, image.width, image.height, out);
    }
  }
};

// Whether the layout can show the picture's pixels.
bool Suits(const PicturePlan& plan, PixelLayout layout) {
  if (layout == PixelLayout::kRgbQuad) return false;
  return (layout == PixelLayout::kIndex) == IsIndexed(plan);
}

}  // namespace

Failure WritePixels(const PicturePlan& plan, const Destination& to) {
  if (plan.format == nullptr || !Suits(plan, to.layout)) return Failure::kDestinationUnsuited;
  const std::uint32_t width = plan.image.width;
  const std::uint32_t height = plan.image.height;
  if (width == 0 || height == 0) return Failure::kNone;
  const std::uint64_t row_bytes = (std::uint64_t{width} * LayoutBits(to.layout, plan.dib_bit_count) + 7) / 8;
  if (to.data == nullptr || to.stride < row_bytes ||
      to.bytes < (height - 1) * to.stride + row_bytes) {
    return Failure::kDestinationTooSmall;
  }

  const Walk walk{plan, to.rows == RowOrder::kBottomUp
                            ? OutputRows{to.data + (height - 1) * to.stride,
                                         -static_cast<std::int64_t>(to.stride)}
                            : OutputRows{to.data, static_cast<std::int64_t>(to.stride)}};
  const BlendSettings& blend = to.blend;
  switch (plan.format->kind) {
    case PixelKind::kIndexed:
      if (plan.dib_bit_count == 4) {
        walk.Plane(Index4Swap{});
      } else {
        walk.Plane(Index8Copy{});
      }
      break;
    case PixelKind::kWord16:
      ForWordFormat(plan.format->code, [&]<gim::ChannelBits kBits>() {
        ForOutput(to, [&]<PixelLayout kOut, bool kBlend>() {
          // Formats without alpha are never blended: one converter serves both.
          walk.Plane(FromWords<kBits, kOut, kBlend && kBits.alpha != 0>(blend));
        });
      }, std::make_index_sequence<std::size(gim::kFormats)>{});
      break;
    case PixelKind::kRgba8888:
      ForOutput(to, [&]<PixelLayout kOut, bool kBlend>() {
        walk.Plane(FromRgba<kOut, kBlend>(blend));
      });
      break;
    case PixelKind::kDxt:
      ForOutput(to, [&]<PixelLayout kOut, bool kBlend>() {
        walk.Blocks(FromRgba<kOut, kBlend>(blend));
      });
      break;
  }
  return Failure::kNone;
}

Failure WritePalette(const PicturePlan& plan, const Destination& to) {
  if (to.layout == PixelLayout::kIndex) return Failure::kDestinationUnsuited;
  const std::uint32_t entries = ColourTableEntries(plan);
  if (plan.palette_entries == nullptr || entries == 0) return Failure::kNone;
  if (to.data == nullptr || to.bytes < std::uint64_t{entries} * LayoutBits(to.layout, 0) / 8) {
    return Failure::kDestinationTooSmall;
  }
  ConvertPalette(plan.palette_entries, entries, plan.palette.entry_format, to.layout, to.blend,
                 to.data);
  return Failure::kNone;
}

}  // namespace tovak::decode
