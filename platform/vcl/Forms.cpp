#include "platform/vcl/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QScreen>

#include "platform/sysutils.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Prompts.h"
#include "platform/winpath.h"

TApplication* Application = nullptr;

namespace {

TButton* ButtonWith(QWidget* form, bool (TButton::*flag)() const) {
  for (TButton* button : form->findChildren<TButton*>())
    if ((button->*flag)() && button->isVisible() && button->isEnabled()) return button;
  return nullptr;
}

}  // namespace

TForm::TForm(QWidget* parent) : QWidget(parent) {
  // Every window of the program has a fixed dialog frame with a close box.
  if (!parent) setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFont(DefaultFormFont());
  setAutoFillBackground(true);
}

std::string TForm::Caption() const { return windowTitle().toStdString(); }

void TForm::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void TForm::DoCreate() {
  Guarded([&] { emit OnCreate(this); });
}

void TForm::setVisible(bool visible) {
  const bool changed = visible != visible_;
  visible_ = visible;
  if (visible && isWindow()) {
    // A dialog frame keeps the size of its layout and opens in the middle of the screen.
    setFixedSize(size());
    if (QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());
  }
  QWidget::setVisible(visible);
  if (changed) Guarded([&] { visible ? emit OnShow(this) : emit OnHide(this); });
}

void TForm::SetParent(QWidget* parent) {
  if (parent == parentWidget()) return;
  if (parentWidget()) parentWidget()->removeEventFilter(this);
  QWidget::setParent(parent);
  if (parent) parent->installEventFilter(this);
  FillParent();
  QWidget::setVisible(visible_);
}

void TForm::SetAlign(TAlign align) {
  align_ = align;
  FillParent();
}

void TForm::FillParent() {
  if (align_ == alClient && parentWidget()) setGeometry(parentWidget()->rect());
}

bool TForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) FillParent();
  return QWidget::eventFilter(watched, event);
}

int TForm::ShowModal() {
  modalResult_ = mrNone;
  setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  modalLoop_ = &loop;
  Show();
  activateWindow();
  NotifyPromptShown({TPromptKind::Form, Caption(), "", this});
  loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
  Hide();
  return modalResult_;
}

void TForm::SetModalResult(int result) {
  modalResult_ = result;
  if (modalLoop_ && result != mrNone) QMetaObject::invokeMethod(this, "EndModalWhenAllowed", Qt::QueuedConnection);
}

void TForm::EndModalWhenAllowed() {
  if (!modalLoop_ || modalResult_ == mrNone) return;
  bool allowed = false;
  Guarded([&] { allowed = CloseQuery(); });
  if (allowed) {
    modalLoop_->quit();
  } else {
    modalResult_ = mrNone;
  }
}

bool TForm::CloseQuery() {
  bool canClose = true;
  emit OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (modalLoop_) {
    SetModalResult(mrCancel);
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  emit OnClose(this, action);
  if (action == caNone) return;
  Hide();
  if (Application && Application->MainForm() == this) Application->Terminate();
}

void TForm::closeEvent(QCloseEvent* event) {
  // Whether the form closes is the close query's decision, taken in Close.
  event->ignore();
  Guarded([&] { Close(); });
}

void TForm::keyPressEvent(QKeyEvent* event) {
  TButton* target = nullptr;
  if (event->key() == Qt::Key_Escape) {
    target = ButtonWith(this, &TButton::Cancel);
  } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    target = qobject_cast<TButton*>(focusWidget());
    if (!target) target = ButtonWith(this, &TButton::Default);
  }
  if (target && target->window() == this) {
    target->click();
  } else {
    QWidget::keyPressEvent(event);
  }
}

TApplication::TApplication() : exeName_(WindowsPath(QCoreApplication::applicationFilePath().toStdString())) {
  Application = this;
  ApplyClassicLook();
}

TApplication::~TApplication() {
  FreeForms();
  Application = nullptr;
}

void TApplication::FreeForms() {
  for (auto form = forms_.rbegin(); form != forms_.rend(); ++form) delete form->data();
  forms_.clear();
  mainForm_ = nullptr;
  terminated_ = false;
}

QWidget* TApplication::OwnerWindow() const {
  return mainForm_ && mainForm_->isVisible() ? mainForm_ : nullptr;
}

void TApplication::Run() {
  if (terminated_ || !mainForm_) return;
  mainForm_->Show();
  if (!terminated_) QApplication::exec();
}

void TApplication::Terminate() {
  terminated_ = true;
  QCoreApplication::quit();
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(); }

std::string TApplication::Title() const {
  const std::string name = ExtractFileName(exeName_);
  return name.substr(0, name.rfind('.'));
}

void TApplication::ShowException(const std::exception& error) {
  std::string message = error.what();
  // The error box ends a sentence with a full stop, as the platform's does.
  if (!message.empty() && message.back() > '.') message += '.';
  MessageBox(message, Title(), MB_OK | MB_ICONERROR);
}

intptr_t SendMessage(QWidget* window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  auto* form = qobject_cast<TForm*>(window);
  if (!form) return 0;
  TMessage message{msg, wParam, lParam, 0};
  form->WndProc(message);
  return message.Result;
}
