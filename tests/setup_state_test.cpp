// The setup state: the medium beside the setup program, Setup.inf, and the
// destination folders by installation type.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/vcl/Forms.h"
#include "setup/AssistantMain.h"
#include "setup/Program.h"
#include "setup/SetupPages.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/SetupMedium.h"
#include "tests/support/WindowsWorld.h"

namespace {

const char* kMissingInfText =
    "Setup kann nicht gestartet werden, da wichtige Dateien fehlen.\rPrüfen Sie, ob sich die Datei "
    "[Setup.inf]\rim aktuellen Verzeichnis befindet!\r";
const char* kMissingInfNetUserText =
    "Setup kann nicht gestartet werden, da wichtige Dateien fehlen.\rPrüfen Sie, ob sich die Datei "
    "[Setup.inf] sowie alle Dateien der Anwendung\rim aktuellen Verzeichnis befinden.\r";

}  // namespace

class SetupState : public ::testing::Test {
 protected:
  ~SetupState() override { Application->FreeForms(); }
  WindowsWorld world;
  SetupMedium medium{world};
};

TEST_F(SetupState, TheMediumDecidesTheSourceAndTheFirstInstallationType) {
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    bool hasCabs;
    bool hasFolders;
    TInstallType type;
  } cases[] = {
      {{"local1.cab"}, {"winsys", "local", "project"}, true, false, itNetMaster},
      {{"local1.cab", "daten.nqr"}, {}, true, false, itNetMaster},
      {{"LOCAL1.CAB"}, {}, true, false, itNetMaster},
      {{}, {"winsys", "local", "project"}, false, true, itNetMaster},
      {{}, {"WINSYS", "Local", "project"}, false, true, itNetMaster},
      {{"daten.nqr"}, {"winsys", "local", "project"}, false, true, itNetMaster},
      {{}, {"winsys", "local"}, true, false, itNetMaster},
      {{"daten.nqr"}, {}, false, false, itNetUser},
      {{"daten.nqr"}, {"winsys", "local"}, false, false, itNetUser},
      {{}, {"folder.cab", "folder.nqr"}, true, false, itNetMaster},
      {{}, {}, true, false, itNetMaster},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    WindowsWorld own;
    SetupMedium here(own);
    here.Add("Setup.inf", SampleSetupInf());
    for (const std::string& file : c.files) here.Add(file);
    for (const std::string& folder : c.folders) here.AddFolder(folder);
    TSetup setup;
    EXPECT_EQ(setup.HasCabs, c.hasCabs) << "case " << i;
    EXPECT_EQ(setup.HasFolders, c.hasFolders) << "case " << i;
    EXPECT_EQ(setup.InstallType, c.type) << "case " << i;
  }
}

