#include "tests/support/SetupMedium.h"

#include "platform/codepage.h"
#include "platform/vcl/Forms.h"

SetupMedium::SetupMedium(const WindowsWorld& world, const std::string& folder, const std::string& program)
    : world_(world), relative_(folder), previousExeName_(Application->ExeName()) {
  world.MakeFolder(folder);
  folder_ = world.Windows(folder) + "\\";
  Application->SetExeName(folder_ + program);
}

SetupMedium::~SetupMedium() { Application->SetExeName(previousExeName_); }

void SetupMedium::Add(const std::string& name, const std::string& bytes) const {
  world_.Write(relative_ + "/" + name, bytes);
}

void SetupMedium::AddFolder(const std::string& name) const { world_.MakeFolder(relative_ + "/" + name); }

std::string SampleSetupInf() {
  return Utf8ToCp1252(
      "[Anwendung]\r\n"
      "AnwName=Orvanta Kassenbuch\r\n"
      "Datei=Kassenb\r\n"
      "Edition=Vereinsausgabe für Kassenwarte\r\n"
      "CopyRight=© 1999 Orvanta Software GmbH, Köln\r\n"
      "GrTitel=Orvanta Kassenbuch\r\n"
      "StdVerz=C:\\Programme\\Kassenbuch\r\n"
      "Speicher=1500000\r\n");
}
