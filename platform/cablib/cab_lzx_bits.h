#pragma once
// The LZX input of one block: 16-bit little-endian words read from their most
// significant bit, and the raw bytes of uncompressed blocks in between. Past
// the end the reader supplies zero bits and remembers that it did, so decoding
// never reads outside the block and damage shows at the block's end.
#include <cstdint>
#include <cstring>

namespace cablib {

class LzxBits {
 public:
  LzxBits(const uint8_t* data, uint32_t size) : next_(data), end_(data + size) {}

  // Up to 32 bits.
  uint32_t Peek(int n) {
    if (count_ < n) Refill();
    return static_cast<uint32_t>(buffer_ >> (64 - n));
  }
  void Drop(int n) {
    buffer_ <<= n;
    count_ -= n;
  }
  uint32_t Read(int n) {
    if (n == 0) return 0;
    const uint32_t value = Peek(n);
    Drop(n);
    return value;
  }

  // Skips to the next word boundary, a whole word when already on one, as an
  // uncompressed block's header wants, and switches to byte reading.
  void AlignToBytes() {
    const int partial = count_ % 16;
    Read(partial != 0 ? partial : 16);
    // The buffer holds whole words now; hand back the real bytes among them.
    const uint32_t held = static_cast<uint32_t>(count_ / 8);
    if (held >= padding_) {
      next_ -= held - padding_;
      padding_ = 0;
    } else {
      overranBytes_ = true;
    }
    buffer_ = 0;
    count_ = 0;
  }
  // Raw bytes; false when the block has fewer left.
  bool CopyBytes(uint8_t* to, uint32_t n) {
    if (overranBytes_ || padding_ > 0 || static_cast<uint32_t>(end_ - next_) < n) return false;
    std::memcpy(to, next_, n);
    next_ += n;
    return true;
  }
  bool SkipByte() {
    if (next_ == end_) return false;
    ++next_;
    return true;
  }

  // True when decoding used bits the block does not hold.
  bool Overran() const { return overranBytes_ || padding_ * 8 > static_cast<uint32_t>(count_); }

 private:
  void Refill() {
    while (count_ <= 48) {
      uint32_t word = 0;
      if (end_ - next_ >= 2) {
        word = next_[0] | (next_[1] << 8);
        next_ += 2;
      } else {
        // A lone last byte is no word; it stays for byte reading.
        padding_ += 2;
      }
      buffer_ |= static_cast<uint64_t>(word) << (48 - count_);
      count_ += 16;
    }
  }

  const uint8_t* next_;
  const uint8_t* end_;
  uint64_t buffer_ = 0;
  int count_ = 0;
  uint32_t padding_ = 0;  // zero bytes supplied past the end
  bool overranBytes_ = false;
};

}  // namespace cablib
