// Why a Windows call failed, in the guest's words. Two tables say it once
// for the whole port: the Win32 error codes its calls leave in
// GetLastError(), and the errno values msvcrt leaves. Every failure of the
// Windows port reaches the guest through one of them.
#include <windows.h>

#include <cerrno>
#include <iterator>
#include <span>

#include "abi/errno.h"
#include "platform/errors.h"
#include "platform/win32/host.h"

namespace platform {
namespace {

// Codes a Linux program tells apart; the rest are an I/O error to it.
constexpr Win32ErrnoRow kWin32Errno[] = {
    {ERROR_INVALID_FUNCTION, linux::kEINVAL},
    {ERROR_FILE_NOT_FOUND, linux::kENOENT},
    {ERROR_PATH_NOT_FOUND, linux::kENOENT},
    {ERROR_TOO_MANY_OPEN_FILES, linux::kEMFILE},
    {ERROR_ACCESS_DENIED, linux::kEACCES},
    {ERROR_INVALID_HANDLE, linux::kEBADF},
    {ERROR_NOT_ENOUGH_MEMORY, linux::kENOMEM},
    {ERROR_INVALID_DRIVE, linux::kENOENT},
    {ERROR_NOT_SAME_DEVICE, linux::kEXDEV},
    {ERROR_WRITE_PROTECT, linux::kEROFS},
    {ERROR_SHARING_VIOLATION, linux::kEACCES},
    {ERROR_LOCK_VIOLATION, linux::kEACCES},
    {ERROR_NOT_SUPPORTED, linux::kEOPNOTSUPP},
    {ERROR_FILE_EXISTS, linux::kEEXIST},
    {ERROR_INVALID_PARAMETER, linux::kEINVAL},
    {ERROR_BROKEN_PIPE, linux::kEPIPE},
    {ERROR_DISK_FULL, linux::kENOSPC},
    {ERROR_INVALID_NAME, linux::kENOENT},
    {ERROR_NEGATIVE_SEEK, linux::kEINVAL},
    {ERROR_SEEK_ON_DEVICE, linux::kESPIPE},
    {ERROR_DIR_NOT_EMPTY, linux::kENOTEMPTY},
    {ERROR_BAD_PATHNAME, linux::kENOENT},
    {ERROR_ALREADY_EXISTS, linux::kEEXIST},
    {ERROR_FILENAME_EXCED_RANGE, linux::kENAMETOOLONG},
    // "The directory name is invalid": a directory call on something else.
    {ERROR_DIRECTORY, linux::kENOTDIR},
    {336 /* ERROR_DIRECTORY_NOT_SUPPORTED */, linux::kEISDIR},
    // A buffer the host could not touch.
    {ERROR_NOACCESS, linux::kEFAULT},
    {ERROR_PRIVILEGE_NOT_HELD, linux::kEPERM},
    // A loop of links.
    {ERROR_CANT_RESOLVE_FILENAME, linux::kELOOP},
    // readlink of a name that is no link.
    {ERROR_NOT_A_REPARSE_POINT, linux::kEINVAL},
};
static_assert(std::size(kWin32Errno) == 30);

// Every number msvcrt may leave in errno, by its name. The low numbers
// agree with Linux; from 35 on they differ (msvcrt's ENOSYS is 40, Linux's
// 38), and the POSIX names above 100 are numbered anew.
constexpr CrtErrnoRow kCrtErrno[] = {
    {EPERM, linux::kEPERM},         {ENOENT, linux::kENOENT},
    {ESRCH, linux::kESRCH},         {EINTR, linux::kEINTR},
    {EIO, linux::kEIO},             {ENXIO, linux::kENXIO},
    {E2BIG, linux::kE2BIG},         {ENOEXEC, linux::kENOEXEC},
    {EBADF, linux::kEBADF},         {ECHILD, linux::kECHILD},
    {EAGAIN, linux::kEAGAIN},       {ENOMEM, linux::kENOMEM},
    {EACCES, linux::kEACCES},       {EFAULT, linux::kEFAULT},
    {EBUSY, linux::kEBUSY},         {EEXIST, linux::kEEXIST},
    {EXDEV, linux::kEXDEV},         {ENODEV, linux::kENODEV},
    {ENOTDIR, linux::kENOTDIR},     {EISDIR, linux::kEISDIR},
    {EINVAL, linux::kEINVAL},       {ENFILE, linux::kENFILE},
    {EMFILE, linux::kEMFILE},       {ENOTTY, linux::kENOTTY},
    {EFBIG, linux::kEFBIG},         {ENOSPC, linux::kENOSPC},
    {ESPIPE, linux::kESPIPE},       {EROFS, linux::kEROFS},
    {EMLINK, linux::kEMLINK},       {EPIPE, linux::kEPIPE},
    {EDOM, linux::kEDOM},           {ERANGE, linux::kERANGE},
    {EDEADLK, linux::kEDEADLK},     {ENAMETOOLONG, linux::kENAMETOOLONG},
    {ENOLCK, linux::kENOLCK},       {ENOSYS, linux::kENOSYS},
    {ENOTEMPTY, linux::kENOTEMPTY}, {EILSEQ, linux::kEILSEQ},
    {ELOOP, linux::kELOOP},         {EOVERFLOW, linux::kEOVERFLOW},
    {ENOTSUP, linux::kEOPNOTSUPP},  {ETIMEDOUT, linux::kETIMEDOUT},
    {ECANCELED, linux::kECANCELED},
};
static_assert(std::size(kCrtErrno) == 43);

}  // namespace

std::span<const Win32ErrnoRow> Win32ErrnoRows() { return kWin32Errno; }
std::span<const CrtErrnoRow> CrtErrnoRows() { return kCrtErrno; }

int LinuxErrnoOfWin32(DWORD error) {
  for (const Win32ErrnoRow& row : kWin32Errno)
    if (row.error == error) return row.linuxErrno;
  return linux::kEIO;
}

int LastLinuxErrno() { return LinuxErrnoOfWin32(GetLastError()); }

// A number msvcrt names that Linux has no name for reads as EINVAL.
int LinuxErrnoOfCrt(int hostErrno) {
  if (hostErrno == 0) return 0;
  for (const CrtErrnoRow& row : kCrtErrno)
    if (row.crtErrno == hostErrno) return row.linuxErrno;
  return linux::kEINVAL;
}

}  // namespace platform
