// The folder browser: the namespace it offers, the paths it gives, and every
// way of leaving it without a choice.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "platform/vcl/FolderBrowser.h"
#include "tests/support/ScriptedUser.h"
#include "tests/support/WindowsWorld.h"

namespace fs = std::filesystem;

namespace {

const std::string kTitle = "Wählen Sie bitte das Zielverzeichnis der Installation aus";

QStringList ItemTexts(QTreeWidget* tree, QTreeWidgetItem* parent) {
  QStringList texts;
  const int count = parent ? parent->childCount() : tree->topLevelItemCount();
  for (int i = 0; i < count; ++i) texts << (parent ? parent->child(i) : tree->topLevelItem(i))->text(0);
  return texts;
}

QAbstractButton* OkButton(QWidget* window) {
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
    if (button->text() == "OK") return button;
  return nullptr;
}

}  // namespace

class FolderBrowser : public ::testing::Test {
 protected:
  FolderBrowser() {
    world.MakeFolder("root/drive_c/Programme/Kasse");
    world.MakeFolder("root/drive_c/.versteckt");
    world.MakeFolder("root/drive_c/Stern*Name");
    world.Write("root/drive_c/autoexec.bat", "rem\r\n");
    world.MakeFolder("cd/Daten");
    world.MakeFolder("ablage");
    world.MakeFolder("root/dosdevices");
    fs::create_directory_symlink(world.Host("cd"), world.Root() / "dosdevices" / "d:");
  }
  WindowsWorld world;
};

TEST_F(FolderBrowser, GivesTheChosenFolderAsAWindowsPath) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:", "C:\\"},
      {"C:\\Programme\\Kasse", "C:\\Programme\\Kasse"},
      {"D:\\Daten", "D:\\Daten"},
      {world.Windows("ablage"), world.Windows("ablage")},
  };
  for (const auto& [path, expected] : cases) {
    ScriptedUser user;
    user.ExpectFolderBrowser(kTitle)
        .Do([](QWidget* window) {
          QTreeWidget* tree = window->findChild<QTreeWidget*>();
          EXPECT_EQ(ItemTexts(tree, nullptr), QStringList({"C:", "D:", "Z:"}));
          EXPECT_TRUE(tree->selectedItems().empty()) << "the browser starts at no folder";
        })
        .ChooseFolder(path);
    std::string folder = "vorher";
    EXPECT_TRUE(SelectDirectory(kTitle, "desktop", folder)) << path;
    EXPECT_EQ(folder, expected);
  }
}

TEST_F(FolderBrowser, OffersOnlyFoldersAWindowsPathCanName) {
  ScriptedUser user;
  user.ExpectFolderBrowser(kTitle)
      .Do([](QWidget* window) {
        QTreeWidget* tree = window->findChild<QTreeWidget*>();
        tree->expandItem(tree->topLevelItem(0));
        EXPECT_EQ(ItemTexts(tree, tree->topLevelItem(0)), QStringList({"Programme", "users", "windows"}));
      })
      .Click("Abbrechen");
  std::string folder;
  EXPECT_FALSE(SelectDirectory(kTitle, "desktop", folder));
}

TEST_F(FolderBrowser, LeavingWithoutAChoiceKeepsTheFolder) {
  const std::function<void(ScriptedUser::Step&)> ways[] = {
      [](ScriptedUser::Step& step) { step.Click("Abbrechen"); },
      [](ScriptedUser::Step& step) { step.PressKey(Qt::Key_Escape); },
      [](ScriptedUser::Step& step) { step.CloseWindow(); },
  };
  for (const auto& leave : ways) {
    ScriptedUser user;
    ScriptedUser::Step& step = user.ExpectFolderBrowser(kTitle).Do([](QWidget* window) {
      // With nothing chosen, OK and Enter do nothing.
      EXPECT_FALSE(OkButton(window)->isEnabled());
      QTest::keyClick(window->findChild<QTreeWidget*>(), Qt::Key_Return);
      EXPECT_TRUE(window->isVisible());
    });
    leave(step);
    std::string folder = "C:\\vorher";
    EXPECT_FALSE(SelectDirectory(kTitle, "desktop", folder));
    EXPECT_EQ(folder, "C:\\vorher");
  }
}

TEST_F(FolderBrowser, AFolderNamedAsRootIsTheTopOfTheTree) {
  ScriptedUser user;
  user.ExpectFolderBrowser(kTitle)
      .Do([](QWidget* window) {
        EXPECT_EQ(ItemTexts(window->findChild<QTreeWidget*>(), nullptr), QStringList({"programme"}));
      })
      .ChooseFolder("Programme\\Kasse");
  std::string folder;
  EXPECT_TRUE(SelectDirectory(kTitle, "c:\\programme\\", folder));
  EXPECT_EQ(folder, "c:\\programme\\Kasse");
}
