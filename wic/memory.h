// Memory of the decoder's own, from the process heap: its COM objects, the
// stream's bytes and the decoded picture. No operator new: the DLL carries
// no C++ exception runtime for it to throw through.
#pragma once

#include <windows.h>

#include <cstdint>
#include <new>
#include <utility>

#include "wic/module.h"

namespace tovak::wic {

// Null when the block cannot be had, or when `bytes` does not fit in the
// address space.
inline void* AllocateBytes(std::uint64_t bytes, DWORD flags = 0) {
  if (bytes > SIZE_MAX) return nullptr;
  return HeapAlloc(GetProcessHeap(), flags, static_cast<SIZE_T>(bytes == 0 ? 1 : bytes));
}

inline void FreeBytes(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

// A COM object made on the heap, counted among the module's live objects;
// null when there is no memory for it.
template <class T, class... Args>
T* MakeObject(Args&&... args) {
  void* place = AllocateBytes(sizeof(T));
  if (place == nullptr) return nullptr;
  ObjectCreated();
  return new (place) T(std::forward<Args>(args)...);
}

// The end of an object that MakeObject made, from its final Release. The
// module's count of live objects drops only once the object's memory is
// back, so that the DLL is never unloaded under the destructor.
template <class T>
void DestroyObject(T* object) {
  object->~T();
  FreeBytes(object);
  ObjectDestroyed();
}

// A block of bytes owned by one holder.
class Block {
 public:
  Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() { FreeBytes(data_); }

  // `zeroed`: every byte 0, for a block that is handed out again.
  bool Allocate(std::uint64_t bytes, bool zeroed = false) {
    FreeBytes(data_);
    data_ = static_cast<std::uint8_t*>(AllocateBytes(bytes, zeroed ? HEAP_ZERO_MEMORY : 0));
    size_ = data_ == nullptr ? 0 : bytes;
    return data_ != nullptr;
  }

  void Reset() {
    FreeBytes(data_);
    data_ = nullptr;
    size_ = 0;
  }

  std::uint8_t* data() const { return data_; }
  std::uint64_t size() const { return size_; }

 private:
  std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
};

}  // namespace tovak::wic
