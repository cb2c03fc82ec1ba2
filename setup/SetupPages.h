#pragma once
// The setup state: what Setup.inf and the medium beside the setup program tell,
// the installation type, the destination, the wizard's pages and whether the
// installation has gone well so far.
#include <cstdint>
#include <string>
#include <vector>

class TSetupPage;

enum TInstallType : uint8_t {
  itSingle = 0,
  itNetMaster = 1,  // also while the type is still to be chosen
  itNetUser = 2,
};

class TSetup {
 public:
  TSetup();
  ~TSetup();
  TSetup(const TSetup&) = delete;
  TSetup& operator=(const TSetup&) = delete;

  std::vector<TSetupPage*> SetupPageList;  // the wizard's pages in order; owns none
  std::string AppName;
  std::string MainFile;
  std::string Edition;
  std::string CopyRight;
  std::string GroupTitle;
  std::string DefaultDir;
  std::string InstallDir;
  bool HasSetupInf = false;
  int32_t InstallSize = 0;
  bool Proceed = false;
  TInstallType InstallType = itSingle;
  bool HasCabs = false;
  bool HasFolders = false;
  std::string CancelPrompt;

  // The destination folders of the installation type, by plain concatenation.
  std::string LocalDir() const;
  std::string BinDir() const;
  std::string ResidentDir() const;
  std::string WinSysDir() const;
  std::string InstallTypeName() const;

 private:
  void DetectMedium();
  void ReadSetupInf();
  void ReportMissingSetupInf();
};

// The one setup state, alive from before the first form until after the last.
extern TSetup* Setup;

// The folder of the running setup program, with a trailing "\".
std::string SetupFolder();
