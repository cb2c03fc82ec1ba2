#include "tests/support/LnkInfo.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <sstream>

bool LnkInfoInstalled() { return !QStandardPaths::findExecutable("lnkinfo").isEmpty(); }

std::optional<std::map<std::string, std::string>> LnkInfo(const std::filesystem::path& file) {
  if (!LnkInfoInstalled()) return std::nullopt;
  QProcess lnkinfo;
  lnkinfo.start("lnkinfo", {QString::fromStdString(file.string())});
  if (!lnkinfo.waitForFinished(30000) || lnkinfo.exitCode() != 0) return std::nullopt;
  std::map<std::string, std::string> fields;
  std::istringstream lines(lnkinfo.readAllStandardOutput().toStdString());
  // Lines of the form "\tName\t\t\t: value".
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    const std::size_t first = line.find_first_not_of('\t');
    if (colon == std::string::npos || first >= colon) continue;
    const std::size_t last = line.find_last_not_of('\t', colon - 1);
    fields.emplace(line.substr(first, last - first + 1), line.substr(std::min(line.size(), colon + 2)));
  }
  return fields;
}
