#include "tests/support/CabinetBuilder.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

void PutLe16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutLe32(std::string& bytes, size_t at, uint32_t value) {
  PutLe16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
  PutLe16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

uint32_t GetLe32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

namespace {

void Append16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void Append32(std::string& out, uint32_t v) {
  Append16(out, static_cast<uint16_t>(v & 0xFFFF));
  Append16(out, static_cast<uint16_t>(v >> 16));
}

std::string BlockBytes(const BuiltBlock& block, uint8_t reserve) {
  std::string sizes;
  Append16(sizes, static_cast<uint16_t>(block.data.size()));
  Append16(sizes, block.uncompressed);
  const uint32_t sum = block.checksum ? CabinetChecksum(sizes, CabinetChecksum(block.data, 0)) : 0;
  std::string out;
  Append32(out, sum);
  out += sizes;
  out += std::string(reserve, '\xAB');
  out += block.data;
  return out;
}

size_t HeaderSize(const CabinetLayout& layout) {
  size_t size = 36 + (layout.reserve ? 4 + layout.headerReserve : 0);
  if (!layout.prevCabinet.empty()) size += layout.prevCabinet.size() + layout.prevDisk.size() + 2;
  if (!layout.nextCabinet.empty()) size += layout.nextCabinet.size() + layout.nextDisk.size() + 2;
  return size;
}

}  // namespace

uint32_t CabinetChecksum(const std::string& data, uint32_t seed) {
  uint32_t sum = seed;
  const size_t whole = data.size() / 4 * 4;
  for (size_t i = 0; i < whole; i += 4) sum ^= GetLe32(data, i);
  uint32_t tail = 0;
  for (size_t i = whole; i < data.size(); ++i) tail = (tail << 8) | static_cast<unsigned char>(data[i]);
  return sum ^ tail;
}

std::string CabinetLayout::Build() const {
  std::string files_;
  for (const BuiltFile& f : files) {
    Append32(files_, f.size);
    Append32(files_, f.offset);
    Append16(files_, f.folder);
    Append16(files_, f.date);
    Append16(files_, f.time);
    Append16(files_, f.attribs);
    files_ += f.name;
    files_ += '\0';
  }
  const size_t foldersAt = HeaderSize(*this);
  const size_t filesAt = foldersAt + folders.size() * (8 + folderReserve);
  std::string folderTable, data;
  size_t dataAt = filesAt + files_.size();
  for (const BuiltFolder& folder : folders) {
    Append32(folderTable, static_cast<uint32_t>(dataAt + data.size()));
    Append16(folderTable, static_cast<uint16_t>(folder.blocks.size()));
    Append16(folderTable, folder.compression);
    folderTable += std::string(folderReserve, '\xCD');
    for (const BuiltBlock& block : folder.blocks) data += BlockBytes(block, dataReserve);
  }
  uint16_t flags = 0;
  if (!prevCabinet.empty()) flags |= 1;
  if (!nextCabinet.empty()) flags |= 2;
  if (reserve) flags |= 4;
  std::string out = "MSCF";
  Append32(out, 0);
  Append32(out, static_cast<uint32_t>(dataAt + data.size()));
  Append32(out, 0);
  Append32(out, static_cast<uint32_t>(filesAt));
  Append32(out, 0);
  out += '\x03';
  out += '\x01';
  Append16(out, static_cast<uint16_t>(folders.size()));
  Append16(out, static_cast<uint16_t>(files.size()));
  Append16(out, flags);
  Append16(out, setId);
  Append16(out, index);
  if (reserve) {
    Append16(out, headerReserve);
    out += static_cast<char>(folderReserve);
    out += static_cast<char>(dataReserve);
    out += std::string(headerReserve, '\xEF');
  }
  if (!prevCabinet.empty()) out += prevCabinet + '\0' + prevDisk + '\0';
  if (!nextCabinet.empty()) out += nextCabinet + '\0' + nextDisk + '\0';
  return out + folderTable + files_ + data;
}

std::vector<BuiltBlock> StoredBlocks(const std::string& data) {
  std::vector<BuiltBlock> blocks;
  for (size_t at = 0; at < data.size(); at += 32768) {
    const std::string piece = data.substr(at, 32768);
    blocks.push_back({piece, static_cast<uint16_t>(piece.size()), true});
  }
  return blocks;
}

std::vector<BuiltBlock> MszipBlocks(const std::string& data) {
  std::vector<BuiltBlock> blocks;
  for (size_t at = 0; at < data.size(); at += 32768) {
    const std::string piece = data.substr(at, 32768);
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflate");
    const size_t historyAt = at >= 32768 ? at - 32768 : 0;
    if (at > 0)
      deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(data.data() + historyAt),
                           static_cast<uInt>(at - historyAt));
    std::string out(deflateBound(&z, static_cast<uLong>(piece.size())) + 2, '\0');
    out[0] = 'C';
    out[1] = 'K';
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    z.avail_in = static_cast<uInt>(piece.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data() + 2);
    z.avail_out = static_cast<uInt>(out.size() - 2);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(2 + z.total_out);
    deflateEnd(&z);
    blocks.push_back({out, static_cast<uint16_t>(piece.size()), true});
  }
  return blocks;
}

