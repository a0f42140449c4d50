// Ownership of local-memory blocks: a moveable block held here is unlocked
// and freed when the holder goes out of scope, unless it has been handed to
// the host; a fixed block, the plug-in's own, is always freed.
#pragma once

#include <cstdint>

#include "plugin/platform.h"

namespace tovak::plugin {

class LocalBlock {
 public:
  LocalBlock() = default;
  LocalBlock(const LocalBlock&) = delete;
  LocalBlock& operator=(const LocalBlock&) = delete;
  ~LocalBlock() { Reset(); }

  // Allocates and locks a zero-filled block. An empty block still gets one
  // byte, so that the host is never handed a discarded handle.
  bool Allocate(std::uint64_t bytes) {
    Reset();
    handle_ = platform::AllocMoveable(bytes == 0 ? 1 : bytes);
    if (handle_ == platform::LocalHandle{}) return false;
    data_ = static_cast<std::uint8_t*>(platform::Lock(handle_));
    if (data_ == nullptr) {
      Reset();
      return false;
    }
    return true;
  }

  std::uint8_t* data() const { return data_; }

  // Ownership passes to the host; the block stays as it is (locked or not).
  platform::LocalHandle Release() {
    const platform::LocalHandle h = handle_;
    handle_ = platform::LocalHandle{};
    data_ = nullptr;
    return h;
  }

  // Unlocks the block and hands it to the host.
  platform::LocalHandle UnlockAndRelease() {
    if (data_ != nullptr) platform::Unlock(handle_);
    data_ = nullptr;
    return Release();
  }

 private:
  void Reset() {
    if (handle_ == platform::LocalHandle{}) return;
    if (data_ != nullptr) platform::Unlock(handle_);
    platform::Free(handle_);
    handle_ = platform::LocalHandle{};
    data_ = nullptr;
  }

  platform::LocalHandle handle_{};
  std::uint8_t* data_ = nullptr;
};

class FixedBlock {
 public:
  FixedBlock() = default;
  FixedBlock(const FixedBlock&) = delete;
  FixedBlock& operator=(const FixedBlock&) = delete;
  ~FixedBlock() { Free(); }

  // A zero-filled block.
  bool Allocate(std::uint64_t bytes) {
    Free();
    data_ = static_cast<std::uint8_t*>(platform::AllocFixed(bytes));
    return data_ != nullptr;
  }

  std::uint8_t* data() const { return data_; }

  void Free() {
    if (data_ != nullptr) platform::FreeFixed(data_);
    data_ = nullptr;
  }

 private:
  std::uint8_t* data_ = nullptr;
};

}  // namespace tovak::plugin
