#include "plugin/settings.h"

#include <cstring>
#include <iterator>

#include "plugin/platform.h"

namespace tovak::plugin {
namespace {

// Written only while the loader attaches the library, which it serialises
// with everything else; every later reader sees the final values unlocked.
decode::BlendSettings g_settings{kDefaultAlphaBlend != 0,
                                 decode::kDefaultBackground};

constexpr char16_t kSection[] = u"tovak";

}  // namespace

const decode::BlendSettings& Settings() { return g_settings; }

bool IniPathFor(const char16_t* module_path, char16_t* out, std::uint32_t capacity) {
  const char16_t* dot = nullptr;
  for (const char16_t* p = module_path; *p != 0; ++p) {
    if (*p == u'.') dot = p;
  }
  if (dot == nullptr) return false;
  static constexpr char16_t kExtension[] = u".ini";
  const auto stem = static_cast<std::uint64_t>(dot - module_path);
  if (stem + std::size(kExtension) > capacity) return false;
  std::memcpy(out, module_path, static_cast<std::size_t>(stem) * sizeof(char16_t));
  std::memcpy(out + stem, kExtension, sizeof kExtension);
  return true;
}

void LoadSettings() {
  g_settings = {kDefaultAlphaBlend != 0, decode::kDefaultBackground};
  char16_t module_path[261] = {};
  if (platform::ModulePath(module_path, std::size(module_path)) == 0) return;
  char16_t ini_path[std::size(module_path) + 4] = {};
  if (!IniPathFor(module_path, ini_path, std::size(ini_path))) return;
  if (!platform::PathExists(ini_path)) return;
  g_settings.alpha_blend =
      platform::ProfileInt(kSection, u"AlphaBlend", kDefaultAlphaBlend, ini_path) != 0;
  g_settings.background = static_cast<std::uint32_t>(
      platform::ProfileInt(kSection, u"BlendBkColor",
                           static_cast<std::int32_t>(decode::kDefaultBackground), ini_path));
}

}  // namespace tovak::plugin
