#pragma once
// The completion page: whether the installation succeeded, and what comes next.
#include "setup/SetupEmptyPage.h"
#include "ui_SuccessPage.h"

class TSuccessPage : public TSetupPage, public Ui::SuccessPage {
  Q_OBJECT

 public:
  explicit TSuccessPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
  void FormShow(QObject* Sender);
};

extern TSuccessPage* SuccessPage;
