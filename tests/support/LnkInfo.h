#pragma once
// A shortcut file as lnkinfo (Debian's liblnk-utils) reads it, to check links
// against a reader of the format that is not ours.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

// Its fields by the names lnkinfo prints ("Local path", "Description", ...);
// nothing when lnkinfo is not installed or cannot read the file.
std::optional<std::map<std::string, std::string>> LnkInfo(const std::filesystem::path& file);

bool LnkInfoInstalled();
