// What every family's host code leans on (guest.h): the guest's errno in
// Linux numbers, translated from the host C runtime's numbers and from
// platform errors in one direction each, with the Linux C library's texts;
// guest memory from the loader's heap; calls back into guest code.
#include <cerrno>
#include <cstdio>
#include <iterator>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "platform/errors.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

struct HostErrnoRow {
  int host;
  int32_t guest;
};

// Every number the host C runtime may leave in errno, by its host name. The
// low numbers agree on every host; the rest differ on Windows (its ENOSYS is
// 40, Linux's 38). Hosts define some names only when they have them.
constexpr HostErrnoRow kHostErrno[] = {
    {EPERM, linux::kEPERM},     {ENOENT, linux::kENOENT},
    {ESRCH, linux::kESRCH},     {EINTR, linux::kEINTR},
    {EIO, linux::kEIO},         {ENXIO, linux::kENXIO},
    {E2BIG, linux::kE2BIG},     {ENOEXEC, linux::kENOEXEC},
    {EBADF, linux::kEBADF},     {ECHILD, linux::kECHILD},
    {EAGAIN, linux::kEAGAIN},   {ENOMEM, linux::kENOMEM},
    {EACCES, linux::kEACCES},   {EFAULT, linux::kEFAULT},
    {EBUSY, linux::kEBUSY},     {EEXIST, linux::kEEXIST},
    {EXDEV, linux::kEXDEV},     {ENODEV, linux::kENODEV},
    {ENOTDIR, linux::kENOTDIR}, {EISDIR, linux::kEISDIR},
    {EINVAL, linux::kEINVAL},   {ENFILE, linux::kENFILE},
    {EMFILE, linux::kEMFILE},   {ENOTTY, linux::kENOTTY},
    {EFBIG, linux::kEFBIG},     {ENOSPC, linux::kENOSPC},
    {ESPIPE, linux::kESPIPE},   {EROFS, linux::kEROFS},
    {EMLINK, linux::kEMLINK},   {EPIPE, linux::kEPIPE},
    {EDOM, linux::kEDOM},       {ERANGE, linux::kERANGE},
    {EDEADLK, linux::kEDEADLK}, {ENAMETOOLONG, linux::kENAMETOOLONG},
    {ENOLCK, linux::kENOLCK},   {ENOSYS, linux::kENOSYS},
    {ENOTEMPTY, linux::kENOTEMPTY}, {EILSEQ, linux::kEILSEQ},
#ifdef ELOOP
    {ELOOP, linux::kELOOP},
#endif
#ifdef EOVERFLOW
    {EOVERFLOW, linux::kEOVERFLOW},
#endif
#ifdef ENOTSUP
    {ENOTSUP, linux::kEOPNOTSUPP},
#endif
#ifdef ETIMEDOUT
    {ETIMEDOUT, linux::kETIMEDOUT},
#endif
#ifdef ECANCELED
    {ECANCELED, linux::kECANCELED},
#endif
};

struct PlatformErrorRow {
  uint32_t host;  // platform error (Win32 numbering)
  int32_t guest;
};

// Platform errors the guest can tell apart; anything else is an I/O error.
constexpr PlatformErrorRow kPlatformErrors[] = {
    {platform::err::kFileNotFound, linux::kENOENT},
    {platform::err::kPathNotFound, linux::kENOENT},
    {platform::err::kInvalidName, linux::kENOENT},
    {platform::err::kTooManyOpenFiles, linux::kEMFILE},
    {platform::err::kAccessDenied, linux::kEACCES},
    {platform::err::kSharingViolation, linux::kEACCES},
    {platform::err::kInvalidHandle, linux::kEBADF},
    {platform::err::kNotEnoughMemory, linux::kENOMEM},
    {platform::err::kWriteProtect, linux::kEROFS},
    {platform::err::kFileExists, linux::kEEXIST},
    {platform::err::kAlreadyExists, linux::kEEXIST},
    {platform::err::kInvalidParameter, linux::kEINVAL},
    {platform::err::kNegativeSeek, linux::kEINVAL},
    {platform::err::kBrokenPipe, linux::kEPIPE},
    {platform::err::kDiskFull, linux::kENOSPC},
    {platform::err::kFilenameTooLong, linux::kENAMETOOLONG},
    {platform::err::kDirectory, linux::kEISDIR},
    {platform::err::kNoAccess, linux::kEFAULT},
};

char gUnknown[32];

}  // namespace

int32_t LinuxErrno(int hostErrno) {
  if (hostErrno == 0) return 0;
  for (const HostErrnoRow& row : kHostErrno)
    if (row.host == hostErrno) return row.guest;
  return linux::kEINVAL;
}

int32_t LinuxErrnoFromPlatform(uint32_t code) {
  for (const PlatformErrorRow& row : kPlatformErrors)
    if (row.host == code) return row.guest;
  return linux::kEIO;
}

void SetErrno(int32_t linuxErrno) { errno = linuxErrno; }
int32_t Errno() { return errno; }
void TranslateErrno() { errno = LinuxErrno(errno); }

std::string_view ErrorText(int32_t linuxErrno) {
  if (linuxErrno >= 0 &&
      static_cast<size_t>(linuxErrno) < std::size(linux::kErrnoTable)) {
    return linux::kErrnoTable[linuxErrno].text;
  }
  const int n = std::snprintf(gUnknown, sizeof gUnknown, "Unknown error %d",
                              static_cast<int>(linuxErrno));
  return {gUnknown, static_cast<size_t>(n)};
}

// ---- Guest memory -----------------------------------------------------------

void* GuestAlloc(size_t size) {
  void* block = rtl::HeapTryAlloc(size == 0 ? 1 : size);
  if (block == nullptr) SetErrno(linux::kENOMEM);
  return block;
}

void* GuestRealloc(void* block, size_t size) {
  if (block == nullptr) return GuestAlloc(size);
  void* moved = rtl::HeapTryRealloc(block, size == 0 ? 1 : size);
  if (moved == nullptr) SetErrno(linux::kENOMEM);
  return moved;
}

char* GuestStrdup(std::string_view text) {
  auto* copy = static_cast<char*>(GuestAlloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  text.copy(copy, text.size());
  copy[text.size()] = '\0';
  return copy;
}

// ---- Calls into guest code ----------------------------------------------------

}  // namespace tblibc

extern "C" uint64_t tumbex_CallGuest(uint32_t entry, const uint32_t* args,
                                     uint32_t count);

namespace tblibc {

uint64_t CallGuest(uint32_t entry, std::initializer_list<uint32_t> args) {
  return tumbex_CallGuest(entry, args.begin(),
                          static_cast<uint32_t>(args.size()));
}

}  // namespace tblibc
