#include "platform/profile.h"

#include <fstream>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/codepage.h"
#include "platform/sysutils.h"
#include "platform/winpath.h"

namespace {

// Longer lines are cut here, so that a file of any size or shape is read in
// bounded memory.
constexpr std::size_t kLineLimit = 64 * 1024;

// Calls visit for each line (CR LF, LF or CR alone end one) until it returns false.
void ForEachLine(std::istream& in, const std::function<bool(const std::string&)>& visit) {
  std::string line;
  bool pending = false;
  bool afterCr = false;
  char chunk[64 * 1024];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    const std::streamsize count = in.gcount();
    for (std::streamsize i = 0; i < count; ++i) {
      const char c = chunk[i];
      const bool crLf = afterCr && c == '\n';
      afterCr = c == '\r';
      if (crLf) continue;
      if (c == '\r' || c == '\n') {
        if (!visit(line)) return;
        line.clear();
        pending = false;
      } else {
        pending = true;
        if (line.size() < kLineLimit) line += c;
      }
    }
  }
  if (pending) visit(line);
}

bool ReadsAsUtf8(const std::string& hostFile) {
  std::ifstream in(hostFile, std::ios::binary);
  char mark[3] = {};
  if (in.read(mark, 3) && std::string_view(mark, 3) == "\xEF\xBB\xBF") return true;
  in.clear();
  in.seekg(0);
  // No UTF-8 sequence spans a line break, so line by line is as good as whole.
  bool valid = true;
  ForEachLine(in, [&](const std::string& line) { return valid = IsValidUtf8(line); });
  return valid;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::optional<std::string> FindValue(std::istream& in, bool utf8, const std::string& section,
                                      const std::string& key) {
  enum { Before, Inside, After } where = Before;
  std::optional<std::string> value;
  ForEachLine(in, [&](const std::string& raw) {
    const std::string decoded = utf8 ? raw : Cp1252ToUtf8(raw);
    std::string_view line = Trimmed(decoded);
    if (line.starts_with("\xEF\xBB\xBF")) line = Trimmed(line.substr(3));
    if (line.starts_with('[')) {
      const std::string name(Trimmed(line.substr(1, line.find(']') - 1)));
      if (where == Inside) where = After;
      if (where == Before && AnsiSameText(name, section)) where = Inside;
      return where != After;
    }
    if (where != Inside || line.empty() || line.starts_with(';')) return true;
    const std::size_t equals = line.find('=');
    if (!AnsiSameText(std::string(Trimmed(line.substr(0, equals))), key)) return true;
    value = equals == std::string_view::npos ? std::string() : Unquoted(Trimmed(line.substr(equals + 1)));
    return false;
  });
  return value;
}

}  // namespace

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& fileName) {
  const std::string hostFile = HostPath(fileName).string();
  std::ifstream in(hostFile, std::ios::binary);
  if (!in) return def;
  const bool utf8 = ReadsAsUtf8(hostFile);
  return FindValue(in, utf8, section, key).value_or(def);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  return GetPrivateProfileString(section, key, def, fileName_);
}
