#pragma once
// The registry of the current user, kept in one file in the registry export
// format (REGEDIT4, ANSI code page, CR LF) at <Windows root>/HKEY_CURRENT_USER.reg,
// so that the registry editor of a Windows or Wine machine can import it. Each
// change rewrites the file in one step; the keys and values it does not touch
// stay as they are.
#include <string>

enum HKEY : unsigned { HKEY_CURRENT_USER = 0x80000001u };

class TRegistry {
 public:
  TRegistry() = default;
  ~TRegistry() { CloseKey(); }
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey = HKEY_CURRENT_USER;

  // Makes key the current key, creating it with its missing parents when
  // canCreate. A key that starts with "\" is taken from the root, any other
  // from the current key; names are separated by "\". False when the key is
  // missing and may not or cannot be made; the current key then stays.
  bool OpenKey(const std::string& key, bool canCreate);
  // A string value (REG_SZ) of the current key. Raises an Exception when no key
  // is open, when the text cannot be held in the file (a line break) or when
  // the write is refused.
  void WriteString(const std::string& name, const std::string& value);
  void CloseKey() { keyOpen_ = false; }

 private:
  bool keyOpen_ = false;
  std::string currentKey_;  // below the root, names joined by "\"
};
