// Files: status, descriptors, names, permissions and temporary files.
//
// Every call goes through the platform's neutral file services, so the
// Linux port runs the code Windows users run; what the guest sees is built
// here from the neutral record in the Linux C library's layouts.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "abi/files.h"
#include "abi/linux.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/guest.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "platform/streams.h"
#include "platform/time.h"
#include "process/process.h"

extern "C" const char* tblibc_strerror(int32_t errnum);  // errors.cpp

namespace tblibc::files {
namespace {

struct DirectoryRecord {
  std::string path;
  uint64_t inode;
};
std::map<int32_t, DirectoryRecord> gDirectories;

// What getdents64 has read of a directory descriptor: the listing taken at
// its first call and how far the guest is through it.
struct Listing {
  uint64_t inode;
  std::vector<platform::DirectoryEntry> entries;
  size_t next = 0;
  bool listed = false;
};
std::map<int32_t, Listing> gListings;

}  // namespace

int32_t FailWith(int32_t linuxErrno) {
  SetErrno(linuxErrno);
  return -1;
}

std::string GuestPath(std::string hostPath) {
  return platform::GuestPathOf(std::move(hostPath));
}

uint32_t ModeOf(const platform::FileStatus& status) {
  using platform::FileKind;
  uint32_t kind = 0;
  switch (status.kind) {
    case FileKind::kRegular: kind = linux::kS_IFREG; break;
    case FileKind::kDirectory: kind = linux::kS_IFDIR; break;
    case FileKind::kSymlink: kind = linux::kS_IFLNK; break;
    case FileKind::kCharDevice: kind = linux::kS_IFCHR; break;
    case FileKind::kFifo: kind = linux::kS_IFIFO; break;
    case FileKind::kUnknown: break;
  }
  return kind | (status.permissions & 07777);
}

uint8_t DirentType(platform::FileKind kind) {
  using platform::FileKind;
  switch (kind) {
    case FileKind::kRegular: return linux::kDT_REG;
    case FileKind::kDirectory: return linux::kDT_DIR;
    case FileKind::kSymlink: return linux::kDT_LNK;
    case FileKind::kCharDevice: return linux::kDT_CHR;
    case FileKind::kFifo: return linux::kDT_FIFO;
    case FileKind::kUnknown: break;
  }
  return linux::kDT_UNKNOWN;
}

namespace {

linux::Timespec ToTimespec(const platform::FileTime& t) {
  return {static_cast<int32_t>(t.seconds), static_cast<int32_t>(t.nanoseconds)};
}

bool FitsTime(const platform::FileTime& t) {
  return t.seconds >= INT32_MIN && t.seconds <= INT32_MAX;
}

}  // namespace

void ToStat64(const platform::FileStatus& s, linux::Stat64* out) {
  std::memset(out, 0, sizeof *out);
  out->st_dev = s.device;
  out->st_ino32 = static_cast<uint32_t>(s.inode);
  out->st_mode = ModeOf(s);
  out->st_nlink = s.links;
  out->st_uid = s.uid;
  out->st_gid = s.gid;
  out->st_rdev = s.rdev;
  out->st_size = static_cast<int64_t>(s.size);
  out->st_blksize = static_cast<int32_t>(s.blockSize);
  out->st_blocks = static_cast<int64_t>(s.blocks);
  out->st_atim = ToTimespec(s.access);
  out->st_mtim = ToTimespec(s.modify);
  out->st_ctim = ToTimespec(s.change);
  out->st_ino = s.inode;
}

void ToStatTime64(const platform::FileStatus& s, linux::StatTime64* out) {
  linux::Stat64 wide;
  ToStat64(s, &wide);
  std::memset(out, 0, sizeof *out);
  out->st_dev = wide.st_dev;
  out->st_ino = wide.st_ino;
  out->st_mode = wide.st_mode;
  out->st_nlink = wide.st_nlink;
  out->st_uid = wide.st_uid;
  out->st_gid = wide.st_gid;
  out->st_rdev = wide.st_rdev;
  out->st_size = wide.st_size;
  out->st_blksize = wide.st_blksize;
  out->st_blocks = wide.st_blocks;
  // The whole seconds: Stat64's are cut to 32 bits.
  out->st_atim = {s.access.seconds, static_cast<int32_t>(s.access.nanoseconds), 0};
  out->st_mtim = {s.modify.seconds, static_cast<int32_t>(s.modify.nanoseconds), 0};
  out->st_ctim = {s.change.seconds, static_cast<int32_t>(s.change.nanoseconds), 0};
}

bool ToStat(const platform::FileStatus& s, linux::Stat* out) {
  if (s.size > INT32_MAX || s.inode > UINT32_MAX || s.blocks > INT32_MAX ||
      !FitsTime(s.access) || !FitsTime(s.modify) || !FitsTime(s.change))
    return false;
  std::memset(out, 0, sizeof *out);
  out->st_dev = s.device;
  out->st_ino = static_cast<uint32_t>(s.inode);
  out->st_mode = ModeOf(s);
  out->st_nlink = s.links;
  out->st_uid = s.uid;
  out->st_gid = s.gid;
  out->st_rdev = s.rdev;
  out->st_size = static_cast<int32_t>(s.size);
  out->st_blksize = static_cast<int32_t>(s.blockSize);
  out->st_blocks = static_cast<int32_t>(s.blocks);
  out->st_atim = ToTimespec(s.access);
  out->st_mtim = ToTimespec(s.modify);
  out->st_ctim = ToTimespec(s.change);
  return true;
}

void RememberDirectory(int32_t fd, std::string path) {
  platform::FileStatus status;
  platform::DescriptorStatus(fd, &status);
  gDirectories[fd] = {std::move(path), status.inode};
  gListings.erase(fd);
}

void ForgetDescriptor(int32_t fd) {
  gDirectories.erase(fd);
  gListings.erase(fd);
}

int32_t OpenDirectoryDescriptor(const char* path) {
  int fd = -1;
  if (const int e = platform::DescriptorOpenDirectory(path, &fd)) return FailWith(e);
  std::string full;
  // Kept absolute: the guest may change directory before it uses the
  // descriptor.
  if (platform::FullPath(path, &full) != 0) full = path;
  RememberDirectory(fd, full);
  return fd;
}

bool AtPath(int32_t dirfd, const char* path, std::string* resolved) {
  if (path == nullptr) {
    SetErrno(linux::kEFAULT);
    return false;
  }
  if (dirfd == linux::kAT_FDCWD || platform::IsAbsolutePath(path) ||
      path[0] == '/') {
    *resolved = path;
    return true;
  }
  const auto found = gDirectories.find(dirfd);
  if (found != gDirectories.end()) {
    // A number the guest closed and got again for something else is no
    // longer the directory recorded.
    platform::FileStatus status;
    if (platform::DescriptorStatus(dirfd, &status) == 0 &&
        status.kind == platform::FileKind::kDirectory &&
        status.inode == found->second.inode) {
      *resolved = found->second.path;
      if (path[0] != '\0') *resolved += "/" + std::string(path);
      return true;
    }
    gDirectories.erase(found);
  }
  // A directory descriptor made elsewhere (a duplicate, a host open).
  std::string directory;
  if (platform::DescriptorDirectoryPath(dirfd, &directory) == 0) {
    RememberDirectory(dirfd, directory);
    *resolved = directory;
    if (path[0] != '\0') *resolved += "/" + std::string(path);
    return true;
  }
  SetErrno(platform::DescriptorIsOpen(dirfd) ? linux::kENOTDIR : linux::kEBADF);
  return false;
}

platform::FileTime Now() {
  int64_t seconds = 0;
  uint32_t micro = 0;
  platform::TimeOfDay(&seconds, &micro);
  return {seconds, micro * 1000};
}

}  // namespace tblibc::files

