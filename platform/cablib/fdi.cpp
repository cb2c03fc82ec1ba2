// The library's entry points: a context of the client's functions, and the
// reporting of every failure through the client's error record.
//
// Which error a failure reports: damage to the cabinet's own records (offsets
// or lengths past the file, a bad block checksum, a folder whose data ends
// before its files, a block too large) is FDIERROR_CORRUPT_CABINET; data that
// the folder's method cannot decode (a bad MSZIP signature or deflate stream,
// bad LZX trees or match offsets, a Quantum stream running out) is
// FDIERROR_MDI_FAIL.
#include "platform/cablib/fdi.h"

#include <new>

#include "platform/cablib/cab_container.h"
#include "platform/cablib/cab_copy.h"
#include "platform/cablib/cab_memory.h"

struct FdiContext {
  cablib::ClientHeap heap;
  cablib::ClientFiles files;
  ERF* erf;
};

namespace {

bool Fail(ERF* erf, FDIERROR code) {
  if (erf) {
    erf->erfOper = code;
    erf->erfType = 0;
    erf->fError = 1;
  }
  return false;
}

void FillCabinetInfo(const cablib::CabinetHeader& header, FDICABINETINFO* info) {
  info->cbCabinet = static_cast<int32_t>(header.cabinetSize);
  info->cFolders = header.folderCount;
  info->cFiles = header.fileCount;
  info->setID = header.setId;
  info->iCabinet = header.index;
  info->fReserve = (header.flags & cablib::kFlagReservePresent) != 0;
  info->hasprev = header.HasPrev();
  info->hasnext = header.HasNext();
}

}  // namespace

HFDI FDICreate(PFNALLOC pfnalloc, PFNFREE pfnfree, PFNOPEN pfnopen, PFNREAD pfnread, PFNWRITE pfnwrite,
               PFNCLOSE pfnclose, PFNSEEK pfnseek, int /*cpuType*/, ERF* perf) {
  void* place = pfnalloc(sizeof(FdiContext));
  if (!place) {
    Fail(perf, FDIERROR_ALLOC_FAIL);
    return nullptr;
  }
  return new (place) FdiContext{{pfnalloc, pfnfree}, {pfnopen, pfnread, pfnwrite, pfnclose, pfnseek}, perf};
}

bool FDIIsCabinet(HFDI hfdi, intptr_t hf, FDICABINETINFO* pfdici) {
  if (!hfdi) return false;
  try {
    cablib::CabinetFile file(hfdi->files, hf);
    if (!file.MeasureLength()) return Fail(hfdi->erf, FDIERROR_NOT_A_CABINET);
    cablib::CabinetHeader header;
    const FDIERROR error = cablib::ReadHeader(file, &header);
    if (error != FDIERROR_NONE) return Fail(hfdi->erf, error);
    if (pfdici) FillCabinetInfo(header, pfdici);
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(hfdi->erf, FDIERROR_ALLOC_FAIL);
  }
}

bool FDICopy(HFDI hfdi, char* pszCabinet, char* pszCabPath, int /*flags*/, PFNFDINOTIFY pfnfdin,
             PFNFDIDECRYPT /*pfnfdid*/, void* pvUser) {
  if (!hfdi) return false;
  if (!pszCabinet) return Fail(hfdi->erf, FDIERROR_CABINET_NOT_FOUND);
  try {
    cablib::CopySession session({hfdi->heap, hfdi->files, pfnfdin, pvUser}, pszCabinet, pszCabPath);
    const FDIERROR error = session.Run();
    return error == FDIERROR_NONE ? true : Fail(hfdi->erf, error);
  } catch (const std::bad_alloc&) {
    return Fail(hfdi->erf, FDIERROR_ALLOC_FAIL);
  }
}

bool FDIDestroy(HFDI hfdi) {
  if (!hfdi) return false;
  const PFNFREE release = hfdi->heap.free;
  hfdi->~FdiContext();
  release(hfdi);
  return true;
}
