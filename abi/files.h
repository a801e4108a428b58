// The Linux i386 C library's file structures and constants as the guest
// sees them: status, directory entries, file-system status, times, glob and
// tree-walk records. Offsets are the library's own (checked below against a
// native i386 build); every field has a fixed width so the host's types
// never leak in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "abi/linux.h"  // the open flags
#include "abi/time.h"  // Timespec, Timeval

namespace linux {

#pragma pack(push, 4)

struct Utimbuf {
  int32_t actime;
  int32_t modtime;
};

// struct stat: 32-bit inode, size and block count.
struct Stat {
  uint64_t st_dev;
  uint32_t pad1;
  uint32_t st_ino;
  uint32_t st_mode;
  uint32_t st_nlink;
  uint32_t st_uid;
  uint32_t st_gid;
  uint64_t st_rdev;
  uint32_t pad2;
  int32_t st_size;
  int32_t st_blksize;
  int32_t st_blocks;
  Timespec st_atim;
  Timespec st_mtim;
  Timespec st_ctim;
  uint32_t unused4;
  uint32_t unused5;
};

// struct stat64: the low 32 bits of the inode early, the whole one last.
struct Stat64 {
  uint64_t st_dev;
  uint32_t pad1;
  uint32_t st_ino32;
  uint32_t st_mode;
  uint32_t st_nlink;
  uint32_t st_uid;
  uint32_t st_gid;
  uint64_t st_rdev;
  uint32_t pad2;
  int64_t st_size;
  int32_t st_blksize;
  int64_t st_blocks;
  Timespec st_atim;
  Timespec st_mtim;
  Timespec st_ctim;
  uint64_t st_ino;
};

// struct stat under _TIME_BITS=64 (__stat64_t64): the whole inode in
// place of the padded low half, and 16-byte times.
struct StatTime64 {
  uint64_t st_dev;
  uint64_t st_ino;
  uint32_t st_mode;
  uint32_t st_nlink;
  uint32_t st_uid;
  uint32_t st_gid;
  uint64_t st_rdev;
  int64_t st_size;
  int32_t st_blksize;
  int64_t st_blocks;
  Timespec64 st_atim;
  Timespec64 st_mtim;
  Timespec64 st_ctim;
};

struct StatxTimestamp {
  int64_t tv_sec;
  uint32_t tv_nsec;
  int32_t reserved;
};

// struct statx, the same on every architecture; the device numbers come
// split in major and minor.
struct Statx {
  uint32_t stx_mask;
  uint32_t stx_blksize;
  uint64_t stx_attributes;
  uint32_t stx_nlink;
  uint32_t stx_uid;
  uint32_t stx_gid;
  uint16_t stx_mode;
  uint16_t pad1;
  uint64_t stx_ino;
  uint64_t stx_size;
  uint64_t stx_blocks;
  uint64_t stx_attributes_mask;
  StatxTimestamp stx_atime, stx_btime, stx_ctime, stx_mtime;
  uint32_t stx_rdev_major, stx_rdev_minor;
  uint32_t stx_dev_major, stx_dev_minor;
  uint64_t stx_mnt_id;
  uint32_t stx_dio_mem_align, stx_dio_offset_align;
  uint64_t spare[12];
};

struct Dirent {
  uint32_t d_ino;
  int32_t d_off;
  uint16_t d_reclen;
  uint8_t d_type;
  char d_name[256];
};

struct Dirent64 {
  uint64_t d_ino;
  int64_t d_off;
  uint16_t d_reclen;
  uint8_t d_type;
  char d_name[256];
};

struct Statvfs {
  uint32_t f_bsize;
  uint32_t f_frsize;
  uint32_t f_blocks;
  uint32_t f_bfree;
  uint32_t f_bavail;
  uint32_t f_files;
  uint32_t f_ffree;
  uint32_t f_favail;
  uint32_t f_fsid;
  uint32_t unused;
  uint32_t f_flag;
  uint32_t f_namemax;
  uint32_t spare[6];
};

struct Statvfs64 {
  uint32_t f_bsize;
  uint32_t f_frsize;
  uint64_t f_blocks;
  uint64_t f_bfree;
  uint64_t f_bavail;
  uint64_t f_files;
  uint64_t f_ffree;
  uint64_t f_favail;
  uint32_t f_fsid;
  uint32_t unused;
  uint32_t f_flag;
  uint32_t f_namemax;
  uint32_t spare[6];
};

// struct statfs and statfs64: the kernel's volume record; fsid is two ints.
struct Statfs {
  int32_t f_type;
  int32_t f_bsize;
  uint32_t f_blocks, f_bfree, f_bavail, f_files, f_ffree;
  int32_t f_fsid[2];
  int32_t f_namelen;
  int32_t f_frsize;
  int32_t f_flags;
  int32_t f_spare[4];
};

struct Statfs64 {
  int32_t f_type;
  int32_t f_bsize;
  uint64_t f_blocks, f_bfree, f_bavail, f_files, f_ffree;
  int32_t f_fsid[2];
  int32_t f_namelen;
  int32_t f_frsize;
  int32_t f_flags;
  int32_t f_spare[4];
};

// glob_t; the five function pointers serve GLOB_ALTDIRFUNC, which is not
// served (GLOB_NOSYS would be the answer, and it is never set here).
struct Glob {
  uint32_t gl_pathc;
  uint32_t gl_pathv;  // char** in the guest
  uint32_t gl_offs;
  int32_t gl_flags;
  uint32_t gl_closedir, gl_readdir, gl_opendir, gl_lstat, gl_stat;
};

struct Ftw {
  int32_t base;
  int32_t level;
};

#pragma pack(pop)

static_assert(sizeof(Stat) == 88 && sizeof(Stat64) == 96);
static_assert(offsetof(Stat, st_ino) == 12 && offsetof(Stat, st_mode) == 16 &&
              offsetof(Stat, st_rdev) == 32 && offsetof(Stat, st_size) == 44 &&
              offsetof(Stat, st_blksize) == 48 &&
              offsetof(Stat, st_blocks) == 52 && offsetof(Stat, st_atim) == 56 &&
              offsetof(Stat, st_mtim) == 64 && offsetof(Stat, st_ctim) == 72);
static_assert(offsetof(Stat64, st_size) == 44 &&
              offsetof(Stat64, st_blksize) == 52 &&
              offsetof(Stat64, st_blocks) == 56 &&
              offsetof(Stat64, st_atim) == 64 &&
              offsetof(Stat64, st_mtim) == 72 &&
              offsetof(Stat64, st_ctim) == 80 && offsetof(Stat64, st_ino) == 88);
static_assert(sizeof(StatTime64) == 108 && offsetof(StatTime64, st_ino) == 8 &&
              offsetof(StatTime64, st_mode) == 16 &&
              offsetof(StatTime64, st_rdev) == 32 &&
              offsetof(StatTime64, st_size) == 40 &&
              offsetof(StatTime64, st_blksize) == 48 &&
              offsetof(StatTime64, st_blocks) == 52 &&
              offsetof(StatTime64, st_atim) == 60 &&
              offsetof(StatTime64, st_mtim) == 76 &&
              offsetof(StatTime64, st_ctim) == 92);
static_assert(sizeof(StatxTimestamp) == 16);
static_assert(sizeof(Statx) == 256 && offsetof(Statx, stx_nlink) == 16 &&
              offsetof(Statx, stx_mode) == 28 && offsetof(Statx, stx_ino) == 32 &&
              offsetof(Statx, stx_blocks) == 48 &&
              offsetof(Statx, stx_atime) == 64 &&
              offsetof(Statx, stx_btime) == 80 &&
              offsetof(Statx, stx_ctime) == 96 &&
              offsetof(Statx, stx_mtime) == 112 &&
              offsetof(Statx, stx_rdev_major) == 128 &&
              offsetof(Statx, stx_dev_minor) == 140 &&
              offsetof(Statx, stx_mnt_id) == 144);
static_assert(sizeof(Dirent) == 268 && offsetof(Dirent, d_type) == 10 &&
              offsetof(Dirent, d_name) == 11);
static_assert(sizeof(Dirent64) == 276 && offsetof(Dirent64, d_type) == 18 &&
              offsetof(Dirent64, d_name) == 19);
static_assert(sizeof(Statvfs) == 72 && offsetof(Statvfs, f_flag) == 40 &&
              offsetof(Statvfs, f_namemax) == 44);
static_assert(sizeof(Statvfs64) == 96 && offsetof(Statvfs64, f_fsid) == 56 &&
              offsetof(Statvfs64, f_flag) == 64 &&
              offsetof(Statvfs64, f_namemax) == 68);
static_assert(sizeof(Statfs) == 64 && offsetof(Statfs, f_blocks) == 8 &&
              offsetof(Statfs, f_files) == 20 && offsetof(Statfs, f_fsid) == 28 &&
              offsetof(Statfs, f_namelen) == 36 &&
              offsetof(Statfs, f_flags) == 44 && offsetof(Statfs, f_spare) == 48);
static_assert(sizeof(Statfs64) == 84 && offsetof(Statfs64, f_blocks) == 8 &&
              offsetof(Statfs64, f_files) == 32 &&
              offsetof(Statfs64, f_fsid) == 48 &&
              offsetof(Statfs64, f_namelen) == 56 &&
              offsetof(Statfs64, f_flags) == 64 &&
              offsetof(Statfs64, f_spare) == 68);
static_assert(sizeof(Glob) == 36 && offsetof(Glob, gl_flags) == 12);
static_assert(sizeof(Ftw) == 8);

// File kinds and permission bits of st_mode (octal).
constexpr uint32_t kS_IFMT = 0170000;
constexpr uint32_t kS_IFDIR = 0040000;
constexpr uint32_t kS_IFCHR = 0020000;
constexpr uint32_t kS_IFREG = 0100000;
constexpr uint32_t kS_IFIFO = 0010000;
constexpr uint32_t kS_IFLNK = 0120000;

// d_type values.
constexpr uint8_t kDT_UNKNOWN = 0;
constexpr uint8_t kDT_FIFO = 1;
constexpr uint8_t kDT_CHR = 2;
constexpr uint8_t kDT_DIR = 4;
constexpr uint8_t kDT_REG = 8;
constexpr uint8_t kDT_LNK = 10;

// The version argument of __xstat and its kin: 3 is the only layout the
// i386 library accepts (_STAT_VER_LINUX).
constexpr int32_t kStatVersion = 3;

// *at() and fcntl().
constexpr int32_t kAT_FDCWD = -100;
constexpr uint32_t kAT_SYMLINK_NOFOLLOW = 0x100;
constexpr uint32_t kAT_REMOVEDIR = 0x200;
constexpr uint32_t kAT_EACCESS = 0x200;
constexpr uint32_t kAT_SYMLINK_FOLLOW = 0x400;
constexpr uint32_t kAT_NO_AUTOMOUNT = 0x800;
constexpr uint32_t kAT_EMPTY_PATH = 0x1000;
constexpr uint32_t kAT_STATX_SYNC_TYPE = 0x6000;

// statx() masks.
constexpr uint32_t kSTATX_BASIC_STATS = 0x7ff;
constexpr uint32_t kSTATX__RESERVED = 0x80000000;

// posix_fadvise() advice, 0 (NORMAL) to 5 (NOREUSE); posix_madvise()
// and madvise() share 0 to 4.
constexpr int32_t kPOSIX_FADV_NOREUSE = 5;
constexpr int32_t kPOSIX_MADV_DONTNEED = 4;
constexpr int32_t kF_DUPFD = 0;
constexpr int32_t kF_GETFD = 1;
constexpr int32_t kF_SETFD = 2;
constexpr int32_t kF_GETFL = 3;
constexpr int32_t kF_SETFL = 4;
constexpr int32_t kF_DUPFD_CLOEXEC = 1030;
// Record locks: the classic commands, their 64-bit-offset forms and the
// open-file-description ones; struct flock and flock64 both begin with
// l_type and l_whence.
constexpr int32_t kF_GETLK = 5, kF_SETLK = 6, kF_SETLKW = 7;
constexpr int32_t kF_GETLK64 = 12, kF_SETLK64 = 13, kF_SETLKW64 = 14;
constexpr int32_t kF_OFD_GETLK = 36, kF_OFD_SETLK = 37, kF_OFD_SETLKW = 38;
constexpr int16_t kF_RDLCK = 0, kF_WRLCK = 1, kF_UNLCK = 2;
struct FlockHead {
  int16_t l_type;
  int16_t l_whence;
};
// flock() operations.
constexpr int32_t kLOCK_SH = 1, kLOCK_EX = 2, kLOCK_NB = 4, kLOCK_UN = 8, kLOCK_MAND = 32;

// lockf() commands.
constexpr int32_t kF_ULOCK = 0;
constexpr int32_t kF_LOCK = 1;
constexpr int32_t kF_TLOCK = 2;
constexpr int32_t kF_TEST = 3;
constexpr uint32_t kFD_CLOEXEC = 1;
constexpr uint32_t kO_NONBLOCK = 04000;
constexpr uint32_t kO_LARGEFILE = 0100000;
constexpr uint32_t kO_DIRECTORY = 0200000;
constexpr uint32_t kO_NOFOLLOW = 0400000;
constexpr uint32_t kO_CLOEXEC = 02000000;

// access() modes.
constexpr int32_t kF_OK = 0;
constexpr int32_t kX_OK = 1;
constexpr int32_t kW_OK = 2;
constexpr int32_t kR_OK = 4;

// utimensat's special nanosecond values.
constexpr int32_t kUTIME_NOW = 0x3FFFFFFF;
constexpr int32_t kUTIME_OMIT = 0x3FFFFFFE;

// statvfs f_flag.
constexpr uint32_t kST_RDONLY = 1;
// statfs() f_flags: the kernel marks the field as filled in.
constexpr int32_t kST_VALID = 0x20;

// fnmatch().
constexpr int32_t kFNM_PATHNAME = 1;
constexpr int32_t kFNM_NOESCAPE = 2;
constexpr int32_t kFNM_PERIOD = 4;
constexpr int32_t kFNM_LEADING_DIR = 8;
constexpr int32_t kFNM_CASEFOLD = 16;
constexpr int32_t kFNM_NOMATCH = 1;

// glob().
constexpr int32_t kGLOB_ERR = 1;
constexpr int32_t kGLOB_MARK = 2;
constexpr int32_t kGLOB_NOSORT = 4;
constexpr int32_t kGLOB_DOOFFS = 8;
constexpr int32_t kGLOB_NOCHECK = 16;
constexpr int32_t kGLOB_APPEND = 32;
constexpr int32_t kGLOB_NOESCAPE = 64;
constexpr int32_t kGLOB_PERIOD = 128;
constexpr int32_t kGLOB_MAGCHAR = 256;
constexpr int32_t kGLOB_BRACE = 1024;
constexpr int32_t kGLOB_NOMAGIC = 2048;
constexpr int32_t kGLOB_TILDE = 4096;
constexpr int32_t kGLOB_ONLYDIR = 8192;
constexpr int32_t kGLOB_TILDE_CHECK = 16384;
constexpr int32_t kGLOB_NOSPACE = 1;
constexpr int32_t kGLOB_ABORTED = 2;
constexpr int32_t kGLOB_NOMATCH = 3;

// ftw() and nftw().
constexpr int32_t kFTW_F = 0;
constexpr int32_t kFTW_D = 1;
constexpr int32_t kFTW_DNR = 2;
constexpr int32_t kFTW_NS = 3;
constexpr int32_t kFTW_SL = 4;
constexpr int32_t kFTW_DP = 5;
constexpr int32_t kFTW_SLN = 6;
constexpr int32_t kFTW_PHYS = 1;
constexpr int32_t kFTW_MOUNT = 2;
constexpr int32_t kFTW_CHDIR = 4;
constexpr int32_t kFTW_DEPTH = 8;
constexpr int32_t kFTW_ACTIONRETVAL = 16;
constexpr int32_t kFTW_CONTINUE = 0;
constexpr int32_t kFTW_STOP = 1;
constexpr int32_t kFTW_SKIP_SUBTREE = 2;
constexpr int32_t kFTW_SKIP_SIBLINGS = 3;

// mmap() and its kin.
constexpr uint32_t kPROT_READ = 1;
constexpr uint32_t kPROT_WRITE = 2;
constexpr uint32_t kPROT_EXEC = 4;
constexpr uint32_t kMAP_SHARED = 0x01;
constexpr uint32_t kMAP_PRIVATE = 0x02;
constexpr uint32_t kMAP_TYPE = 0x0F;
constexpr uint32_t kMAP_FIXED = 0x10;
constexpr uint32_t kMAP_ANONYMOUS = 0x20;
constexpr uint32_t kMAP_FIXED_NOREPLACE = 0x100000;
constexpr uint32_t kMAP_FAILED = 0xFFFFFFFF;
constexpr uint32_t kMREMAP_MAYMOVE = 1;
constexpr uint32_t kMREMAP_FIXED = 2;
constexpr int32_t kMS_ASYNC = 1;
constexpr int32_t kMS_INVALIDATE = 2;
constexpr int32_t kMS_SYNC = 4;

// ---- What an open asks of the host ----------------------------------------
//
// The meanings that every host's open understands, and the one translation
// of the guest's open flags into them. Every other bit (O_NOCTTY,
// O_NONBLOCK, O_LARGEFILE, O_CLOEXEC, O_DIRECTORY, O_NOFOLLOW, O_SYNC ...)
// is dropped here on purpose: a host file has nothing that means the same,
// and what the binding honours of them (close-on-exec, the status flags,
// O_DIRECTORY) it reads from the flags itself.
enum OpenMeaning : unsigned {
  kOpenRead = 1,
  kOpenWrite = 2,
  kOpenCreate = 4,      // create when missing
  kOpenTruncate = 8,    // cut to length 0 when it exists
  kOpenExclusive = 16,  // with kOpenCreate: fail when it exists
  kOpenAppend = 32,     // every write goes to the end
};

// A row applies when the flags masked with `mask` equal `value`.
struct OpenFlagMeaning {
  uint32_t mask;
  uint32_t value;
  unsigned meaning;
};
constexpr OpenFlagMeaning kOpenFlagMeanings[] = {
    {kO_ACCMODE, kO_RDONLY, kOpenRead},
    {kO_ACCMODE, kO_WRONLY, kOpenWrite},
    {kO_ACCMODE, kO_RDWR, kOpenRead | kOpenWrite},
    {kO_CREAT, kO_CREAT, kOpenCreate},
    {kO_EXCL, kO_EXCL, kOpenExclusive},
    {kO_TRUNC, kO_TRUNC, kOpenTruncate},
    {kO_APPEND, kO_APPEND, kOpenAppend},
};
static_assert(std::size(kOpenFlagMeanings) == 7);

// The meanings of the guest's open flags; 0 for access mode 3, which asks
// neither to read nor to write, and which every open refuses (EINVAL).
constexpr unsigned OpenMeanings(uint32_t flags) {
  unsigned meanings = 0;
  for (const OpenFlagMeaning& row : kOpenFlagMeanings)
    if ((flags & row.mask) == row.value) meanings |= row.meaning;
  return (meanings & (kOpenRead | kOpenWrite)) != 0 ? meanings : 0;
}
static_assert(OpenMeanings(kO_RDONLY | kO_CLOEXEC) == kOpenRead);
static_assert(OpenMeanings(kO_RDWR | kO_CREAT | kO_EXCL) ==
              (kOpenRead | kOpenWrite | kOpenCreate | kOpenExclusive));
static_assert(OpenMeanings(kO_ACCMODE | kO_CREAT) == 0);

}  // namespace linux