namespace {

using namespace tblibc::files;
using tblibc::SetErrno;

// ---- Descriptor flags -------------------------------------------------------
//
// What the host cannot keep for a descriptor: close-on-exec and the status
// flags the guest set. A descriptor the guest closes through the start-up
// close keeps its record until the number is handed out here again.
struct DescriptorFlags {
  bool closeOnExec = false;
  uint32_t status = 0;  // O_APPEND, O_NONBLOCK, O_LARGEFILE
};
std::map<int32_t, DescriptorFlags> gFlags;

// What F_SETFL may change, and what F_GETFL reports beyond the access.
constexpr uint32_t kSettableStatus = linux::kO_APPEND | linux::kO_NONBLOCK;
constexpr uint32_t kKeptStatus = kSettableStatus | linux::kO_LARGEFILE;

void Opened(int32_t fd, uint32_t linuxFlags) {
  gFlags[fd] = {(linuxFlags & linux::kO_CLOEXEC) != 0,
                linuxFlags & kKeptStatus};
}

// A duplicate shares the open file and its status flags, never
// close-on-exec.
void Duplicated(int32_t fd, int32_t copy, bool closeOnExec) {
  ForgetDescriptor(copy);
  const auto found = gFlags.find(fd);
  gFlags[copy] = {closeOnExec, found != gFlags.end() ? found->second.status : 0};
}

bool ValidDescriptor(int32_t fd) {
  if (platform::DescriptorIsOpen(fd)) return true;
  SetErrno(linux::kEBADF);
  return false;
}

// The few files of /proc that programs read about themselves, made here
// on both ports from what the platform knows: the host's /proc would
// describe the loader (Linux) or not exist (Windows).
enum class ProcFile { kNone, kMaps, kExe };

ProcFile ProcFileOf(std::string_view path) {
  constexpr std::string_view kProc = "/proc/";
  if (path.substr(0, kProc.size()) != kProc) return ProcFile::kNone;
  path.remove_prefix(kProc.size());
  const size_t slash = path.find('/');
  if (slash == std::string_view::npos) return ProcFile::kNone;
  const std::string_view who = path.substr(0, slash), what = path.substr(slash + 1);
  if (who != "self" && who != "thread-self" &&
      who != std::to_string(platform::ProcessId()))
    return ProcFile::kNone;
  if (what == "maps") return ProcFile::kMaps;
  return what == "exe" ? ProcFile::kExe : ProcFile::kNone;
}

// /proc/self/maps as the kernel writes it: range, permissions, offset,
// device, inode, and the name after padding, for each mapping.
std::string MapsText() {
  std::string text;
  char line[128];
  for (const platform::MemoryRegion& r : platform::MemoryRegions()) {
    int n = std::snprintf(line, sizeof line, "%08x-%08x %c%c%cp 00000000 00:00 0",
                          r.start, r.end, (r.protection & platform::kRead) ? 'r' : '-',
                          (r.protection & platform::kWrite) ? 'w' : '-',
                          (r.protection & platform::kExecute) ? 'x' : '-');
    text.append(line, static_cast<size_t>(n));
    if (r.stack) text += std::string(n < 48 ? 48 - n : 1, ' ') + "[stack]";
    text += '\n';
  }
  return text;
}

// A descriptor that reads `text`: a temporary file holding it.
int32_t OpenText(const std::string& text, uint32_t flags) {
  if (linux::OpenMeanings(flags) & linux::kOpenWrite) return FailWith(linux::kEACCES);
  int fd = -1;
  if (const int e = platform::TemporaryFile(&fd)) return FailWith(e);
  uint32_t done = 0;
  int64_t at = 0;
  if (const int e = platform::DescriptorWrite(fd, text.data(), static_cast<uint32_t>(text.size()), &done);
      e != 0 || platform::DescriptorSeek(fd, 0, 0, &at) != 0) {
    platform::DescriptorClose(fd);
    return FailWith(e != 0 ? e : linux::kEIO);
  }
  ForgetDescriptor(fd);
  Opened(fd, flags);
  return fd;
}

int32_t OpenPath(const char* path, uint32_t flags, uint32_t mode) {
  const unsigned meanings = linux::OpenMeanings(flags);
  if (meanings == 0) return FailWith(linux::kEINVAL);
  if (ProcFileOf(path) == ProcFile::kMaps) return OpenText(MapsText(), flags);
  platform::FileStatus status;
  const bool exists = platform::PathStatus(path, true, &status) == 0;
  const bool directory = exists && status.kind == platform::FileKind::kDirectory;
  if ((flags & linux::kO_CREAT) && (flags & linux::kO_EXCL) && exists)
    return FailWith(linux::kEEXIST);
  if (directory) {
    if (meanings & linux::kOpenWrite) return FailWith(linux::kEISDIR);
    const int32_t fd = OpenDirectoryDescriptor(path);
    if (fd >= 0) Opened(fd, flags);
    return fd;
  }
  if (flags & linux::kO_DIRECTORY)
    return FailWith(exists ? linux::kENOTDIR : linux::kENOENT);
  int fd = -1;
  if (const int e = platform::DescriptorOpen(path, meanings, mode, &fd)) return FailWith(e);
  ForgetDescriptor(fd);
  Opened(fd, flags);
  return fd;
}

// ---- Status -------------------------------------------------------------------

enum class Follow { kYes, kNo };

bool StatusAt(int32_t dirfd, const char* path, uint32_t flags,
              platform::FileStatus* status) {
  if (path == nullptr) {
    SetErrno(linux::kEFAULT);
    return false;
  }
  if (path[0] == '\0') {
    if ((flags & linux::kAT_EMPTY_PATH) == 0) {
      SetErrno(linux::kENOENT);
      return false;
    }
    if (dirfd == linux::kAT_FDCWD) path = ".";
    else {
      const int code = platform::DescriptorStatus(dirfd, status);
      if (code != 0) FailWith(code);
      return code == 0;
    }
  }
  std::string full;
  if (!AtPath(dirfd, path, &full)) return false;
  const int code = platform::PathStatus(
      full.c_str(), (flags & linux::kAT_SYMLINK_NOFOLLOW) == 0, status);
  if (code != 0) FailWith(code);
  return code == 0;
}

bool DescriptorStatusOf(int32_t fd, platform::FileStatus* status) {
  const int code = platform::DescriptorStatus(fd, status);
  if (code != 0) FailWith(code);
  return code == 0;
}

int32_t Give64(bool ok, const platform::FileStatus& status, void* buffer) {
  if (!ok) return -1;
  ToStat64(status, static_cast<linux::Stat64*>(buffer));
  return 0;
}

int32_t GiveTime64(bool ok, const platform::FileStatus& status, void* buffer) {
  if (!ok) return -1;
  ToStatTime64(status, static_cast<linux::StatTime64*>(buffer));
  return 0;
}

// The kernel's split of a device number, as gnu_dev_major/minor read it.
uint32_t Major(uint64_t dev) {
  return static_cast<uint32_t>(((dev >> 8) & 0xfff) | ((dev >> 32) & ~uint64_t{0xfff}));
}
uint32_t Minor(uint64_t dev) {
  return static_cast<uint32_t>((dev & 0xff) | ((dev >> 12) & ~uint64_t{0xff}));
}

linux::StatxTimestamp StatxTime(const platform::FileTime& t) {
  return {t.seconds, t.nanoseconds, 0};
}

void ToStatx(const platform::FileStatus& s, linux::Statx* out) {
  std::memset(out, 0, sizeof *out);
  // What stat gives is all the host knows; a birth time or mount id it
  // cannot promise is left out of the mask, as Linux leaves what a file
  // system lacks.
  out->stx_mask = linux::kSTATX_BASIC_STATS;
  out->stx_blksize = s.blockSize;
  out->stx_nlink = s.links;
  out->stx_uid = s.uid;
  out->stx_gid = s.gid;
  out->stx_mode = static_cast<uint16_t>(ModeOf(s));
  out->stx_ino = s.inode;
  out->stx_size = s.size;
  out->stx_blocks = s.blocks;
  out->stx_atime = StatxTime(s.access);
  out->stx_ctime = StatxTime(s.change);
  out->stx_mtime = StatxTime(s.modify);
  out->stx_rdev_major = Major(s.rdev);
  out->stx_rdev_minor = Minor(s.rdev);
  out->stx_dev_major = Major(s.device);
  out->stx_dev_minor = Minor(s.device);
}

int32_t Give32(bool ok, const platform::FileStatus& status, void* buffer) {
  if (!ok) return -1;
  if (!ToStat(status, static_cast<linux::Stat*>(buffer)))
    return FailWith(linux::kEOVERFLOW);
  return 0;
}

bool VersionOk(int32_t version) {
  if (version == linux::kStatVersion) return true;
  SetErrno(linux::kEINVAL);
  return false;
}

// ---- Times ------------------------------------------------------------------

// Two timespecs as utimensat reads them; false (EINVAL) for a nanosecond
// count out of range. Null `given`: both now.
template <typename Timespec>
bool FromTimespecs(const Timespec* given, platform::FileTime times[2],
                   bool present[2]) {
  for (int i = 0; i < 2; ++i) {
    present[i] = true;
    if (given == nullptr || given[i].tv_nsec == linux::kUTIME_NOW) {
      times[i] = Now();
    } else if (given[i].tv_nsec == linux::kUTIME_OMIT) {
      present[i] = false;
    } else if (given[i].tv_nsec < 0 || given[i].tv_nsec > 999999999) {
      SetErrno(linux::kEINVAL);
      return false;
    } else {
      times[i] = {given[i].tv_sec, static_cast<uint32_t>(given[i].tv_nsec)};
    }
  }
  return true;
}

template <typename Timeval>
bool FromTimevals(const Timeval* given, platform::FileTime times[2]) {
  for (int i = 0; i < 2; ++i) {
    if (given == nullptr) {
      times[i] = Now();
    } else if (given[i].tv_usec < 0 || given[i].tv_usec > 999999) {
      SetErrno(linux::kEINVAL);
      return false;
    } else {
      times[i] = {given[i].tv_sec, static_cast<uint32_t>(given[i].tv_usec) * 1000};
    }
  }
  return true;
}

int32_t SetPathTimes(int32_t dirfd, const char* path,
                     const platform::FileTime times[2], const bool present[2],
                     bool followLinks = true) {
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  if (!present[0] && !present[1]) {
    platform::FileStatus status;
    const int code = platform::PathStatus(full.c_str(), followLinks, &status);
    return code == 0 ? 0 : FailWith(code);
  }
  const int code = platform::SetTimes(
      full.c_str(), present[0] ? &times[0] : nullptr,
      present[1] ? &times[1] : nullptr, followLinks);
  return code == 0 ? 0 : FailWith(code);
}

int32_t SetDescriptorTimes(int32_t fd, const platform::FileTime times[2],
                           const bool present[2]) {
  if (!ValidDescriptor(fd)) return -1;
  if (!present[0] && !present[1]) return 0;
  const int code = platform::DescriptorSetTimes(
      fd, present[0] ? &times[0] : nullptr, present[1] ? &times[1] : nullptr);
  return code == 0 ? 0 : FailWith(code);
}

// ---- Helpers for the names ------------------------------------------------------

int32_t Result(int e) { return e == 0 ? 0 : FailWith(e); }

// Copies `text` to the guest's buffer of `size` bytes, or a fresh guest
// block when the buffer is null (size 0: just large enough).
char* GiveString(const std::string& text, char* buffer, uint32_t size) {
  if (buffer == nullptr) {
    if (size != 0 && text.size() + 1 > size) {
      SetErrno(linux::kERANGE);
      return nullptr;
    }
    return tblibc::GuestStrdup(text);
  }
  if (size == 0) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  if (text.size() + 1 > size) {
    SetErrno(linux::kERANGE);
    return nullptr;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return buffer;
}

bool CurrentDirectory(std::string* out) {
  std::string dir = platform::CurrentDirectory();
  if (dir.empty()) {
    SetErrno(linux::kENOENT);
    return false;
  }
  *out = GuestPath(std::move(dir));
  return true;
}

constexpr uint32_t kPathMax = 4096;

// ---- Temporary names ----------------------------------------------------------

constexpr char kTempLetters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

uint64_t gTempState;

// Six letters in place of the template's XXXXXX; a fresh guess each call,
// from a state that starts at the clock and steps through a full-period
// generator so that guesses never repeat within a run.
void Guess(char* tail) {
  if (gTempState == 0) {
    const platform::FileTime now = Now();
    gTempState = static_cast<uint64_t>(now.seconds) * 1000003u ^ now.nanoseconds ^
                 (uint64_t{platform::TickCount()} << 32);
  }
  gTempState = gTempState * 6364136223846793005ull + 1442695040888963407ull;
  uint64_t bits = gTempState >> 16;
  for (int i = 0; i < 6; ++i) {
    tail[i] = kTempLetters[bits % 62];
    bits /= 62;
  }
}

char* TemplateTail(char* name, int32_t suffix) {
  if (name == nullptr) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  const size_t length = std::strlen(name);
  if (suffix < 0 || length < 6 + static_cast<size_t>(suffix) ||
      std::memcmp(name + length - suffix - 6, "XXXXXX", 6) != 0) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  return name + length - suffix - 6;
}

constexpr int kTempAttempts = 62 * 62 * 62;

template <typename Make>
int32_t MakeTemporary(char* name, int32_t suffix, Make make) {
  char* tail = TemplateTail(name, suffix);
  if (tail == nullptr) return -1;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    Guess(tail);
    int e = 0;
    const int32_t result = make(name, &e);
    if (result >= 0) return result;
    if (e != linux::kEEXIST) return FailWith(e);
  }
  std::memcpy(tail, "XXXXXX", 6);
  return FailWith(linux::kEEXIST);
}

int32_t MakeTempFile(char* name, int32_t suffix, uint32_t flags) {
  flags &= linux::kO_APPEND | linux::kO_CLOEXEC | linux::kO_NONBLOCK |
           linux::kO_LARGEFILE;
  return MakeTemporary(name, suffix, [flags](char* path, int* code) {
    int fd = -1;
    const unsigned meanings = linux::OpenMeanings(
        linux::kO_RDWR | linux::kO_CREAT | linux::kO_EXCL | flags);
    *code = platform::DescriptorOpen(path, meanings, 0600, &fd);
    if (*code == 0) {
      ForgetDescriptor(fd);
      Opened(fd, flags);
    }
    return *code == 0 ? fd : -1;
  });
}

}  // namespace

// ---- Entries ---------------------------------------------------------------------

