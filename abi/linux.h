// The Linux i386 ABI as the guest sees it: error numbers, open flags and
// seek origins, shared by the system calls and the bridge library's open.
// These are the guest's values, kept apart from the host's headers; the
// host defines ENOENT, O_CREAT and SEEK_END as macros (with other values on
// Windows), hence the k prefix.
#pragma once

#include <cstdint>

namespace linux {

// Error numbers; a handler answers a failure with the negated value in Eax.
constexpr int32_t kENOENT = 2;
constexpr int32_t kEIO = 5;
constexpr int32_t kEBADF = 9;
constexpr int32_t kENOMEM = 12;
constexpr int32_t kEACCES = 13;
constexpr int32_t kEFAULT = 14;
constexpr int32_t kEEXIST = 17;
constexpr int32_t kEISDIR = 21;
constexpr int32_t kEINVAL = 22;
constexpr int32_t kEMFILE = 24;
constexpr int32_t kENOSPC = 28;
constexpr int32_t kESPIPE = 29;
constexpr int32_t kEROFS = 30;
constexpr int32_t kEPIPE = 32;
constexpr int32_t kENAMETOOLONG = 36;
constexpr int32_t kEOVERFLOW = 75;

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
