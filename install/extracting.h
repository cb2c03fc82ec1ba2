#pragma once
// The copy page, which runs the installation, and the start-menu entries and
// records that end it.
#include <string>

#include "setup/SetupEmptyPage.h"
#include "ui_ExtractPage.h"

class TExtractPage : public TSetupPage, public Ui::ExtractPage {
  Q_OBJECT

 public:
  explicit TExtractPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
  void FormCloseQuery(QObject* Sender, bool& CanClose) override;
};

extern TExtractPage* ExtractPage;

// The program group in the current user's start menu with the shortcuts to the
// main program, its help file and, when there is one, its readme file; then the
// records of the installation (WriteInstallRecords). True when the group and
// every shortcut tried were made. Makes nothing, not even the records, when the
// setup state names no group; makes no group and no shortcut when the start
// menu's folder cannot be determined.
bool CreateStartMenuEntries();

// The file-system path of a special shell folder (a CSIDL value) with a
// trailing "\"; path stays as it was when the shell cannot give it.
void GetSpecialFolderPath(int folderId, std::string& path);

// One folder, whose parent must exist; true when it was made or already existed.
bool CreateFolder(const std::string& path);

// A shortcut to target saved as linkFile; true when its file was written.
bool CreateShellLink(const std::string& target, const std::string& linkFile, const std::string& description);

// Where the installed application's private files lie: the registry value
// "PrivateDir" and the application's .ini file in its folder, with the
// workstation's provisional network identity. A refused write ends the
// writing there and is not reported.
void WriteInstallRecords();
