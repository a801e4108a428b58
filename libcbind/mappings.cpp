// Memory mappings.
//
// Anonymous and private file mappings are fresh pages of the host's (never
// the guest region or the loader's heap), a private file mapping holding a
// copy of the file's bytes. Shared file mappings are the host's own views,
// so that writes reach the file. MAP_FIXED is honoured inside the guest
// region, the one range whose pages are ours to hand out again.
#include <algorithm>
#include <cstring>
#include <vector>

#include "abi/files.h"
#include "abi/linux.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/memory.h"

namespace {

using namespace tblibc::files;
using tblibc::SetErrno;

constexpr uint32_t kPage = platform::kPageSize;

enum class Kind { kPages, kShared, kInRegion };

struct Mapping {
  uint32_t address;
  uint32_t size;  // whole pages
  Kind kind;
  unsigned protection;
};
std::vector<Mapping> gMappings;

uint32_t RoundUp(uint32_t n) { return (n + kPage - 1) & ~(kPage - 1); }

unsigned ToProtection(uint32_t prot) {
  unsigned p = platform::kNoAccess;
  if (prot & linux::kPROT_READ) p |= platform::kRead;
  if (prot & linux::kPROT_WRITE) p |= platform::kWrite | platform::kRead;
  if (prot & linux::kPROT_EXEC) p |= platform::kExecute | platform::kRead;
  return p;
}

uint32_t FailMap(int32_t linuxErrno) {
  SetErrno(linuxErrno);
  return linux::kMAP_FAILED;
}

bool InGuestRegion(uint32_t address, uint32_t size) {
  uint32_t base = 0, end = 0;
  platform::GuestRegion(&base, &end);
  return base != end && address >= base && address + uint64_t{size} <= end;
}

Mapping* Find(uint32_t address) {
  for (Mapping& m : gMappings)
    if (address >= m.address && address < m.address + m.size) return &m;
  return nullptr;
}

// The file's bytes at `offset` into `to`, the descriptor's position kept;
// what lies past the end stays zero.
bool CopyFile(int32_t fd, int64_t offset, uint8_t* to, uint32_t size) {
  int64_t here = 0, ignored = 0;
  int code = platform::DescriptorSeek(fd, 0, 1, &here);
  if (code == 0) code = platform::DescriptorSeek(fd, offset, 0, &ignored);
  uint32_t filled = 0;
  while (code == 0 && filled < size) {
    uint32_t done = 0;
    code = platform::DescriptorRead(fd, to + filled, size - filled, &done);
    if (done == 0) break;
    filled += done;
  }
  platform::DescriptorSeek(fd, here, 0, &ignored);
  if (code != 0) FailWith(code);
  return code == 0;
}

uint32_t Map(uint32_t hint, uint32_t length, uint32_t prot, uint32_t flags,
             int32_t fd, int64_t offset) {
  const uint32_t type = flags & linux::kMAP_TYPE;
  if (length == 0 || (type != linux::kMAP_SHARED && type != linux::kMAP_PRIVATE) ||
      offset < 0 || offset % kPage != 0)
    return FailMap(linux::kEINVAL);
  if (length > 0xFFFFFFFFu - kPage) return FailMap(linux::kENOMEM);
  const uint32_t size = RoundUp(length);
  const bool anonymous = (flags & linux::kMAP_ANONYMOUS) != 0;
  const bool fixed = (flags & (linux::kMAP_FIXED | linux::kMAP_FIXED_NOREPLACE)) != 0;

  platform::FileStatus status;
  if (!anonymous) {
    bool readable = false, writable = false;
    if (platform::DescriptorStatus(fd, &status) != 0)
      return FailMap(linux::kEBADF);
    if (status.kind != platform::FileKind::kRegular) return FailMap(linux::kENODEV);
    platform::DescriptorAccess(fd, &readable, &writable);
    if (!readable ||
        (type == linux::kMAP_SHARED && (prot & linux::kPROT_WRITE) && !writable))
      return FailMap(linux::kEACCES);
  }

  if (!anonymous && type == linux::kMAP_SHARED) {
    if (fixed) return FailMap(linux::kEINVAL);
    void* view = nullptr;
    const int code = platform::MapShared(
        fd, offset, size, (prot & linux::kPROT_WRITE) != 0, &view);
    if (code == linux::kEOPNOTSUPP) return FailMap(linux::kENODEV);
    if (code != 0) {
      FailWith(code);
      return linux::kMAP_FAILED;
    }
    gMappings.push_back({tblibc::Address(view), size, Kind::kShared,
                         ToProtection(prot)});
    return tblibc::Address(view);
  }

  uint32_t address = 0;
  Kind kind = Kind::kPages;
  if (fixed) {
    if (hint % kPage != 0) return FailMap(linux::kEINVAL);
    if (!InGuestRegion(hint, size)) return FailMap(linux::kENOMEM);
    if ((flags & linux::kMAP_FIXED_NOREPLACE) && Find(hint) != nullptr)
      return FailMap(linux::kEEXIST);
    address = hint;
    kind = Kind::kInRegion;
    platform::Protect(address, size, platform::kRead | platform::kWrite);
    std::memset(reinterpret_cast<void*>(uintptr_t{address}), 0, size);
  } else {
    void* pages = platform::AllocatePages(size);
    if (pages == nullptr) return FailMap(linux::kENOMEM);
    address = tblibc::Address(pages);
  }
  if (!anonymous &&
      !CopyFile(fd, offset, reinterpret_cast<uint8_t*>(uintptr_t{address}),
                static_cast<uint32_t>(std::min<uint64_t>(
                    length, status.size > static_cast<uint64_t>(offset)
                                ? status.size - static_cast<uint64_t>(offset)
                                : 0)))) {
    if (kind == Kind::kPages)
      platform::FreePages(reinterpret_cast<void*>(uintptr_t{address}), size);
    return linux::kMAP_FAILED;
  }
  platform::Protect(address, size, ToProtection(prot));
  gMappings.push_back({address, size, kind, ToProtection(prot)});
  return address;
}

void Release(const Mapping& m) {
  void* at = reinterpret_cast<void*>(uintptr_t{m.address});
  switch (m.kind) {
    case Kind::kPages: platform::FreePages(at, m.size); break;
    case Kind::kShared: platform::UnmapShared(at, m.size); break;
    case Kind::kInRegion: platform::Protect(m.address, m.size, platform::kNoAccess); break;
  }
}

bool Aligned(uint32_t address) { return address % kPage == 0; }

}  // namespace