extern "C" {

// Status.
int tblibc_stat(const char* path, void* buffer) {
  platform::FileStatus s;
  return Give32(StatusAt(linux::kAT_FDCWD, path, 0, &s), s, buffer);
}
int tblibc_lstat(const char* path, void* buffer) {
  platform::FileStatus s;
  return Give32(StatusAt(linux::kAT_FDCWD, path, linux::kAT_SYMLINK_NOFOLLOW, &s),
                s, buffer);
}
int tblibc_fstat(int32_t fd, void* buffer) {
  platform::FileStatus s;
  return Give32(DescriptorStatusOf(fd, &s), s, buffer);
}
int tblibc_fstatat(int32_t dirfd, const char* path, void* buffer, uint32_t flags) {
  platform::FileStatus s;
  return Give32(StatusAt(dirfd, path, flags, &s), s, buffer);
}
int tblibc_stat64(const char* path, void* buffer) {
  platform::FileStatus s;
  return Give64(StatusAt(linux::kAT_FDCWD, path, 0, &s), s, buffer);
}
int tblibc_lstat64(const char* path, void* buffer) {
  platform::FileStatus s;
  return Give64(StatusAt(linux::kAT_FDCWD, path, linux::kAT_SYMLINK_NOFOLLOW, &s),
                s, buffer);
}
int tblibc_fstat64(int32_t fd, void* buffer) {
  platform::FileStatus s;
  return Give64(DescriptorStatusOf(fd, &s), s, buffer);
}
int tblibc_fstatat64(int32_t dirfd, const char* path, void* buffer,
                     uint32_t flags) {
  platform::FileStatus s;
  return Give64(StatusAt(dirfd, path, flags, &s), s, buffer);
}

// The older entries with a layout version first: the 32-bit ones and
// __fxstatat64 accept only the i386 layout (3), as the Linux C library
// does; __xstat64, __lxstat64 and __fxstat64 take any, as it does.
int tblibc_xstat(int32_t version, const char* path, void* buffer) {
  return VersionOk(version) ? tblibc_stat(path, buffer) : -1;
}
int tblibc_lxstat(int32_t version, const char* path, void* buffer) {
  return VersionOk(version) ? tblibc_lstat(path, buffer) : -1;
}
int tblibc_fxstat(int32_t version, int32_t fd, void* buffer) {
  return VersionOk(version) ? tblibc_fstat(fd, buffer) : -1;
}
int tblibc_fxstatat(int32_t version, int32_t dirfd, const char* path,
                    void* buffer, uint32_t flags) {
  return VersionOk(version) ? tblibc_fstatat(dirfd, path, buffer, flags) : -1;
}
int tblibc_xstat64(int32_t, const char* path, void* buffer) {
  return tblibc_stat64(path, buffer);
}
int tblibc_lxstat64(int32_t, const char* path, void* buffer) {
  return tblibc_lstat64(path, buffer);
}
int tblibc_fxstat64(int32_t, int32_t fd, void* buffer) {
  return tblibc_fstat64(fd, buffer);
}
int tblibc_fxstatat64(int32_t version, int32_t dirfd, const char* path,
                      void* buffer, uint32_t flags) {
  return VersionOk(version) ? tblibc_fstatat64(dirfd, path, buffer, flags) : -1;
}

// The _TIME_BITS=64 entries: one layout, 64-bit times and sizes.
int tblibc_stat64_time64(const char* path, void* buffer) {
  platform::FileStatus s;
  return GiveTime64(StatusAt(linux::kAT_FDCWD, path, 0, &s), s, buffer);
}
int tblibc_lstat64_time64(const char* path, void* buffer) {
  platform::FileStatus s;
  return GiveTime64(
      StatusAt(linux::kAT_FDCWD, path, linux::kAT_SYMLINK_NOFOLLOW, &s), s, buffer);
}
int tblibc_fstat64_time64(int32_t fd, void* buffer) {
  platform::FileStatus s;
  return GiveTime64(DescriptorStatusOf(fd, &s), s, buffer);
}
int tblibc_fstatat64_time64(int32_t dirfd, const char* path, void* buffer,
                            uint32_t flags) {
  platform::FileStatus s;
  return GiveTime64(StatusAt(dirfd, path, flags, &s), s, buffer);
}

int32_t tblibc_statx(int32_t dirfd, const char* path, uint32_t flags,
                     uint32_t mask, linux::Statx* out) {
  if ((flags & ~(linux::kAT_SYMLINK_NOFOLLOW | linux::kAT_NO_AUTOMOUNT |
                 linux::kAT_EMPTY_PATH | linux::kAT_STATX_SYNC_TYPE)) != 0 ||
      (flags & linux::kAT_STATX_SYNC_TYPE) == linux::kAT_STATX_SYNC_TYPE ||
      (mask & linux::kSTATX__RESERVED) != 0)
    return FailWith(linux::kEINVAL);
  platform::FileStatus s;
  if (!StatusAt(dirfd, path, flags, &s)) return -1;
  ToStatx(s, out);
  return 0;
}

int tblibc_statvfs64(const char* path, linux::Statvfs64* out) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  platform::VolumeStatus v;
  if (const int e = platform::PathVolumeStatus(path, &v)) return FailWith(e);
  std::memset(out, 0, sizeof *out);
  out->f_bsize = v.blockSize;
  out->f_frsize = v.blockSize;
  out->f_blocks = v.blocks;
  out->f_bfree = v.freeBlocks;
  out->f_bavail = v.availableBlocks;
  out->f_files = v.files;
  out->f_ffree = v.freeFiles;
  out->f_favail = v.freeFiles;
  out->f_fsid = v.id;
  out->f_flag = v.readOnly ? linux::kST_RDONLY : 0;
  out->f_namemax = v.nameMax;
  return 0;
}

int tblibc_statvfs(const char* path, linux::Statvfs* out) {
  linux::Statvfs64 wide;
  if (tblibc_statvfs64(path, &wide) != 0) return -1;
  const uint64_t counts[] = {wide.f_blocks, wide.f_bfree, wide.f_bavail,
                             wide.f_files, wide.f_ffree, wide.f_favail};
  for (uint64_t n : counts)
    if (n > UINT32_MAX) return FailWith(linux::kEOVERFLOW);
  std::memset(out, 0, sizeof *out);
  out->f_bsize = wide.f_bsize;
  out->f_frsize = wide.f_frsize;
  out->f_blocks = static_cast<uint32_t>(wide.f_blocks);
  out->f_bfree = static_cast<uint32_t>(wide.f_bfree);
  out->f_bavail = static_cast<uint32_t>(wide.f_bavail);
  out->f_files = static_cast<uint32_t>(wide.f_files);
  out->f_ffree = static_cast<uint32_t>(wide.f_ffree);
  out->f_favail = static_cast<uint32_t>(wide.f_favail);
  out->f_fsid = wide.f_fsid;
  out->f_flag = wide.f_flag;
  out->f_namemax = wide.f_namemax;
  return 0;
}

// A descriptor's volume: the directory it was opened from, else the
// current one (the host gives no name for an open file).
int tblibc_fstatvfs(int32_t fd, linux::Statvfs* out) {
  if (!ValidDescriptor(fd)) return -1;
  std::string path;
  if (!AtPath(fd, "", &path)) path = ".";
  return tblibc_statvfs(path.c_str(), out);
}
int tblibc_fstatvfs64(int32_t fd, linux::Statvfs64* out) {
  if (!ValidDescriptor(fd)) return -1;
  std::string path;
  if (!AtPath(fd, "", &path)) path = ".";
  return tblibc_statvfs64(path.c_str(), out);
}

// Descriptors.
int64_t tblibc_lseek64(int32_t fd, int64_t offset, int32_t whence) {
  if (whence < 0 || whence > 2) return FailWith(linux::kEINVAL);
  // A directory's position is how far getdents64 is through its listing,
  // the d_off of the record read last.
  if (gDirectories.count(fd) != 0 && whence != 2) {
    platform::FileStatus status;
    platform::DescriptorStatus(fd, &status);
    Listing& listing = gListings[fd];
    if (listing.inode != status.inode) listing = {status.inode, {}, 0, false};
    const int64_t target = offset + (whence == 1 ? int64_t(listing.next) : 0);
    if (target < 0) return FailWith(linux::kEINVAL);
    listing.next = static_cast<size_t>(target);
    // Back at the start, entries made since are seen, as rewinddir sees them.
    if (target == 0) listing.listed = false;
    return target;
  }
  int64_t position = 0;
  const int code = platform::DescriptorSeek(fd, offset, whence, &position);
  if (code != 0) {
    if (code == linux::kEINVAL)
      return FailWith(platform::DescriptorIsOpen(fd) ? linux::kEINVAL
                                                     : linux::kEBADF);
    return FailWith(code);
  }
  return position;
}

int32_t tblibc_lseek(int32_t fd, int32_t offset, int32_t whence) {
  const int64_t position = tblibc_lseek64(fd, offset, whence);
  if (position > INT32_MAX) return FailWith(linux::kEOVERFLOW);
  return static_cast<int32_t>(position);
}

int32_t tblibc_dup(int32_t fd) {
  if (!ValidDescriptor(fd)) return -1;
  int copy = -1;
  if (const int e = platform::DescriptorDuplicate(fd, &copy)) return FailWith(e);
  Duplicated(fd, copy, false);
  return copy;
}

int32_t tblibc_dup3(int32_t fd, int32_t target, uint32_t flags) {
  if (!ValidDescriptor(fd)) return -1;
  if (target < 0 || (flags & ~linux::kO_CLOEXEC) != 0 || fd == target)
    return FailWith(target < 0 ? linux::kEBADF : linux::kEINVAL);
  if (const int e = platform::DescriptorDuplicateTo(fd, target)) return FailWith(e);
  Duplicated(fd, target, (flags & linux::kO_CLOEXEC) != 0);
  return target;
}

int32_t tblibc_dup2(int32_t fd, int32_t target) {
  if (!ValidDescriptor(fd)) return -1;
  if (fd == target) return target;
  return tblibc_dup3(fd, target, 0);
}

int32_t tblibc_pipe(int32_t* fds) {
  int host[2];
  if (const int e = platform::DescriptorPipe(host)) return FailWith(e);
  for (int i = 0; i < 2; ++i) {
    ForgetDescriptor(host[i]);
    gFlags.erase(host[i]);
    fds[i] = host[i];
  }
  return 0;
}

int32_t tblibc_fsync(int32_t fd) {
  if (!ValidDescriptor(fd)) return -1;
  platform::FileStatus s;
  // Linux syncs a directory or a terminal without complaint.
  if (platform::DescriptorStatus(fd, &s) == 0 &&
      s.kind != platform::FileKind::kRegular) {
    return s.kind == platform::FileKind::kFifo ? FailWith(linux::kEINVAL) : 0;
  }
  return Result(platform::DescriptorSync(fd));
}

int32_t tblibc_ftruncate64(int32_t fd, int64_t length) {
  if (!ValidDescriptor(fd)) return -1;
  if (length < 0) return FailWith(linux::kEINVAL);
  bool readable = false, writable = false;
  platform::DescriptorAccess(fd, &readable, &writable);
  platform::FileStatus s;
  if (!writable || (platform::DescriptorStatus(fd, &s) == 0 &&
                    s.kind != platform::FileKind::kRegular))
    return FailWith(linux::kEINVAL);
  return Result(platform::DescriptorTruncate(fd, length));
}
int32_t tblibc_ftruncate(int32_t fd, int32_t length) {
  return tblibc_ftruncate64(fd, length);
}

int32_t tblibc_truncate64(const char* path, int64_t length) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  if (length < 0) return FailWith(linux::kEINVAL);
  return Result(platform::TruncatePath(path, length));
}
int32_t tblibc_truncate(const char* path, int32_t length) {
  return tblibc_truncate64(path, length);
}

// write(fd, buffer, count), then SIGPIPE for a pipe with no reader.
int32_t tblibc_write(int32_t fd, const void* buffer, uint32_t count) {
  uint32_t done = 0;
  if (const int e = platform::DescriptorWrite(fd, buffer, count, &done)) {
    SetErrno(e);
    tblibc::AfterFailedWrite(e, fd);
    return -1;
  }
  return static_cast<int32_t>(done);
}

