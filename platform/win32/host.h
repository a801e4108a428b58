// What the Windows port's concern files share: msvcrt's descriptors as
// Win32 handles, and leaving msvcrt's errno (the guest's cell) alone.
#pragma once

#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>

namespace platform {

inline HANDLE OsHandle(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The services answer with their return code alone: msvcrt's errno (the
// guest's cell) is left as the caller had it.
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};

inline uint32_t Ok(BOOL done) { return done ? 0 : GetLastError(); }

}  // namespace platform
