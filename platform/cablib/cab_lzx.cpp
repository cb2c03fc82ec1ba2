// LZX: an LZ77 window of 2^15..2^21 bytes whose matches and literals are
// prefix coded in blocks (verbatim, aligned offset, or stored). A folder's
// data is one stream; each data block holds one 32 KiB frame of it, the bits
// of a frame starting on a fresh word. Trees, repeated offsets and the window
// go on from frame to frame. Output frames get the call translation undone:
// the compressor turned the targets of x86 CALL (0xE8) instructions into
// absolute positions to make them repeat.
#include <algorithm>
#include <cstring>

#include "platform/cablib/cab_bytes.h"
#include "platform/cablib/cab_decoder.h"
#include "platform/cablib/cab_format.h"
#include "platform/cablib/cab_huffman.h"
#include "platform/cablib/cab_lzx_bits.h"
#include "platform/cablib/cab_window.h"

namespace cablib {

namespace {

constexpr int kLiterals = 256;
constexpr int kMaxPositionSlots = 50;
constexpr int kMainSymbols = kLiterals + 8 * kMaxPositionSlots;
constexpr int kLengthSymbols = 249;
constexpr int kAlignedSymbols = 8;
constexpr int kPretreeSymbols = 20;
constexpr uint32_t kMinMatch = 2;
constexpr uint32_t kFrameSize = HistoryWindow::kFrameSize;
// The translation stops after the first gigabyte of a folder, and spares the
// last bytes of a frame where a call's operand would not fit.
constexpr uint64_t kTranslationLimit = 1u << 30;
constexpr uint32_t kTranslationTail = 10;

enum BlockType : uint32_t { kBlockVerbatim = 1, kBlockAligned = 2, kBlockStored = 3 };

struct PositionTable {
  uint32_t base[kMaxPositionSlots];
  uint8_t extra[kMaxPositionSlots];
  constexpr PositionTable() : base(), extra() {
    uint32_t next = 0;
    for (int slot = 0; slot < kMaxPositionSlots; ++slot) {
      extra[slot] = static_cast<uint8_t>(slot < 4 ? 0 : std::min(17, (slot - 2) / 2));
      base[slot] = next;
      next += 1u << extra[slot];
    }
  }
};
constexpr PositionTable kPositions;

int PositionSlots(uint32_t windowBits) {
  switch (windowBits) {
    case 20: return 42;
    case 21: return 50;
    default: return static_cast<int>(windowBits) * 2;
  }
}

class LzxDecoder final : public BlockDecoder {
 public:
  LzxDecoder(const ClientHeap& heap, uint32_t windowBits)
      : heap_(heap), history_(1u << windowBits), mainSymbols_(kLiterals + 8 * PositionSlots(windowBits)) {}

  bool Init() { return history_.Allocate(heap_); }

  bool Decode(const uint8_t* in, uint32_t inLen, uint32_t outLen, const uint8_t** out) override {
    if (outLen == 0 || outLen > kFrameSize) return false;
    LzxBits bits(in, inLen);
    if (!started_ && !ReadStreamHeader(bits)) return false;
    const uint64_t frameEnd = frameStart_ + outLen;
    while (decoded_ < frameEnd) {
      if (blockLeft_ == 0 && !ReadBlockHeader(bits)) return false;
      if (!DecodeRun(bits, frameEnd)) return false;
    }
    if (bits.Overran()) return false;
    uint8_t* frame = history_.CopyFrameOut(frameStart_, outLen);
    UndoCallTranslation(frame, outLen);
    frameStart_ = frameEnd;
    *out = frame;
    return true;
  }

 private:
  bool ReadStreamHeader(LzxBits& bits) {
    started_ = true;
    if (bits.Read(1)) translationSize_ = bits.Read(32);
    return true;
  }

