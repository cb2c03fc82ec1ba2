#pragma once
// The whole wizard on a setup folder of a test's own, as the program starts it,
// with the frame shown and a hand on its buttons.
#include <string>
#include <vector>

#include "tests/support/SetupMedium.h"
#include "tests/support/WindowsWorld.h"

class WizardRun {
 public:
  explicit WizardRun(const std::string& program = "Setup.exe");
  ~WizardRun();
  WizardRun(const WizardRun&) = delete;
  WizardRun& operator=(const WizardRun&) = delete;

  // Creates the setup state and every form, then shows the frame.
  void Start();
  void Next();
  void Back();
  std::string Caption() const;
  std::vector<std::string> PageCaptions() const;

  WindowsWorld world;
  SetupMedium medium;
};
