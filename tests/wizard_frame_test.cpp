// The wizard frame: stepping through the pages, the close queries, the cancel
// question and the network-user program name.
#include <gtest/gtest.h>

#include <QTest>

#include "platform/sysutils.h"
#include "platform/vcl/Forms.h"
#include "setup/AssistantMain.h"
#include "setup/Program.h"
#include "setup/SetupPages.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/SetupMedium.h"
#include "tests/support/WindowsWorld.h"

namespace {

// A page that answers its close query as told and counts what the frame does to it.
class TestPage : public TSetupPage {
 public:
  TestPage(const std::string& caption, bool allowLeaving) : allowLeaving(allowLeaving) {
    SetCaption(caption);
    connect(this, &TForm::OnShow, [this] { ++shown; });
    connect(this, &TForm::OnHide, [this] { ++hidden; });
  }
  void FormCreate(QObject* Sender) override {
    TSetupPage::FormCreate(Sender);
    ::Setup->SetupPageList.push_back(this);
  }
  void FormCloseQuery(QObject*, bool& CanClose) override {
    ++asked;
    if (raises) throw Exception("Unable to create directory");
    CanClose = allowLeaving;
  }
  bool allowLeaving;
  bool raises = false;
  int asked = 0, shown = 0, hidden = 0;
};

// The cancel button, Esc and the close box.
const std::function<void()> kWaysToClose[] = {
    [] { SetupMainForm->CancelBtn->click(); },
    [] { QTest::keyClick(SetupMainForm, Qt::Key_Escape); },
    [] { SetupMainForm->close(); },
};

}  // namespace

class WizardFrame : public ::testing::Test {
 protected:
  WizardFrame() {
    medium.Add("Setup.inf", SampleSetupInf());
    medium.Add("local1.cab");
  }
  ~WizardFrame() override { FreeWizard(); }

  // A frame with pages of these captions; the wizard is shown at once.
  std::vector<TestPage*> Wizard(std::vector<std::string> captions) {
    FreeWizard();
    ::Setup = new TSetup();
    Application->CreateForm(SetupMainForm);
    std::vector<TestPage*> pages;
    for (const std::string& caption : captions) {
      pages.push_back(new TestPage(caption, true));
      pages.back()->DoCreate();
    }
    SetupMainForm->Show();
    return pages;
  }
  void FreeWizard() {
    Application->FreeForms();
    delete ::Setup;
    ::Setup = nullptr;
  }
  std::string FrameCaption() const { return SetupMainForm->Caption(); }
  std::string CancelCaption() const { return SetupMainForm->CancelBtn->text().toStdString(); }

  WindowsWorld world;
  SetupMedium medium{world};
};

TEST_F(WizardFrame, StepsThroughThePagesWithTheirCaptionsAndButtons) {
  std::vector<TestPage*> pages = Wizard({"Eins", "Zwei", "Drei"});
  struct Expected {
    const char* caption;
    bool prev, next;
    const char* cancel;
  } steps[] = {{"Eins", false, true, "Abbruch"}, {"Zwei", true, true, "Abbruch"}, {"Drei", true, false, "Ende"}};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    if (i > 0) SetupMainForm->NextBtn->click();
    EXPECT_EQ(FrameCaption(), steps[i].caption);
    EXPECT_EQ(SetupMainForm->PageIndex, static_cast<int>(i + 1));
    EXPECT_EQ(SetupMainForm->PrevBtn->isVisible(), steps[i].prev);
    EXPECT_EQ(SetupMainForm->NextBtn->isVisible(), steps[i].next);
    EXPECT_EQ(CancelCaption(), steps[i].cancel);
    for (std::size_t p = 0; p < pages.size(); ++p) EXPECT_EQ(pages[p]->isVisible(), p == i) << "page " << p;
    EXPECT_EQ(pages[i]->geometry(), SetupMainForm->SetupPage->rect());
  }
  EXPECT_EQ(pages[0]->asked, 1);
  EXPECT_EQ(pages[1]->asked, 1);
  EXPECT_EQ(pages[2]->asked, 0);
}

TEST_F(WizardFrame, ARefusingPageKeepsItsPlaceAndTheFrameAsItWas) {
  std::vector<TestPage*> pages = Wizard({"Eins", "Zwei", "Drei"});
  SetupMainForm->NextBtn->click();
  pages[1]->allowLeaving = false;
  SetupMainForm->NextBtn->click();
  EXPECT_EQ(pages[1]->asked, 1);
  EXPECT_EQ(FrameCaption(), "Zwei");
  EXPECT_EQ(SetupMainForm->PageIndex, 2);
  EXPECT_TRUE(SetupMainForm->NextBtn->isVisible());
  EXPECT_TRUE(pages[1]->isVisible());
  EXPECT_FALSE(pages[2]->isVisible());
  EXPECT_EQ(pages[1]->hidden, 0);
}

