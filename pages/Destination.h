#pragma once
// The destination page: the folder to install into and the program group.
#include "setup/SetupEmptyPage.h"
#include "ui_DestinationPage.h"

class TDestinationPage : public TSetupPage, public Ui::DestinationPage {
  Q_OBJECT

 public:
  explicit TDestinationPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
  void FormCloseQuery(QObject* Sender, bool& CanClose) override;
};

extern TDestinationPage* DestinationPage;
