#pragma once
// Memory of the cabinet library: everything it holds comes from the client's
// allocation functions, so a client that counts or limits memory sees it all.
#include <cstdint>
#include <new>
#include <utility>

#include "platform/cablib/fdi.h"

namespace cablib {

struct ClientHeap {
  PFNALLOC alloc = nullptr;
  PFNFREE free = nullptr;
};

// Builds a T in client memory; null when the client has none left.
template <class T, class... Args>
T* NewInHeap(const ClientHeap& heap, Args&&... args) {
  void* place = heap.alloc(static_cast<uint32_t>(sizeof(T)));
  return place ? new (place) T(std::forward<Args>(args)...) : nullptr;
}

template <class T>
void DeleteInHeap(const ClientHeap& heap, T* object) {
  if (!object) return;
  object->~T();
  heap.free(object);
}

// A byte buffer of client memory, freed with its owner.
class HeapBuffer {
 public:
  HeapBuffer() = default;
  HeapBuffer(const HeapBuffer&) = delete;
  HeapBuffer& operator=(const HeapBuffer&) = delete;
  ~HeapBuffer() { Release(); }

  bool Allocate(const ClientHeap& heap, uint32_t size) {
    Release();
    heap_ = heap;
    data_ = static_cast<uint8_t*>(heap.alloc(size));
    size_ = data_ ? size : 0;
    return data_ != nullptr;
  }
  void Release() {
    if (data_) heap_.free(data_);
    data_ = nullptr;
    size_ = 0;
  }
  uint8_t* data() const { return data_; }
  uint32_t size() const { return size_; }

 private:
  ClientHeap heap_;
  uint8_t* data_ = nullptr;
  uint32_t size_ = 0;
};

}  // namespace cablib
