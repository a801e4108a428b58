// Module `tbsyscall`: the system call table and the handlers behind it.
//
// Contract: every handler runs inside SyscallTrap with Eip already past the
// `int 0x80`. Arguments come from Ebx, Ecx and Edx, the result goes to Eax.
// A failure is answered the way the Linux kernel answers it, with the
// negated error number in Eax. Guest pointers are used as they are: a bad
// one faults inside the handler, and the trap reports that and ends the run.
#include "syscall/tbsyscall.h"

#include <cstdint>
#include <iterator>
#include <new>
#include <set>
#include <string>
#include <string_view>

#include "abi/linux.h"
#include "libcbind/util.h"
#include "platform/console.h"
#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/time.h"
#include "process/process.h"
#include "runtime/rtl.h"

namespace tbsyscall {

SyscallHandler SyscallTable[kSyscallCount];

// The Linux i386 call numbers up to 190 (vfork); used only to name a call
// that nothing serves.
constexpr const char* const SyscallNames[kSyscallCount] = {
    // 0-9
    "null", "exit", "fork", "read", "write", "open", "close", "waitpid", "creat", "link",
    // 10-19
    "unlink", "execve", "chdir", "time", "mknod", "chmod", "lchown", "break", "oldstat", "lseek",
    // 20-29
    "getpid", "mount", "umount", "setuid", "getuid", "stime", "ptrace", "alarm", "oldfstat", "pause",
    // 30-39
    "utime", "stty", "gtty", "access", "nice", "ftime", "sync", "kill", "rename", "mkdir",
    // 40-49
    "rmdir", "dup", "pipe", "times", "prof", "brk", "setgid", "getgid", "signal", "geteuid",
    // 50-59
    "getegid", "acct", "umount2", "lock", "ioctl", "fcntl", "mpx", "setpgid", "ulimit", "oldolduname",
    // 60-69
    "umask", "chroot", "ustat", "dup2", "getppid", "getpgrp", "setsid", "sigaction", "sgetmask", "ssetmask",
    // 70-79
    "setreuid", "setregid", "sigsuspend", "sigpending", "sethostname", "setrlimit", "getrlimit", "getrusage", "gettimeofday", "settimeofday",
    // 80-89
    "getgroups", "setgroups", "select", "symlink", "oldlstat", "readlink", "uselib", "swapon", "reboot", "readdir",
    // 90-99
    "mmap", "munmap", "truncate", "ftruncate", "fchmod", "fchown", "getpriority", "setpriority", "profil", "statfs",
    // 100-109
    "fstatfs", "ioperm", "socketcall", "syslog", "setitimer", "getitimer", "stat", "lstat", "fstat", "olduname",
    // 110-119
    "iopl", "vhangup", "idle", "vm86old", "wait4", "swapoff", "sysinfo", "ipc", "fsync", "sigreturn",
    // 120-129
    "clone", "setdomainname", "uname", "modify_ldt", "adjtimex", "mprotect", "sigprocmask", "create_module", "init_module", "delete_module",
    // 130-139
    "get_kernel_syms", "quotactl", "getpgid", "fchdir", "bdflush", "sysfs", "personality", "afs_syscall", "setfsuid", "setfsgid",
    // 140-149
    "_llseek", "getdents", "_newselect", "flock", "msync", "readv", "writev", "getsid", "fdatasync", "_sysctl",
    // 150-159
    "mlock", "munlock", "mlockall", "munlockall", "sched_setparam", "sched_getparam", "sched_setscheduler", "sched_getscheduler", "sched_yield", "sched_get_priority_max",
    // 160-169
    "sched_get_priority_min", "sched_rr_get_interval", "nanosleep", "mremap", "setresuid", "getresuid", "vm86", "query_module", "poll", "nfsservctl",
    // 170-179
    "setresgid", "getresgid", "prctl", "rt_sigreturn", "rt_sigaction", "rt_sigprocmask", "rt_sigpending", "rt_sigtimedwait", "rt_sigqueueinfo", "rt_sigsuspend",
    // 180-189
    "pread", "pwrite", "chown", "getcwd", "capget", "capset", "sigaltstack", "sendfile", "getpmsg", "putpmsg",
    // 190-199
    "vfork", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
    // 200-255
    "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
    "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
    "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
    "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
    "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
    "unknown", "unknown", "unknown", "unknown", "unknown", "unknown",
};

constexpr uint32_t kLastLinuxName = 190;

// A lost row leaves null or shifts vfork; an extra one does not compile.
constexpr bool NamesComplete() {
  for (uint32_t i = 0; i < kSyscallCount; ++i) {
    if (SyscallNames[i] == nullptr) return false;
    if (i > kLastLinuxName && std::string_view(SyscallNames[i]) != "unknown") return false;
  }
  return std::string_view(SyscallNames[kLastLinuxName]) == "vfork";
}
static_assert(NamesComplete(), "a row of names was lost");

namespace {

// ---- The table --------------------------------------------------------------

struct SyscallRow {
  uint32_t number;
  std::string_view name;
  SyscallHandler handler;
};

// Everything served; every other number reaches UnknownSyscall.
constexpr SyscallRow kSyscallRows[] = {
    {1, "exit", SysExit},
    {3, "read", SysRead},
    {4, "write", SysWrite},
    {5, "open", SysOpen},
    {6, "close", SysClose},
    {13, "time", SysTime},
    {19, "lseek", SysLseek},
    {45, "brk", SysBrk},
    {78, "gettimeofday", SysGettimeofday},
};
static_assert(std::size(kSyscallRows) == 9);

constexpr bool RowsMatchNames() {
  for (const SyscallRow& row : kSyscallRows)
    if (row.number >= kSyscallCount || SyscallNames[row.number] != row.name) return false;
  return true;
}
static_assert(RowsMatchNames(), "a handler sits at the wrong number");

void Answer(platform::Context& c, int32_t value) { c.Eax = static_cast<uint32_t>(value); }
void Fail(platform::Context& c, int32_t linuxError) { Answer(c, -linuxError); }

template <typename T>
T* GuestPointer(uint32_t address) {
  return reinterpret_cast<T*>(uintptr_t{address});
}

// ---- Descriptors --------------------------------------------------------------
//
// 0, 1 and 2 are the console: 0 and 1 read it (1 for the programs written
// against the first version of this loader, which read from 1), 1 and 2
// write it. Descriptor 2 goes to standard output too, because the loader has
// one console writer and the guest's error text must stay in order with it.
// Every other descriptor is the address of a live HostFile.

constexpr uint32_t kConsoleDescriptors = 3;

bool IsConsole(uint32_t fd) { return fd < kConsoleDescriptors; }
bool IsConsoleInput(uint32_t fd) { return fd == 0 || fd == 1; }
bool IsConsoleOutput(uint32_t fd) { return fd == 1 || fd == 2; }

constexpr uint32_t kMaxPathLength = 259;

struct HostFile {
  char path[kMaxPathLength + 1];
  platform::Handle handle;
  bool readable;
  bool writable;
};

// Descriptors handed out and not yet closed. A guest value is looked up
// here before it is ever taken for a record.
std::set<uint32_t> liveFiles;

HostFile* FindHostFile(uint32_t fd) {
  if (!liveFiles.contains(fd)) return nullptr;
  return GuestPointer<HostFile>(fd);
}

// Copies the guest's NUL-terminated path; false when it does not fit.
bool CopyGuestPath(uint32_t address, char (&path)[kMaxPathLength + 1]) {
  const char* text = GuestPointer<const char>(address);
  for (uint32_t i = 0; i <= kMaxPathLength; ++i) {
    path[i] = text[i];
    if (path[i] == '\0') return true;
  }
  return false;
}

constexpr uint32_t kPermissionBits = 07777;

}  // namespace

// ---- Start-up -----------------------------------------------------------------

void InitSyscallTable() {
  for (SyscallHandler& entry : SyscallTable) entry = UnknownSyscall;
  for (const SyscallRow& row : kSyscallRows) SyscallTable[row.number] = row.handler;
}

// ---- Handlers -------------------------------------------------------------------

void UnknownSyscall(platform::Context& c) {
  const char* name = c.Eax < kSyscallCount ? SyscallNames[c.Eax] : "unknown";
  rtl::ReportLine();
  rtl::ReportLine("Unknown syscall #" + std::to_string(c.Eax) + " called (" + name + ")");
  util::PauseAndExit(1);
}

void SysExit(platform::Context& c) {
  c.Eax = 0;
  util::PauseAndExit(c.Ebx);  // all 32 bits: status 256 ends with 256
}

void SysRead(platform::Context& c) {
  auto count = static_cast<int32_t>(c.Edx);
  void* buffer = GuestPointer<void>(c.Ecx);
  if (IsConsoleInput(c.Ebx)) {
    if (count < 0) return Fail(c, linux::kEINVAL);
    // Like a terminal: up to one line, its end as a single line feed; the
    // rest of the line waits in the buffer that the pause shares.
    return Answer(c, rtl::ReadConsole(buffer, count));
  }
  HostFile* file = FindHostFile(c.Ebx);
  if (!file || !file->readable) return Fail(c, linux::kEBADF);
  if (count < 0) return Fail(c, linux::kEINVAL);
  uint32_t done = 0;
  int error = platform::FileRead(file->handle, buffer, count, &done);
  if (error != 0) return Fail(c, error);
  Answer(c, static_cast<int32_t>(done));  // short at the end, 0 past it
}

void SysWrite(platform::Context& c) {
  auto count = static_cast<int32_t>(c.Edx);
  const void* buffer = GuestPointer<const void>(c.Ecx);
  if (IsConsoleOutput(c.Ebx)) {
    if (count < 0) return Fail(c, linux::kEINVAL);
    if (count > 0) rtl::WriteGuestBytes(buffer, count);
    return Answer(c, count);
  }
  HostFile* file = FindHostFile(c.Ebx);
  if (!file || !file->writable) return Fail(c, linux::kEBADF);
  if (count < 0) return Fail(c, linux::kEINVAL);
  uint32_t done = 0;
  int error = platform::FileWrite(file->handle, buffer, count, &done);
  // What reached the file counts, as with the kernel's short writes.
  if (error != 0 && done == 0) return Fail(c, error);
  Answer(c, static_cast<int32_t>(done));
}

void SysOpen(platform::Context& c) {
  HostFile record;
  if (!CopyGuestPath(c.Ebx, record.path)) return Fail(c, linux::kENAMETOOLONG);
  if (record.path[0] == '\0') return Fail(c, linux::kENOENT);

  const uint32_t flags = c.Ecx;
  unsigned meanings = linux::OpenMeanings(flags);
  if (meanings == 0) return Fail(c, linux::kEINVAL);  // access mode 3
  const bool create = (meanings & linux::kOpenCreate) != 0;
  const bool exclusive = create && (meanings & linux::kOpenExclusive) != 0;
  // Directories cannot be read as HostFiles, so none is opened.
  if (platform::DirectoryExists(record.path))
    return Fail(c, exclusive ? linux::kEEXIST : linux::kEISDIR);

  // O_EXCL means nothing without O_CREAT, and O_TRUNC needs write access:
  // without it the file stays as it is.
  if (!create) meanings &= ~linux::kOpenExclusive;
  if ((meanings & linux::kOpenWrite) == 0) meanings &= ~linux::kOpenTruncate;

  int error = platform::FileOpen(record.path, meanings, c.Edx & kPermissionBits,
                                 &record.handle);
  if (error != 0) return Fail(c, error);
  record.readable = (meanings & linux::kOpenRead) != 0;
  record.writable = (meanings & linux::kOpenWrite) != 0;

  auto* file = new (std::nothrow) HostFile(record);
  if (!file) {
    platform::FileClose(record.handle);
    return Fail(c, linux::kENOMEM);
  }
  auto fd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(file));
  liveFiles.insert(fd);
  c.Eax = fd;
}

