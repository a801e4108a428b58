// What the files, directories and mappings families share: the guest's
// errno from a platform answer, the guest's structures from the neutral file
// record, and the paths the *at calls resolve against a directory
// descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abi/files.h"
#include "platform/files.h"

namespace tblibc::files {

// errno = `linuxErrno`, and the -1 the guest's call answers.
int32_t FailWith(int32_t linuxErrno);

// A path of the host's as a Linux program reads it: "/" between names.
std::string GuestPath(std::string hostPath);

uint32_t ModeOf(const platform::FileStatus& status);
uint8_t DirentType(platform::FileKind kind);
void ToStat64(const platform::FileStatus& status, linux::Stat64* out);
void ToStatTime64(const platform::FileStatus& status, linux::StatTime64* out);
// False when a field does not fit the 32-bit layout (EOVERFLOW).
bool ToStat(const platform::FileStatus& status, linux::Stat* out);

// The name `path` has for the host when the guest gives it relative to the
// directory descriptor `dirfd` (AT_FDCWD: the current directory). False with
// errno set when `dirfd` names no directory.
bool AtPath(int32_t dirfd, const char* path, std::string* resolved);
// Directory descriptors handed out here, with the directory they stand for.
void RememberDirectory(int32_t fd, std::string path);
void ForgetDescriptor(int32_t fd);
// A descriptor for `path` as a directory, remembered; -1 with errno.
int32_t OpenDirectoryDescriptor(const char* path);

// Sorts guest pointers with the guest's comparator, called with the
// addresses of two of them (scandir's, fts's): a stable merge sort that
// tolerates any comparator, consistent or not.
void SortByGuest(std::vector<uint32_t>* items, uint32_t compare);

// The current time as the file calls set it.
platform::FileTime Now();

}  // namespace tblibc::files

// Start-up names this family serves.
extern "C" {
int tblibc_futimesat(int32_t dirfd, const char* path, const void* times);
int tblibc_fxstat64(int32_t version, int32_t fd, void* buffer);
int tblibc_mkdir(const char* path, uint32_t mode);
int tblibc_open(const char* path, uint32_t flags, ...);
int tblibc_open64(const char* path, uint32_t flags, ...);
int tblibc_fcntl(int32_t fd, int32_t command, uint32_t arg);
int32_t tblibc_read(int32_t fd, void* buffer, uint32_t count);
int32_t tblibc_write(int32_t fd, const void* buffer, uint32_t count);
int32_t tblibc_close(int32_t fd);
int tblibc_terminal_noop();
}
