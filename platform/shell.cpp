#include "platform/shell.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QString>
#include <cstdint>
#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/textfile.h"
#include "platform/winpath.h"

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
// CLSID_ShellLink {00021401-0000-0000-C000-000000000046} as the format stores it.
constexpr char kLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                   '\xC0', 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHasLinkInfo = 0x02;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr uint32_t kLinkInfoHeaderSize = 0x24;  // with the UTF-16 path's offsets
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kShowNormal = 1;
constexpr std::size_t kMostCharacters = 0xFFFF;

// Every number of the format is little-endian.
void Put(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Utf16(const std::string& text) {
  std::string out;
  for (char16_t unit : QString::fromStdString(text).toStdU16String()) Put(out, unit, 2);
  return out;
}

// What the header tells of the target; all zero when it does not exist.
struct TargetFacts {
  uint32_t attributes = 0;
  uint32_t size = 0;
  uint64_t created = 0;
  uint64_t accessed = 0;
  uint64_t written = 0;
};

// 100-nanosecond steps since 1 January 1601 (UTC).
uint64_t FileTime(const struct statx_timestamp& moment) {
  constexpr int64_t kSecondsBefore1970 = 11644473600;
  const int64_t seconds = moment.tv_sec + kSecondsBefore1970;
  return seconds < 0 ? 0 : static_cast<uint64_t>(seconds) * 10000000 + moment.tv_nsec / 100;
}

TargetFacts FactsOf(const std::string& target) {
  TargetFacts facts;
  struct statx info {};
  if (target.empty() ||
      ::statx(AT_FDCWD, HostPath(target).c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
    return facts;
  const bool folder = S_ISDIR(info.stx_mode);
  facts.attributes = (folder ? faDirectory : faArchive) | ((info.stx_mode & S_IWUSR) ? 0 : faReadOnly);
  facts.size = folder ? 0 : static_cast<uint32_t>(info.stx_size);
  facts.created = FileTime((info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime);
  facts.accessed = FileTime(info.stx_atime);
  facts.written = FileTime(info.stx_mtime);
  return facts;
}

std::string Header(uint32_t flags, const TargetFacts& facts) {
  std::string out;
  Put(out, kHeaderSize, 4);
  out.append(kLinkClassId, sizeof kLinkClassId);
  Put(out, flags, 4);
  Put(out, facts.attributes, 4);
  Put(out, facts.created, 8);
  Put(out, facts.accessed, 8);
  Put(out, facts.written, 8);
  Put(out, facts.size, 4);
  Put(out, 0, 4);  // icon index
  Put(out, kShowNormal, 4);
  Put(out, 0, 2);   // hot key
  Put(out, 0, 10);  // reserved
  return out;
}

// Where the target lies: a fixed volume without label or serial number, and the
// whole path as its local base path with an empty common suffix.
std::string LinkInfo(const std::string& target) {
  std::string volume;
  Put(volume, 0x11, 4);  // its own size: four fields and the empty label
  Put(volume, kDriveFixed, 4);
  Put(volume, 0, 4);     // serial number
  Put(volume, 0x10, 4);  // label offset
  volume += '\0';
  const std::string path = Utf8ToCp1252(target) + '\0';
  const std::string suffix(1, '\0');
  const std::string widePath = Utf16(target) + std::string(2, '\0');
  const std::string wideSuffix(2, '\0');
  const std::size_t volumeAt = kLinkInfoHeaderSize;
  const std::size_t pathAt = volumeAt + volume.size();
  const std::size_t suffixAt = pathAt + path.size();
  const std::size_t widePathAt = suffixAt + suffix.size();
  const std::size_t wideSuffixAt = widePathAt + widePath.size();
  std::string out;
  Put(out, wideSuffixAt + wideSuffix.size(), 4);
  Put(out, kLinkInfoHeaderSize, 4);
  Put(out, kVolumeIdAndLocalBasePath, 4);
  Put(out, volumeAt, 4);
  Put(out, pathAt, 4);
  Put(out, 0, 4);  // no network location
  Put(out, suffixAt, 4);
  Put(out, widePathAt, 4);
  Put(out, wideSuffixAt, 4);
  return out + volume + path + suffix + widePath + wideSuffix;
}

}  // namespace

bool SHGetSpecialFolderPath(int csidl, std::string& path) {
  if (csidl != CSIDL_PROGRAMS || !DirectoryExists(UserProgramsFolder())) return false;
  path = UserProgramsFolder();
  return true;
}

bool TShellLink::Save(const std::string& fileName) const {
  const std::string description = Utf16(description_);
  if (description.size() / 2 > kMostCharacters) return false;
  const uint32_t flags =
      kIsUnicode | (target_.empty() ? 0 : kHasLinkInfo) | (description_.empty() ? 0 : kHasName);
  std::string bytes = Header(flags, FactsOf(target_));
  if (!target_.empty()) bytes += LinkInfo(target_);
  if (!description_.empty()) {
    Put(bytes, description.size() / 2, 2);
    bytes += description;
  }
  Put(bytes, 0, 4);  // the terminal block that ends the extra data
  return WriteFileAtomically(HostPath(fileName), bytes);
}
