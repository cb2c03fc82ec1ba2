// cabtool: lists, traces, extracts and makes cabinet files, for the people who
// prepare installation media and for the tests. Paths on its command line are
// host paths.
#include <sys/stat.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "cabinet/CabExtractor.h"
#include "platform/files.h"
#include "platform/sysutils.h"
#include "tools/cabwriter.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
  std::fputs(
      "usage: cabtool list CAB\n"
      "       cabtool extract CAB DIR\n"
      "       cabtool trace DIR CABPATH CABNAME\n"
      "       cabtool make [--mszip] [--max-size BYTES] [--set-id N] PREFIX FILE...\n",
      stderr);
  return 2;
}

std::string Text(const char* text) { return text ? text : ""; }

// The cabinet library's client functions over the platform's file handles.
void* Alloc(uint32_t size) { return std::malloc(size); }
void Free(void* block) { std::free(block); }
intptr_t Open(char* name, int flags, int) { return _lopen(name, flags); }
uint32_t Read(intptr_t file, void* buffer, uint32_t count) { return _lread(static_cast<HFILE>(file), buffer, count); }
uint32_t Write(intptr_t file, void* buffer, uint32_t count) {
  return _lwrite(static_cast<HFILE>(file), buffer, count);
}
int Close(intptr_t file) { return _lclose(static_cast<HFILE>(file)); }
int32_t Seek(intptr_t file, int32_t distance, int origin) {
  return _llseek(static_cast<HFILE>(file), distance, origin);
}

std::string ErrorName(int32_t code) {
  return code >= 0 && code < 12 ? FdiErrorTexts[code] : "error " + std::to_string(code);
}

std::string DosDate(uint16_t date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", (date >> 9) + 1980, (date >> 5) & 15, date & 31);
  return text;
}

std::string DosTime(uint16_t time) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}

// One FDICopy of a cabinet given by its host path, with a notification function.
class Session {
 public:
  Session() : context_(FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpu80386, &error_)) {
    if (!context_) throw std::runtime_error("no cabinet context: " + ErrorName(error_.erfOper));
  }
  ~Session() { FDIDestroy(context_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool Copy(std::string path, std::string name, PFNFDINOTIFY notify, void* user) {
    return FDICopy(context_, name.data(), path.data(), 0, notify, nullptr, user);
  }
  int32_t Error() const { return error_.erfOper; }

 private:
  ERF error_{};
  HFDI context_;
};

// --- list ---------------------------------------------------------------

intptr_t ListNotify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
  if (type == fdintCOPY_FILE)
    std::printf("%11d  %s %s  0x%02x  %s\n", n->cb, DosDate(n->date).c_str(), DosTime(n->time).c_str(),
                n->attribs, Text(n->psz1).c_str());
  return 0;
}

int List(const std::string& cabinet) {
  const fs::path path(cabinet);
  Session session;
  const std::string folder = path.has_parent_path() ? path.parent_path().string() + "/" : "";
  if (session.Copy(folder, path.filename().string(), ListNotify, nullptr)) return 0;
  std::fprintf(stderr, "cabtool: %s: %s\n", cabinet.c_str(), ErrorName(session.Error()).c_str());
  return 1;
}

// --- extract ------------------------------------------------------------

// A host path in the extractor's terms: a path without a drive is a host path
// as it stands, so the tool leaves every Windows root alone.
std::string Backslashed(const fs::path& path) {
  std::string text = fs::absolute(path).lexically_normal().string();
  std::replace(text.begin(), text.end(), '/', '\\');
  return text;
}

int Extract(const std::string& cabinet, const std::string& folder) {
  TCabExtractor extractor(nullptr);
  extractor.SetCabinet(Backslashed(cabinet));
  extractor.DestDir = Backslashed(folder) + "\\";
  extractor.ExtractAll();
  return 0;
}

// --- trace --------------------------------------------------------------

// The work list of the extractor, printed one line a notification: a set is
// followed through the cabinets its notifications name, each once.
class Tracer {
 public:
  explicit Tracer(std::string folder) : folder_(std::move(folder)) {}

  int Run(const std::string& cabinetPath, const std::string& firstCabinet) {
    Add(firstCabinet);
    Session session;
    for (std::size_t next = 0; next < work_.size(); ++next) {
      std::printf("FDICOPY %s\n", work_[next].c_str());
      Tracer* self = this;
      errorsInRow_ = 0;
      if (!session.Copy(cabinetPath, work_[next], Notify, &self)) {
        std::printf("RESULT error=%d\n", session.Error());
        return 1;
      }
      std::printf("RESULT ok\n");
    }
    return 0;
  }

