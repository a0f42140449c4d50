#include "gim/formats.h"

namespace tovak::gim {

const FormatDescription* FormatNamed(std::string_view name) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (const FormatDescription& format : kFormats) {
    const std::string_view own = format.name;
    if (own.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < own.size() && same; ++i) same = lower(own[i]) == lower(name[i]);
    if (same) return &format;
  }
  return nullptr;
}

}  // namespace tovak::gim
