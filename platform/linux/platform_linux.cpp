// The platform services on Linux i386, the port the system is tested on.
//
// The loader is written against Windows: vectored exceptions with a
// writable CONTEXT, a raw `int 0x80` that faults, Win32 error numbers. Here
// signals stand in for exceptions (their ucontext is the CONTEXT), a seccomp
// filter makes the guest's own system calls fault the way Windows makes them
// fault, and errno is mapped onto the Win32 numbers once, in one table.
#include <errno.h>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <stddef.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/ucontext.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif
#ifndef SYS_SECCOMP
#define SYS_SECCOMP 1
#endif

extern "C" char __executable_start;  // first byte of our own image (ld)

namespace platform {
namespace {

int g_argc = 0;
char** g_argv = nullptr;

uint32_t g_regionBase = 0;
uint32_t g_regionEnd = 0;

ExceptionHandler g_handler = nullptr;
bool g_syscallsTrapped = false;

constexpr uint32_t kAllocationGranularity = 0x10000;
constexpr uint32_t kSyscallInstructionLength = 2;  // cd 80

uint32_t RoundDown(uint32_t value, uint32_t unit) { return value & ~(unit - 1); }
uint64_t RoundUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) & ~(unit - 1);
}

// ---- errno to Win32 numbers -----------------------------------------------

struct ErrnoRow {
  int errnoValue;
  uint32_t win32;
};

constexpr std::array<ErrnoRow, 25> kErrnoTable{{
    {ENOENT, err::kFileNotFound},
    {ENXIO, err::kFileNotFound},
    {ENOTDIR, err::kPathNotFound},
    {EMFILE, err::kTooManyOpenFiles},
    {ENFILE, err::kTooManyOpenFiles},
    {EACCES, err::kAccessDenied},
    {EPERM, err::kAccessDenied},
    {EROFS, err::kAccessDenied},
    {EBADF, err::kInvalidHandle},
    {ENOMEM, err::kNotEnoughMemory},
    {ETXTBSY, err::kSharingViolation},
    {EEXIST, err::kFileExists},
    {EINVAL, err::kInvalidParameter},
    {EPIPE, err::kBrokenPipe},
    {ENOSPC, err::kDiskFull},
    {EDQUOT, err::kDiskFull},
    {ENAMETOOLONG, err::kFilenameTooLong},
    {EISDIR, err::kDirectory},
    {EFAULT, err::kNoAccess},
    {ELOOP, err::kInvalidName},
    {ESPIPE, 132},   // ERROR_SEEK_ON_DEVICE
    {EFBIG, 223},    // ERROR_FILE_TOO_LARGE
    {EIO, 1117},     // ERROR_IO_DEVICE
    {EBUSY, 170},    // ERROR_BUSY
    {EAGAIN, 232},   // ERROR_NO_DATA
}};
static_assert(kErrnoTable.size() == 25);

// Errors without a Win32 counterpart keep their errno in the low bits of an
// application-defined code (bit 29), so a report still names the cause.
constexpr uint32_t kUnmappedErrno = 0x20000000;

uint32_t Win32Error(int e) {
  for (const ErrnoRow& row : kErrnoTable)
    if (row.errnoValue == e) return row.win32;
  return kUnmappedErrno | static_cast<uint32_t>(e);
}

uint32_t LastError() { return Win32Error(errno); }

// ---- Exceptions -------------------------------------------------------------

constexpr std::array<int, 6> kTrappedSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE,
                                             SIGTRAP, SIGSYS};
static_assert(kTrappedSignals.size() == 6);

// Exception codes for SIGFPE, by si_code.
struct FpeRow {
  int siCode;
  uint32_t code;
};
constexpr std::array<FpeRow, 8> kFpeTable{{
    {FPE_INTDIV, kIntegerDivideByZero},
    {FPE_INTOVF, kIntegerOverflow},
    {FPE_FLTDIV, 0xC000008E},  // float divide by zero
    {FPE_FLTOVF, 0xC0000091},  // float overflow
    {FPE_FLTUND, 0xC0000093},  // float underflow
    {FPE_FLTRES, 0xC000008F},  // float inexact result
    {FPE_FLTINV, kFloatInvalidOperation},
    {FPE_FLTSUB, 0xC000008C},  // array bounds exceeded
}};
static_assert(kFpeTable.size() == 8);

// One-byte instructions that fault only for want of privilege (hlt, cli,
// sti, in, out). The kernel reports them as a plain general-protection
// SIGSEGV; Windows calls them privileged instructions.
constexpr std::array<uint8_t, 11> kPrivilegedOpcodes{
    0xF4, 0xFA, 0xFB, 0xE4, 0xE5, 0xE6, 0xE7, 0xEC, 0xED, 0xEE, 0xEF};
static_assert(kPrivilegedOpcodes.size() == 11);

bool IsPrivilegedOpcode(uint32_t eip) {
  if (!IsReadable(eip, 1)) return false;
  const uint8_t op = *reinterpret_cast<const uint8_t*>(eip);
  for (uint8_t p : kPrivilegedOpcodes)
    if (p == op) return true;
  return false;
}

