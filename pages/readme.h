#pragma once
// The readme page: ReadMe.txt of the setup folder, read-only.
#include "setup/SetupEmptyPage.h"
#include "ui_ReadmePage.h"

class TReadmePage : public TSetupPage, public Ui::ReadmePage {
  Q_OBJECT

 public:
  explicit TReadmePage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
};

extern TReadmePage* ReadmePage;
