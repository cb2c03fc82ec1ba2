#pragma once
// Canonical prefix codes as LZX stores them: only code lengths are sent, codes
// of one length are consecutive and follow symbol order. Short codes resolve
// by one table look-up, longer ones by a walk over the lengths.
#include <cstdint>
#include <cstring>

namespace cablib {

constexpr int kMaxCodeLength = 16;

template <int MaxSymbols, int FastBits>
class HuffmanTable {
 public:
  // False when the lengths claim more codes than there are bit patterns. A
  // table with unused patterns, or none at all, is fine until data uses one.
  bool Build(const uint8_t* lengths, int symbols) {
    uint16_t count[kMaxCodeLength + 1] = {};
    for (int s = 0; s < symbols; ++s) {
      if (lengths[s] > kMaxCodeLength) return false;
      ++count[lengths[s]];
    }
    if (!CountsFit(count)) return false;
    AssignCodes(count, lengths, symbols);
    return true;
  }

  // The next symbol, or -1 when the bits are no code of the table.
  template <class Bits>
  int Decode(Bits& bits) const {
    const uint32_t window = bits.Peek(kMaxCodeLength);
    const uint16_t entry = fast_[window >> (kMaxCodeLength - FastBits)];
    if (entry != 0) {
      bits.Drop(entry & 31);
      return entry >> 5;
    }
    for (int len = FastBits + 1; len <= kMaxCodeLength; ++len) {
      const uint32_t offset = (window >> (kMaxCodeLength - len)) - first_[len];
      if (offset < count_[len]) {
        bits.Drop(len);
        return sorted_[index_[len] + offset];
      }
    }
    return -1;
  }

 private:
  static_assert(MaxSymbols < 2048, "symbols share a table entry with a 5-bit length");

  static bool CountsFit(const uint16_t* count) {
    int32_t left = 1;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      left = left * 2 - count[len];
      if (left < 0) return false;
    }
    return true;
  }

  void AssignCodes(const uint16_t* count, const uint8_t* lengths, int symbols) {
    uint32_t next[kMaxCodeLength + 1] = {};
    uint32_t code = 0;
    uint16_t index = 0;
    for (int len = 1; len <= kMaxCodeLength; ++len) {
      count_[len] = count[len];
      first_[len] = code;
      next[len] = code;
      index_[len] = index;
      index += count[len];
      code = (code + count[len]) << 1;
    }
    std::memset(fast_, 0, sizeof(fast_));
    uint16_t placed[kMaxCodeLength + 1] = {};
    for (int s = 0; s < symbols; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      sorted_[index_[len] + placed[len]++] = static_cast<uint16_t>(s);
      const uint32_t symbolCode = next[len]++;
      if (len <= FastBits) Fill(symbolCode, len, s);
    }
  }

  void Fill(uint32_t code, int len, int symbol) {
    const uint32_t base = code << (FastBits - len);
    const uint16_t entry = static_cast<uint16_t>((symbol << 5) | len);
    for (uint32_t k = 0; k < (1u << (FastBits - len)); ++k) fast_[base + k] = entry;
  }

  uint16_t fast_[1 << FastBits] = {};
  uint32_t first_[kMaxCodeLength + 1] = {};
  uint16_t count_[kMaxCodeLength + 1] = {};
  uint16_t index_[kMaxCodeLength + 1] = {};
  uint16_t sorted_[MaxSymbols] = {};
};

}  // namespace cablib
