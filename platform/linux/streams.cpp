// The C runtime's streams on Linux: glibc's own, with its stdio_ext
// answers.
#include <fcntl.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/linux/host.h"
#include "platform/streams.h"

namespace platform {

namespace {

int OpenFlagsOf(unsigned flags) {
  int oflags = O_RDONLY;
  if ((flags & kOpenWrite) != 0)
    oflags = (flags & kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  if (flags & kOpenCreate) oflags |= O_CREAT;
  if (flags & kOpenTruncate) oflags |= O_TRUNC;
  if (flags & kOpenExclusive) oflags |= O_EXCL;
  if (flags & kOpenAppend) oflags |= O_APPEND;
  return oflags | O_LARGEFILE;
}

// The host's fdopen mode for the stream's access.
const char* ModeOf(unsigned flags) {
  const bool read = (flags & kOpenRead) != 0, write = (flags & kOpenWrite) != 0;
  if (flags & kOpenAppend) return read ? "a+" : "a";
  if (read && write) return "r+";
  return write ? "w" : "r";
}

void* StreamOnDescriptor(int fd, unsigned flags) {
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, ModeOf(flags));
  if (stream == nullptr) {
    const int saved = errno;
    close(fd);
    errno = saved;
  }
  return stream;
}

}  // namespace

void* StreamOpen(const char* path, unsigned flags) {
  return StreamOnDescriptor(open(path, OpenFlagsOf(flags), 0666), flags);
}

void* StreamReopen(const char* path, unsigned flags, void* stream) {
  // freopen cannot ask for exclusive creation; the caller checks first.
  static constexpr const char* kModes[] = {"r", "w", "a", "r+", "w+", "a+"};
  const bool read = (flags & kOpenRead) != 0, write = (flags & kOpenWrite) != 0;
  int index = (flags & kOpenAppend) ? 2 : (flags & kOpenTruncate) ? 1 : 0;
  if (read && write) index += 3;
  return freopen(path, kModes[index], static_cast<FILE*>(stream));
}

void* StreamFromDescriptor(int fd, unsigned flags) {
  return fdopen(fd, ModeOf(flags));
}

int StreamDescriptor(void* stream) { return fileno(static_cast<FILE*>(stream)); }

int StreamCloseKeepingDescriptor(void* stream) {
  FILE* file = static_cast<FILE*>(stream);
  const int saved = errno;
  const int fd = fileno(file);
  errno = saved;
  if (fd < 0) return fclose(file);
  const int kept = dup(fd);
  const int result = fclose(file);
  const int closeErrno = errno;
  if (kept >= 0) {
    dup2(kept, fd);
    close(kept);
  }
  errno = closeErrno;
  return result;
}

void* TemporaryStream(const void* contents, size_t size, unsigned flags) {
  char name[] = "/tmp/tumbexXXXXXX";
  const int fd = mkostemp(name, O_CLOEXEC);
  if (fd < 0) return nullptr;
  unlink(name);
  const char* p = static_cast<const char*>(contents);
  for (size_t done = 0; done < size;) {
    const ssize_t n = write(fd, p + done, size - done);
    if (n <= 0) {
      close(fd);
      errno = ENOSPC;
      return nullptr;
    }
    done += static_cast<size_t>(n);
  }
  if (flags & kOpenAppend) fcntl(fd, F_SETFL, O_APPEND);
  lseek(fd, 0, SEEK_SET);
  return StreamOnDescriptor(fd, flags);
}

std::string TemporaryDirectory() { return P_tmpdir; }

void* PipeOpen(const char* command, bool reading, const StartingSignals& child) {
  const ChildSignalScope scope(child);
  return popen(command, reading ? "r" : "w");
}

int32_t PipeClose(void* stream) { return pclose(static_cast<FILE*>(stream)); }

int StreamSeek(void* stream, int64_t offset, int whence) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) {
    errno = EINVAL;
    return -1;
  }
  return fseeko64(static_cast<FILE*>(stream), offset, kWhence[whence]);
}

int64_t StreamTell(void* stream) { return ftello64(static_cast<FILE*>(stream)); }

int StreamTruncate(void* stream, int64_t size) {
  return ftruncate64(fileno(static_cast<FILE*>(stream)), size);
}

int StreamSetBuffering(void* stream, char* buffer, Buffering mode,
                       size_t size) {
  static constexpr int kModes[] = {_IOFBF, _IOLBF, _IONBF};
  return setvbuf(static_cast<FILE*>(stream), buffer,
                 kModes[static_cast<int>(mode)], size);
}

bool StreamReading(void* stream) { return __freading(static_cast<FILE*>(stream)) != 0; }
bool StreamWriting(void* stream) { return __fwriting(static_cast<FILE*>(stream)) != 0; }
void StreamPurge(void* stream) { __fpurge(static_cast<FILE*>(stream)); }
void StreamSetError(void* stream) {
  static_cast<FILE*>(stream)->_flags |= _IO_ERR_SEEN;
}

int ReplacePath(const char* from, const char* to) { return rename(from, to); }

int DeletePath(const char* path, bool directory) {
  return directory ? rmdir(path) : unlink(path);
}

}  // namespace platform
