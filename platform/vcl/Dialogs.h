#pragma once
// The message box, owned by the application's window.
#include <string>

constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_YESNO = 0x04;
constexpr unsigned MB_ICONERROR = 0x10;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// "\r" in the text starts a new line. A Yes/No box has no way out but its two
// buttons; an OK box also ends with Esc or its close box, as IDOK.
int MessageBox(const std::string& text, const std::string& caption, unsigned style);