void SysClose(platform::Context& c) {
  // The console stays usable for the loader's own messages and the pause.
  if (IsConsole(c.Ebx)) return Answer(c, 0);
  HostFile* file = FindHostFile(c.Ebx);
  if (!file) return Fail(c, linux::kEBADF);
  int error = platform::FileClose(file->handle);
  // The descriptor is gone even when the host reports a failure, as on Linux.
  liveFiles.erase(c.Ebx);
  delete file;
  if (error != 0) return Fail(c, error);
  Answer(c, 0);
}

void SysLseek(platform::Context& c) {
  if (IsConsole(c.Ebx)) return Fail(c, linux::kESPIPE);
  HostFile* file = FindHostFile(c.Ebx);
  if (!file) return Fail(c, linux::kEBADF);

  int64_t origin = 0;
  int error = 0;
  switch (c.Edx) {
    case linux::kSEEK_SET: break;
    case linux::kSEEK_CUR: error = platform::FileSeek(file->handle, 0, 1, &origin); break;
    case linux::kSEEK_END: error = platform::FileSize(file->handle, &origin); break;
    default: return Fail(c, linux::kEINVAL);
  }
  if (error != 0) return Fail(c, error);

  int64_t target = origin + static_cast<int32_t>(c.Ecx);
  if (target < 0) return Fail(c, linux::kEINVAL);
  if (target > INT32_MAX) return Fail(c, linux::kEOVERFLOW);  // the guest's off_t
  int64_t position = 0;
  error = platform::FileSeek(file->handle, target, 0, &position);
  if (error != 0) return Fail(c, error);
  Answer(c, static_cast<int32_t>(position));
}

