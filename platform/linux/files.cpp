// Files on Linux: the system calls themselves, with errno mapped onto the
// Win32 numbers once, in one table.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/linux/host.h"

namespace platform {
namespace {

// ---- errno to Win32 numbers -----------------------------------------------

struct ErrnoRow {
  int errnoValue;
  uint32_t win32;
};

constexpr std::array<ErrnoRow, 25> kErrnoTable{{
    {ENOENT, err::kFileNotFound},
    {ENXIO, err::kFileNotFound},
    {ENOTDIR, err::kPathNotFound},
    {EMFILE, err::kTooManyOpenFiles},
    {ENFILE, err::kTooManyOpenFiles},
    {EACCES, err::kAccessDenied},
    {EPERM, err::kAccessDenied},
    {EROFS, err::kAccessDenied},
    {EBADF, err::kInvalidHandle},
    {ENOMEM, err::kNotEnoughMemory},
    {ETXTBSY, err::kSharingViolation},
    {EEXIST, err::kFileExists},
    {EINVAL, err::kInvalidParameter},
    {EPIPE, err::kBrokenPipe},
    {ENOSPC, err::kDiskFull},
    {EDQUOT, err::kDiskFull},
    {ENAMETOOLONG, err::kFilenameTooLong},
    {EISDIR, err::kDirectory},
    {EFAULT, err::kNoAccess},
    {ELOOP, err::kInvalidName},
    {ESPIPE, 132},   // ERROR_SEEK_ON_DEVICE
    {EFBIG, 223},    // ERROR_FILE_TOO_LARGE
    {EIO, 1117},     // ERROR_IO_DEVICE
    {EBUSY, 170},    // ERROR_BUSY
    {EAGAIN, 232},   // ERROR_NO_DATA
}};
static_assert(kErrnoTable.size() == 25);

// Errors without a Win32 counterpart keep their errno in the low bits of an
// application-defined code (bit 29), so a report still names the cause.
constexpr uint32_t kUnmappedErrno = 0x20000000;

}  // namespace

namespace {

uint32_t Win32Error(int e) {
  for (const ErrnoRow& row : kErrnoTable)
    if (row.errnoValue == e) return row.win32;
  return kUnmappedErrno | static_cast<uint32_t>(e);
}

}  // namespace

uint32_t LastError() { return Win32Error(errno); }

namespace {

// The file calls tell more causes apart than the start-up table above; the
// extra ones go to the Win32 codes Windows gives for the same cause.
struct FilesErrnoRow {
  int errnoValue;
  uint32_t code;
};
constexpr FilesErrnoRow kFilesErrno[] = {
    {ENOTDIR, err::kDirectory},         {EISDIR, err::kIsADirectory},
    {ENOTEMPTY, err::kDirNotEmpty},     {EXDEV, err::kNotSameDevice},
    {ELOOP, err::kCantResolveFilename}, {EPERM, err::kPrivilegeNotHeld},
    {EROFS, err::kWriteProtect},        {EEXIST, err::kAlreadyExists},
    {EOPNOTSUPP, err::kNotSupported},   {ENODEV, err::kNotSupported},
};

}  // namespace

uint32_t FilesError() {
  for (const FilesErrnoRow& row : kFilesErrno)
    if (row.errnoValue == errno) return row.code;
  return LastError();
}

uint32_t Done(int result) { return result < 0 ? FilesError() : err::kSuccess; }

namespace {

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  if (S_ISLNK(mode)) return FileKind::kSymlink;
  if (S_ISCHR(mode)) return FileKind::kCharDevice;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  return FileKind::kUnknown;
}

void FromHost(const struct stat64& st, FileStatus* status) {
  status->kind = KindOf(st.st_mode);
  status->permissions = st.st_mode & 07777;
  status->size = static_cast<uint64_t>(st.st_size);
  status->inode = st.st_ino;
  status->device = st.st_dev;
  status->rdev = st.st_rdev;
  status->links = static_cast<uint32_t>(st.st_nlink);
  status->uid = st.st_uid;
  status->gid = st.st_gid;
  status->blockSize = static_cast<uint32_t>(st.st_blksize);
  status->blocks = static_cast<uint64_t>(st.st_blocks);
  status->access = {st.st_atim.tv_sec, static_cast<uint32_t>(st.st_atim.tv_nsec)};
  status->modify = {st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec)};
  status->change = {st.st_ctim.tv_sec, static_cast<uint32_t>(st.st_ctim.tv_nsec)};
}

// Both times for utimensat: a missing one is left as it is.
void ToHostTimes(const FileTime* access, const FileTime* modify,
                 timespec times[2]) {
  const FileTime* given[2] = {access, modify};
  for (int i = 0; i < 2; ++i) {
    if (given[i] == nullptr) {
      times[i] = {0, UTIME_OMIT};
    } else {
      times[i].tv_sec = static_cast<time_t>(given[i]->seconds);
      times[i].tv_nsec = static_cast<long>(given[i]->nanoseconds);
    }
  }
}

}  // namespace

