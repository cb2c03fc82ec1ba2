#include "tools/cabwriter.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <utility>

#include "platform/cablib/cab_format.h"
#include "platform/cablib/fdi.h"
#include "platform/codepage.h"

namespace cabwriter {
namespace {

// The cabinet format's own limits that only a writer meets.
// Folder indices from here up tell a file entry continues across cabinets.
constexpr size_t kMaxFolders = cablib::kFolderContinuedFromPrev;
constexpr size_t kMaxEntries = 0xFFFF;
// A block's stored bytes: its data, or deflate's worst case for it.
constexpr size_t kMaxStored = 32768 + 6144;
constexpr size_t kMaxBlocksPerFolder = 0xFFFF;

// Readers count a folder continued in the next cabinet as one block fewer
// than the parts they see: the boundary must fall inside a block. A cabinet
// whose folder goes on keeps room for a block header and one byte.
constexpr uint64_t kRoomForNextPart = cablib::kDataFixedSize + 1;

// A folder's offsets are 32-bit; readers take at most 65535 full blocks.
constexpr uint64_t kMaxFolderSize = 0x7FFF8000;
// Cabinet offsets are read as signed 32-bit numbers by some readers.
constexpr uint64_t kMaxCabinetSize = 0x7FFFFFFF;
constexpr size_t kMaxStringBytes = 255;
constexpr size_t kMaxCabinets = 0x10000;

[[noreturn]] void Fail(const std::string& message) { throw std::runtime_error("cabinet writer: " + message); }

[[noreturn]] void FailIo(const std::string& what, const std::filesystem::path& path) {
  Fail(what + " '" + path.string() + "': " + std::strerror(errno));
}

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t value) {
  out[at] = static_cast<uint8_t>(value);
  out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16(out, at, static_cast<uint16_t>(value));
  Put16(out, at + 2, static_cast<uint16_t>(value >> 16));
}

void AppendString(std::vector<uint8_t>& out, std::string_view bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
  out.push_back(0);
}

// The data block checksum: the stored bytes XORed together as little-endian
// 32-bit words, a last partial word taken with its first byte highest, then the
// two size fields folded in as one more word.
uint32_t FoldChecksum(const uint8_t* bytes, size_t count, uint32_t seed) {
  uint32_t sum = seed;
  size_t i = 0;
  for (; i + 4 <= count; i += 4)
    sum ^= bytes[i] | (bytes[i + 1] << 8) | (bytes[i + 2] << 16) | (static_cast<uint32_t>(bytes[i + 3]) << 24);
  uint32_t tail = 0;
  for (; i < count; ++i) tail = (tail << 8) | bytes[i];
  return sum ^ tail;
}

uint32_t BlockChecksum(const uint8_t* stored, uint16_t storedSize, uint16_t dataSize) {
  const uint8_t sizes[4] = {static_cast<uint8_t>(storedSize), static_cast<uint8_t>(storedSize >> 8),
                            static_cast<uint8_t>(dataSize), static_cast<uint8_t>(dataSize >> 8)};
  return FoldChecksum(sizes, sizeof sizes, FoldChecksum(stored, storedSize, 0));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// A name as the cabinet stores it.
struct StoredName {
  std::string bytes;
  bool utf8 = false;
};

// Readers take names without the UTF-8 attribute as code page 1252, so a name
// goes in 1252 whenever that gives back exactly the same characters.
StoredName EncodeName(const std::string& utf8) {
  if (utf8.find('\0') != std::string::npos) Fail("the name '" + utf8 + "' holds a zero byte");
  std::string ansi = Utf8ToCp1252(utf8);
  if (Cp1252ToUtf8(ansi) == utf8) return {std::move(ansi), false};
  if (!IsValidUtf8(utf8)) Fail("the name '" + utf8 + "' is not valid UTF-8");
  return {utf8, true};
}

// An MSZIP block is "CK" and a complete deflate stream. The reader keeps the
// previous block's output as the window, so each block is compressed with that
// block preset as the dictionary; the stream is finished, so each block ends
// with a final deflate block on a byte boundary.
class MsZipEncoder {
 public:
  MsZipEncoder() {
    if (deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
      Fail("cannot set up the deflate compressor");
  }
  ~MsZipEncoder() { deflateEnd(&stream_); }
  MsZipEncoder(const MsZipEncoder&) = delete;
  MsZipEncoder& operator=(const MsZipEncoder&) = delete;

  std::vector<uint8_t> Encode(std::span<const uint8_t> data, std::span<const uint8_t> history) {
    deflateReset(&stream_);
    if (!history.empty()) deflateSetDictionary(&stream_, history.data(), static_cast<uInt>(history.size()));
    std::vector<uint8_t> out(2 + deflateBound(&stream_, static_cast<uLong>(data.size())));
    out[0] = 'C';
    out[1] = 'K';
    stream_.next_in = const_cast<Bytef*>(data.data());
    stream_.avail_in = static_cast<uInt>(data.size());
    stream_.next_out = out.data() + 2;
    stream_.avail_out = static_cast<uInt>(out.size() - 2);
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) return Stored(data);
    out.resize(2 + stream_.total_out);
    return out.size() > kMaxStored ? Stored(data) : out;
  }

 private:
  // One final stored deflate block: no back references, five bytes of framing,
  // so it always stays within the size a block may have.
  static std::vector<uint8_t> Stored(std::span<const uint8_t> data) {
    const auto size = static_cast<uint16_t>(data.size());
    std::vector<uint8_t> out = {'C', 'K', 0x01};
    out.resize(7);
    Put16(out, 3, size);
    Put16(out, 5, static_cast<uint16_t>(~size));
    out.insert(out.end(), data.begin(), data.end());
    return out;
  }

  z_stream stream_{};
};

class BlockEncoder {
 public:
  explicit BlockEncoder(Compression compression) {
    if (compression == Compression::MsZip) msZip_.emplace();
  }
  uint16_t FolderType() const { return msZip_ ? cablib::kCompressionMszip : cablib::kCompressionNone; }
  std::vector<uint8_t> Encode(std::span<const uint8_t> data, std::span<const uint8_t> history) {
    if (!msZip_) return {data.begin(), data.end()};
    return msZip_->Encode(data, history);
  }

 private:
  std::optional<MsZipEncoder> msZip_;
};

struct Input {
  const SourceFile* source;
  StoredName name;
  uint16_t attributes;
  uint64_t size;
};

// A file's place in the folder being written.
struct Member {
  size_t input;
  uint64_t offset;
};

// The folder being written: its files so far, the block being filled and the
// block before it, which MSZIP refers back into.
struct Folder {
  std::vector<Member> members;
  uint64_t size = 0;
  std::vector<uint8_t> pending;
  uint64_t blockStart = 0;  // folder offset of the pending block
  size_t firstPending = 0;  // first member with a part in the pending block
  std::vector<uint8_t> history;
  uint32_t blocksPlaced = 0;
  bool listed = false;  // has its entry in the cabinet being filled
  // Set once the folder spanned a cabinet boundary inside the file being read:
  // the folder ends with that file.
  bool endAfterCurrentFile = false;

  // Hands the members from firstMember and the data from folder offset at
  // (inside the pending block) to a new folder, which starts there.
  Folder TakeFrom(size_t firstMember, uint64_t at) {
    Folder rest;
    for (size_t i = firstMember; i < members.size(); ++i) rest.members.push_back({members[i].input, members[i].offset - at});
    members.resize(firstMember);
    const auto keep = static_cast<size_t>(at - blockStart);
    rest.pending.assign(pending.begin() + static_cast<std::ptrdiff_t>(keep), pending.end());
    pending.resize(keep);
    rest.size = size - at;
    size = at;
    return rest;
  }
};

// A file entry of the cabinet being filled.
struct Entry {
  size_t input;
  uint64_t offset;
  uint16_t folder;
  bool fromPrevious = false;
  bool toNext = false;

  uint16_t FolderField() const {
    if (fromPrevious && toNext) return cablib::kFolderContinuedPrevAndNext;
    if (fromPrevious) return cablib::kFolderContinuedFromPrev;
    if (toNext) return cablib::kFolderContinuedToNext;
    return folder;
  }
};

struct FolderRecord {
  uint64_t firstBlock;  // offset in the cabinet's data
  uint32_t blocks = 0;
};

// The cabinet being filled. Its data goes to a temporary file, because the
// header in front of it is only known once the cabinet is full.
struct Cabinet {
  size_t index = 0;
  std::vector<FolderRecord> folders;
  std::vector<Entry> entries;
  size_t carried = 0;  // entries continued from the previous cabinet
  uint64_t entryBytes = 0;
  FileHandle data;
  uint64_t dataBytes = 0;

  // Whether moving on to a fresh cabinet would gain room.
  bool HoldsOwnContent() const { return dataBytes > 0 || entries.size() > carried; }
};

class SetWriter {
 public:
  SetWriter(std::vector<Input> inputs, const Options& options);
  std::vector<std::filesystem::path> Write();
  // Removes the cabinets written so far, after a failure.
  void Discard();

 private:
  std::string CabinetFileName(size_t index) const { return options_.prefix + std::to_string(index + 1) + ".cab"; }
  static std::string DiskName(size_t index) { return "Disk " + std::to_string(index + 1); }
  uint64_t HeaderSize(size_t index, bool withNext) const;
  uint64_t CabinetSize() const;
  uint64_t EntrySize(size_t input) const { return cablib::kFileFixedSize + inputs_[input].name.bytes.size() + 1; }
  uint64_t MemberEnd(size_t member) const;
  bool IsListed(size_t input) const;
  std::optional<uint64_t> MetadataFor(size_t first, size_t end) const;
  bool Fits(size_t first, size_t end, uint64_t dataBytes) const;
  [[noreturn]] void FailTooSmall() const;

  void AddFile(size_t input);
  void ReadContent(size_t input);
  void FlushPending();
  bool EndFolderInsidePending();
  Folder CutAfter(size_t member);
  void SpanPending(Folder rest);
  void StartFolderInNextCabinet();
  void WritePending(const std::vector<uint8_t>& stored);
  void AdvancePastPending();
  void StartFolder(Folder folder);
  void ListLeadingEmptyFiles();
  void CloseFolder();
  void ListPendingMembers();
  void ListMembers(size_t first, size_t end);
  void WriteBlock(const uint8_t* stored, size_t size, uint16_t dataSize);

  void StartCabinet(size_t index);
  void StartNextCabinet(size_t firstCarried);
  std::vector<uint8_t> CabinetMetadata(bool hasNext) const;
  void FinishCabinet(bool hasNext);

  std::vector<Input> inputs_;
  const Options& options_;
  uint64_t limit_;
  BlockEncoder encoder_;
  Folder folder_;
  Cabinet cabinet_;
  std::vector<std::filesystem::path> written_;
};

SetWriter::SetWriter(std::vector<Input> inputs, const Options& options)
    : inputs_(std::move(inputs)),
      options_(options),
      limit_(options.maxCabinetSize == 0 ? kMaxCabinetSize : std::min(options.maxCabinetSize, kMaxCabinetSize)),
      encoder_(options.compression) {
  folder_.pending.reserve(cablib::kMaxBlockOutput);
  folder_.history.reserve(cablib::kMaxBlockOutput);
  // A cabinet between two others with one folder, one file of one character
  // and a block of one byte is the least any cabinet of a set can get by with.
  const uint64_t least = HeaderSize(1, true) + cablib::kFolFixedSize + cablib::kFileFixedSize + 2 + cablib::kDataFixedSize + 1;
  if (limit_ < least) FailTooSmall();
}

uint64_t SetWriter::HeaderSize(size_t index, bool withNext) const {
  uint64_t size = cablib::kHdrFixedSize;
  auto neighbour = [&](size_t other) {
    size += EncodeName(CabinetFileName(other)).bytes.size() + 1 + DiskName(other).size() + 1;
  };
  if (index > 0) neighbour(index - 1);
  if (withNext) neighbour(index + 1);
  return size;
}

// The size the cabinet being filled reaches with what it holds so far. It is
// counted as if a next cabinet followed, so the limit holds whichever way the
// set goes on.
uint64_t SetWriter::CabinetSize() const {
  return HeaderSize(cabinet_.index, true) + cablib::kFolFixedSize * cabinet_.folders.size() + cabinet_.entryBytes +
         cabinet_.dataBytes;
}

uint64_t SetWriter::MemberEnd(size_t member) const {
  const Member& m = folder_.members[member];
  return m.offset + inputs_[m.input].size;
}

// Entries go in input order, carried ones first, so the last entry tells.
bool SetWriter::IsListed(size_t input) const {
  return !cabinet_.entries.empty() && cabinet_.entries.back().input >= input;
}

// The bytes of folder and file entries the cabinet being filled still needs
// for the folder's members [first, end); nothing when its counts would overflow.
std::optional<uint64_t> SetWriter::MetadataFor(size_t first, size_t end) const {
  uint64_t bytes = folder_.listed ? 0 : cablib::kFolFixedSize;
  const size_t folders = cabinet_.folders.size() + (folder_.listed ? 0 : 1);
  size_t entries = cabinet_.entries.size();
  for (size_t i = first; i < end; ++i) {
    const size_t input = folder_.members[i].input;
    if (IsListed(input)) continue;
    bytes += EntrySize(input);
    ++entries;
  }
  if (folders > kMaxFolders || entries > kMaxEntries) return std::nullopt;
  return bytes;
}

// Whether the cabinet being filled can take the entries of members [first,
// end) and dataBytes more.
bool SetWriter::Fits(size_t first, size_t end, uint64_t dataBytes) const {
  const std::optional<uint64_t> metadata = MetadataFor(first, end);
  return metadata && CabinetSize() + *metadata + dataBytes <= limit_;
}

void SetWriter::FailTooSmall() const {
  Fail("a cabinet of at most " + std::to_string(limit_) +
       " bytes cannot hold its header, the file entries it must list and a data block");
}

std::vector<std::filesystem::path> SetWriter::Write() {
  std::error_code error;
  std::filesystem::create_directories(options_.outputFolder, error);
  if (error) Fail("cannot create the folder '" + options_.outputFolder.string() + "': " + error.message());
  StartCabinet(0);
  for (size_t input = 0; input < inputs_.size(); ++input) {
    if (folder_.size + inputs_[input].size > kMaxFolderSize) CloseFolder();
    AddFile(input);
    if (folder_.endAfterCurrentFile) CloseFolder();
  }
  CloseFolder();
  FinishCabinet(false);
  return written_;
}

void SetWriter::Discard() {
  cabinet_.data.reset();
  std::error_code ignored;
  for (const auto& path : written_) std::filesystem::remove(path, ignored);
}

void SetWriter::AddFile(size_t input) {
  // A full block waits for the data that follows it, so that empty files
  // between the two go with it.
  if (inputs_[input].size > 0 && folder_.pending.size() == cablib::kMaxBlockOutput) FlushPending();
  folder_.members.push_back({input, folder_.size});
  if (inputs_[input].size > 0)
    ReadContent(input);
  else
    ListLeadingEmptyFiles();
}

void SetWriter::ReadContent(size_t input) {
  const std::filesystem::path& path = inputs_[input].source->contentPath;
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) FailIo("cannot open", path);
  for (uint64_t remaining = inputs_[input].size; remaining > 0;) {
    if (folder_.pending.size() == cablib::kMaxBlockOutput) FlushPending();
    const size_t have = folder_.pending.size();
    const auto want = static_cast<size_t>(std::min<uint64_t>(remaining, cablib::kMaxBlockOutput - have));
    folder_.pending.resize(have + want);
    if (std::fread(folder_.pending.data() + have, 1, want, file.get()) != want) {
      if (std::ferror(file.get())) FailIo("cannot read", path);
      Fail("'" + path.string() + "' became shorter while it was read");
    }
    folder_.size += want;
    remaining -= want;
  }
  if (std::fgetc(file.get()) != EOF) Fail("'" + path.string() + "' became longer while it was read");
}

// Places the pending block. What does not fit the cabinet being filled is
// settled in this order: the folder ends at the last file boundary inside the
// block that leaves a part which fits; else the block's first file spans into
// the next cabinet, alone, and the folder ends with it; else, when that file
// begins with this block, the block starts a new folder in the next cabinet.
void SetWriter::FlushPending() {
  const std::vector<uint8_t> stored = encoder_.Encode(folder_.pending, folder_.history);
  const size_t end = folder_.members.size();
  const uint64_t keep = MemberEnd(end - 1) > folder_.blockStart + folder_.pending.size() ? kRoomForNextPart : 0;
  if (Fits(folder_.firstPending, end, cablib::kDataFixedSize + stored.size() + keep)) {
    WritePending(stored);
    AdvancePastPending();
    return;
  }
  if (EndFolderInsidePending()) return;
  const size_t first = folder_.firstPending;
  if (Fits(first, first + 1, kRoomForNextPart)) {
    SpanPending(CutAfter(first));
    return;
  }
  if (!cabinet_.HoldsOwnContent()) FailTooSmall();
  // A file running on from the previous block always left room for a part of
  // this one, so nothing runs across this boundary.
  if (folder_.members[first].offset < folder_.blockStart)
    throw std::logic_error("cabinet writer: a folder would continue between two blocks");
  StartFolderInNextCabinet();
}

// Looks for the longest start of the pending block that ends with a file and
// fits the cabinet; the folder then ends there and the rest of the block
// begins the next folder. Taking the stored size as growing with the length,
// a binary search over the file ends keeps the trial compressions few.
bool SetWriter::EndFolderInsidePending() {
  const uint64_t blockEnd = folder_.blockStart + folder_.pending.size();
  std::vector<size_t> ends;  // members that end inside the block
  for (size_t i = folder_.firstPending; i < folder_.members.size(); ++i) {
    const uint64_t end = MemberEnd(i);
    if (inputs_[folder_.members[i].input].size > 0 && end > folder_.blockStart && end < blockEnd) ends.push_back(i);
  }
  std::optional<size_t> best;
  std::vector<uint8_t> bestStored;
  for (size_t low = 0, high = ends.size(); low < high;) {
    const size_t middle = (low + high) / 2;
    const auto length = static_cast<size_t>(MemberEnd(ends[middle]) - folder_.blockStart);
    std::vector<uint8_t> stored = encoder_.Encode(std::span(folder_.pending).first(length), folder_.history);
    if (Fits(folder_.firstPending, ends[middle] + 1, cablib::kDataFixedSize + stored.size())) {
      best = ends[middle];
      bestStored = std::move(stored);
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (!best) return false;
  Folder rest = CutAfter(*best);
  WritePending(bestStored);
  AdvancePastPending();
  StartFolder(std::move(rest));
  return true;
}

// Ends the pending block, and with it the folder, where the member ends; what
// the block holds after it is returned as the start of the next folder.
Folder SetWriter::CutAfter(size_t member) {
  return folder_.TakeFrom(member + 1, std::min(MemberEnd(member), folder_.blockStart + folder_.pending.size()));
}

// Places the pending block, which now touches only its spanning file, over as
// many cabinets as it takes. Each part but the last says it holds no data of
// its own; the file is listed on both sides of each boundary.
void SetWriter::SpanPending(Folder rest) {
  const size_t member = folder_.members.size() - 1;
  const bool goesOn = MemberEnd(member) > folder_.blockStart + folder_.pending.size();
  const std::vector<uint8_t> stored = encoder_.Encode(folder_.pending, folder_.history);
  for (size_t placed = 0;;) {
    const std::optional<uint64_t> metadata = MetadataFor(member, member + 1);
    const uint64_t used = metadata ? CabinetSize() + *metadata + cablib::kDataFixedSize : limit_;
    if (used >= limit_) FailTooSmall();
    const uint64_t room = limit_ - used;
    const size_t left = stored.size() - placed;
    // While the file goes on past this block, the cabinet keeps room for a
    // part of the next block; else at least one byte of this block goes on.
    const bool fitsRest = goesOn ? left + kRoomForNextPart <= room : left <= room;
    const auto part = static_cast<size_t>(fitsRest ? left : std::min<uint64_t>(room, left - 1));
    if (part == 0) FailTooSmall();
    ListPendingMembers();
    WriteBlock(stored.data() + placed, part, fitsRest ? static_cast<uint16_t>(folder_.pending.size()) : 0);
    placed += part;
    if (fitsRest) break;
    StartNextCabinet(member);
  }
  AdvancePastPending();
  // No file may follow a spanning file in its folder, so that no cabinet lists
  // a file lying wholly in a folder begun in an earlier cabinet.
  if (goesOn)
    folder_.endAfterCurrentFile = true;
  else
    StartFolder(std::move(rest));
}

// Nothing runs across the boundary before the pending block, so the folder
// ends there and the block begins a new one in the next cabinet.
void SetWriter::StartFolderInNextCabinet() {
  if (folder_.blocksPlaced > 0) StartFolder(folder_.TakeFrom(folder_.firstPending, folder_.blockStart));
  StartNextCabinet(folder_.members.size());
  FlushPending();
}

void SetWriter::WritePending(const std::vector<uint8_t>& stored) {
  ListPendingMembers();
  WriteBlock(stored.data(), stored.size(), static_cast<uint16_t>(folder_.pending.size()));
}

void SetWriter::AdvancePastPending() {
  folder_.blockStart += folder_.pending.size();
  folder_.history.swap(folder_.pending);
  folder_.pending.clear();
  ++folder_.blocksPlaced;
  const bool lastGoesOn = !folder_.members.empty() && MemberEnd(folder_.members.size() - 1) > folder_.blockStart;
  folder_.firstPending = folder_.members.size() - (lastGoesOn ? 1 : 0);
}

void SetWriter::StartFolder(Folder folder) {
  folder_ = std::move(folder);
  folder_.pending.reserve(cablib::kMaxBlockOutput);
  folder_.history.reserve(cablib::kMaxBlockOutput);
  ListLeadingEmptyFiles();
}

// Empty files at the very start of a folder need no data to be extracted, so
// they are listed at once; riding with the first block they would have to be
// listed as continued whenever that block spans cabinets.
void SetWriter::ListLeadingEmptyFiles() {
  while (folder_.blocksPlaced == 0 && folder_.firstPending < folder_.members.size()) {
    const Member& member = folder_.members[folder_.firstPending];
    if (member.offset != 0 || inputs_[member.input].size != 0) return;
    if (!Fits(folder_.firstPending, folder_.firstPending + 1, 0)) {
      if (!cabinet_.HoldsOwnContent()) FailTooSmall();
      StartNextCabinet(folder_.members.size());
      if (!Fits(folder_.firstPending, folder_.firstPending + 1, 0)) FailTooSmall();
    }
    ListMembers(folder_.firstPending, folder_.firstPending + 1);
    ++folder_.firstPending;
  }
}

void SetWriter::CloseFolder() {
  // Placing may end the folder inside the block and hand the rest to a new
  // folder, which then needs placing too.
  while (!folder_.pending.empty()) FlushPending();
  if (folder_.firstPending < folder_.members.size()) throw std::logic_error("cabinet writer: a file was left unlisted");
  StartFolder(Folder{});
}

void SetWriter::ListPendingMembers() { ListMembers(folder_.firstPending, folder_.members.size()); }

void SetWriter::ListMembers(size_t first, size_t end) {
  if (!folder_.listed) {
    cabinet_.folders.push_back({cabinet_.dataBytes});
    folder_.listed = true;
  }
  const auto folder = static_cast<uint16_t>(cabinet_.folders.size() - 1);
  for (size_t i = first; i < end; ++i) {
    const Member& member = folder_.members[i];
    if (IsListed(member.input)) continue;
    cabinet_.entries.push_back({member.input, member.offset, folder});
    cabinet_.entryBytes += EntrySize(member.input);
  }
}

void SetWriter::WriteBlock(const uint8_t* stored, size_t size, uint16_t dataSize) {
  FolderRecord& folder = cabinet_.folders.back();
  if (folder.blocks == kMaxBlocksPerFolder) Fail("a folder needs more data blocks than one cabinet can count");
  std::vector<uint8_t> head(cablib::kDataFixedSize);
  const auto storedSize = static_cast<uint16_t>(size);
  Put32(head, cablib::kDataChecksum, BlockChecksum(stored, storedSize, dataSize));
  Put16(head, cablib::kDataCompressedSize, storedSize);
  Put16(head, cablib::kDataUncompressedSize, dataSize);
  if (std::fwrite(head.data(), 1, head.size(), cabinet_.data.get()) != head.size() ||
      std::fwrite(stored, 1, size, cabinet_.data.get()) != size)
    Fail(std::string("cannot write the temporary data file: ") + std::strerror(errno));
  cabinet_.dataBytes += cablib::kDataFixedSize + size;
  ++folder.blocks;
}

void SetWriter::StartCabinet(size_t index) {
  if (index >= kMaxCabinets) Fail("the set needs more than 65536 cabinets");
  cabinet_ = Cabinet{};
  cabinet_.index = index;
  cabinet_.data.reset(std::tmpfile());
  if (!cabinet_.data) Fail(std::string("cannot create a temporary data file: ") + std::strerror(errno));
}

// Ends the cabinet being filled and starts the next. The folder's members from
// firstCarried on go on there: they are marked as continued on both sides and
// the folder becomes the next cabinet's first.
void SetWriter::StartNextCabinet(size_t firstCarried) {
  for (size_t i = firstCarried; i < folder_.members.size(); ++i) {
    const size_t input = folder_.members[i].input;
    auto entry = std::find_if(cabinet_.entries.rbegin(), cabinet_.entries.rend(),
                              [&](const Entry& e) { return e.input == input; });
    if (entry == cabinet_.entries.rend()) throw std::logic_error("cabinet writer: a spanning file was not listed");
    entry->toNext = true;
  }
  FinishCabinet(true);
  StartCabinet(cabinet_.index + 1);
  folder_.listed = firstCarried < folder_.members.size();
  if (!folder_.listed) return;
  cabinet_.folders.push_back({0});
  for (size_t i = firstCarried; i < folder_.members.size(); ++i) {
    const Member& member = folder_.members[i];
    cabinet_.entries.push_back({member.input, member.offset, 0, true, false});
    cabinet_.entryBytes += EntrySize(member.input);
  }
  cabinet_.carried = cabinet_.entries.size();
}

// Header, neighbours' names, folder entries and file entries: all of the
// cabinet but its data.
std::vector<uint8_t> SetWriter::CabinetMetadata(bool hasNext) const {
  const Cabinet& cab = cabinet_;
  const uint64_t headerSize = HeaderSize(cab.index, hasNext);
  const uint64_t dataStart = headerSize + cablib::kFolFixedSize * cab.folders.size() + cab.entryBytes;
  std::vector<uint8_t> out(cablib::kHdrFixedSize);
  std::memcpy(out.data() + cablib::kHdrSignature, "MSCF", 4);
  Put32(out, cablib::kHdrCabinetSize, static_cast<uint32_t>(dataStart + cab.dataBytes));
  Put32(out, cablib::kHdrFilesOffset, static_cast<uint32_t>(headerSize + cablib::kFolFixedSize * cab.folders.size()));
  out[cablib::kHdrVersionMinor] = cablib::kVersionMinor;
  out[cablib::kHdrVersionMajor] = cablib::kVersionMajor;
  Put16(out, cablib::kHdrFolderCount, static_cast<uint16_t>(cab.folders.size()));
  Put16(out, cablib::kHdrFileCount, static_cast<uint16_t>(cab.entries.size()));
  Put16(out, cablib::kHdrFlags, (cab.index > 0 ? cablib::kFlagPrevCabinet : 0) | (hasNext ? cablib::kFlagNextCabinet : 0));
  Put16(out, cablib::kHdrSetId, options_.setId);
  Put16(out, cablib::kHdrCabinetIndex, static_cast<uint16_t>(cab.index));
  auto neighbour = [&](size_t other) {
    AppendString(out, EncodeName(CabinetFileName(other)).bytes);
    AppendString(out, DiskName(other));
  };
  if (cab.index > 0) neighbour(cab.index - 1);
  if (hasNext) neighbour(cab.index + 1);

  for (const FolderRecord& folder : cab.folders) {
    const size_t at = out.size();
    out.resize(at + cablib::kFolFixedSize);
    Put32(out, at + cablib::kFolDataOffset, static_cast<uint32_t>(dataStart + folder.firstBlock));
    Put16(out, at + cablib::kFolBlockCount, static_cast<uint16_t>(folder.blocks));
    Put16(out, at + cablib::kFolCompression, encoder_.FolderType());
  }
  for (const Entry& entry : cab.entries) {
    const Input& input = inputs_[entry.input];
    const size_t at = out.size();
    out.resize(at + cablib::kFileFixedSize);
    Put32(out, at + cablib::kFileSize, static_cast<uint32_t>(input.size));
    Put32(out, at + cablib::kFileFolderOffset, static_cast<uint32_t>(entry.offset));
    Put16(out, at + cablib::kFileFolderIndex, entry.FolderField());
    Put16(out, at + cablib::kFileDate, input.source->dosDate);
    Put16(out, at + cablib::kFileTime, input.source->dosTime);
    Put16(out, at + cablib::kFileAttribs, input.attributes);
    AppendString(out, input.name.bytes);
  }
  return out;
}

void SetWriter::FinishCabinet(bool hasNext) {
  const std::vector<uint8_t> metadata = CabinetMetadata(hasNext);
  const std::filesystem::path path = options_.outputFolder / CabinetFileName(cabinet_.index);
  written_.push_back(path);
  FileHandle out(std::fopen(path.c_str(), "wb"));
  if (!out) FailIo("cannot create", path);
  if (std::fwrite(metadata.data(), 1, metadata.size(), out.get()) != metadata.size()) FailIo("cannot write", path);
  std::rewind(cabinet_.data.get());
  std::vector<uint8_t> buffer(64 * 1024);
  while (const size_t got = std::fread(buffer.data(), 1, buffer.size(), cabinet_.data.get()))
    if (std::fwrite(buffer.data(), 1, got, out.get()) != got) FailIo("cannot write", path);
  if (std::ferror(cabinet_.data.get())) Fail(std::string("cannot read the temporary data file: ") + std::strerror(errno));
  if (std::fclose(out.release()) != 0) FailIo("cannot write", path);
}

Input PrepareInput(const SourceFile& file) {
  StoredName name = EncodeName(file.storedName);
  if (name.bytes.empty()) Fail("a file has no stored name");
  if (name.bytes.size() > kMaxStringBytes)
    Fail("the name '" + file.storedName + "' is longer than " + std::to_string(kMaxStringBytes) + " bytes");
  std::error_code error;
  const std::filesystem::path& path = file.contentPath;
  if (!std::filesystem::is_regular_file(path, error)) Fail("'" + path.string() + "' is no readable file");
  const uint64_t size = std::filesystem::file_size(path, error);
  if (error) Fail("cannot read '" + path.string() + "': " + error.message());
  if (size > kMaxFolderSize) Fail("'" + path.string() + "' is larger than a cabinet folder can hold");
  if (!FileHandle(std::fopen(path.c_str(), "rb"))) FailIo("cannot open", path);
  const auto attributes = static_cast<uint16_t>((file.attributes & ~_A_NAME_IS_UTF) |
                                                (name.utf8 ? _A_NAME_IS_UTF : 0));
  return {&file, std::move(name), attributes, size};
}

void CheckPrefix(const std::string& prefix) {
  if (prefix.empty()) Fail("the cabinet name prefix is empty");
  if (prefix.find_first_of("/\\") != std::string::npos) Fail("the cabinet name prefix '" + prefix + "' holds a path");
  if (EncodeName(prefix).bytes.size() + 9 > kMaxStringBytes) Fail("the cabinet name prefix '" + prefix + "' is too long");
}

}  // namespace

std::vector<std::filesystem::path> WriteCabinetSet(const std::vector<SourceFile>& files, const Options& options) {
  if (files.empty()) Fail("there are no files to store");
  CheckPrefix(options.prefix);
  std::vector<Input> inputs;
  inputs.reserve(files.size());
  for (const SourceFile& file : files) inputs.push_back(PrepareInput(file));
  SetWriter writer(std::move(inputs), options);
  try {
    return writer.Write();
  } catch (...) {
    writer.Discard();
    throw;
  }
}

}  // namespace cabwriter
