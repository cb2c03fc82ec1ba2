#pragma once
// Profile (.ini) files by the Windows rules.
#include <string>

// The value of key in section, or def when the file, the section or the key is
// missing. Section and key match without regard to case, the first occurrence
// wins, surrounding blanks are trimmed and a value in matching quotes loses them;
// comment lines are ignored. The file is read as ANSI text (see codepage.h).
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& fileName);

// Sets key in section to value, by the same rules: the file and the section are
// made when missing (a new section at the end, a new key after the section's
// last key), a key's value is replaced where the key stands, and every other
// line stays byte for byte. New text is written in the file's encoding: the
// ANSI code page, or UTF-8 for a file that is read as UTF-8. The file is
// replaced in one step. False when the file cannot be written, or when a text
// would not stay one entry (a line break, a key with "=", a section with "]").
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName);

class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Raises an Exception when the write is refused.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};
