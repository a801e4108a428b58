// Temporary files and commands' pipes on Windows, by way of msvcrt.
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "abi/errno.h"
#include "platform/errors.h"
#include "platform/streams.h"
#include "platform/win32/host.h"

namespace platform {

namespace {

// msvcrt's errno after a failed call, as the answer; a failure that left
// no number is an I/O error.
int CrtFailure() {
  const int e = LinuxErrnoOfCrt(errno);
  return e != 0 ? e : linux::kEIO;
}

int Done(int result) { return result == 0 ? 0 : CrtFailure(); }

}  // namespace

// msvcrt's own tmpfile creates its file in the root of the drive, which an
// ordinary user may not write to.
int TemporaryFile(int* fd) {
  char directory[MAX_PATH + 1];
  char name[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  if (length == 0 || length > MAX_PATH ||
      GetTempFileNameA(directory, "tbx", 0, name) == 0) {
    return linux::kEACCES;
  }
  // _O_TEMPORARY: the file goes when its last descriptor is closed.
  *fd = _open(name, _O_RDWR | _O_BINARY | _O_TEMPORARY);
  if (*fd < 0) {
    const int e = CrtFailure();
    DeleteFileA(name);
    return e;
  }
  return 0;
}

std::string TemporaryDirectory() {
  char directory[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  std::string path = length == 0 || length > MAX_PATH ? "." : directory;
  for (char& c : path)
    if (c == '\\') c = '/';
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// cmd.exe by way of msvcrt, in binary so that the command's bytes arrive
// as they were written. The guest reads and writes the stream's descriptor;
// msvcrt's record of it is only for _pclose.
int PipeOpen(const char* command, bool reading, const StartingSignals&, int* fd,
             void** child) {
  FILE* pipe = _popen(command, reading ? "rb" : "wb");
  if (pipe == nullptr) return CrtFailure();
  *fd = _fileno(pipe);
  *child = pipe;
  return 0;
}

int PipeClose(void* child, int32_t* status) {
  const int code = _pclose(static_cast<FILE*>(child));
  if (code == -1) return CrtFailure();
  *status = static_cast<int32_t>((static_cast<uint32_t>(code) & 0xFF) << 8);
  return 0;
}

int ReplacePath(const char* from, const char* to) {
  if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    return 0;
  return LastLinuxErrno();
}

int DeletePath(const char* path, bool directory) {
  return Done(directory ? _rmdir(path) : _unlink(path));
}

}  // namespace platform
