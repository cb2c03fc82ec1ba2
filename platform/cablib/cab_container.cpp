#include "platform/cablib/cab_container.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/cablib/cab_bytes.h"
#include "platform/codepage.h"

namespace cablib {

bool CabinetFile::MeasureLength() {
  const int32_t end = files_.seek(handle_, 0, SEEK_END);
  if (end < 0) return false;
  length_ = static_cast<uint32_t>(end);
  position_ = end;
  return true;
}

bool CabinetFile::ReadAt(uint32_t offset, void* to, uint32_t n) const {
  if (!Holds(offset, n)) return false;
  if (n == 0) return true;
  if (!SeekTo(offset)) return false;
  // After a failed or short read the pointer may stand anywhere.
  const bool whole = files_.read(handle_, to, n) == n;
  position_ = whole ? static_cast<int64_t>(offset) + n : kUnknownPosition;
  return whole;
}

bool CabinetFile::SeekTo(uint32_t offset) const {
  if (position_ == offset) return true;
  const bool moved = files_.seek(handle_, static_cast<int32_t>(offset), SEEK_SET) == static_cast<int32_t>(offset);
  position_ = moved ? offset : kUnknownPosition;
  return moved;
}

namespace {

// A zero-terminated string of at most kMaxNameBytes bytes at offset; *end is
// the offset after its terminator.
bool ReadStoredString(const CabinetFile& file, uint32_t offset, std::string* raw, uint32_t* end) {
  if (offset >= file.length()) return false;
  char buffer[kMaxNameBytes];
  const uint32_t n = std::min<uint32_t>(kMaxNameBytes, file.length() - offset);
  if (!file.ReadAt(offset, buffer, n)) return false;
  const void* zero = std::memchr(buffer, 0, n);
  if (!zero) return false;
  const auto len = static_cast<uint32_t>(static_cast<const char*>(zero) - buffer);
  raw->assign(buffer, len);
  *end = offset + len + 1;
  return true;
}

bool ReadCabinetName(const CabinetFile& file, uint32_t* offset, std::string* cabinet, std::string* disk) {
  std::string raw;
  if (!ReadStoredString(file, *offset, &raw, offset)) return false;
  *cabinet = Cp1252ToUtf8(raw);
  if (!ReadStoredString(file, *offset, &raw, offset)) return false;
  *disk = Cp1252ToUtf8(raw);
  return true;
}

void ParseFixedHeader(const uint8_t* h, CabinetHeader* header) {
  header->cabinetSize = ReadLe32(h + kHdrCabinetSize);
  header->filesOffset = ReadLe32(h + kHdrFilesOffset);
  header->folderCount = ReadLe16(h + kHdrFolderCount);
  header->fileCount = ReadLe16(h + kHdrFileCount);
  header->flags = ReadLe16(h + kHdrFlags);
  header->setId = ReadLe16(h + kHdrSetId);
  header->index = ReadLe16(h + kHdrCabinetIndex);
}

// The reserve sizes, when present, and the offset past the header's reserve.
bool ReadReserveFields(const CabinetFile& file, CabinetHeader* header, uint32_t* offset) {
  *offset = kHdrFixedSize;
  if (!(header->flags & kFlagReservePresent)) return true;
  uint8_t r[kResFieldsSize];
  if (!file.ReadAt(kHdrFixedSize, r, sizeof r)) return false;
  header->headerReserve = ReadLe16(r + kResHeaderSize);
  header->folderReserve = r[kResFolderSize];
  header->dataReserve = r[kResDataSize];
  *offset = kHdrFixedSize + kResFieldsSize + header->headerReserve;
  return file.Holds(*offset, 0);
}

bool TablesFit(const CabinetFile& file, const CabinetHeader& header) {
  const uint64_t folderTable = static_cast<uint64_t>(header.folderCount) * (kFolFixedSize + header.folderReserve);
  if (!file.Holds(header.foldersOffset, folderTable)) return false;
  return file.Holds(header.filesOffset, header.fileCount > 0 ? kFileFixedSize + 2 : 0);
}

}  // namespace

FDIERROR ReadHeader(const CabinetFile& file, CabinetHeader* header) {
  *header = CabinetHeader{};
  uint8_t h[kHdrFixedSize];
  if (!file.ReadAt(0, h, sizeof h) || std::memcmp(h + kHdrSignature, "MSCF", 4) != 0)
    return FDIERROR_NOT_A_CABINET;
  if (h[kHdrVersionMajor] != kVersionMajor || h[kHdrVersionMinor] != kVersionMinor)
    return FDIERROR_UNKNOWN_CABINET_VERSION;
  ParseFixedHeader(h, header);
  uint32_t offset = 0;
  if (!ReadReserveFields(file, header, &offset)) return FDIERROR_CORRUPT_CABINET;
  if (header->HasPrev() && !ReadCabinetName(file, &offset, &header->prevCabinet, &header->prevDisk))
    return FDIERROR_CORRUPT_CABINET;
  if (header->HasNext() && !ReadCabinetName(file, &offset, &header->nextCabinet, &header->nextDisk))
    return FDIERROR_CORRUPT_CABINET;
  header->foldersOffset = offset;
  // A cabinet always holds files, and files live in folders.
  if (header->fileCount == 0 || header->folderCount == 0) return FDIERROR_CORRUPT_CABINET;
  return TablesFit(file, *header) ? FDIERROR_NONE : FDIERROR_CORRUPT_CABINET;
}

FDIERROR ReadFolder(const CabinetFile& file, const CabinetHeader& header, uint16_t index, FolderRecord* folder) {
  if (index >= header.folderCount) return FDIERROR_CORRUPT_CABINET;
  const uint32_t offset = header.foldersOffset + index * (kFolFixedSize + header.folderReserve);
  uint8_t f[kFolFixedSize];
  if (!file.ReadAt(offset, f, sizeof f)) return FDIERROR_CORRUPT_CABINET;
  folder->dataOffset = ReadLe32(f + kFolDataOffset);
  folder->blockCount = ReadLe16(f + kFolBlockCount);
  folder->compression = ReadLe16(f + kFolCompression);
  return FDIERROR_NONE;
}

FDIERROR ReadFileRecord(const CabinetFile& file, uint32_t offset, FileRecord* record) {
  uint8_t f[kFileFixedSize];
  if (!file.ReadAt(offset, f, sizeof f)) return FDIERROR_CORRUPT_CABINET;
  std::string raw;
  uint32_t end = 0;
  if (!ReadStoredString(file, offset + kFileFixedSize, &raw, &end) || raw.empty()) return FDIERROR_CORRUPT_CABINET;
  record->size = ReadLe32(f + kFileSize);
  record->folderOffset = ReadLe32(f + kFileFolderOffset);
  record->folderIndex = ReadLe16(f + kFileFolderIndex);
  record->date = ReadLe16(f + kFileDate);
  record->time = ReadLe16(f + kFileTime);
  record->attribs = ReadLe16(f + kFileAttribs);
  // A name flagged as UTF-8 that is not keeps the code page reading, so the
  // client always gets UTF-8.
  const bool utf8 = (record->attribs & _A_NAME_IS_UTF) != 0 && IsValidUtf8(raw);
  record->name = utf8 ? raw : Cp1252ToUtf8(raw);
  record->recordSize = end - offset;
  return FDIERROR_NONE;
}

FDIERROR ReadDataBlockHeader(const CabinetFile& file, const CabinetHeader& header, uint32_t offset,
                             DataBlockHeader* block) {
  uint8_t d[kDataFixedSize];
  if (!file.ReadAt(offset, d, sizeof d)) return FDIERROR_CORRUPT_CABINET;
  block->checksum = ReadLe32(d + kDataChecksum);
  block->compressedSize = ReadLe16(d + kDataCompressedSize);
  block->uncompressedSize = ReadLe16(d + kDataUncompressedSize);
  std::memcpy(block->sizeFields, d + kDataCompressedSize, sizeof block->sizeFields);
  const uint64_t dataOffset = static_cast<uint64_t>(offset) + kDataFixedSize + header.dataReserve;
  if (!file.Holds(dataOffset, block->compressedSize)) return FDIERROR_CORRUPT_CABINET;
  block->dataOffset = static_cast<uint32_t>(dataOffset);
  return FDIERROR_NONE;
}

uint32_t CabChecksum(const uint8_t* data, uint32_t size, uint32_t seed) {
  // XOR is order-free, so eight bytes at a time fold to the same words.
  uint64_t wide = 0;
  uint32_t i = 0;
  for (; i + 8 <= size; i += 8) wide ^= static_cast<uint64_t>(ReadLe32(data + i)) | (static_cast<uint64_t>(ReadLe32(data + i + 4)) << 32);
  uint32_t sum = seed ^ static_cast<uint32_t>(wide) ^ static_cast<uint32_t>(wide >> 32);
  for (; i + 4 <= size; i += 4) sum ^= ReadLe32(data + i);
  uint32_t tail = 0;
  for (; i < size; ++i) tail = (tail << 8) | data[i];
  return sum ^ tail;
}

bool BlockChecksumMatches(const DataBlockHeader& block, const uint8_t* data) {
  if (block.checksum == 0) return true;  // the writer did not compute one
  const uint32_t dataSum = CabChecksum(data, block.compressedSize, 0);
  return CabChecksum(block.sizeFields, sizeof block.sizeFields, dataSum) == block.checksum;
}

}  // namespace cablib
