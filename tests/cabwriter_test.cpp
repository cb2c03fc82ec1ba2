// The cabinet writer, checked against independent cabinet readers: cabextract
// tests checksums and walks multi-cabinet sets, gcab reads single cabinets.
#include "tools/cabwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace {

namespace fs = std::filesystem;
using cabwriter::Compression;

constexpr uint16_t kFromPrevious = 0xFFFD;
constexpr uint16_t kToNext = 0xFFFE;
constexpr uint16_t kPreviousAndNext = 0xFFFF;
constexpr uint16_t kNameIsUtf8 = 0x80;
constexpr uint16_t kDate = (45 << 9) | (3 << 5) | 14;  // 14 March 2025
constexpr uint16_t kTime = (9 << 11) | (30 << 5) | 5;  // 09:30:10

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "cabwriter-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~ScratchDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator());
  return bytes;
}

// Text that compresses well but not to nothing.
std::string TextBytes(size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < size) text += "entry " + std::to_string(generator() % 5000) + " of the installation log\r\n";
  text.resize(size);
  return text;
}

struct Shell {
  int status;
  std::string out;
  std::string err;
};

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

Shell RunShell(const std::string& command, const fs::path& scratch) {
  const fs::path out = scratch / "run.out";
  const fs::path err = scratch / "run.err";
  const int status = std::system((command + " > " + Quoted(out) + " 2> " + Quoted(err)).c_str());
  return {status, ReadAll(out), ReadAll(err)};
}

bool Installed(const std::string& tool) {
  return std::system(("command -v " + tool + " > /dev/null 2>&1").c_str()) == 0;
}

// A file to store, with its content.
struct Staged {
  std::string storedName;
  std::string content;
};

// Where a reader that takes names as bytes puts a stored file: the name's
// folder parts become directories; a name without the UTF-8 attribute keeps
// its code page 1252 bytes.
fs::path ExtractedPath(const fs::path& dir, std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  const std::string ansi = Utf8ToCp1252(name);
  return dir / (Cp1252ToUtf8(ansi) == name ? ansi : name);
}

// A few fields of a written cabinet, read straight from its bytes.
struct EntryView {
  std::string name;
  uint32_t size;
  uint16_t folder;
  uint16_t date;
  uint16_t time;
  uint16_t attributes;
};

struct CabinetView {
  uint32_t size;
  uint32_t firstBlock;  // of the first folder
  uint16_t flags;
  uint16_t setId;
  uint16_t index;
  std::string previousCabinet, previousDisk, nextCabinet, nextDisk;
  std::vector<EntryView> entries;
};

uint16_t Le16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t Le32(const std::string& bytes, size_t at) { return Le16(bytes, at) | static_cast<uint32_t>(Le16(bytes, at + 2)) << 16; }

std::string CString(const std::string& bytes, size_t& at) {
  std::string text = bytes.substr(at, bytes.find('\0', at) - at);
  at += text.size() + 1;
  return text;
}

CabinetView ParseCabinet(const fs::path& path) {
  const std::string bytes = ReadAll(path);
  CabinetView cab{Le32(bytes, 8), 0, Le16(bytes, 30), Le16(bytes, 32), Le16(bytes, 34), {}, {}, {}, {}, {}};
  size_t at = 36;
  if (cab.flags & 1) {
    cab.previousCabinet = CString(bytes, at);
    cab.previousDisk = CString(bytes, at);
  }
  if (cab.flags & 2) {
    cab.nextCabinet = CString(bytes, at);
    cab.nextDisk = CString(bytes, at);
  }
  if (Le16(bytes, 26) > 0) cab.firstBlock = Le32(bytes, at);
  at = Le32(bytes, 16);
  for (uint16_t i = 0; i < Le16(bytes, 28); ++i) {
    EntryView entry{{}, Le32(bytes, at), Le16(bytes, at + 8), Le16(bytes, at + 10), Le16(bytes, at + 12), Le16(bytes, at + 14)};
    at += 16;
    entry.name = CString(bytes, at);
    cab.entries.push_back(entry);
  }
  return cab;
}

bool FromPrevious(uint16_t folder) { return folder == kFromPrevious || folder == kPreviousAndNext; }
bool ToNext(uint16_t folder) { return folder == kToNext || folder == kPreviousAndNext; }

