#include "setup/SetupEmptyPage.h"

#include "setup/AssistantMain.h"
#include "ui_SetupEmptyPage.h"

TSetupPage::TSetupPage(QWidget* parent) : TForm(parent) {
  Ui::SetupEmptyPage().setupUi(this);
  // The page's own form gives it its name.
  setObjectName(QString());
}

void TSetupPage::FormCreate(QObject* /*Sender*/) {
  resize(0, 0);
  SetAlign(alClient);
  SetParent(SetupMainForm->SetupPage);
}

void TSetupPage::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) { CanClose = true; }

void TSetupPage::NotifyChange() {
  // A page outside the frame has nobody to tell; that is no error.
  QWidget* area = parentWidget();
  SendMessage(area ? area->parentWidget() : nullptr, WM_PAGECHANGED, 0, 0);
}
