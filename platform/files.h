// Files: names, status, the host C runtime's descriptors (the numbers the
// guest's read, write and close use: msvcrt's `_open` numbers on Windows),
// directories and links.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

char DirectorySeparator();
bool IsAbsolutePath(std::string_view path);
std::string CurrentDirectory();
// The guest's spelling of a name the host gives (CurrentDirectory,
// FullPath, DescriptorDirectoryPath): the same name on Linux; on Windows
// C:\x becomes /mnt/c/x. Every call here takes either spelling.
std::string GuestPathOf(std::string hostPath);

bool FileExists(const char* path);   // exists and is not a directory
bool DirectoryExists(const char* path);

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

int PathStatus(const char* path, bool followLinks, FileStatus* status);
int DescriptorStatus(int fd, FileStatus* status);

struct VolumeStatus {
  uint32_t blockSize = 4096;
  uint64_t blocks = 0, freeBlocks = 0, availableBlocks = 0;
  uint64_t files = 0, freeFiles = 0;
  uint32_t id = 0;
  uint32_t nameMax = 255;
  bool readOnly = false;
};
int PathVolumeStatus(const char* path, VolumeStatus* status);

bool DescriptorIsOpen(int fd);
// Lets the process hold at least `count` descriptors where the host allows
// it (never fewer than it holds now).
void AllowDescriptors(uint32_t count);
// `meanings` are linux::OpenMeaning bits.
int DescriptorOpen(const char* path, unsigned meanings,
                   unsigned permission, int* fd);
// A descriptor for a directory, for fchdir, fstat and the *at calls.
int DescriptorOpenDirectory(const char* path, int* fd);
// The absolute name of the directory a descriptor stands for.
int DescriptorDirectoryPath(int fd, std::string* path);
int DescriptorClose(int fd);
int DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position);
int DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done);
int DescriptorWrite(int fd, const void* buffer, uint32_t count,
                    uint32_t* done);
int DescriptorDuplicate(int fd, int* copy);  // the lowest free number
int DescriptorDuplicateTo(int fd, int target);
int DescriptorPipe(int fds[2]);
int DescriptorSync(int fd);
int DescriptorTruncate(int fd, int64_t length);
// A null time is left as it is.
int DescriptorSetTimes(int fd, const FileTime* access,
                       const FileTime* modify);
int DescriptorSetPermissions(int fd, unsigned mode);
int DescriptorAccess(int fd, bool* readable, bool* writable);
bool DescriptorIsTerminal(int fd);
int DescriptorTerminalName(int fd, std::string* name);

int RemoveFile(const char* path);
int RemoveDir(const char* path);
int MakeDirectory(const char* path, unsigned mode);
int RenamePath(const char* from, const char* to);  // replaces `to`
int HardLink(const char* existing, const char* path);
int SymbolicLink(const char* target, const char* path);
int ReadLink(const char* path, std::string* target);
int ChangeDirectory(const char* path);
// The absolute name of an existing file, links resolved, in the host's
// spelling (separators as DirectorySeparator()).
int FullPath(const char* path, std::string* resolved);
int SetPermissions(const char* path, unsigned mode);
// A null time is left as it is; a link itself is changed unless `followLinks`.
int SetTimes(const char* path, const FileTime* access,
             const FileTime* modify, bool followLinks = true);
int TruncatePath(const char* path, int64_t length);
// mode: Linux's R_OK 4, W_OK 2, X_OK 1, F_OK 0.
int CheckAccess(const char* path, int mode);
// The mask for files created from now on; returns the previous one.
unsigned SetCreationMask(unsigned mask);

struct DirectoryEntry {
  std::string name;
  FileKind kind = FileKind::kUnknown;
  uint64_t inode = 0;
};
// Every entry, "." and ".." included, in the host's order.
int ListDirectory(const char* path, std::vector<DirectoryEntry>* entries);

}  // namespace platform
