#pragma once
// One FDICopy: walks a cabinet's file list, tells the client about each entry
// and writes the files it asks for, following a folder into the next cabinets
// of the set when its data goes on there.
#include <cstdint>
#include <string>

#include "platform/cablib/cab_container.h"
#include "platform/cablib/cab_folder.h"
#include "platform/cablib/cab_memory.h"
#include "platform/cablib/fdi.h"

namespace cablib {

struct CopyClient {
  ClientHeap heap;
  ClientFiles files;
  PFNFDINOTIFY notify = nullptr;
  void* user = nullptr;
};

class CopySession final : CabinetChain {
 public:
  CopySession(const CopyClient& client, const char* cabinetName, const char* cabinetPath);
  CopySession(const CopySession&) = delete;
  CopySession& operator=(const CopySession&) = delete;
  ~CopySession();

  FDIERROR Run();

 private:
  FDIERROR OpenFirst();
  FDIERROR OpenCabinet(const std::string& fullName, Cabinet* cabinet);
  FDIERROR CheckFileList();
  FDIERROR WalkFileList();
  FDIERROR HandleEntry(const FileRecord& record);
  FDIERROR CopyEntry(const FileRecord& record, uint16_t folder);
  FDIERROR WriteFile(const FileRecord& record, uint16_t folder, intptr_t handle);
  void SendCloseFileInfo(const FileRecord& record, uint16_t folder, intptr_t handle);
  FDIERROR OpenNext(const Cabinet& current, Cabinet** next) override;
  FDIERROR CheckContinues(const CabinetHeader& current, const CabinetHeader& candidate) const;
  void Close(Cabinet* cabinet);
  std::string PathText() const;

  intptr_t Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) const;
  FDINOTIFICATION Blank() const;
  bool SendCabinetInfo(const Cabinet& cabinet);
  bool SendPartialFile(const FileRecord& record);

  CopyClient client_;
  std::string name_;
  // The path cabinets are opened under; the client may rewrite it when asked
  // for the next cabinet, so it is a buffer of the promised size.
  std::string path_;
  Cabinet first_;
  Cabinet next_;  // the latest cabinet a folder was followed into
  FolderStream stream_;
  bool folderZeroContinued_ = false;  // its data starts in the previous cabinet
};

}  // namespace cablib
