// The pages before and after the copying: welcome, readme, installation type,
// destination and completion, in a wizard started as the program starts it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <filesystem>

#include "pages/Destination.h"
#include "pages/SetupType.h"
#include "pages/info.h"
#include "pages/readme.h"
#include "pages/success.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "setup/AssistantMain.h"
#include "setup/SetupPages.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/WizardRun.h"

namespace {

const char* kWelcome = "Willkommen";
const char* kReadme = "Information";
const char* kType = "Wahl der Installationsart";
const char* kDestination = "Installationsverzeichnis";
const char* kCopy = "Kopieren der Programmdateien";
const char* kDone = "Installation beendet";
const char* kCreateQuestion = "Das angegebene Verzeichnis existiert nicht.\rSoll es angelegt werden?";
const char* kCreateFailed = "Das angegebene Verzeichnis konnte nicht angelegt werden.";

}  // namespace

class WizardPages : public ::testing::Test {
 protected:
  WizardPages() { run.medium.Add("Setup.inf", SampleSetupInf()); }
  // Moves forward until the page of that caption is shown.
  void ForwardTo(const std::string& caption) {
    for (int step = 0; step < 6 && run.Caption() != caption; ++step) run.Next();
    ASSERT_EQ(run.Caption(), caption);
  }
  void TypeFolder(const std::string& folder) { DestinationPage->DestinationDir->SetText(folder); }

  WizardRun run;
};

TEST_F(WizardPages, TheMediumDecidesWhichPagesJoin) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> pages;
  } cases[] = {
      {{{"local1.cab", ""}, {"ReadMe.txt", "Hallo\r\n"}}, {kWelcome, kReadme, kType, kDestination, kCopy, kDone}},
      {{{"local1.cab", ""}}, {kWelcome, kType, kDestination, kCopy, kDone}},
      {{{"local1.cab", ""}, {"ReadMe.txt", ""}}, {kWelcome, kType, kDestination, kCopy, kDone}},
      {{{"local1.cab", ""}, {"README.TXT", "\n"}}, {kWelcome, kReadme, kType, kDestination, kCopy, kDone}},
      {{{"daten.nqr", ""}, {"ReadMe.txt", "x"}}, {kWelcome, kReadme, kDestination, kCopy, kDone}},
  };
  for (const Case& c : cases) {
    WizardRun own;
    own.medium.Add("Setup.inf", SampleSetupInf());
    for (const auto& [name, bytes] : c.files) own.medium.Add(name, bytes);
    own.Start();
    EXPECT_EQ(own.PageCaptions(), c.pages);
    EXPECT_EQ(own.Caption(), kWelcome);
    EXPECT_FALSE(SetupMainForm->PrevBtn->isVisible());
  }
}

TEST_F(WizardPages, AReadmeThatCannotBeShownLeavesThePageOut) {
  run.medium.AddFolder("ReadMe.txt");
  run.Start();
  EXPECT_EQ(run.PageCaptions()[1], kType);
  WizardRun large;
  large.medium.Add("Setup.inf", SampleSetupInf());
  large.medium.Add("ReadMe.txt", std::string(TMemo::kCapacity + 1, 'x'));
  large.Start();
  EXPECT_EQ(large.PageCaptions()[1], kType);
}

TEST_F(WizardPages, TheWelcomePageNamesTheApplication) {
  run.medium.Add("Setup.inf", Utf8ToCp1252("[Anwendung]\r\nAnwName=" + std::string(200, 'W') +
                                           "\r\nEdition=Vereinsausgabe\r\nCopyRight=© Köln\r\n"));
  run.Start();
  EXPECT_EQ(InfoPage->NameLabel->text().toStdString(), std::string(200, 'W'));
  EXPECT_EQ(InfoPage->NameLabel->geometry(), QRect(8, 36, 313, 25)) << "a long name is cut, not wrapped";
  EXPECT_FALSE(InfoPage->NameLabel->wordWrap());
  EXPECT_EQ(InfoPage->EditionLabel->text().toStdString(), "Vereinsausgabe");
  EXPECT_EQ(InfoPage->CopyRightLabel->text().toStdString(), "© Köln");
}

