#include "cabinet/FileReplace.h"

#include <optional>

#include "platform/files.h"
#include "platform/sysutils.h"
#include "platform/vcl/Icons.h"

namespace {

const char* const kChangedPattern = "\"geändert am\" dddd, d mmmm yyyy, hh:mm";

// The directory search for the file, any attribute admitted; nothing once it is gone.
std::optional<TSearchRec> FindEntry(const std::string& fileName) {
  const std::vector<TSearchRec> found = FindFiles(fileName);
  if (found.empty()) return std::nullopt;
  return found.front();
}

// The file system keeps the moment in UTC; incoming dates (a cabinet's stored
// time, a folder entry's) are clock times of this computer, and so is what
// the user reads beside them.
TDateTime LastWriteTime(const TSearchRec& entry) { return LocalDateTime(entry.LastWriteTime); }

std::string SizeAndDate(int32_t size, TDateTime date) {
  return IntToStr(size) + " Bytes\r" + FormatDateTime(kChangedPattern, date);
}

int32_t AskUser(const std::string& fileName, int32_t newSize, TDateTime newDate) {
  TReplaceFileDlg dialog;
  dialog.NewSize = newSize;
  dialog.NewDate = newDate;
  dialog.SetFileInfo(fileName);
  dialog.ShowModal();
  return dialog.Answer;
}

}  // namespace

TReplaceFileDlg::TReplaceFileDlg(QWidget* parent) : TForm(parent) { setupUi(this); }

void TReplaceFileDlg::SetFileInfo(const std::string& FileName) {
  this->FileName = FileName;
  const QIcon icon = ExtractAssociatedIcon(FileName);
  DrawIcon(*FileIcon1, 0, 0, icon);
  DrawIcon(*FileIcon2, 0, 0, icon);
  InfoLabel1->SetCaption("Der Ordner enthält bereits eine Datei namens \"" + ExtractFileName(FileName) + "\"");
  // A file gone since it was found has neither size nor date to show.
  const std::optional<TSearchRec> existing = FindEntry(FileName);
  FileInfo1->SetCaption(existing ? SizeAndDate(existing->Size, LastWriteTime(*existing)) : "");
  FileInfo2->SetCaption(SizeAndDate(NewSize, NewDate));
}

void TReplaceFileDlg::BtnClick(QObject* Sender) {
  auto* button = qobject_cast<TButton*>(Sender);
  if (!button) throw Exception("Invalid class typecast");
  Answer = button->Tag();
  Close();
}

bool ConfirmReplace(const std::string& FileName, int32_t NewSize, TReplaceMode& Mode, TDateTime NewDate) {
  if (!FileExists(FileName)) return true;
  bool result = false;
  if (Mode == rmAsk) {
    const int32_t answer = AskUser(FileName, NewSize, NewDate);
    if (answer == 2) Mode = rmOlderOnly;
    if (answer == 3) Mode = rmAll;
    result = answer < 4;
  }
  if (Mode == rmOlderOnly) result = IsFileOlder(FileName, NewDate);
  if (Mode == rmAll) result = true;
  return result;
}

bool IsFileOlder(const std::string& FileName, TDateTime NewDate) {
  const std::optional<TSearchRec> existing = FindEntry(FileName);
  return !existing || LastWriteTime(*existing) < NewDate;
}
