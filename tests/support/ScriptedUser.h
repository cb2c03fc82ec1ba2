#pragma once
// A person at the keyboard, as a test scripts them: each prompt the program
// shows is expected in turn by kind, caption and (for message boxes) text, and
// answered through the live window, so that the window's own handlers run.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/vcl/Prompts.h"

class QWidget;

class ScriptedUser : public TPromptObserver {
 public:
  using Action = std::function<void(QWidget* window)>;

  class Step {
   public:
    // Clicks the button of that object name or, failing that, of that caption.
    Step& Click(const std::string& button);
    // Replaces the text of the edit field of that object name, as typed.
    Step& Type(const std::string& edit, const std::string& text);
    Step& PressKey(int key);
    // The window's close box.
    Step& CloseWindow();
    // In the folder browser: opens the tree's items named by the path's
    // components from the top ("C:\Programme\Kasse": the drive, then each
    // folder) as a person does, selects the last one and presses OK.
    Step& ChooseFolder(const std::string& path);
    Step& Do(Action action);

   private:
    friend class ScriptedUser;
    TPromptKind kind_{};
    std::string caption_;
    std::optional<std::string> text_;
    std::vector<Action> actions_;
  };

  ScriptedUser();
  ~ScriptedUser() override;
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  Step& ExpectMessageBox(const std::string& caption, const std::string& text);
  Step& ExpectForm(const std::string& caption);
  Step& ExpectFolderBrowser(const std::string& caption);

  // Prompts seen so far, as "caption|text".
  const std::vector<std::string>& Seen() const { return seen_; }
  bool Done() const { return steps_.empty(); }

  void PromptShown(const TPrompt& prompt) override;

 private:
  Step& Expect(TPromptKind kind, const std::string& caption, std::optional<std::string> text);
  void RunActions(QWidget* window, std::vector<Action> actions, std::size_t next);

  std::deque<Step> steps_;
  std::vector<std::string> seen_;
};
