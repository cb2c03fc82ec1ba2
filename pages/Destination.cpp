#include "pages/Destination.h"

#include "platform/files.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/FolderBrowser.h"
#include "setup/SetupPages.h"

TDestinationPage* DestinationPage = nullptr;

TDestinationPage::TDestinationPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TDestinationPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  DestinationDir->SetText(Setup->DefaultDir);
  ProgramGroupName->SetText(Setup->GroupTitle);
  Setup->SetupPageList.push_back(this);
}

// A network base install makes no start-menu entries, so it is not asked for a group.
void TDestinationPage::FormShow(QObject* /*Sender*/) {
  const bool asksForGroup = Setup->InstallType != itNetMaster;
  ProgramGroupLabel1->setVisible(asksForGroup);
  ApplicationGroup->setVisible(asksForGroup);
}

// Also when going back: the folder is tested only when the user goes forward.
void TDestinationPage::FormHide(QObject* /*Sender*/) { Setup->InstallDir = DestinationDir->Text(); }

// The folder comes back exactly as the browser gives it: a drive root with its
// backslash, any other folder without one.
void TDestinationPage::BrowseBtnClick(QObject* /*Sender*/) {
  std::string folder;
  if (SelectDirectory("Wählen Sie bitte das Zielverzeichnis der Installation aus", "desktop", folder))
    DestinationDir->SetText(folder);
  NotifyChange();
}

void TDestinationPage::DestinationDirExit(QObject* /*Sender*/) {
  if (parentWidget()) NotifyChange();
}

void TDestinationPage::DestinationDirKeyPress(QObject* /*Sender*/, char& Key) {
  if (Key == '\r' && !ApplicationGroup->isHidden()) ProgramGroupName->setFocus();
  NotifyChange();
}

void TDestinationPage::ProgramGroupNameChange(QObject* /*Sender*/) {
  Setup->GroupTitle = ProgramGroupName->Text();
  NotifyChange();
}

// The page is left only towards a folder that exists, made here if the user wants.
void TDestinationPage::FormCloseQuery(QObject* /*Sender*/, bool& CanClose) {
  if (!DirectoryExists(DestinationDir->Text()) &&
      MessageBox("Das angegebene Verzeichnis existiert nicht.\rSoll es angelegt werden?", "Verzeichnis Anlegen",
                 MB_YESNO) == IDYES) {
    ForceDirectories(DestinationDir->Text());
    if (!DirectoryExists(DestinationDir->Text()))
      MessageBox("Das angegebene Verzeichnis konnte nicht angelegt werden.", "Verzeichnis Anlegen", MB_OK);
  }
  CanClose = DirectoryExists(DestinationDir->Text());
}
