#include "pages/SetupType.h"

#include "setup/SetupPages.h"

TNetSetup* NetSetup = nullptr;

TNetSetup::TNetSetup(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TNetSetup::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  // Only a medium that leaves the type open asks for it.
  if (Setup->InstallType == itNetMaster) Setup->SetupPageList.push_back(this);
}

void TNetSetup::SingleInstallBtnClick(QObject* /*Sender*/) { Setup->InstallType = itSingle; }

void TNetSetup::NetMasterInstallBtnClick(QObject* /*Sender*/) { Setup->InstallType = itNetMaster; }

void TNetSetup::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) {
  Setup->InstallType = NetMasterInstallBtn->Checked() ? itNetMaster : itSingle;
  CanClose = true;
}
