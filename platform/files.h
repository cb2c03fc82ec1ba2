#pragma once
// The Windows file functions the installer uses, over the host file system.
// Every path is a Windows path string (see winpath.h).
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faHidden = 0x02;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;

constexpr uint32_t ERROR_SUCCESS = 0;
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_ALREADY_EXISTS = 183;

// The last error of this thread, as the platform's calls leave it.
void SetLastError(uint32_t code);
uint32_t GetLastError();

// One entry of a directory search.
struct TSearchRec {
  std::string Name;
  uint32_t Attr = 0;
  int32_t Size = 0;  // the low 32 bits, as the search reports them
  std::chrono::system_clock::time_point LastWriteTime;  // UTC
};

// The entries that match a name or a "*"/"?" pattern in its last component,
// without regard to case: "." and ".." first where the pattern matches them,
// then by name.
std::vector<TSearchRec> FindFiles(const std::string& pattern);

// The file test: the first entry that matches is not a folder.
bool FileExists(const std::string& nameOrPattern);
// The folder test.
bool DirectoryExists(const std::string& name);

// One folder; its parent must exist. The last error tells why it failed.
bool CreateDirectory(const std::string& path);
// Folder creation: every missing folder from the outermost one, after removing
// one trailing "\"; names under three characters and existing folders are left
// alone, failing levels ignored. An empty name raises.
void ForceDirectories(std::string dir);

// Copies contents and last-write time. The target is replaced in one step, so a
// failed copy leaves an existing target as it was.
bool CopyFile(const std::string& source, const std::string& target, bool failIfExists);

// The whole content of a file; false when it cannot be read or is longer than limit.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::size_t limit);

// The Windows system folder, without trailing "\".
std::string GetSystemDirectory();

// A file or folder the user may not write: the host's owner write bit stands
// for the Windows read-only attribute and the folder's write permission, also
// for a superuser.
bool IsWriteProtected(const std::string& path);

// The small file-handle functions.
using HFILE = int;
constexpr HFILE HFILE_ERROR = -1;
constexpr int OF_READ = 0;
constexpr int OF_WRITE = 1;
constexpr int OF_READWRITE = 2;
HFILE _lopen(const std::string& path, int mode);
// Creates the file, or empties an existing one; fails for a read-only file.
HFILE _lcreat(const std::string& path, int attribute);
uint32_t _lread(HFILE file, void* buffer, uint32_t count);
uint32_t _lwrite(HFILE file, const void* buffer, uint32_t count);
HFILE _lclose(HFILE file);
int32_t _llseek(HFILE file, int32_t offset, int origin);
