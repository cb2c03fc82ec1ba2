#pragma once
// The layout of a cabinet file: field offsets of its fixed records, flag bits
// and limits. Records are read whole into a buffer and picked apart by these
// offsets, never by overlaying structs, so padding and host byte order do not
// matter.
#include <cstdint>

namespace cablib {

// The cabinet header.
constexpr uint32_t kHdrSignature = 0x00;  // "MSCF"
constexpr uint32_t kHdrCabinetSize = 0x08;
constexpr uint32_t kHdrFilesOffset = 0x10;
constexpr uint32_t kHdrVersionMinor = 0x18;
constexpr uint32_t kHdrVersionMajor = 0x19;
constexpr uint32_t kHdrFolderCount = 0x1A;
constexpr uint32_t kHdrFileCount = 0x1C;
constexpr uint32_t kHdrFlags = 0x1E;
constexpr uint32_t kHdrSetId = 0x20;
constexpr uint32_t kHdrCabinetIndex = 0x22;
constexpr uint32_t kHdrFixedSize = 0x24;
// Present after the fixed part when the reserve flag is set.
constexpr uint32_t kResHeaderSize = 0x00;
constexpr uint32_t kResFolderSize = 0x02;
constexpr uint32_t kResDataSize = 0x03;
constexpr uint32_t kResFieldsSize = 0x04;

constexpr uint8_t kVersionMajor = 1;
constexpr uint8_t kVersionMinor = 3;

constexpr uint16_t kFlagPrevCabinet = 0x0001;
constexpr uint16_t kFlagNextCabinet = 0x0002;
constexpr uint16_t kFlagReservePresent = 0x0004;

// A folder record.
constexpr uint32_t kFolDataOffset = 0x00;
constexpr uint32_t kFolBlockCount = 0x04;
constexpr uint32_t kFolCompression = 0x06;
constexpr uint32_t kFolFixedSize = 0x08;

// A file record; its name follows, terminated by a zero byte.
constexpr uint32_t kFileSize = 0x00;
constexpr uint32_t kFileFolderOffset = 0x04;
constexpr uint32_t kFileFolderIndex = 0x08;
constexpr uint32_t kFileDate = 0x0A;
constexpr uint32_t kFileTime = 0x0C;
constexpr uint32_t kFileAttribs = 0x0E;
constexpr uint32_t kFileFixedSize = 0x10;

// Folder indexes with a meaning of their own.
constexpr uint16_t kFolderContinuedFromPrev = 0xFFFD;
constexpr uint16_t kFolderContinuedToNext = 0xFFFE;
constexpr uint16_t kFolderContinuedPrevAndNext = 0xFFFF;

// A data block record; the reserve area and then the data follow.
constexpr uint32_t kDataChecksum = 0x00;
constexpr uint32_t kDataCompressedSize = 0x04;
constexpr uint32_t kDataUncompressedSize = 0x06;
constexpr uint32_t kDataFixedSize = 0x08;

// Writers cut a folder's data into blocks of at most this many bytes.
constexpr uint32_t kMaxBlockOutput = 32768;
// Names stored in a cabinet, terminator included.
constexpr uint32_t kMaxNameBytes = 256;

// Compression types: the low four bits of a folder's type select the method,
// the bits from 8 up give the window size of LZX and Quantum.
constexpr uint16_t kCompressionMask = 0x000F;
constexpr uint16_t kCompressionNone = 0;
constexpr uint16_t kCompressionMszip = 1;
constexpr uint16_t kCompressionQuantum = 2;
constexpr uint16_t kCompressionLzx = 3;

inline uint32_t WindowBits(uint16_t typeCompress) { return (typeCompress >> 8) & 0x1F; }

}  // namespace cablib