TEST_F(WizardPages, TheReadmeIsShownLineByLineAndReadOnly) {
  run.medium.Add("ReadMe.txt", "Gr\xFC\xDF" "e\r\nzweite\rdritte\nvierte " + std::string(500, '-'));
  run.Start();
  run.Next();
  ASSERT_EQ(run.Caption(), kReadme);
  EXPECT_TRUE(SetupMainForm->PrevBtn->isVisible());
  EXPECT_EQ(ReadmePage->ReadmeFile->toPlainText().toStdString(),
            "Grüße\nzweite\ndritte\nvierte " + std::string(500, '-'));
  EXPECT_EQ(ReadmePage->ReadmeFile->LineCount(), 4);
  EXPECT_TRUE(ReadmePage->ReadmeFile->isReadOnly());
  EXPECT_EQ(ReadmePage->ReadmeFile->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(WizardPages, TheTypePageSetsTheInstallationTypeWhenLeftForward) {
  run.medium.Add("local1.cab");
  run.Start();
  ForwardTo(kType);
  run.Next();
  EXPECT_EQ(::Setup->InstallType, itSingle) << "untouched, the first choice holds";
  run.Back();
  NetSetup->NetMasterInstallBtn->click();
  EXPECT_EQ(::Setup->InstallType, itNetMaster);
  run.Back();
  ForwardTo(kType);
  EXPECT_TRUE(NetSetup->NetMasterInstallBtn->isChecked()) << "the last choice is shown again";
  run.Next();
  EXPECT_EQ(::Setup->InstallType, itNetMaster);
  EXPECT_TRUE(DestinationPage->ApplicationGroup->isHidden());
  EXPECT_TRUE(DestinationPage->ProgramGroupLabel1->isHidden());
  run.Back();
  NetSetup->SingleInstallBtn->click();
  run.Next();
  EXPECT_FALSE(DestinationPage->ApplicationGroup->isHidden());
}

TEST_F(WizardPages, UnderTheNetworkUserNameTheTypePageStillDecides) {
  WizardRun named("SETUPWS.EXE");
  named.medium.Add("Setup.inf", SampleSetupInf());
  named.medium.Add("local1.cab");
  named.Start();
  EXPECT_EQ(::Setup->InstallType, itNetUser);
  for (int step = 0; step < 2; ++step) named.Next();
  ASSERT_EQ(named.Caption(), kDestination);
  EXPECT_EQ(::Setup->InstallType, itSingle);
}

TEST_F(WizardPages, TheDestinationIsLeftOnlyTowardsAFolderThatExists) {
  run.world.MakeFolder("exists");
  run.world.Write("afile", "");
  run.world.MakeFolder("locked");
  std::filesystem::permissions(run.world.Host("locked"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  struct Case {
    std::string folder;
    std::vector<std::pair<const char*, const char*>> prompts;  // caption, answer button
    bool leaves;
  } cases[] = {
      {run.world.Windows("exists") + "\\", {}, true},
      {run.world.Windows("new\\deep\\folder"), {{kCreateQuestion, "&Ja"}}, true},
      {run.world.Windows("declined"), {{kCreateQuestion, "&Nein"}}, false},
      {run.world.Windows("afile"), {{kCreateQuestion, "&Ja"}, {kCreateFailed, "OK"}}, false},
      {run.world.Windows("locked\\sub"), {{kCreateQuestion, "&Ja"}, {kCreateFailed, "OK"}}, false},
      {"", {{kCreateQuestion, "&Ja"}, {"Unable to create directory.", "OK"}}, false},
  };
  run.Start();
  ForwardTo(kDestination);
  for (const Case& c : cases) {
    TypeFolder(c.folder);
    ScriptedUser user;
    for (auto [text, answer] : c.prompts) {
      const std::string caption = std::string(text).starts_with("Unable") ? "Setup" : "Verzeichnis Anlegen";
      user.ExpectMessageBox(caption, text).Click(answer);
    }
    run.Next();
    EXPECT_EQ(run.Caption(), c.leaves ? kCopy : kDestination) << c.folder;
    EXPECT_TRUE(user.Done()) << c.folder;
    if (c.leaves) {
      EXPECT_EQ(::Setup->InstallDir, c.folder) << "stored exactly as typed";
      EXPECT_TRUE(DirectoryExists(c.folder));
      run.Back();
    }
  }
}

TEST_F(WizardPages, GoingBackStoresTheFolderWithoutAsking) {
  run.Start();
  ForwardTo(kDestination);
  TypeFolder("C:\\Gibt\\Es\\Nicht ");
  ScriptedUser user;  // asks nothing
  run.Back();
  EXPECT_EQ(::Setup->InstallDir, "C:\\Gibt\\Es\\Nicht ");
}

TEST_F(WizardPages, TheGroupFieldFeedsTheGroupTitleAndEnterMovesToIt) {
  run.medium.Add("local1.cab");
  run.Start();
  ForwardTo(kType);
  run.Next();
  EXPECT_EQ(::Setup->GroupTitle, "Orvanta Kassenbuch");
  DestinationPage->ProgramGroupName->SetText("Werkzeuge\\Kasse ");
  EXPECT_EQ(::Setup->GroupTitle, "Werkzeuge\\Kasse ");
  DestinationPage->ProgramGroupName->clear();
  EXPECT_EQ(::Setup->GroupTitle, "");
  SetupMainForm->activateWindow();
  DestinationPage->DestinationDir->setFocus();
  QTest::keyClick(DestinationPage->DestinationDir, Qt::Key_Return);
  EXPECT_EQ(DestinationPage->focusWidget(), DestinationPage->ProgramGroupName);
  // Without the group part the key leaves the focus where it is.
  run.Back();
  NetSetup->NetMasterInstallBtn->click();
  run.Next();
  DestinationPage->DestinationDir->setFocus();
  QTest::keyClick(DestinationPage->DestinationDir, Qt::Key_Return);
  EXPECT_EQ(DestinationPage->focusWidget(), DestinationPage->DestinationDir);
}

TEST_F(WizardPages, TheCompletionTextFollowsTheOutcomeAndTheType) {
  const std::string failed =
      "Es konnten nicht alle notwendigen Dateien installiert werden. Wiederholen Sie die Installation zu einem "
      "späteren Zeitpunkt.";
  const std::string single =
      "Die Installation ist abgeschlossen. Sie können das Programm direkt aus dem Windows-Startmenü aufrufen.";
  struct Case {
    bool proceed;
    int type;
    std::string text;
  } cases[] = {
      {false, itSingle, failed},
      {false, itNetMaster, failed},
      {false, itNetUser, failed},
      {true, itSingle, single},
      {true, 9, single},
      {true, itNetMaster,
       "Die Netzinstallation ist abgeschlossen. Starten Sie nun an den jeweiligen Arbeitsstationen folgende "
       "Programme aus dem Netzverzeichnis:\n\n1. Setup.exe\nDieses Programm kopiert lokal benötigte Dateien und "
       "richtet die Programmgruppe ein.\n\n2. Statkenn.exe\nDamit wird die Netzidentifikation des Benutzers "
       "festgelegt."},
      {true, itNetUser,
       "Die Installation für Netzbenutzer ist abgeschlossen. Sie können das Programm direkt aus dem "
       "Windows-Startmenü aufrufen.\n\nDie individuelle Netzeinrichtung des Arbeitsplatzes erfolgt mit dem "
       "Programm [Statkenn.exe]"},
  };
  run.Start();
  for (const Case& c : cases) {
    ::Setup->Proceed = c.proceed;
    ::Setup->InstallType = static_cast<TInstallType>(c.type);
    SuccessPage->Hide();
    SuccessPage->Show();
    EXPECT_EQ(SuccessPage->InfoLabel2->text().toStdString(), c.text) << c.proceed << " " << c.type;
  }
  EXPECT_EQ(SuccessPage->InfoLabel2->text().toStdString().find('\r'), std::string::npos);
}

TEST_F(WizardPages, TheBrowserPutsTheChosenFolderIntoTheField) {
  run.world.MakeFolder("root/drive_c/Programme/Kasse");
  const char* title = "Wählen Sie bitte das Zielverzeichnis der Installation aus";
  run.Start();
  ForwardTo(kDestination);
  struct Case {
    std::string choose;  // empty: the browser is cancelled
    std::string field;
  } cases[] = {
      {"C:\\Programme\\Kasse", "C:\\Programme\\Kasse"},
      {"C:\\", "C:\\"},
      {"", "C:\\"},
  };
  for (const Case& c : cases) {
    ScriptedUser user;
    if (c.choose.empty()) {
      user.ExpectFolderBrowser(title).Click("Abbrechen");
    } else {
      user.ExpectFolderBrowser(title).ChooseFolder(c.choose);
    }
    DestinationPage->BrowseBtn->click();
    EXPECT_EQ(DestinationPage->DestinationDir->Text(), c.field);
  }
}