// Installation media in small: a compressible file and an incompressible one,
// each larger than a 40000-byte cabinet, an empty file, and names that need
// code page 1252, UTF-8 and a folder part.
std::vector<Staged> MediaFiles() {
  return {{"setup\\install.log", TextBytes(600000, 1)},
          {"noise.bin", RandomBytes(120000, 2)},
          {"empty.txt", ""},
          {"Übergrößenträger.txt", "umlauts"},
          {"Ωmega.txt", "omega"},
          {"sub\\file.txt", "in a folder"}};
}

class CabWriterTest : public ::testing::Test {
 protected:
  fs::path Out() const { return scratch_.path() / "out"; }

  std::vector<fs::path> Write(const std::vector<Staged>& files, Compression compression, uint64_t limit,
                              uint16_t setId = 0x1234) {
    std::vector<cabwriter::SourceFile> sources;
    for (size_t i = 0; i < files.size(); ++i) {
      const fs::path content = scratch_.path() / "in" / std::to_string(i);
      WriteAll(content, files[i].content);
      sources.push_back({files[i].storedName, content, kDate, kTime, 0x20});
    }
    cabwriter::Options options;
    options.compression = compression;
    options.maxCabinetSize = limit;
    options.setId = setId;
    options.prefix = "disk";
    options.outputFolder = Out();
    return cabwriter::WriteCabinetSet(sources, options);
  }

  // cabextract's test of the whole set from its first cabinet, then its
  // extraction, compared file by file with what went in.
  void ExpectCabextractRestores(const std::vector<Staged>& files, const fs::path& first) {
    const Shell test = RunShell("cabextract -t " + Quoted(first), scratch_.path());
    EXPECT_EQ(test.status, 0) << test.out << test.err;
    EXPECT_NE(test.out.find("All done, no errors."), std::string::npos) << test.out;
    EXPECT_EQ(test.err, "") << "cabextract warned about the set";

    const fs::path dir = scratch_.path() / "extracted";
    const Shell extract = RunShell("cabextract -q -d " + Quoted(dir) + " " + Quoted(first), scratch_.path());
    ASSERT_EQ(extract.status, 0) << extract.err;
    for (const Staged& file : files) {
      const fs::path path = ExtractedPath(dir, file.storedName);
      ASSERT_TRUE(fs::exists(path)) << file.storedName;
      EXPECT_TRUE(ReadAll(path) == file.content) << file.storedName << " differs";
    }
  }

  ScratchDir scratch_;
};

void ExpectWithinLimit(const std::vector<fs::path>& cabinets, uint64_t limit) {
  for (const fs::path& cabinet : cabinets) {
    EXPECT_LE(fs::file_size(cabinet), limit) << cabinet;
    EXPECT_EQ(ParseCabinet(cabinet).size, fs::file_size(cabinet)) << cabinet;
  }
}

#define REQUIRE_TOOL(tool) \
  if (!Installed(tool)) GTEST_SKIP() << tool " is not installed; this check reads the cabinets with it"

const char* CompressionName(Compression compression) { return compression == Compression::MsZip ? "MsZip" : "Stored"; }

struct RoundTrip {
  Compression compression;
  uint64_t limit;
};

void PrintTo(const RoundTrip& trip, std::ostream* out) { *out << CompressionName(trip.compression) << " limit " << trip.limit; }

class CabWriterRoundTrip : public CabWriterTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(CabWriterRoundTrip, CabextractTestsTheSetAndRestoresEveryFile) {
  REQUIRE_TOOL("cabextract");
  const auto files = MediaFiles();
  const auto cabinets = Write(files, GetParam().compression, GetParam().limit);
  if (GetParam().limit > 0) {
    EXPECT_GE(cabinets.size(), 3u);
    ExpectWithinLimit(cabinets, GetParam().limit);
  } else {
    EXPECT_EQ(cabinets.size(), 1u);
  }
  ExpectCabextractRestores(files, cabinets.front());
}

