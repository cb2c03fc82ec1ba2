#include "platform/vcl/FolderBrowser.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/files.h"
#include "platform/sysutils.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Prompts.h"
#include "platform/winpath.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPathRole = Qt::UserRole;

bool IsDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

bool HasDrive(const std::string& path) {
  const char letter = static_cast<char>(path.empty() ? 0 : path[0] | 0x20);
  return path.size() >= 2 && path[1] == ':' && letter >= 'a' && letter <= 'z';
}

// The shell hides hidden folders, and a name that a Windows path cannot hold
// would name another folder, or none, once joined into one.
bool Offered(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  return std::none_of(name.begin(), name.end(), [](char c) {
    return static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr;
  });
}

std::string ChildPath(const std::string& folder, const std::string& name) {
  return (folder.back() == '\\' ? folder : folder + "\\") + name;
}

bool NameLess(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
}

// Folders that cannot be read, or vanish while they are listed, show no children.
std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(HostPath(folder), fs::directory_options::skip_permission_denied, error);
       it != fs::directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    const std::string name = it->path().filename().string();
    if (Offered(name) && it->is_directory(ignored)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NameLess);
  return names;
}

std::vector<std::string> Drives() {
  std::vector<std::string> drives;
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    if (const std::string root{letter, ':', '\\'}; DirectoryExists(root)) drives.push_back(root);
  return drives;
}

// The folder without trailing separators, a drive root with its one "\".
std::string FolderPath(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  if (path.size() == 2) path += '\\';
  return path;
}

class TFolderBrowser : public QDialog {
 public:
  TFolderBrowser(QWidget* owner, const std::string& title, const std::string& root);
  // The folder of the selected item; OK can only be pressed when there is one.
  std::string Chosen() const {
    return tree_->selectedItems().front()->data(0, kPathRole).toByteArray().toStdString();
  }

 private:
  void AddFolder(QTreeWidgetItem* parent, const std::string& text, const std::string& path);
  void ListSubfolders(QTreeWidgetItem* item);

  QTreeWidget* tree_;
  QPushButton* ok_;
};

TFolderBrowser::TFolderBrowser(QWidget* owner, const std::string& title, const std::string& root)
    : QDialog(owner), tree_(new QTreeWidget(this)), ok_(new QPushButton("OK", this)) {
  setWindowTitle("Ordner suchen");
  auto* text = new QLabel(QString::fromStdString(CrToLineFeed(title)), this);
  text->setWordWrap(true);
  tree_->setObjectName("FolderTree");
  tree_->setHeaderHidden(true);
  auto* cancel = new QPushButton("Abbrechen", this);
  ok_->setDefault(true);
  ok_->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(tree_);
  layout->addLayout(buttons);
  setFixedSize(320, 360);
  connect(tree_, &QTreeWidget::itemExpanded, this, &TFolderBrowser::ListSubfolders);
  // The view makes its first item current when it takes the focus, without
  // selecting it; only a folder the user selects is a choice.
  connect(tree_, &QTreeWidget::itemSelectionChanged, this,
          [this] { ok_->setEnabled(!tree_->selectedItems().empty()); });
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  if (HasDrive(root) && DirectoryExists(root)) {
    const std::string path = FolderPath(root);
    AddFolder(nullptr, IsDriveRoot(path) ? path.substr(0, 2) : ExtractFileName(path), path);
  } else {
    for (const std::string& drive : Drives()) AddFolder(nullptr, drive.substr(0, 2), drive);
  }
  tree_->setFocus();
}

// Children are listed when their folder is first opened: the host's whole
// file system is too large to walk in advance.
void TFolderBrowser::AddFolder(QTreeWidgetItem* parent, const std::string& text, const std::string& path) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
  item->setText(0, QString::fromStdString(text));
  item->setIcon(0, style()->standardIcon(IsDriveRoot(path) ? QStyle::SP_DriveHDIcon : QStyle::SP_DirIcon));
  item->setData(0, kPathRole, QByteArray::fromStdString(path));
  item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

void TFolderBrowser::ListSubfolders(QTreeWidgetItem* item) {
  if (item->childIndicatorPolicy() != QTreeWidgetItem::ShowIndicator) return;
  item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  const std::string folder = item->data(0, kPathRole).toByteArray().toStdString();
  for (const std::string& name : Subfolders(folder)) AddFolder(item, name, ChildPath(folder, name));
}

}  // namespace

bool SelectDirectory(const std::string& title, const std::string& root, std::string& folder) {
  TFolderBrowser browser(Application ? Application->OwnerWindow() : nullptr, title, root);
  browser.setWindowModality(Qt::ApplicationModal);
  browser.show();
  NotifyPromptShown({TPromptKind::FolderBrowser, title, "", &browser});
  if (browser.exec() != QDialog::Accepted) return false;
  folder = browser.Chosen();
  return true;
}
