#pragma once
// The wizard frame: the picture, the page area and the three buttons; it shows
// one page at a time, moves through the setup state's page list and asks before
// the installation is abandoned.
#include <cstdint>

#include "platform/vcl/Forms.h"
#include "setup/SetupEmptyPage.h"
#include "ui_SetupMainForm.h"

class TSetupMainForm : public TForm, public Ui::SetupMainForm {
  Q_OBJECT

 public:
  explicit TSetupMainForm(QWidget* parent = nullptr);

  TSetupPage* CurrentPage = nullptr;
  int32_t PageIndex = 0;  // 1-based position of CurrentPage; 0 before the first

  void ShowPage(int32_t N);
  void UpdateButtons();
  void WndProc(TMessage& message) override;

 public slots:
  void FormShow(QObject* Sender);
  void FormCloseQuery(QObject* Sender, bool& CanClose);
  void NextBtnClick(QObject* Sender);
  void PrevBtnClick(QObject* Sender);
  void CancelBtnClick(QObject* Sender);

 private:
  void WMPageChanged(TMessage& message);
  int32_t PageCount() const;
};

extern TSetupMainForm* SetupMainForm;
