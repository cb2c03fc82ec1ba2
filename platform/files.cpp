#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/sysutils.h"
#include "platform/winpath.h"

namespace fs = std::filesystem;

namespace {

thread_local uint32_t lastError = ERROR_SUCCESS;

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// "*" any run of characters, "?" one character.
bool WildcardMatch(const QString& pattern, const QString& name) {
  qsizetype p = 0, n = 0, starP = -1, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP >= 0) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool PatternMatches(const std::string& pattern, const std::string& name) {
  // "*.*" matches every name, also one without a dot.
  if (pattern == "*.*") return true;
  return WildcardMatch(QString::fromStdString(pattern).toCaseFolded(),
                       QString::fromStdString(name).toCaseFolded());
}

bool StatPath(const fs::path& path, struct stat& info) { return ::stat(path.c_str(), &info) == 0; }

std::chrono::system_clock::time_point ModificationTime(const struct stat& info) {
  using namespace std::chrono;
  return system_clock::time_point(duration_cast<system_clock::duration>(
      seconds(info.st_mtim.tv_sec) + nanoseconds(info.st_mtim.tv_nsec)));
}

TSearchRec Entry(const std::string& name, const struct stat& info) {
  TSearchRec entry;
  entry.Name = name;
  const bool folder = S_ISDIR(info.st_mode);
  entry.Attr = folder ? faDirectory : faArchive;
  if ((info.st_mode & S_IWUSR) == 0) entry.Attr |= faReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") entry.Attr |= faHidden;
  entry.Size = folder ? 0 : static_cast<int32_t>(static_cast<uint32_t>(info.st_size));
  entry.LastWriteTime = ModificationTime(info);
  return entry;
}

bool LessIgnoringCase(const TSearchRec& a, const TSearchRec& b) {
  return QString::fromStdString(a.Name).toCaseFolded() < QString::fromStdString(b.Name).toCaseFolded();
}

std::vector<TSearchRec> SearchFolder(const fs::path& folder, const std::string& pattern) {
  std::vector<TSearchRec> found;
  struct stat info {};
  for (const char* dots : {".", ".."})
    if (PatternMatches(pattern, dots) && StatPath(folder / dots, info)) found.push_back(Entry(dots, info));
  const std::size_t dotted = found.size();
  std::error_code error;
  for (const fs::directory_entry& item : fs::directory_iterator(folder, error)) {
    const std::string name = item.path().filename().string();
    if (PatternMatches(pattern, name) && StatPath(item.path(), info)) found.push_back(Entry(name, info));
  }
  std::sort(found.begin() + static_cast<std::ptrdiff_t>(dotted), found.end(), LessIgnoringCase);
  return found;
}

uint32_t ErrorFromErrno(int code) {
  switch (code) {
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOENT: case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    default: return ERROR_ACCESS_DENIED;
  }
}

bool ParentWriteProtected(const fs::path& path) {
  struct stat info {};
  return StatPath(path.parent_path().empty() ? "." : path.parent_path(), info) && (info.st_mode & S_IWUSR) == 0;
}

bool HostWriteProtected(const fs::path& path) {
  struct stat info {};
  return StatPath(path, info) && (info.st_mode & S_IWUSR) == 0;
}

// A temporary name beside target, so that the final rename stays on one file system.
fs::path TemporaryBeside(const fs::path& target) {
  return target.parent_path() / ("." + target.filename().string() + ".part-" + std::to_string(::getpid()));
}

bool CopyContents(const fs::path& source, const fs::path& temporary) {
  std::ifstream in(source, std::ios::binary);
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!in || !out) return false;
  out << in.rdbuf();
  out.close();
  return !in.bad() && out.good();
}

}  // namespace

void SetLastError(uint32_t code) { lastError = code; }
uint32_t GetLastError() { return lastError; }

std::vector<TSearchRec> FindFiles(const std::string& pattern) {
  const std::string name = ExtractFileName(pattern);
  const fs::path folder = HostPath(ExtractFilePath(pattern).empty() ? "." : ExtractFilePath(pattern));
  if (HasWildcard(name)) return SearchFolder(folder, name);
  const fs::path exact = HostPath(pattern);
  struct stat info {};
  if (name.empty() || !StatPath(exact, info)) return {};
  return {Entry(exact.filename().string(), info)};
}

