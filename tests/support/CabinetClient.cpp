#include "tests/support/CabinetClient.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

CabinetClient* CabinetClient::current_ = nullptr;

CabinetClient::CabinetClient() {
  current_ = this;
  hfdi_ = FDICreate(Alloc, Free, Open, Read, Write, Close, Seek, cpu80386, &erf_);
}

CabinetClient::~CabinetClient() {
  FDIDestroy(hfdi_);
  current_ = nullptr;
}

bool CabinetClient::Copy(const std::string& cabinet, const std::string& path) {
  current_ = this;
  erf_ = {};
  std::string name = cabinet;
  std::string folder = path;
  return FDICopy(hfdi_, name.data(), folder.data(), 0, Notify, nullptr, this);
}

bool CabinetClient::IsCabinet(const std::string& name, FDICABINETINFO* info) {
  current_ = this;
  erf_ = {};
  std::string full = name;
  const intptr_t hf = Open(full.data(), 0, 0);
  if (hf == -1) return false;
  const bool result = FDIIsCabinet(hfdi_, hf, info);
  Close(hf);
  return result;
}

// Each block carries its size in front, so the peak of live bytes is known.
void* CabinetClient::Alloc(uint32_t cb) {
  auto* block = static_cast<uint64_t*>(std::malloc(cb + sizeof(uint64_t) * 2));
  if (!block) return nullptr;
  block[0] = cb;
  ++current_->liveBlocks_;
  current_->liveBytes_ += cb;
  if (current_->liveBytes_ > current_->peakBytes_) current_->peakBytes_ = current_->liveBytes_;
  return block + 2;
}

void CabinetClient::Free(void* pv) {
  if (!pv) return;
  auto* block = static_cast<uint64_t*>(pv) - 2;
  --current_->liveBlocks_;
  current_->liveBytes_ -= block[0];
  std::free(block);
}

intptr_t CabinetClient::Open(char* name, int, int) {
  auto found = current_->cabinets.find(name);
  if (found == current_->cabinets.end()) return -1;
  const intptr_t hf = current_->nextHandle_++;
  current_->handles_[hf] = Handle{name, found->second, 0, false};
  return hf;
}

uint32_t CabinetClient::Read(intptr_t hf, void* pv, uint32_t cb) {
  auto found = current_->handles_.find(hf);
  if (found == current_->handles_.end()) return static_cast<uint32_t>(-1);
  Handle& h = found->second;
  const uint32_t size = static_cast<uint32_t>(h.data.size());
  const uint32_t n = h.position >= size ? 0 : std::min(cb, size - h.position);
  std::memcpy(pv, h.data.data() + h.position, n);
  h.position += n;
  return n;
}

uint32_t CabinetClient::Write(intptr_t hf, void* pv, uint32_t cb) {
  auto found = current_->handles_.find(hf);
  if (found == current_->handles_.end() || !found->second.output) return static_cast<uint32_t>(-1);
  if (found->second.name == current_->failWritesOf) return 0;
  found->second.data.append(static_cast<const char*>(pv), cb);
  return cb;
}

int CabinetClient::Close(intptr_t hf) {
  auto found = current_->handles_.find(hf);
  if (found == current_->handles_.end()) return -1;
  if (found->second.output) current_->extracted[found->second.name] = found->second.data;
  current_->handles_.erase(found);
  return 0;
}

int32_t CabinetClient::Seek(intptr_t hf, int32_t dist, int origin) {
  auto found = current_->handles_.find(hf);
  if (found == current_->handles_.end()) return -1;
  Handle& h = found->second;
  const int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? h.position : static_cast<int64_t>(h.data.size());
  const int64_t target = base + dist;
  if (target < 0) return -1;
  h.position = static_cast<uint32_t>(target);
  return static_cast<int32_t>(target);
}

intptr_t CabinetClient::Notify(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
  CabinetClient* self = static_cast<CabinetClient*>(n->pv);
  self->Trace(type, n);
  if (self->answer) {
    if (auto given = self->answer(type, n)) return *given;
  }
  return self->DefaultAnswer(type, n);
}

intptr_t CabinetClient::DefaultAnswer(FDINOTIFICATIONTYPE type, FDINOTIFICATION* n) {
  switch (type) {
    case fdintCOPY_FILE: {
      const intptr_t hf = nextHandle_++;
      handles_[hf] = Handle{n->psz1, {}, 0, true};
      return hf;
    }
    case fdintCLOSE_FILE_INFO:
      Close(n->hf);
      return 1;
    case fdintNEXT_CABINET:
      return n->fdie == FDIERROR_NONE ? 0 : -1;
    default:
      return 0;
  }
}

void CabinetClient::Trace(FDINOTIFICATIONTYPE type, const FDINOTIFICATION* n) {
  auto text = [](const char* s) { return std::string(s ? s : "(null)"); };
  switch (type) {
    case fdintCABINET_INFO:
      trace.push_back("CABINET_INFO next=" + text(n->psz1) + " disk=" + text(n->psz2) + " path=" + text(n->psz3) +
                      " set=" + std::to_string(n->setID) + " index=" + std::to_string(n->iCabinet));
      break;
    case fdintPARTIAL_FILE:
      trace.push_back("PARTIAL_FILE " + text(n->psz1) + " prev=" + text(n->psz2) + " disk=" + text(n->psz3));
      break;
    case fdintCOPY_FILE:
      trace.push_back("COPY_FILE " + text(n->psz1) + " size=" + std::to_string(n->cb) +
                      " folder=" + std::to_string(n->iFolder));
      break;
    case fdintCLOSE_FILE_INFO:
      trace.push_back("CLOSE_FILE_INFO " + text(n->psz1));
      break;
    case fdintNEXT_CABINET:
      trace.push_back("NEXT_CABINET " + text(n->psz1) + " disk=" + text(n->psz2) + " path=" + text(n->psz3) +
                      " fdie=" + std::to_string(n->fdie));
      break;
    default:
      trace.push_back("OTHER " + std::to_string(type));
  }
}
