#include "platform/cablib/cab_copy.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace cablib {

namespace {

// The size of the name and path buffers the client may rewrite.
constexpr size_t kClientBuffer = 256;

constexpr int kReadOnlyBinary = 0;

std::string ClientBuffer(const std::string& text) {
  std::string buffer = text;
  buffer.resize(std::max(kClientBuffer, text.size() + 1), '\0');
  return buffer;
}

std::string BufferText(const std::string& buffer) { return std::string(buffer.c_str(), ::strnlen(buffer.data(), buffer.size())); }

bool ContinuedFromPrev(uint16_t index) {
  return index == kFolderContinuedFromPrev || index == kFolderContinuedPrevAndNext;
}

}  // namespace

CopySession::CopySession(const CopyClient& client, const char* cabinetName, const char* cabinetPath)
    : client_(client),
      name_(cabinetName),
      path_(ClientBuffer(cabinetPath ? cabinetPath : "")),
      stream_(client.heap, *this) {}

CopySession::~CopySession() {
  Close(&next_);
  Close(&first_);
}

FDIERROR CopySession::Run() {
  FDIERROR error = OpenFirst();
  if (error != FDIERROR_NONE) return error;
  if (!SendCabinetInfo(first_)) return FDIERROR_USER_ABORT;
  if ((error = CheckFileList()) != FDIERROR_NONE) return error;
  return WalkFileList();
}

FDIERROR CopySession::OpenFirst() { return OpenCabinet(PathText() + name_, &first_); }

FDIERROR CopySession::OpenCabinet(const std::string& fullName, Cabinet* cabinet) {
  std::string name = fullName;
  const intptr_t handle = client_.files.open(name.data(), kReadOnlyBinary, 0);
  if (handle == -1) return FDIERROR_CABINET_NOT_FOUND;
  cabinet->file = CabinetFile(client_.files, handle);
  cabinet->open = true;
  if (!cabinet->file.MeasureLength()) return FDIERROR_NOT_A_CABINET;
  return ReadHeader(cabinet->file, &cabinet->header);
}

void CopySession::Close(Cabinet* cabinet) {
  if (cabinet->open) client_.files.close(cabinet->file.handle());
  cabinet->open = false;
}

std::string CopySession::PathText() const { return BufferText(path_); }

// The whole list is checked before the first notification about an entry, so
// a damaged list never leaves the client with part of a cabinet.
FDIERROR CopySession::CheckFileList() {
  const CabinetHeader& header = first_.header;
  uint32_t offset = header.filesOffset;
  for (uint32_t i = 0; i < header.fileCount; ++i) {
    FileRecord record;
    const FDIERROR error = ReadFileRecord(first_.file, offset, &record);
    if (error != FDIERROR_NONE) return error;
    if (record.folderIndex >= header.folderCount && record.folderIndex < kFolderContinuedFromPrev)
      return FDIERROR_CORRUPT_CABINET;
    if (ContinuedFromPrev(record.folderIndex)) folderZeroContinued_ = true;
    offset += record.recordSize;
  }
  return FDIERROR_NONE;
}

FDIERROR CopySession::WalkFileList() {
  uint32_t offset = first_.header.filesOffset;
  for (uint32_t i = 0; i < first_.header.fileCount; ++i) {
    FileRecord record;
    FDIERROR error = ReadFileRecord(first_.file, offset, &record);
    if (error == FDIERROR_NONE) error = HandleEntry(record);
    if (error != FDIERROR_NONE) return error;
    offset += record.recordSize;
  }
  return FDIERROR_NONE;
}

FDIERROR CopySession::HandleEntry(const FileRecord& record) {
  if (ContinuedFromPrev(record.folderIndex)) return SendPartialFile(record) ? FDIERROR_NONE : FDIERROR_USER_ABORT;
  const uint16_t folder =
      record.folderIndex == kFolderContinuedToNext ? first_.header.folderCount - 1 : record.folderIndex;
  return CopyEntry(record, folder);
}

FDIERROR CopySession::CopyEntry(const FileRecord& record, uint16_t folder) {
  std::string name = record.name;
  FDINOTIFICATION n = Blank();
  n.psz1 = name.data();
  n.cb = static_cast<int32_t>(record.size);
  n.date = record.date;
  n.time = record.time;
  n.attribs = record.attribs;
  n.iFolder = folder;
  const intptr_t handle = Notify(fdintCOPY_FILE, &n);
  if (handle == -1) return FDIERROR_USER_ABORT;
  if (handle == 0) return FDIERROR_NONE;
  const FDIERROR error = WriteFile(record, folder, handle);
  // The client owns the handle and closes it here, whether the copy worked
  // or not.
  SendCloseFileInfo(record, folder, handle);
  return error;
}

