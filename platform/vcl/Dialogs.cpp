#include "platform/vcl/Dialogs.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "platform/sysutils.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Prompts.h"

namespace {

// A box whose only answers are its buttons, unless one of them is the way out.
class TMessageBoxWindow : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;
  QAbstractButton* wayOut = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      if (wayOut) wayOut->click();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (wayOut) wayOut->click();
  }
};

}  // namespace

int MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  TMessageBoxWindow box(Application ? Application->OwnerWindow() : nullptr);
  box.setWindowTitle(QString::fromStdString(caption));
  box.setTextFormat(Qt::PlainText);
  box.setText(QString::fromStdString(CrToLineFeed(text)));
  if ((style & 0xF0) == MB_ICONERROR) box.setIcon(QMessageBox::Critical);
  QPushButton* first = nullptr;
  QPushButton* no = nullptr;
  if ((style & 0x0F) == MB_YESNO) {
    first = box.addButton("&Ja", QMessageBox::YesRole);
    no = box.addButton("&Nein", QMessageBox::NoRole);
  } else {
    first = box.addButton("OK", QMessageBox::AcceptRole);
    box.wayOut = first;
  }
  box.setDefaultButton(first);
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  NotifyPromptShown({TPromptKind::MessageBox, caption, text, &box});
  box.exec();
  if (!no) return IDOK;
  return box.clickedButton() == first ? IDYES : IDNO;
}
