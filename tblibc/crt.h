// What the bridge library takes from the host C runtime beyond the calls
// that every C library spells and declares alike. crt_linux.cpp and
// crt_win32.cpp provide it; they are the only files of the library that
// know which host they run on.
#pragma once

#include <cstdint>

#include "abi/files.h"

namespace crt {

// ---- Table entries ----------------------------------------------------------
//
// Code addresses of host functions whose names (msvcrt's _read) or C++
// declarations (glibc's const overloads of strchr) differ between hosts.
// Each takes the guest's arguments as the Linux function of the same name.

uint32_t ReadEntry();     // int read(int fd, void* buffer, unsigned count)
uint32_t WriteEntry();    // int write(int fd, const void* buffer, unsigned count)
uint32_t CloseEntry();    // int close(int fd)
uint32_t FilenoEntry();   // int fileno(FILE* stream)
uint32_t MkdirEntry();    // int mkdir(const char* path, mode): mode not honoured
uint32_t StrchrEntry();   // char* strchr(const char* s, int c)
uint32_t StrrchrEntry();  // char* strrchr(const char* s, int c)
uint32_t StrstrEntry();   // char* strstr(const char* s, const char* part)

// The host's standard streams, as the FILE* values the guest's stdio calls
// pass back to the host.
uint32_t StandardError();
uint32_t StandardInput();
uint32_t StandardOutput();

// ---- Descriptors ------------------------------------------------------------

// What an open asks for, by meaning (abi/files.h, the guest's flags read
// once for every open); the host's own bits follow from these.
using linux::OpenMeaning;
using linux::kOpenRead;
using linux::kOpenWrite;
using linux::kOpenCreate;
using linux::kOpenTruncate;
using linux::kOpenExclusive;
using linux::kOpenAppend;

// A host descriptor, or -1 with the host's errno set. Files are opened
// untranslated (Linux programs know no text mode). `mode` is the POSIX
// permission of a file that gets created.
int Open(const char* path, unsigned meanings, unsigned mode);
int Dup(int fd);

}  // namespace crt
