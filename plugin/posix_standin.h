// What only the POSIX stand-in offers, for tests and tools of the native
// build: the host's side of local memory, allocation failures on demand, a
// count of live blocks, and the library path a loader would give.
#pragma once

#include <cstdint>

#include "plugin/platform.h"

namespace tovak::standin {

// Blocks the plug-in or the host has not freed yet.
std::uint32_t LiveBlocks();

// The n-th allocation from now fails (1 is the next one); 0 fails none.
void FailAllocation(std::uint32_t n);

// Size and lock count of a moveable block, as LocalSize and LocalFlags tell.
std::uint64_t BlockSize(platform::LocalHandle handle);
std::uint32_t LockCount(platform::LocalHandle handle);
// Whether a handle names a block that has not been freed.
bool IsLive(platform::LocalHandle handle);

// Stands in for the loader: the module path the library would have, in
// UTF-8.
void SetModulePath(const char* path);

}  // namespace tovak::standin
