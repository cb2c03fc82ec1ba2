#pragma once
// Asking for a file the installation needs that is not where it was expected:
// the next disk, or the folder that holds it; or giving up.
#include <string>

#include "platform/vcl/Forms.h"
#include "ui_GetCabFrm.h"

class TGetCabFrm : public TForm, public Ui::GetCabFrm {
  Q_OBJECT

 public:
  explicit TGetCabFrm(QWidget* parent = nullptr);

  std::string SourceFile;  // the name looked for, without a folder; Edit1 holds the folder
  bool GaveUp = false;     // the user confirmed giving up

 public slots:
  void BrowseBtnClick(QObject* Sender);
  void CancelBtnClick(QObject* Sender);
  void FormCloseQuery(QObject* Sender, bool& CanClose);
};

// True when FileName is in Folder (a folder ending with "\"), or in the folder
// the user then shows, which Folder becomes; false when the user gives up or
// closes the prompt.
bool LocateSourceFile(const std::string& Caption, std::string& Folder, const std::string& FileName);