TEST_F(SetupState, SetupInfGivesTheTextsAndTheSize) {
  medium.Add("Setup.inf", SampleSetupInf());
  TSetup setup;
  EXPECT_TRUE(setup.HasSetupInf);
  EXPECT_EQ(setup.AppName, "Orvanta Kassenbuch");
  EXPECT_EQ(setup.MainFile, "Kassenb");
  EXPECT_EQ(setup.Edition, "Vereinsausgabe für Kassenwarte");
  EXPECT_EQ(setup.CopyRight, "© 1999 Orvanta Software GmbH, Köln");
  EXPECT_EQ(setup.GroupTitle, "Orvanta Kassenbuch");
  EXPECT_EQ(setup.DefaultDir, "C:\\Programme\\Kassenbuch");
  EXPECT_EQ(setup.InstallSize, 1500000);
  EXPECT_EQ(setup.InstallDir, "");
  EXPECT_FALSE(setup.Proceed);
  EXPECT_TRUE(setup.SetupPageList.empty());
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(SetupState, SpeicherThatIsNoWholeNumberGivesNoSize) {
  struct Case {
    const char* line;
    int32_t size;
  } cases[] = {{"Speicher=abc", 0},  {"Speicher=", 0},           {"", 0},
               {"Speicher=-5", -5},  {"Speicher=99999999999", 0}, {"Speicher= 42 ", 42}};
  for (const Case& c : cases) {
    medium.Add("Setup.inf", std::string("[Anwendung]\r\nAnwName=x\r\n") + c.line + "\r\n");
    TSetup setup;
    EXPECT_EQ(setup.InstallSize, c.size) << c.line;
  }
}

TEST_F(SetupState, OddSetupInfFilesGiveEmptyFields) {
  std::string garbage;
  for (int i = 0; i < 100000; ++i) garbage += static_cast<char>((i * 31) % 256);
  const std::string odd[] = {"", garbage, "[Andere]\r\nAnwName=falsch\r\n", std::string(1 << 20, '\n')};
  for (const std::string& content : odd) {
    medium.Add("Setup.inf", content);
    TSetup setup;
    EXPECT_TRUE(setup.HasSetupInf);
    EXPECT_EQ(setup.AppName, "");
    EXPECT_EQ(setup.DefaultDir, "");
    EXPECT_EQ(setup.InstallSize, 0);
  }
}

TEST_F(SetupState, SetupInfIsFoundInAnyLetterCaseAndInUtf8) {
  medium.Add("SETUP.INF", "\xEF\xBB\xBF[Anwendung]\nAnwName=Bürokasse\n");
  TSetup setup;
  EXPECT_TRUE(setup.HasSetupInf);
  EXPECT_EQ(setup.AppName, "Bürokasse");
}

TEST_F(SetupState, MissingSetupInfIsReportedByInstallationTypeAndEndsTheProgram) {
  struct Case {
    bool databaseFiles;
    const char* caption;
    const char* text;
  } cases[] = {
      {true, "Fehlende Dateien für Netzwerk: Benutzerinstallation", kMissingInfNetUserText},
      {false, "Fehlende Dateien für Netzwerk: Grundinstallation", kMissingInfText},
  };
  for (const Case& c : cases) {
    WindowsWorld own;
    SetupMedium here(own);
    if (c.databaseFiles) here.Add("daten.nqr");
    ScriptedUser user;
    user.ExpectMessageBox(c.caption, c.text).Click("OK");
    TSetup setup;
    EXPECT_FALSE(setup.HasSetupInf);
    EXPECT_EQ(setup.AppName, "");
    EXPECT_TRUE(Application->Terminated());
    Application->FreeForms();
  }
}

TEST_F(SetupState, WithoutSetupInfTheProgramEndsWithoutShowingTheWizard) {
  medium.Add("local1.cab");
  medium.Add("ReadMe.txt", "Hallo\r\n");
  ScriptedUser user;
  user.ExpectMessageBox("Fehlende Dateien für Netzwerk: Grundinstallation", kMissingInfText).Click("OK");
  EXPECT_EQ(RunSetup(), 0);
  EXPECT_EQ(user.Seen().size(), 1u);
  EXPECT_EQ(::Setup, nullptr);
}

TEST_F(SetupState, FolderOperationsFollowTheInstallationType) {
  medium.Add("Setup.inf", SampleSetupInf());
  TSetup setup;
  const std::string resident = medium.Folder() + "resident";
  struct Case {
    TInstallType type;
    const char* dir;
    std::string local, bin, residentDir, winsys;
  } cases[] = {
      {itSingle, "C:\\App", "C:\\App", "C:\\App", resident, "C:\\windows\\system32"},
      {itNetUser, "C:\\App\\", "C:\\App\\", "C:\\App\\", resident, "C:\\windows\\system32"},
      {itSingle, "", "", "", resident, "C:\\windows\\system32"},
      {itNetMaster, "S:\\Netz", "S:\\Netz\\local", "S:\\Netz\\bin", "S:\\Netz\\resident", "S:\\Netz\\winsys"},
      {itNetMaster, "S:\\Netz\\", "S:\\Netz\\\\local", "S:\\Netz\\\\bin", "S:\\Netz\\\\resident",
       "S:\\Netz\\\\winsys"},
      {static_cast<TInstallType>(7), "S:\\N", "S:\\N\\local", "S:\\N\\bin", resident, "C:\\windows\\system32"},
  };
  for (const Case& c : cases) {
    setup.InstallType = c.type;
    setup.InstallDir = c.dir;
    EXPECT_EQ(setup.LocalDir(), c.local) << int(c.type) << c.dir;
    EXPECT_EQ(setup.BinDir(), c.bin) << int(c.type) << c.dir;
    EXPECT_EQ(setup.ResidentDir(), c.residentDir) << int(c.type) << c.dir;
    EXPECT_EQ(setup.WinSysDir(), c.winsys) << int(c.type) << c.dir;
  }
}

TEST_F(SetupState, InstallTypeNames) {
  medium.Add("Setup.inf", SampleSetupInf());
  TSetup setup;
  const std::pair<int, const char*> names[] = {{0, "Einzelplatz"},
                                               {1, "Netzwerk: Grundinstallation"},
                                               {2, "Netzwerk: Benutzerinstallation"},
                                               {3, "Installationsart ungültig"},
                                               {255, "Installationsart ungültig"}};
  for (auto [value, name] : names) {
    setup.InstallType = static_cast<TInstallType>(value);
    EXPECT_EQ(setup.InstallTypeName(), name);
  }
}
