// The platform services the loader leans on, one narrow interface for every
// host OS. Everything outside platform/ (and the C-runtime side of the bridge
// library) reaches the operating system only through this header, so the
// loader, the binding and the system-call code are the same on every port.
//
// Conventions: file and I/O results are host error codes in the Win32
// numbering (0 success, 2 file not found, 3 path not found, 5 access denied,
// ...). The Windows port passes GetLastError() through; other ports map
// their own errors onto the same numbers, so the run-time's I/O messages and
// the guest's error translation have one vocabulary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---- Exceptions -----------------------------------------------------------

// The register context of a trapped thread. What a handler leaves here is
// what the thread resumes with.
struct Context {
  uint32_t Edi, Esi, Ebx, Edx, Ecx, Eax, Ebp, Eip, EFlags, Esp;
};

struct ExceptionPointers {
  uint32_t ExceptionCode;
  Context* ContextRecord;
};

using ExceptionHandler = int32_t (*)(ExceptionPointers*);

constexpr int32_t kContinueExecution = -1;
constexpr int32_t kContinueSearch = 0;

// Exception codes, in the Windows numbering on every port.
constexpr uint32_t kAccessViolation = 0xC0000005;
constexpr uint32_t kIllegalInstruction = 0xC000001D;
constexpr uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr uint32_t kIntegerDivideByZero = 0xC0000094;
constexpr uint32_t kIntegerOverflow = 0xC0000095;
constexpr uint32_t kFloatInvalidOperation = 0xC0000090;
constexpr uint32_t kBreakpoint = 0x80000003;
constexpr uint32_t kSingleStep = 0x80000004;
constexpr uint32_t kInPageError = 0xC0000006;

// Installs `handler` in front of every other handler. From then on every
// exception of the process reaches it first, on the faulting thread. On
// ports whose kernel answers `int 0x80` itself, system calls made from the
// guest region (the last ReserveRegion) are turned into exceptions too, with
// Eip at the 0xCD byte and Eax holding the call number.
void AddVectoredExceptionHandler(ExceptionHandler handler);
bool ExceptionHandlerInstalled();

// Raises a software exception with `code` through the installed handler.
// Returns only when no handler is installed or a handler continued it.
void RaiseException(uint32_t code);

// ---- Memory ---------------------------------------------------------------

enum Protection : unsigned { kNoAccess = 0, kRead = 1, kWrite = 2, kExecute = 4 };

// Reserves and commits [address rounded down to 64 KiB, address + size) as
// readable, writable and executable, and returns the rounded base. Never
// replaces an existing mapping; null on failure. The range is remembered as
// the guest region.
void* ReserveRegion(uint32_t address, uint32_t size);
void GuestRegion(uint32_t* base, uint32_t* end);

// Changes the protection of whole pages covering [address, address + size).
bool Protect(uint32_t address, uint32_t size, unsigned protection);

// True when every byte of [address, address + size) can be read now.
bool IsReadable(uint32_t address, uint32_t size);

// Fresh read-write pages anywhere in the address space, for the run-time's
// heap; null when none are left.
void* AllocatePages(size_t size);
void FreePages(void* pages, size_t size);

constexpr uint32_t kPageSize = 4096;

// ---- Process --------------------------------------------------------------

// Called first thing by main(), with what the C runtime passed.
void Init(int argc, char** argv);

// The process's command line split into words; word 0 is the program.
std::vector<std::string> CommandLine();

// Full path of the loader's own executable file.
std::string ModuleFileName();
// Address at which the loader's own image starts.
uintptr_t ModuleBase();

char DirectorySeparator();
bool IsAbsolutePath(std::string_view path);
std::string CurrentDirectory();

// Line end of the host's text files and console.
std::string_view LineEnd();

// Flushes the host C runtime's streams, then ends the process at once.
[[noreturn]] void ExitProcess(uint32_t code);

// ---- Time -----------------------------------------------------------------

uint32_t TickCount();                                  // ms since boot
void TimeOfDay(int64_t* seconds, uint32_t* microseconds);  // since 1970 UTC

// ---- Console and files ----------------------------------------------------

using Handle = intptr_t;
constexpr Handle kInvalidHandle = -1;

