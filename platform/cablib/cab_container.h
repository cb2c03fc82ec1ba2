#pragma once
// The records of a cabinet file: its header with the set and reserve fields,
// its folders and its file entries, read through the client's file functions.
// Every offset and length is checked against the file's length before it is
// used; what does not fit is damage (FDIERROR_CORRUPT_CABINET), except a file
// that does not even start like a cabinet (FDIERROR_NOT_A_CABINET) or one of
// a format version this library does not know.
#include <cstdint>
#include <string>

#include "platform/cablib/cab_format.h"
#include "platform/cablib/fdi.h"

namespace cablib {

struct ClientFiles {
  PFNOPEN open = nullptr;
  PFNREAD read = nullptr;
  PFNWRITE write = nullptr;
  PFNCLOSE close = nullptr;
  PFNSEEK seek = nullptr;
};

// An open cabinet file. Reads are positioned: the file pointer is the
// library's to move, so it is known after each read, and a read that starts
// where the last one ended (a folder's block records and data follow one
// another) needs no seek.
class CabinetFile {
 public:
  CabinetFile() = default;
  CabinetFile(const ClientFiles& files, intptr_t handle) : files_(files), handle_(handle) {}

  // Learns the length by seeking to the end; false when the seek fails.
  bool MeasureLength();
  uint32_t length() const { return length_; }
  intptr_t handle() const { return handle_; }
  bool Holds(uint64_t offset, uint64_t size) const { return offset <= length_ && size <= length_ - offset; }
  // All n bytes at offset, or false: outside the file, or the client's seek or
  // read failed or came back short.
  bool ReadAt(uint32_t offset, void* to, uint32_t n) const;

 private:
  bool SeekTo(uint32_t offset) const;

  static constexpr int64_t kUnknownPosition = -1;

  ClientFiles files_;
  intptr_t handle_ = -1;
  uint32_t length_ = 0;
  mutable int64_t position_ = kUnknownPosition;
};

struct CabinetHeader {
  uint32_t cabinetSize = 0;
  uint32_t filesOffset = 0;
  uint16_t folderCount = 0;
  uint16_t fileCount = 0;
  uint16_t flags = 0;
  uint16_t setId = 0;
  uint16_t index = 0;
  uint16_t headerReserve = 0;
  uint8_t folderReserve = 0;
  uint8_t dataReserve = 0;
  uint32_t foldersOffset = 0;
  // In UTF-8; empty when the header does not hold them.
  std::string prevCabinet, prevDisk, nextCabinet, nextDisk;

  bool HasPrev() const { return (flags & kFlagPrevCabinet) != 0; }
  bool HasNext() const { return (flags & kFlagNextCabinet) != 0; }
  bool SameReserves(const CabinetHeader& other) const {
    return headerReserve == other.headerReserve && folderReserve == other.folderReserve &&
           dataReserve == other.dataReserve;
  }
};

// Reads the header and checks that the folder table and the start of the
// file table lie within the file.
FDIERROR ReadHeader(const CabinetFile& file, CabinetHeader* header);

struct FolderRecord {
  uint32_t dataOffset = 0;
  uint16_t blockCount = 0;
  uint16_t compression = 0;
};

FDIERROR ReadFolder(const CabinetFile& file, const CabinetHeader& header, uint16_t index, FolderRecord* folder);

struct FileRecord {
  uint32_t size = 0;
  uint32_t folderOffset = 0;
  uint16_t folderIndex = 0;
  uint16_t date = 0;
  uint16_t time = 0;
  uint16_t attribs = 0;
  std::string name;         // UTF-8
  uint32_t recordSize = 0;  // bytes up to the next record
};

// The file record at offset; its folder index is checked by the caller, who
// knows what the cabinet's folders mean.
FDIERROR ReadFileRecord(const CabinetFile& file, uint32_t offset, FileRecord* record);

// A data block's record, read with its reserve skipped; the data follows at
// dataOffset.
struct DataBlockHeader {
  uint32_t checksum = 0;
  uint16_t compressedSize = 0;
  uint16_t uncompressedSize = 0;
  uint32_t dataOffset = 0;
  uint8_t sizeFields[4] = {};  // as stored; the checksum covers them
};

FDIERROR ReadDataBlockHeader(const CabinetFile& file, const CabinetHeader& header, uint32_t offset,
                             DataBlockHeader* block);

// The cabinet checksum: 32-bit little-endian words XORed together, a short
// tail folded in most significant byte first.
uint32_t CabChecksum(const uint8_t* data, uint32_t size, uint32_t seed);
bool BlockChecksumMatches(const DataBlockHeader& block, const uint8_t* data);

}  // namespace cablib