extern "C" {

uint32_t tblibc_mmap64(uint32_t address, uint32_t length, uint32_t prot,
                       uint32_t flags, int32_t fd, int64_t offset) {
  return Map(address, length, prot, flags, fd, offset);
}

uint32_t tblibc_mmap(uint32_t address, uint32_t length, uint32_t prot,
                     uint32_t flags, int32_t fd, uint32_t offset) {
  return Map(address, length, prot, flags, fd, offset);
}

// Whole mappings go back to the host; part of one is made inaccessible, as
// Linux leaves an unmapped hole. Ranges that are not ours are left alone.
int32_t tblibc_munmap(uint32_t address, uint32_t length) {
  if (!Aligned(address) || length == 0) return FailWith(linux::kEINVAL);
  const uint32_t size = RoundUp(length);
  const uint64_t end = uint64_t{address} + size;
  for (size_t i = 0; i < gMappings.size();) {
    Mapping& m = gMappings[i];
    const uint64_t mEnd = uint64_t{m.address} + m.size;
    if (mEnd <= address || m.address >= end) {
      ++i;
      continue;
    }
    if (address <= m.address && end >= mEnd) {
      Release(m);
      gMappings.erase(gMappings.begin() + static_cast<ptrdiff_t>(i));
      continue;
    }
    const uint32_t from = std::max<uint32_t>(address, m.address);
    const uint32_t to = static_cast<uint32_t>(std::min<uint64_t>(end, mEnd));
    if (m.kind != Kind::kShared) platform::Protect(from, to - from, platform::kNoAccess);
    ++i;
  }
  return 0;
}

int32_t tblibc_mprotect(uint32_t address, uint32_t length, uint32_t prot) {
  if (!Aligned(address)) return FailWith(linux::kEINVAL);
  if (prot & ~(linux::kPROT_READ | linux::kPROT_WRITE | linux::kPROT_EXEC))
    return FailWith(linux::kEINVAL);
  if (length == 0) return 0;
  if (!platform::Protect(address, RoundUp(length), ToProtection(prot)))
    return FailWith(linux::kENOMEM);
  return 0;
}

int32_t tblibc_msync(uint32_t address, uint32_t length, int32_t flags) {
  if (!Aligned(address) ||
      (flags & ~(linux::kMS_ASYNC | linux::kMS_SYNC | linux::kMS_INVALIDATE)) ||
      ((flags & linux::kMS_ASYNC) && (flags & linux::kMS_SYNC)))
    return FailWith(linux::kEINVAL);
  if (length == 0) return 0;
  Mapping* m = Find(address);
  if (m == nullptr) return FailWith(linux::kENOMEM);
  if (m->kind == Kind::kShared) {
    if (const int e = platform::FlushShared(
            reinterpret_cast<void*>(uintptr_t{address}), RoundUp(length)))
      return FailWith(e);
  }
  return 0;
}

// The advice Linux knows: NORMAL to DONTNEED, then FREE to
// POPULATE_WRITE, and the two of memory failure; any other is EINVAL.
bool KnownAdvice(int32_t advice) {
  return (advice >= 0 && advice <= 4) || (advice >= 8 && advice <= 23) ||
         advice == 100 || advice == 101;
}

// Advice only, except that Linux gives fresh zero pages after
// MADV_DONTNEED on private memory, which programs rely on.
int32_t tblibc_madvise(uint32_t address, uint32_t length, int32_t advice) {
  constexpr int32_t kDontNeed = 4;
  if (!Aligned(address) || !KnownAdvice(advice)) return FailWith(linux::kEINVAL);
  if (advice == kDontNeed && length != 0) {
    Mapping* m = Find(address);
    if (m != nullptr && m->kind != Kind::kShared &&
        (m->protection & platform::kWrite)) {
      const uint32_t to = std::min<uint32_t>(m->address + m->size,
                                             address + RoundUp(length));
      std::memset(reinterpret_cast<void*>(uintptr_t{address}), 0, to - address);
    }
  }
  return 0;
}

// POSIX's DONTNEED is only advice, unlike Linux's, so glibc drops it; the
// answer is the error number itself.
int32_t tblibc_posix_madvise(uint32_t address, uint32_t length, int32_t advice) {
  if (advice == linux::kPOSIX_MADV_DONTNEED) return 0;
  if (advice < 0 || advice > linux::kPOSIX_MADV_DONTNEED || !Aligned(address))
    return linux::kEINVAL;
  return tblibc_madvise(address, length, advice) == 0 ? 0 : tblibc::Errno();
}

// Every page of the guest's memory is resident: nothing is paged out
// behind its back that it could tell.
int32_t tblibc_mincore(uint32_t address, uint32_t length, uint8_t* vector) {
  if (!Aligned(address)) return FailWith(linux::kEINVAL);
  const uint32_t pages = RoundUp(length) / kPage;
  for (uint32_t i = 0; i < pages; ++i) {
    const uint32_t page = address + i * kPage;
    if (!InGuestRegion(page, kPage) && Find(page) == nullptr &&
        !platform::IsReadable(page, 1))
      return FailWith(linux::kENOMEM);
  }
  if (pages != 0 && vector == nullptr) return FailWith(linux::kEFAULT);
  for (uint32_t i = 0; i < pages; ++i) vector[i] = 1;
  return 0;
}

uint32_t tblibc_mremap(uint32_t address, uint32_t oldLength, uint32_t newLength,
                       uint32_t flags, ...) {
  if (!Aligned(address) || newLength == 0 ||
      (flags & ~(linux::kMREMAP_MAYMOVE | linux::kMREMAP_FIXED)))
    return FailMap(linux::kEINVAL);
  if (flags & linux::kMREMAP_FIXED) return FailMap(linux::kEINVAL);
  Mapping* m = Find(address);
  if (m == nullptr || m->address != address) return FailMap(linux::kEFAULT);
  const uint32_t oldSize = RoundUp(oldLength);
  const uint32_t newSize = RoundUp(newLength);
  if (newSize <= m->size) {
    if (newSize < m->size && m->kind != Kind::kShared)
      platform::Protect(address + newSize, m->size - newSize, platform::kNoAccess);
    if (m->kind != Kind::kShared) m->size = newSize;
    return address;
  }
  if ((flags & linux::kMREMAP_MAYMOVE) == 0 || m->kind == Kind::kShared)
    return FailMap(linux::kENOMEM);
  void* pages = platform::AllocatePages(newSize);
  if (pages == nullptr) return FailMap(linux::kENOMEM);
  const Mapping old = *m;
  platform::Protect(old.address, old.size, platform::kRead | platform::kWrite);
  std::memcpy(pages, reinterpret_cast<void*>(uintptr_t{old.address}),
              std::min(oldSize, old.size));
  platform::Protect(tblibc::Address(pages), newSize, old.protection);
  Release(old);
  *m = {tblibc::Address(pages), newSize, Kind::kPages, old.protection};
  return tblibc::Address(pages);
}

}  // extern "C"

namespace tblibc {

extern const Family kMappingsFamily;

constexpr Export kExports[] = {
    Fn<&tblibc_mmap>("mmap"),
    Fn<&tblibc_mmap64>("mmap64"),
    Fn<&tblibc_munmap>("munmap"),
    Fn<&tblibc_mprotect>("mprotect"),
    Fn<&tblibc_msync>("msync"),
    Fn<&tblibc_madvise>("madvise"),
    Fn<&tblibc_posix_madvise>("posix_madvise"),
    Fn<&tblibc_mincore>("mincore"),
    Fn<&tblibc_mremap>("mremap"),
};

const Family kMappingsFamily{"mappings", kExports};

}  // namespace tblibc
