// Blending of translucent colours against the configured background.
#pragma once

#include <cstdint>

namespace tovak::decode {

// The background translucent pixels are blended against unless a user says
// otherwise: 0x00BBGGRR, red in the low byte as Windows COLORREF values are
// (red 0x10, green 0x20, blue 0x28).
inline constexpr std::uint32_t kDefaultBackground = 0x282010;

struct BlendSettings {
  bool alpha_blend = true;
  std::uint32_t background = kDefaultBackground;  // 0x00BBGGRR
};

// Colours as stored.
inline constexpr BlendSettings kNoBlend{false, kDefaultBackground};

// One colour in DIB order (blue first) with its 8-bit alpha.
struct Bgra {
  std::uint8_t b, g, r, a;
};

// c := b + ((c - b) * a >> 8) with an arithmetic shift, so the quotient by 256
// rounds towards minus infinity and the result stays between b and c. The
// divisor is 256: only alpha 255 keeps a colour exactly.
constexpr std::uint8_t BlendChannel(std::uint8_t colour, std::uint8_t back,
                                    std::uint8_t alpha) {
  const int difference = int{colour} - int{back};
  return static_cast<std::uint8_t>(int{back} + ((difference * int{alpha}) >> 8));
}

// Blends a colour against the background when blending is on; alpha 0 takes
// the background outright and alpha 255 keeps the colour, so neither pays for
// the multiplications.
constexpr Bgra Blend(Bgra c, const BlendSettings& settings) {
  if (!settings.alpha_blend || c.a == 255) return c;
  const auto back_r = static_cast<std::uint8_t>(settings.background);
  const auto back_g = static_cast<std::uint8_t>(settings.background >> 8);
  const auto back_b = static_cast<std::uint8_t>(settings.background >> 16);
  if (c.a == 0) return {back_b, back_g, back_r, c.a};
  return {BlendChannel(c.b, back_b, c.a), BlendChannel(c.g, back_g, c.a),
          BlendChannel(c.r, back_r, c.a), c.a};
}

}  // namespace tovak::decode
