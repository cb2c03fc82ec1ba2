// Windows paths on the host, and the file functions over them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/sysutils.h"
#include "platform/winpath.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

class WindowsPaths : public ::testing::Test {
 protected:
  WindowsWorld world;
};

TEST_F(WindowsPaths, DrivesMapThroughTheWindowsRoot) {
  world.MakeFolder("elsewhere");
  fs::create_directories(world.Root() / "dosdevices");
  fs::create_directory_symlink(world.Host("elsewhere"), world.Root() / "dosdevices" / "d:");
  struct Case {
    std::string windows;
    fs::path host;
  } cases[] = {
      {"C:\\Programme\\App", world.Root() / "drive_c/Programme/App"},
      {"c:/Programme/App", world.Root() / "drive_c/Programme/App"},
      {"C:\\\\Programme\\/App", world.Root() / "drive_c/Programme/App"},
      {"D:\\data", world.Root() / "dosdevices/d:/data"},
      {"Z:\\tmp\\x", "/tmp/x"},
      {"\\tmp\\x", "/tmp/x"},
      {"relative\\name", "relative/name"},
  };
  for (const Case& c : cases) EXPECT_EQ(HostPath(c.windows), c.host) << c.windows;
  // A letter with no device behind it names nothing that exists.
  EXPECT_FALSE(DirectoryExists("Q:\\"));
  EXPECT_TRUE(DirectoryExists("D:\\"));
}

TEST_F(WindowsPaths, NamesAreFoundWithoutRegardToCase) {
  world.Write("root/drive_c/Programme/Kassenbuch/Setup.INF", "x");
  EXPECT_EQ(HostPath("C:\\PROGRAMME\\kassenbuch\\setup.inf"),
            world.Root() / "drive_c/Programme/Kassenbuch/Setup.INF");
  // Missing components keep the case they are given, after the existing ones.
  EXPECT_EQ(HostPath("c:\\programme\\Neu\\Datei.txt"), world.Root() / "drive_c/Programme/Neu/Datei.txt");
  world.Write("root/drive_c/Büro/Übersicht.txt", "x");
  EXPECT_TRUE(FileExists("C:\\BÜRO\\übersicht.TXT"));
}

TEST_F(WindowsPaths, HostLocationsAreShownAsWindowsPaths) {
  EXPECT_EQ(WindowsPath(world.Root() / "drive_c/Programme"), "C:\\Programme");
  EXPECT_EQ(WindowsPath(world.Root() / "drive_c"), "C:\\");
  EXPECT_EQ(WindowsPath("/usr/share"), "Z:\\usr\\share");
  EXPECT_EQ(WindowsPath("/"), "Z:\\");
}

TEST_F(WindowsPaths, FirstUseGivesTheRootWhatWindowsAlwaysHas) {
  EXPECT_TRUE(DirectoryExists(GetSystemDirectory()));
  EXPECT_EQ(GetSystemDirectory(), "C:\\windows\\system32");
  EXPECT_TRUE(DirectoryExists(UserProgramsFolder()));
  EXPECT_TRUE(fs::is_directory(world.Root() / "drive_c/windows/system32"));
}

TEST_F(WindowsPaths, FileTestTakesTheFirstMatchAndFoldersDoNotCount) {
  world.Write("m1/local1.cab", "");
  world.MakeFolder("m2/a.cab");
  world.Write("m2/b.cab", "");
  world.MakeFolder("m3/only.cab");
  struct Case {
    std::string pattern;
    bool found;
  } cases[] = {
      {"m1\\*.cab", true},      {"m1\\*.CAB", true},   {"m1\\LOCAL?.cab", true}, {"m1\\local1.cab", true},
      {"m1\\*.nqr", false},     {"m2\\*.cab", false},  {"m3\\*.cab", false},     {"m3\\only.cab", false},
      {"m1\\local1.cab\\", false}, {"missing\\*.cab", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FileExists(world.Windows(c.pattern)), c.found) << c.pattern;
  EXPECT_TRUE(DirectoryExists(world.Windows("m3\\only.cab")));
  EXPECT_FALSE(DirectoryExists(world.Windows("m1\\local1.cab")));
  EXPECT_FALSE(DirectoryExists(""));
}

TEST_F(WindowsPaths, DirectorySearchListsEveryEntryWithItsAttributes) {
  world.Write("src/b.txt", std::string(1234, 'x'));
  world.Write("src/A.txt", "");
  world.MakeFolder("src/sub");
  fs::permissions(world.Host("src/A.txt"), fs::perms::owner_write, fs::perm_options::remove);
  std::vector<TSearchRec> found = FindFiles(world.Windows("src\\*.*"));
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].Name, ".");
  EXPECT_EQ(found[1].Name, "..");
  EXPECT_EQ(found[2].Name, "A.txt");
  EXPECT_EQ(found[2].Attr, faArchive | faReadOnly);
  EXPECT_EQ(found[3].Name, "b.txt");
  EXPECT_EQ(found[3].Size, 1234);
  EXPECT_EQ(found[4].Name, "sub");
  EXPECT_EQ(found[4].Attr, faDirectory);
}

