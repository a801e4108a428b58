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
  wchar_t directory[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, directory);
  if (length == 0 || length > MAX_PATH ||
      GetTempFileNameW(directory, L"tbx", 0, name) == 0) {
    return linux::kEACCES;
  }
  // _O_TEMPORARY: the file goes when its last descriptor is closed.
  *fd = _wopen(name, _O_RDWR | _O_BINARY | _O_TEMPORARY);
  if (*fd < 0) {
    const int e = CrtFailure();
    DeleteFileW(name);
    return e;
  }
  return 0;
}

// The user's temporary folder, by the name every call here maps to it.
std::string TemporaryDirectory() { return "/tmp"; }

// cmd.exe by way of msvcrt, in binary so that the command's bytes arrive
// as they were written. The guest reads and writes the stream's descriptor;
// msvcrt's record of it is only for _pclose.
int PipeOpen(const char* command, bool reading, const StartingSignals&, int* fd,
             void** child) {
  FILE* pipe = _wpopen(Wide(command).c_str(), reading ? L"rb" : L"wb");
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
  if (MoveFileExW(HostPath(from).c_str(), HostPath(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    return 0;
  return LastLinuxErrno();
}

int DeletePath(const char* path, bool directory) {
  const std::wstring host = HostPath(path);
  return Done(directory ? _wrmdir(host.c_str()) : _wunlink(host.c_str()));
}

}  // namespace platform
