// Host error codes, in the Win32 numbering on every port: 0 success, 2 file
// not found, 3 path not found, 5 access denied ... The Windows port passes
// GetLastError() through; other ports map their own errors onto the same
// numbers, so the run-time's I/O messages and the guest's error translation
// have one vocabulary.
#pragma once

#include <cstdint>

namespace platform {

// Host error codes (Win32 numbering) that callers tell apart.
namespace err {
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kTooManyOpenFiles = 4;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kWriteProtect = 19;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kHandleEof = 38;
constexpr uint32_t kFileExists = 80;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kBrokenPipe = 109;
constexpr uint32_t kDiskFull = 112;
constexpr uint32_t kInvalidName = 123;
constexpr uint32_t kNegativeSeek = 131;
constexpr uint32_t kAlreadyExists = 183;
constexpr uint32_t kFilenameTooLong = 206;
constexpr uint32_t kDirectory = 267;
constexpr uint32_t kNoAccess = 998;  // a buffer the host could not touch
constexpr uint32_t kNotSameDevice = 17;
constexpr uint32_t kNotSupported = 50;
constexpr uint32_t kSeekOnDevice = 132;
constexpr uint32_t kDirNotEmpty = 145;
constexpr uint32_t kIsADirectory = 336;     // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr uint32_t kPrivilegeNotHeld = 1314;
constexpr uint32_t kCantResolveFilename = 1921;  // a loop of links
constexpr uint32_t kNotAReparsePoint = 4390;     // not a symbolic link
// kDirectory (267, "the directory name is invalid") is what a directory
// operation on something else gives: Linux's ENOTDIR.
}  // namespace err

}  // namespace platform