FDIERROR CopySession::WriteFile(const FileRecord& record, uint16_t folder, intptr_t handle) {
  if (record.size == 0) return FDIERROR_NONE;
  // Its start lies in a cabinet before this one: nothing here can decode it.
  if (folder == 0 && folderZeroContinued_) return FDIERROR_CORRUPT_CABINET;
  uint64_t position = record.folderOffset;
  const uint64_t end = position + record.size;
  if (!stream_.IsAt(first_, folder, position)) {
    const FDIERROR error = stream_.Start(first_, folder);
    if (error != FDIERROR_NONE) return error;
  }
  while (position < end) {
    const FDIERROR error = stream_.Reach(position);
    if (error != FDIERROR_NONE) return error;
    const auto n = static_cast<uint32_t>(std::min(end, stream_.blockEnd()) - position);
    auto* data = const_cast<uint8_t*>(stream_.block() + (position - stream_.blockStart()));
    if (client_.files.write(handle, data, n) != n) return FDIERROR_TARGET_FILE;
    position += n;
  }
  return FDIERROR_NONE;
}

void CopySession::SendCloseFileInfo(const FileRecord& record, uint16_t folder, intptr_t handle) {
  std::string name = record.name;
  FDINOTIFICATION n = Blank();
  n.psz1 = name.data();
  n.hf = handle;
  n.cb = static_cast<int32_t>(record.size);
  n.date = record.date;
  n.time = record.time;
  n.attribs = record.attribs;
  n.iFolder = folder;
  Notify(fdintCLOSE_FILE_INFO, &n);  // what it returns is the client's business
}

// Asks the client for the next cabinet until one continues the set or the
// client gives up; each new request says why the last one did not fit.
FDIERROR CopySession::OpenNext(const Cabinet& current, Cabinet** next) {
  const CabinetHeader wanted = current.header;  // `current` may be the cabinet replaced below
  std::string name = ClientBuffer(wanted.nextCabinet);
  std::string disk = ClientBuffer(wanted.nextDisk);
  FDIERROR why = FDIERROR_NONE;
  for (;;) {
    FDINOTIFICATION n = Blank();
    n.psz1 = name.data();
    n.psz2 = disk.data();
    n.psz3 = path_.data();
    n.setID = wanted.setId;
    n.iCabinet = wanted.index;
    n.fdie = why;
    if (Notify(fdintNEXT_CABINET, &n) == -1) return FDIERROR_USER_ABORT;
    Cabinet candidate;
    why = OpenCabinet(PathText() + BufferText(name), &candidate);
    if (why == FDIERROR_NONE) why = CheckContinues(wanted, candidate.header);
    if (why == FDIERROR_NONE) {
      Close(&next_);
      next_ = std::move(candidate);
      *next = &next_;
      return SendCabinetInfo(next_) ? FDIERROR_NONE : FDIERROR_USER_ABORT;
    }
    Close(&candidate);
  }
}

FDIERROR CopySession::CheckContinues(const CabinetHeader& current, const CabinetHeader& candidate) const {
  if (candidate.setId != current.setId || candidate.index != current.index + 1 || !candidate.HasPrev())
    return FDIERROR_WRONG_CABINET;
  return candidate.SameReserves(current) ? FDIERROR_NONE : FDIERROR_RESERVE_MISMATCH;
}

intptr_t CopySession::Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) const {
  return client_.notify ? client_.notify(type, n) : 0;
}

FDINOTIFICATION CopySession::Blank() const {
  FDINOTIFICATION n{};
  n.pv = client_.user;
  n.setID = first_.header.setId;
  n.iCabinet = first_.header.index;
  return n;
}

bool CopySession::SendCabinetInfo(const Cabinet& cabinet) {
  std::string next = cabinet.header.nextCabinet;
  std::string disk = cabinet.header.nextDisk;
  FDINOTIFICATION n = Blank();
  n.psz1 = next.data();
  n.psz2 = disk.data();
  n.psz3 = path_.data();
  n.setID = cabinet.header.setId;
  n.iCabinet = cabinet.header.index;
  return Notify(fdintCABINET_INFO, &n) != -1;
}

bool CopySession::SendPartialFile(const FileRecord& record) {
  std::string name = record.name;
  std::string prev = first_.header.prevCabinet;
  std::string disk = first_.header.prevDisk;
  FDINOTIFICATION n = Blank();
  n.psz1 = name.data();
  n.psz2 = prev.data();
  n.psz3 = disk.data();
  n.cb = static_cast<int32_t>(record.size);
  n.date = record.date;
  n.time = record.time;
  n.attribs = record.attribs;
  return Notify(fdintPARTIAL_FILE, &n) != -1;
}

}  // namespace cablib
