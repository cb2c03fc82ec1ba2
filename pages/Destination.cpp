#include "pages/Destination.h"

#include "setup/SetupPages.h"

TDestinationPage* DestinationPage = nullptr;

TDestinationPage::TDestinationPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TDestinationPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  Setup->SetupPageList.push_back(this);
}

void TDestinationPage::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) { CanClose = true; }
