#pragma once
// The cabinet extractor: writes every file of a cabinet, and of the other
// cabinets of its set, into one folder through the cabinet library, asking its
// owner before each file and for each continuation cabinet.
#include <QObject>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/cablib/fdi.h"
#include "platform/datetime.h"
#include "platform/sysutils.h"

class ECabExtractor : public Exception {
 public:
  using Exception::Exception;
};

// The texts of the library's error codes, by code.
extern const char* const FdiErrorTexts[12];

using TCopyFileEvent = std::function<void(QObject* Sender, const std::string& FileName, int32_t FileSize,
                                          TDateTime FileDate, uint16_t Attributes, bool& Extract,
                                          bool& KeepGoing)>;
using TNeedCabinetEvent = std::function<void(QObject* Sender, const std::string& NextCabinet,
                                             const std::string& DiskName, std::string& Path, bool& KeepGoing)>;

struct TCabListEntry {
  std::string Name;
  bool Done = false;  // handed to the library; a failed cabinet counts as done
};

class TCabExtractor : public QObject {
 public:
  explicit TCabExtractor(QObject* Owner);
  ~TCabExtractor() override;

  void SetCabinet(const std::string& path);
  void ExtractAll();

  std::string DestDir;  // put in front of each stored name; the owner ends it with "\"
  TCopyFileEvent OnCopyFile;
  TNeedCabinetEvent OnNeedCabinet;

  // The library calls back through here.
  intptr_t HandleNotify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* notification);

 private:
  void AddCabinet(const std::string& name);
  std::string ErrorText() const;
  intptr_t CopyFileStep(const FDINOTIFICATION& notification);
  intptr_t NextCabinetStep(FDINOTIFICATION& notification);
  intptr_t Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION& notification);

  HFDI Context = nullptr;
  ERF ErrorInfo{};
  FDICABINETINFO CabInfo{};
  std::string CabFile;
  std::string CabPath;
  std::vector<std::unique_ptr<TCabListEntry>> CabList;

  // An error an event handler raised inside the library, raised again once the
  // library has returned.
  std::exception_ptr handlerError_;
  // Where the library was last sent for a continuation cabinet: sending it there
  // again after it reported an error would repeat forever.
  std::string lastAnswer_;
};

// A stored name that would lead out of the destination folder: absolute, with
// a drive, or with a ".." component.
bool LeavesDestination(const std::string& storedName);
