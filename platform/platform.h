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

// ---- Images and guest start (the image loader) ----

// 32 random bits from the host's entropy source, different on every run.
uint32_t RandomWord();

// ---- Files, directories and their status (the files family) ----
//
// Descriptors here are the host C runtime's (msvcrt's `_open` numbers on
// Windows), the same numbers the guest's read, write and close use.

namespace err {
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

// ---- Memory mappings (the mappings family) ----

// A view of [offset, offset + size) of the file behind `fd` that writes
// reach the file through; kNotSupported where the host cannot give one.
uint32_t MapShared(int fd, int64_t offset, uint32_t size, bool writable,
                   void** address);
uint32_t UnmapShared(void* address, uint32_t size);
uint32_t FlushShared(void* address, uint32_t size);

// ---- Clocks and time zones (the time family) ----

enum class ClockKind {
  kRealtime,    // since 1970 UTC
  kMonotonic,   // since some fixed point, never set back
  kProcessCpu,  // CPU time of the whole process
  kThreadCpu,   // CPU time of the calling thread
};
// The clock's reading in seconds and nanoseconds.
void ClockRead(ClockKind clock, int64_t* seconds, int32_t* nanoseconds);
// The clock's step, in nanoseconds (at least 1).
int64_t ClockStep(ClockKind clock);
// User and system CPU time of the process, in nanoseconds.
void ProcessTimes(int64_t* userNs, int64_t* systemNs);
// Sleeps at least `nanoseconds`.
void SleepFor(int64_t nanoseconds);
// The host's local time zone as a POSIX TZ string ("CET-1CEST,M3.5.0,
// M10.5.0/3"); empty when the host has none, which means UTC.
std::string LocalZoneRule();
// The rule of a named zone of the host's zone database ("Europe/Paris"),
// as a POSIX TZ string; empty when the host has no such zone.
std::string NamedZoneRule(std::string_view name);

// ---- The process and its signals (the process and signals families) ----

// Facts about this process and machine that the process queries report.
uint32_t ProcessId();
uint32_t ParentProcessId();
uint32_t ProcessorCount();           // at least 1
uint64_t PhysicalMemoryBytes();      // 0 when unknown
uint64_t AvailableMemoryBytes();     // 0 when unknown

struct ProcessUsage {
  uint64_t userMicros = 0, systemMicros = 0;
  uint32_t peakKiB = 0;  // 0 when unknown
};
ProcessUsage Usage();

// A signal state a process starts with, as bit masks over Linux signal
// numbers (bit n-1 for signal n): the signals its parent left ignored,
// which an exec keeps, and the blocked ones.
struct StartingSignals {
  uint64_t ignored = 0;
  uint64_t blocked = 0;
};

// Runs `command` through the host's command interpreter and waits for it.
// The command starts with `child` as its signal state, as a child of the
// guest would on Linux (Windows hands signals to no child).
struct CommandResult {
  bool started = false;
  bool signalled = false;  // ended by a host signal (Linux host only)
  uint32_t code = 0;       // exit code, or the signal's number
};
CommandResult RunCommand(const char* command, const StartingSignals& child);
bool HasCommandInterpreter();

// The state this process was started with: read when it starts, before the
// loader changes any of it; Windows hands down neither.
StartingSignals InheritedSignals();
// The nice value (-20..19) the process was started with: the parent's on
// Linux, the priority class's nearest on Windows.
int32_t InheritedNice();

// A write to a pipe whose reader has gone fails with an error rather than
// ending the host process, so that the loader can give the guest SIGPIPE.
void KeepBrokenPipesQuiet();
// Whether the C runtime's last failed write (errno just set) met a pipe
// whose reader has gone.
bool LastWriteMetBrokenPipe();

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
// (reading) or input (writing) on the stream; its signal state as for
// RunCommand.
void* PipeOpen(const char* command, bool reading, const StartingSignals& child);
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

// ---- Writes to the C runtime's descriptors (the format family) ----

// write() on the host C runtime's descriptor table, the one the guest's
// `write` reaches: bytes written, or -1 with the runtime's errno.
int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size);

// True when the byte at `address` may be written now (the fortified
// printf refuses %n in a format that could have been altered).
bool IsWritable(uint32_t address);

}  // namespace platform