TEST_F(WindowsPaths, FolderCreationMakesEveryMissingLevel) {
  const std::string target = world.Windows("a\\b\\c");
  ForceDirectories(target + "\\");
  EXPECT_TRUE(DirectoryExists(target));
  ForceDirectories(target);  // an existing folder is left alone
  EXPECT_THROW(
      {
        try {
          ForceDirectories("");
        } catch (const Exception& error) {
          EXPECT_EQ(error.Message(), "Unable to create directory");
          throw;
        }
      },
      Exception);
  // A level that cannot be made is ignored; nothing below it appears.
  world.Write("file", "");
  ForceDirectories(world.Windows("file\\x\\y"));
  EXPECT_FALSE(DirectoryExists(world.Windows("file\\x\\y")));
}

TEST_F(WindowsPaths, CreateDirectoryReportsWhyItFailed) {
  SetLastError(0);
  EXPECT_TRUE(CreateDirectory(world.Windows("new")));
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_FALSE(CreateDirectory(world.Windows("new")));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectory(world.Windows("missing\\new")));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  world.MakeFolder("locked");
  fs::permissions(world.Host("locked"), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(CreateDirectory(world.Windows("locked\\new")));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(WindowsPaths, CopyFileReplacesInOneStepAndKeepsTheWriteTime) {
  world.Write("new.txt", "new");
  world.Write("old.txt", "old");
  const auto stamp = fs::last_write_time(world.Host("new.txt")) - std::chrono::hours(48);
  fs::last_write_time(world.Host("new.txt"), stamp);
  EXPECT_FALSE(CopyFile(world.Windows("new.txt"), world.Windows("old.txt"), true));
  EXPECT_EQ(world.Read("old.txt"), "old");
  EXPECT_TRUE(CopyFile(world.Windows("new.txt"), world.Windows("old.txt"), false));
  EXPECT_EQ(world.Read("old.txt"), "new");
  EXPECT_EQ(fs::last_write_time(world.Host("old.txt")), stamp);
  world.Write("readonly.txt", "kept");
  fs::permissions(world.Host("readonly.txt"), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_FALSE(CopyFile(world.Windows("new.txt"), world.Windows("readonly.txt"), false));
  EXPECT_EQ(world.Read("readonly.txt"), "kept");
  EXPECT_FALSE(CopyFile(world.Windows("."), world.Windows("dir-copy"), false));
  EXPECT_FALSE(CopyFile(world.Windows("missing.txt"), world.Windows("x.txt"), false));
  EXPECT_EQ(std::distance(fs::directory_iterator(world.Folder()), fs::directory_iterator()), 4)
      << "no temporary file is left behind";
}

TEST_F(WindowsPaths, FileHandlesRefuseReadOnlyFilesAndFolders) {
  world.Write("readonly.txt", "kept");
  fs::permissions(world.Host("readonly.txt"), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_EQ(_lcreat(world.Windows("readonly.txt"), 0), HFILE_ERROR);
  EXPECT_EQ(world.Read("readonly.txt"), "kept");
  EXPECT_EQ(_lopen(world.Windows("."), OF_READ), HFILE_ERROR);
  HFILE file = _lcreat(world.Windows("out.bin"), 0);
  ASSERT_NE(file, HFILE_ERROR);
  EXPECT_EQ(_lwrite(file, "abcdef", 6), 6u);
  EXPECT_EQ(_llseek(file, 2, SEEK_SET), 2);
  EXPECT_EQ(_lclose(file), 0);
  file = _lopen(world.Windows("OUT.BIN"), OF_READ);
  char buffer[8] = {};
  EXPECT_EQ(_lread(file, buffer, sizeof buffer), 6u);
  EXPECT_EQ(std::string(buffer), "abcdef");
  _lclose(file);
}