Handle StdInput();
Handle StdOutput();
Handle StdError();
bool IsConsole(Handle h);

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
}  // namespace err

enum OpenFlags : unsigned {
  kOpenRead = 1,
  kOpenWrite = 2,
  kOpenCreate = 4,     // create when missing
  kOpenTruncate = 8,   // cut to length 0 when it exists
  kOpenExclusive = 16, // with kOpenCreate: fail when it exists
  kOpenAppend = 32,    // every write goes to the end
};

// `permission` is the POSIX mode of a file that gets created (the Windows
// port honours only the owner-write bit: without it the file is read-only).
uint32_t FileOpen(const char* path, unsigned flags, unsigned permission,
                  Handle* handle);
uint32_t FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done);
uint32_t FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done);
// whence: 0 start, 1 current, 2 end.
uint32_t FileSeek(Handle h, int64_t offset, int whence, int64_t* position);
uint32_t FileSize(Handle h, int64_t* size);
uint32_t FileClose(Handle h);

bool FileExists(const char* path);   // exists and is not a directory
bool DirectoryExists(const char* path);

// ---- Files, directories and their status (the files family) ----

// (end of files)

// ---- Memory mappings (the mappings family) ----

// (end of mappings)

// ---- Clocks and time zones (the time family) ----

// (end of time)

// ---- The process and its signals (the process and signals families) ----

// (end of process)

// ---- Streams and the C runtime's descriptors (the streams family) ----
//
// The host C runtime's streams (its FILE*, passed as void*) and its
// descriptors. Every stream opened here is binary: a Linux program's bytes
// reach the file unchanged. Unlike the Win32-numbered results above, these
// answer as the C runtime does: a null stream or -1 with the host C
// runtime's errno set, which the caller translates.

// `flags` are OpenFlags; the stream reads and writes as they say. A created
// file may be read and written by everyone the host lets (0666 on Linux).
void* StreamOpen(const char* path, unsigned flags);
// Reopens `stream` on `path` in place (the same FILE* on success).
void* StreamReopen(const char* path, unsigned flags, void* stream);
// A stream on an open descriptor of the C runtime.
void* StreamFromDescriptor(int fd, unsigned flags);
int StreamDescriptor(void* stream);
// fclose that leaves the stream's descriptor open (the loader's final
// pause reads descriptor 0 after the guest has closed stdin).
int StreamCloseKeepingDescriptor(void* stream);

// A stream on a fresh file in the host's temporary directory, holding
// `size` bytes of `contents` and positioned at its start, that disappears
// when closed (or when the process ends).
void* TemporaryStream(const void* contents, size_t size, unsigned flags);
// The host's directory for temporary files, "/" as the separator and no
// separator at the end ("/tmp" on Linux).
std::string TemporaryDirectory();

// The command run by the host's command interpreter, its standard output
// (reading) or input (writing) on the stream.
void* PipeOpen(const char* command, bool reading);
// Waits for the command; its status as Linux's wait encodes it (the exit
// code times 256), or -1.
int32_t PipeClose(void* stream);

// whence: 0 start, 1 current, 2 end.
int StreamSeek(void* stream, int64_t offset, int whence);
int64_t StreamTell(void* stream);
// Cuts the stream's file to `size` bytes; call with its buffer flushed.
int StreamTruncate(void* stream, int64_t size);

enum class Buffering { kFull, kLine, kNone };
// `buffer` may be null (the host's own); `size` 0 takes the host's default.
int StreamSetBuffering(void* stream, char* buffer, Buffering mode,
                       size_t size);

// What the Linux C library's stdio_ext calls tell: the stream is read-only
// or its last operation was a read; write-only or the last was a write.
bool StreamReading(void* stream);
bool StreamWriting(void* stream);
// Drops buffered input and output that has not reached the file.
void StreamPurge(void* stream);
// Sets the stream's error indicator.
void StreamSetError(void* stream);

// rename() as Linux does it: an existing target file is replaced.
int ReplacePath(const char* from, const char* to);
// unlink() of a file or rmdir() of an empty directory.
int DeletePath(const char* path, bool directory);

// (end of streams)

}  // namespace platform
