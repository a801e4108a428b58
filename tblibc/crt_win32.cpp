// The bridge library's C-runtime side on Windows: msvcrt.dll's functions,
// and its `_iob` stream records.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "tblibc/crt.h"

namespace crt {
namespace {

template <typename F>
uint32_t Code(F* f) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

// msvcrt's stream records are 32 bytes apart in `_iob`: input, output, error.
static_assert(sizeof(FILE) == 32);
uint32_t Stream(int index) { return Code(&_iob[index]); }

}  // namespace

uint32_t ReadEntry() { return Code(&::_read); }
uint32_t WriteEntry() { return Code(&::_write); }
uint32_t CloseEntry() { return Code(&::_close); }
uint32_t FilenoEntry() { return Code(&::_fileno); }
uint32_t MkdirEntry() { return Code(&::_mkdir); }
uint32_t StrchrEntry() { return Code(&::strchr); }
uint32_t StrrchrEntry() { return Code(&::strrchr); }
uint32_t StrstrEntry() { return Code(&::strstr); }

uint32_t StandardError() { return Stream(2); }
uint32_t StandardInput() { return Stream(0); }
uint32_t StandardOutput() { return Stream(1); }

// Binary always: a Linux program's bytes must reach the file unchanged. A
// created file is read-only unless the guest's mode gives its owner write
// access, the one permission bit Windows files carry.
int Open(const char* path, unsigned meanings, unsigned mode) {
  int flags = _O_BINARY | _O_RDONLY;
  if ((meanings & kOpenRead) && (meanings & kOpenWrite)) {
    flags = _O_BINARY | _O_RDWR;
  } else if (meanings & kOpenWrite) {
    flags = _O_BINARY | _O_WRONLY;
  }
  if (meanings & kOpenCreate) flags |= _O_CREAT;
  if (meanings & kOpenExclusive) flags |= _O_EXCL;
  if (meanings & kOpenTruncate) flags |= _O_TRUNC;
  if (meanings & kOpenAppend) flags |= _O_APPEND;
  const int permission = (mode & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
  return ::_open(path, flags, permission);
}

int Dup(int fd) { return ::_dup(fd); }

}  // namespace crt

// Guest output still sitting in msvcrt's stream buffers when the process
// ends (ExitProcess skips the C runtime's own exit path) is written out when
// the library is unloaded, before msvcrt itself goes.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) std::fflush(nullptr);
  return TRUE;
}
