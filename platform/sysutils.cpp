#include "platform/sysutils.h"

#include <algorithm>
#include <QString>
#include <charconv>

namespace {

std::size_t AfterLastDelimiter(const std::string& path) {
  std::size_t pos = path.find_last_of("\\:");
  return pos == std::string::npos ? 0 : pos + 1;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string ExtractFilePath(const std::string& path) {
  return path.substr(0, AfterLastDelimiter(path));
}

std::string ExtractFileName(const std::string& path) {
  return path.substr(AfterLastDelimiter(path));
}

std::string UpperCase(const std::string& text) {
  std::string upper = text;
  std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
  return upper;
}

bool SameText(const std::string& a, const std::string& b) {
  return UpperCase(a) == UpperCase(b);
}

int32_t StrToInt(const std::string& text) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (last - first > 1 && first[0] == '+' && first[1] != '-') ++first;
  int32_t value = 0;
  auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last)
    throw EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string CrToLineFeed(std::string text) {
  std::replace(text.begin(), text.end(), '\r', '\n');
  return text;
}

bool AnsiSameText(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}
