#include "setup/Program.h"

#include "install/extracting.h"
#include "pages/Destination.h"
#include "pages/SetupType.h"
#include "pages/info.h"
#include "pages/readme.h"
#include "pages/success.h"
#include "platform/vcl/Forms.h"
#include "setup/AssistantMain.h"
#include "setup/SetupPages.h"

void CreateForms() {
  Application->CreateForm(SetupMainForm);
  Application->CreateForm(InfoPage);
  Application->CreateForm(ReadmePage);
  Application->CreateForm(NetSetup);
  Application->CreateForm(DestinationPage);
  Application->CreateForm(ExtractPage);
  Application->CreateForm(SuccessPage);
}

int RunSetup() {
  // Before any form: it reads Setup.inf, or tells the user it is missing and
  // asks the program to end, which it then does without showing the wizard.
  Setup = new TSetup();
  CreateForms();
  Application->Run();
  Application->FreeForms();
  delete Setup;
  Setup = nullptr;
  return 0;
}
