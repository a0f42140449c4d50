// Whole-file reads and all-or-nothing writes, by std::filesystem paths (wide
// on Windows, UTF-8 bytes on Linux).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tovak::cli {

// Reads the whole file; an empty string on success, else "cannot read: ...".
std::string ReadWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes);

// Writes `bytes` to a new file in the folder of `path`, under a name of its
// own, and only then gives it `path`'s name, so that `path` either holds the
// whole file or is left as it was. Without `replace` an existing `path` is
// kept and the answer is "output exists". An empty string on success.
std::string WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes,
                           bool replace);

// The path as UTF-8, for messages.
std::string Utf8(const std::filesystem::path& path);

}  // namespace tovak::cli