  bool ReadBlockHeader(LzxBits& bits) {
    if (bits.Overran()) return false;
    blockType_ = bits.Read(3);
    blockSize_ = blockLeft_ = bits.Read(24);
    if (blockSize_ == 0) return false;
    switch (blockType_) {
      case kBlockAligned:
        if (!ReadAlignedTree(bits)) return false;
        return ReadMainAndLengthTrees(bits);
      case kBlockVerbatim:
        return ReadMainAndLengthTrees(bits);
      case kBlockStored:
        return ReadStoredHeader(bits);
      default:
        return false;
    }
  }

  bool ReadAlignedTree(LzxBits& bits) {
    uint8_t lengths[kAlignedSymbols];
    for (auto& len : lengths) len = static_cast<uint8_t>(bits.Read(3));
    return aligned_.Build(lengths, kAlignedSymbols);
  }

  bool ReadMainAndLengthTrees(LzxBits& bits) {
    if (!ReadLengths(bits, mainLengths_, 0, kLiterals)) return false;
    if (!ReadLengths(bits, mainLengths_, kLiterals, mainSymbols_)) return false;
    if (!main_.Build(mainLengths_, mainSymbols_)) return false;
    if (!ReadLengths(bits, lengthLengths_, 0, kLengthSymbols)) return false;
    return length_.Build(lengthLengths_, kLengthSymbols);
  }

  // Code lengths come through a small tree of their own, as changes against
  // the previous block's lengths (mod 17) and runs.
  bool ReadLengths(LzxBits& bits, uint8_t* lengths, int first, int last) {
    uint8_t preLengths[kPretreeSymbols];
    for (auto& len : preLengths) len = static_cast<uint8_t>(bits.Read(4));
    if (!pretree_.Build(preLengths, kPretreeSymbols)) return false;
    for (int x = first; x < last;) {
      const int code = pretree_.Decode(bits);
      if (code < 0) return false;
      int run = 1;
      uint8_t value = 0;
      if (code == 17) {
        run = 4 + static_cast<int>(bits.Read(4));
      } else if (code == 18) {
        run = 20 + static_cast<int>(bits.Read(5));
      } else if (code == 19) {
        run = 4 + static_cast<int>(bits.Read(1));
        const int delta = pretree_.Decode(bits);
        if (delta < 0 || delta > 16) return false;
        value = static_cast<uint8_t>((lengths[x] + 17 - delta) % 17);
      } else {
        value = static_cast<uint8_t>((lengths[x] + 17 - code) % 17);
      }
      for (const int end = std::min(last, x + run); x < end; ++x) lengths[x] = value;
    }
    return true;
  }

  bool ReadStoredHeader(LzxBits& bits) {
    bits.AlignToBytes();
    uint8_t offsets[12];
    if (!bits.CopyBytes(offsets, sizeof offsets)) return false;
    repeat_[0] = ReadLe32(offsets);
    repeat_[1] = ReadLe32(offsets + 4);
    repeat_[2] = ReadLe32(offsets + 8);
    return true;
  }

  bool DecodeRun(LzxBits& bits, uint64_t frameEnd) {
    if (blockType_ == kBlockStored) return CopyStored(bits, frameEnd);
    while (decoded_ < frameEnd && blockLeft_ > 0) {
      if (!DecodeElement(bits)) return false;
    }
    return true;
  }

  // Stored bytes of a block may go on in the next frame's data block.
  bool CopyStored(LzxBits& bits, uint64_t frameEnd) {
    uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(blockLeft_, frameEnd - decoded_));
    while (n > 0) {
      const uint32_t chunk = std::min(n, history_.RingSize() - history_.Pos(decoded_));
      if (!bits.CopyBytes(history_.At(decoded_), chunk)) return false;
      Advance(chunk);
      n -= chunk;
    }
    // An odd-sized stored block is padded to keep the words that follow
    // aligned.
    if (blockLeft_ == 0 && (blockSize_ & 1) != 0) bits.SkipByte();
    return true;
  }

