#include "platform/codepage.h"

#include <array>
#include <cstdint>

namespace {

// 0x80..0x9F of code page 1252; the rest of the upper half equals Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char32_t Cp1252CodePoint(unsigned char byte) {
  return (byte >= 0x80 && byte < 0xA0) ? kHighControls[byte - 0x80] : byte;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at pos; returns its length, or 0 when it is not
// well-formed (overlong forms, surrogates and values past U+10FFFF included).
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& cp) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(pos);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
  if (length == 0 || pos + length > text.size()) return 0;
  cp = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

int Cp1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (unsigned char byte : ansi) AppendUtf8(out, Cp1252CodePoint(byte));
  return out;
}

std::string Utf8ToCp1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    char32_t cp = 0;
    std::size_t length = DecodeUtf8(utf8, pos, cp);
    int byte = length ? Cp1252Byte(cp) : -1;
    out += byte < 0 ? '?' : static_cast<char>(byte);
    pos += length ? length : 1;
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  for (std::size_t pos = 0; pos < bytes.size();) {
    char32_t cp = 0;
    std::size_t length = DecodeUtf8(bytes, pos, cp);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string DecodeAnsiText(std::string_view bytes) {
  if (bytes.starts_with(kByteOrderMark)) return std::string(bytes.substr(kByteOrderMark.size()));
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1252ToUtf8(bytes);
}
