#include "platform/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool OwnerMayWrite(const struct stat& info) { return (info.st_mode & S_IWUSR) != 0; }

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

bool WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(descriptor, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

// The bytes reach the disk before the temporary file takes the target's name,
// so that a crash leaves the earlier contents rather than an empty file.
bool WriteTemporary(int descriptor, std::string_view bytes, mode_t mode) {
  return ::fchmod(descriptor, mode) == 0 && WriteAll(descriptor, bytes) && ::fsync(descriptor) == 0;
}

}  // namespace

std::optional<std::string> ReadFileBytes(const fs::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::string();
    return std::nullopt;
  }
  if (S_ISDIR(info.st_mode)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return bytes.str();
}

bool WriteFileAtomically(const fs::path& file, std::string_view bytes) {
  std::error_code error;
  const fs::path target = fs::is_symlink(fs::symlink_status(file, error)) ? fs::canonical(file, error) : file;
  if (error && error != std::errc::no_such_file_or_directory) return false;
  struct stat existing {}, folderInfo {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && (S_ISDIR(existing.st_mode) || !OwnerMayWrite(existing))) return false;
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  if (::stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode) || !OwnerMayWrite(folderInfo))
    return false;
  std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) return false;
  const mode_t mode = exists ? existing.st_mode & 07777 : 0666 & ~CurrentUmask();
  const bool written = WriteTemporary(descriptor, bytes, mode);
  const bool closed = ::close(descriptor) == 0;
  if (written && closed && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

TextLines::TextLines(std::string_view bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines_.push_back({std::string(bytes.substr(start)), ""});
      break;
    }
    const std::size_t length = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
    lines_.push_back({std::string(bytes.substr(start, end - start)), std::string(bytes.substr(end, length))});
    start = end + length;
  }
  newLine_ = lines_.empty() || lines_.front().ending.empty() ? "\r\n" : lines_.front().ending;
}

void TextLines::Replace(std::size_t index, std::string text) { lines_[index].text = std::move(text); }

void TextLines::Insert(std::size_t index, std::string text) {
  if (index > 0 && lines_[index - 1].ending.empty()) lines_[index - 1].ending = newLine_;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), {std::move(text), newLine_});
}

void TextLines::Erase(std::size_t first, std::size_t count) {
  const auto begin = lines_.begin() + static_cast<std::ptrdiff_t>(first);
  lines_.erase(begin, begin + static_cast<std::ptrdiff_t>(count));
}

std::string TextLines::Joined() const {
  std::string bytes;
  for (const Line& line : lines_) bytes += line.text + line.ending;
  return bytes;
}
