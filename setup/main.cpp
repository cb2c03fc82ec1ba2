#include <QApplication>

#include "platform/vcl/Forms.h"
#include "setup/Program.h"

int main(int argc, char* argv[]) {
  QApplication host(argc, argv);
  TApplication application;
  return RunSetup();
}
