// The two user settings, read once from the INI file beside the library when
// it is attached to the host process, and read-only afterwards.
#pragma once

#include <cstdint>

#include "decode/blend.h"

namespace tovak::plugin {

inline constexpr char kSettingsSection[] = "tovak";
inline constexpr std::int32_t kDefaultAlphaBlend = 1;
inline constexpr std::int32_t kDefaultBackground = 0x282010;  // 2629648

// The settings in force; the defaults until LoadSettings has run.
const decode::BlendSettings& Settings();

// Process attach only: the defaults, overridden from the INI file if present.
void LoadSettings();

// The INI path for a module path: everything from the last "." replaced by
// ".ini". The path is multibyte text, so a trail byte that equals "." is not
// taken for one. False when the path has no "." or `capacity` is too small.
bool IniPathFor(const char* module_path, bool (*is_lead_byte)(std::uint8_t),
                char* out, std::uint32_t capacity);

}  // namespace tovak::plugin
