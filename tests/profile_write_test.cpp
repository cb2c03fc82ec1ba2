// Writing profile files by the Windows rules: one key changes, every other line
// stays, and a refused write leaves the file as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/profile.h"
#include "platform/sysutils.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

class ProfileWrite : public ::testing::Test {
 protected:
  WindowsWorld world;
  std::string file = world.Windows("app.ini");
};

TEST_F(ProfileWrite, ChangesOneKeyAndKeepsEveryOtherLine) {
  struct Case {
    const char* before;
    const char* section;
    const char* key;
    const char* after;
  } cases[] = {
      {"", "Netzwerk", "StatNr", "[Netzwerk]\r\nStatNr=v\r\n"},
      // Replaced where it stands, the key's spelling and the spacing before "=" kept.
      {"; Kasse\r\n[netzwerk]\r\n  statnr =  4711  ; alt\r\nStatName=PC7\r\n", "Netzwerk", "StatNr",
       "; Kasse\r\n[netzwerk]\r\n  statnr =v\r\nStatName=PC7\r\n"},
      {"[A]\r\nStatNr\r\n", "A", "StatNr", "[A]\r\nStatNr=v\r\n"},
      // A new key follows the section's last key, in the file's own line breaks.
      {"[A]\nx=1\n; zu B\n\n[B]\ny=2\n", "A", "k", "[A]\nx=1\nk=v\n; zu B\n\n[B]\ny=2\n"},
      {"[A]\rx=1\r", "A", "k", "[A]\rx=1\rk=v\r"},
      {"[ A ]   \r\n", "a", "k", "[ A ]   \r\nk=v\r\n"},
      // A new section ends the file; a last line without line break gets one.
      {"[A]\nx=1", "B", "k", "[A]\nx=1\n[B]\nk=v\n"},
      // The reader takes the first section of a name and ignores keys before any section.
      {"k=0\n[A]\nx=1\n[A]\nk=2\n", "A", "k", "k=0\n[A]\nx=1\nk=v\n[A]\nk=2\n"},
      {"[B]\nk=1\n", "A", "k", "[B]\nk=1\n[A]\nk=v\n"},
  };
  for (const Case& c : cases) {
    world.Write("app.ini", c.before);
    EXPECT_TRUE(WritePrivateProfileString(c.section, c.key, "v", file)) << c.before;
    EXPECT_EQ(world.Read("app.ini"), c.after) << c.before;
    EXPECT_EQ(GetPrivateProfileString(c.section, c.key, "", file), "v") << c.before;
  }
}

TEST_F(ProfileWrite, NewTextTakesTheEncodingTheFileIsReadIn) {
  struct Case {
    std::string before;
    std::string after;
  } cases[] = {
      {"", "[Start]\r\nOrt=K\xF6ln\r\n"},
      {"[Start]\r\nAlt=D\xFCren\r\n", "[Start]\r\nAlt=D\xFCren\r\nOrt=K\xF6ln\r\n"},
      // A UTF-8 file stays UTF-8, so that its earlier lines keep reading as they did.
      {"[Start]\nAlt=D\xC3\xBCren\n", "[Start]\nAlt=D\xC3\xBCren\nOrt=K\xC3\xB6ln\n"},
      {"\xEF\xBB\xBF[Start]\n", "\xEF\xBB\xBF[Start]\nOrt=K\xC3\xB6ln\n"},
  };
  for (const Case& c : cases) {
    world.Write("app.ini", c.before);
    TIniFile(file).WriteString("Start", "Ort", "Köln");
    EXPECT_EQ(world.Read("app.ini"), c.after) << c.before;
    EXPECT_EQ(GetPrivateProfileString("Start", "Ort", "", file), "Köln");
  }
}

TEST_F(ProfileWrite, RefusedWritesRaiseAndLeaveTheFileAsItWas) {
  const std::string before = "[Start]\r\nAlt=1\r\n";
  struct Case {
    const char* what;
    std::string key;
    std::string value;
    fs::path protect;
  } cases[] = {
      {"write-protected folder", "k", "v", world.Host("")},
      {"write-protected file", "k", "v", world.Host("app.ini")},
      {"line feed in the value", "k", "v\nInjected=1", {}},
      {"carriage return in the key", "k\rInjected", "v", {}},
      {"\"=\" in the key", "a=b", "v", {}},
      {"empty key", " ", "v", {}},
  };
  for (const Case& c : cases) {
    world.Write("app.ini", before);
    if (!c.protect.empty()) fs::permissions(c.protect, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(WritePrivateProfileString("Start", c.key, c.value, file)) << c.what;
    EXPECT_THROW(TIniFile(file).WriteString("Start", c.key, c.value), Exception) << c.what;
    if (!c.protect.empty()) fs::permissions(c.protect, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(world.Read("app.ini"), before) << c.what;
  }
  try {
    TIniFile(world.Windows("missing\\app.ini")).WriteString("Start", "k", "v");
    ADD_FAILURE() << "a file in a missing folder was written";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "Unable to write to " + world.Windows("missing\\app.ini"));
  }
}

TEST_F(ProfileWrite, TheFileKeepsItsPermissionsAndLinksStayLinks) {
  world.Write("real.ini", "[A]\n");
  fs::permissions(world.Host("real.ini"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(world.Host("real.ini"), world.Host("app.ini"));
  EXPECT_TRUE(WritePrivateProfileString("A", "k", "v", file));
  EXPECT_TRUE(fs::is_symlink(world.Host("app.ini")));
  EXPECT_EQ(world.Read("real.ini"), "[A]\nk=v\n");
  EXPECT_EQ(fs::status(world.Host("real.ini")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
