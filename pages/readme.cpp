#include "pages/readme.h"

#include "platform/sysutils.h"
#include "setup/SetupPages.h"

TReadmePage* ReadmePage = nullptr;

TReadmePage::TReadmePage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TReadmePage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  bool loaded = false;
  try {
    ReadmeFile->LoadFromFile(SetupFolder() + "ReadMe.txt");
    loaded = true;
  } catch (const Exception&) {
    // No readme, or none that can be shown: the wizard goes on without this page.
  }
  if (loaded && ReadmeFile->LineCount() > 0) Setup->SetupPageList.push_back(this);
}
