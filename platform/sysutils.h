#pragma once
// The runtime library's small helpers the installer's units are written against:
// the exception base class, path splitting and number conversion.
#include <cstdint>
#include <stdexcept>
#include <string>

// The base of every error the platform raises; its message is all it carries.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Raised when text does not convert into a number.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Raised when a file cannot be opened for reading.
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};

// The folder part of a Windows path, up to and including the last "\" or ":".
std::string ExtractFilePath(const std::string& path);
// What follows the last "\" or ":".
std::string ExtractFileName(const std::string& path);

// Letter case and comparison over the ASCII letters only, as the runtime does.
std::string UpperCase(const std::string& text);
bool SameText(const std::string& a, const std::string& b);

// A decimal whole number that fits 32 bits, with an optional sign; raises
// EConvertError for anything else.
int32_t StrToInt(const std::string& text);
std::string IntToStr(int64_t value);

// "\r" starts a new line in Windows texts; Qt wants "\n".
std::string CrToLineFeed(std::string text);

// Without regard to case, for every letter the Windows code page has.
bool AnsiSameText(const std::string& a, const std::string& b);
