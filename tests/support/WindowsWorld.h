#pragma once
// A Windows world of a test's own: a temporary folder whose "root" is the
// Windows root, and helpers to lay out files in it.
#include <filesystem>
#include <string>

class WindowsWorld {
 public:
  WindowsWorld();
  ~WindowsWorld();
  WindowsWorld(const WindowsWorld&) = delete;
  WindowsWorld& operator=(const WindowsWorld&) = delete;

  // The temporary folder and the Windows root inside it.
  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path Root() const { return folder_ / "root"; }

  // A host path inside the temporary folder, and the same as a Windows path.
  std::filesystem::path Host(const std::string& relative) const { return folder_ / relative; }
  std::string Windows(const std::string& relative) const;

  // Writes bytes to a file below the temporary folder, creating its folders.
  void Write(const std::string& relative, const std::string& bytes) const;
  void MakeFolder(const std::string& relative) const;
  std::string Read(const std::string& relative) const;

 private:
  std::filesystem::path folder_;
  std::string previousPrefix_;
  bool hadPrefix_ = false;
};
