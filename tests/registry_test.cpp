// The current user's registry in its export file: what the registry editor
// imports, with earlier keys and values kept.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "platform/registry.h"
#include "platform/sysutils.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

namespace {

// The export format's line breaks and code page, from text written plainly.
std::string Exported(std::string_view text) {
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return Utf8ToCp1252(crlf);
}

const char* kStore = "root/HKEY_CURRENT_USER.reg";

}  // namespace

class Registry : public ::testing::Test {
 protected:
  WindowsWorld world;
};

TEST_F(Registry, ANewFileHoldsTheKeyAndItsEscapedValue) {
  {
    TRegistry registry;
    EXPECT_TRUE(registry.OpenKey("Software\\Orvanta\\", true));
    registry.WriteString("PrivateDir", R"(C:\Programme\"Kasse" für Köln)");
  }
  EXPECT_EQ(world.Read(kStore), Exported(R"(REGEDIT4

[HKEY_CURRENT_USER\Software\Orvanta]
"PrivateDir"="C:\\Programme\\\"Kasse\" für Köln"

)"));
}

TEST_F(Registry, AnEarlierFileIsKeptAndExtended) {
  world.Write(kStore, Exported(R"(REGEDIT4

[HKEY_CURRENT_USER\Software\Andere]
"Wert"=dword:00000001

[HKEY_CURRENT_USER\Software\Orvanta\Kassenb]
@="Standard"
"privatedir"=hex(2):43,00,3a,00,\
  5c,00,00,00
"Sprache"="de"

[HKEY_CURRENT_USER\Software\Orvanta\Kassenb\Fenster]
"Breite"=dword:00000280
)"));
  TRegistry registry;
  EXPECT_TRUE(registry.OpenKey("\\software\\orvanta", false));  // named only by its subkeys
  EXPECT_TRUE(registry.OpenKey("Kassenb", true));
  registry.WriteString("PrivateDir", "C:\\Neu");
  registry.WriteString("Pfad", "C:\\Neu\\bin");
  EXPECT_TRUE(registry.OpenKey("Fenster", false));
  registry.WriteString("Höhe", "480");
  EXPECT_TRUE(registry.OpenKey("\\Software\\Neu", true));
  registry.WriteString("", "leer");
  EXPECT_EQ(world.Read(kStore), Exported(R"(REGEDIT4

[HKEY_CURRENT_USER\Software\Andere]
"Wert"=dword:00000001

[HKEY_CURRENT_USER\Software\Orvanta\Kassenb]
@="Standard"
"privatedir"="C:\\Neu"
"Sprache"="de"
"Pfad"="C:\\Neu\\bin"

[HKEY_CURRENT_USER\Software\Orvanta\Kassenb\Fenster]
"Breite"=dword:00000280
"Höhe"="480"

[HKEY_CURRENT_USER\Software\Neu]
@="leer"

)"));
}

TEST_F(Registry, RefusedWritesRaiseAndLeaveTheFileAsItWas) {
  const std::string before = Exported("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvanta]\n\"Alt\"=\"1\"\n\n");
  world.Write(kStore, before);
  {
    TRegistry registry;
    try {
      registry.WriteString("PrivateDir", "C:\\Kasse");
      ADD_FAILURE() << "a value was written without an open key";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), "Failed to set data for 'PrivateDir'");
    }
    EXPECT_FALSE(registry.OpenKey("Software\\Fehlt", false));
    ASSERT_TRUE(registry.OpenKey("Software\\Orvanta", false));
    EXPECT_THROW(registry.WriteString("PrivateDir", "C:\\Kasse\r\n\"Fremd\"=\"x\""), Exception);
    fs::permissions(world.Host(kStore), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_THROW(registry.WriteString("PrivateDir", "C:\\Kasse"), Exception);
    fs::permissions(world.Host(kStore), fs::perms::owner_write, fs::perm_options::add);
    fs::permissions(world.Root(), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(registry.OpenKey("Neu", true));
    EXPECT_THROW(registry.WriteString("PrivateDir", "C:\\Kasse"), Exception);
    fs::permissions(world.Root(), fs::perms::owner_write, fs::perm_options::add);
  }
  EXPECT_EQ(world.Read(kStore), before);
  // Whatever else lies under the file's name is not taken over.
  world.Write(kStore, "WINE REGISTRY Version 2\n");
  TRegistry registry;
  EXPECT_FALSE(registry.OpenKey("Software\\Orvanta", true));
  EXPECT_EQ(world.Read(kStore), "WINE REGISTRY Version 2\n");
}
