#include "platform/cablib/cab_folder.h"

namespace cablib {

namespace {

// Room for a block split over two cabinets, each part at its largest.
constexpr uint32_t kInputCapacity = 2 * 0xFFFF;

}  // namespace

FDIERROR FolderStream::Start(const Cabinet& cabinet, uint16_t index) {
  started_ = false;
  FolderRecord record;
  FDIERROR error = ReadFolder(cabinet.file, cabinet.header, index, &record);
  if (error != FDIERROR_NONE) return error;
  if ((error = PrepareDecoder(record.compression)) != FDIERROR_NONE) return error;
  origin_ = source_ = &cabinet;
  folder_ = sourceFolder_ = index;
  nextBlockOffset_ = record.dataOffset;
  blocksLeft_ = record.blockCount;
  block_ = nullptr;
  blockStart_ = 0;
  blockLen_ = 0;
  started_ = true;
  return FDIERROR_NONE;
}

// A decoder is made anew for every folder start: its state is the folder's.
FDIERROR FolderStream::PrepareDecoder(uint16_t compression) {
  FreeDecoder(heap_, decoder_);
  decoder_ = nullptr;
  if (!input_.data() && !input_.Allocate(heap_, kInputCapacity)) return FDIERROR_ALLOC_FAIL;
  return MakeDecoder(compression, heap_, &decoder_);
}

FDIERROR FolderStream::Reach(uint64_t offset) {
  while (offset >= blockEnd()) {
    const FDIERROR error = NextBlock();
    if (error != FDIERROR_NONE) return error;
  }
  return FDIERROR_NONE;
}

FDIERROR FolderStream::NextBlock() {
  uint32_t outLen = 0;
  const FDIERROR error = ReadBlockData(&outLen);
  if (error != FDIERROR_NONE) return error;
  const uint8_t* out = nullptr;
  if (!decoder_->Decode(input_.data(), inputLen_, outLen, &out)) return FDIERROR_MDI_FAIL;
  blockStart_ += blockLen_;
  blockLen_ = outLen;
  block_ = out;
  return FDIERROR_NONE;
}

// Gathers the next block's compressed bytes, joining the parts of a block
// split between cabinets.
FDIERROR FolderStream::ReadBlockData(uint32_t* outLen) {
  inputLen_ = 0;
  for (;;) {
    if (blocksLeft_ == 0) {
      const FDIERROR error = MoveToNextCabinet();
      if (error != FDIERROR_NONE) return error;
    }
    DataBlockHeader block;
    const FDIERROR error = ReadPart(&block);
    if (error != FDIERROR_NONE) return error;
    if (block.uncompressedSize != 0) {
      if (block.uncompressedSize > kMaxBlockOutput) return FDIERROR_CORRUPT_CABINET;
      *outLen = block.uncompressedSize;
      return FDIERROR_NONE;
    }
    // Only the last block a cabinet holds of a folder can be a first part.
    if (blocksLeft_ != 0 || !ContinuesInNextCabinet()) return FDIERROR_CORRUPT_CABINET;
  }
}

FDIERROR FolderStream::ReadPart(DataBlockHeader* block) {
  const Cabinet& cabinet = *source_;
  FDIERROR error = ReadDataBlockHeader(cabinet.file, cabinet.header, nextBlockOffset_, block);
  if (error != FDIERROR_NONE) return error;
  if (block->compressedSize > input_.size() - inputLen_) return FDIERROR_CORRUPT_CABINET;
  uint8_t* data = input_.data() + inputLen_;
  if (!cabinet.file.ReadAt(block->dataOffset, data, block->compressedSize)) return FDIERROR_CORRUPT_CABINET;
  if (!BlockChecksumMatches(*block, data)) return FDIERROR_CORRUPT_CABINET;
  inputLen_ += block->compressedSize;
  nextBlockOffset_ = block->dataOffset + block->compressedSize;
  --blocksLeft_;
  return FDIERROR_NONE;
}

bool FolderStream::ContinuesInNextCabinet() const {
  return source_->header.HasNext() && sourceFolder_ + 1 == source_->header.folderCount;
}

// The folder's data goes on in the next cabinet's first folder; a folder that
// does not continue has run out of data before its files' end.
FDIERROR FolderStream::MoveToNextCabinet() {
  if (!ContinuesInNextCabinet()) return FDIERROR_CORRUPT_CABINET;
  Cabinet* next = nullptr;
  FDIERROR error = chain_.OpenNext(*source_, &next);
  if (error != FDIERROR_NONE) return error;
  FolderRecord record;
  if ((error = ReadFolder(next->file, next->header, 0, &record)) != FDIERROR_NONE) return error;
  if (record.blockCount == 0) return FDIERROR_CORRUPT_CABINET;
  source_ = next;
  sourceFolder_ = 0;
  nextBlockOffset_ = record.dataOffset;
  blocksLeft_ = record.blockCount;
  return FDIERROR_NONE;
}

}  // namespace cablib
