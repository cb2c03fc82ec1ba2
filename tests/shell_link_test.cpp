// Shell links saved in the Shell Link Binary File Format, read back by lnkinfo.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/shell.h"
#include "platform/winpath.h"
#include "tests/support/LnkInfo.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

class ShellLink : public ::testing::Test {
 protected:
  WindowsWorld world;

  bool Save(const std::string& target, const std::string& description, const std::string& linkFile) {
    TShellLink link;
    link.SetPath(target);
    link.SetDescription(description);
    return link.Save(linkFile);
  }
};

TEST_F(ShellLink, LnkinfoReadsTargetDescriptionAndTheTargetsFactsBack) {
  if (!LnkInfoInstalled()) GTEST_SKIP() << "lnkinfo (liblnk-utils) is not installed";
  world.Write("root/drive_c/Kasse/Kassenb.exe", "123456");
  world.Write("root/drive_c/Kasse/Nur lesen.txt", "12");
  world.MakeFolder("root/drive_c/Kasse/Daten");
  fs::permissions(world.Host("root/drive_c/Kasse/Nur lesen.txt"), fs::perms::owner_write,
                  fs::perm_options::remove);
  const std::chrono::sys_seconds written =
      std::chrono::sys_days{std::chrono::January / 2 / 2020} + std::chrono::hours(3) + std::chrono::minutes(4);
  fs::last_write_time(world.Host("root/drive_c/Kasse/Kassenb.exe"),
                      fs::file_time_type::clock::from_sys(written));
  struct Case {
    std::string target;
    std::string description;
    std::string size;
    std::string attributes;
  } cases[] = {
      {"C:\\Kasse\\Kassenb.exe", "C:\\Start Menu\\Kasse zusätzliche Informationen.lnk", "6 bytes",
       "0x00000020"},
      {"C:\\Kasse\\Nur lesen.txt", "Nur lesen", "2 bytes", "0x00000021"},
      {"C:\\Kasse\\Daten", "Ordner", "0 bytes", "0x00000010"},
      {"C:\\Kasse\\Kassenb.hlp", "fehlt", "0 bytes", "0x00000000"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Save(c.target, c.description, world.Windows("link.lnk"))) << c.target;
    const auto fields = LnkInfo(world.Host("link.lnk"));
    ASSERT_TRUE(fields) << c.target;
    EXPECT_EQ(fields->at("Local path"), c.target);
    EXPECT_EQ(fields->at("Description"), c.description);
    EXPECT_EQ(fields->at("File size"), c.size) << c.target;
    EXPECT_EQ(fields->at("File attribute flags"), c.attributes) << c.target;
  }
  ASSERT_TRUE(Save("C:\\Kasse\\Kassenb.exe", "", world.Windows("link.lnk")));
  const auto fields = LnkInfo(world.Host("link.lnk"));
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->at("Modification time").substr(0, 21), "Jan 02, 2020 03:04:00");
  EXPECT_FALSE(fields->contains("Description"));
}

TEST_F(ShellLink, SaveIsFalseWhereTheFileCannotBeWritten) {
  world.MakeFolder("locked");
  fs::permissions(world.Host("locked"), fs::perms::owner_write, fs::perm_options::remove);
  world.Write("old.lnk", "old");
  fs::permissions(world.Host("old.lnk"), fs::perms::owner_write, fs::perm_options::remove);
  world.MakeFolder("folder.lnk");
  struct Case {
    std::string linkFile;
    std::string description;
  } cases[] = {
      {"missing\\a.lnk", "a"},
      {"locked\\a.lnk", "a"},
      {"old.lnk", "a"},
      {"folder.lnk", "a"},
      {"long.lnk", std::string(0x10000, 'x')},
  };
  for (const Case& c : cases)
    EXPECT_FALSE(Save("C:\\Kasse\\Kassenb.exe", c.description, world.Windows(c.linkFile))) << c.linkFile;
  EXPECT_EQ(world.Read("old.lnk"), "old");
  EXPECT_FALSE(fs::exists(world.Host("long.lnk")));
  EXPECT_TRUE(Save("C:\\Kasse\\Kassenb.exe", std::string(0xFFFF, 'x'), world.Windows("long.lnk")));
}

TEST_F(ShellLink, TheProgramsFolderIsTheStartMenusWhileItExists) {
  std::string path = "unchanged";
  EXPECT_TRUE(SHGetSpecialFolderPath(CSIDL_PROGRAMS, path));
  EXPECT_EQ(path, UserProgramsFolder());
  EXPECT_TRUE(fs::is_directory(HostPath(path)));
  path = "unchanged";
  EXPECT_FALSE(SHGetSpecialFolderPath(0x0005, path));  // the documents folder is none the installer asks for
  fs::remove_all(HostPath(UserProgramsFolder()));
  EXPECT_FALSE(SHGetSpecialFolderPath(CSIDL_PROGRAMS, path));
  EXPECT_EQ(path, "unchanged");
}