int32_t tblibc_close(int32_t fd) {
  if (const int e = platform::DescriptorClose(fd)) return FailWith(e);
  // What the family knows of the descriptor (a directory's path) goes with
  // it, so that the number handed out next starts clean.
  ForgetDescriptor(fd);
  return 0;
}

int32_t tblibc_read(int32_t fd, void* buffer, uint32_t count) {
  uint32_t done = 0;
  if (const int e = platform::DescriptorRead(fd, buffer, count, &done)) return FailWith(e);
  return static_cast<int32_t>(done);
}

int32_t tblibc_write_all(int32_t fd, const void* buffer, uint32_t count) {
  uint32_t done = 0;
  if (const int e = platform::DescriptorWrite(fd, buffer, count, &done)) return FailWith(e);
  return static_cast<int32_t>(done);
}

// pread and pwrite leave the descriptor's position as it was; the host has
// no such call for every descriptor, so the position is saved and restored.
}  // extern "C"

namespace {
template <typename Transfer>
int32_t AtOffset(int32_t fd, int64_t offset, Transfer transfer) {
  if (!ValidDescriptor(fd)) return -1;
  if (offset < 0) return FailWith(linux::kEINVAL);
  int64_t here = 0;
  if (const int e = platform::DescriptorSeek(fd, 0, 1, &here)) return FailWith(e);
  int64_t ignored = 0;
  if (const int e = platform::DescriptorSeek(fd, offset, 0, &ignored)) return FailWith(e);
  const int32_t result = transfer();
  const int32_t saved = tblibc::Errno();
  platform::DescriptorSeek(fd, here, 0, &ignored);
  SetErrno(saved);
  return result;
}
}  // namespace

extern "C" {

int32_t tblibc_pread64(int32_t fd, void* buffer, uint32_t count, int64_t offset) {
  return AtOffset(fd, offset, [&] { return tblibc_read(fd, buffer, count); });
}
int32_t tblibc_pwrite64(int32_t fd, const void* buffer, uint32_t count,
                        int64_t offset) {
  return AtOffset(fd, offset,
                  [&] { return tblibc_write_all(fd, buffer, count); });
}
int32_t tblibc_pread(int32_t fd, void* buffer, uint32_t count, int32_t offset) {
  return tblibc_pread64(fd, buffer, count, offset);
}
int32_t tblibc_pwrite(int32_t fd, const void* buffer, uint32_t count,
                      int32_t offset) {
  return tblibc_pwrite64(fd, buffer, count, offset);
}

struct GuestIovec {
  uint32_t base;
  uint32_t length;
};

constexpr int32_t kIovMax = 1024;

bool IovecOk(const GuestIovec* iov, int32_t count) {
  if (count < 0 || count > kIovMax) {
    SetErrno(linux::kEINVAL);
    return false;
  }
  uint64_t total = 0;
  for (int32_t i = 0; i < count; ++i) total += iov[i].length;
  if (total > INT32_MAX) {
    SetErrno(linux::kEINVAL);
    return false;
  }
  return true;
}

int32_t tblibc_readv(int32_t fd, const GuestIovec* iov, int32_t count) {
  if (!ValidDescriptor(fd) || !IovecOk(iov, count)) return -1;
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (iov[i].length == 0) continue;
    const int32_t n = tblibc_read(
        fd, reinterpret_cast<void*>(uintptr_t{iov[i].base}), iov[i].length);
    if (n < 0) return total > 0 ? total : -1;
    total += n;
    if (static_cast<uint32_t>(n) < iov[i].length) break;
  }
  return total;
}

int32_t tblibc_writev(int32_t fd, const GuestIovec* iov, int32_t count) {
  if (!ValidDescriptor(fd) || !IovecOk(iov, count)) return -1;
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (iov[i].length == 0) continue;
    const int32_t n = tblibc_write_all(
        fd, reinterpret_cast<const void*>(uintptr_t{iov[i].base}), iov[i].length);
    if (n < 0) return total > 0 ? total : -1;
    total += n;
    if (static_cast<uint32_t>(n) < iov[i].length) break;
  }
  return total;
}

int32_t tblibc_openat(int32_t dirfd, const char* path, uint32_t flags, ...) {
  uint32_t mode = 0;
  if (flags & linux::kO_CREAT) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, uint32_t);
    va_end(args);
  }
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  return OpenPath(full.c_str(), flags, mode);
}

int tblibc_open(const char* path, uint32_t flags, ...) {
  uint32_t mode = 0;
  if (flags & linux::kO_CREAT) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, uint32_t);
    va_end(args);
  }
  if (path == nullptr) return FailWith(linux::kEFAULT);
  return OpenPath(path, flags, mode);
}

// The 64-bit entries open with O_LARGEFILE, which F_GETFL shows.
int tblibc_open64(const char* path, uint32_t flags, ...) {
  uint32_t mode = 0;
  if (flags & linux::kO_CREAT) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, uint32_t);
    va_end(args);
  }
  if (path == nullptr) return FailWith(linux::kEFAULT);
  return OpenPath(path, flags | linux::kO_LARGEFILE, mode);
}

int32_t tblibc_openat64(int32_t dirfd, const char* path, uint32_t flags, ...) {
  uint32_t mode = 0;
  if (flags & linux::kO_CREAT) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, uint32_t);
    va_end(args);
  }
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  return OpenPath(full.c_str(), flags | linux::kO_LARGEFILE, mode);
}

// The fortified opens, for a call without a mode: one that would create
// (O_CREAT, O_TMPFILE) has no mode to create with, which glibc stops at,
// naming the call.
constexpr uint32_t kO_TMPFILE = 020000000 | linux::kO_DIRECTORY;
static void CheckNoMode(uint32_t flags, const char* call) {
  if ((flags & linux::kO_CREAT) != 0 || (flags & kO_TMPFILE) == kO_TMPFILE)
    tblibc::FatalError(std::string("*** invalid ") + call +
                       " call: O_CREAT or O_TMPFILE without mode ***: terminated");
}
int32_t tblibc_open_2(const char* path, uint32_t flags) {
  CheckNoMode(flags, "open");
  return tblibc_open(path, flags);
}
int32_t tblibc_open64_2(const char* path, uint32_t flags) {
  CheckNoMode(flags, "open64");
  return tblibc_open64(path, flags);
}
int32_t tblibc_openat_2(int32_t dirfd, const char* path, uint32_t flags) {
  CheckNoMode(flags, "openat");
  return tblibc_openat(dirfd, path, flags);
}
int32_t tblibc_openat64_2(int32_t dirfd, const char* path, uint32_t flags) {
  CheckNoMode(flags, "openat64");
  return tblibc_openat64(dirfd, path, flags);
}

int32_t tblibc_creat64(const char* path, uint32_t mode) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  return OpenPath(path,
                  linux::kO_CREAT | linux::kO_WRONLY | linux::kO_TRUNC |
                      linux::kO_LARGEFILE,
                  mode);
}

int32_t tblibc_creat(const char* path, uint32_t mode) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  return OpenPath(path, linux::kO_CREAT | linux::kO_WRONLY | linux::kO_TRUNC,
                  mode);
}

}  // extern "C"

namespace {

// Record locks, like lockf's, are not kept: the one process never
// conflicts with its own locks, so a lock is granted after the checks
// Linux makes, and a test finds the range free.
int32_t RecordLock(int32_t fd, int32_t command, uint32_t arg) {
  auto* head = reinterpret_cast<linux::FlockHead*>(uintptr_t{arg});
  if (head == nullptr) return FailWith(linux::kEFAULT);
  if (head->l_type < linux::kF_RDLCK || head->l_type > linux::kF_UNLCK ||
      head->l_whence < 0 || head->l_whence > 2)
    return FailWith(linux::kEINVAL);
  const bool test = command == linux::kF_GETLK || command == linux::kF_GETLK64 ||
                    command == linux::kF_OFD_GETLK;
  if (test) {
    if (head->l_type == linux::kF_UNLCK) return FailWith(linux::kEINVAL);
    head->l_type = linux::kF_UNLCK;
    return 0;
  }
  bool readable = false, writable = false;
  platform::DescriptorAccess(fd, &readable, &writable);
  if ((head->l_type == linux::kF_RDLCK && !readable) ||
      (head->l_type == linux::kF_WRLCK && !writable))
    return FailWith(linux::kEBADF);
  return 0;
}

}  // namespace

extern "C" {

int32_t tblibc_flock(int32_t fd, int32_t operation) {
  if (!ValidDescriptor(fd)) return -1;
  // The old mandatory-lock bit is accepted and ignored, as Linux does now.
  if (operation & linux::kLOCK_MAND) return 0;
  const int32_t kind = operation & ~linux::kLOCK_NB;
  if (kind != linux::kLOCK_SH && kind != linux::kLOCK_EX && kind != linux::kLOCK_UN)
    return FailWith(linux::kEINVAL);
  return 0;
}

int tblibc_fcntl(int32_t fd, int32_t command, uint32_t arg) {
  if (!ValidDescriptor(fd)) return -1;
  switch (command) {
    case linux::kF_DUPFD:
    case linux::kF_DUPFD_CLOEXEC: {
      const int32_t lowest = static_cast<int32_t>(arg);
      if (lowest < 0 || lowest >= 1024 * 1024) return FailWith(linux::kEINVAL);
      for (int32_t target = lowest; target < lowest + 2048; ++target) {
        if (platform::DescriptorIsOpen(target)) continue;
        if (const int e = platform::DescriptorDuplicateTo(fd, target)) return FailWith(e);
        Duplicated(fd, target, command == linux::kF_DUPFD_CLOEXEC);
        return target;
      }
      return FailWith(linux::kEMFILE);
    }
    case linux::kF_GETFD: {
      const auto found = gFlags.find(fd);
      return found != gFlags.end() && found->second.closeOnExec ? 1 : 0;
    }
    case linux::kF_SETFD:
      gFlags[fd].closeOnExec = (arg & linux::kFD_CLOEXEC) != 0;
      return 0;
    case linux::kF_GETFL: {
      bool readable = true, writable = false;
      if (const int e = platform::DescriptorAccess(fd, &readable, &writable)) return FailWith(e);
      uint32_t flags = readable && writable ? linux::kO_RDWR
                       : writable           ? linux::kO_WRONLY
                                            : linux::kO_RDONLY;
      const auto found = gFlags.find(fd);
      if (found != gFlags.end()) flags |= found->second.status;
      return static_cast<int32_t>(flags);
    }
    case linux::kF_SETFL: {
      uint32_t& status = gFlags[fd].status;
      status = (status & ~kSettableStatus) | (arg & kSettableStatus);
      return 0;
    }
    case linux::kF_GETLK:
    case linux::kF_GETLK64:
    case linux::kF_OFD_GETLK:
    case linux::kF_SETLK:
    case linux::kF_SETLK64:
    case linux::kF_OFD_SETLK:
    case linux::kF_SETLKW:
    case linux::kF_SETLKW64:
    case linux::kF_OFD_SETLKW:
      return RecordLock(fd, command, arg);
    default:
      return FailWith(linux::kEINVAL);
  }
}

int32_t tblibc_access(const char* path, int32_t mode) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  if (mode & ~7) return FailWith(linux::kEINVAL);
  return Result(platform::CheckAccess(path, mode));
}

