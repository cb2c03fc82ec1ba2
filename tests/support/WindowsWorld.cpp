#include "tests/support/WindowsWorld.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/winpath.h"

namespace fs = std::filesystem;

WindowsWorld::WindowsWorld() {
  std::string pattern = (fs::temp_directory_path() / "setup-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
  folder_ = pattern;
  if (const char* prefix = std::getenv("WINEPREFIX")) {
    hadPrefix_ = true;
    previousPrefix_ = prefix;
  }
  setenv("WINEPREFIX", Root().c_str(), 1);
}

WindowsWorld::~WindowsWorld() {
  if (hadPrefix_) {
    setenv("WINEPREFIX", previousPrefix_.c_str(), 1);
  } else {
    unsetenv("WINEPREFIX");
  }
  std::error_code ignored;
  // Tests write-protect folders; give them back before removing.
  for (auto it = fs::recursive_directory_iterator(folder_, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(folder_, ignored);
}

std::string WindowsWorld::Windows(const std::string& relative) const { return WindowsPath(Host(relative)); }

void WindowsWorld::Write(const std::string& relative, const std::string& bytes) const {
  fs::create_directories(Host(relative).parent_path());
  std::ofstream(Host(relative), std::ios::binary) << bytes;
}

void WindowsWorld::MakeFolder(const std::string& relative) const { fs::create_directories(Host(relative)); }

std::string WindowsWorld::Read(const std::string& relative) const {
  std::ifstream in(Host(relative), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
