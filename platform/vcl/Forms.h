#pragma once
// Forms over Qt widgets with the behaviour the installer's forms rely on: a
// caption, create/show/hide handlers, a close query asked on every attempt to
// close, a modal display ended by the modal result; and the application object
// that creates the forms, runs the message loop and shows uncaught errors.
#include <QPointer>
#include <cstdint>
#include <QWidget>
#include <exception>
#include <string>
#include <vector>

class QEventLoop;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TAlign { alNone, alClient };

constexpr unsigned WM_USER = 0x0400;

struct TMessage {
  unsigned Msg;
  uintptr_t WParam;
  intptr_t LParam;
  intptr_t Result;
};

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

class TForm : public QWidget {
  Q_OBJECT

 public:
  explicit TForm(QWidget* parent = nullptr);

  std::string Caption() const;
  void SetCaption(const std::string& caption);

  // Runs the create handler; errors in it reach the error box.
  void DoCreate();

  // Visibility as the form's own property; the show and hide handlers run on
  // every change of it.
  void Show() { setVisible(true); }
  void Hide() { setVisible(false); }
  bool Visible() const { return visible_; }
  void setVisible(bool visible) override;

  // Embeds the form in another control; a form that fills it (alClient) follows
  // the parent's size.
  void SetParent(QWidget* parent);
  void SetAlign(TAlign align);

  int ShowModal();
  int ModalResult() const { return modalResult_; }
  // Inside a modal display a result other than mrNone ends it, once the close
  // query allows, after the current event has been handled.
  void SetModalResult(int result);

  // Asks the close query; when it allows, the form closes (a modal one ends with
  // mrCancel, the main form ends the program).
  void Close();

  // The form's own handling of window messages; nothing by default.
  virtual void WndProc(TMessage& message) { message.Result = 0; }

 signals:
  void OnCreate(QObject* Sender);
  void OnShow(QObject* Sender);
  void OnHide(QObject* Sender);
  void OnCloseQuery(QObject* Sender, bool& CanClose);
  void OnClose(QObject* Sender, TCloseAction& Action);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void EndModalWhenAllowed();

 private:
  bool CloseQuery();
  void FillParent();

  bool visible_ = false;
  TAlign align_ = alNone;
  int modalResult_ = mrNone;
  QEventLoop* modalLoop_ = nullptr;
};

class TApplication {
 public:
  TApplication();
  ~TApplication();

  // Creates a form owned by the application; the first becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    T* form = new T();
    reference = form;
    forms_.push_back(form);
    if (!mainForm_) mainForm_ = form;
    form->DoCreate();
  }
  // Frees the forms in reverse order of creation; the next form created becomes
  // the main form.
  void FreeForms();

  TForm* MainForm() const { return mainForm_; }
  // The window that owns message boxes and dialogs: the main form once it shows.
  QWidget* OwnerWindow() const;

  // Shows the main form and dispatches messages until it closes, unless
  // termination was requested before.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  void ProcessMessages();

  // The running program's file as a Windows path; tests may name another.
  std::string ExeName() const { return exeName_; }
  void SetExeName(const std::string& exeName) { exeName_ = exeName; }
  // The program's file name without folder and extension.
  std::string Title() const;

  // The standard error box for an error nothing caught.
  void ShowException(const std::exception& error);

 private:
  std::vector<QPointer<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  std::string exeName_;
};

extern TApplication* Application;

// Delivers a message to a form at once; a window that is no form answers 0.
intptr_t SendMessage(QWidget* window, unsigned msg, uintptr_t wParam, intptr_t lParam);

// Runs a handler; an error it raises ends only that handler and is shown in the
// application's error box.
template <class Handler>
void Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Application->ShowException(error);
  }
}
