#pragma once
// The copy page, which runs the installation.
#include "setup/SetupEmptyPage.h"
#include "ui_ExtractPage.h"

class TExtractPage : public TSetupPage, public Ui::ExtractPage {
  Q_OBJECT

 public:
  explicit TExtractPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
  void FormCloseQuery(QObject* Sender, bool& CanClose) override;
};

extern TExtractPage* ExtractPage;
