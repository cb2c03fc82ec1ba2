#pragma once
// Windows code page 1252, the ANSI code page of the German system, against the
// UTF-8 the program's strings hold.
#include <string>
#include <string_view>

// Every byte maps: the five bytes 1252 leaves undefined keep their C1 code points,
// as the system's own conversion does.
std::string Cp1252ToUtf8(std::string_view ansi);
// Characters 1252 cannot hold become "?".
std::string Utf8ToCp1252(std::string_view utf8);

bool IsValidUtf8(std::string_view bytes);

// Text from a file Windows would read as ANSI: UTF-8 when it starts with the
// UTF-8 byte-order mark (dropped) or is valid UTF-8 throughout, else CP1252.
std::string DecodeAnsiText(std::string_view bytes);
