// Quantum: an LZ77 window of 2^10..2^21 bytes whose literals and matches are
// coded by a 16-bit arithmetic coder over adaptive frequency models. Each data
// block holds one frame: the coder starts afresh on it, while the models and
// the window go on through the folder. Extra bits of match offsets and lengths
// are taken from the same bit stream, most significant bit of a byte first.
#include <algorithm>
#include <cstring>

#include "platform/cablib/cab_decoder.h"
#include "platform/cablib/cab_format.h"
#include "platform/cablib/cab_window.h"

namespace cablib {

namespace {

constexpr uint32_t kFrameSize = HistoryWindow::kFrameSize;
// A model is rescaled when its total passes this, and after this many
// rescalings by halving it is also re-sorted.
constexpr uint32_t kRescaleTotal = 3800;
constexpr uint32_t kIncrement = 8;
constexpr int kFirstSortAfter = 4;
constexpr int kSortEvery = 50;
// The frame's coder may read a little past its bytes at the very end.
constexpr uint32_t kSlackBytes = 2;

constexpr uint32_t kPositionBase[42] = {
    0,      1,      2,      3,      4,      6,       8,       12,      16,      24,      32,
    48,     64,     96,     128,    192,    256,     384,     512,     768,     1024,    1536,
    2048,   3072,   4096,   6144,   8192,   12288,   16384,   24576,   32768,   49152,   65536,
    98304,  131072, 196608, 262144, 393216, 524288,  786432,  1048576, 1572864};
constexpr uint8_t kPositionExtra[42] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,
                                        6,  6,  7,  7,  8,  8,  9,  9,  10, 10, 11, 11, 12, 12,
                                        13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19};
constexpr uint32_t kLengthBase[27] = {0,  1,  2,  3,  4,  5,  6,  8,  10,  12,  14,  18,  22, 26,
                                      30, 38, 46, 54, 62, 78, 94, 110, 126, 158, 190, 222, 254};
constexpr uint8_t kLengthExtra[27] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

class QuantumBits {
 public:
  QuantumBits(const uint8_t* data, uint32_t size) : next_(data), end_(data + size) {}

  uint32_t Read(int n) {
    if (n == 0) return 0;
    if (count_ < n) Refill();
    const uint32_t value = static_cast<uint32_t>(buffer_ >> (64 - n));
    buffer_ <<= n;
    count_ -= n;
    return value;
  }
  bool Overran() const { return padding_ > kSlackBytes + static_cast<uint32_t>(count_) / 8; }

 private:
  void Refill() {
    while (count_ <= 56) {
      uint64_t byte = 0;
      if (next_ < end_) {
        byte = *next_++;
      } else {
        ++padding_;
      }
      buffer_ |= byte << (56 - count_);
      count_ += 8;
    }
  }

  const uint8_t* next_;
  const uint8_t* end_;
  uint64_t buffer_ = 0;
  int count_ = 0;
  uint32_t padding_ = 0;
};

// Symbols in order of falling frequency, with cumulative frequencies: entry i
// counts itself and every entry after it; the entry past the last holds 0.
class Model {
 public:
  void Init(int first, int entries) {
    entries_ = entries;
    sortCountdown_ = kFirstSortAfter;
    for (int i = 0; i <= entries; ++i) {
      symbol_[i] = static_cast<uint16_t>(first + i);
      cumulative_[i] = static_cast<uint16_t>(entries - i);
    }
  }
  int entries() const { return entries_; }
  uint32_t total() const { return cumulative_[0]; }
  uint32_t cumulative(int i) const { return cumulative_[i]; }
  uint16_t symbol(int i) const { return symbol_[i]; }

  // The entry whose range holds the scaled count.
  int Find(uint32_t count) const {
    int i = 1;
    while (i < entries_ && cumulative_[i] > count) ++i;
    return i - 1;
  }

  void Update(int index) {
    for (int i = index; i >= 0; --i) cumulative_[i] = static_cast<uint16_t>(cumulative_[i] + kIncrement);
    if (cumulative_[0] > kRescaleTotal) Rescale();
  }

 private:
  void Rescale() {
    if (--sortCountdown_ > 0) {
      Halve();
    } else {
      sortCountdown_ = kSortEvery;
      HalveAndSort();
    }
  }

  // Halves the cumulative counts, keeping every entry at a frequency of one
  // or more.
  void Halve() {
    for (int i = entries_ - 1; i >= 0; --i) {
      cumulative_[i] = static_cast<uint16_t>(cumulative_[i] >> 1);
      if (cumulative_[i] <= cumulative_[i + 1]) cumulative_[i] = static_cast<uint16_t>(cumulative_[i + 1] + 1);
    }
  }