INSTANTIATE_TEST_SUITE_P(Sets, CabWriterRoundTrip,
                         ::testing::Values(RoundTrip{Compression::None, 0}, RoundTrip{Compression::MsZip, 0},
                                           RoundTrip{Compression::None, 40000}, RoundTrip{Compression::MsZip, 40000}),
                         [](const auto& info) {
                           return std::string(CompressionName(info.param.compression)) +
                                  (info.param.limit ? "Spanning" : "Single");
                         });

// Many files of every size under limits from tiny to roomy, so that cabinet
// boundaries fall inside files, between files, on block boundaries and amid
// runs of small and empty files.
struct Packing {
  Compression compression;
  uint64_t limit;
};

void PrintTo(const Packing& packing, std::ostream* out) {
  *out << CompressionName(packing.compression) << " limit " << packing.limit;
}

class CabWriterPacking : public CabWriterTest, public ::testing::WithParamInterface<Packing> {};

std::vector<Staged> MixedFiles(uint32_t seed) {
  std::mt19937 generator(seed);
  auto between = [&](size_t low, size_t high) { return low + generator() % (high - low + 1); };
  std::vector<Staged> files;
  for (int i = 0; i < 40; ++i) {
    const size_t kind = generator() % 10;
    const size_t size = kind < 2 ? 0 : kind < 5 ? between(1, 300) : kind < 8 ? between(300, 33000) : between(33000, 70000);
    std::string name = "file" + std::to_string(i) + (i % 3 ? ".dat" : ".txt");
    files.push_back({name, i % 2 ? RandomBytes(size, seed + i) : TextBytes(size, seed + i)});
  }
  return files;
}

TEST_P(CabWriterPacking, EveryCabinetKeepsTheLimitAndTheSetRestores) {
  REQUIRE_TOOL("cabextract");
  const auto files = MixedFiles(static_cast<uint32_t>(GetParam().limit));
  const auto cabinets = Write(files, GetParam().compression, GetParam().limit);
  ExpectWithinLimit(cabinets, GetParam().limit);
  ExpectCabextractRestores(files, cabinets.front());
}

INSTANTIATE_TEST_SUITE_P(Limits, CabWriterPacking,
                         ::testing::Values(Packing{Compression::None, 300}, Packing{Compression::MsZip, 300},
                                           Packing{Compression::None, 1500}, Packing{Compression::MsZip, 1500},
                                           Packing{Compression::None, 33000}, Packing{Compression::MsZip, 33000},
                                           Packing{Compression::None, 65536}, Packing{Compression::MsZip, 65536}),
                         [](const auto& info) {
                           return CompressionName(info.param.compression) + std::to_string(info.param.limit);
                         });

TEST_F(CabWriterTest, HeadersChainTheSetByNeighbourAndDiskNames) {
  const auto cabinets = Write(MediaFiles(), Compression::MsZip, 40000, 0xBEEF);
  ASSERT_GE(cabinets.size(), 3u);
  for (size_t k = 0; k < cabinets.size(); ++k) {
    SCOPED_TRACE(cabinets[k].filename().string());
    const CabinetView cab = ParseCabinet(cabinets[k]);
    EXPECT_EQ(cabinets[k].filename(), "disk" + std::to_string(k + 1) + ".cab");
    EXPECT_EQ(cab.index, k);
    EXPECT_EQ(cab.setId, 0xBEEF);
    const bool first = k == 0;
    const bool last = k + 1 == cabinets.size();
    EXPECT_EQ(cab.flags, (first ? 0 : 1) | (last ? 0 : 2));
    EXPECT_EQ(cab.previousCabinet, first ? "" : "disk" + std::to_string(k) + ".cab");
    EXPECT_EQ(cab.previousDisk, first ? "" : "Disk " + std::to_string(k));
    EXPECT_EQ(cab.nextCabinet, last ? "" : "disk" + std::to_string(k + 2) + ".cab");
    EXPECT_EQ(cab.nextDisk, last ? "" : "Disk " + std::to_string(k + 2));
  }
}

