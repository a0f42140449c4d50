#include "wic/stream_read.h"

#include <wincodec.h>

namespace tovak::wic {
namespace {

// IStream::Read takes a 32-bit count; streams over a network or from an
// archive also do better with reads of a moderate size.
constexpr ULONG kChunkBytes = ULONG{1} << 24;

HRESULT Seek(IStream* stream, LONGLONG offset, DWORD origin, ULARGE_INTEGER* at) {
  LARGE_INTEGER move;
  move.QuadPart = offset;
  return stream->Seek(move, origin, at);
}

}  // namespace

HRESULT StreamPosition(IStream* stream, ULARGE_INTEGER& position) {
  return Seek(stream, 0, STREAM_SEEK_CUR, &position);
}

HRESULT SeekStream(IStream* stream, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return E_INVALIDARG;
  return Seek(stream, static_cast<LONGLONG>(position), STREAM_SEEK_SET, nullptr);
}

HRESULT ReadStreamStart(IStream* stream, std::uint8_t* out, ULONG count, ULONG& got) {
  got = 0;
  const HRESULT hr = SeekStream(stream, 0);
  if (FAILED(hr)) return hr;
  // A stream may hand fewer bytes than asked before its end.
  while (got < count) {
    ULONG read = 0;
    const HRESULT result = stream->Read(out + got, count - got, &read);
    if (FAILED(result)) return result;
    if (read > count - got) return WINCODEC_ERR_STREAMREAD;
    if (read == 0) break;
    got += read;
  }
  return S_OK;
}

HRESULT ReadWholeStream(IStream* stream, std::uint64_t max_bytes, Block& out, std::uint64_t& size) {
  size = 0;
  ULARGE_INTEGER end{};
  HRESULT hr = Seek(stream, 0, STREAM_SEEK_END, &end);
  if (FAILED(hr)) return hr;
  if (end.QuadPart > max_bytes) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
  hr = SeekStream(stream, 0);
  if (FAILED(hr)) return hr;
  if (!out.Allocate(end.QuadPart)) return E_OUTOFMEMORY;

  std::uint64_t done = 0;
  while (done < end.QuadPart) {
    const std::uint64_t left = end.QuadPart - done;
    const ULONG want = left < kChunkBytes ? static_cast<ULONG>(left) : kChunkBytes;
    ULONG got = 0;
    hr = stream->Read(out.data() + done, want, &got);
    if (FAILED(hr)) return hr;
    // A stream never hands more than it was asked for; one that claims to
    // is not believed.
    if (got > want) return WINCODEC_ERR_STREAMREAD;
    done += got;
    if (got < want) break;  // S_FALSE or a short read: the stream has ended
  }
  size = done;
  return S_OK;
}

}  // namespace tovak::wic
