#include "tests/support/WizardRun.h"

#include "platform/vcl/Forms.h"
#include "setup/AssistantMain.h"
#include "setup/Program.h"
#include "setup/SetupPages.h"

WizardRun::WizardRun(const std::string& program) : medium(world, "medium", program) {}

WizardRun::~WizardRun() {
  Application->FreeForms();
  delete Setup;
  Setup = nullptr;
}

void WizardRun::Start() {
  Setup = new TSetup();
  CreateForms();
  SetupMainForm->Show();
}

void WizardRun::Next() { SetupMainForm->NextBtn->click(); }

void WizardRun::Back() { SetupMainForm->PrevBtn->click(); }

std::string WizardRun::Caption() const { return SetupMainForm->Caption(); }

std::vector<std::string> WizardRun::PageCaptions() const {
  std::vector<std::string> captions;
  for (TSetupPage* page : Setup->SetupPageList) captions.push_back(page->Caption());
  return captions;
}
