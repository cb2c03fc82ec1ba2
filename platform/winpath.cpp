#include "platform/winpath.h"

#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSystemFolder = "C:\\windows\\system32";

std::string UserName() {
  if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name)
    return entry->pw_name;
  if (const char* user = std::getenv("USER"); user && *user) return user;
  return "user";
}

fs::path RootSetting() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".wine";
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (!IsSeparator(c)) {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(part);
      part.clear();
    }
  }
  // A trailing separator names a folder; keep it so that a file does not match.
  if (!part.empty() || (!path.empty() && IsSeparator(path.back()))) parts.push_back(part);
  return parts;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}

QString Folded(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded();
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; }

// A name sought without regard to case. A new file's lookup walks its whole
// folder, so a folder that fills with thousands of files is walked as often:
// names that are plain ASCII on both sides, nearly all of them, compare
// without building folded copies (case folding of ASCII is ASCII's own).
class CaselessName {
 public:
  explicit CaselessName(const std::string& name) : name_(name), ascii_(IsAscii(name)), folded_(Folded(name)) {}

  bool Matches(std::string_view candidate) const {
    if (ascii_ && IsAscii(candidate))
      return std::equal(name_.begin(), name_.end(), candidate.begin(), candidate.end(),
                        [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
    return Folded(candidate) == folded_;
  }

 private:
  const std::string& name_;
  bool ascii_;
  QString folded_;
};

// The entry of folder whose name equals name without regard to case; the first
// in sorted order when several do, so that the choice does not depend on the
// order the host file system lists them.
fs::path MatchIgnoringCase(const fs::path& folder, const std::string& name) {
  DIR* listing = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!listing) return {};
  const CaselessName wanted(name);
  std::string best;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string_view candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (wanted.Matches(candidate) && (best.empty() || candidate < best)) best = candidate;
  }
  ::closedir(listing);
  return best.empty() ? fs::path() : folder / best;
}

fs::path Resolve(fs::path base, const std::vector<std::string>& parts) {
  bool existing = true;
  for (const std::string& part : parts) {
    fs::path next = base / part;
    if (existing && !part.empty() && part != "." && part != ".." && !Exists(next)) {
      fs::path match = MatchIgnoringCase(base, part);
      existing = !match.empty();
      if (existing) next = match;
    }
    base = next;
  }
  return base;
}

fs::path DriveFolder(char letter) {
  const fs::path root = WindowsRoot();
  const char lower = static_cast<char>(letter | 0x20);
  if (lower == 'c') return root / "drive_c";
  fs::path device = root / "dosdevices" / (std::string(1, lower) + ":");
  if (lower == 'z' && !Exists(device)) return "/";
  return device;
}

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
}

std::string WithBackslashes(std::string text) {
  for (char& c : text)
    if (c == '/') c = '\\';
  return text;
}

// Relative to base when path lies inside it.
bool Inside(const fs::path& path, const fs::path& base, fs::path& relative) {
  auto [baseEnd, pathPos] = std::mismatch(base.begin(), base.end(), path.begin(), path.end());
  if (baseEnd != base.end()) return false;
  relative.clear();
  for (; pathPos != path.end(); ++pathPos) relative /= *pathPos;
  return true;
}

void EnsureMachineFolders(const fs::path& root) {
  static std::mutex lock;
  static std::set<fs::path> prepared;
  std::lock_guard guard(lock);
  if (!prepared.insert(root).second) return;
  std::error_code ignored;
  fs::create_directories(Resolve(root / "drive_c", Components(std::string(kSystemFolder).substr(3))), ignored);
  fs::create_directories(Resolve(root / "drive_c", Components(UserProgramsFolder().substr(3))), ignored);
}

}  // namespace

fs::path WindowsRoot() {
  fs::path root = fs::absolute(RootSetting()).lexically_normal();
  EnsureMachineFolders(root);
  return root;
}

std::string UserProgramsFolder() {
  return "C:\\users\\" + UserName() + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
}

fs::path HostPath(const std::string& windowsPath) {
  if (HasDrive(windowsPath)) return Resolve(DriveFolder(windowsPath[0]), Components(windowsPath.substr(2)));
  const bool absolute = !windowsPath.empty() && IsSeparator(windowsPath[0]);
  return Resolve(absolute ? fs::path("/") : fs::path(), Components(windowsPath));
}

std::string WindowsPath(const fs::path& hostPath) {
  std::error_code error;
  const fs::path path = fs::weakly_canonical(fs::absolute(hostPath), error);
  const fs::path driveC = fs::weakly_canonical(WindowsRoot() / "drive_c", error);
  fs::path relative;
  return Inside(path, driveC, relative) ? "C:\\" + WithBackslashes(relative.string())
                                        : "Z:" + WithBackslashes(path.string());
}
