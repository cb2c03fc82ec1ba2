#pragma once
// A client of the cabinet library that keeps everything in memory: cabinets
// are strings under their full names, extracted files land in a map, and
// every notification is traced as one line of text. The library's callbacks
// are plain functions, so one client is current at a time.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/cablib/fdi.h"

class CabinetClient {
 public:
  CabinetClient();
  ~CabinetClient();
  CabinetClient(const CabinetClient&) = delete;
  CabinetClient& operator=(const CabinetClient&) = delete;

  // Cabinets the library may open, by the full name it opens them with.
  std::map<std::string, std::string> cabinets;
  // Files written by the library and closed, by entry name.
  std::map<std::string, std::string> extracted;
  std::vector<std::string> trace;

  // Lets a test answer a notification itself; nullopt keeps the default:
  // create every file, go on after a cabinet with no complaint, give up (-1)
  // when the library asks again for a next cabinet.
  std::function<std::optional<intptr_t>(FDINOTIFICATIONTYPE, FDINOTIFICATION*)> answer;
  // Writes to this entry fail.
  std::string failWritesOf;

  bool Copy(const std::string& cabinet, const std::string& path = "");
  // FDIIsCabinet on a cabinet opened by name.
  bool IsCabinet(const std::string& name, FDICABINETINFO* info);
  const ERF& erf() const { return erf_; }
  int openHandles() const { return static_cast<int>(handles_.size()); }
  int64_t liveBlocks() const { return liveBlocks_; }
  uint64_t peakBytes() const { return peakBytes_; }

 private:
  struct Handle {
    std::string name;
    std::string data;
    uint32_t position = 0;
    bool output = false;
  };

  static CabinetClient* current_;
  static void* Alloc(uint32_t cb);
  static void Free(void* pv);
  static intptr_t Open(char* name, int oflag, int pmode);
  static uint32_t Read(intptr_t hf, void* pv, uint32_t cb);
  static uint32_t Write(intptr_t hf, void* pv, uint32_t cb);
  static int Close(intptr_t hf);
  static int32_t Seek(intptr_t hf, int32_t dist, int origin);
  static intptr_t Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n);
  intptr_t DefaultAnswer(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n);
  void Trace(FDINOTIFICATIONTYPE type, const FDINOTIFICATION* n);

  HFDI hfdi_ = nullptr;
  ERF erf_{};
  std::map<intptr_t, Handle> handles_;
  intptr_t nextHandle_ = 1;
  int64_t liveBlocks_ = 0;
  uint64_t liveBytes_ = 0;
  uint64_t peakBytes_ = 0;
};
