// MSZIP: every block is "CK" and a raw deflate stream of its own, but matches
// may reach back into the 32 KiB of output before the block. ISA-L's inflate
// decodes each block, the history handed to it as a preset dictionary; it
// decodes about twice as fast as zlib, which dominated extraction time.
//
// Why a dictionary and not one long-lived stream: every block ends its
// stream, and a new stream starts without history, so the history has to be
// put back either way. The history move and ISA-L's copies in and out of its
// own window cost three 32 KiB copies per block, a few percent of the inflate
// time.
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstring>

#include "platform/cablib/cab_decoder.h"
#include "platform/cablib/cab_format.h"

namespace cablib {

namespace {

constexpr uint32_t kHistory = 32768;

class MszipDecoder final : public BlockDecoder {
 public:
  explicit MszipDecoder(const ClientHeap& heap) : heap_(heap) {}

  bool Init() {
    // The history sits right before the block's output, so the bytes to keep
    // are always one contiguous run.
    return buffer_.Allocate(heap_, kHistory + kMaxBlockOutput);
  }

  bool Decode(const uint8_t* in, uint32_t inLen, uint32_t outLen, const uint8_t** out) override {
    if (inLen < 2 || in[0] != 'C' || in[1] != 'K' || outLen > kMaxBlockOutput) return false;
    uint8_t* output = buffer_.data() + kHistory;
    if (!Inflate(in + 2, inLen - 2, output, outLen)) return false;
    KeepHistory(outLen);
    *out = output;
    return true;
  }

 private:
  bool Inflate(const uint8_t* in, uint32_t inLen, uint8_t* output, uint32_t outLen) {
    isal_inflate_init(&state_);
    state_.crc_flag = ISAL_DEFLATE;  // a raw stream, no header or checksum
    if (historyLen_ > 0 &&
        isal_inflate_set_dict(&state_, buffer_.data() + kHistory - historyLen_, historyLen_) != COMP_OK)
      return false;
    state_.next_in = const_cast<uint8_t*>(in);
    state_.avail_in = inLen;
    state_.next_out = output;
    state_.avail_out = outLen;
    isal_inflate(&state_);
    // A block must fill its stated size; a stream that goes on past it is
    // cut there, whatever follows, and one that ends short is damage.
    return state_.avail_out == 0;
  }

  // Moves the last 32 KiB of history and output in front of the output area;
  // the output itself stays where it is until the next block.
  void KeepHistory(uint32_t outLen) {
    const uint32_t keep = std::min<uint32_t>(kHistory, historyLen_ + outLen);
    uint8_t* end = buffer_.data() + kHistory + outLen;
    std::memmove(buffer_.data() + kHistory - keep, end - keep, keep);
    historyLen_ = keep;
  }

  ClientHeap heap_;
  HeapBuffer buffer_;
  inflate_state state_{};
  uint32_t historyLen_ = 0;
};

}  // namespace

BlockDecoder* MakeMszipDecoder(const ClientHeap& heap) {
  return NewDecoder<MszipDecoder>(heap);
}

}  // namespace cablib