// The bits of an LZX stream: 16-bit little-endian words filled from their
// most significant bit.
namespace {

class LzxBitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      word_ = static_cast<uint16_t>((word_ << 1) | ((value >> i) & 1));
      if (++used_ == 16) Flush();
    }
  }
  // Pads to the word boundary, a whole word when already on one.
  void PadForStoredBlock() { Put(0, 16 - used_); }
  void Align() {
    if (used_ != 0) Put(0, 16 - used_);
  }
  std::string Take() {
    std::string out;
    out.swap(bytes_);
    return out;
  }
  void Raw(const std::string& bytes) { bytes_ += bytes; }

 private:
  void Flush() {
    bytes_ += static_cast<char>(word_ & 0xFF);
    bytes_ += static_cast<char>(word_ >> 8);
    word_ = 0;
    used_ = 0;
  }
  std::string bytes_;
  uint16_t word_ = 0;
  int used_ = 0;
};

}  // namespace

std::vector<BuiltBlock> LzxStoredFrames(const std::string& data, uint32_t translationSize) {
  LzxBitWriter bits;
  bits.Put(translationSize != 0, 1);
  if (translationSize != 0) bits.Put(translationSize, 32);
  bits.Put(3, 3);
  bits.Put(static_cast<uint32_t>(data.size()), 24);
  bits.PadForStoredBlock();
  bits.Raw(std::string("\x01\0\0\0\x01\0\0\0\x01\0\0\0", 12));
  std::vector<BuiltBlock> blocks;
  for (size_t at = 0; at < data.size(); at += 32768) {
    const std::string frame = data.substr(at, 32768);
    bits.Raw(frame);
    if (at + 32768 >= data.size() && data.size() % 2 == 1) bits.Raw(std::string(1, '\0'));
    blocks.push_back({bits.Take(), static_cast<uint16_t>(frame.size()), true});
  }
  return blocks;
}

namespace {

// Code lengths sent through a pretree with two 1-bit codes: 9 (a length of 8
// over a previous 0) and 18 (a run of 20..51 zeros).
void PutLiteralOnlyLengths(LzxBitWriter& bits, int literals, int zeros) {
  for (int s = 0; s < 20; ++s) bits.Put(s == 9 || s == 18 ? 1 : 0, 4);
  for (int i = 0; i < literals; ++i) bits.Put(0, 1);
  while (zeros > 0) {
    const int run = zeros > 71 ? 51 : zeros > 51 ? zeros - 20 : zeros;
    bits.Put(1, 1);
    bits.Put(static_cast<uint32_t>(run - 20), 5);
    zeros -= run;
  }
}

}  // namespace

std::vector<BuiltBlock> LzxLiteralFrames(const std::string& data, uint32_t windowBits) {
  const int slots = windowBits == 21 ? 50 : windowBits == 20 ? 42 : static_cast<int>(windowBits) * 2;
  LzxBitWriter bits;
  bits.Put(0, 1);
  bits.Put(1, 3);
  bits.Put(static_cast<uint32_t>(data.size()), 24);
  PutLiteralOnlyLengths(bits, 256, 0);
  PutLiteralOnlyLengths(bits, 0, slots * 8);
  PutLiteralOnlyLengths(bits, 0, 249);
  std::vector<BuiltBlock> blocks;
  for (size_t at = 0; at < data.size(); at += 32768) {
    const std::string frame = data.substr(at, 32768);
    for (unsigned char byte : frame) bits.Put(byte, 8);
    bits.Align();
    blocks.push_back({bits.Take(), static_cast<uint16_t>(frame.size()), true});
  }
  return blocks;
}

CabinetLayout OneFolderCabinet(const std::vector<std::pair<std::string, std::string>>& files, uint16_t compression) {
  CabinetLayout layout;
  std::string all;
  for (const auto& [name, bytes] : files) {
    layout.files.push_back({name, static_cast<uint32_t>(bytes.size()), static_cast<uint32_t>(all.size()), 0});
    all += bytes;
  }
  layout.folders.push_back({compression, compression == 1 ? MszipBlocks(all) : StoredBlocks(all)});
  return layout;
}

std::string MixedBytes(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"cabinet ", "folder ", "setup ", "file ", "data\r\n", "install ", "\x01\x02"};
  std::string out;
  out.reserve(size);
  uint32_t state = seed * 2654435761u + 1;
  while (out.size() < size) {
    state = state * 1103515245u + 12345u;
    if ((state >> 16) % 4 == 0) {
      out += static_cast<char>(state >> 24);
    } else {
      out += kWords[(state >> 20) % 7];
    }
  }
  out.resize(size);
  return out;
}
