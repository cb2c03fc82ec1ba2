#pragma once
// The cabinet writer behind "cabtool make": lays a list of files into a set of
// cabinets PREFIX1.cab, PREFIX2.cab, ... that the installer's extraction (and
// any other cabinet reader) takes in order, each cabinet at most a given size.
//
// Files are streamed: neither an input file nor a cabinet is ever held in
// memory whole, so media of any size can be prepared.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace cabwriter {

enum class Compression {
  None,   // data blocks hold the bytes as they are
  MsZip,  // each data block is "CK" and a deflate stream over the block
};

// One file to store.
struct SourceFile {
  // The name the cabinet lists, in UTF-8; folder parts are separated by "\".
  // Stored in code page 1252 where every character has a place there, else in
  // UTF-8 with the UTF-8 name attribute set.
  std::string storedName;
  std::filesystem::path contentPath;  // the host file holding the content
  uint16_t dosDate = 0;               // as FAT stores it: day, month, year since 1980
  uint16_t dosTime = 0;               // as FAT stores it: two seconds, minutes, hours
  // Read-only, hidden, system, archive...; the UTF-8 name bit (0x80) is the
  // writer's own and is set or cleared from the name.
  uint16_t attributes = 0;
};

struct Options {
  Compression compression = Compression::MsZip;
  // The largest size of one cabinet file in bytes, headers and file entries
  // included; 0 for none but the format's own (2 GiB - 1).
  uint64_t maxCabinetSize = 0;
  uint16_t setId = 0;                 // the same in every cabinet of the set
  std::string prefix = "disk";        // cabinets are PREFIX1.cab, PREFIX2.cab, ...
  std::filesystem::path outputFolder; // created when missing
};

// Writes the set and returns the paths of its cabinets in order. Throws
// std::runtime_error when an input cannot be read, a name cannot be stored, or
// the size limit cannot hold a cabinet; no cabinet of the set is left behind then.
std::vector<std::filesystem::path> WriteCabinetSet(const std::vector<SourceFile>& files, const Options& options);

}  // namespace cabwriter
