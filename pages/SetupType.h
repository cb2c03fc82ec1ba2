#pragma once
// The installation-type page: a single workstation or a network base install.
#include "setup/SetupEmptyPage.h"
#include "ui_NetSetup.h"

class TNetSetup : public TSetupPage, public Ui::NetSetup {
  Q_OBJECT

 public:
  explicit TNetSetup(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
  void FormCloseQuery(QObject* Sender, bool& CanClose) override;
  void SingleInstallBtnClick(QObject* Sender);
  void NetMasterInstallBtnClick(QObject* Sender);
};

extern TNetSetup* NetSetup;