TEST_F(CabWriterTest, SpanningFileIsContinuedAloneAndEndsItsFolder) {
  const auto cabinets = Write(MediaFiles(), Compression::None, 40000);
  std::vector<CabinetView> set;
  for (const fs::path& cabinet : cabinets) set.push_back(ParseCabinet(cabinet));

  size_t noiseCabinets = 0;
  bool noiseInTheMiddle = false;
  for (size_t k = 0; k < set.size(); ++k) {
    SCOPED_TRACE("cabinet " + std::to_string(k + 1));
    const auto& entries = set[k].entries;
    ASSERT_FALSE(entries.empty());
    const auto continued = std::count_if(entries.begin(), entries.end(), [](auto& e) { return FromPrevious(e.folder); });
    const auto goingOn = std::count_if(entries.begin(), entries.end(), [](auto& e) { return ToNext(e.folder); });
    EXPECT_LE(continued, 1);
    EXPECT_LE(goingOn, 1);
    if (continued) {
      // The continued folder is the first and holds the spanning file only.
      EXPECT_TRUE(FromPrevious(entries.front().folder));
      EXPECT_TRUE(std::none_of(entries.begin(), entries.end(), [](auto& e) { return e.folder == 0; }));
    }
    if (goingOn) {
      ASSERT_LT(k + 1, set.size());
      EXPECT_TRUE(ToNext(entries.back().folder));
      EXPECT_EQ(set[k + 1].entries.front().name, entries.back().name);
      EXPECT_TRUE(FromPrevious(set[k + 1].entries.front().folder));
    }
    for (const EntryView& entry : entries) {
      if (entry.name != "noise.bin") continue;
      ++noiseCabinets;
      noiseInTheMiddle |= entry.folder == kPreviousAndNext;
    }
  }
  EXPECT_GE(noiseCabinets, 3u);
  EXPECT_TRUE(noiseInTheMiddle);
}

TEST_F(CabWriterTest, NamesGoInCodePage1252UnlessOnlyUtf8HoldsThem) {
  const auto cabinets = Write(MediaFiles(), Compression::MsZip, 0);
  const CabinetView cab = ParseCabinet(cabinets.front());
  auto entry = [&](const std::string& name) {
    auto found = std::find_if(cab.entries.begin(), cab.entries.end(), [&](auto& e) { return e.name == name; });
    EXPECT_NE(found, cab.entries.end()) << name;
    return found == cab.entries.end() ? EntryView{} : *found;
  };
  EXPECT_EQ(entry("\xDC" "bergr\xF6\xDF" "entr\xE4" "ger.txt").attributes, 0x20);
  EXPECT_EQ(entry("Ωmega.txt").attributes, 0x20 | kNameIsUtf8);
  const EntryView inFolder = entry("sub\\file.txt");
  EXPECT_EQ(inFolder.size, 11u);
  EXPECT_EQ(inFolder.date, kDate);
  EXPECT_EQ(inFolder.time, kTime);
}

TEST_F(CabWriterTest, GcabReadsASingleMsZipCabinet) {
  REQUIRE_TOOL("gcab");
  const auto files = MediaFiles();
  const auto cabinets = Write(files, Compression::MsZip, 0);
  ASSERT_EQ(cabinets.size(), 1u);

  const Shell list = RunShell("gcab -l " + Quoted(cabinets.front()), scratch_.path());
  ASSERT_EQ(list.status, 0) << list.err;
  for (const char* name : {"setup\\install.log", "noise.bin", "empty.txt", "Ωmega.txt", "sub\\file.txt"})
    EXPECT_NE(list.out.find(name), std::string::npos) << name << " not in\n" << list.out;

  const fs::path dir = scratch_.path() / "gcab";
  fs::create_directories(dir);
  const Shell extract = RunShell("gcab -x -C " + Quoted(dir) + " " + Quoted(cabinets.front()), scratch_.path());
  ASSERT_EQ(extract.status, 0) << extract.err;
  for (const Staged& file : files) EXPECT_TRUE(ReadAll(ExtractedPath(dir, file.storedName)) == file.content) << file.storedName;
}