int32_t tblibc_faccessat(int32_t dirfd, const char* path, int32_t mode,
                         uint32_t flags) {
  if (flags & ~(linux::kAT_EACCESS | linux::kAT_SYMLINK_NOFOLLOW |
                linux::kAT_EMPTY_PATH))
    return FailWith(linux::kEINVAL);
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  return tblibc_access(full.c_str(), mode);
}

int32_t tblibc_isatty(int32_t fd) {
  if (!ValidDescriptor(fd)) return 0;
  if (platform::DescriptorIsTerminal(fd)) return 1;
  SetErrno(linux::kENOTTY);
  return 0;
}

int32_t tblibc_ttyname_r(int32_t fd, char* buffer, uint32_t size) {
  std::string name;
  const int code = platform::DescriptorTerminalName(fd, &name);
  if (code != 0) {
    return code == linux::kEBADF ? linux::kEBADF : linux::kENOTTY;
  }
  name = GuestPath(name);
  if (name.size() + 1 > size) return linux::kERANGE;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return 0;
}

char* tblibc_ttyname(int32_t fd) {
  static char name[256];
  const int32_t e = tblibc_ttyname_r(fd, name, sizeof name);
  if (e == 0) return name;
  SetErrno(e);
  return nullptr;
}

// Names.
int32_t tblibc_unlinkat(int32_t dirfd, const char* path, uint32_t flags) {
  if (flags & ~linux::kAT_REMOVEDIR) return FailWith(linux::kEINVAL);
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  if (flags & linux::kAT_REMOVEDIR) return Result(platform::RemoveDir(full.c_str()));
  return Result(platform::RemoveFile(full.c_str()));
}
int32_t tblibc_unlink(const char* path) {
  return tblibc_unlinkat(linux::kAT_FDCWD, path, 0);
}
int32_t tblibc_rmdir(const char* path) {
  return tblibc_unlinkat(linux::kAT_FDCWD, path, linux::kAT_REMOVEDIR);
}

int32_t tblibc_mkdirat(int32_t dirfd, const char* path, uint32_t mode) {
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  if (full.empty()) return FailWith(linux::kENOENT);
  platform::FileStatus s;
  if (platform::PathStatus(full.c_str(), false, &s) == 0)
    return FailWith(linux::kEEXIST);
  return Result(platform::MakeDirectory(full.c_str(), mode & 07777));
}
int tblibc_mkdir(const char* path, uint32_t mode) {
  return tblibc_mkdirat(linux::kAT_FDCWD, path, mode);
}

int32_t tblibc_renameat(int32_t fromfd, const char* from, int32_t tofd,
                        const char* to) {
  std::string source, target;
  if (!AtPath(fromfd, from, &source) || !AtPath(tofd, to, &target)) return -1;
  if (source.empty() || target.empty()) return FailWith(linux::kENOENT);
  platform::FileStatus s;
  if (const int e = platform::PathStatus(source.c_str(), false, &s)) return FailWith(e);
  return Result(platform::RenamePath(source.c_str(), target.c_str()));
}

int32_t tblibc_linkat(int32_t fromfd, const char* from, int32_t tofd,
                      const char* to, uint32_t flags) {
  if (flags & ~(linux::kAT_SYMLINK_FOLLOW | linux::kAT_EMPTY_PATH))
    return FailWith(linux::kEINVAL);
  std::string source, target;
  if (!AtPath(fromfd, from, &source) || !AtPath(tofd, to, &target)) return -1;
  platform::FileStatus s;
  if (const int e = platform::PathStatus(source.c_str(), false, &s)) return FailWith(e);
  if (s.kind == platform::FileKind::kDirectory) return FailWith(linux::kEPERM);
  if (platform::PathStatus(target.c_str(), false, &s) == 0)
    return FailWith(linux::kEEXIST);
  return Result(platform::HardLink(source.c_str(), target.c_str()));
}
int32_t tblibc_link(const char* from, const char* to) {
  return tblibc_linkat(linux::kAT_FDCWD, from, linux::kAT_FDCWD, to, 0);
}

int32_t tblibc_symlinkat(const char* target, int32_t dirfd, const char* path) {
  if (target == nullptr) return FailWith(linux::kEFAULT);
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  if (target[0] == '\0' || full.empty()) return FailWith(linux::kENOENT);
  platform::FileStatus s;
  if (platform::PathStatus(full.c_str(), false, &s) == 0)
    return FailWith(linux::kEEXIST);
  return Result(platform::SymbolicLink(target, full.c_str()));
}
int32_t tblibc_symlink(const char* target, const char* path) {
  return tblibc_symlinkat(target, linux::kAT_FDCWD, path);
}

// The target's bytes without a terminator, cut to the buffer as Linux cuts.
int32_t tblibc_readlinkat(int32_t dirfd, const char* path, char* buffer,
                          uint32_t size) {
  if (static_cast<int32_t>(size) <= 0) return FailWith(linux::kEINVAL);
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  if (full.empty()) return FailWith(linux::kENOENT);
  std::string target;
  if (ProcFileOf(full) == ProcFile::kExe) {
    target = GuestPath(process::ProgramPath);
  } else if (const int e = platform::ReadLink(full.c_str(), &target)) {
    return FailWith(e);
  }
  const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(target.size()));
  std::memcpy(buffer, target.data(), n);
  return static_cast<int32_t>(n);
}
int32_t tblibc_readlink(const char* path, char* buffer, uint32_t size) {
  return tblibc_readlinkat(linux::kAT_FDCWD, path, buffer, size);
}

int32_t tblibc_chdir(const char* path) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  if (path[0] == '\0') return FailWith(linux::kENOENT);
  return Result(platform::ChangeDirectory(path));
}

int32_t tblibc_fchdir(int32_t fd) {
  if (!ValidDescriptor(fd)) return -1;
  std::string path;
  if (!AtPath(fd, "", &path)) return -1;
  return tblibc_chdir(path.c_str());
}

char* tblibc_getcwd(char* buffer, uint32_t size) {
  std::string dir;
  if (!CurrentDirectory(&dir)) return nullptr;
  return GiveString(dir, buffer, size);
}

char* tblibc_get_current_dir_name() { return tblibc_getcwd(nullptr, 0); }

char* tblibc_realpath(const char* path, char* resolved) {
  if (path == nullptr) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  if (path[0] == '\0') {
    SetErrno(linux::kENOENT);
    return nullptr;
  }
  std::string full;
  const int code = platform::FullPath(path, &full);
  if (code != 0) {
    FailWith(code);
    return nullptr;
  }
  full = GuestPath(std::move(full));
  if (full.size() + 1 > kPathMax) {
    SetErrno(linux::kENAMETOOLONG);
    return nullptr;
  }
  if (resolved == nullptr) return tblibc::GuestStrdup(full);
  std::memcpy(resolved, full.c_str(), full.size() + 1);
  return resolved;
}

char* tblibc_canonicalize_file_name(const char* path) {
  return tblibc_realpath(path, nullptr);
}

// Permissions and owners.
int32_t tblibc_fchmodat(int32_t dirfd, const char* path, uint32_t mode,
                        uint32_t flags) {
  if (flags & ~linux::kAT_SYMLINK_NOFOLLOW) return FailWith(linux::kEINVAL);
  if (flags & linux::kAT_SYMLINK_NOFOLLOW) return FailWith(linux::kEOPNOTSUPP);
  std::string full;
  if (!AtPath(dirfd, path, &full)) return -1;
  return Result(platform::SetPermissions(full.c_str(), mode & 07777));
}
int32_t tblibc_chmod(const char* path, uint32_t mode) {
  return tblibc_fchmodat(linux::kAT_FDCWD, path, mode, 0);
}
int32_t tblibc_fchmod(int32_t fd, uint32_t mode) {
  if (!ValidDescriptor(fd)) return -1;
  return Result(platform::DescriptorSetPermissions(fd, mode & 07777));
}

// Every file belongs to user and group 0 here; that is the one owner a
// file can be given (-1 keeps the owner as it is).
bool OwnerOk(uint32_t owner, uint32_t group) {
  const bool ok = (owner == 0 || owner == UINT32_MAX) &&
                  (group == 0 || group == UINT32_MAX);
  if (!ok) SetErrno(linux::kEPERM);
  return ok;
}
int32_t tblibc_fchownat(int32_t dirfd, const char* path, uint32_t owner,
                        uint32_t group, uint32_t flags) {
  platform::FileStatus s;
  if (!StatusAt(dirfd, path, flags, &s)) return -1;
  return OwnerOk(owner, group) ? 0 : -1;
}
int32_t tblibc_chown(const char* path, uint32_t owner, uint32_t group) {
  return tblibc_fchownat(linux::kAT_FDCWD, path, owner, group, 0);
}
int32_t tblibc_lchown(const char* path, uint32_t owner, uint32_t group) {
  return tblibc_fchownat(linux::kAT_FDCWD, path, owner, group,
                         linux::kAT_SYMLINK_NOFOLLOW);
}
int32_t tblibc_fchown(int32_t fd, uint32_t owner, uint32_t group) {
  if (!ValidDescriptor(fd)) return -1;
  return OwnerOk(owner, group) ? 0 : -1;
}

uint32_t tblibc_umask(uint32_t mask) {
  return platform::SetCreationMask(mask & 0777);
}

// Times: each entry twice, for the 32-bit and the 64-bit time layouts.
}  // extern "C"

namespace {

template <typename Timespec>
int32_t UtimensAt(int32_t dirfd, const char* path, const Timespec* times,
                  uint32_t flags) {
  if (flags & ~(linux::kAT_SYMLINK_NOFOLLOW | linux::kAT_EMPTY_PATH))
    return FailWith(linux::kEINVAL);
  platform::FileTime t[2];
  bool present[2];
  if (!FromTimespecs(times, t, present)) return -1;
  if (path == nullptr) return SetDescriptorTimes(dirfd, t, present);
  return SetPathTimes(dirfd, path, t, present,
                      (flags & linux::kAT_SYMLINK_NOFOLLOW) == 0);
}

template <typename Timespec>
int32_t Futimens(int32_t fd, const Timespec* times) {
  platform::FileTime t[2];
  bool present[2];
  if (!FromTimespecs(times, t, present)) return -1;
  return SetDescriptorTimes(fd, t, present);
}

template <typename Timeval>
int32_t FutimesAt(int32_t dirfd, const char* path, const Timeval* times) {
  platform::FileTime t[2];
  const bool present[2] = {true, true};
  if (!FromTimevals(times, t)) return -1;
  if (path == nullptr) return SetDescriptorTimes(dirfd, t, present);
  return SetPathTimes(dirfd, path, t, present);
}

// lutimes: a link's own times, never its target's.
template <typename Timeval>
int32_t Lutimes(const char* path, const Timeval* times) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  platform::FileTime t[2];
  const bool present[2] = {true, true};
  if (!FromTimevals(times, t)) return -1;
  return SetPathTimes(linux::kAT_FDCWD, path, t, present, false);
}

template <typename Timeval>
int32_t Utimes(const char* path, const Timeval* times) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  return FutimesAt(linux::kAT_FDCWD, path, times);
}

template <typename Timeval>
int32_t Futimes(int32_t fd, const Timeval* times) {
  platform::FileTime t[2];
  const bool present[2] = {true, true};
  if (!FromTimevals(times, t)) return -1;
  return SetDescriptorTimes(fd, t, present);
}

