#pragma once
// The welcome page: the application's name, edition and rights holder.
#include "setup/SetupEmptyPage.h"
#include "ui_InfoPage.h"

class TInfoPage : public TSetupPage, public Ui::InfoPage {
  Q_OBJECT

 public:
  explicit TInfoPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
};

extern TInfoPage* InfoPage;
