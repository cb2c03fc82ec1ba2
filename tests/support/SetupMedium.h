#pragma once
// A setup folder of a test's own: the running program's file is named inside
// it, so that the setup state finds its medium there.
#include <string>

#include "tests/support/WindowsWorld.h"

class SetupMedium {
 public:
  explicit SetupMedium(const WindowsWorld& world, const std::string& folder = "medium",
                       const std::string& program = "Setup.exe");
  ~SetupMedium();

  // The setup folder as the program sees it, with a trailing "\".
  std::string Folder() const { return folder_; }
  void Add(const std::string& name, const std::string& bytes = "") const;
  void AddFolder(const std::string& name) const;

 private:
  const WindowsWorld& world_;
  std::string relative_;
  std::string folder_;
  std::string previousExeName_;
};

// A Setup.inf in code page 1252 with every key of [Anwendung].
std::string SampleSetupInf();
