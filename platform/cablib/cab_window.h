#pragma once
// The history of a decoder that copies matches from what it decoded before:
// a ring of the method's window (at least two frames, so a frame never wraps
// onto itself), and the frame each block leaves it as. The frame is a copy, so
// that what a method does to its output (LZX's call translation) never reaches
// the history later matches copy from.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/cablib/cab_memory.h"

namespace cablib {

class HistoryWindow {
 public:
  static constexpr uint32_t kFrameSize = 32768;

  explicit HistoryWindow(uint32_t windowSize)
      : windowSize_(windowSize), ringSize_(std::max(windowSize, 2 * kFrameSize)) {}

  bool Allocate(const ClientHeap& heap) { return ring_.Allocate(heap, ringSize_) && frame_.Allocate(heap, kFrameSize); }

  // How far matches may reach back.
  uint32_t WindowSize() const { return windowSize_; }
  uint32_t RingSize() const { return ringSize_; }
  uint32_t Pos(uint64_t position) const { return static_cast<uint32_t>(position & (ringSize_ - 1)); }
  uint8_t* At(uint64_t position) const { return ring_.data() + Pos(position); }
  void Put(uint64_t position, uint8_t byte) const { *At(position) = byte; }

  // Repeats length bytes from offset back, writing from position on; false
  // when the offset reaches before the start or past the window.
  bool CopyMatch(uint64_t position, uint32_t offset, uint32_t length) const {
    if (offset > std::min<uint64_t>(position, windowSize_)) return false;
    uint8_t* ring = ring_.data();
    const uint32_t mask = ringSize_ - 1;
    uint32_t to = Pos(position);
    uint32_t from = (to - offset) & mask;
    for (uint32_t i = 0; i < length; ++i) {
      ring[to] = ring[from];
      to = (to + 1) & mask;
      from = (from + 1) & mask;
    }
    return true;
  }

  // The length bytes from start on, as one frame.
  uint8_t* CopyFrameOut(uint64_t start, uint32_t length) const {
    const uint32_t at = Pos(start);
    const uint32_t first = std::min(length, ringSize_ - at);
    std::memcpy(frame_.data(), ring_.data() + at, first);
    std::memcpy(frame_.data() + first, ring_.data(), length - first);
    return frame_.data();
  }

 private:
  const uint32_t windowSize_;
  const uint32_t ringSize_;
  HeapBuffer ring_;
  HeapBuffer frame_;
};

}  // namespace cablib