char DirectorySeparator() { return '/'; }

bool IsAbsolutePath(std::string_view path) {
  return !path.empty() && path.front() == '/';
}

std::string CurrentDirectory() {
  std::string dir(256, '\0');
  while (getcwd(dir.data(), dir.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    dir.resize(dir.size() * 2);
  }
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}


bool FileExists(const char* path) {
  struct stat64 st {};
  return stat64(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const char* path) {
  struct stat64 st {};
  return stat64(path, &st) == 0 && S_ISDIR(st.st_mode);
}

uint32_t PathStatus(const char* path, bool followLinks, FileStatus* status) {
  const KeepErrno keep;
  struct stat64 st {};
  const int r = followLinks ? stat64(path, &st) : lstat64(path, &st);
  if (r != 0) return FilesError();
  FromHost(st, status);
  return err::kSuccess;
}

uint32_t DescriptorStatus(int fd, FileStatus* status) {
  const KeepErrno keep;
  struct stat64 st {};
  if (fstat64(fd, &st) != 0) return FilesError();
  FromHost(st, status);
  return err::kSuccess;
}

uint32_t PathVolumeStatus(const char* path, VolumeStatus* status) {
  const KeepErrno keep;
  struct statvfs64 st {};
  if (statvfs64(path, &st) != 0) return FilesError();
  status->blockSize = static_cast<uint32_t>(st.f_frsize);
  status->blocks = st.f_blocks;
  status->freeBlocks = st.f_bfree;
  status->availableBlocks = st.f_bavail;
  status->files = st.f_files;
  status->freeFiles = st.f_ffree;
  status->id = static_cast<uint32_t>(st.f_fsid);
  status->nameMax = static_cast<uint32_t>(st.f_namemax);
  status->readOnly = (st.f_flag & ST_RDONLY) != 0;
  return err::kSuccess;
}

bool DescriptorIsOpen(int fd) {
  const KeepErrno keep;
  return fd >= 0 && fcntl(fd, F_GETFD) != -1;
}

uint32_t DescriptorOpen(const char* path, unsigned flags, unsigned permission,
                        int* fd) {
  const KeepErrno keep;
  int oflags = O_LARGEFILE;
  if ((flags & kOpenWrite) != 0)
    oflags |= (flags & kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  if (flags & kOpenCreate) oflags |= O_CREAT;
  if (flags & kOpenTruncate) oflags |= O_TRUNC;
  if (flags & kOpenExclusive) oflags |= O_EXCL;
  if (flags & kOpenAppend) oflags |= O_APPEND;
  *fd = Retry([&] { return open(path, oflags, permission); });
  return Done(*fd);
}

uint32_t DescriptorOpenDirectory(const char* path, int* fd) {
  const KeepErrno keep;
  *fd = open(path, O_RDONLY | O_DIRECTORY);
  return Done(*fd);
}

uint32_t DescriptorDirectoryPath(int fd, std::string* path) {
  const KeepErrno keep;
  struct stat64 st {};
  if (fstat64(fd, &st) != 0) return FilesError();
  if (!S_ISDIR(st.st_mode)) return err::kDirectory;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n < 0) return FilesError();
  path->assign(target, static_cast<size_t>(n));
  return err::kSuccess;
}

uint32_t DescriptorClose(int fd) {
  const KeepErrno keep;
  if (close(fd) != 0 && errno != EINTR) return FilesError();
  return err::kSuccess;
}

uint32_t DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position) {
  const KeepErrno keep;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return err::kInvalidParameter;
  const off64_t r = lseek64(fd, offset, kWhence[whence]);
  if (r < 0) return errno == ESPIPE ? err::kSeekOnDevice : FilesError();
  *position = r;
  return err::kSuccess;
}

uint32_t DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done) {
  const KeepErrno keep;
  const ssize_t n = Retry([&] { return read(fd, buffer, count); });
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return Done(static_cast<int>(n));
}

uint32_t DescriptorWrite(int fd, const void* buffer, uint32_t count,
                         uint32_t* done) {
  const KeepErrno keep;
  const ssize_t n = Retry([&] { return write(fd, buffer, count); });
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return Done(static_cast<int>(n));
}

uint32_t DescriptorDuplicate(int fd, int* copy) {
  const KeepErrno keep;
  *copy = dup(fd);
  return Done(*copy);
}

uint32_t DescriptorDuplicateTo(int fd, int target) {
  const KeepErrno keep;
  return Done(dup2(fd, target));
}

