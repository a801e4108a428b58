// Files on Linux: the system calls themselves; their errno is the answer.
//
// 64-bit times, so that a guest's file times past 2038 reach the file and
// come back whole, as on a 64-bit-time Linux.
#define _TIME_BITS 64
#define _FILE_OFFSET_BITS 64
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "abi/files.h"
#include "platform/files.h"
#include "platform/linux/host.h"

namespace platform {

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

std::string GuestPathOf(std::string hostPath) { return hostPath; }

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

int PathStatus(const char* path, bool followLinks, FileStatus* status) {
  const KeepErrno keep;
  struct stat64 st {};
  const int r = followLinks ? stat64(path, &st) : lstat64(path, &st);
  if (r != 0) return errno;
  FromHost(st, status);
  return 0;
}

int DescriptorStatus(int fd, FileStatus* status) {
  const KeepErrno keep;
  struct stat64 st {};
  if (fstat64(fd, &st) != 0) return errno;
  FromHost(st, status);
  return 0;
}

int PathVolumeStatus(const char* path, VolumeStatus* status) {
  const KeepErrno keep;
  struct statvfs64 st {};
  if (statvfs64(path, &st) != 0) return errno;
  status->blockSize = static_cast<uint32_t>(st.f_frsize);
  status->blocks = st.f_blocks;
  status->freeBlocks = st.f_bfree;
  status->availableBlocks = st.f_bavail;
  status->files = st.f_files;
  status->freeFiles = st.f_ffree;
  status->id = static_cast<uint32_t>(st.f_fsid);
  status->nameMax = static_cast<uint32_t>(st.f_namemax);
  status->readOnly = (st.f_flag & ST_RDONLY) != 0;
  return 0;
}

void AllowDescriptors(uint32_t count) {
  struct rlimit limit {};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= count) return;
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? count : std::min<rlim_t>(count, limit.rlim_max);
  setrlimit(RLIMIT_NOFILE, &limit);
}

bool DescriptorIsOpen(int fd) {
  const KeepErrno keep;
  return fd >= 0 && fcntl(fd, F_GETFD) != -1;
}

