// The prompt for a missing source file: the next disk, another folder by
// browsing or by typing, and giving up or not.
#include <gtest/gtest.h>

#include <QTest>

#include "cabinet/NotFound.h"
#include "setup/SetupPages.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/SetupMedium.h"
#include "tests/support/WindowsWorld.h"

namespace {

const std::string kCaption = "Orvanta Kassenbuch - Installation";
const std::string kBrowserTitle = "Wählen Sie bitte das Quellverzeichnis der Installation an";

TGetCabFrm* Prompt(QWidget* window) { return static_cast<TGetCabFrm*>(window); }

}  // namespace

class SourcePrompt : public ::testing::Test {
 protected:
  SourcePrompt() {
    medium.Add("Setup.inf", SampleSetupInf());
    ::Setup = new TSetup();
    ::Setup->Proceed = true;
  }
  ~SourcePrompt() override {
    delete ::Setup;
    ::Setup = nullptr;
  }

  // The prompt as it stands, and that it has not closed.
  static ScriptedUser::Action StillOpen(const std::string& folder) {
    return [folder](QWidget* window) {
      EXPECT_TRUE(window->isVisible());
      EXPECT_EQ(Prompt(window)->Edit1->Text(), folder);
      EXPECT_TRUE(::Setup->Proceed);
    };
  }

  WindowsWorld world;
  SetupMedium medium{world};
  std::string expected = medium.Folder();
};

TEST_F(SourcePrompt, AFilePresentIsFoundWithoutAsking) {
  medium.Add("local1.cab");
  ScriptedUser user;  // expects nothing
  std::string folder = expected;
  EXPECT_TRUE(LocateSourceFile(kCaption, folder, "local1.cab"));
  EXPECT_EQ(folder, expected);
}

TEST_F(SourcePrompt, TheNextDiskIsAwaitedUntilItHoldsTheFile) {
  ScriptedUser user;
  user.ExpectForm(kCaption)
      .Do([](QWidget* window) {
        EXPECT_EQ(Prompt(window)->InfoLabel1->Caption(), "Legen Sie bitte den nächsten Datenträger ein");
      })
      .Do(StillOpen(expected))
      .Click("OKBtn")
      .Do(StillOpen(expected))
      .Do([this](QWidget* window) {
        medium.Add("local2.cab");
        Prompt(window)->Edit1->setFocus();  // Enter in the field presses the default button
      })
      .PressKey(Qt::Key_Return);
  std::string folder = expected;
  EXPECT_TRUE(LocateSourceFile(kCaption, folder, "local2.cab"));
  EXPECT_EQ(folder, expected);
  EXPECT_TRUE(::Setup->Proceed);
}

TEST_F(SourcePrompt, AnotherFolderChosenByBrowsingGetsOneBackslash) {
  world.Write("root/drive_c/local2.cab", "");
  world.Write("root/drive_c/Quelle/Disk 2/local2.cab", "");
  const std::pair<std::string, std::string> cases[] = {
      {"C:", "C:\\"},
      {"C:\\Quelle\\Disk 2", "C:\\Quelle\\Disk 2\\"},
  };
  for (const auto& [chosen, field] : cases) {
    ScriptedUser user;
    user.ExpectForm(kCaption)
        .Click("BrowseBtn")
        .Do(StillOpen(expected))
        .Click("BrowseBtn")
        .Do(StillOpen(field))
        .Click("OKBtn");
    user.ExpectFolderBrowser(kBrowserTitle).Click("Abbrechen");
    user.ExpectFolderBrowser(kBrowserTitle).ChooseFolder(chosen);
    std::string folder = expected;
    EXPECT_TRUE(LocateSourceFile(kCaption, folder, "local2.cab")) << chosen;
    EXPECT_EQ(folder, field);
  }
}

TEST_F(SourcePrompt, ATypedFolderIsTakenAsTyped) {
  world.Write("root/drive_c/Quelle/local2.cab", "");
  ScriptedUser user;
  user.ExpectForm(kCaption)
      .Type("Edit1", "c:\\QUELLE")
      .Click("OKBtn")
      .Do(StillOpen("c:\\QUELLE"))
      .Type("Edit1", "c:\\QUELLE\\")
      .Click("OKBtn");
  std::string folder = expected;
  EXPECT_TRUE(LocateSourceFile(kCaption, folder, "local2.cab"));
  EXPECT_EQ(folder, "c:\\QUELLE\\");
}

TEST_F(SourcePrompt, GivingUpEndsThePromptAndTheInstallation) {
  ScriptedUser user;
  user.ExpectForm(kCaption).Click("CancelBtn");
  user.ExpectMessageBox("Setup Abbrechen", ::Setup->CancelPrompt).Click("&Ja");
  std::string folder = expected;
  EXPECT_FALSE(LocateSourceFile(kCaption, folder, "local2.cab"));
  EXPECT_EQ(folder, expected);
  EXPECT_FALSE(::Setup->Proceed);
}

TEST_F(SourcePrompt, NeitherDecliningToGiveUpNorEscapeNorTheCloseBoxEndsIt) {
  ScriptedUser user;
  user.ExpectForm(kCaption)
      .Click("CancelBtn")
      .Do(StillOpen(expected))
      .PressKey(Qt::Key_Escape)
      .Do(StillOpen(expected))
      .CloseWindow()
      .Do(StillOpen(expected))
      .Do([this](QWidget*) { medium.Add("local2.cab"); })
      .Click("CancelBtn")
      .Do(StillOpen(expected))
      .Click("OKBtn");
  user.ExpectMessageBox("Setup Abbrechen", ::Setup->CancelPrompt).Click("&Nein");
  user.ExpectMessageBox("Setup Abbrechen", ::Setup->CancelPrompt).Click("&Nein");
  std::string folder = expected;
  EXPECT_TRUE(LocateSourceFile(kCaption, folder, "local2.cab"));
  EXPECT_TRUE(::Setup->Proceed);
}
