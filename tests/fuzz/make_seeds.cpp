// Writes the fuzz seed corpus into the folder given: small cabinets of each
// method (stored, MSZIP, LZX stored and verbatim, Quantum), with reserves,
// and a two-cabinet set joined by the fuzz target's split marker.
#include <fstream>
#include <iostream>
#include <string>

#include "tests/support/CabinetBuilder.h"

namespace {

void Save(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

CabinetLayout WithFolder(BuiltFolder folder, uint32_t size) {
  CabinetLayout layout;
  layout.folders = {std::move(folder)};
  layout.files = {{"file.txt", size, 0, 0}};
  return layout;
}

std::string TwoCabinetSet() {
  const std::string b = MixedBytes(3000, 2);
  CabinetLayout first, second;
  first.nextCabinet = "second.cab";
  first.nextDisk = "2";
  first.folders = {{0, StoredBlocks("first file")}, {0, StoredBlocks(b.substr(0, 1000))}};
  first.files = {{"a", 10, 0, 0}, {"b", 1500, 0, 0xFFFE}};
  second.index = 1;
  second.prevCabinet = "first.cab";
  second.prevDisk = "1";
  second.folders = {{0, {{b.substr(1000, 500), 500, true}}}};
  second.files = {{"b", 1500, 0, 0xFFFD}};
  return first.Build() + "NEXTCAB!" + second.Build();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: cablib_fuzz_seeds FOLDER\n";
    return 2;
  }
  const std::string folder = argv[1];
  const std::string text = MixedBytes(2000, 1);
  Save(folder, "stored.cab", OneFolderCabinet({{"a.txt", "hello"}, {"b.txt", text}}).Build());
  Save(folder, "mszip.cab", OneFolderCabinet({{"a.txt", text}, {"b.txt", MixedBytes(40000, 3)}}, 1).Build());
  CabinetLayout reserved = OneFolderCabinet({{"r.txt", text}}, 1);
  reserved.reserve = true;
  reserved.headerReserve = 8;
  reserved.folderReserve = 2;
  reserved.dataReserve = 4;
  Save(folder, "reserve.cab", reserved.Build());
  Save(folder, "lzx_stored.cab", WithFolder({0x0F03, LzxStoredFrames(text, 4000)}, 2000).Build());
  Save(folder, "lzx_verbatim.cab", WithFolder({0x1003, LzxLiteralFrames(text.substr(0, 600), 16)}, 600).Build());
  // No Quantum compressor is at hand: a stream of plausible bytes lets the
  // fuzzer start from a folder of the right type.
  Save(folder, "quantum.cab", WithFolder({0x0F02, {{MixedBytes(300, 4), 400, true}}}, 400).Build());
  Save(folder, "set.cab", TwoCabinetSet());
  return 0;
}
