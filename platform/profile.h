#pragma once
// Profile (.ini) files by the Windows rules.
#include <string>

// The value of key in section, or def when the file, the section or the key is
// missing. Section and key match without regard to case, the first occurrence
// wins, surrounding blanks are trimmed and a value in matching quotes loses them;
// comment lines are ignored. The file is read as ANSI text (see codepage.h).
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& def, const std::string& fileName);

class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};
