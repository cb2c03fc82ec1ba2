#include "setup/AssistantMain.h"

#include "platform/sysutils.h"
#include "platform/vcl/Dialogs.h"
#include "setup/SetupPages.h"

TSetupMainForm* SetupMainForm = nullptr;

// The forms' pictures live in the installer's library; this keeps them linked in.
static void LoadFormResources() { Q_INIT_RESOURCE(forms); }

TSetupMainForm::TSetupMainForm(QWidget* parent) : TForm(parent) {
  LoadFormResources();
  setupUi(this);
}

int32_t TSetupMainForm::PageCount() const { return static_cast<int32_t>(Setup->SetupPageList.size()); }

void TSetupMainForm::ShowPage(int32_t N) {
  TSetupPage* page = Setup->SetupPageList[N - 1];
  if (page == CurrentPage) return;
  if (CurrentPage) {
    if (N > PageIndex) {
      bool canClose = false;
      CurrentPage->FormCloseQuery(CurrentPage, canClose);
      if (!canClose) return;
    }
    CurrentPage->Hide();
  }
  CurrentPage = page;
  page->SetAlign(alClient);
  page->Show();
  page->SetParent(SetupPage);
  PageIndex = N;
  SetCaption(page->Caption());
  UpdateButtons();
}

void TSetupMainForm::UpdateButtons() {
  PrevBtn->setVisible(PageIndex > 1);
  NextBtn->setVisible(PageIndex < PageCount());
  CancelBtn->setText(PageIndex < PageCount() ? "Abbruch" : "Ende");
}

void TSetupMainForm::WndProc(TMessage& message) {
  if (message.Msg == WM_PAGECHANGED) {
    WMPageChanged(message);
  } else {
    TForm::WndProc(message);
  }
}

void TSetupMainForm::WMPageChanged(TMessage& message) {
  UpdateButtons();
  TForm::WndProc(message);
}

void TSetupMainForm::NextBtnClick(QObject* /*Sender*/) {
  if (PageIndex < PageCount()) ShowPage(PageIndex + 1);
}

void TSetupMainForm::PrevBtnClick(QObject* /*Sender*/) {
  if (PageIndex > 1) ShowPage(PageIndex - 1);
}

void TSetupMainForm::FormShow(QObject* /*Sender*/) {
  if (UpperCase(ExtractFileName(Application->ExeName())) == "SETUPWS.EXE") Setup->InstallType = itNetUser;
  if (PageCount() > 0) ShowPage(1);
}

void TSetupMainForm::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) {
  if (PageIndex == PageCount()) {
    CanClose = true;
  } else {
    CanClose = MessageBox(Setup->CancelPrompt, "Setup Abbrechen", MB_YESNO) == IDYES;
  }
}

void TSetupMainForm::CancelBtnClick(QObject* /*Sender*/) { Close(); }
