// Files: names, status, the host C runtime's descriptors (the numbers the
// guest's read, write and close use: msvcrt's `_open` numbers on Windows),
// directories and links.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace platform {

char DirectorySeparator();
bool IsAbsolutePath(std::string_view path);
std::string CurrentDirectory();

bool FileExists(const char* path);   // exists and is not a directory
bool DirectoryExists(const char* path);

enum OpenFlags : unsigned {
  kOpenRead = 1,
  kOpenWrite = 2,
  kOpenCreate = 4,     // create when missing
  kOpenTruncate = 8,   // cut to length 0 when it exists
  kOpenExclusive = 16, // with kOpenCreate: fail when it exists
  kOpenAppend = 32,    // every write goes to the end
};

enum class FileKind : uint8_t {
  kUnknown, kRegular, kDirectory, kSymlink, kCharDevice, kFifo,
};

struct FileTime {
  int64_t seconds;  // since 1970 UTC
  uint32_t nanoseconds;
};

// What either host knows of a file, in neutral units; the binding fills the
// guest's structures from it.
struct FileStatus {
  FileKind kind = FileKind::kUnknown;
  uint32_t permissions = 0;  // 07777 bits
  uint64_t size = 0;
  uint64_t inode = 0;
  uint64_t device = 0;
  uint64_t rdev = 0;
  uint32_t links = 1;
  uint32_t uid = 0, gid = 0;
  uint32_t blockSize = 4096;
  uint64_t blocks = 0;  // 512-byte units
  FileTime access{}, modify{}, change{};
};

uint32_t PathStatus(const char* path, bool followLinks, FileStatus* status);
uint32_t DescriptorStatus(int fd, FileStatus* status);

struct VolumeStatus {
  uint32_t blockSize = 4096;
  uint64_t blocks = 0, freeBlocks = 0, availableBlocks = 0;
  uint64_t files = 0, freeFiles = 0;
  uint32_t id = 0;
  uint32_t nameMax = 255;
  bool readOnly = false;
};
uint32_t PathVolumeStatus(const char* path, VolumeStatus* status);

bool DescriptorIsOpen(int fd);
uint32_t DescriptorOpen(const char* path, unsigned flags /* OpenFlags */,
                        unsigned permission, int* fd);
// A descriptor for a directory, for fchdir, fstat and the *at calls.
uint32_t DescriptorOpenDirectory(const char* path, int* fd);
// The absolute name of the directory a descriptor stands for.
uint32_t DescriptorDirectoryPath(int fd, std::string* path);
uint32_t DescriptorClose(int fd);
uint32_t DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position);
uint32_t DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done);
uint32_t DescriptorWrite(int fd, const void* buffer, uint32_t count,
                         uint32_t* done);
uint32_t DescriptorDuplicate(int fd, int* copy);  // the lowest free number
uint32_t DescriptorDuplicateTo(int fd, int target);
uint32_t DescriptorPipe(int fds[2]);
uint32_t DescriptorSync(int fd);
uint32_t DescriptorTruncate(int fd, int64_t length);
// A null time is left as it is.
uint32_t DescriptorSetTimes(int fd, const FileTime* access,
                            const FileTime* modify);
uint32_t DescriptorSetPermissions(int fd, unsigned mode);
uint32_t DescriptorAccess(int fd, bool* readable, bool* writable);
bool DescriptorIsTerminal(int fd);
uint32_t DescriptorTerminalName(int fd, std::string* name);

uint32_t RemoveFile(const char* path);
uint32_t RemoveDir(const char* path);
uint32_t MakeDirectory(const char* path, unsigned mode);
uint32_t RenamePath(const char* from, const char* to);  // replaces `to`
uint32_t HardLink(const char* existing, const char* path);
uint32_t SymbolicLink(const char* target, const char* path);
uint32_t ReadLink(const char* path, std::string* target);
uint32_t ChangeDirectory(const char* path);
// The absolute name of an existing file, links resolved, in the host's
// spelling (separators as DirectorySeparator()).
uint32_t FullPath(const char* path, std::string* resolved);
uint32_t SetPermissions(const char* path, unsigned mode);
uint32_t SetTimes(const char* path, const FileTime* access,
                  const FileTime* modify);
uint32_t TruncatePath(const char* path, int64_t length);
// mode: Linux's R_OK 4, W_OK 2, X_OK 1, F_OK 0.
uint32_t CheckAccess(const char* path, int mode);
// The mask for files created from now on; returns the previous one.
unsigned SetCreationMask(unsigned mask);

struct DirectoryEntry {
  std::string name;
  FileKind kind = FileKind::kUnknown;
  uint64_t inode = 0;
};
// Every entry, "." and ".." included, in the host's order.
uint32_t ListDirectory(const char* path, std::vector<DirectoryEntry>* entries);

// write() on a descriptor: bytes written, or -1 with the runtime's errno.
int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size);

}  // namespace platform
