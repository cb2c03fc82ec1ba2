#pragma once
// The shell's folder browser: a modal dialog owned by the application's
// window, with a title text above a tree of folders.
#include <string>

// Lets the user choose a folder. The tree starts at root when that names an
// existing folder with its drive ("C:\Daten"); any other name, such as
// "desktop", gives the whole namespace: every drive of the Windows root, the
// host's file system among them as Z:. The tree offers folders only and no
// folder is chosen at the start. When the user chooses a folder and confirms,
// folder becomes its full Windows path (a drive root with its trailing "\",
// any other folder without one) and the result is true; when the user cancels,
// folder is left as it was and the result is false.
bool SelectDirectory(const std::string& title, const std::string& root, std::string& folder);
