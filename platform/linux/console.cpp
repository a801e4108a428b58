// The run-time's console and files on Linux: handles are descriptors, and
// errno is already the answer.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "abi/files.h"
#include "platform/console.h"
#include "platform/linux/host.h"

namespace platform {

Handle StdInput() { return 0; }
Handle StdOutput() { return 1; }
Handle StdError() { return 2; }

bool IsConsole(Handle h) { return isatty(static_cast<int>(h)) == 1; }

// A descriptor of our own would take a number the guest can see; the pause
// is a Windows console's need, so Linux keeps reading descriptor 0.
Handle KeepConsoleInput(Handle input) { return input; }

int FileOpen(const char* path, unsigned flags, unsigned permission,
             Handle* handle) {
  *handle = kInvalidHandle;
  int oflags = O_CLOEXEC | O_LARGEFILE;
  if ((flags & linux::kOpenWrite) != 0)
    oflags |= (flags & linux::kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  else
    oflags |= O_RDONLY;
  if (flags & linux::kOpenCreate) oflags |= O_CREAT;
  if (flags & linux::kOpenTruncate) oflags |= O_TRUNC;
  if (flags & linux::kOpenExclusive) oflags |= O_EXCL;
  if (flags & linux::kOpenAppend) oflags |= O_APPEND;
  int fd = Retry([&] { return open(path, oflags, permission); });
  if (fd < 0) return errno;
  // Windows refuses to open a directory as a file; so do we, on every port.
  struct stat64 st {};
  if (fstat64(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    return EACCES;
  }
  *handle = fd;
  return 0;
}

int FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  ssize_t n = Retry([&] { return read(static_cast<int>(h), buffer, count); });
  if (n < 0) return errno;
  *done = static_cast<uint32_t>(n);
  return 0;
}

int FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (*done < count) {
    ssize_t n = Retry(
        [&] { return write(static_cast<int>(h), p + *done, count - *done); });
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    *done += static_cast<uint32_t>(n);
  }
  return 0;
}

int FileSeek(Handle h, int64_t offset, int whence, int64_t* position) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return EINVAL;
  off64_t r = lseek64(static_cast<int>(h), offset, kWhence[whence]);
  if (r < 0) return errno;
  if (position != nullptr) *position = r;
  return 0;
}

int FileSize(Handle h, int64_t* size) {
  struct stat64 st {};
  if (fstat64(static_cast<int>(h), &st) != 0) return errno;
  *size = st.st_size;
  return 0;
}

int FileClose(Handle h) {
  // Linux closes the descriptor even when close() reports EINTR: no retry.
  if (close(static_cast<int>(h)) != 0 && errno != EINTR) return errno;
  return 0;
}

std::string_view LineEnd() { return "\n"; }

}  // namespace platform
