// The Linux i386 ABI as the guest sees it: error numbers, open flags and
// seek origins, shared by the system calls and the bridge library's open.
// These are the guest's values, kept apart from the host's headers; the
// host defines ENOENT, O_CREAT and SEEK_END as macros (with other values on
// Windows), hence the k prefix.
#pragma once

#include <cstdint>

#include "abi/errno.h"

namespace linux {

// Error numbers (abi/errno.h); a handler answers a failure with the
// negated value in Eax.

// open() flags (octal, as in the kernel's headers).
constexpr uint32_t kO_ACCMODE = 03;
constexpr uint32_t kO_RDONLY = 00;
constexpr uint32_t kO_WRONLY = 01;
constexpr uint32_t kO_RDWR = 02;
constexpr uint32_t kO_CREAT = 0100;
constexpr uint32_t kO_EXCL = 0200;
constexpr uint32_t kO_TRUNC = 01000;
constexpr uint32_t kO_APPEND = 02000;

// lseek() origins.
constexpr uint32_t kSEEK_SET = 0;
constexpr uint32_t kSEEK_CUR = 1;
constexpr uint32_t kSEEK_END = 2;

}  // namespace linux