  bool DecodeElement(LzxBits& bits) {
    const int symbol = main_.Decode(bits);
    if (symbol < 0) return false;
    if (symbol < kLiterals) {
      history_.Put(decoded_, static_cast<uint8_t>(symbol));
      Advance(1);
      return true;
    }
    const uint32_t lengthHeader = (symbol - kLiterals) & 7;
    const uint32_t slot = static_cast<uint32_t>(symbol - kLiterals) >> 3;
    uint32_t length = lengthHeader + kMinMatch;
    if (lengthHeader == 7) {
      const int footer = length_.Decode(bits);
      if (footer < 0) return false;
      length += static_cast<uint32_t>(footer);
    }
    uint32_t offset = 0;
    return MatchOffset(bits, slot, &offset) && CopyMatch(offset, length);
  }

  // Slots 0..2 repeat one of the last three offsets; the others give an
  // offset of their own, in aligned blocks with its low three bits coded.
  bool MatchOffset(LzxBits& bits, uint32_t slot, uint32_t* offset) {
    if (slot < 3) {
      *offset = repeat_[slot];
      repeat_[slot] = repeat_[0];
      repeat_[0] = *offset;
      return true;
    }
    const uint32_t extra = kPositions.extra[slot];
    *offset = kPositions.base[slot] - 2;
    if (blockType_ == kBlockAligned && extra >= 3) {
      *offset += bits.Read(static_cast<int>(extra - 3)) << 3;
      const int low = aligned_.Decode(bits);
      if (low < 0) return false;
      *offset += static_cast<uint32_t>(low);
    } else {
      *offset += bits.Read(static_cast<int>(extra));
    }
    repeat_[2] = repeat_[1];
    repeat_[1] = repeat_[0];
    repeat_[0] = *offset;
    return true;
  }

  // A match may run past the frame into the next one, not past its block.
  bool CopyMatch(uint32_t offset, uint32_t length) {
    if (offset == 0 || length > blockLeft_ || !history_.CopyMatch(decoded_, offset, length)) return false;
    Advance(length);
    return true;
  }

  void Advance(uint32_t n) {
    decoded_ += n;
    blockLeft_ -= n;
  }

  // On the frame, which is a copy: the history keeps the bytes as coded.
  void UndoCallTranslation(uint8_t* data, uint32_t outLen) {
    if (translationSize_ == 0 || outLen <= kTranslationTail || frameStart_ >= kTranslationLimit) return;
    const uint8_t* limit = data + outLen - kTranslationTail;
    const int32_t size = static_cast<int32_t>(translationSize_);
    for (uint8_t* p = data; p < limit;) {
      p = static_cast<uint8_t*>(std::memchr(p, 0xE8, static_cast<size_t>(limit - p)));
      if (!p) break;
      const int32_t position = static_cast<int32_t>(frameStart_ + static_cast<uint64_t>(p - data));
      const int32_t target = static_cast<int32_t>(ReadLe32(p + 1));
      if (target >= -position && target < size) {
        const int32_t relative = target >= 0 ? target - position : target + size;
        WriteLe32(p + 1, static_cast<uint32_t>(relative));
      }
      p += 5;
    }
  }

  ClientHeap heap_;
  HistoryWindow history_;
  const int mainSymbols_;
  bool started_ = false;
  uint32_t translationSize_ = 0;
  uint64_t decoded_ = 0;     // bytes put into the window since the folder began
  uint64_t frameStart_ = 0;  // folder offset of the frame being decoded
  uint32_t blockType_ = 0;
  uint32_t blockSize_ = 0;
  uint32_t blockLeft_ = 0;
  uint32_t repeat_[3] = {1, 1, 1};
  uint8_t mainLengths_[kMainSymbols] = {};
  uint8_t lengthLengths_[kLengthSymbols] = {};
  HuffmanTable<kMainSymbols, 11> main_;
  HuffmanTable<kLengthSymbols, 10> length_;
  HuffmanTable<kAlignedSymbols, 7> aligned_;
  HuffmanTable<kPretreeSymbols, 8> pretree_;
};

}  // namespace

BlockDecoder* MakeLzxDecoder(const ClientHeap& heap, uint32_t windowBits) {
  return NewDecoder<LzxDecoder>(heap, windowBits);
}

}  // namespace cablib