// Each MSZIP block may refer back into the one before it, so data that
// repeats across blocks costs next to nothing after its first block; both
// readers must follow those references.
TEST_F(CabWriterTest, MsZipBlocksReferBackIntoThePreviousBlock) {
  REQUIRE_TOOL("cabextract");
  // A period under 32 KiB, that deflate's window reaches.
  const std::string period = RandomBytes(20000, 5);
  std::string content;
  while (content.size() < 4 * 32768) content += period;
  const std::vector<Staged> files = {{"repeated.bin", content}};
  const auto cabinets = Write(files, Compression::MsZip, 0);
  EXPECT_LT(fs::file_size(cabinets.front()), period.size() + 5000);
  ExpectCabextractRestores(files, cabinets.front());
  if (!Installed("gcab")) return;
  const fs::path dir = scratch_.path() / "gcab";
  fs::create_directories(dir);
  ASSERT_EQ(RunShell("gcab -x -C " + Quoted(dir) + " " + Quoted(cabinets.front()), scratch_.path()).status, 0);
  EXPECT_TRUE(ReadAll(dir / "repeated.bin") == files[0].content);
}

// The round trips lean on cabextract checking every block's checksum: a
// cabinet whose only fault is one wrong checksum must fail its test.
TEST_F(CabWriterTest, CabextractRejectsAWrongBlockChecksum) {
  REQUIRE_TOOL("cabextract");
  const auto cabinets = Write({{"a.txt", TextBytes(5000, 3)}}, Compression::MsZip, 0);
  ASSERT_EQ(RunShell("cabextract -t " + Quoted(cabinets.front()), scratch_.path()).status, 0);

  std::string bytes = ReadAll(cabinets.front());
  bytes[ParseCabinet(cabinets.front()).firstBlock] ^= 0x01;
  WriteAll(cabinets.front(), bytes);
  EXPECT_NE(RunShell("cabextract -t " + Quoted(cabinets.front()), scratch_.path()).status, 0);
}

struct Refusal {
  const char* what;
  std::vector<Staged> files;
  uint64_t limit;
  std::string prefix;
  const char* message;  // part of the error's text
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.what; }

class CabWriterRefusal : public CabWriterTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CabWriterRefusal, ThrowsAndLeavesNoCabinet) {
  std::vector<cabwriter::SourceFile> sources;
  for (size_t i = 0; i < GetParam().files.size(); ++i) {
    const fs::path content = scratch_.path() / "in" / std::to_string(i);
    WriteAll(content, GetParam().files[i].content);
    sources.push_back({GetParam().files[i].storedName, content});
  }
  cabwriter::Options options;
  options.maxCabinetSize = GetParam().limit;
  options.prefix = GetParam().prefix;
  options.outputFolder = Out();
  try {
    cabwriter::WriteCabinetSet(sources, options);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos) << error.what();
  }
  const bool noCabinet = !fs::exists(Out()) || fs::is_empty(Out());
  EXPECT_TRUE(noCabinet);
}

const std::string kLongName(256, 'n');

INSTANTIATE_TEST_SUITE_P(
    Inputs, CabWriterRefusal,
    ::testing::Values(Refusal{"NoFiles", {}, 0, "disk", "no files"},
                      Refusal{"EmptyName", {{"", "x"}}, 0, "disk", "no stored name"},
                      Refusal{"LongName", {{kLongName, "x"}}, 0, "disk", "longer than 255 bytes"},
                      Refusal{"BrokenUtf8", {{"bad\xFF.txt", "x"}}, 0, "disk", "not valid UTF-8"},
                      Refusal{"PrefixWithPath", {{"a.txt", "x"}}, 0, "media/disk", "holds a path"},
                      Refusal{"LimitBelowAHeader", {{"a.txt", "x"}}, 100, "disk", "cannot hold"},
                      // The first file fills many cabinets before the second's
                      // entry turns out not to fit any.
                      Refusal{"EntryBeyondTheLimit",
                              {{"first.bin", RandomBytes(20000, 4)}, {std::string(200, 'e'), "x"}},
                              300,
                              "disk",
                              "cannot hold"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(CabWriterTest, RefusesAnInputItCannotRead) {
  cabwriter::Options options;
  options.outputFolder = Out();
  for (const fs::path& content : {scratch_.path() / "missing.txt", scratch_.path()}) {
    SCOPED_TRACE(content.string());
    EXPECT_THROW(cabwriter::WriteCabinetSet({{"a.txt", content}}, options), std::runtime_error);
  }
  EXPECT_FALSE(fs::exists(Out()));
}

}  // namespace
