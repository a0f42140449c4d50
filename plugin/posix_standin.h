// What only the POSIX stand-in offers, for tests and tools of the native
// build: the host's side of local memory, allocation failures on demand, a
// count of live blocks, and the library path and code page a loader would
// give.
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

// Stands in for the loader: the module path the library would have, and the
// lead-byte rule of the process's code page (null: single-byte).
void SetModulePath(const char* path);
void SetLeadByteRule(bool (*is_lead_byte)(std::uint8_t));

}  // namespace tovak::standin
