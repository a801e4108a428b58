// The run-time's console and files on Linux: handles are descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/console.h"
#include "platform/linux/host.h"

namespace platform {

Handle StdInput() { return 0; }
Handle StdOutput() { return 1; }
Handle StdError() { return 2; }

bool IsConsole(Handle h) { return isatty(static_cast<int>(h)) == 1; }

uint32_t FileOpen(const char* path, unsigned flags, unsigned permission,
                  Handle* handle) {
  *handle = kInvalidHandle;
  int oflags = O_CLOEXEC | O_LARGEFILE;
  if ((flags & kOpenWrite) != 0)
    oflags |= (flags & kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  else
    oflags |= O_RDONLY;
  if (flags & kOpenCreate) oflags |= O_CREAT;
  if (flags & kOpenTruncate) oflags |= O_TRUNC;
  if (flags & kOpenExclusive) oflags |= O_EXCL;
  if (flags & kOpenAppend) oflags |= O_APPEND;
  int fd = Retry([&] { return open(path, oflags, permission); });
  if (fd < 0) return LastError();
  // Windows refuses to open a directory as a file; so do we, on every port.
  struct stat64 st {};
  if (fstat64(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    return err::kAccessDenied;
  }
  *handle = fd;
  return err::kSuccess;
}

uint32_t FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  ssize_t n = Retry([&] { return read(static_cast<int>(h), buffer, count); });
  if (n < 0) return LastError();
  *done = static_cast<uint32_t>(n);
  return err::kSuccess;
}

// Everything or an error, like WriteFile on a blocking handle.
uint32_t FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (*done < count) {
    ssize_t n = Retry(
        [&] { return write(static_cast<int>(h), p + *done, count - *done); });
    if (n < 0) return LastError();
    if (n == 0) return err::kDiskFull;
    *done += static_cast<uint32_t>(n);
  }
  return err::kSuccess;
}

uint32_t FileSeek(Handle h, int64_t offset, int whence, int64_t* position) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return err::kInvalidParameter;
  off64_t r = lseek64(static_cast<int>(h), offset, kWhence[whence]);
  if (r < 0) return errno == EINVAL ? err::kNegativeSeek : LastError();
  if (position != nullptr) *position = r;
  return err::kSuccess;
}

uint32_t FileSize(Handle h, int64_t* size) {
  struct stat64 st {};
  if (fstat64(static_cast<int>(h), &st) != 0) return LastError();
  *size = st.st_size;
  return err::kSuccess;
}

uint32_t FileClose(Handle h) {
  // Linux closes the descriptor even when close() reports EINTR: no retry.
  if (close(static_cast<int>(h)) != 0 && errno != EINTR) return LastError();
  return err::kSuccess;
}

std::string_view LineEnd() { return "\n"; }

}  // namespace platform
