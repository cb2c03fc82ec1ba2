#pragma once
// The completion page: the outcome of the installation.
#include "setup/SetupEmptyPage.h"
#include "ui_SuccessPage.h"

class TSuccessPage : public TSetupPage, public Ui::SuccessPage {
  Q_OBJECT

 public:
  explicit TSuccessPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
};

extern TSuccessPage* SuccessPage;
