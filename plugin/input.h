// The input of GetPictureInfo and GetPicture: the host's memory as it is, or
// a file read whole from an offset into a buffer of the plug-in's own.
#pragma once

#include <cstdint>

#include "gim/byte_view.h"
#include "plugin/host_api.h"
#include "plugin/local_block.h"

namespace tovak::plugin {

struct Input {
  gim::ByteView view;
  FixedBlock owned;  // holds the file when the plug-in loaded one
};

// The host's `buf` as either family of exports passes it: in file mode a
// file name, in the ANSI code page or in UTF-16 (`wide`); in memory mode the
// data itself, whichever family was called.
struct HostBuffer {
  const void* pointer;
  bool wide;
};

// Returns a result code. In file mode `len` is the offset of the GIM data in
// the file named by `buf`; in memory mode it is the size of the memory at
// `buf`, of which at most the largest block size is read. With
// `trailing_zero` a loaded file is followed by one zero byte that is not part
// of the view.
std::int32_t LoadInput(HostBuffer buf, LongPtr len, std::uint32_t flag, bool trailing_zero,
                       Input& out);

}  // namespace tovak::plugin
