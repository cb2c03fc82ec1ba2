#include "install/extracting.h"

#include "setup/SetupPages.h"

TExtractPage* ExtractPage = nullptr;

TExtractPage::TExtractPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TExtractPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  Setup->SetupPageList.push_back(this);
}

void TExtractPage::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) { CanClose = true; }
