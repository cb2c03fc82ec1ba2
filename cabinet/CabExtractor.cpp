#include "cabinet/CabExtractor.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/files.h"

const char* const FdiErrorTexts[12] = {
    "No error",
    "Cabinet not found",
    "Cabinet file does not have the correct format",
    "Cabinet file has an unknown version number",
    "Cabinet file is corrupt",
    "Could not allocate enough memory",
    "Unknown compression type in a cabinet folder",
    "Failure decompressing data from a cabinet file",
    "Failure writing to target file",
    "Cabinets in a set do not have the same RESERVE sizes",
    "Cabinet returned on fdintNEXT_CABINET is incorrect",
    "FDI aborted",
};

namespace {

// The library's path buffer: 255 characters and the terminating zero.
constexpr std::size_t kPathBuffer = 256;

void* CabAlloc(uint32_t size) { return std::malloc(size); }
void CabFree(void* block) { std::free(block); }
intptr_t CabOpen(char* fileName, int flags, int /*mode*/) { return _lopen(fileName, flags); }
uint32_t CabRead(intptr_t file, void* buffer, uint32_t count) {
  return _lread(static_cast<HFILE>(file), buffer, count);
}
uint32_t CabWrite(intptr_t file, void* buffer, uint32_t count) {
  return _lwrite(static_cast<HFILE>(file), buffer, count);
}
int CabClose(intptr_t file) { return _lclose(static_cast<HFILE>(file)); }
int32_t CabSeek(intptr_t file, int32_t distance, int origin) {
  return _llseek(static_cast<HFILE>(file), distance, origin);
}
intptr_t CabNotify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* notification) {
  return (*static_cast<TCabExtractor**>(notification->pv))->HandleNotify(type, notification);
}

std::string Text(const char* text) { return text ? text : ""; }

// The stored MS-DOS date and time as a date-time value, calendar date and clock
// time as stored. A part that is no valid date or time counts as zero.
TDateTime DosDateTimeToDateTime(uint16_t date, uint16_t time) {
  TDateTime day = 0, clock = 0;
  if (!TryEncodeDate((date >> 9) + 1980, (date >> 5) & 15, date & 31, day)) day = 0;
  if (!TryEncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0, clock)) clock = 0;
  return day + clock;
}

}  // namespace

