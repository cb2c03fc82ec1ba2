#include "platform/profile.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/codepage.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"
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

std::string Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// One line of a profile file as the reader and the writer both see it.
struct ProfileLine {
  enum Kind { Other, Section, Entry } kind = Other;
  std::string name;        // the section's or the key's name
  std::string_view value;  // an entry's text after its "=", untrimmed
};

ProfileLine ParseLine(std::string_view decoded) {
  std::string_view line = Trimmed(decoded);
  if (line.starts_with("\xEF\xBB\xBF")) line = Trimmed(line.substr(3));
  if (line.starts_with('[')) {
    return {ProfileLine::Section, std::string(Trimmed(line.substr(1, line.find(']') - 1))), {}};
  }
  if (line.empty() || line.starts_with(';')) return {};
  const std::size_t equals = line.find('=');
  return {ProfileLine::Entry, std::string(Trimmed(line.substr(0, equals))),
          equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1)};
}

std::optional<std::string> FindValue(std::istream& in, bool utf8, const std::string& section,
                                      const std::string& key) {
  enum { Before, Inside, After } where = Before;
  std::optional<std::string> value;
  ForEachLine(in, [&](const std::string& raw) {
    const std::string decoded = utf8 ? raw : Cp1252ToUtf8(raw);
    const ProfileLine line = ParseLine(decoded);
    if (line.kind == ProfileLine::Section) {
      if (where == Inside) where = After;
      if (where == Before && AnsiSameText(line.name, section)) where = Inside;
      return where != After;
    }
    if (where != Inside || line.kind != ProfileLine::Entry || !AnsiSameText(line.name, key)) return true;
    value = Unquoted(Trimmed(line.value));
    return false;
  });
  return value;
}

// Text that would end its line, or the C string Windows is handed, is refused:
// it would put other keys or sections into the file. So is a key or a section
// that would read back as something else.
bool FitsOneEntry(const std::string& section, const std::string& key, const std::string& value) {
  static constexpr std::string_view kBreaks("\r\n\0", 3);
  for (const std::string* text : {&section, &key, &value})
    if (text->find_first_of(kBreaks) != std::string::npos) return false;
  const std::string_view name = Trimmed(key);
  return section.find(']') == std::string::npos && key.find('=') == std::string::npos && !name.empty() &&
         !name.starts_with('[') && !name.starts_with(';');
}

// New text is written in the encoding the file is read in, so that its earlier
// lines keep reading as they did: UTF-8 for a file the reader takes as UTF-8
// that holds more than ASCII, else the ANSI code page.
bool KeepsUtf8(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return true;
  const bool beyondAscii = std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
  return beyondAscii && IsValidUtf8(bytes);
}

// The file with key = value in section, found by the reader's rules: the first
// such section, the first such key in it. A new key follows the section's last
// key, a new section ends the file; every other line stays as it was.
std::string WithEntry(std::string_view bytes, const std::string& section, const std::string& key,
                      const std::string& value) {
  const bool utf8 = KeepsUtf8(bytes);
  const auto encoded = [utf8](const std::string& text) { return utf8 ? text : Utf8ToCp1252(text); };
  TextLines lines(bytes);
  std::optional<std::size_t> header, last;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view raw = std::string_view(lines[i]).substr(0, kLineLimit);
    const ProfileLine line = ParseLine(utf8 ? std::string(raw) : Cp1252ToUtf8(raw));
    if (line.kind == ProfileLine::Section) {
      if (header) break;
      if (AnsiSameText(line.name, section)) header = last = i;
    } else if (header && line.kind == ProfileLine::Entry) {
      if (AnsiSameText(line.name, key)) {
        lines.Replace(i, lines[i].substr(0, lines[i].find('=')) + "=" + encoded(value));
        return lines.Joined();
      }
      last = i;
    }
  }
  if (!header) {
    lines.Insert(lines.size(), encoded("[" + section + "]"));
    last = lines.size() - 1;
  }
  lines.Insert(*last + 1, encoded(key + "=" + value));
  return lines.Joined();
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

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName) {
  if (!FitsOneEntry(section, key, value)) return false;
  const std::filesystem::path hostFile = HostPath(fileName);
  const std::optional<std::string> bytes = ReadFileBytes(hostFile);
  return bytes && WriteFileAtomically(hostFile, WithEntry(*bytes, section, key, value));
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!WritePrivateProfileString(section, key, value, fileName_))
    throw Exception("Unable to write to " + fileName_);
}
