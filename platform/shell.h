#pragma once
// The Windows shell: special folders and shell links (.lnk files).
#include <string>

constexpr int CSIDL_PROGRAMS = 2;  // the user's start-menu Programs folder

// The file-system path of a special shell folder, without a trailing "\".
// False when the shell cannot give it: an id it does not know, or a folder
// that does not exist.
bool SHGetSpecialFolderPath(int csidl, std::string& path);

// A shell link, saved in the published Shell Link Binary File Format: the
// header with the link class and, when the target exists, its attributes, size
// and times; where the target lies, as a local path in the ANSI code page and
// in UTF-16; and the description. The shell and other readers of .lnk files
// resolve it.
class TShellLink {
 public:
  void SetPath(const std::string& target) { target_ = target; }
  void SetDescription(const std::string& description) { description_ = description; }
  // Writes the link in one step; an existing file is replaced. False when the
  // file cannot be written or the description is longer than the format holds.
  bool Save(const std::string& fileName) const;

 private:
  std::string target_;
  std::string description_;
};
