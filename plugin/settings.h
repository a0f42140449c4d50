// The two user settings, read once from the INI file beside the library when
// it is attached to the host process, and read-only afterwards.
#pragma once

#include <cstdint>

#include "decode/blend.h"

namespace tovak::plugin {

inline constexpr std::int32_t kDefaultAlphaBlend = 1;

// The settings in force; the defaults until LoadSettings has run.
const decode::BlendSettings& Settings();

// Process attach only: the defaults, overridden from the INI file if present.
void LoadSettings();

// The INI path for a module path: everything from the last "." replaced by
// ".ini". The path is UTF-16, whose units never mistake part of another
// character for a ".". False when the path has no "." or `capacity` (in
// UTF-16 units, the zero included) is too small.
bool IniPathFor(const char16_t* module_path, char16_t* out, std::uint32_t capacity);

}  // namespace tovak::plugin