// The break never moves: the whole 8 MiB area is committed before the guest
// starts, so any request is answered with its top.
void SysBrk(platform::Context& c) {
  c.Eax = c.Ebx == 0 ? process::BreakBase : process::BreakBase + process::kBreakAreaSize;
}

void SysTime(platform::Context& c) {
  int64_t seconds = 0;
  uint32_t microseconds = 0;
  platform::TimeOfDay(&seconds, &microseconds);
  auto now = static_cast<uint32_t>(seconds);
  if (c.Ebx != 0) *GuestPointer<uint32_t>(c.Ebx) = now;
  c.Eax = now;
}

void SysGettimeofday(platform::Context& c) {
  int64_t seconds = 0;
  uint32_t microseconds = 0;
  platform::TimeOfDay(&seconds, &microseconds);
  if (c.Ebx != 0) {  // struct timeval
    uint32_t* time = GuestPointer<uint32_t>(c.Ebx);
    time[0] = static_cast<uint32_t>(seconds);
    time[1] = microseconds;
  }
  if (c.Ecx != 0) {  // struct timezone: UTC, no daylight saving
    uint32_t* zone = GuestPointer<uint32_t>(c.Ecx);
    zone[0] = 0;
    zone[1] = 0;
  }
  c.Eax = 0;
}

}  // namespace tbsyscall
