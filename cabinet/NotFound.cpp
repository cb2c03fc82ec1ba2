#include "cabinet/NotFound.h"

#include "platform/files.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/FolderBrowser.h"
#include "setup/SetupPages.h"

namespace {

// Every occurrence, in one pass from the left.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  std::string result;
  std::size_t start = 0;
  for (std::size_t found; (found = text.find(from, start)) != std::string::npos; start = found + from.size())
    result.append(text, start, found - start).append(to);
  return result.append(text, start);
}

}  // namespace

TGetCabFrm::TGetCabFrm(QWidget* parent) : TForm(parent) { setupUi(this); }

void TGetCabFrm::BrowseBtnClick(QObject* /*Sender*/) {
  std::string folder;
  if (!SelectDirectory("Wählen Sie bitte das Quellverzeichnis der Installation an", "desktop", folder)) return;
  // A drive root comes with its backslash already; the field gets exactly one.
  Edit1->SetText(ReplaceAll(folder + "\\", "\\\\", "\\"));
}

void TGetCabFrm::CancelBtnClick(QObject* /*Sender*/) {
  GaveUp = MessageBox(Setup->CancelPrompt, "Setup Abbrechen", MB_YESNO) == IDYES;
  // Declining to give up keeps the prompt, even when the file has come meanwhile:
  // closing it now would count the file as not found.
  if (GaveUp) SetModalResult(mrCancel);
}

void TGetCabFrm::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) {
  CanClose = FileExists(Edit1->Text() + SourceFile) || GaveUp;
  if (GaveUp) Setup->Proceed = false;
}

bool LocateSourceFile(const std::string& Caption, std::string& Folder, const std::string& FileName) {
  if (FileExists(Folder + FileName)) return true;
  TGetCabFrm dialog;
  dialog.InfoLabel1->SetCaption("Legen Sie bitte den nächsten Datenträger ein");
  dialog.GaveUp = false;
  dialog.Edit1->SetText(Folder);
  dialog.SourceFile = FileName;
  dialog.SetCaption(Caption);
  if (dialog.ShowModal() != mrOk) return false;
  Folder = dialog.Edit1->Text();
  return true;
}
