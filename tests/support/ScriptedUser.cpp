#include "tests/support/ScriptedUser.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace {

// A prompt still open this long after its last scripted action waits for an
// answer the script does not give; the test cannot go on.
constexpr int kPatienceMs = 10000;

QAbstractButton* FindButton(QWidget* window, const std::string& name) {
  const QString wanted = QString::fromStdString(name);
  if (auto* byName = window->findChild<QAbstractButton*>(wanted)) return byName;
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (button->text() == wanted) return button;
  return nullptr;
}

void WatchForHang(QWidget* window, const std::string& caption) {
  QPointer<QWidget> watched(window);
  QTimer::singleShot(kPatienceMs, [watched, caption] {
    if (watched && watched->isVisible()) {
      std::fprintf(stderr, "prompt \"%s\" is still open after its script ended\n", caption.c_str());
      std::abort();
    }
  });
}

QTreeWidgetItem* ItemNamed(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& name) {
  const int count = parent ? parent->childCount() : tree->topLevelItemCount();
  for (int i = 0; i < count; ++i) {
    QTreeWidgetItem* item = parent ? parent->child(i) : tree->topLevelItem(i);
    if (item->text(0).compare(name, Qt::CaseInsensitive) == 0) return item;
  }
  return nullptr;
}

void ClickItem(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->scrollToItem(item);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

// Clicks its way down the tree, opening each item with the right arrow key;
// false when an item on the way is not offered.
bool SelectInTree(QTreeWidget* tree, const std::string& path) {
  QTreeWidgetItem* item = nullptr;
  for (const QString& name : QString::fromStdString(path).split(u'\\', Qt::SkipEmptyParts)) {
    if (item) QTest::keyClick(tree, Qt::Key_Right);
    item = ItemNamed(tree, item, name);
    if (!item) {
      ADD_FAILURE() << "the folder browser offers no " << name.toStdString() << " on the way to " << path;
      return false;
    }
    ClickItem(tree, item);
  }
  EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{item}) << path;
  return item != nullptr;
}

const char* KindName(TPromptKind kind) {
  switch (kind) {
    case TPromptKind::MessageBox: return "message box";
    case TPromptKind::Form: return "form";
    case TPromptKind::FolderBrowser: return "folder browser";
  }
  return "prompt";
}

}  // namespace

ScriptedUser::Step& ScriptedUser::Step::Click(const std::string& button) {
  return Do([button](QWidget* window) {
    QAbstractButton* target = FindButton(window, button);
    ASSERT_NE(target, nullptr) << "no button " << button;
    target->click();
  });
}

ScriptedUser::Step& ScriptedUser::Step::Type(const std::string& edit, const std::string& text) {
  return Do([edit, text](QWidget* window) {
    auto* field = window->findChild<QLineEdit*>(QString::fromStdString(edit));
    ASSERT_NE(field, nullptr) << "no edit field " << edit;
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, QString::fromStdString(text));
  });
}

ScriptedUser::Step& ScriptedUser::Step::PressKey(int key) {
  return Do([key](QWidget* window) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, static_cast<Qt::Key>(key));
  });
}

ScriptedUser::Step& ScriptedUser::Step::CloseWindow() {
  return Do([](QWidget* window) { window->close(); });
}

ScriptedUser::Step& ScriptedUser::Step::ChooseFolder(const std::string& path) {
  return Do([path](QWidget* window) {
    auto* tree = window->findChild<QTreeWidget*>();
    ASSERT_NE(tree, nullptr) << "no folder tree";
    // A folder that is not there leaves the browser as a person would: cancelled.
    if (!SelectInTree(tree, path)) {
      window->close();
      return;
    }
    QAbstractButton* ok = FindButton(window, "OK");
    ASSERT_NE(ok, nullptr) << "no OK button";
    ok->click();
  });
}

ScriptedUser::Step& ScriptedUser::Step::Do(Action action) {
  actions_.push_back(std::move(action));
  return *this;
}

ScriptedUser::ScriptedUser() { SetPromptObserver(this); }

ScriptedUser::~ScriptedUser() {
  SetPromptObserver(nullptr);
  for (const Step& step : steps_)
    ADD_FAILURE() << "expected " << KindName(step.kind_) << " \"" << step.caption_ << "\" never came";
}

ScriptedUser::Step& ScriptedUser::Expect(TPromptKind kind, const std::string& caption,
                                         std::optional<std::string> text) {
  Step& step = steps_.emplace_back();
  step.kind_ = kind;
  step.caption_ = caption;
  step.text_ = std::move(text);
  return step;
}

ScriptedUser::Step& ScriptedUser::ExpectMessageBox(const std::string& caption, const std::string& text) {
  return Expect(TPromptKind::MessageBox, caption, text);
}

ScriptedUser::Step& ScriptedUser::ExpectForm(const std::string& caption) {
  return Expect(TPromptKind::Form, caption, std::nullopt);
}

ScriptedUser::Step& ScriptedUser::ExpectFolderBrowser(const std::string& caption) {
  return Expect(TPromptKind::FolderBrowser, caption, std::nullopt);
}

void ScriptedUser::PromptShown(const TPrompt& prompt) {
  seen_.push_back(prompt.Caption + "|" + prompt.Text);
  if (steps_.empty()) {
    ADD_FAILURE() << "unexpected " << KindName(prompt.Kind) << " \"" << prompt.Caption << "\": " << prompt.Text;
    // Leave it the way a person in a hurry would: the last button, or the close box.
    QList<QAbstractButton*> buttons = prompt.Window->findChildren<QAbstractButton*>();
    RunActions(prompt.Window,
               {[buttons](QWidget* window) { buttons.empty() ? (void)window->close() : buttons.back()->click(); }}, 0);
    return;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  EXPECT_EQ(KindName(prompt.Kind), std::string(KindName(step.kind_)));
  EXPECT_EQ(prompt.Caption, step.caption_);
  if (step.text_) {
    EXPECT_EQ(prompt.Text, *step.text_) << "in \"" << prompt.Caption << "\"";
  }
  RunActions(prompt.Window, std::move(step.actions_), 0);
}

// One action per turn of the window's message loop, each after the previous one
// has returned (a click may open another prompt and return only once it closed).
void ScriptedUser::RunActions(QWidget* window, std::vector<Action> actions, std::size_t next) {
  QPointer<QWidget> target(window);
  if (next == actions.size()) {
    WatchForHang(window, target ? target->windowTitle().toStdString() : std::string());
    return;
  }
  QTimer::singleShot(0, window, [this, target, actions = std::move(actions), next]() mutable {
    if (!target) return;
    actions[next](target);
    RunActions(target, std::move(actions), next + 1);
  });
}
