#include "plugin/settings.h"

#include <cstring>

#include "plugin/platform.h"

namespace tovak::plugin {
namespace {

// Written only while the loader attaches the library, which it serialises
// with everything else; every later reader sees the final values unlocked.
decode::BlendSettings g_settings{kDefaultAlphaBlend != 0,
                                 static_cast<std::uint32_t>(kDefaultBackground)};

bool IsPlatformLeadByte(std::uint8_t byte) { return platform::IsLeadByte(byte); }

}  // namespace

const decode::BlendSettings& Settings() { return g_settings; }

bool IniPathFor(const char* module_path, bool (*is_lead_byte)(std::uint8_t),
                char* out, std::uint32_t capacity) {
  const char* dot = nullptr;
  const char* p = module_path;
  while (*p != '\0') {
    if (*p == '.') dot = p;
    if (is_lead_byte(static_cast<std::uint8_t>(*p)) && p[1] != '\0') {
      p += 2;
    } else {
      p += 1;
    }
  }
  if (dot == nullptr) return false;
  static constexpr char kExtension[] = ".ini";
  const auto stem = static_cast<std::uint64_t>(dot - module_path);
  if (stem + sizeof kExtension > capacity) return false;
  std::memcpy(out, module_path, static_cast<std::size_t>(stem));
  std::memcpy(out + stem, kExtension, sizeof kExtension);
  return true;
}

void LoadSettings() {
  g_settings = {kDefaultAlphaBlend != 0, static_cast<std::uint32_t>(kDefaultBackground)};
  char module_path[261] = {};
  if (platform::ModulePath(module_path, sizeof module_path) == 0) return;
  char ini_path[sizeof module_path + 4] = {};
  if (!IniPathFor(module_path, IsPlatformLeadByte, ini_path, sizeof ini_path)) return;
  if (!platform::PathExists(ini_path)) return;
  g_settings.alpha_blend =
      platform::ProfileInt(kSettingsSection, "AlphaBlend", kDefaultAlphaBlend, ini_path) != 0;
  g_settings.background = static_cast<std::uint32_t>(
      platform::ProfileInt(kSettingsSection, "BlendBkColor", kDefaultBackground, ini_path));
}

}  // namespace tovak::plugin