uint32_t DescriptorPipe(int fds[2]) {
  const KeepErrno keep;
  return Done(pipe(fds));
}
uint32_t DescriptorSync(int fd) {
  const KeepErrno keep;
  return Done(fsync(fd));
}

uint32_t DescriptorTruncate(int fd, int64_t length) {
  const KeepErrno keep;
  return Done(ftruncate64(fd, length));
}

uint32_t DescriptorSetTimes(int fd, const FileTime* access,
                            const FileTime* modify) {
  const KeepErrno keep;
  timespec times[2];
  ToHostTimes(access, modify, times);
  return Done(futimens(fd, times));
}

uint32_t DescriptorSetPermissions(int fd, unsigned mode) {
  const KeepErrno keep;
  return Done(fchmod(fd, mode));
}

uint32_t DescriptorAccess(int fd, bool* readable, bool* writable) {
  const KeepErrno keep;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return FilesError();
  *readable = (flags & O_ACCMODE) != O_WRONLY;
  *writable = (flags & O_ACCMODE) != O_RDONLY;
  return err::kSuccess;
}

bool DescriptorIsTerminal(int fd) {
  const KeepErrno keep;
  return isatty(fd) == 1;
}

uint32_t DescriptorTerminalName(int fd, std::string* name) {
  const KeepErrno keep;
  char buffer[256];
  const int r = ttyname_r(fd, buffer, sizeof buffer);
  if (r != 0) {
    errno = r;
    return FilesError();
  }
  *name = buffer;
  return err::kSuccess;
}

uint32_t RemoveFile(const char* path) {
  const KeepErrno keep;
  return Done(unlink(path));
}
uint32_t RemoveDir(const char* path) {
  const KeepErrno keep;
  return Done(rmdir(path));
}

uint32_t MakeDirectory(const char* path, unsigned mode) {
  const KeepErrno keep;
  return Done(mkdir(path, mode));
}

uint32_t RenamePath(const char* from, const char* to) {
  const KeepErrno keep;
  return Done(rename(from, to));
}

uint32_t HardLink(const char* existing, const char* path) {
  const KeepErrno keep;
  return Done(link(existing, path));
}

uint32_t SymbolicLink(const char* target, const char* path) {
  const KeepErrno keep;
  return Done(symlink(target, path));
}

uint32_t ReadLink(const char* path, std::string* target) {
  const KeepErrno keep;
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink(path, buffer.data(), buffer.size());
    if (n < 0) return FilesError();
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      *target = buffer;
      return err::kSuccess;
    }
    buffer.resize(buffer.size() * 2);
  }
}

uint32_t ChangeDirectory(const char* path) {
  const KeepErrno keep;
  return Done(chdir(path));
}

uint32_t FullPath(const char* path, std::string* resolved) {
  const KeepErrno keep;
  char* full = realpath(path, nullptr);
  if (full == nullptr) return FilesError();
  *resolved = full;
  free(full);
  return err::kSuccess;
}

uint32_t SetPermissions(const char* path, unsigned mode) {
  const KeepErrno keep;
  return Done(chmod(path, mode));
}

uint32_t SetTimes(const char* path, const FileTime* access,
                  const FileTime* modify) {
  const KeepErrno keep;
  timespec times[2];
  ToHostTimes(access, modify, times);
  return Done(utimensat(AT_FDCWD, path, times, 0));
}

uint32_t TruncatePath(const char* path, int64_t length) {
  const KeepErrno keep;
  return Done(truncate64(path, length));
}

uint32_t CheckAccess(const char* path, int mode) {
  const KeepErrno keep;
  return Done(access(path, mode));
}

unsigned SetCreationMask(unsigned mask) {
  const KeepErrno keep;
  return umask(mask & 0777);
}

uint32_t ListDirectory(const char* path, std::vector<DirectoryEntry>* entries) {
  const KeepErrno keep;
  DIR* dir = opendir(path);
  if (dir == nullptr) return FilesError();
  errno = 0;
  while (const dirent64* entry = readdir64(dir)) {
    FileKind kind = FileKind::kUnknown;
    switch (entry->d_type) {
      case DT_REG: kind = FileKind::kRegular; break;
      case DT_DIR: kind = FileKind::kDirectory; break;
      case DT_LNK: kind = FileKind::kSymlink; break;
      case DT_CHR: kind = FileKind::kCharDevice; break;
      case DT_FIFO: kind = FileKind::kFifo; break;
      default: break;
    }
    entries->push_back({entry->d_name, kind, entry->d_ino});
  }
  const uint32_t result = errno != 0 ? FilesError() : err::kSuccess;
  closedir(dir);
  return result;
}

// ---- Writes to the C runtime's descriptors (the format family) ----

int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size) {
  return static_cast<int32_t>(::write(fd, data, size));
}


}  // namespace platform
