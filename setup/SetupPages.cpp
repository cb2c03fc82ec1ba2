#include "setup/SetupPages.h"

#include "platform/files.h"
#include "platform/profile.h"
#include "platform/sysutils.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"

TSetup* Setup = nullptr;

std::string SetupFolder() { return ExtractFilePath(Application->ExeName()); }

TSetup::TSetup() {
  CancelPrompt =
      "Setup wurde nicht abgeschlossen. Wenn Sie Setup jetzt\rabbrechen, wird das Programm nicht installiert."
      "\r\rSie können das Programm zu einem späteren Zeitpunkt\rausführen um die Installation abzuschliessen."
      "\r\rDrücken Sie Ja um die Installation zu beenden.\rDrücken Sie Nein um mit der Installation "
      "fortzufahren.\r";
  SetupPageList.clear();
  InstallType = itNetMaster;
  HasCabs = false;
  HasFolders = false;
  DetectMedium();
  HasSetupInf = FileExists(SetupFolder() + "setup.inf");
  Proceed = false;
  if (HasSetupInf) {
    ReadSetupInf();
  } else {
    ReportMissingSetupInf();
  }
}

TSetup::~TSetup() { SetupPageList.clear(); }

// Cabinet files win over prepared folders; a folder with neither is a shared
// folder of a network base install when it holds database files, and is
// otherwise taken for a cabinet medium whose cabinets are still to be asked for.
void TSetup::DetectMedium() {
  const std::string folder = SetupFolder();
  if (FileExists(folder + "*.cab")) {
    HasCabs = true;
  } else {
    HasFolders = DirectoryExists(folder + "winsys") && DirectoryExists(folder + "local") &&
                 DirectoryExists(folder + "project");
  }
  if (!HasCabs && !HasFolders) {
    if (FileExists(folder + "*.nqr")) {
      InstallType = itNetUser;
    } else {
      HasCabs = true;
    }
  }
}

void TSetup::ReadSetupInf() {
  const TIniFile ini(SetupFolder() + "Setup.inf");
  AppName = ini.ReadString("Anwendung", "AnwName", "");
  MainFile = ini.ReadString("Anwendung", "Datei", "");
  Edition = ini.ReadString("Anwendung", "Edition", "");
  CopyRight = ini.ReadString("Anwendung", "CopyRight", "");
  GroupTitle = ini.ReadString("Anwendung", "GrTitel", "");
  DefaultDir = ini.ReadString("Anwendung", "StdVerz", "");
  try {
    InstallSize = StrToInt(ini.ReadString("Anwendung", "Speicher", ""));
  } catch (const EConvertError&) {
    InstallSize = 0;
  }
}

void TSetup::ReportMissingSetupInf() {
  const std::string text =
      InstallType == itNetUser
          ? "Setup kann nicht gestartet werden, da wichtige Dateien fehlen.\rPrüfen Sie, ob sich die Datei "
            "[Setup.inf] sowie alle Dateien der Anwendung\rim aktuellen Verzeichnis befinden.\r"
          : "Setup kann nicht gestartet werden, da wichtige Dateien fehlen.\rPrüfen Sie, ob sich die Datei "
            "[Setup.inf]\rim aktuellen Verzeichnis befindet!\r";
  MessageBox(text, "Fehlende Dateien für " + InstallTypeName(), MB_ICONERROR);
  Application->Terminate();
}

std::string TSetup::LocalDir() const {
  return InstallType == itSingle || InstallType == itNetUser ? InstallDir : InstallDir + "\\local";
}

std::string TSetup::BinDir() const {
  return InstallType == itSingle || InstallType == itNetUser ? InstallDir : InstallDir + "\\bin";
}

std::string TSetup::ResidentDir() const {
  return InstallType == itNetMaster ? InstallDir + "\\" + "resident" : SetupFolder() + "resident";
}

std::string TSetup::WinSysDir() const {
  return InstallType == itNetMaster ? InstallDir + "\\winsys" : GetSystemDirectory();
}

std::string TSetup::InstallTypeName() const {
  switch (InstallType) {
    case itSingle: return "Einzelplatz";
    case itNetMaster: return "Netzwerk: Grundinstallation";
    case itNetUser: return "Netzwerk: Benutzerinstallation";
  }
  return "Installationsart ungültig";
}
