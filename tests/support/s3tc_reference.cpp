#include "support/s3tc_reference.h"

namespace tovak::test {
namespace {

// Endpoints widen to 8 bits by repeating their top bits below them (a
// 5-bit 3 becomes 24, not the nearest 25). S3TC leaves the exact widening
// and the rounding of interpolated values to the decoder; these are
// libsquish's, which the plug-in ships: replication, and quotients rounded
// down.
int Widen5(unsigned v) { return static_cast<int>(v << 3 | v >> 2); }
int Widen6(unsigned v) { return static_cast<int>(v << 2 | v >> 4); }

Texel FromRgb565(std::uint16_t v) {
  return {Widen5(v >> 11 & 0x1F), Widen6(v >> 5 & 0x3F), Widen5(v & 0x1F), 255};
}

// Two thirds of the way from a to b (weights 1 and 2), rounded down.
int Third(int a, int b) { return (a + 2 * b) / 3; }

std::array<Texel, 4> Palette(const fixture::ColourBlock& c, bool three_colour_mode) {
  const Texel t0 = FromRgb565(c.c0);
  const Texel t1 = FromRgb565(c.c1);
  if (three_colour_mode) {
    const Texel half{(t0.red + t1.red) / 2, (t0.green + t1.green) / 2,
                     (t0.blue + t1.blue) / 2, 255};
    return {t0, t1, half, Texel{0, 0, 0, 0}};  // index 3: transparent black
  }
  return {t0, t1, Texel{Third(t1.red, t0.red), Third(t1.green, t0.green), Third(t1.blue, t0.blue), 255},
          Texel{Third(t0.red, t1.red), Third(t0.green, t1.green), Third(t0.blue, t1.blue), 255}};
}

std::array<int, 8> Dxt5AlphaPalette(int a0, int a1) {
  std::array<int, 8> p{a0, a1, 0, 0, 0, 0, 0, 0};
  if (a0 > a1) {
    for (int i = 1; i <= 6; ++i) p[1 + i] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (int i = 1; i <= 4; ++i) p[1 + i] = ((5 - i) * a0 + i * a1) / 5;
    p[6] = 0;
    p[7] = 255;
  }
  return p;
}

}  // namespace

std::array<Texel, 16> ReferenceTexels(std::uint16_t format, const fixture::Block& block) {
  const bool dxt1 = format == fixture::kDxt1 || format == fixture::kDxt1Ext;
  const bool dxt3 = format == fixture::kDxt3 || format == fixture::kDxt3Ext;
  const bool dxt5 = format == fixture::kDxt5 || format == fixture::kDxt5Ext;
  // Only DXT1 has the three-colour mode, chosen by the endpoints' 16-bit
  // values; DXT3 and DXT5 colour parts always interpolate four colours.
  const auto colours = Palette(block.colour, dxt1 && block.colour.c0 <= block.colour.c1);
  const auto alphas = Dxt5AlphaPalette(block.dxt5.a0, block.dxt5.a1);
  std::array<Texel, 16> out;
  for (int i = 0; i < 16; ++i) {
    out[i] = colours[block.colour.index[i] & 3];
    if (dxt3) out[i].alpha = (block.dxt3.alpha[i] & 0xF) * 17;
    if (dxt5) out[i].alpha = alphas[block.dxt5.index[i] & 7];
  }
  return out;
}

}  // namespace tovak::test