TEST_F(WizardFrame, GoingBackNeverAsksThePageButHidesIt) {
  std::vector<TestPage*> pages = Wizard({"Eins", "Zwei", "Drei"});
  SetupMainForm->NextBtn->click();
  SetupMainForm->NextBtn->click();
  pages[2]->allowLeaving = false;
  pages[1]->allowLeaving = false;
  SetupMainForm->PrevBtn->click();
  SetupMainForm->PrevBtn->click();
  EXPECT_EQ(FrameCaption(), "Eins");
  EXPECT_EQ(pages[2]->asked, 0);
  EXPECT_EQ(pages[1]->asked, 1);
  EXPECT_EQ(pages[2]->hidden, 1);
  EXPECT_EQ(pages[1]->hidden, 2);
  EXPECT_EQ(pages[0]->shown, 2);
}

TEST_F(WizardFrame, OnTheLastPageEveryWayOfClosingEndsWithoutAQuestion) {
  for (const auto& close : kWaysToClose) {
    Wizard({"Eins", "Zwei"});
    SetupMainForm->NextBtn->click();
    ScriptedUser user;  // expects nothing
    close();
    EXPECT_FALSE(SetupMainForm->isVisible());
    EXPECT_TRUE(Application->Terminated());
  }
}

TEST_F(WizardFrame, ElsewhereClosingAsksAndOnlyYesEnds) {
  for (const auto& close : kWaysToClose) {
    std::vector<TestPage*> pages = Wizard({"Eins", "Zwei"});
    ScriptedUser user;
    user.ExpectMessageBox("Setup Abbrechen", ::Setup->CancelPrompt).Click("&Nein");
    close();
    EXPECT_TRUE(SetupMainForm->isVisible());
    EXPECT_EQ(FrameCaption(), "Eins");
    user.ExpectMessageBox("Setup Abbrechen", ::Setup->CancelPrompt).Click("&Ja");
    close();
    EXPECT_FALSE(SetupMainForm->isVisible());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(pages[0]->asked, 0) << "the page is not consulted";
  }
}

TEST_F(WizardFrame, AnErrorInACloseQueryIsShownAndThePageStays) {
  std::vector<TestPage*> pages = Wizard({"Eins", "Zwei"});
  pages[0]->raises = true;
  ScriptedUser user;
  user.ExpectMessageBox("Setup", "Unable to create directory.").Click("OK");
  SetupMainForm->NextBtn->click();
  EXPECT_EQ(FrameCaption(), "Eins");
  EXPECT_TRUE(pages[0]->isVisible());
  pages[0]->raises = false;
  SetupMainForm->NextBtn->click();
  EXPECT_EQ(FrameCaption(), "Zwei");
}

TEST_F(WizardFrame, TheProgramNameSetupwsMakesANetworkUserInstall) {
  const std::pair<const char*, TInstallType> names[] = {
      {"setupws.exe", itNetUser}, {"SetupWS.EXE", itNetUser}, {"SETUPWS.EXE", itNetUser},
      {"Setup.exe", itNetMaster}, {"setupws.exe.bak", itNetMaster}};
  for (auto [program, type] : names) {
    SetupMedium named(world, "medium", program);
    Wizard({"Eins"});
    EXPECT_EQ(::Setup->InstallType, type) << program;
  }
}

TEST_F(WizardFrame, ThePagesJoinInPageOrder) {
  struct Case {
    std::vector<std::string> files;
    std::vector<std::string> captions;
  } cases[] = {
      {{"local1.cab", "ReadMe.txt"},
       {"Willkommen", "Information", "Wahl der Installationsart", "Installationsverzeichnis",
        "Kopieren der Programmdateien", "Installation beendet"}},
      {{"daten.nqr"},
       {"Willkommen", "Installationsverzeichnis", "Kopieren der Programmdateien", "Installation beendet"}},
  };
  for (const Case& c : cases) {
    FreeWizard();
    WindowsWorld own;
    SetupMedium here(own);
    here.Add("Setup.inf", SampleSetupInf());
    for (const std::string& file : c.files) here.Add(file, "Text\r\n");
    ::Setup = new TSetup();
    CreateForms();
    std::vector<std::string> captions;
    for (TSetupPage* page : ::Setup->SetupPageList) captions.push_back(page->Caption());
    EXPECT_EQ(captions, c.captions);
    SetupMainForm->Show();
    EXPECT_EQ(FrameCaption(), "Willkommen");
    FreeWizard();
  }
}

TEST_F(WizardFrame, APageOutsideTheFrameCanNotifyWithoutHarm) {
  Wizard({"Eins"});
  TestPage loose("Lose", true);
  loose.NotifyChange();
  SetupMainForm->CurrentPage->NotifyChange();
  EXPECT_EQ(FrameCaption(), "Eins");
}
