// Temporary files and commands' pipes on Linux.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/linux/host.h"
#include "platform/streams.h"

namespace platform {

namespace {

// A command started by popen, when the starter process is not running.
struct HostPipe {
  FILE* file;
};

}  // namespace

int TemporaryFile(int* fd) {
  char name[] = "/tmp/tumbexXXXXXX";
  *fd = mkostemp(name, O_CLOEXEC);
  if (*fd < 0) return errno;
  unlink(name);
  return 0;
}

std::string TemporaryDirectory() { return P_tmpdir; }

int PipeOpen(const char* command, bool reading, const StartingSignals& signals,
             const EnvironmentEntries& environment, int* fd, void** child) {
  if (CommandStarterRunning())
    return StartPipeCommand(command, reading, signals, environment, fd, child);
  FILE* pipe = nullptr;
  {
    const ChildSignalScope scope(signals);
    pipe = popen(command, reading ? "r" : "w");
  }
  if (pipe == nullptr) return errno;
  *fd = fileno(pipe);
  *child = new HostPipe{pipe};
  return 0;
}

int PipeClose(void* child, int32_t* status) {
  if (ClosePipeCommand(child, status)) return *status == -1 ? ECHILD : 0;
  auto* pipe = static_cast<HostPipe*>(child);
  const int result = pclose(pipe->file);
  delete pipe;
  if (result == -1) return errno;
  *status = result;
  return 0;
}

int ReplacePath(const char* from, const char* to) { return Done(rename(from, to)); }

int DeletePath(const char* path, bool directory) {
  return Done(directory ? rmdir(path) : unlink(path));
}

}  // namespace platform
