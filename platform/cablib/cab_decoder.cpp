#include "platform/cablib/cab_decoder.h"

#include "platform/cablib/cab_format.h"

namespace cablib {

namespace {

// Stored blocks: the data is the output, handed on without a copy.
class StoredDecoder final : public BlockDecoder {
 public:
  bool Decode(const uint8_t* in, uint32_t inLen, uint32_t outLen, const uint8_t** out) override {
    if (inLen != outLen) return false;
    *out = in;
    return true;
  }
};

bool LzxWindowFits(uint32_t bits) { return bits >= 15 && bits <= 21; }
bool QuantumWindowFits(uint32_t bits) { return bits >= 10 && bits <= 21; }

}  // namespace

FDIERROR MakeDecoder(uint16_t typeCompress, const ClientHeap& heap, BlockDecoder** decoder) {
  const uint32_t bits = WindowBits(typeCompress);
  *decoder = nullptr;
  switch (typeCompress & kCompressionMask) {
    case kCompressionNone:
      *decoder = NewInHeap<StoredDecoder>(heap);
      break;
    case kCompressionMszip:
      *decoder = MakeMszipDecoder(heap);
      break;
    case kCompressionQuantum:
      if (!QuantumWindowFits(bits)) return FDIERROR_BAD_COMPR_TYPE;
      *decoder = MakeQuantumDecoder(heap, bits);
      break;
    case kCompressionLzx:
      if (!LzxWindowFits(bits)) return FDIERROR_BAD_COMPR_TYPE;
      *decoder = MakeLzxDecoder(heap, bits);
      break;
    default:
      return FDIERROR_BAD_COMPR_TYPE;
  }
  return *decoder ? FDIERROR_NONE : FDIERROR_ALLOC_FAIL;
}

void FreeDecoder(const ClientHeap& heap, BlockDecoder* decoder) { DeleteInHeap(heap, decoder); }

}  // namespace cablib
