#pragma once
// One folder's data as a run of decoded blocks. The folder starts in one
// cabinet and, when it is that cabinet's last folder and the cabinet says the
// set goes on, continues as the first folder of the next one; a block may be
// split there, its first part (stated as producing nothing) at the end of the
// earlier cabinet.
#include <cstdint>

#include "platform/cablib/cab_container.h"
#include "platform/cablib/cab_decoder.h"
#include "platform/cablib/cab_memory.h"

namespace cablib {

// An open cabinet with its header.
struct Cabinet {
  CabinetFile file;
  CabinetHeader header;
  bool open = false;
};

// Finds the cabinet a folder continues in.
class CabinetChain {
 public:
  // The cabinet after `current`, checked to continue it; an FDIERROR when
  // there is none (the client aborted, or it could not be had).
  virtual FDIERROR OpenNext(const Cabinet& current, Cabinet** next) = 0;

 protected:
  ~CabinetChain() = default;
};

class FolderStream {
 public:
  FolderStream(const ClientHeap& heap, CabinetChain& chain) : heap_(heap), chain_(chain) {}
  FolderStream(const FolderStream&) = delete;
  FolderStream& operator=(const FolderStream&) = delete;
  ~FolderStream() { FreeDecoder(heap_, decoder_); }

  // Goes to the start of folder `index` of `cabinet`, with a fresh decoder.
  FDIERROR Start(const Cabinet& cabinet, uint16_t index);
  bool IsAt(const Cabinet& cabinet, uint16_t index, uint64_t offset) const {
    return started_ && origin_ == &cabinet && folder_ == index && offset >= blockStart_;
  }
  // Decodes on until the current block holds folder offset `offset`, which
  // must not lie before the current block.
  FDIERROR Reach(uint64_t offset);

  const uint8_t* block() const { return block_; }
  uint64_t blockStart() const { return blockStart_; }
  uint64_t blockEnd() const { return blockStart_ + blockLen_; }

 private:
  FDIERROR NextBlock();
  FDIERROR ReadBlockData(uint32_t* outLen);
  FDIERROR ReadPart(DataBlockHeader* block);
  FDIERROR MoveToNextCabinet();
  bool ContinuesInNextCabinet() const;
  FDIERROR PrepareDecoder(uint16_t compression);

  ClientHeap heap_;
  CabinetChain& chain_;
  BlockDecoder* decoder_ = nullptr;
  // Compressed data of one block, both parts of a split one included.
  HeapBuffer input_;
  uint32_t inputLen_ = 0;

  bool started_ = false;
  const Cabinet* origin_ = nullptr;  // where the folder starts
  uint16_t folder_ = 0;
  const Cabinet* source_ = nullptr;  // where its next block is
  uint16_t sourceFolder_ = 0;
  uint32_t nextBlockOffset_ = 0;
  uint32_t blocksLeft_ = 0;  // in the source cabinet

  const uint8_t* block_ = nullptr;
  uint64_t blockStart_ = 0;
  uint32_t blockLen_ = 0;
};

}  // namespace cablib