// The Windows code for a signal; 0 when the signal is nothing Windows would
// report as an exception (sent by a process, not raised by an instruction).
uint32_t ExceptionCode(int sig, const siginfo_t* info, uint32_t eip) {
  if (info->si_code <= 0) return 0;
  switch (sig) {
    case SIGSEGV:
      if (info->si_code == SI_KERNEL && IsPrivilegedOpcode(eip))
        return kPrivilegedInstruction;
      return kAccessViolation;
    case SIGBUS:
      return info->si_code == BUS_ADRERR || info->si_code == BUS_OBJERR
                 ? kInPageError
                 : kAccessViolation;
    case SIGILL:
      return info->si_code == ILL_PRVOPC ? kPrivilegedInstruction
                                         : kIllegalInstruction;
    case SIGFPE:
      for (const FpeRow& row : kFpeTable)
        if (row.siCode == info->si_code) return row.code;
      return kFloatInvalidOperation;
    case SIGTRAP:
      return info->si_code == SI_KERNEL ? kBreakpoint : kSingleStep;
    case SIGSYS:
      // What Windows reports for the guest's int 0x80.
      return info->si_code == SYS_SECCOMP ? kAccessViolation : 0;
  }
  return 0;
}

[[noreturn]] void DieOfSignal(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);  // not reached: every trapped signal's default kills
}

// A Windows vectored exception, Linux style. Eip is reported as Windows
// reports it: at the int3 byte and at the 0xCD of a trapped system call,
// where the kernel has already moved past them.
void OnSignal(int sig, siginfo_t* info, void* raw) {
  auto* uc = static_cast<ucontext_t*>(raw);
  greg_t* g = uc->uc_mcontext.gregs;
  Context c{};
  c.Edi = g[REG_EDI];
  c.Esi = g[REG_ESI];
  c.Ebx = g[REG_EBX];
  c.Edx = g[REG_EDX];
  c.Ecx = g[REG_ECX];
  c.Eax = g[REG_EAX];
  c.Ebp = g[REG_EBP];
  c.Eip = g[REG_EIP];
  c.EFlags = g[REG_EFL];
  c.Esp = g[REG_UESP];

  uint32_t code = ExceptionCode(sig, info, c.Eip);
  if (code == 0 || g_handler == nullptr) DieOfSignal(sig);
  if (sig == SIGSYS) {
    c.Eip -= kSyscallInstructionLength;
    c.Eax = static_cast<uint32_t>(info->si_syscall);  // saved eax is -ENOSYS
  } else if (code == kBreakpoint) {
    c.Eip -= 1;
  }

  ExceptionPointers pointers{code, &c};
  if (g_handler(&pointers) != kContinueExecution) DieOfSignal(sig);

  g[REG_EDI] = c.Edi;
  g[REG_ESI] = c.Esi;
  g[REG_EBX] = c.Ebx;
  g[REG_EDX] = c.Edx;
  g[REG_ECX] = c.Ecx;
  g[REG_EAX] = c.Eax;
  g[REG_EBP] = c.Ebp;
  g[REG_EIP] = c.Eip;
  g[REG_EFL] = c.EFlags;
  g[REG_UESP] = c.Esp;
}

// Syscalls of i386 code whose return address lies in the guest region trap
// (SIGSYS); everything else, host code included, runs as usual.
bool InstallSyscallFilter() {
  const uint32_t low = g_regionBase + kSyscallInstructionLength;
  const uint32_t high = g_regionEnd;  // an int 0x80 ending at the region end
  struct sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_I386, 0, 4),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS,
               offsetof(struct seccomp_data, instruction_pointer)),
      BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, low, 0, 2),
      BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, high, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog prog {
    static_cast<unsigned short>(sizeof(program) / sizeof(program[0])), program
  };
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

// Needs both a region and the handler; whichever comes second installs it.
// A filter cannot be removed, so there is one per process.
void TrapGuestSyscalls() {
  if (g_syscallsTrapped || g_handler == nullptr || g_regionEnd == 0) return;
  g_syscallsTrapped = true;
  if (!InstallSyscallFilter()) {
    static constexpr char kMessage[] =
        "tumbex: cannot trap the guest's system calls (seccomp)\n";
    ssize_t ignored = write(2, kMessage, sizeof kMessage - 1);
    (void)ignored;
  }
}

// ---- IsReadable ---------------------------------------------------------------

// The kernel copies from user memory without faulting us: a write() of one
// byte per page into a private pipe fails with EFAULT where we could not read.
int g_probe[2] = {-1, -1};

