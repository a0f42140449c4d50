// A client's stream, read whole from its start into a block of the
// decoder's own: the core works on one buffer of known length.
#pragma once

#include <objidl.h>

#include <cstdint>

#include "wic/memory.h"

namespace tovak::wic {

// Reads every byte from the start of `stream` into `out`; `size` is the
// count read (a stream that ends early gives fewer bytes than it
// announced). A stream longer than `max_bytes` is refused with
// WINCODEC_ERR_IMAGESIZEOUTOFRANGE before anything is read. The stream is
// left wherever reading ended.
HRESULT ReadWholeStream(IStream* stream, std::uint64_t max_bytes, Block& out, std::uint64_t& size);

// Reads up to `count` bytes from the start of `stream` into `out`; `got` is
// the count read, fewer when the stream is shorter.
HRESULT ReadStreamStart(IStream* stream, std::uint8_t* out, ULONG count, ULONG& got);

// The stream's position, to put back after a look at the stream.
HRESULT StreamPosition(IStream* stream, ULARGE_INTEGER& position);
HRESULT SeekStream(IStream* stream, std::uint64_t position);

}  // namespace tovak::wic