bool LeavesDestination(const std::string& storedName) {
  if (storedName.empty() || storedName[0] == '\\' || storedName[0] == '/') return true;
  if (storedName.find(':') != std::string::npos) return true;
  std::size_t start = 0;
  while (start <= storedName.size()) {
    const std::size_t end = storedName.find_first_of("\\/", start);
    if (storedName.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") == 0)
      return true;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return false;
}

TCabExtractor::TCabExtractor(QObject* Owner) : QObject(Owner) {
  OnCopyFile = nullptr;
  OnNeedCabinet = nullptr;
  CabList.clear();
  Context = FDICreate(CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek, cpu80386, &ErrorInfo);
  if (!Context) throw ECabExtractor("Could not create valid cabinet context.\r" + ErrorText());
}

TCabExtractor::~TCabExtractor() {
  CabList.clear();
  // A destructor cannot report; the context's memory is given back either way.
  FDIDestroy(Context);
}

void TCabExtractor::AddCabinet(const std::string& name) {
  if (name.empty()) return;
  for (const auto& entry : CabList)
    if (SameText(entry->Name, name)) return;
  CabList.push_back(std::make_unique<TCabListEntry>(TCabListEntry{name, false}));
}

std::string TCabExtractor::ErrorText() const {
  const int32_t code = ErrorInfo.erfOper;
  if (code < 0 || code >= static_cast<int32_t>(std::size(FdiErrorTexts)))
    return "Unknown cabinet library error " + IntToStr(code);
  return FdiErrorTexts[code];
}

void TCabExtractor::SetCabinet(const std::string& path) {
  if (!FileExists(path)) throw ECabExtractor("Cab file not found\r" + ErrorText());
  CabFile = ExtractFileName(path);
  AddCabinet(CabFile);
  CabPath = ExtractFilePath(path);
  std::string name = path;
  const intptr_t file = CabOpen(name.data(), OF_READ, 0);
  if (file < 0) throw ECabExtractor("Could not open cab file.\r" + ErrorText());
  const bool isCabinet = FDIIsCabinet(Context, file, &CabInfo);
  _lclose(static_cast<HFILE>(file));
  if (!isCabinet) throw ECabExtractor("Invalid cab file.\r" + ErrorText());
}

void TCabExtractor::ExtractAll() {
  for (;;) {
    TCabListEntry* next = nullptr;
    for (const auto& entry : CabList)
      if (!entry->Done) {
        next = entry.get();
        break;
      }
    if (!next) return;
    next->Done = true;
    std::string name = next->Name;
    std::string path = CabPath;
    TCabExtractor* self = this;
    handlerError_ = nullptr;
    lastAnswer_.clear();
    const bool copied = FDICopy(Context, name.data(), path.data(), 0, CabNotify, nullptr, &self);
    if (handlerError_) std::rethrow_exception(std::exchange(handlerError_, nullptr));
    if (!copied) throw ECabExtractor("Could not extract cabinet.\r" + ErrorText());
  }
}

intptr_t TCabExtractor::HandleNotify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* notification) {
  // Nothing may unwind through the library: an error of a handler aborts the
  // copy and is raised again by ExtractAll.
  try {
    return Notify(type, *notification);
  } catch (...) {
    handlerError_ = std::current_exception();
    return -1;
  }
}

intptr_t TCabExtractor::Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION& notification) {
  switch (type) {
    case fdintCABINET_INFO:
      AddCabinet(Text(notification.psz1));
      lastAnswer_.clear();
      return 0;
    case fdintPARTIAL_FILE:
      AddCabinet(Text(notification.psz2));
      return 0;
    case fdintCOPY_FILE:
      return CopyFileStep(notification);
    case fdintCLOSE_FILE_INFO:
      CabClose(notification.hf);
      return 1;
    case fdintNEXT_CABINET:
      return NextCabinetStep(notification);
    case fdintENUMERATE:
      return 0;
  }
  return -1;
}

intptr_t TCabExtractor::CopyFileStep(const FDINOTIFICATION& notification) {
  bool Extract = true;
  bool KeepGoing = true;
  const std::string fileName = Text(notification.psz1);
  if (OnCopyFile)
    OnCopyFile(this, fileName, notification.cb, DosDateTimeToDateTime(notification.date, notification.time),
               notification.attribs, Extract, KeepGoing);
  if (!KeepGoing) return -1;
  if (!Extract) return 0;
  // A name that leads out of the destination is a file that cannot be created.
  if (LeavesDestination(fileName)) return -1;
  return _lcreat(DestDir + fileName, 0);
}

intptr_t TCabExtractor::NextCabinetStep(FDINOTIFICATION& notification) {
  bool KeepGoing = true;
  const std::string nextCabinet = Text(notification.psz1);
  std::string Path = Text(notification.psz3);
  if (OnNeedCabinet) OnNeedCabinet(this, nextCabinet, Text(notification.psz2), Path, KeepGoing);
  const std::string answer = Path + nextCabinet;
  // The library has already turned this very cabinet down; it would only ask again.
  if (notification.fdie != FDIERROR_NONE && SameText(answer, lastAnswer_)) return -1;
  if (OnNeedCabinet) {
    if (!KeepGoing || !FileExists(answer)) return -1;
    const std::size_t length = std::min(Path.size(), kPathBuffer - 1);
    std::memcpy(notification.psz3, Path.data(), length);
    notification.psz3[length] = '\0';
  }
  lastAnswer_ = answer;
  return 0;
}
