#include "install/extracting.h"

#include <chrono>
#include <random>

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/sysutils.h"
#include "setup/SetupPages.h"

namespace {

// A workstation of its own runs the program where it was installed; a network
// workstation runs it from the shared folder it is installed from.
std::string ProgramFolder() { return Setup->InstallType == itSingle ? Setup->BinDir() + "\\" : SetupFolder(); }

// Each shortcut's description is its own file's path.
bool CreateGroupLink(const std::string& target, const std::string& group, const std::string& name) {
  const std::string linkFile = group + "\\" + name;
  return CreateShellLink(target, linkFile, linkFile);
}

// Once one step fails, the later shortcuts are not tried.
bool CreateGroup(const std::string& group) {
  const std::string folder = ProgramFolder();
  bool ok = CreateFolder(group);
  ok = ok && CreateGroupLink(folder + Setup->MainFile + ".exe", group, Setup->AppName + ".lnk");
  ok = ok && CreateGroupLink(folder + Setup->MainFile + ".hlp", group, Setup->AppName + " Hilfe.lnk");
  if (FileExists(folder + "readme.txt") && ok)
    ok = CreateGroupLink(folder + "readme.txt", group, Setup->AppName + " zusätzliche Informationen.lnk");
  return ok;
}

// Drawn anew for each installation, from a generator seeded by the clock.
int32_t RandomStationNumber() {
  std::mt19937 generator(static_cast<std::mt19937::result_type>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int32_t>(0, 999999)(generator);
}

}  // namespace

TExtractPage* ExtractPage = nullptr;

TExtractPage::TExtractPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TExtractPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  Setup->SetupPageList.push_back(this);
}

void TExtractPage::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) { CanClose = true; }

bool CreateStartMenuEntries() {
  if (Setup->GroupTitle.empty()) return false;
  std::string programs;
  GetSpecialFolderPath(CSIDL_PROGRAMS, programs);
  // Without the start menu's folder the group would land in whatever folder
  // the program runs in, where nobody looks for it.
  const bool ok = !programs.empty() && CreateGroup(programs + Setup->GroupTitle);
  WriteInstallRecords();
  return ok;
}

void GetSpecialFolderPath(int folderId, std::string& path) {
  std::string found;
  if (!SHGetSpecialFolderPath(folderId, found)) return;
  path = found;
  if (!path.empty() && path.back() != '\\') path += '\\';
}

bool CreateFolder(const std::string& path) {
  SetLastError(ERROR_SUCCESS);
  CreateDirectory(path);
  const uint32_t error = GetLastError();
  return error == ERROR_SUCCESS || error == ERROR_ALREADY_EXISTS;
}

bool CreateShellLink(const std::string& target, const std::string& linkFile, const std::string& description) {
  TShellLink link;
  link.SetPath(target);
  link.SetDescription(description);
  return link.Save(linkFile);
}

void WriteInstallRecords() {
  TRegistry registry;
  registry.RootKey = HKEY_CURRENT_USER;
  try {
    registry.OpenKey("Software\\Orvanta\\" + Setup->MainFile, true);
    registry.WriteString("PrivateDir", Setup->LocalDir());
    TIniFile ini(Setup->LocalDir() + "\\" + Setup->MainFile + ".ini");
    ini.WriteString("Start", "Setup-Verzeichnis", Setup->ResidentDir());
    ini.WriteString("Netzwerk", "PrivVerz", Setup->LocalDir());
    ini.WriteString("Netzwerk", "StatName", "Undefined");
    ini.WriteString("Netzwerk", "StatNr", IntToStr(RandomStationNumber()));
  } catch (const Exception&) {
    // A refused record is not reported and leaves the start-menu step's
    // result as its shortcuts made it; what was written before it stays.
  }
}
