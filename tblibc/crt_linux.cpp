// The bridge library's C-runtime side on the Linux i386 test bed: glibc
// plays the host C runtime, with its own functions of the same meanings.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tblibc/crt.h"

namespace crt {
namespace {

template <typename F>
uint32_t Code(F* f) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

// The Windows runtime's _mkdir takes the path only and gives every new
// directory full access; the guest's mode is not honoured on either host.
int MkdirFullAccess(const char* path) { return ::mkdir(path, 0777); }

using StrchrFn = char* (*)(char*, int);
using StrstrFn = char* (*)(char*, const char*);

}  // namespace

uint32_t ReadEntry() { return Code(&::read); }
uint32_t WriteEntry() { return Code(&::write); }
uint32_t CloseEntry() { return Code(&::close); }
uint32_t FilenoEntry() { return Code(&::fileno); }
uint32_t MkdirEntry() { return Code(&MkdirFullAccess); }
uint32_t StrchrEntry() { return Code(static_cast<StrchrFn>(&::strchr)); }
uint32_t StrrchrEntry() { return Code(static_cast<StrchrFn>(&::strrchr)); }
uint32_t StrstrEntry() { return Code(static_cast<StrstrFn>(&::strstr)); }

uint32_t StandardError() { return Code(stderr); }
uint32_t StandardInput() { return Code(stdin); }
uint32_t StandardOutput() { return Code(stdout); }

int Open(const char* path, unsigned meanings, unsigned mode) {
  int flags = O_RDONLY;
  if ((meanings & kOpenRead) && (meanings & kOpenWrite)) {
    flags = O_RDWR;
  } else if (meanings & kOpenWrite) {
    flags = O_WRONLY;
  }
  if (meanings & kOpenCreate) flags |= O_CREAT;
  if (meanings & kOpenExclusive) flags |= O_EXCL;
  if (meanings & kOpenTruncate) flags |= O_TRUNC;
  if (meanings & kOpenAppend) flags |= O_APPEND;
  return ::open(path, flags, mode);
}

int Dup(int fd) { return ::dup(fd); }

}  // namespace crt
