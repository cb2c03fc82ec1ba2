#pragma once
// Small text files that the platform keeps for the program (profile files, the
// registry's file): read whole, edited line by line, and replaced in one step.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file's bytes, empty when it does not exist; nothing when it exists but
// cannot be read (a folder, no permission, a read error).
std::optional<std::string> ReadFileBytes(const std::filesystem::path& file);

// Gives the file these bytes in one step: they go to a temporary file beside
// it, which then takes its name, so that a failed write leaves the earlier file
// as it was. The file keeps its permissions; a link is followed. False when the
// file or its folder is write-protected (see files.h), the folder is missing or
// the host refuses.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// The text without the blanks and tabs around it.
std::string_view Trimmed(std::string_view text);

// A text's lines with the line break that ends each (CR LF, LF, CR alone, or
// nothing for a last line without one), to be edited and joined byte for byte.
class TextLines {
 public:
  explicit TextLines(std::string_view bytes);

  std::size_t size() const { return lines_.size(); }
  const std::string& operator[](std::size_t index) const { return lines_[index].text; }

  // The text's own line break, taken from its first line; CR LF when it has none.
  const std::string& NewLine() const { return newLine_; }

  // The line keeps its line break.
  void Replace(std::size_t index, std::string text);
  // A new line before index (size() appends), ended by NewLine(); a line
  // before it that had no line break gets one.
  void Insert(std::size_t index, std::string text);
  void Erase(std::size_t first, std::size_t count);
  std::string Joined() const;

 private:
  struct Line {
    std::string text;
    std::string ending;
  };
  std::vector<Line> lines_;
  std::string newLine_;
};
