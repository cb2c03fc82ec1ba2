#pragma once
// Windows path strings on the host. A drive letter maps through the Windows root
// (the layout Wine uses), both separators separate, and each name component is
// found without regard to letter case when the exact name does not exist.
#include <filesystem>
#include <string>

// $WINEPREFIX, or ~/.wine when unset. On first use it is given what a Windows
// machine always has: the system folder and the user's start-menu Programs folder.
std::filesystem::path WindowsRoot();

// The host file a Windows path names. Components that exist in another letter
// case are taken as they exist; missing ones keep the case they are given.
std::filesystem::path HostPath(const std::string& windowsPath);

// A host location as the installer sees it: on C: inside the root's drive_c,
// else on Z:.
std::string WindowsPath(const std::filesystem::path& hostPath);

// The user's start-menu Programs folder, as a Windows path without trailing "\".
std::string UserProgramsFolder();