int DescriptorOpen(const char* path, unsigned flags, unsigned permission,
                   int* fd) {
  const KeepErrno keep;
  int oflags = O_LARGEFILE;
  if ((flags & linux::kOpenWrite) != 0)
    oflags |= (flags & linux::kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  if (flags & linux::kOpenCreate) oflags |= O_CREAT;
  if (flags & linux::kOpenTruncate) oflags |= O_TRUNC;
  if (flags & linux::kOpenExclusive) oflags |= O_EXCL;
  if (flags & linux::kOpenAppend) oflags |= O_APPEND;
  *fd = Retry([&] { return open(path, oflags, permission); });
  return Done(*fd);
}

int DescriptorOpenDirectory(const char* path, int* fd) {
  const KeepErrno keep;
  *fd = open(path, O_RDONLY | O_DIRECTORY);
  return Done(*fd);
}

int DescriptorDirectoryPath(int fd, std::string* path) {
  const KeepErrno keep;
  struct stat64 st {};
  if (fstat64(fd, &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n < 0) return errno;
  path->assign(target, static_cast<size_t>(n));
  return 0;
}

int DescriptorClose(int fd) {
  const KeepErrno keep;
  if (close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

int DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position) {
  const KeepErrno keep;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return EINVAL;
  const off64_t r = lseek64(fd, offset, kWhence[whence]);
  if (r < 0) return errno;
  *position = r;
  return 0;
}

int DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done) {
  const KeepErrno keep;
  const ssize_t n = Retry([&] { return read(fd, buffer, count); });
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return Done(static_cast<int>(n));
}

int DescriptorWrite(int fd, const void* buffer, uint32_t count,
                    uint32_t* done) {
  const KeepErrno keep;
  const ssize_t n = Retry([&] { return write(fd, buffer, count); });
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return Done(static_cast<int>(n));
}

int DescriptorDuplicate(int fd, int* copy) {
  const KeepErrno keep;
  *copy = dup(fd);
  return Done(*copy);
}

int DescriptorDuplicateTo(int fd, int target) {
  const KeepErrno keep;
  return Done(dup2(fd, target));
}

int DescriptorPipe(int fds[2]) {
  const KeepErrno keep;
  return Done(pipe(fds));
}
int DescriptorSync(int fd) {
  const KeepErrno keep;
  return Done(fsync(fd));
}

int DescriptorTruncate(int fd, int64_t length) {
  const KeepErrno keep;
  return Done(ftruncate64(fd, length));
}

int DescriptorSetTimes(int fd, const FileTime* access,
                       const FileTime* modify) {
  const KeepErrno keep;
  timespec times[2];
  ToHostTimes(access, modify, times);
  return Done(futimens(fd, times));
}

int DescriptorSetPermissions(int fd, unsigned mode) {
  const KeepErrno keep;
  return Done(fchmod(fd, mode));
}

int DescriptorAccess(int fd, bool* readable, bool* writable) {
  const KeepErrno keep;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return errno;
  *readable = (flags & O_ACCMODE) != O_WRONLY;
  *writable = (flags & O_ACCMODE) != O_RDONLY;
  return 0;
}

bool DescriptorIsTerminal(int fd) {
  const KeepErrno keep;
  return isatty(fd) == 1;
}

int DescriptorTerminalName(int fd, std::string* name) {
  const KeepErrno keep;
  char buffer[256];
  const int r = ttyname_r(fd, buffer, sizeof buffer);
  if (r != 0) return r;
  *name = buffer;
  return 0;
}

int RemoveFile(const char* path) {
  const KeepErrno keep;
  return Done(unlink(path));
}
int RemoveDir(const char* path) {
  const KeepErrno keep;
  return Done(rmdir(path));
}

int MakeDirectory(const char* path, unsigned mode) {
  const KeepErrno keep;
  return Done(mkdir(path, mode));
}

int RenamePath(const char* from, const char* to) {
  const KeepErrno keep;
  return Done(rename(from, to));
}

int HardLink(const char* existing, const char* path) {
  const KeepErrno keep;
  return Done(link(existing, path));
}

int SymbolicLink(const char* target, const char* path) {
  const KeepErrno keep;
  return Done(symlink(target, path));
}

int ReadLink(const char* path, std::string* target) {
  const KeepErrno keep;
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink(path, buffer.data(), buffer.size());
    if (n < 0) return errno;
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      *target = buffer;
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

int ChangeDirectory(const char* path) {
  const KeepErrno keep;
  return Done(chdir(path));
}

int FullPath(const char* path, std::string* resolved) {
  const KeepErrno keep;
  char* full = realpath(path, nullptr);
  if (full == nullptr) return errno;
  *resolved = full;
  free(full);
  return 0;
}

int SetPermissions(const char* path, unsigned mode) {
  const KeepErrno keep;
  return Done(chmod(path, mode));
}

int SetTimes(const char* path, const FileTime* access,
             const FileTime* modify, bool followLinks) {
  const KeepErrno keep;
  timespec times[2];
  ToHostTimes(access, modify, times);
  return Done(utimensat(AT_FDCWD, path, times,
                        followLinks ? 0 : AT_SYMLINK_NOFOLLOW));
}

int TruncatePath(const char* path, int64_t length) {
  const KeepErrno keep;
  return Done(truncate64(path, length));
}

int CheckAccess(const char* path, int mode) {
  const KeepErrno keep;
  return Done(access(path, mode));
}

unsigned SetCreationMask(unsigned mask) {
  const KeepErrno keep;
  return umask(mask & 0777);
}

int ListDirectory(const char* path, std::vector<DirectoryEntry>* entries) {
  const KeepErrno keep;
  DIR* dir = opendir(path);
  if (dir == nullptr) return errno;
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
  const int result = errno;
  closedir(dir);
  return result;
}

// ---- Writes to the C runtime's descriptors (the format family) ----

int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size) {
  return static_cast<int32_t>(::write(fd, data, size));
}


}  // namespace platform
