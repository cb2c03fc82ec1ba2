#include "platform/registry.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "platform/codepage.h"
#include "platform/sysutils.h"
#include "platform/textfile.h"
#include "platform/winpath.h"

namespace {

constexpr std::string_view kFormat = "REGEDIT4";

std::string RootName(HKEY root) {
  switch (root) {
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
  }
  throw Exception("Unknown root key " + std::to_string(static_cast<unsigned>(root)));
}

// The names of a key path joined by single "\", without empty ones.
std::string KeyPath(std::string_view key) {
  std::string path;
  while (!key.empty()) {
    const std::string_view name = key.substr(0, key.find('\\'));
    if (!name.empty()) path += (path.empty() ? "" : "\\") + std::string(name);
    key.remove_prefix(std::min(key.size(), name.size() + 1));
  }
  return path;
}

// The file holds one line per value; a line break would end the value early
// and turn the rest into lines of their own.
bool FitsOneLine(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A name or string in quotes, "\" and the quote mark escaped by "\".
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// A value line: its name ("" for the default value "@"), and where its data
// starts, after the "=".
struct ValueLine {
  std::string name;
  std::size_t data = 0;
};

std::optional<ValueLine> ParseValueLine(std::string_view line) {
  std::size_t at = line.find_first_not_of(" \t");
  if (at == std::string_view::npos) return std::nullopt;
  ValueLine value;
  if (line[at] == '"') {
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      value.name += line[at];
    }
  } else if (line[at] != '@') {
    return std::nullopt;
  }
  at = line.find_first_not_of(" \t", at + 1);
  if (at == std::string_view::npos || line[at] != '=') return std::nullopt;
  value.name = Cp1252ToUtf8(value.name);
  value.data = at + 1;
  return value;
}

// Binary data runs on over lines that end with "\".
bool Continues(std::string_view line) { return Trimmed(line).ends_with('\\'); }

// The registry file of one root key, by its lines: a line with the format's
// name, then each key as a line "[root\path]" with its value lines after it,
// followed by an empty line.
class RegistryFile {
 public:
  // Nothing when the file cannot be read or is not a registry file.
  static std::optional<RegistryFile> Load(HKEY root) {
    const std::optional<std::string> bytes = ReadFileBytes(Location(root));
    if (!bytes) return std::nullopt;
    RegistryFile file(root, bytes->empty() ? std::string(kFormat) + "\r\n\r\n" : *bytes);
    if (file.lines_.size() == 0 || Trimmed(file.lines_[0]) != kFormat) return std::nullopt;
    return file;
  }

  bool Save() const { return WriteFileAtomically(Location(root_), lines_.Joined()); }

  // Also a key that only its subkeys' lines name.
  bool HasKey(const std::string& path) const {
    const std::string name = FullName(path);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::optional<std::string> key = KeyName(i);
      if (key && (AnsiSameText(*key, name) || (key->size() > name.size() && (*key)[name.size()] == '\\' &&
                                               AnsiSameText(key->substr(0, name.size()), name))))
        return true;
    }
    return false;
  }

  std::size_t AddKey(const std::string& path) {
    if (!Trimmed(lines_[lines_.size() - 1]).empty()) lines_.Insert(lines_.size(), "");
    lines_.Insert(lines_.size(), Utf8ToCp1252("[" + FullName(path) + "]"));
    lines_.Insert(lines_.size(), "");
    return lines_.size() - 2;
  }

  // A value of the same name is replaced where it stands, with the name's
  // spelling kept; a new one follows the key's last value.
  void SetString(const std::string& path, const std::string& name, const std::string& value) {
    const std::optional<std::size_t> found = FindKey(path);
    const std::size_t header = found ? *found : AddKey(path);
    std::size_t last = header;
    for (std::size_t i = header + 1; i < lines_.size() && !KeyName(i); ++i) {
      const std::optional<ValueLine> line = ParseValueLine(lines_[i]);
      if (line && AnsiSameText(line->name, name)) {
        std::size_t end = i;
        while (end + 1 < lines_.size() && Continues(lines_[end])) ++end;
        lines_.Erase(i + 1, end - i);
        lines_.Replace(i, lines_[i].substr(0, line->data) + Utf8ToCp1252(Quoted(value)));
        return;
      }
      if (!Trimmed(lines_[i]).empty()) last = i;
    }
    lines_.Insert(last + 1, Utf8ToCp1252((name.empty() ? "@" : Quoted(name)) + "=" + Quoted(value)));
  }

 private:
  RegistryFile(HKEY root, std::string_view bytes) : root_(root), lines_(bytes) {}

  static std::filesystem::path Location(HKEY root) { return WindowsRoot() / (RootName(root) + ".reg"); }

  std::string FullName(const std::string& path) const {
    return RootName(root_) + (path.empty() ? "" : "\\" + path);
  }

  // The key a line starts, from its "[" to its last "]".
  std::optional<std::string> KeyName(std::size_t index) const {
    const std::string_view line = Trimmed(lines_[index]);
    if (!line.starts_with('[')) return std::nullopt;
    return Cp1252ToUtf8(line.substr(1, line.find_last_of(']') - 1));
  }

  std::optional<std::size_t> FindKey(const std::string& path) const {
    const std::string name = FullName(path);
    for (std::size_t i = 0; i < lines_.size(); ++i)
      if (const std::optional<std::string> key = KeyName(i); key && AnsiSameText(*key, name)) return i;
    return std::nullopt;
  }

  HKEY root_;
  TextLines lines_;
};

}  // namespace

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  const std::string path = KeyPath(key.starts_with('\\') || !keyOpen_ ? key : currentKey_ + "\\" + key);
  std::optional<RegistryFile> file = FitsOneLine(path) ? RegistryFile::Load(RootKey) : std::nullopt;
  if (!file) return false;
  if (!file->HasKey(path)) {
    if (!canCreate) return false;
    file->AddKey(path);
    if (!file->Save()) return false;
  }
  currentKey_ = path;
  keyOpen_ = true;
  return true;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  std::optional<RegistryFile> file =
      keyOpen_ && FitsOneLine(name) && FitsOneLine(value) ? RegistryFile::Load(RootKey) : std::nullopt;
  if (file) file->SetString(currentKey_, name, value);
  if (!file || !file->Save()) throw Exception("Failed to set data for '" + name + "'");
}