template <typename Utimbuf>
int32_t Utime(const char* path, const Utimbuf* times) {
  if (path == nullptr) return FailWith(linux::kEFAULT);
  platform::FileTime t[2];
  const bool present[2] = {true, true};
  if (times == nullptr) {
    t[0] = t[1] = Now();
  } else {
    t[0] = {times->actime, 0};
    t[1] = {times->modtime, 0};
  }
  return SetPathTimes(linux::kAT_FDCWD, path, t, present);
}

}  // namespace

extern "C" {

int32_t tblibc_utimensat(int32_t dirfd, const char* path,
                         const linux::Timespec* times, uint32_t flags) {
  return UtimensAt(dirfd, path, times, flags);
}
int32_t tblibc_utimensat64(int32_t dirfd, const char* path,
                           const linux::Timespec64* times, uint32_t flags) {
  return UtimensAt(dirfd, path, times, flags);
}
int32_t tblibc_futimens(int32_t fd, const linux::Timespec* times) {
  return Futimens(fd, times);
}
int32_t tblibc_futimens64(int32_t fd, const linux::Timespec64* times) {
  return Futimens(fd, times);
}
int tblibc_futimesat(int32_t dirfd, const char* path, const void* given) {
  return FutimesAt(dirfd, path, static_cast<const linux::Timeval*>(given));
}
int32_t tblibc_futimesat64(int32_t dirfd, const char* path,
                           const linux::Timeval64* times) {
  return FutimesAt(dirfd, path, times);
}
int32_t tblibc_utimes(const char* path, const linux::Timeval* times) {
  return Utimes(path, times);
}
int32_t tblibc_utimes64(const char* path, const linux::Timeval64* times) {
  return Utimes(path, times);
}
int32_t tblibc_lutimes(const char* path, const linux::Timeval* times) {
  return Lutimes(path, times);
}
int32_t tblibc_lutimes64(const char* path, const linux::Timeval64* times) {
  return Lutimes(path, times);
}
int32_t tblibc_futimes(int32_t fd, const linux::Timeval* times) {
  return Futimes(fd, times);
}
int32_t tblibc_futimes64(int32_t fd, const linux::Timeval64* times) {
  return Futimes(fd, times);
}
int32_t tblibc_utime(const char* path, const linux::Utimbuf* times) {
  return Utime(path, times);
}
int32_t tblibc_utime64(const char* path, const linux::Utimbuf64* times) {
  return Utime(path, times);
}

// Advice about a file's use: taken and forgotten, after Linux's checks in
// Linux's order. The answer is the error number itself.
int32_t tblibc_posix_fadvise64(int32_t fd, int64_t, int64_t length,
                               int32_t advice) {
  platform::FileStatus s;
  if (!platform::DescriptorIsOpen(fd)) return linux::kEBADF;
  if (platform::DescriptorStatus(fd, &s) == 0 &&
      s.kind == platform::FileKind::kFifo)
    return linux::kESPIPE;
  if (length < 0 || advice < 0 || advice > linux::kPOSIX_FADV_NOREUSE)
    return linux::kEINVAL;
  return 0;
}
int32_t tblibc_posix_fadvise(int32_t fd, int32_t offset, int32_t length,
                             int32_t advice) {
  return tblibc_posix_fadvise64(fd, offset, length, advice);
}

}  // extern "C"

namespace {

// The read and write loop behind copy_file_range and sendfile: an offset
// given is read or written at and moved on, the descriptor's own position
// left alone; a failure after some bytes moved reports the bytes.
int32_t CopyBytes(int32_t in, int64_t* inOffset, int32_t out,
                  int64_t* outOffset, uint32_t length) {
  if (length > INT32_MAX) length = 0x7ffff000;  // Linux's cap on one transfer
  char chunk[65536];
  uint32_t total = 0;
  while (total < length) {
    const uint32_t want = std::min<uint32_t>(sizeof chunk, length - total);
    const int32_t got =
        inOffset != nullptr ? tblibc_pread64(in, chunk, want, *inOffset + total)
                            : tblibc_read(in, chunk, want);
    if (got < 0) return total > 0 ? static_cast<int32_t>(total) : -1;
    if (got == 0) break;
    const int32_t put =
        outOffset != nullptr
            ? tblibc_pwrite64(out, chunk, static_cast<uint32_t>(got), *outOffset + total)
            : tblibc_write_all(out, chunk, static_cast<uint32_t>(got));
    if (put < 0) return total > 0 ? static_cast<int32_t>(total) : -1;
    total += static_cast<uint32_t>(put);
    if (put < got) break;
  }
  if (inOffset != nullptr) *inOffset += total;
  if (outOffset != nullptr) *outOffset += total;
  return static_cast<int32_t>(total);
}

}  // namespace

extern "C" {

// copy_file_range copies between regular files only; anything else is
// EINVAL, which tells a program such as cat to copy by read and write.
int32_t tblibc_copy_file_range(int32_t in, int64_t* inOffset, int32_t out,
                               int64_t* outOffset, uint32_t length,
                               uint32_t flags) {
  if (flags != 0) return FailWith(linux::kEINVAL);
  bool readable = false, writable = false, ignored = false;
  if (!platform::DescriptorIsOpen(in) || !platform::DescriptorIsOpen(out))
    return FailWith(linux::kEBADF);
  platform::DescriptorAccess(in, &readable, &ignored);
  platform::DescriptorAccess(out, &ignored, &writable);
  const auto found = gFlags.find(out);
  if (!readable || !writable ||
      (found != gFlags.end() && (found->second.status & linux::kO_APPEND)))
    return FailWith(linux::kEBADF);
  platform::FileStatus from, to;
  if (const int e = platform::DescriptorStatus(in, &from)) return FailWith(e);
  if (const int e = platform::DescriptorStatus(out, &to)) return FailWith(e);
  if (from.kind == platform::FileKind::kDirectory ||
      to.kind == platform::FileKind::kDirectory)
    return FailWith(linux::kEISDIR);
  if (from.kind != platform::FileKind::kRegular ||
      to.kind != platform::FileKind::kRegular)
    return FailWith(linux::kEINVAL);
  if ((inOffset != nullptr && *inOffset < 0) ||
      (outOffset != nullptr && *outOffset < 0))
    return FailWith(linux::kEINVAL);
  return CopyBytes(in, inOffset, out, outOffset, length);
}

// sendfile reads a regular file (what the kernel can map) into any
// descriptor open for writing but not for appending.
int32_t tblibc_sendfile64(int32_t out, int32_t in, int64_t* offset,
                          uint32_t count) {
  bool readable = false, writable = false, ignored = false;
  if (!platform::DescriptorIsOpen(in) || !platform::DescriptorIsOpen(out))
    return FailWith(linux::kEBADF);
  platform::DescriptorAccess(in, &readable, &ignored);
  platform::DescriptorAccess(out, &ignored, &writable);
  if (!readable || !writable) return FailWith(linux::kEBADF);
  const auto found = gFlags.find(out);
  if (found != gFlags.end() && (found->second.status & linux::kO_APPEND))
    return FailWith(linux::kEINVAL);
  platform::FileStatus from;
  if (const int e = platform::DescriptorStatus(in, &from)) return FailWith(e);
  if (from.kind != platform::FileKind::kRegular) return FailWith(linux::kEINVAL);
  if (offset != nullptr && *offset < 0) return FailWith(linux::kEINVAL);
  return CopyBytes(in, offset, out, nullptr, count);
}
int32_t tblibc_sendfile(int32_t out, int32_t in, int32_t* offset,
                        uint32_t count) {
  if (offset == nullptr) return tblibc_sendfile64(out, in, nullptr, count);
  int64_t wide = *offset;
  const int32_t n = tblibc_sendfile64(out, in, &wide, count);
  if (n >= 0 && wide > INT32_MAX) return FailWith(linux::kEOVERFLOW);
  *offset = static_cast<int32_t>(wide);
  return n;
}

int32_t tblibc_preadv64(int32_t fd, const GuestIovec* iov, int32_t count,
                        int64_t offset) {
  return AtOffset(fd, offset, [&] { return tblibc_readv(fd, iov, count); });
}
int32_t tblibc_pwritev64(int32_t fd, const GuestIovec* iov, int32_t count,
                         int64_t offset) {
  return AtOffset(fd, offset, [&] { return tblibc_writev(fd, iov, count); });
}
}  // extern "C"

namespace {

// preadv2 and pwritev2's flags, as the kernel takes them: HIPRI and NOWAIT
// are hints no host call here could act on, DSYNC and SYNC are a flush
// after the write, APPEND writes at the end whatever the offset. An offset
// of -1 means the descriptor's own position, as readv and writev use it.
constexpr uint32_t kRWF_HIPRI = 1, kRWF_DSYNC = 2, kRWF_SYNC = 4,
                   kRWF_NOWAIT = 8, kRWF_APPEND = 16;
constexpr uint32_t kRwfKnown =
    kRWF_HIPRI | kRWF_DSYNC | kRWF_SYNC | kRWF_NOWAIT | kRWF_APPEND;

int32_t ReadV2(int32_t fd, const GuestIovec* iov, int32_t count, int64_t offset,
               uint32_t flags) {
  if (flags & ~kRwfKnown) return FailWith(linux::kEOPNOTSUPP);
  if (offset == -1) return tblibc_readv(fd, iov, count);
  return tblibc_preadv64(fd, iov, count, offset);
}

int32_t WriteV2(int32_t fd, const GuestIovec* iov, int32_t count, int64_t offset,
                uint32_t flags) {
  if (flags & ~kRwfKnown) return FailWith(linux::kEOPNOTSUPP);
  int32_t n;
  if (offset == -1) {
    n = tblibc_writev(fd, iov, count);
  } else if (flags & kRWF_APPEND) {
    n = AtOffset(fd, 0, [&] {
      int64_t end = 0;
      if (const int e = platform::DescriptorSeek(fd, 0, 2, &end)) return FailWith(e);
      return tblibc_writev(fd, iov, count);
    });
  } else {
    n = tblibc_pwritev64(fd, iov, count, offset);
  }
  if (n >= 0 && (flags & (kRWF_DSYNC | kRWF_SYNC)) && tblibc_fsync(fd) != 0) return -1;
  return n;
}

}  // namespace

extern "C" {

int32_t tblibc_preadv2(int32_t fd, const GuestIovec* iov, int32_t count,
                       int32_t offset, uint32_t flags) {
  return ReadV2(fd, iov, count, offset, flags);
}
int32_t tblibc_preadv64v2(int32_t fd, const GuestIovec* iov, int32_t count,
                          int64_t offset, uint32_t flags) {
  return ReadV2(fd, iov, count, offset, flags);
}
int32_t tblibc_pwritev2(int32_t fd, const GuestIovec* iov, int32_t count,
                        int32_t offset, uint32_t flags) {
  return WriteV2(fd, iov, count, offset, flags);
}
int32_t tblibc_pwritev64v2(int32_t fd, const GuestIovec* iov, int32_t count,
                           int64_t offset, uint32_t flags) {
  return WriteV2(fd, iov, count, offset, flags);
}

int32_t tblibc_preadv(int32_t fd, const GuestIovec* iov, int32_t count,
                      int32_t offset) {
  return tblibc_preadv64(fd, iov, count, offset);
}
int32_t tblibc_pwritev(int32_t fd, const GuestIovec* iov, int32_t count,
                       int32_t offset) {
  return tblibc_pwritev64(fd, iov, count, offset);
}

}  // extern "C"

