#include "pages/info.h"

#include "setup/SetupPages.h"

TInfoPage* InfoPage = nullptr;

TInfoPage::TInfoPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TInfoPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  if (!Setup->HasSetupInf) return;
  NameLabel->SetCaption(Setup->AppName);
  EditionLabel->SetCaption(Setup->Edition);
  CopyRightLabel->SetCaption(Setup->CopyRight);
  Setup->SetupPageList.push_back(this);
}
