// What the Windows port's concern files share: the translation of its
// errors (errors.cpp), msvcrt's descriptors as Win32 handles, and leaving
// msvcrt's errno (the guest's cell) alone.
#pragma once

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace platform {

struct Win32ErrnoRow {
  DWORD error;
  int linuxErrno;
};
struct CrtErrnoRow {
  int crtErrno;
  int linuxErrno;
};
// The tables themselves, for the port's unit test.
std::span<const Win32ErrnoRow> Win32ErrnoRows();
std::span<const CrtErrnoRow> CrtErrnoRows();

// The Linux errno for a Win32 error code; EIO for one it does not know.
int LinuxErrnoOfWin32(DWORD error);
// The same for GetLastError().
int LastLinuxErrno();
// 0 when `done`, else why not.
inline int Ok(BOOL done) { return done ? 0 : LastLinuxErrno(); }

inline HANDLE OsHandle(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// Text between the guest's UTF-8 and the host's UTF-16 (paths.cpp).
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// Writes UTF-8 text to `h` as its characters when `h` is a console
// (false, nothing written, when it is not), whatever the console's code
// page.
bool WriteConsoleText(HANDLE h, const void* buffer, uint32_t count);
// The host's name for a name the guest gives, by the one mapping of
// paths.cpp.
std::wstring HostPath(std::string_view path);

// The host's command interpreter running `command`, with the standard
// handles given (each duplicated for the child; null: none) and the
// environment as RunCommand describes it. The process's handle, or null
// with the reason in *error.
HANDLE StartInterpreter(const char* command, const EnvironmentEntries& environment,
                        const HANDLE (&standard)[3], int* error);

// The services answer with their return code alone: msvcrt's errno (the
// guest's cell) is left as the caller had it.
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};

}  // namespace platform
