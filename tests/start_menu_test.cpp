// The start-menu entries at the end of an installation and the records they
// end with: the program group, its shortcuts, the registry value and the
// application's .ini file.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "install/extracting.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/winpath.h"
#include "setup/SetupPages.h"
#include "tests/support/LnkInfo.h"
#include "tests/support/SetupMedium.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

namespace {

const char* kInstallDir = "C:\\Programme\\Kassenbuch";
const char* kRegistry = "root/HKEY_CURRENT_USER.reg";
const char* kIni = "root/drive_c/Programme/Kassenbuch/Kassenb.ini";

}  // namespace

class StartMenu : public ::testing::Test {
 protected:
  StartMenu() {
    medium.Add("Setup.inf", SampleSetupInf());
    ::Setup = new TSetup();
    ::Setup->InstallType = itSingle;
    ::Setup->InstallDir = kInstallDir;
    world.MakeFolder("root/drive_c/Programme/Kassenbuch");
  }
  ~StartMenu() override {
    delete ::Setup;
    ::Setup = nullptr;
  }

  WindowsWorld world;
  SetupMedium medium{world};
  const std::string group = UserProgramsFolder() + "\\Orvanta Kassenbuch";

  // The shortcut files in the group, each with the target lnkinfo reads from it
  // ("" without lnkinfo); every description must be the file's own path.
  std::map<std::string, std::string> Shortcuts() const {
    std::map<std::string, std::string> targets;
    std::error_code missing;
    for (const fs::directory_entry& entry : fs::directory_iterator(HostPath(group), missing)) {
      const std::string name = entry.path().filename().string();
      const auto fields = LnkInfo(entry.path());
      EXPECT_TRUE(fields || !LnkInfoInstalled()) << name;
      if (fields) {
        EXPECT_EQ(fields->at("Description"), group + "\\" + name);
      }
      targets[name] = fields ? fields->at("Local path") : "";
    }
    return targets;
  }
  std::map<std::string, std::string> ExpectedShortcuts(const std::string& programFolder, bool readme) const {
    const bool read = LnkInfoInstalled();
    std::map<std::string, std::string> targets = {
        {"Orvanta Kassenbuch.lnk", read ? programFolder + "Kassenb.exe" : ""},
        {"Orvanta Kassenbuch Hilfe.lnk", read ? programFolder + "Kassenb.hlp" : ""},
    };
    if (readme)
      targets["Orvanta Kassenbuch zusätzliche Informationen.lnk"] = read ? programFolder + "readme.txt" : "";
    return targets;
  }

  // A whole number from 0 to 999999, in decimal digits without leading zeros.
  static void ExpectStationNumber(const std::string& number) {
    EXPECT_TRUE(number == "0" || (!number.empty() && number.size() <= 6 && number[0] != '0' &&
                                  number.find_first_not_of("0123456789") == std::string::npos))
        << number;
  }
  std::string StationNumber(const std::string& ini = "C:\\Programme\\Kassenbuch\\Kassenb.ini") const {
    const std::string number = GetPrivateProfileString("Netzwerk", "StatNr", "", ini);
    ExpectStationNumber(number);
    return number;
  }
  void ExpectRecords(const std::string& localDir, const std::string& ini) const {
    EXPECT_EQ(world.Read(kRegistry),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvanta\\Kassenb]\r\n\"PrivateDir\"=\"" +
                  StringReplace(localDir, "\\", "\\\\") + "\"\r\n\r\n");
    EXPECT_EQ(world.Read(fs::relative(HostPath(ini), world.Folder()).string()),
              "[Start]\r\nSetup-Verzeichnis=" + medium.Folder() + "resident\r\n[Netzwerk]\r\nPrivVerz=" +
                  localDir + "\r\nStatName=Undefined\r\nStatNr=" + StationNumber(ini) + "\r\n");
  }

  static std::string StringReplace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
  }
};

TEST_F(StartMenu, ASingleWorkstationGetsTheGroupItsShortcutsAndTheRecords) {
  world.Write("root/drive_c/Programme/Kassenbuch/readme.txt", "Lies mich");
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_EQ(Shortcuts(), ExpectedShortcuts(std::string(kInstallDir) + "\\", true));
  ExpectRecords(kInstallDir, std::string(kInstallDir) + "\\Kassenb.ini");
}

TEST_F(StartMenu, ANetworkWorkstationLinksIntoTheSharedFolderItRunsFrom) {
  ::Setup->InstallType = itNetUser;
  ::Setup->InstallDir = "C:\\Kasse";
  world.MakeFolder("root/drive_c/Kasse");
  world.Write("root/drive_c/Programme/Kassenbuch/readme.txt", "not the shared one");
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_EQ(Shortcuts(), ExpectedShortcuts(medium.Folder(), false));
  medium.Add("readme.txt", "Lies mich");
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_EQ(Shortcuts(), ExpectedShortcuts(medium.Folder(), true));
  ExpectRecords("C:\\Kasse", "C:\\Kasse\\Kassenb.ini");
}

TEST_F(StartMenu, WithoutAGroupTitleNothingIsMade) {
  ::Setup->GroupTitle = "";
  EXPECT_FALSE(CreateStartMenuEntries());
  EXPECT_TRUE(fs::is_empty(HostPath(UserProgramsFolder())));
  EXPECT_FALSE(fs::exists(world.Host(kRegistry)));
  EXPECT_FALSE(fs::exists(world.Host(kIni)));
}

