#pragma once
// The cabinet library's decompression interface: a context made with the
// client's memory and file functions, a test whether an open file is a
// cabinet, and a copy that walks a cabinet's files and tells the client about
// each through its notification function. Strings are UTF-8; stored names are
// decoded from code page 1252 unless their entry carries the UTF-8 name
// attribute. All cabinet input and all output go through the client's functions.
#include <cstdint>

struct FdiContext;
using HFDI = FdiContext*;

// The error record the library writes when one of its calls fails.
struct ERF {
  int32_t erfOper;  // an FDIERROR code
  int32_t erfType;
  int32_t fError;
};

enum FDIERROR : int32_t {
  FDIERROR_NONE = 0,
  FDIERROR_CABINET_NOT_FOUND = 1,
  FDIERROR_NOT_A_CABINET = 2,
  FDIERROR_UNKNOWN_CABINET_VERSION = 3,
  FDIERROR_CORRUPT_CABINET = 4,
  FDIERROR_ALLOC_FAIL = 5,
  FDIERROR_BAD_COMPR_TYPE = 6,
  FDIERROR_MDI_FAIL = 7,
  FDIERROR_TARGET_FILE = 8,
  FDIERROR_RESERVE_MISMATCH = 9,
  FDIERROR_WRONG_CABINET = 10,
  FDIERROR_USER_ABORT = 11,
};

struct FDICABINETINFO {
  int32_t cbCabinet;  // total length of the cabinet file
  uint16_t cFolders;
  uint16_t cFiles;
  uint16_t setID;
  uint16_t iCabinet;  // index of this cabinet in its set, from 0
  int32_t fReserve;   // reserve areas present
  int32_t hasprev;
  int32_t hasnext;
};

enum FDINOTIFICATIONTYPE : int32_t {
  fdintCABINET_INFO = 0,
  fdintPARTIAL_FILE = 1,
  fdintCOPY_FILE = 2,
  fdintCLOSE_FILE_INFO = 3,
  fdintNEXT_CABINET = 4,
  fdintENUMERATE = 5,
};

struct FDINOTIFICATION {
  int32_t cb;
  char* psz1;
  char* psz2;
  char* psz3;  // on fdintNEXT_CABINET a buffer of 256 bytes the client may rewrite
  void* pv;    // the client's pointer given to FDICopy
  intptr_t hf;
  uint16_t date;
  uint16_t time;
  uint16_t attribs;
  uint16_t setID;
  uint16_t iCabinet;
  uint16_t iFolder;
  int32_t fdie;  // on fdintNEXT_CABINET: why the library asks again (an FDIERROR)
};

// File attribute bit of an entry whose stored name is UTF-8.
constexpr uint16_t _A_NAME_IS_UTF = 0x80;

constexpr int32_t cpu80386 = 1;

// The client's functions. Open flags are the C runtime's (_O_RDONLY = 0 for
// every cabinet the library opens); seek origins are SEEK_SET, SEEK_CUR and
// SEEK_END. Read and write return the count done, or (uint32_t)-1.
using PFNALLOC = void* (*)(uint32_t cb);
using PFNFREE = void (*)(void* pv);
using PFNOPEN = intptr_t (*)(char* pszFile, int oflag, int pmode);
using PFNREAD = uint32_t (*)(intptr_t hf, void* pv, uint32_t cb);
using PFNWRITE = uint32_t (*)(intptr_t hf, void* pv, uint32_t cb);
using PFNCLOSE = int (*)(intptr_t hf);
using PFNSEEK = int32_t (*)(intptr_t hf, int32_t dist, int seektype);
// Returns what each notification type asks for: on fdintCOPY_FILE a handle of
// the created file, 0 to skip the entry, -1 to abort; -1 elsewhere aborts too.
using PFNFDINOTIFY = intptr_t (*)(FDINOTIFICATIONTYPE fdint, FDINOTIFICATION* pfdin);
using PFNFDIDECRYPT = int (*)(void* pfdid);

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
               PFNCLOSE pfnclose, PFNSEEK pfnseek, int cpuType, ERF* perf);
// True when the open file is a cabinet; fills pfdici. The file position is left
// where the test left it.
bool FDIIsCabinet(HFDI hfdi, intptr_t hf, FDICABINETINFO* pfdici);
// Opens pszCabPath + pszCabinet (plain concatenation) and walks it.
bool FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int flags, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT pfnfdid, void* pvUser);
bool FDIDestroy(HFDI hfdi);
