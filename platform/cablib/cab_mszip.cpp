// MSZIP: every block is "CK" and a raw deflate stream of its own, but matches
// may reach back into the 32 KiB of output before the block. zlib inflates
// each block; the history is handed to it as a preset dictionary.
//
// Why a dictionary and not one long-lived stream: inflateReset drops zlib's
// window, so the history has to be put back either way. Inflating a block
// with Z_FINISH into a buffer that holds it whole lets zlib skip copying the
// output into its own window; the history move and the dictionary copy cost
// two 32 KiB copies per block, a few percent of the inflate time.
#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "platform/cablib/cab_decoder.h"
#include "platform/cablib/cab_format.h"

namespace cablib {

namespace {

constexpr uint32_t kHistory = 32768;

voidpf ZlibAlloc(voidpf opaque, uInt items, uInt size) {
  const auto* heap = static_cast<const ClientHeap*>(opaque);
  const uint64_t bytes = static_cast<uint64_t>(items) * size;
  return bytes > UINT32_MAX ? nullptr : heap->alloc(static_cast<uint32_t>(bytes));
}

void ZlibFree(voidpf opaque, voidpf address) { static_cast<const ClientHeap*>(opaque)->free(address); }

class MszipDecoder final : public BlockDecoder {
 public:
  explicit MszipDecoder(const ClientHeap& heap) : heap_(heap) {}
  ~MszipDecoder() override {
    if (streamReady_) inflateEnd(&stream_);
  }

  bool Init() {
    // The history sits right before the block's output, so the bytes to keep
    // are always one contiguous run.
    if (!buffer_.Allocate(heap_, kHistory + kMaxBlockOutput)) return false;
    stream_ = {};
    stream_.zalloc = ZlibAlloc;
    stream_.zfree = ZlibFree;
    stream_.opaque = &heap_;
    streamReady_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK;
    return streamReady_;
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
    if (inflateReset(&stream_) != Z_OK) return false;
    if (historyLen_ > 0 &&
        inflateSetDictionary(&stream_, buffer_.data() + kHistory - historyLen_, historyLen_) != Z_OK)
      return false;
    stream_.next_in = const_cast<Bytef*>(in);
    stream_.avail_in = inLen;
    stream_.next_out = output;
    stream_.avail_out = outLen;
    const int status = inflate(&stream_, Z_FINISH);
    // A block must fill its stated size; a stream that goes on past it is
    // cut there, one that ends short is damage.
    if (stream_.avail_out != 0) return false;
    return status == Z_STREAM_END || status == Z_BUF_ERROR || status == Z_OK;
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
  z_stream stream_{};
  bool streamReady_ = false;
  uint32_t historyLen_ = 0;
};

}  // namespace

BlockDecoder* MakeMszipDecoder(const ClientHeap& heap) {
  auto* decoder = NewInHeap<MszipDecoder>(heap, heap);
  if (decoder && !decoder->Init()) {
    DeleteInHeap(heap, decoder);
    return nullptr;
  }
  return decoder;
}

}  // namespace cablib
