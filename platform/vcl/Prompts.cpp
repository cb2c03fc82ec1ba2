#include "platform/vcl/Prompts.h"

namespace {
TPromptObserver* currentObserver = nullptr;
}

void SetPromptObserver(TPromptObserver* observer) { currentObserver = observer; }

void NotifyPromptShown(const TPrompt& prompt) {
  if (currentObserver) currentObserver->PromptShown(prompt);
}