namespace {

// Space is given by making the file as long as offset + length (the zeros
// the host fills an extension with are what glibc's writing fallback
// leaves); a file already that long is left as it is. The answer is the
// error number itself.
int32_t Allocate(int32_t fd, int32_t mode, int64_t offset, int64_t length) {
  if (!platform::DescriptorIsOpen(fd)) return linux::kEBADF;
  if (offset < 0 || length <= 0) return linux::kEINVAL;
  if (mode != 0) return linux::kEOPNOTSUPP;
  bool readable = false, writable = false;
  platform::DescriptorAccess(fd, &readable, &writable);
  if (!writable) return linux::kEBADF;
  platform::FileStatus s;
  if (const int e = platform::DescriptorStatus(fd, &s)) return e;
  if (s.kind == platform::FileKind::kFifo) return linux::kESPIPE;
  if (s.kind == platform::FileKind::kDirectory) return linux::kEISDIR;
  if (s.kind != platform::FileKind::kRegular) return linux::kENODEV;
  if (offset > INT64_MAX - length) return linux::kEFBIG;
  if (static_cast<uint64_t>(offset + length) <= s.size) return 0;
  return platform::DescriptorTruncate(fd, offset + length);
}
}  // namespace

extern "C" {

int32_t tblibc_posix_fallocate64(int32_t fd, int64_t offset, int64_t length) {
  return Allocate(fd, 0, offset, length);
}
int32_t tblibc_posix_fallocate(int32_t fd, int32_t offset, int32_t length) {
  return Allocate(fd, 0, offset, length);
}
int32_t tblibc_fallocate64(int32_t fd, int32_t mode, int64_t offset,
                           int64_t length) {
  return Result(Allocate(fd, mode, offset, length));
}
int32_t tblibc_fallocate(int32_t fd, int32_t mode, int32_t offset,
                         int32_t length) {
  return Result(Allocate(fd, mode, offset, length));
}

// Record locks are not kept: one process never conflicts with its own
// locks, so only the checks Linux makes before taking one are answered.
int32_t tblibc_lockf64(int32_t fd, int32_t command, int64_t) {
  if (command < linux::kF_ULOCK || command > linux::kF_TEST)
    return FailWith(linux::kEINVAL);
  if (!ValidDescriptor(fd)) return -1;
  if (command != linux::kF_LOCK && command != linux::kF_TLOCK) return 0;
  bool readable = false, writable = false;
  platform::DescriptorAccess(fd, &readable, &writable);
  return writable ? 0 : FailWith(linux::kEBADF);
}
int32_t tblibc_lockf(int32_t fd, int32_t command, int32_t length) {
  return tblibc_lockf64(fd, command, length);
}

}  // extern "C"

namespace {

// statfs says what statvfs does in the kernel's record; the file system's
// kind has no host counterpart and stays 0.
int32_t ToStatfs64(int32_t failed, const linux::Statvfs64& v,
                   linux::Statfs64* out) {
  if (failed != 0) return -1;
  std::memset(out, 0, sizeof *out);
  out->f_bsize = static_cast<int32_t>(v.f_bsize);
  out->f_blocks = v.f_blocks;
  out->f_bfree = v.f_bfree;
  out->f_bavail = v.f_bavail;
  out->f_files = v.f_files;
  out->f_ffree = v.f_ffree;
  out->f_fsid[0] = static_cast<int32_t>(v.f_fsid);
  out->f_namelen = static_cast<int32_t>(v.f_namemax);
  out->f_frsize = static_cast<int32_t>(v.f_frsize);
  out->f_flags = static_cast<int32_t>(v.f_flag) | linux::kST_VALID;
  return 0;
}
int32_t ToStatfs(int32_t failed, const linux::Statvfs64& v, linux::Statfs* out) {
  linux::Statfs64 wide;
  if (ToStatfs64(failed, v, &wide) != 0) return -1;
  const uint64_t counts[] = {wide.f_blocks, wide.f_bfree, wide.f_bavail,
                             wide.f_files, wide.f_ffree};
  for (uint64_t n : counts)
    if (n > UINT32_MAX) return FailWith(linux::kEOVERFLOW);
  std::memset(out, 0, sizeof *out);
  out->f_bsize = wide.f_bsize;
  out->f_blocks = static_cast<uint32_t>(wide.f_blocks);
  out->f_bfree = static_cast<uint32_t>(wide.f_bfree);
  out->f_bavail = static_cast<uint32_t>(wide.f_bavail);
  out->f_files = static_cast<uint32_t>(wide.f_files);
  out->f_ffree = static_cast<uint32_t>(wide.f_ffree);
  out->f_fsid[0] = wide.f_fsid[0];
  out->f_namelen = wide.f_namelen;
  out->f_frsize = wide.f_frsize;
  out->f_flags = wide.f_flags;
  return 0;
}
}  // namespace

extern "C" {

int32_t tblibc_statfs64(const char* path, linux::Statfs64* out) {
  linux::Statvfs64 v;
  return ToStatfs64(tblibc_statvfs64(path, &v), v, out);
}
int32_t tblibc_fstatfs64(int32_t fd, linux::Statfs64* out) {
  linux::Statvfs64 v;
  return ToStatfs64(tblibc_fstatvfs64(fd, &v), v, out);
}
int32_t tblibc_statfs(const char* path, linux::Statfs* out) {
  linux::Statvfs64 v;
  return ToStatfs(tblibc_statvfs64(path, &v), v, out);
}
int32_t tblibc_fstatfs(int32_t fd, linux::Statfs* out) {
  linux::Statvfs64 v;
  return ToStatfs(tblibc_fstatvfs64(fd, &v), v, out);
}

}  // extern "C"

namespace {

// getdents64 reads out the listing taken at the descriptor's first call
// (as readdir reads a stream's), records padded to 8 bytes as the kernel
// lays them; getdirentries fills glibc's own struct dirent, padded to 4,
// and refuses an inode that does not fit its 32 bits, as glibc does.
// `*position` is the listing's position before the call: the d_off cookie
// of the record read last.
template <typename Record>
int32_t ReadListing(int32_t fd, void* buffer, uint32_t size, int64_t* position) {
  if (!ValidDescriptor(fd)) return -1;
  std::string path;
  if (!AtPath(fd, "", &path)) return -1;
  platform::FileStatus status;
  platform::DescriptorStatus(fd, &status);
  Listing& listing = gListings[fd];
  if (listing.inode != status.inode) listing = {status.inode, {}, 0, false};
  if (!listing.listed) {
    listing.entries.clear();
    if (const int e = platform::ListDirectory(path.c_str(), &listing.entries)) return FailWith(e);
    listing.listed = true;
  }
  if (position != nullptr) *position = static_cast<int64_t>(listing.next);
  auto* out = static_cast<char*>(buffer);
  uint32_t used = 0;
  constexpr size_t kName = offsetof(Record, d_name);
  constexpr size_t kAlign = std::is_same_v<Record, linux::Dirent64> ? 7 : 3;
  for (; listing.next < listing.entries.size(); ++listing.next) {
    const platform::DirectoryEntry& e = listing.entries[listing.next];
    const size_t length = std::min<size_t>(e.name.size(), 255);
    const uint32_t record = static_cast<uint32_t>((kName + length + 1 + kAlign) & ~kAlign);
    if (record > size - used) {
      if (used == 0) return FailWith(linux::kEINVAL);
      break;
    }
    Record head{};
    head.d_ino = static_cast<decltype(head.d_ino)>(e.inode);
    if (head.d_ino != e.inode) return FailWith(linux::kEOVERFLOW);
    head.d_off = static_cast<decltype(head.d_off)>(listing.next + 1);
    head.d_reclen = static_cast<uint16_t>(record);
    head.d_type = DirentType(e.kind);
    std::memset(out + used, 0, record);
    std::memcpy(out + used, &head, kName);
    std::memcpy(out + used + kName, e.name.data(), length);
    used += record;
  }
  return static_cast<int32_t>(used);
}

}  // namespace

extern "C" {

int32_t tblibc_getdents64(int32_t fd, void* buffer, uint32_t size) {
  return ReadListing<linux::Dirent64>(fd, buffer, size, nullptr);
}
int32_t tblibc_getdirentries64(int32_t fd, void* buffer, uint32_t size,
                               int64_t* base) {
  return ReadListing<linux::Dirent64>(fd, buffer, size, base);
}
int32_t tblibc_getdirentries(int32_t fd, void* buffer, uint32_t size,
                             int32_t* base) {
  int64_t wide = 0;
  const int32_t n = ReadListing<linux::Dirent>(fd, buffer, size, &wide);
  if (n >= 0 && base != nullptr) *base = static_cast<int32_t>(wide);
  return n;
}

// Temporary files.
int32_t tblibc_mkostemps(char* name, int32_t suffix, uint32_t flags) {
  return MakeTempFile(name, suffix, flags);
}
int32_t tblibc_mkstemps(char* name, int32_t suffix) {
  return MakeTempFile(name, suffix, 0);
}
int32_t tblibc_mkostemp(char* name, uint32_t flags) {
  return MakeTempFile(name, 0, flags);
}
int32_t tblibc_mkstemp(char* name) { return MakeTempFile(name, 0, 0); }
int32_t tblibc_mkostemps64(char* name, int32_t suffix, uint32_t flags) {
  return MakeTempFile(name, suffix, flags | linux::kO_LARGEFILE);
}
int32_t tblibc_mkstemps64(char* name, int32_t suffix) {
  return MakeTempFile(name, suffix, linux::kO_LARGEFILE);
}
int32_t tblibc_mkostemp64(char* name, uint32_t flags) {
  return MakeTempFile(name, 0, flags | linux::kO_LARGEFILE);
}
int32_t tblibc_mkstemp64(char* name) {
  return MakeTempFile(name, 0, linux::kO_LARGEFILE);
}

char* tblibc_mkdtemp(char* name) {
  const int32_t r = MakeTemporary(name, 0, [](char* path, int* code) {
    platform::FileStatus s;
    if (platform::PathStatus(path, false, &s) == 0) {
      *code = linux::kEEXIST;
      return -1;
    }
    *code = platform::MakeDirectory(path, 0700);
    return *code == 0 ? 0 : -1;
  });
  return r < 0 ? nullptr : name;
}

// A name free now; the caller races for it (why Linux warns at link time).
char* tblibc_mktemp(char* name) {
  const int32_t r = MakeTemporary(name, 0, [](char* path, int* code) {
    platform::FileStatus s;
    *code = platform::PathStatus(path, false, &s) == 0 ? linux::kEEXIST : 0;
    return *code == 0 ? 0 : -1;
  });
  if (r < 0 && name != nullptr) name[0] = '\0';
  return name;
}

// The checked entries of the fortified headers.
char* tblibc_getcwd_chk(char* buffer, uint32_t size, uint32_t buflen) {
  if (size > buflen) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_getcwd(buffer, size);
}
int32_t tblibc_ttyname_r_chk(int32_t fd, char* buffer, uint32_t size, uint32_t real) {
  if (size > real) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_ttyname_r(fd, buffer, size);
}
int32_t tblibc_readlinkat_chk(int32_t dirfd, const char* path, char* buffer,
                              uint32_t size, uint32_t buflen) {
  if (size > buflen) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_readlinkat(dirfd, path, buffer, size);
}
// getwd's buffer is taken to hold PATH_MAX bytes; a failure leaves the
// error's text there, as glibc does.
char* tblibc_getwd(char* buffer) {
  if (buffer == nullptr) {
    SetErrno(linux::kEINVAL);
    return nullptr;
  }
  char here[kPathMax];
  if (tblibc_getcwd(here, sizeof here) == nullptr) {
    std::strncpy(buffer, tblibc_strerror(tblibc::Errno()), kPathMax);
    return nullptr;
  }
  return std::strcpy(buffer, here);
}
char* tblibc_getwd_chk(char* buffer, uint32_t buflen) {
  char* done = tblibc_getcwd(buffer, buflen);
  if (done == nullptr && tblibc::Errno() == linux::kERANGE)
    tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return done;
}
char* tblibc_realpath_chk(const char* path, char* resolved, uint32_t buflen) {
  if (resolved != nullptr && buflen < kPathMax)
    tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_realpath(path, resolved);
}
int32_t tblibc_readlink_chk(const char* path, char* buffer, uint32_t size,
                            uint32_t buflen) {
  if (size > buflen) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_readlink(path, buffer, size);
}
int32_t tblibc_read_chk(int32_t fd, void* buffer, uint32_t count,
                        uint32_t buflen) {
  if (count > buflen) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  if (!ValidDescriptor(fd)) return -1;
  return tblibc_read(fd, buffer, count);
}
int32_t tblibc_pread64_chk(int32_t fd, void* buffer, uint32_t count,
                           int64_t offset, uint32_t buflen) {
  if (count > buflen) tblibc::FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_pread64(fd, buffer, count, offset);
}
int32_t tblibc_pread_chk(int32_t fd, void* buffer, uint32_t count,
                         int32_t offset, uint32_t buflen) {
  return tblibc_pread64_chk(fd, buffer, count, offset, buflen);
}


// Terminal control and the terminal database: a guest's console is the
// host's, which these names leave as it is; each answers 0.
int tblibc_terminal_noop() { return 0; }

}  // extern "C"

