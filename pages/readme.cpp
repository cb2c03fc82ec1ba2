#include "pages/readme.h"

#include "platform/files.h"
#include "setup/SetupPages.h"

TReadmePage* ReadmePage = nullptr;

TReadmePage::TReadmePage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TReadmePage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  const std::vector<TSearchRec> readme = FindFiles(SetupFolder() + "ReadMe.txt");
  if (!readme.empty() && readme.front().Size > 0) Setup->SetupPageList.push_back(this);
}