  // Halves the frequencies themselves, rounding up, and re-sorts the entries
  // by them with the exchange sort the compressor uses: ties must end up in
  // the same order on both sides.
  void HalveAndSort() {
    uint16_t frequency[65];
    for (int i = 0; i < entries_; ++i)
      frequency[i] = static_cast<uint16_t>((cumulative_[i] - cumulative_[i + 1] + 1) >> 1);
    for (int i = 0; i + 1 < entries_; ++i) {
      for (int j = i + 1; j < entries_; ++j) {
        if (frequency[i] < frequency[j]) {
          std::swap(frequency[i], frequency[j]);
          std::swap(symbol_[i], symbol_[j]);
        }
      }
    }
    for (int i = entries_ - 1; i >= 0; --i)
      cumulative_[i] = static_cast<uint16_t>(frequency[i] + cumulative_[i + 1]);
  }

  int entries_ = 0;
  int sortCountdown_ = 0;
  uint16_t symbol_[65] = {};
  uint16_t cumulative_[65] = {};
};

class QuantumDecoder final : public BlockDecoder {
 public:
  QuantumDecoder(const ClientHeap& heap, uint32_t windowBits)
      : heap_(heap), history_(1u << windowBits) {
    const int slots = static_cast<int>(windowBits) * 2;
    selector_.Init(0, 7);
    for (int i = 0; i < 4; ++i) literal_[i].Init(i * 64, 64);
    position3_.Init(0, std::min(slots, 24));
    position4_.Init(0, std::min(slots, 36));
    position5_.Init(0, slots);
    length5_.Init(0, 27);
  }

  bool Init() { return history_.Allocate(heap_); }

  bool Decode(const uint8_t* in, uint32_t inLen, uint32_t outLen, const uint8_t** out) override {
    if (outLen == 0 || outLen > kFrameSize) return false;
    QuantumBits bits(in, inLen);
    high_ = 0xFFFF;
    low_ = 0;
    code_ = bits.Read(16);
    const uint64_t frameEnd = frameStart_ + outLen;
    while (decoded_ < frameEnd) {
      if (!DecodeElement(bits)) return false;
    }
    if (bits.Overran()) return false;
    *out = history_.CopyFrameOut(frameStart_, outLen);
    frameStart_ = frameEnd;
    return true;
  }

 private:
  bool DecodeElement(QuantumBits& bits) {
    const int selector = DecodeSymbol(selector_, bits);
    if (selector < 4) {
      history_.Put(decoded_, static_cast<uint8_t>(DecodeSymbol(literal_[selector], bits)));
      ++decoded_;
      return true;
    }
    uint32_t length = 0;
    int slot = 0;
    if (selector == 4) {
      length = 3;
      slot = DecodeSymbol(position3_, bits);
    } else if (selector == 5) {
      length = 4;
      slot = DecodeSymbol(position4_, bits);
    } else {
      const int lengthSlot = DecodeSymbol(length5_, bits);
      length = kLengthBase[lengthSlot] + bits.Read(kLengthExtra[lengthSlot]) + 5;
      slot = DecodeSymbol(position5_, bits);
    }
    const uint32_t offset = kPositionBase[slot] + bits.Read(kPositionExtra[slot]) + 1;
    return CopyMatch(offset, length);
  }

  int DecodeSymbol(Model& model, QuantumBits& bits) {
    const uint32_t range = ((high_ - low_) & 0xFFFF) + 1;
    const uint32_t total = model.total();
    const uint32_t count = ((((code_ - low_) & 0xFFFF) + 1) * total - 1) / range & 0xFFFF;
    const int index = model.Find(count);
    const int symbol = model.symbol(index);
    high_ = (low_ + model.cumulative(index) * range / total - 1) & 0xFFFF;
    low_ = (low_ + model.cumulative(index + 1) * range / total) & 0xFFFF;
    model.Update(index);
    Renormalize(bits);
    return symbol;
  }

  // Shifts out the bits high and low agree on; when they straddle the middle
  // closely (01... against 10...) the second bit is dropped instead, so the
  // range never collapses.
  void Renormalize(QuantumBits& bits) {
    for (;;) {
      if ((low_ ^ high_) & 0x8000) {
        if ((low_ & 0x4000) && !(high_ & 0x4000)) {
          code_ ^= 0x4000;
          low_ &= 0x3FFF;
          high_ |= 0x4000;
        } else {
          return;
        }
      }
      low_ = (low_ << 1) & 0xFFFF;
      high_ = ((high_ << 1) | 1) & 0xFFFF;
      code_ = ((code_ << 1) | bits.Read(1)) & 0xFFFF;
    }
  }

  bool CopyMatch(uint32_t offset, uint32_t length) {
    if (!history_.CopyMatch(decoded_, offset, length)) return false;
    decoded_ += length;
    return true;
  }


  ClientHeap heap_;
  HistoryWindow history_;
  uint64_t decoded_ = 0;
  uint64_t frameStart_ = 0;
  uint32_t high_ = 0;
  uint32_t low_ = 0;
  uint32_t code_ = 0;
  Model selector_;
  Model literal_[4];
  Model position3_;
  Model position4_;
  Model position5_;
  Model length5_;
};

}  // namespace

BlockDecoder* MakeQuantumDecoder(const ClientHeap& heap, uint32_t windowBits) {
  return NewDecoder<QuantumDecoder>(heap, windowBits);
}

}  // namespace cablib
