// The input of GetPictureInfo and GetPicture: the host's memory as it is, or
// a file read whole from an offset into a buffer of the plug-in's own.
#pragma once

#include <cstdint>

#include "gim/byte_view.h"
#include "plugin/local_block.h"

namespace tovak::plugin {

struct Input {
  gim::ByteView view;
  FixedBlock owned;  // holds the file when the plug-in loaded one
};

// Returns a result code. In file mode `len` is the offset of the GIM data in
// the file named by `buf`; in memory mode it is the size of the memory at
// `buf`. With `trailing_zero` a loaded file is followed by one zero byte that
// is not part of the view.
std::int32_t LoadInput(const char* buf, std::int32_t len, std::uint32_t flag,
                       bool trailing_zero, Input& out);

}  // namespace tovak::plugin
