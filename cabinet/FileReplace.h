#pragma once
// Whether an incoming file replaces an existing one of the same name: by the
// caller's replace mode, or by asking the user, whose answer may settle the
// mode for the rest of the run.
#include <cstdint>
#include <string>

#include "platform/datetime.h"
#include "platform/vcl/Forms.h"
#include "ui_ReplaceFileDlg.h"

enum TReplaceMode : uint8_t {
  rmOlderOnly = 0,  // replace only files older than the incoming one, unasked
  rmAll = 1,        // replace every file, unasked
  rmAsk = 2,        // ask for each file
};

class TReplaceFileDlg : public TForm, public Ui::ReplaceFileDlg {
  Q_OBJECT

 public:
  explicit TReplaceFileDlg(QWidget* parent = nullptr);

  std::string FileName;  // the existing file, with its folder
  int32_t NewSize = 0;
  TDateTime NewDate = 0;
  int32_t Answer = 0;  // the Tag of the button that closed the dialog; 0 for the close box

  // Shows the existing file (its name, icon, size and date) beside NewSize and NewDate.
  void SetFileInfo(const std::string& FileName);

 public slots:
  void BtnClick(QObject* Sender);
};

// True to write the incoming file: no file is at the path, or the mode or the
// user's answer lets it replace the one there.
bool ConfirmReplace(const std::string& FileName, int32_t NewSize, TReplaceMode& Mode, TDateTime NewDate);

// The existing file was last written before NewDate, both on this computer's
// clock; a file that is gone counts as older, since nothing of it is kept.
bool IsFileOlder(const std::string& FileName, TDateTime NewDate);
