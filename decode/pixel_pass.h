// The one pass from a planned picture to a destination's rows, as a
// template over the colour layout: each layout's converters are made in a
// unit of their own (pixels_*.cpp), so that a binary links only the layouts
// it writes.
#pragma once

#include <utility>

#include "decode/driver.h"
#include "decode/dxt_walk.h"
#include "decode/plane_walk.h"
#include "decode/row_converters.h"

namespace tovak::decode {
namespace pass {

using gim::PixelKind;

// Calls visit.template operator()<kBlend>() with the destination's blending,
// which only layouts without alpha apply, so that each converter is made
// for one pair.
template <PixelLayout kOut, class Visit>
void ForBlending(const Destination& to, Visit&& visit) {
  if constexpr (KeepsAlpha(kOut)) {
    visit.template operator()<false>();
  } else if (to.blend.alpha_blend) {
    visit.template operator()<true>();
  } else {
    visit.template operator()<false>();
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

}  // namespace pass

template <PixelLayout kColours>
Failure WritePixelsIn(const PicturePlan& plan, const Destination& to) {
  static_assert(kColours != PixelLayout::kIndex && kColours != PixelLayout::kRgbQuad);
  if (plan.format == nullptr || (to.layout != kColours && to.layout != PixelLayout::kIndex) ||
      (to.layout == PixelLayout::kIndex && !IsIndexed(plan))) {
    return Failure::kDestinationUnsuited;
  }
  const std::uint32_t width = plan.image.width;
  const std::uint32_t height = plan.image.height;
  if (width == 0 || height == 0) return Failure::kNoPixels;
  if (to.data == nullptr || to.stride < RowBytes(to.layout, width, plan.index_bits) ||
      to.bytes < DestinationBytes(to.layout, width, height, to.stride, plan.index_bits)) {
    return Failure::kDestinationTooSmall;
  }

  const pass::Walk walk{plan, to.rows == RowOrder::kBottomUp
                            ? OutputRows{to.data + (height - 1) * to.stride,
                                         -static_cast<std::int64_t>(to.stride)}
                            : OutputRows{to.data, static_cast<std::int64_t>(to.stride)}};
  const BlendSettings& blend = to.blend;
  switch (plan.format->kind) {
    case gim::PixelKind::kIndexed:
      if (to.layout != PixelLayout::kIndex) {
        // Colours: each index's entry of the table as this destination
        // shows it, blended where it blends.
        constexpr unsigned kEntryBytes = LayoutBits(kColours, 0) / 8;
        alignas(16) std::uint8_t table[256 * kEntryBytes];
        WritePalette(plan, {kColours, table, sizeof table, 0, RowOrder::kTopDown, blend});
        if (plan.index_bits == 4) {
          walk.Plane(IndexLookup<4, kEntryBytes>{table});
        } else {
          walk.Plane(IndexLookup<8, kEntryBytes>{table});
        }
      } else if (plan.index_bits == 4) {
        walk.Plane(Index4Swap{});
      } else {
        walk.Plane(Index8Copy{});
      }
      break;
    case gim::PixelKind::kWord16:
      pass::ForWordFormat(plan.format->code, [&]<gim::ChannelBits kBits>() {
        pass::ForBlending<kColours>(to, [&]<bool kBlend>() {
          // Formats without alpha are never blended: one converter serves both.
          walk.Plane(FromWords<kBits, kColours, kBlend && kBits.alpha != 0>(blend));
        });
      }, std::make_index_sequence<std::size(gim::kFormats)>{});
      break;
    case gim::PixelKind::kRgba8888:
      pass::ForBlending<kColours>(to, [&]<bool kBlend>() {
        walk.Plane(FromRgba<kColours, kBlend>(blend));
      });
      break;
    case gim::PixelKind::kDxt:
      pass::ForBlending<kColours>(to, [&]<bool kBlend>() {
        walk.Blocks(FromRgba<kColours, kBlend>(blend));
      });
      break;
  }
  return Failure::kNone;
}

}  // namespace tovak::decode
