#include "pages/SetupType.h"

#include "setup/SetupPages.h"

TNetSetup* NetSetup = nullptr;

TNetSetup::TNetSetup(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TNetSetup::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  if (Setup->InstallType == itNetMaster) Setup->SetupPageList.push_back(this);
}

void TNetSetup::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) { CanClose = true; }
