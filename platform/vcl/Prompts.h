#pragma once
// The one seam through which every question reaches a person: the modal display
// of a form, the message box and the folder browser report each window they
// show here. Tests install an observer that answers as a person would.
#include <string>

class QWidget;

enum class TPromptKind { MessageBox, Form, FolderBrowser };

struct TPrompt {
  TPromptKind Kind;
  std::string Caption;
  std::string Text;  // the message of a box; empty for forms and the browser
  QWidget* Window;   // the live window, shown and about to take input
};

class TPromptObserver {
 public:
  virtual ~TPromptObserver() = default;
  virtual void PromptShown(const TPrompt& prompt) = 0;
};

// Without an observer the windows simply wait for a person.
void SetPromptObserver(TPromptObserver* observer);
void NotifyPromptShown(const TPrompt& prompt);