 private:
  static intptr_t Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
    return (*static_cast<Tracer**>(n->pv))->Handle(type, *n);
  }

  intptr_t Handle(FDINOTIFICATIONTYPE type, FDINOTIFICATION& n) {
    switch (type) {
      case fdintCABINET_INFO:
        std::printf("CABINET_INFO next=%s disk=%s path=%s set=%u index=%u\n", Text(n.psz1).c_str(),
                    Text(n.psz2).c_str(), Text(n.psz3).c_str(), n.setID, n.iCabinet);
        Add(Text(n.psz1));
        return 0;
      case fdintPARTIAL_FILE:
        std::printf("PARTIAL_FILE name=%s from=%s disk=%s\n", Text(n.psz1).c_str(), Text(n.psz2).c_str(),
                    Text(n.psz3).c_str());
        Add(Text(n.psz2));
        return 0;
      case fdintCOPY_FILE:
        std::printf("COPY_FILE name=%s size=%d date=%s time=%s attribs=0x%02x\n", Text(n.psz1).c_str(), n.cb,
                    DosDate(n.date).c_str(), DosTime(n.time).c_str(), n.attribs);
        return LeavesDestination(Text(n.psz1)) ? -1 : _lcreat(folder_ + "\\" + Text(n.psz1), 0);
      case fdintCLOSE_FILE_INFO:
        std::printf("CLOSE_FILE_INFO name=%s\n", Text(n.psz1).c_str());
        _lclose(static_cast<HFILE>(n.hf));
        return 1;
      case fdintNEXT_CABINET:
        std::printf("NEXT_CABINET next=%s disk=%s path=%s error=%d\n", Text(n.psz1).c_str(), Text(n.psz2).c_str(),
                    Text(n.psz3).c_str(), n.fdie);
        // The path stays as it is; a cabinet that stays unusable is given up.
        errorsInRow_ = n.fdie == FDIERROR_NONE ? 0 : errorsInRow_ + 1;
        return errorsInRow_ >= 3 ? -1 : 0;
      default:
        return 0;
    }
  }

  void Add(const std::string& name) {
    if (name.empty()) return;
    if (std::none_of(work_.begin(), work_.end(), [&](const std::string& known) { return SameText(known, name); }))
      work_.push_back(name);
  }

  std::string folder_;
  std::vector<std::string> work_;
  int errorsInRow_ = 0;
};

// --- make ---------------------------------------------------------------

uint16_t DosDateOf(const std::tm& local) {
  return static_cast<uint16_t>(((local.tm_year + 1900 - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

uint16_t DosTimeOf(const std::tm& local) {
  return static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

cabwriter::SourceFile Source(const std::string& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) throw std::runtime_error(file + ": cannot be read");
  std::tm local{};
  localtime_r(&info.st_mtime, &local);
  cabwriter::SourceFile source;
  source.storedName = fs::path(file).filename().string();
  source.contentPath = file;
  source.dosDate = DosDateOf(local);
  source.dosTime = DosTimeOf(local);
  source.attributes = (info.st_mode & S_IWUSR) ? faArchive : (faArchive | faReadOnly);
  return source;
}

int Make(const std::vector<std::string>& arguments) {
  cabwriter::Options options;
  options.compression = cabwriter::Compression::None;
  options.outputFolder = fs::current_path();
  std::size_t at = 0;
  for (; at < arguments.size() && arguments[at].starts_with("--"); ++at) {
    const std::string& flag = arguments[at];
    if (flag == "--mszip") {
      options.compression = cabwriter::Compression::MsZip;
    } else if ((flag == "--max-size" || flag == "--set-id") && at + 1 < arguments.size()) {
      const unsigned long long value = std::stoull(arguments[++at]);
      if (flag == "--max-size") options.maxCabinetSize = value;
      else options.setId = static_cast<uint16_t>(value);
    } else {
      return Usage();
    }
  }
  if (arguments.size() - at < 2) return Usage();
  options.prefix = arguments[at++];
  std::vector<cabwriter::SourceFile> files;
  for (; at < arguments.size(); ++at) files.push_back(Source(arguments[at]));
  for (const fs::path& cabinet : cabwriter::WriteCabinetSet(files, options)) std::printf("%s\n", cabinet.c_str());
  return 0;
}

int Run(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return Usage();
  const std::string& command = arguments[0];
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  if (command == "list" && rest.size() == 1) return List(rest[0]);
  if (command == "extract" && rest.size() == 2) return Extract(rest[0], rest[1]);
  if (command == "trace" && rest.size() == 3) return Tracer(rest[0]).Run(rest[1], rest[2]);
  if (command == "make") return Make(rest);
  return Usage();
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication host(argc, argv);
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "cabtool: %s\n", CrToLineFeed(error.what()).c_str());
    return 1;
  }
}
