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

// The command's end of the pipe is its standard output (reading) or input
// (writing); the other two are the loader's. The guest reads and writes
// our end's descriptor, in binary, so the command's bytes arrive as they
// were written.
namespace {
struct Command {
  HANDLE process;
  int fd;
};
}  // namespace

int PipeOpen(const char* command, bool reading, const StartingSignals&,
             const EnvironmentEntries& environment, int* fd, void** child) {
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return LastLinuxErrno();
  const HANDLE ours = reading ? readEnd : writeEnd;
  const HANDLE theirs = reading ? writeEnd : readEnd;
  HANDLE standard[3] = {OsHandle(0), OsHandle(1), OsHandle(2)};
  standard[reading ? 1 : 0] = theirs;
  int error = 0;
  const HANDLE process = StartInterpreter(command, environment, standard, &error);
  CloseHandle(theirs);
  if (process == nullptr) {
    CloseHandle(ours);
    return error;
  }
  *fd = _open_osfhandle(reinterpret_cast<intptr_t>(ours), (reading ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
  if (*fd < 0) {
    CloseHandle(ours);
    CloseHandle(process);  // the command sees its pipe end and finishes alone
    return linux::kEMFILE;
  }
  *child = new Command{process, *fd};
  return 0;
}

int PipeClose(void* child, int32_t* status) {
  const auto* command = static_cast<Command*>(child);
  _close(command->fd);
  DWORD code = 0;
  WaitForSingleObject(command->process, INFINITE);
  GetExitCodeProcess(command->process, &code);
  CloseHandle(command->process);
  delete command;
  *status = static_cast<int32_t>((code & 0xFF) << 8);
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