bool ProbePage(uint32_t address) {
  if (g_probe[0] < 0 && pipe2(g_probe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  ssize_t n;
  do n = write(g_probe[1], reinterpret_cast<const void*>(address), 1);
  while (n < 0 && errno == EINTR);
  if (n != 1) return false;
  char sink;
  while (read(g_probe[0], &sink, 1) < 0 && errno == EINTR) {
  }
  return true;
}

template <typename F>
auto Retry(F call) {
  decltype(call()) r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

// ---- Exceptions ---------------------------------------------------------------

void AddVectoredExceptionHandler(ExceptionHandler handler) {
  if (g_handler != nullptr) {
    g_handler = handler;
    return;
  }
  g_handler = handler;
  // A stack of its own, so that a guest that has run out of stack is still
  // reported (Windows keeps a reserve for that, too).
  constexpr size_t kSignalStackSize = 64 * 1024;
  stack_t stack{};
  stack.ss_sp = AllocatePages(kSignalStackSize);
  stack.ss_size = kSignalStackSize;
  const bool ownStack = stack.ss_sp != nullptr && sigaltstack(&stack, nullptr) == 0;
  struct sigaction sa {};
  sa.sa_sigaction = OnSignal;
  sa.sa_flags = SA_SIGINFO | SA_NODEFER;  // a fault in the handler reaches it
  if (ownStack) sa.sa_flags |= SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kTrappedSignals) sigaction(sig, &sa, nullptr);
  TrapGuestSyscalls();
}

bool ExceptionHandlerInstalled() { return g_handler != nullptr; }

void RaiseException(uint32_t code) {
  if (g_handler == nullptr) return;
  Context c{};
  c.Eip = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
  c.Ebp = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  c.Esp = c.Ebp;
  ExceptionPointers pointers{code, &c};
  if (g_handler(&pointers) == kContinueExecution) return;
  // Nobody took it: the process ends the way an unhandled exception ends it.
  _exit(static_cast<int>(code));
}

// ---- Memory -------------------------------------------------------------------

void* ReserveRegion(uint32_t address, uint32_t size) {
  const uint32_t base = RoundDown(address, kAllocationGranularity);
  const uint64_t end = RoundUp(uint64_t{address} + size, kPageSize);
  if (end > 0xFFFFF000u || end <= base) return nullptr;
  const size_t length = static_cast<size_t>(end - base);
  void* want = reinterpret_cast<void*>(static_cast<uintptr_t>(base));
  void* got = mmap(want, length, PROT_READ | PROT_WRITE | PROT_EXEC,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (got == MAP_FAILED) return nullptr;
  if (got != want) {  // a kernel that ignores the flag placed it elsewhere
    munmap(got, length);
    return nullptr;
  }
  g_regionBase = base;
  g_regionEnd = static_cast<uint32_t>(end);
  TrapGuestSyscalls();
  return got;
}

void GuestRegion(uint32_t* base, uint32_t* end) {
  *base = g_regionBase;
  *end = g_regionEnd;
}

bool Protect(uint32_t address, uint32_t size, unsigned protection) {
  const uint32_t start = RoundDown(address, kPageSize);
  const uint64_t end = RoundUp(uint64_t{address} + size, kPageSize);
  int prot = PROT_NONE;
  if (protection & kRead) prot |= PROT_READ;
  if (protection & kWrite) prot |= PROT_WRITE;
  if (protection & kExecute) prot |= PROT_EXEC;
  return mprotect(reinterpret_cast<void*>(static_cast<uintptr_t>(start)),
                  static_cast<size_t>(end - start), prot) == 0;
}

bool IsReadable(uint32_t address, uint32_t size) {
  if (size == 0) return true;
  const uint64_t last = uint64_t{address} + size - 1;
  if (last > 0xFFFFFFFFu) return false;
  for (uint64_t page = RoundDown(address, kPageSize); page <= last;
       page += kPageSize) {
    if (!ProbePage(static_cast<uint32_t>(page < address ? address : page)))
      return false;
  }
  return true;
}

void* AllocatePages(size_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void FreePages(void* pages, size_t size) { munmap(pages, size); }

// ---- Process ----------------------------------------------------------------

StartingSignals g_inherited;
int32_t g_nice;

void Init(int argc, char** argv) {
  g_argc = argc;
  g_argv = argv;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  g_nice = errno == 0 ? nice : 0;
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, nullptr, &blocked);
  for (int sig = 1; sig <= 64; ++sig) {
    const uint64_t bit = uint64_t{1} << (sig - 1);
    struct sigaction action {};
    // The C library's own signals answer EINVAL and stay out of both sets.
    if (sigaction(sig, nullptr, &action) != 0) continue;
    if (action.sa_handler == SIG_IGN) g_inherited.ignored |= bit;
    if (sigismember(&blocked, sig) == 1) g_inherited.blocked |= bit;
  }
}

StartingSignals InheritedSignals() { return g_inherited; }
int32_t InheritedNice() { return g_nice; }

std::vector<std::string> CommandLine() {
  std::vector<std::string> words;
  for (int i = 0; i < g_argc && g_argv[i] != nullptr; ++i)
    words.emplace_back(g_argv[i]);
  return words;
}

std::string ModuleFileName() {
  std::string path(256, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return g_argc > 0 ? std::string(g_argv[0]) : std::string();
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

uintptr_t ModuleBase() { return reinterpret_cast<uintptr_t>(&__executable_start); }

char DirectorySeparator() { return '/'; }

bool IsAbsolutePath(std::string_view path) {
  return !path.empty() && path.front() == '/';
}

std::string CurrentDirectory() {
  std::string dir(256, '\0');
  while (getcwd(dir.data(), dir.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    dir.resize(dir.size() * 2);
  }
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}

std::string_view LineEnd() { return "\n"; }

void ExitProcess(uint32_t code) {
  // A fault inside the flush (streams a crashed guest left broken) comes
  // back here through the trap; the second time the process just ends.
  static bool exiting = false;
  if (!exiting) {
    exiting = true;
    fflush(nullptr);  // as Windows' library unload flushes the C runtime
  }
  _exit(static_cast<int>(code));
}

// ---- Time -------------------------------------------------------------------

uint32_t TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                               static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void TimeOfDay(int64_t* seconds, uint32_t* microseconds) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  *seconds = ts.tv_sec;
  *microseconds = static_cast<uint32_t>(ts.tv_nsec / 1000);
}

// ---- Console and files ----------------------------------------------------------

Handle StdInput() { return 0; }
Handle StdOutput() { return 1; }
Handle StdError() { return 2; }

bool IsConsole(Handle h) { return isatty(static_cast<int>(h)) == 1; }

uint32_t FileOpen(const char* path, unsigned flags, unsigned permission,
                  Handle* handle) {
  *handle = kInvalidHandle;
  int oflags = O_CLOEXEC | O_LARGEFILE;
  if ((flags & kOpenWrite) != 0)
    oflags |= (flags & kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  else
    oflags |= O_RDONLY;
  if (flags & kOpenCreate) oflags |= O_CREAT;
  if (flags & kOpenTruncate) oflags |= O_TRUNC;
  if (flags & kOpenExclusive) oflags |= O_EXCL;
  if (flags & kOpenAppend) oflags |= O_APPEND;
  int fd = Retry([&] { return open(path, oflags, permission); });
  if (fd < 0) return LastError();
  // Windows refuses to open a directory as a file; so do we, on every port.
  struct stat64 st {};
  if (fstat64(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    return err::kAccessDenied;
  }
  *handle = fd;
  return err::kSuccess;
}

uint32_t FileRead(Handle h, void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  ssize_t n = Retry([&] { return read(static_cast<int>(h), buffer, count); });
  if (n < 0) return LastError();
  *done = static_cast<uint32_t>(n);
  return err::kSuccess;
}

// Everything or an error, like WriteFile on a blocking handle.
uint32_t FileWrite(Handle h, const void* buffer, uint32_t count, uint32_t* done) {
  *done = 0;
  const char* p = static_cast<const char*>(buffer);
  while (*done < count) {
    ssize_t n = Retry(
        [&] { return write(static_cast<int>(h), p + *done, count - *done); });
    if (n < 0) return LastError();
    if (n == 0) return err::kDiskFull;
    *done += static_cast<uint32_t>(n);
  }
  return err::kSuccess;
}

uint32_t FileSeek(Handle h, int64_t offset, int whence, int64_t* position) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return err::kInvalidParameter;
  off64_t r = lseek64(static_cast<int>(h), offset, kWhence[whence]);
  if (r < 0) return errno == EINVAL ? err::kNegativeSeek : LastError();
  if (position != nullptr) *position = r;
  return err::kSuccess;
}

uint32_t FileSize(Handle h, int64_t* size) {
  struct stat64 st {};
  if (fstat64(static_cast<int>(h), &st) != 0) return LastError();
  *size = st.st_size;
  return err::kSuccess;
}

uint32_t FileClose(Handle h) {
  // Linux closes the descriptor even when close() reports EINTR: no retry.
  if (close(static_cast<int>(h)) != 0 && errno != EINTR) return LastError();
  return err::kSuccess;
}

bool FileExists(const char* path) {
  struct stat64 st {};
  return stat64(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const char* path) {
  struct stat64 st {};
  return stat64(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// ---- Images and guest start (the image loader) ----

uint32_t RandomWord() {
  uint32_t word = 0;
  if (getrandom(&word, sizeof word, 0) == static_cast<ssize_t>(sizeof word)) return word;
  // No entropy source (an old kernel): different each run all the same.
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(now.tv_nsec) * 2654435761u ^
         static_cast<uint32_t>(getpid()) << 16;
}

// ---- Files, directories and their status (the files family) ----

}  // namespace platform

#include <dirent.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <string>
#include <vector>

namespace platform {
namespace {

// The file calls tell more causes apart than the start-up table above; the
// extra ones go to the Win32 codes Windows gives for the same cause.
struct FilesErrnoRow {
  int errnoValue;
  uint32_t code;
};
constexpr FilesErrnoRow kFilesErrno[] = {
    {ENOTDIR, err::kDirectory},         {EISDIR, err::kIsADirectory},
    {ENOTEMPTY, err::kDirNotEmpty},     {EXDEV, err::kNotSameDevice},
    {ELOOP, err::kCantResolveFilename}, {EPERM, err::kPrivilegeNotHeld},
    {EROFS, err::kWriteProtect},        {EEXIST, err::kAlreadyExists},
    {EOPNOTSUPP, err::kNotSupported},   {ENODEV, err::kNotSupported},
};

uint32_t FilesError() {
  for (const FilesErrnoRow& row : kFilesErrno)
    if (row.errnoValue == errno) return row.code;
  return LastError();
}

uint32_t Done(int result) { return result < 0 ? FilesError() : err::kSuccess; }

// The file services answer with their return code alone: the guest's errno
// (the host's cell) is left as the caller had it, as Linux leaves it on
// success and as the binding sets it on failure.
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  if (S_ISLNK(mode)) return FileKind::kSymlink;
  if (S_ISCHR(mode)) return FileKind::kCharDevice;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  return FileKind::kUnknown;
}

void FromHost(const struct stat64& st, FileStatus* status) {
  status->kind = KindOf(st.st_mode);
  status->permissions = st.st_mode & 07777;
  status->size = static_cast<uint64_t>(st.st_size);
  status->inode = st.st_ino;
  status->device = st.st_dev;
  status->rdev = st.st_rdev;
  status->links = static_cast<uint32_t>(st.st_nlink);
  status->uid = st.st_uid;
  status->gid = st.st_gid;
  status->blockSize = static_cast<uint32_t>(st.st_blksize);
  status->blocks = static_cast<uint64_t>(st.st_blocks);
  status->access = {st.st_atim.tv_sec, static_cast<uint32_t>(st.st_atim.tv_nsec)};
  status->modify = {st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec)};
  status->change = {st.st_ctim.tv_sec, static_cast<uint32_t>(st.st_ctim.tv_nsec)};
}

// Both times for utimensat: a missing one is left as it is.
void ToHostTimes(const FileTime* access, const FileTime* modify,
                 timespec times[2]) {
  const FileTime* given[2] = {access, modify};
  for (int i = 0; i < 2; ++i) {
    if (given[i] == nullptr) {
      times[i] = {0, UTIME_OMIT};
    } else {
      times[i].tv_sec = static_cast<time_t>(given[i]->seconds);
      times[i].tv_nsec = static_cast<long>(given[i]->nanoseconds);
    }
  }
}

}  // namespace

uint32_t PathStatus(const char* path, bool followLinks, FileStatus* status) {
  const KeepErrno keep;
  struct stat64 st {};
  const int r = followLinks ? stat64(path, &st) : lstat64(path, &st);
  if (r != 0) return FilesError();
  FromHost(st, status);
  return err::kSuccess;
}

uint32_t DescriptorStatus(int fd, FileStatus* status) {
  const KeepErrno keep;
  struct stat64 st {};
  if (fstat64(fd, &st) != 0) return FilesError();
  FromHost(st, status);
  return err::kSuccess;
}

uint32_t PathVolumeStatus(const char* path, VolumeStatus* status) {
  const KeepErrno keep;
  struct statvfs64 st {};
  if (statvfs64(path, &st) != 0) return FilesError();
  status->blockSize = static_cast<uint32_t>(st.f_frsize);
  status->blocks = st.f_blocks;
  status->freeBlocks = st.f_bfree;
  status->availableBlocks = st.f_bavail;
  status->files = st.f_files;
  status->freeFiles = st.f_ffree;
  status->id = static_cast<uint32_t>(st.f_fsid);
  status->nameMax = static_cast<uint32_t>(st.f_namemax);
  status->readOnly = (st.f_flag & ST_RDONLY) != 0;
  return err::kSuccess;
}

bool DescriptorIsOpen(int fd) {
  const KeepErrno keep;
  return fd >= 0 && fcntl(fd, F_GETFD) != -1;
}

uint32_t DescriptorOpen(const char* path, unsigned flags, unsigned permission,
                        int* fd) {
  const KeepErrno keep;
  int oflags = O_LARGEFILE;
  if ((flags & kOpenWrite) != 0)
    oflags |= (flags & kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  if (flags & kOpenCreate) oflags |= O_CREAT;
  if (flags & kOpenTruncate) oflags |= O_TRUNC;
  if (flags & kOpenExclusive) oflags |= O_EXCL;
  if (flags & kOpenAppend) oflags |= O_APPEND;
  *fd = Retry([&] { return open(path, oflags, permission); });
  return Done(*fd);
}

uint32_t DescriptorOpenDirectory(const char* path, int* fd) {
  const KeepErrno keep;
  *fd = open(path, O_RDONLY | O_DIRECTORY);
  return Done(*fd);
}

uint32_t DescriptorDirectoryPath(int fd, std::string* path) {
  const KeepErrno keep;
  struct stat64 st {};
  if (fstat64(fd, &st) != 0) return FilesError();
  if (!S_ISDIR(st.st_mode)) return err::kDirectory;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[4096];
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n < 0) return FilesError();
  path->assign(target, static_cast<size_t>(n));
  return err::kSuccess;
}

uint32_t DescriptorClose(int fd) {
  const KeepErrno keep;
  if (close(fd) != 0 && errno != EINTR) return FilesError();
  return err::kSuccess;
}

uint32_t DescriptorSeek(int fd, int64_t offset, int whence, int64_t* position) {
  const KeepErrno keep;
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) return err::kInvalidParameter;
  const off64_t r = lseek64(fd, offset, kWhence[whence]);
  if (r < 0) return errno == ESPIPE ? err::kSeekOnDevice : FilesError();
  *position = r;
  return err::kSuccess;
}

uint32_t DescriptorRead(int fd, void* buffer, uint32_t count, uint32_t* done) {
  const KeepErrno keep;
  const ssize_t n = Retry([&] { return read(fd, buffer, count); });
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return Done(static_cast<int>(n));
}

uint32_t DescriptorWrite(int fd, const void* buffer, uint32_t count,
                         uint32_t* done) {
  const KeepErrno keep;
  const ssize_t n = Retry([&] { return write(fd, buffer, count); });
  *done = n < 0 ? 0 : static_cast<uint32_t>(n);
  return Done(static_cast<int>(n));
}

uint32_t DescriptorDuplicate(int fd, int* copy) {
  const KeepErrno keep;
  *copy = dup(fd);
  return Done(*copy);
}

uint32_t DescriptorDuplicateTo(int fd, int target) {
  const KeepErrno keep;
  return Done(dup2(fd, target));
}

uint32_t DescriptorPipe(int fds[2]) {
  const KeepErrno keep;
  return Done(pipe(fds));
}
uint32_t DescriptorSync(int fd) {
  const KeepErrno keep;
  return Done(fsync(fd));
}

uint32_t DescriptorTruncate(int fd, int64_t length) {
  const KeepErrno keep;
  return Done(ftruncate64(fd, length));
}

uint32_t DescriptorSetTimes(int fd, const FileTime* access,
                            const FileTime* modify) {
  const KeepErrno keep;
  timespec times[2];
  ToHostTimes(access, modify, times);
  return Done(futimens(fd, times));
}

uint32_t DescriptorSetPermissions(int fd, unsigned mode) {
  const KeepErrno keep;
  return Done(fchmod(fd, mode));
}

uint32_t DescriptorAccess(int fd, bool* readable, bool* writable) {
  const KeepErrno keep;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return FilesError();
  *readable = (flags & O_ACCMODE) != O_WRONLY;
  *writable = (flags & O_ACCMODE) != O_RDONLY;
  return err::kSuccess;
}

bool DescriptorIsTerminal(int fd) {
  const KeepErrno keep;
  return isatty(fd) == 1;
}

uint32_t DescriptorTerminalName(int fd, std::string* name) {
  const KeepErrno keep;
  char buffer[256];
  const int r = ttyname_r(fd, buffer, sizeof buffer);
  if (r != 0) {
    errno = r;
    return FilesError();
  }
  *name = buffer;
  return err::kSuccess;
}

uint32_t RemoveFile(const char* path) {
  const KeepErrno keep;
  return Done(unlink(path));
}
uint32_t RemoveDir(const char* path) {
  const KeepErrno keep;
  return Done(rmdir(path));
}

uint32_t MakeDirectory(const char* path, unsigned mode) {
  const KeepErrno keep;
  return Done(mkdir(path, mode));
}

uint32_t RenamePath(const char* from, const char* to) {
  const KeepErrno keep;
  return Done(rename(from, to));
}

uint32_t HardLink(const char* existing, const char* path) {
  const KeepErrno keep;
  return Done(link(existing, path));
}

uint32_t SymbolicLink(const char* target, const char* path) {
  const KeepErrno keep;
  return Done(symlink(target, path));
}

uint32_t ReadLink(const char* path, std::string* target) {
  const KeepErrno keep;
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = readlink(path, buffer.data(), buffer.size());
    if (n < 0) return FilesError();
    if (static_cast<size_t>(n) < buffer.size()) {
      buffer.resize(static_cast<size_t>(n));
      *target = buffer;
      return err::kSuccess;
    }
    buffer.resize(buffer.size() * 2);
  }
}

uint32_t ChangeDirectory(const char* path) {
  const KeepErrno keep;
  return Done(chdir(path));
}

uint32_t FullPath(const char* path, std::string* resolved) {
  const KeepErrno keep;
  char* full = realpath(path, nullptr);
  if (full == nullptr) return FilesError();
  *resolved = full;
  free(full);
  return err::kSuccess;
}

uint32_t SetPermissions(const char* path, unsigned mode) {
  const KeepErrno keep;
  return Done(chmod(path, mode));
}

uint32_t SetTimes(const char* path, const FileTime* access,
                  const FileTime* modify) {
  const KeepErrno keep;
  timespec times[2];
  ToHostTimes(access, modify, times);
  return Done(utimensat(AT_FDCWD, path, times, 0));
}

uint32_t TruncatePath(const char* path, int64_t length) {
  const KeepErrno keep;
  return Done(truncate64(path, length));
}

uint32_t CheckAccess(const char* path, int mode) {
  const KeepErrno keep;
  return Done(access(path, mode));
}

unsigned SetCreationMask(unsigned mask) {
  const KeepErrno keep;
  return umask(mask & 0777);
}

uint32_t ListDirectory(const char* path, std::vector<DirectoryEntry>* entries) {
  const KeepErrno keep;
  DIR* dir = opendir(path);
  if (dir == nullptr) return FilesError();
  errno = 0;
  while (const dirent64* entry = readdir64(dir)) {
    FileKind kind = FileKind::kUnknown;
    switch (entry->d_type) {
      case DT_REG: kind = FileKind::kRegular; break;
      case DT_DIR: kind = FileKind::kDirectory; break;
      case DT_LNK: kind = FileKind::kSymlink; break;
      case DT_CHR: kind = FileKind::kCharDevice; break;
      case DT_FIFO: kind = FileKind::kFifo; break;
      default: break;
    }
    entries->push_back({entry->d_name, kind, entry->d_ino});
  }
  const uint32_t result = errno != 0 ? FilesError() : err::kSuccess;
  closedir(dir);
  return result;
}

// ---- Memory mappings (the mappings family) ----

uint32_t MapShared(int fd, int64_t offset, uint32_t size, bool writable,
                   void** address) {
  const KeepErrno keep;
  void* view = mmap64(nullptr, size, PROT_READ | (writable ? PROT_WRITE : 0),
                      MAP_SHARED, fd, offset);
  if (view == MAP_FAILED) return FilesError();
  *address = view;
  return err::kSuccess;
}

uint32_t UnmapShared(void* address, uint32_t size) {
  const KeepErrno keep;
  return Done(munmap(address, size));
}

uint32_t FlushShared(void* address, uint32_t size) {
  const KeepErrno keep;
  return Done(msync(address, size, MS_SYNC));
}

// ---- Clocks and time zones (the time family) ----

namespace {

clockid_t HostClock(ClockKind clock) {
  switch (clock) {
    case ClockKind::kRealtime: return CLOCK_REALTIME;
    case ClockKind::kMonotonic: return CLOCK_MONOTONIC;
    case ClockKind::kProcessCpu: return CLOCK_PROCESS_CPUTIME_ID;
    case ClockKind::kThreadCpu: return CLOCK_THREAD_CPUTIME_ID;
  }
  return CLOCK_REALTIME;
}

// The POSIX TZ string that ends a TZif file of version 2 or later: the
// last line, between two newlines. Empty for an older file or none.
std::string ZoneFileFooter(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return {};
  std::string data;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0 && data.size() < (1u << 20))
    data.append(buffer, n);
  fclose(file);
  if (data.size() < 44 || data.compare(0, 4, "TZif") != 0 || data[4] < '2') return {};
  if (data.back() != '\n') return {};
  const size_t start = data.rfind('\n', data.size() - 2);
  if (start == std::string::npos) return {};
  return data.substr(start + 1, data.size() - start - 2);
}

}  // namespace

void ClockRead(ClockKind clock, int64_t* seconds, int32_t* nanoseconds) {
  timespec ts{};
  clock_gettime(HostClock(clock), &ts);
  *seconds = ts.tv_sec;
  *nanoseconds = static_cast<int32_t>(ts.tv_nsec);
}

int64_t ClockStep(ClockKind clock) {
  timespec ts{};
  if (clock_getres(HostClock(clock), &ts) != 0) return 1;
  const int64_t step = int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
  return step > 0 ? step : 1;
}

void ProcessTimes(int64_t* userNs, int64_t* systemNs) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  *userNs = (int64_t{usage.ru_utime.tv_sec} * 1000000 + usage.ru_utime.tv_usec) * 1000;
  *systemNs = (int64_t{usage.ru_stime.tv_sec} * 1000000 + usage.ru_stime.tv_usec) * 1000;
}

void SleepFor(int64_t nanoseconds) {
  timespec ts{static_cast<time_t>(nanoseconds / 1000000000),
              static_cast<long>(nanoseconds % 1000000000)};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// The loader's own TZ names the host's local zone first, as it would for
// any program of the host: a zone of the database, a file, or a rule.
std::string LocalZoneRule() {
  const char* tz = getenv("TZ");
  if (tz == nullptr) return ZoneFileFooter("/etc/localtime");
  std::string_view name(tz);
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  if (name.empty()) return "UTC0";
  std::string rule = name.front() == '/' ? ZoneFileFooter(std::string(name).c_str())
                                         : NamedZoneRule(name);
  return rule.empty() ? std::string(name) : rule;
}

std::string NamedZoneRule(std::string_view name) {
  // Names stay inside the zone database.
  if (name.empty() || name.front() == '/' || name.find("..") != std::string_view::npos)
    return {};
  const std::string path = "/usr/share/zoneinfo/" + std::string(name);
  return ZoneFileFooter(path.c_str());
}

// ---- The process and its signals (the process and signals families) ----

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }
uint32_t ParentProcessId() { return static_cast<uint32_t>(getppid()); }

uint32_t ProcessorCount() {
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<uint32_t>(n) : 1;
}

uint64_t PhysicalMemoryBytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  return pages > 0 ? uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

uint64_t AvailableMemoryBytes() {
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  return pages > 0 ? uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

ProcessUsage Usage() {
  ProcessUsage usage;
  struct rusage ru {};
  if (getrusage(RUSAGE_SELF, &ru) == 0) {
    usage.userMicros = uint64_t(ru.ru_utime.tv_sec) * 1000000 + ru.ru_utime.tv_usec;
    usage.systemMicros = uint64_t(ru.ru_stime.tv_sec) * 1000000 + ru.ru_stime.tv_usec;
    usage.peakKiB = static_cast<uint32_t>(ru.ru_maxrss);
  }
  return usage;
}

namespace {

// For as long as a command is being started (popen) or run (system), the
// host's signals are what the guest's child would inherit on Linux: the
// guest's ignored signals ignored and the rest at their defaults (the
// loader's own ignored SIGPIPE would otherwise reach every command, and a
// `yes | head` would complain of a broken pipe), under the guest's mask.
// Signals the loader catches are left caught and unblocked: an exec resets
// a caught signal anyway.
class ChildSignalScope {
 public:
  explicit ChildSignalScope(const StartingSignals& child) {
    sigset_t mask;
    sigemptyset(&mask);
    for (int sig = 1; sig <= 64; ++sig) {
      struct sigaction now {};
      // The C library's own signals answer EINVAL.
      if (sigaction(sig, nullptr, &now) != 0) continue;
      const uint64_t bit = uint64_t{1} << (sig - 1);
      const bool caught = (now.sa_flags & SA_SIGINFO) != 0 ||
                          (now.sa_handler != SIG_IGN && now.sa_handler != SIG_DFL);
      if (caught) continue;
      if ((child.blocked & bit) != 0) sigaddset(&mask, sig);
      const bool ignore = (child.ignored & bit) != 0;
      if ((now.sa_handler == SIG_IGN) == ignore) continue;
      struct sigaction wanted {};
      wanted.sa_handler = ignore ? SIG_IGN : SIG_DFL;
      sigemptyset(&wanted.sa_mask);
      if (sigaction(sig, &wanted, nullptr) == 0) saved_[count_++] = {sig, now};
    }
    sigprocmask(SIG_SETMASK, &mask, &mask_);
  }
  ~ChildSignalScope() {
    sigprocmask(SIG_SETMASK, &mask_, nullptr);
    for (int i = 0; i < count_; ++i) sigaction(saved_[i].sig, &saved_[i].action, nullptr);
  }
  ChildSignalScope(const ChildSignalScope&) = delete;
  ChildSignalScope& operator=(const ChildSignalScope&) = delete;

 private:
  struct Saved {
    int sig;
    struct sigaction action;
  };
  Saved saved_[64];
  int count_ = 0;
  sigset_t mask_;
};

}  // namespace

CommandResult RunCommand(const char* command, const StartingSignals& child) {
  CommandResult result;
  const ChildSignalScope scope(child);
  const int status = system(command);
  if (status == -1) return result;
  result.started = true;
  result.signalled = WIFSIGNALED(status);
  result.code = result.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
  return result;
}

bool HasCommandInterpreter() { return system(nullptr) != 0; }

void KeepBrokenPipesQuiet() { signal(SIGPIPE, SIG_IGN); }
bool LastWriteMetBrokenPipe() { return errno == EPIPE; }

// ---- Streams and the C runtime's descriptors (the streams family) ----

namespace {

int OpenFlagsOf(unsigned flags) {
  int oflags = O_RDONLY;
  if ((flags & kOpenWrite) != 0)
    oflags = (flags & kOpenRead) != 0 ? O_RDWR : O_WRONLY;
  if (flags & kOpenCreate) oflags |= O_CREAT;
  if (flags & kOpenTruncate) oflags |= O_TRUNC;
  if (flags & kOpenExclusive) oflags |= O_EXCL;
  if (flags & kOpenAppend) oflags |= O_APPEND;
  return oflags | O_LARGEFILE;
}

// The host's fdopen mode for the stream's access.
const char* ModeOf(unsigned flags) {
  const bool read = (flags & kOpenRead) != 0, write = (flags & kOpenWrite) != 0;
  if (flags & kOpenAppend) return read ? "a+" : "a";
  if (read && write) return "r+";
  return write ? "w" : "r";
}

void* StreamOnDescriptor(int fd, unsigned flags) {
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, ModeOf(flags));
  if (stream == nullptr) {
    const int saved = errno;
    close(fd);
    errno = saved;
  }
  return stream;
}

}  // namespace

void* StreamOpen(const char* path, unsigned flags) {
  return StreamOnDescriptor(open(path, OpenFlagsOf(flags), 0666), flags);
}

void* StreamReopen(const char* path, unsigned flags, void* stream) {
  // freopen cannot ask for exclusive creation; the caller checks first.
  static constexpr const char* kModes[] = {"r", "w", "a", "r+", "w+", "a+"};
  const bool read = (flags & kOpenRead) != 0, write = (flags & kOpenWrite) != 0;
  int index = (flags & kOpenAppend) ? 2 : (flags & kOpenTruncate) ? 1 : 0;
  if (read && write) index += 3;
  return freopen(path, kModes[index], static_cast<FILE*>(stream));
}

void* StreamFromDescriptor(int fd, unsigned flags) {
  return fdopen(fd, ModeOf(flags));
}

int StreamDescriptor(void* stream) { return fileno(static_cast<FILE*>(stream)); }

int StreamCloseKeepingDescriptor(void* stream) {
  FILE* file = static_cast<FILE*>(stream);
  const int saved = errno;
  const int fd = fileno(file);
  errno = saved;
  if (fd < 0) return fclose(file);
  const int kept = dup(fd);
  const int result = fclose(file);
  const int closeErrno = errno;
  if (kept >= 0) {
    dup2(kept, fd);
    close(kept);
  }
  errno = closeErrno;
  return result;
}

void* TemporaryStream(const void* contents, size_t size, unsigned flags) {
  char name[] = "/tmp/tumbexXXXXXX";
  const int fd = mkostemp(name, O_CLOEXEC);
  if (fd < 0) return nullptr;
  unlink(name);
  const char* p = static_cast<const char*>(contents);
  for (size_t done = 0; done < size;) {
    const ssize_t n = write(fd, p + done, size - done);
    if (n <= 0) {
      close(fd);
      errno = ENOSPC;
      return nullptr;
    }
    done += static_cast<size_t>(n);
  }
  if (flags & kOpenAppend) fcntl(fd, F_SETFL, O_APPEND);
  lseek(fd, 0, SEEK_SET);
  return StreamOnDescriptor(fd, flags);
}

std::string TemporaryDirectory() { return P_tmpdir; }

void* PipeOpen(const char* command, bool reading, const StartingSignals& child) {
  const ChildSignalScope scope(child);
  return popen(command, reading ? "r" : "w");
}

int32_t PipeClose(void* stream) { return pclose(static_cast<FILE*>(stream)); }

int StreamSeek(void* stream, int64_t offset, int whence) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (whence < 0 || whence > 2) {
    errno = EINVAL;
    return -1;
  }
  return fseeko64(static_cast<FILE*>(stream), offset, kWhence[whence]);
}

int64_t StreamTell(void* stream) { return ftello64(static_cast<FILE*>(stream)); }

int StreamTruncate(void* stream, int64_t size) {
  return ftruncate64(fileno(static_cast<FILE*>(stream)), size);
}

int StreamSetBuffering(void* stream, char* buffer, Buffering mode,
                       size_t size) {
  static constexpr int kModes[] = {_IOFBF, _IOLBF, _IONBF};
  return setvbuf(static_cast<FILE*>(stream), buffer,
                 kModes[static_cast<int>(mode)], size);
}

bool StreamReading(void* stream) { return __freading(static_cast<FILE*>(stream)) != 0; }
bool StreamWriting(void* stream) { return __fwriting(static_cast<FILE*>(stream)) != 0; }
void StreamPurge(void* stream) { __fpurge(static_cast<FILE*>(stream)); }
void StreamSetError(void* stream) {
  static_cast<FILE*>(stream)->_flags |= _IO_ERR_SEEN;
}

int ReplacePath(const char* from, const char* to) { return rename(from, to); }

int DeletePath(const char* path, bool directory) {
  return directory ? rmdir(path) : unlink(path);
}

// ---- Writes to the C runtime's descriptors (the format family) ----

int32_t DescriptorWrite(int32_t fd, const void* data, uint32_t size) {
  return static_cast<int32_t>(::write(fd, data, size));
}

// The kernel's map of the process, as the C library itself consults it:
// lines "start-end perms ...", in address order.
bool IsWritable(uint32_t address) {
  const int fd = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[4096];
  size_t have = 0;
  bool writable = false, done = false;
  while (!done) {
    const ssize_t n = ::read(fd, buffer + have, sizeof buffer - 1 - have);
    if (n <= 0) break;
    have += static_cast<size_t>(n);
    buffer[have] = '\0';
    char* line = buffer;
    for (char* end; (end = std::strchr(line, '\n')) != nullptr; line = end + 1) {
      *end = '\0';
      unsigned long start = 0, stop = 0;
      char perms[8] = {};
      if (std::sscanf(line, "%lx-%lx %7s", &start, &stop, perms) == 3 &&
          address >= start && address < stop) {
        writable = perms[1] == 'w';
        done = true;
        break;
      }
      if (start > address) {
        done = true;
        break;
      }
    }
    have = static_cast<size_t>(buffer + have - line);
    std::memmove(buffer, line, have);
    if (have == sizeof buffer - 1) have = 0;  // a line longer than the buffer
  }
  ::close(fd);
  return writable;
}

}  // namespace platform
