#pragma once
// The destination page: the folder to install into, offered for creation when
// it is missing, and the program group of the start menu.
#include "setup/SetupEmptyPage.h"
#include "ui_DestinationPage.h"

class TDestinationPage : public TSetupPage, public Ui::DestinationPage {
  Q_OBJECT

 public:
  explicit TDestinationPage(QWidget* parent = nullptr);

 public slots:
  void FormCreate(QObject* Sender) override;
  void FormCloseQuery(QObject* Sender, bool& CanClose) override;
  void FormShow(QObject* Sender);
  void FormHide(QObject* Sender);
  void BrowseBtnClick(QObject* Sender);
  void DestinationDirExit(QObject* Sender);
  void DestinationDirKeyPress(QObject* Sender, char& Key);
  void ProgramGroupNameChange(QObject* Sender);
};

extern TDestinationPage* DestinationPage;
