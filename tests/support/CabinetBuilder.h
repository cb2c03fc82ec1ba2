#pragma once
// Cabinets made byte by byte for tests: a layout of folders, blocks and file
// entries laid out with every offset and checksum filled in, plus helpers for
// the usual shapes. Fields a test wants wrong are changed in the built bytes.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct BuiltBlock {
  std::string data;
  uint16_t uncompressed = 0;
  bool checksum = true;
};

struct BuiltFolder {
  uint16_t compression = 0;
  std::vector<BuiltBlock> blocks;
};

struct BuiltFile {
  std::string name;
  uint32_t size = 0;
  uint32_t offset = 0;  // in its folder's uncompressed data
  uint16_t folder = 0;
  uint16_t attribs = 0x20;
  uint16_t date = 0x226C;  // 1997-03-12
  uint16_t time = 0x59BA;
};

struct CabinetLayout {
  uint16_t setId = 0x1234;
  uint16_t index = 0;
  // A header flag is set for each pair given.
  std::string prevCabinet, prevDisk, nextCabinet, nextDisk;
  bool reserve = false;
  uint16_t headerReserve = 0;
  uint8_t folderReserve = 0;
  uint8_t dataReserve = 0;
  std::vector<BuiltFolder> folders;
  std::vector<BuiltFile> files;

  std::string Build() const;
};

// Header field offsets a test may patch.
constexpr size_t kCabSizeField = 8;
constexpr size_t kCabFilesOffsetField = 16;
constexpr size_t kCabVersionField = 24;  // minor, then major
constexpr size_t kCabFolderCountField = 26;
constexpr size_t kCabFileCountField = 28;

void PutLe16(std::string& bytes, size_t at, uint16_t value);
void PutLe32(std::string& bytes, size_t at, uint32_t value);
uint32_t GetLe32(const std::string& bytes, size_t at);

// The cabinet checksum, computed the plain way, word by word.
uint32_t CabinetChecksum(const std::string& data, uint32_t seed);

// Stored blocks of at most 32 KiB holding data.
std::vector<BuiltBlock> StoredBlocks(const std::string& data);
// MSZIP blocks of data, each deflated with the 32 KiB before it as history.
std::vector<BuiltBlock> MszipBlocks(const std::string& data);

// LZX data of one stored block holding data, one data block per 32 KiB
// frame; a translation size turns on the call translation.
std::vector<BuiltBlock> LzxStoredFrames(const std::string& data, uint32_t translationSize);
// LZX data of one verbatim block coding data as literals only, with every
// byte an 8-bit code.
std::vector<BuiltBlock> LzxLiteralFrames(const std::string& data, uint32_t windowBits);

// One folder of the given compression holding the files back to back.
CabinetLayout OneFolderCabinet(const std::vector<std::pair<std::string, std::string>>& files,
                             uint16_t compression = 0);

// Bytes that compress somewhat, like text mixed with binary, from a seed.
std::string MixedBytes(size_t size, uint32_t seed);
