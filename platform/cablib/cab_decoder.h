#pragma once
// The decoders of a folder's data. A folder's blocks go through one decoder in
// order; each block yields the uncompressed size its record states. Decoders
// keep what the method carries from block to block (history window, models,
// trees), so a folder is decoded from its first block on.
#include <cstdint>

#include "platform/cablib/cab_memory.h"
#include "platform/cablib/fdi.h"

namespace cablib {

class BlockDecoder {
 public:
  virtual ~BlockDecoder() = default;
  // Decodes one block into exactly outLen bytes (1..32768). *out stays valid
  // until the next call and may point into in. False on data the method cannot
  // decode.
  virtual bool Decode(const uint8_t* in, uint32_t inLen, uint32_t outLen, const uint8_t** out) = 0;
};

// The decoder for a folder's compression type, made in client memory. Returns
// FDIERROR_BAD_COMPR_TYPE for methods or window sizes this library lacks and
// FDIERROR_ALLOC_FAIL when memory runs out.
FDIERROR MakeDecoder(uint16_t typeCompress, const ClientHeap& heap, BlockDecoder** decoder);
void FreeDecoder(const ClientHeap& heap, BlockDecoder* decoder);

// Makes a method's decoder in client memory and readies it (Init); null when
// memory runs out.
template <class Decoder, class... Args>
BlockDecoder* NewDecoder(const ClientHeap& heap, Args... args) {
  auto* decoder = NewInHeap<Decoder>(heap, heap, args...);
  if (decoder && !decoder->Init()) {
    DeleteInHeap(heap, decoder);
    return nullptr;
  }
  return decoder;
}

// The methods' own constructors; each returns null when memory runs out.
BlockDecoder* MakeMszipDecoder(const ClientHeap& heap);
BlockDecoder* MakeLzxDecoder(const ClientHeap& heap, uint32_t windowBits);
BlockDecoder* MakeQuantumDecoder(const ClientHeap& heap, uint32_t windowBits);

}  // namespace cablib
