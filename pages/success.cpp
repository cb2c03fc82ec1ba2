#include "pages/success.h"

#include "setup/SetupPages.h"

TSuccessPage* SuccessPage = nullptr;

namespace {

std::string Outcome() {
  if (!Setup->Proceed)
    return "Es konnten nicht alle notwendigen Dateien installiert werden. Wiederholen Sie die Installation zu "
           "einem späteren Zeitpunkt.";
  switch (Setup->InstallType) {
    case itNetMaster:
      return "Die Netzinstallation ist abgeschlossen. Starten Sie nun an den jeweiligen Arbeitsstationen "
             "folgende Programme aus dem Netzverzeichnis:\r\r1. Setup.exe\rDieses Programm kopiert lokal "
             "benötigte Dateien und richtet die Programmgruppe ein.\r\r2. Statkenn.exe\rDamit wird die "
             "Netzidentifikation des Benutzers festgelegt.";
    case itNetUser:
      return "Die Installation für Netzbenutzer ist abgeschlossen. Sie können das Programm direkt aus dem "
             "Windows-Startmenü aufrufen.\r\rDie individuelle Netzeinrichtung des Arbeitsplatzes erfolgt mit dem "
             "Programm [Statkenn.exe]";
    default:
      return "Die Installation ist abgeschlossen. Sie können das Programm direkt aus dem Windows-Startmenü "
             "aufrufen.";
  }
}

}  // namespace

TSuccessPage::TSuccessPage(QWidget* parent) : TSetupPage(parent) { setupUi(this); }

void TSuccessPage::FormCreate(QObject* Sender) {
  TSetupPage::FormCreate(Sender);
  Setup->SetupPageList.push_back(this);
}

// Chosen on every show, so that going back and forth shows the outcome as it stands.
void TSuccessPage::FormShow(QObject* /*Sender*/) { InfoLabel2->SetCaption(Outcome()); }
