#include "pages/success.h"

#include "setup/SetupPages.h"

TSuccessPage* SuccessPage = nullptr;

TSuccessPage::TSuccessPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TSuccessPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  Setup->SetupPageList.push_back(this);
}
