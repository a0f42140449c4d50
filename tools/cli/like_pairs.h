// Which original GIM file each PNG of `tovak encode --like ORIGINAL` is put
// back like. ORIGINAL is a GIM file, the original of every PNG named, or a
// folder holding the originals in the layout of the PNGs: png/a/b.png,
// found as a/b.png below its folder argument, pairs with ORIGINAL/a/b.gim
// (a PNG named on its own, with ORIGINAL/b.gim).
#pragma once

#include <filesystem>
#include <string>

#include "tools/cli/inputs.h"

namespace tovak::cli {

// The original of the job's PNG; `failure` says why there is none.
std::filesystem::path OriginalFor(const Job& job, const std::filesystem::path& like,
                                  std::string& failure);

}  // namespace tovak::cli