TEST_F(StartMenu, AGroupThatCannotBeMadeGetsNoShortcutsButTheRecords) {
  // A group under a missing first level, and a group whose name a file has
  // taken, where the folder is there as far as its creation can tell.
  const std::string programs = fs::relative(HostPath(UserProgramsFolder()), world.Folder()).string();
  world.Write(programs + "/Belegt", "a file");
  for (const char* title : {"Werkzeuge\\Kasse", "Belegt"}) {
    fs::remove(world.Host(kRegistry));
    fs::remove(world.Host(kIni));
    ::Setup->GroupTitle = title;
    EXPECT_FALSE(CreateStartMenuEntries()) << title;
    EXPECT_EQ(std::distance(fs::directory_iterator(HostPath(UserProgramsFolder())), fs::directory_iterator()),
              1);
    EXPECT_EQ(world.Read(programs + "/Belegt"), "a file");
    ExpectRecords(kInstallDir, std::string(kInstallDir) + "\\Kassenb.ini");
  }
}

TEST_F(StartMenu, AnExistingGroupAndItsShortcutsAreOverwritten) {
  const std::string programs = fs::relative(HostPath(UserProgramsFolder()), world.Folder()).string();
  world.Write(programs + "/Orvanta Kassenbuch/Orvanta Kassenbuch.lnk", "old");
  world.Write(programs + "/Orvanta Kassenbuch/Eigene Notiz.txt", "kept");
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_EQ(world.Read(programs + "/Orvanta Kassenbuch/Orvanta Kassenbuch.lnk").substr(0, 4),
            std::string("L\0\0\0", 4));
  EXPECT_EQ(world.Read(programs + "/Orvanta Kassenbuch/Eigene Notiz.txt"), "kept");
}

TEST_F(StartMenu, WithoutTheProgramsFolderNoGroupIsMadeAnywhere) {
  fs::remove_all(HostPath(UserProgramsFolder()));
  world.MakeFolder("current");
  const fs::path previous = fs::current_path();
  fs::current_path(world.Host("current"));
  const bool made = CreateStartMenuEntries();
  fs::current_path(previous);
  EXPECT_FALSE(made);
  EXPECT_TRUE(fs::is_empty(world.Host("current")));
  EXPECT_FALSE(fs::exists(HostPath(UserProgramsFolder())));
  ExpectRecords(kInstallDir, std::string(kInstallDir) + "\\Kassenb.ini");
}

TEST_F(StartMenu, AnEmptyMainFileNamesTheKeyAndTheFileByNothing) {
  ::Setup->MainFile = "";
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_EQ(world.Read(kRegistry),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvanta]\r\n"
            "\"PrivateDir\"=\"C:\\\\Programme\\\\Kassenbuch\"\r\n\r\n");
  EXPECT_EQ(GetPrivateProfileString("Netzwerk", "StatName", "", "C:\\Programme\\Kassenbuch\\.ini"),
            "Undefined");
}

TEST_F(StartMenu, AWriteProtectedInstallationFolderKeepsItsEarlierIni) {
  world.Write(kIni, "[Netzwerk]\r\nStatName=PC-07\r\n");
  fs::permissions(world.Host("root/drive_c/Programme/Kassenbuch"), fs::perms::owner_write,
                  fs::perm_options::remove);
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_NE(world.Read(kRegistry).find("\"PrivateDir\"=\"C:\\\\Programme\\\\Kassenbuch\""), std::string::npos);
  EXPECT_EQ(world.Read(kIni), "[Netzwerk]\r\nStatName=PC-07\r\n");
}

TEST_F(StartMenu, InstallingAgainKeepsWhatElseTheRecordsHoldAndDrawsANewStationNumber) {
  world.Write(kRegistry,
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvanta\\Kassenb]\r\n\"Sprache\"=\"de\"\r\n"
              "\"PrivateDir\"=\"C:\\\\Alt\"\r\n\r\n");
  world.Write(kIni,
              "; Kassenbuch\n[Start]\nFenster = 1\n\n[Netzwerk]\n  StatName = PC-07 \n"
              "StatNr=1234567\nServer=\\\\kasse\n[Drucker]\nName=Laser\n");
  EXPECT_TRUE(CreateStartMenuEntries());
  EXPECT_EQ(world.Read(kRegistry),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Orvanta\\Kassenb]\r\n"
            "\"Sprache\"=\"de\"\r\n\"PrivateDir\"=\"C:\\\\Programme\\\\Kassenbuch\"\r\n\r\n");
  const std::string number = StationNumber();
  EXPECT_EQ(world.Read(kIni),
            "; Kassenbuch\n[Start]\nFenster = 1\nSetup-Verzeichnis=" + medium.Folder() +
                "resident\n\n[Netzwerk]\n  StatName =Undefined\nStatNr=" + number +
                "\nServer=\\\\kasse\nPrivVerz=C:\\Programme\\Kassenbuch\n[Drucker]\nName=Laser\n");
}

TEST(ShellOperations, TheProgramsFolderEndsWithABackslashAndFoldersMayExist) {
  WindowsWorld world;
  std::string path = "unchanged";
  GetSpecialFolderPath(0x0005, path);
  EXPECT_EQ(path, "unchanged");
  GetSpecialFolderPath(CSIDL_PROGRAMS, path);
  EXPECT_EQ(path, UserProgramsFolder() + "\\");
  world.MakeFolder("locked");
  fs::permissions(world.Host("locked"), fs::perms::owner_write, fs::perm_options::remove);
  struct Case {
    const char* folder;
    bool made;
  } cases[] = {{"neu", true}, {"neu", true}, {"fehlt\\neu", false}, {"locked\\neu", false}, {"locked", true}};
  for (const Case& c : cases) EXPECT_EQ(CreateFolder(world.Windows(c.folder)), c.made) << c.folder;
  EXPECT_TRUE(DirectoryExists(world.Windows("neu")));
}
