// The C runtime's streams on Linux: glibc's own, with its stdio_ext
// answers.
#include <fcntl.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "abi/files.h"
#include "platform/linux/host.h"
#include "platform/streams.h"

namespace platform {

namespace {

int OpenFlagsOf(unsigned flags) {
  int oflags = O_RDONLY;
  if ((flags & linux::kOpenWrite) != 0)
    oflags = (flags & linux::kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  if (flags & linux::kOpenCreate) oflags |= O_CREAT;
  if (flags & linux::kOpenTruncate) oflags |= O_TRUNC;
  if (flags & linux::kOpenExclusive) oflags |= O_EXCL;
  if (flags & linux::kOpenAppend) oflags |= O_APPEND;
  return oflags | O_LARGEFILE;
}

// The host's fdopen mode for the stream's access.
const char* ModeOf(unsigned flags) {
  const bool read = (flags & linux::kOpenRead) != 0, write = (flags & linux::kOpenWrite) != 0;
  if (flags & linux::kOpenAppend) return read ? "a+" : "a";
  if (read && write) return "r+";
  return write ? "w" : "r";
}

// Takes `fd`: on failure it is closed.
int StreamOnDescriptor(int fd, unsigned flags, void** stream) {
  if (fd < 0) return errno;
  FILE* file = fdopen(fd, ModeOf(flags));
  if (file == nullptr) {
    const int e = errno;
    close(fd);
    return e;
  }
  *stream = file;
  return 0;
}

int Done(FILE* file) { return file != nullptr ? 0 : errno; }

}  // namespace

int StreamOpen(const char* path, unsigned flags, void** stream) {
  return StreamOnDescriptor(open(path, OpenFlagsOf(flags), 0666), flags, stream);
}

int StreamReopen(const char* path, unsigned flags, void* stream) {
  // freopen cannot ask for exclusive creation; the caller checks first.
  static constexpr const char* kModes[] = {"r", "w", "a", "r+", "w+", "a+"};
  const bool read = (flags & linux::kOpenRead) != 0, write = (flags & linux::kOpenWrite) != 0;
  int index = (flags & linux::kOpenAppend) ? 2 : (flags & linux::kOpenTruncate) ? 1 : 0;
  if (read && write) index += 3;
  return Done(freopen(path, kModes[index], static_cast<FILE*>(stream)));
}

int StreamFromDescriptor(int fd, unsigned flags, void** stream) {
  FILE* file = fdopen(fd, ModeOf(flags));
  *stream = file;
  return Done(file);
}

int StreamDescriptor(void* stream) { return fileno(static_cast<FILE*>(stream)); }

int StreamCloseKeepingDescriptor(void* stream) {
  FILE* file = static_cast<FILE*>(stream);
  const int fd = fileno(file);
  if (fd < 0) return fclose(file) == 0 ? 0 : errno;
  const int kept = dup(fd);
  const int result = fclose(file) == 0 ? 0 : errno;
  if (kept >= 0) {
    dup2(kept, fd);
    close(kept);
  }
  return result;
}

int TemporaryStream(const void* contents, size_t size, unsigned flags,
                    void** stream) {
  char name[] = "/tmp/tumbexXXXXXX";
  const int fd = mkostemp(name, O_CLOEXEC);
  if (fd < 0) return errno;
  unlink(name);
  const char* p = static_cast<const char*>(contents);
  for (size_t done = 0; done < size;) {
    const ssize_t n = write(fd, p + done, size - done);
    if (n <= 0) {
      close(fd);
      return ENOSPC;
    }
    done += static_cast<size_t>(n);
  }
  if (flags & linux::kOpenAppend) fcntl(fd, F_SETFL, O_APPEND);
  lseek(fd, 0, SEEK_SET);
  return StreamOnDescriptor(fd, flags, stream);
}

std::string TemporaryDirectory() { return P_tmpdir; }

int PipeOpen(const char* command, bool reading, const StartingSignals& child,
             void** stream) {
  if (CommandStarterRunning()) return StartPipeCommand(command, reading, child, stream);
  FILE* pipe = nullptr;
  {
    const ChildSignalScope scope(child);
    pipe = popen(command, reading ? "r" : "w");
  }
  *stream = pipe;
  return Done(pipe);
}

int PipeClose(void* stream, int32_t* status) {
  if (ClosePipeCommand(stream, status)) return *status == -1 ? ECHILD : 0;
  const int result = pclose(static_cast<FILE*>(stream));
  if (result == -1) return errno;
  *status = result;
  return 0;
}

int StreamSeek(void* stream, int64_t offset, int whence) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return EINVAL;
  return Done(fseeko64(static_cast<FILE*>(stream), offset, kWhence[whence]));
}

int StreamTell(void* stream, int64_t* position) {
  *position = ftello64(static_cast<FILE*>(stream));
  return *position < 0 ? errno : 0;
}

int StreamTruncate(void* stream, int64_t size) {
  return Done(ftruncate64(fileno(static_cast<FILE*>(stream)), size));
}

int StreamSetBuffering(void* stream, char* buffer, Buffering mode,
                       size_t size) {
  static constexpr int kModes[] = {_IOFBF, _IOLBF, _IONBF};
  // setvbuf refuses only what it cannot take, and says no more.
  return setvbuf(static_cast<FILE*>(stream), buffer,
                 kModes[static_cast<int>(mode)], size) == 0 ? 0 : EINVAL;
}

bool StreamReading(void* stream) { return __freading(static_cast<FILE*>(stream)) != 0; }
bool StreamWriting(void* stream) { return __fwriting(static_cast<FILE*>(stream)) != 0; }
void StreamPurge(void* stream) { __fpurge(static_cast<FILE*>(stream)); }
void StreamSetError(void* stream) {
  static_cast<FILE*>(stream)->_flags |= _IO_ERR_SEEN;
}

int ReplacePath(const char* from, const char* to) { return Done(rename(from, to)); }

int DeletePath(const char* path, bool directory) {
  return Done(directory ? rmdir(path) : unlink(path));
}

}  // namespace platform