bool FileExists(const std::string& nameOrPattern) {
  const std::vector<TSearchRec> found = FindFiles(nameOrPattern);
  return !found.empty() && (found.front().Attr & faDirectory) == 0;
}

bool DirectoryExists(const std::string& name) {
  struct stat info {};
  return !name.empty() && StatPath(HostPath(name), info) && S_ISDIR(info.st_mode);
}

bool CreateDirectory(const std::string& path) {
  const fs::path host = HostPath(path);
  if (ParentWriteProtected(host) && !DirectoryExists(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (::mkdir(host.c_str(), 0777) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return false;
  }
  return true;
}

void ForceDirectories(std::string dir) {
  if (dir.empty()) throw Exception("Unable to create directory");
  if (dir.back() == '\\') dir.pop_back();
  if (dir.size() < 3 || DirectoryExists(dir) || ExtractFilePath(dir) == dir) return;
  // A name without a folder part lies in the current folder, which exists.
  if (!ExtractFilePath(dir).empty()) ForceDirectories(ExtractFilePath(dir));
  CreateDirectory(dir);
}

bool CopyFile(const std::string& source, const std::string& target, bool failIfExists) {
  const fs::path from = HostPath(source);
  const fs::path to = HostPath(target);
  struct stat info {}, existing {};
  if (!StatPath(from, info) || S_ISDIR(info.st_mode)) return false;
  if (StatPath(to, existing) && (failIfExists || S_ISDIR(existing.st_mode) || HostWriteProtected(to))) return false;
  if (ParentWriteProtected(to)) return false;
  const fs::path temporary = TemporaryBeside(to);
  std::error_code error;
  if (!CopyContents(from, temporary)) {
    fs::remove(temporary, error);
    return false;
  }
  fs::last_write_time(temporary, fs::last_write_time(from, error), error);
  fs::rename(temporary, to, error);
  if (error) fs::remove(temporary, error);
  return !error;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t limit) {
  const fs::path host = HostPath(path);
  struct stat info {};
  if (!StatPath(host, info) || !S_ISREG(info.st_mode) || static_cast<std::size_t>(info.st_size) > limit) return false;
  std::ifstream in(host, std::ios::binary);
  if (!in) return false;
  bytes.assign(static_cast<std::size_t>(info.st_size), '\0');
  return static_cast<bool>(in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

std::string GetSystemDirectory() {
  WindowsRoot();
  return "C:\\windows\\system32";
}

bool IsWriteProtected(const std::string& path) { return HostWriteProtected(HostPath(path)); }

HFILE _lopen(const std::string& path, int mode) {
  static constexpr int kAccess[] = {O_RDONLY, O_WRONLY, O_RDWR, O_RDONLY};
  const fs::path host = HostPath(path);
  struct stat info {};
  if (!StatPath(host, info) || S_ISDIR(info.st_mode)) return HFILE_ERROR;
  if ((mode & 3) != OF_READ && (info.st_mode & S_IWUSR) == 0) return HFILE_ERROR;
  return ::open(host.c_str(), kAccess[mode & 3] | O_CLOEXEC);
}

HFILE _lcreat(const std::string& path, int /*attribute*/) {
  const fs::path host = HostPath(path);
  if (HostWriteProtected(host) || ParentWriteProtected(host)) return HFILE_ERROR;
  return ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

uint32_t _lread(HFILE file, void* buffer, uint32_t count) {
  ssize_t done = ::read(file, buffer, count);
  return done < 0 ? static_cast<uint32_t>(HFILE_ERROR) : static_cast<uint32_t>(done);
}

uint32_t _lwrite(HFILE file, const void* buffer, uint32_t count) {
  ssize_t done = ::write(file, buffer, count);
  return done < 0 ? static_cast<uint32_t>(HFILE_ERROR) : static_cast<uint32_t>(done);
}

HFILE _lclose(HFILE file) { return ::close(file) == 0 ? 0 : HFILE_ERROR; }

int32_t _llseek(HFILE file, int32_t offset, int origin) {
  off_t position = ::lseek(file, offset, origin);
  return position < 0 || position > INT32_MAX ? HFILE_ERROR : static_cast<int32_t>(position);
}
