#pragma once
// The base of every wizard page: embedded borderless in the frame's page area,
// asked by the frame before it is left forward, and able to have the frame
// refresh its buttons.
#include "platform/vcl/Forms.h"

// Sent by a page to the frame after a change made on it.
constexpr unsigned WM_PAGECHANGED = WM_USER + 400;

class TSetupPage : public TForm {
  Q_OBJECT

 public:
  explicit TSetupPage(QWidget* parent = nullptr);

  void NotifyChange();

 public slots:
  // Bound by the page base's form, so each page's own override is the handler.
  virtual void FormCreate(QObject* Sender);
  virtual void FormCloseQuery(QObject* Sender, bool& CanClose);
};