namespace tblibc {

using namespace tblibc;

extern const Family kFilesFamily;

constexpr Export kExports[] = {
    // Status.
    Fn<&tblibc_stat>("stat"),
    Fn<&tblibc_lstat>("lstat"),
    Fn<&tblibc_fstat>("fstat"),
    Fn<&tblibc_fstatat>("fstatat"),
    Fn<&tblibc_stat64>("stat64"),
    Fn<&tblibc_lstat64>("lstat64"),
    Fn<&tblibc_fstat64>("fstat64"),
    Fn<&tblibc_fstat64>("__fstat64"),
    Fn<&tblibc_fstatat64>("fstatat64"),
    Fn<&tblibc_xstat>("__xstat"),
    Fn<&tblibc_lxstat>("__lxstat"),
    Fn<&tblibc_fxstat>("__fxstat"),
    Fn<&tblibc_fxstatat>("__fxstatat"),
    Fn<&tblibc_xstat64>("__xstat64"),
    Fn<&tblibc_lxstat64>("__lxstat64"),
    Fn<&tblibc_fxstatat64>("__fxstatat64"),
    Fn<&tblibc_stat64_time64>("__stat64_time64"),
    Fn<&tblibc_lstat64_time64>("__lstat64_time64"),
    Fn<&tblibc_fstat64_time64>("__fstat64_time64"),
    Fn<&tblibc_fstatat64_time64>("__fstatat64_time64"),
    Fn<&tblibc_statx>("statx"),
    Fn<&tblibc_statvfs>("statvfs"),
    Fn<&tblibc_fstatvfs>("fstatvfs"),
    Fn<&tblibc_statvfs64>("statvfs64"),
    Fn<&tblibc_fstatvfs64>("fstatvfs64"),
    // Descriptors.
    Fn<&tblibc_lseek>("lseek"),
    Fn<&tblibc_lseek64>("lseek64"),
    Fn<&tblibc_dup>("dup"),
    Fn<&tblibc_dup2>("dup2"),
    Fn<&tblibc_dup3>("dup3"),
    Fn<&tblibc_pipe>("pipe"),
    Fn<&tblibc_fsync>("fsync"),
    Fn<&tblibc_fsync>("fdatasync"),
    Fn<&tblibc_ftruncate>("ftruncate"),
    Fn<&tblibc_ftruncate64>("ftruncate64"),
    Fn<&tblibc_truncate>("truncate"),
    Fn<&tblibc_truncate64>("truncate64"),
    Fn<&tblibc_pread>("pread"),
    Fn<&tblibc_pwrite>("pwrite"),
    Fn<&tblibc_pread64>("pread64"),
    Fn<&tblibc_pwrite64>("pwrite64"),
    Fn<&tblibc_pread64>("__pread64"),
    Fn<&tblibc_pwrite64>("__pwrite64"),
    Fn<&tblibc_readv>("readv"),
    Fn<&tblibc_writev>("writev"),
    Fn<&tblibc_creat>("creat"),
    Fn<&tblibc_creat64>("creat64"),
    Fn<&tblibc_openat>("openat"),
    Fn<&tblibc_openat64>("openat64"),
    Fn<&tblibc_open>("__open"),
    Fn<&tblibc_open64>("__open64"),
    Fn<&tblibc_open_2>("__open_2"),
    Fn<&tblibc_open64_2>("__open64_2"),
    Fn<&tblibc_openat_2>("__openat_2"),
    Fn<&tblibc_openat64_2>("__openat64_2"),
    // Locks are not kept, so the 64-bit lock layout changes nothing.
    Fn<&tblibc_fcntl>("__fcntl"),
    Fn<&tblibc_fcntl>("fcntl64"),
    Fn<&tblibc_fcntl>("__fcntl_time64"),
    Fn<&tblibc_terminal_noop>("__ioctl_time64"),
    Fn<&tblibc_posix_fadvise>("posix_fadvise"),
    Fn<&tblibc_posix_fadvise64>("posix_fadvise64"),
    Fn<&tblibc_copy_file_range>("copy_file_range"),
    Fn<&tblibc_sendfile>("sendfile"),
    Fn<&tblibc_sendfile64>("sendfile64"),
    Fn<&tblibc_preadv>("preadv"),
    Fn<&tblibc_pwritev>("pwritev"),
    Fn<&tblibc_preadv64>("preadv64"),
    Fn<&tblibc_preadv2>("preadv2"),
    Fn<&tblibc_preadv64v2>("preadv64v2"),
    Fn<&tblibc_pwritev2>("pwritev2"),
    Fn<&tblibc_pwritev64v2>("pwritev64v2"),
    Fn<&tblibc_pwritev64>("pwritev64"),
    Fn<&tblibc_posix_fallocate>("posix_fallocate"),
    Fn<&tblibc_posix_fallocate64>("posix_fallocate64"),
    Fn<&tblibc_fallocate>("fallocate"),
    Fn<&tblibc_fallocate64>("fallocate64"),
    Fn<&tblibc_lockf>("lockf"),
    Fn<&tblibc_flock>("flock"),
    Fn<&tblibc_lockf64>("lockf64"),
    Fn<&tblibc_statfs>("statfs"),
    Fn<&tblibc_fstatfs>("fstatfs"),
    Fn<&tblibc_statfs64>("statfs64"),
    Fn<&tblibc_fstatfs64>("fstatfs64"),
    Fn<&tblibc_getdents64>("getdents64"),
    Fn<&tblibc_getdirentries>("getdirentries"),
    Fn<&tblibc_getdirentries64>("getdirentries64"),
    Fn<&tblibc_access>("access"),
    Fn<&tblibc_faccessat>("faccessat"),
    Fn<&tblibc_access>("euidaccess"),
    Fn<&tblibc_access>("eaccess"),
    Fn<&tblibc_isatty>("isatty"),
    Fn<&tblibc_ttyname>("ttyname"),
    Fn<&tblibc_ttyname_r>("ttyname_r"),
    // Names.
    Fn<&tblibc_unlink>("unlink"),
    Fn<&tblibc_unlinkat>("unlinkat"),
    Fn<&tblibc_rmdir>("rmdir"),
    Fn<&tblibc_mkdirat>("mkdirat"),
    Fn<&tblibc_renameat>("renameat"),
    Fn<&tblibc_link>("link"),
    Fn<&tblibc_linkat>("linkat"),
    Fn<&tblibc_symlink>("symlink"),
    Fn<&tblibc_symlinkat>("symlinkat"),
    Fn<&tblibc_readlink>("readlink"),
    Fn<&tblibc_readlinkat>("readlinkat"),
    Fn<&tblibc_chdir>("chdir"),
    Fn<&tblibc_fchdir>("fchdir"),
    Fn<&tblibc_getcwd>("getcwd"),
    Fn<&tblibc_get_current_dir_name>("get_current_dir_name"),
    Fn<&tblibc_realpath>("realpath"),
    Fn<&tblibc_canonicalize_file_name>("canonicalize_file_name"),
    Fn<&tblibc_chmod>("chmod"),
    Fn<&tblibc_fchmod>("fchmod"),
    Fn<&tblibc_fchmodat>("fchmodat"),
    Fn<&tblibc_chown>("chown"),
    Fn<&tblibc_fchown>("fchown"),
    Fn<&tblibc_lchown>("lchown"),
    Fn<&tblibc_fchownat>("fchownat"),
    Fn<&tblibc_umask>("umask"),
    Fn<&tblibc_utime>("utime"),
    Fn<&tblibc_utimes>("utimes"),
    Fn<&tblibc_futimes>("futimes"),
    Fn<&tblibc_lutimes>("lutimes"),
    Fn<&tblibc_lutimes64>("__lutimes64"),
    Fn<&tblibc_futimens>("futimens"),
    Fn<&tblibc_utimensat>("utimensat"),
    Fn<&tblibc_utime64>("__utime64"),
    Fn<&tblibc_utimes64>("__utimes64"),
    Fn<&tblibc_futimes64>("__futimes64"),
    Fn<&tblibc_futimesat64>("__futimesat64"),
    Fn<&tblibc_futimens64>("__futimens64"),
    Fn<&tblibc_utimensat64>("__utimensat64"),
    // Temporary files.
    Fn<&tblibc_mkstemp>("mkstemp"),
    Fn<&tblibc_mkstemp64>("mkstemp64"),
    Fn<&tblibc_mkostemp>("mkostemp"),
    Fn<&tblibc_mkostemp64>("mkostemp64"),
    Fn<&tblibc_mkstemps>("mkstemps"),
    Fn<&tblibc_mkstemps64>("mkstemps64"),
    Fn<&tblibc_mkostemps>("mkostemps"),
    Fn<&tblibc_mkostemps64>("mkostemps64"),
    Fn<&tblibc_mkdtemp>("mkdtemp"),
    Fn<&tblibc_mktemp>("mktemp"),
    // Checked entries.
    Fn<&tblibc_getcwd_chk>("__getcwd_chk"),
    Fn<&tblibc_getwd>("getwd"),
    Fn<&tblibc_getwd_chk>("__getwd_chk"),
    Fn<&tblibc_ttyname_r_chk>("__ttyname_r_chk"),
    Fn<&tblibc_readlinkat_chk>("__readlinkat_chk"),
    Fn<&tblibc_realpath_chk>("__realpath_chk"),
    Fn<&tblibc_readlink_chk>("__readlink_chk"),
    Fn<&tblibc_read_chk>("__read_chk"),
    Fn<&tblibc_pread_chk>("__pread_chk"),
    Fn<&tblibc_pread64_chk>("__pread64_chk"),
};

const Family kFilesFamily{"files", kExports};

}  // namespace tblibc
