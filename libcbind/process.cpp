// The process: the guest's start and at-exit list, the ends of a run,
// identity, users and groups, limits and configuration, usage and
// priority, and children (which cannot be made).
//
// The guest's process is its own process group and session leader; the
// user is the loader's fixed user record (as getpwuid), with no groups.
// Limits are a fixed table the guest may lower, and what sysconf answers
// follows it as in the Linux C library (_SC_OPEN_MAX is RLIMIT_NOFILE).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "abi/errno.h"
#include "abi/signals.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/environment.h"
#include "libcbind/iofile.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "libcbind/util.h"
#include "platform/files.h"
#include "platform/process.h"
#include "process/process.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

int32_t Fail(int32_t linuxErrno) {
  SetErrno(linuxErrno);
  return -1;
}

int32_t Self() { return static_cast<int32_t>(platform::ProcessId()); }
bool IsSelf(int32_t pid) { return pid == 0 || pid == Self(); }

// ---- Limits -------------------------------------------------------------------

constexpr uint32_t kInf = linux::kRLIM_INFINITY;
constexpr int32_t kRLIMIT_STACK = 3, kRLIMIT_NPROC = 6, kRLIMIT_NOFILE = 7,
                  kRLIMIT_SIGPENDING = 11;

// A Linux process's usual start, by resource number (RLIMIT_CPU ...
// RLIMIT_RTTIME).
constexpr std::array<linux::RLimit, linux::kRLIMIT_NLIMITS> kStartLimits = {{
    {kInf, kInf},        // CPU
    {kInf, kInf},        // FSIZE
    {kInf, kInf},        // DATA
    {0x800000, kInf},    // STACK
    {0, kInf},           // CORE
    {kInf, kInf},        // RSS
    {4096, 4096},        // NPROC
    {1024, 4096},        // NOFILE
    {0x800000, 0x800000},// MEMLOCK
    {kInf, kInf},        // AS
    {kInf, kInf},        // LOCKS
    {4096, 4096},        // SIGPENDING
    {819200, 819200},    // MSGQUEUE
    {0, 0},              // NICE
    {0, 0},              // RTPRIO
    {kInf, kInf},        // RTTIME
}};

std::array<linux::RLimit, linux::kRLIMIT_NLIMITS> gLimits = kStartLimits;
int32_t gNice;

bool ValidResource(int32_t resource) {
  return resource >= 0 && resource < linux::kRLIMIT_NLIMITS;
}

// Lowering is always allowed, raising the soft limit up to the hard one;
// raising the hard limit needs a privilege the guest does not have.
int32_t SetLimit(int32_t resource, linux::RLimit wanted) {
  if (!ValidResource(resource)) return Fail(linux::kEINVAL);
  if (wanted.cur > wanted.max) return Fail(linux::kEINVAL);
  if (wanted.max > gLimits[resource].max) return Fail(linux::kEPERM);
  gLimits[resource] = wanted;
  // A program that raises its limit to open more files gets them from the
  // host as well; a lower limit is only recorded, the loader needs its own.
  if (resource == kRLIMIT_NOFILE) platform::AllowDescriptors(wanted.cur);
  return 0;
}

uint64_t Widen(uint32_t limit) {
  return limit == kInf ? linux::kRLIM64_INFINITY : limit;
}

uint32_t Narrow(uint64_t limit) {
  return limit >= kInf ? kInf : static_cast<uint32_t>(limit);
}

// ---- sysconf --------------------------------------------------------------------

enum class Value { kConstant, kProcessors, kPhysPages, kAvPhysPages, kOpenMax,
                   kArgMax, kChildMax, kSigQueueMax, kNoLimit };

struct SysconfRow {
  int32_t name;
  Value kind;
  int32_t value;
};

constexpr SysconfRow C(int32_t name, int32_t value) {
  return {name, Value::kConstant, value};
}
constexpr SysconfRow V(int32_t name, Value kind) { return {name, kind, 0}; }

constexpr int32_t kPosixVersion = 200809;

// Linux's numbers for the names, the Linux C library's answers on i386.
constexpr SysconfRow kSysconf[] = {
    V(0, Value::kArgMax),          // _SC_ARG_MAX
    V(1, Value::kChildMax),        // _SC_CHILD_MAX
    C(2, 100),                     // _SC_CLK_TCK
    C(3, 65536),                   // _SC_NGROUPS_MAX
    V(4, Value::kOpenMax),         // _SC_OPEN_MAX
    C(5, 16),                      // _SC_STREAM_MAX
    V(6, Value::kNoLimit),         // _SC_TZNAME_MAX
    C(7, 1),                       // _SC_JOB_CONTROL
    C(8, 1),                       // _SC_SAVED_IDS
    C(9, kPosixVersion),           // _SC_REALTIME_SIGNALS
    C(10, kPosixVersion),          // _SC_PRIORITY_SCHEDULING
    C(11, kPosixVersion),          // _SC_TIMERS
    C(12, kPosixVersion),          // _SC_ASYNCHRONOUS_IO
    C(13, kPosixVersion),          // _SC_PRIORITIZED_IO
    C(14, kPosixVersion),          // _SC_SYNCHRONIZED_IO
    C(15, kPosixVersion),          // _SC_FSYNC
    C(16, kPosixVersion),          // _SC_MAPPED_FILES
    C(17, kPosixVersion),          // _SC_MEMLOCK
    C(18, kPosixVersion),          // _SC_MEMLOCK_RANGE
    C(19, kPosixVersion),          // _SC_MEMORY_PROTECTION
    C(20, kPosixVersion),          // _SC_MESSAGE_PASSING
    C(21, kPosixVersion),          // _SC_SEMAPHORES
    C(22, kPosixVersion),          // _SC_SHARED_MEMORY_OBJECTS
    C(23, 32768),                  // _SC_AIO_LISTIO_MAX
    C(24, 1),                      // _SC_AIO_MAX
    C(25, 20),                     // _SC_AIO_PRIO_DELTA_MAX
    C(26, 2147483647),             // _SC_DELAYTIMER_MAX
    V(27, Value::kNoLimit),        // _SC_MQ_OPEN_MAX
    C(28, 32768),                  // _SC_MQ_PRIO_MAX
    C(29, kPosixVersion),          // _SC_VERSION
    C(30, 4096),                   // _SC_PAGESIZE
    C(31, 32),                     // _SC_RTSIG_MAX
    V(32, Value::kNoLimit),        // _SC_SEM_NSEMS_MAX
    C(33, 2147483647),             // _SC_SEM_VALUE_MAX
    V(34, Value::kSigQueueMax),    // _SC_SIGQUEUE_MAX
    V(35, Value::kNoLimit),        // _SC_TIMER_MAX
    C(36, 99),                     // _SC_BC_BASE_MAX
    C(37, 2048),                   // _SC_BC_DIM_MAX
    C(38, 99),                     // _SC_BC_SCALE_MAX
    C(39, 1000),                   // _SC_BC_STRING_MAX
    C(40, 255),                    // _SC_COLL_WEIGHTS_MAX
    C(42, 32),                     // _SC_EXPR_NEST_MAX
    C(43, 2048),                   // _SC_LINE_MAX
    C(44, 32767),                  // _SC_RE_DUP_MAX
    C(46, kPosixVersion),          // _SC_2_VERSION
    C(47, kPosixVersion),          // _SC_2_C_BIND
    C(48, kPosixVersion),          // _SC_2_C_DEV
    V(49, Value::kNoLimit),        // _SC_2_FORT_DEV
    V(50, Value::kNoLimit),        // _SC_2_FORT_RUN
    C(51, kPosixVersion),          // _SC_2_SW_DEV
    C(52, kPosixVersion),          // _SC_2_LOCALEDEF
    C(60, 1024),                   // _SC_IOV_MAX
    C(67, kPosixVersion),          // _SC_THREADS
    C(68, kPosixVersion),          // _SC_THREAD_SAFE_FUNCTIONS
    C(69, 1024),                   // _SC_GETGR_R_SIZE_MAX
    C(70, 1024),                   // _SC_GETPW_R_SIZE_MAX
    C(71, 256),                    // _SC_LOGIN_NAME_MAX
    C(72, 32),                     // _SC_TTY_NAME_MAX
    C(73, 4),                      // _SC_THREAD_DESTRUCTOR_ITERATIONS
    C(74, 1024),                   // _SC_THREAD_KEYS_MAX
    C(75, 16384),                  // _SC_THREAD_STACK_MIN
    V(76, Value::kNoLimit),        // _SC_THREAD_THREADS_MAX
    C(77, kPosixVersion),          // _SC_THREAD_ATTR_STACKADDR
    C(78, kPosixVersion),          // _SC_THREAD_ATTR_STACKSIZE
    C(79, kPosixVersion),          // _SC_THREAD_PRIORITY_SCHEDULING
    C(80, kPosixVersion),          // _SC_THREAD_PRIO_INHERIT
    C(81, kPosixVersion),          // _SC_THREAD_PRIO_PROTECT
    C(82, kPosixVersion),          // _SC_THREAD_PROCESS_SHARED
    V(83, Value::kProcessors),     // _SC_NPROCESSORS_CONF
    V(84, Value::kProcessors),     // _SC_NPROCESSORS_ONLN
    V(85, Value::kPhysPages),      // _SC_PHYS_PAGES
    V(86, Value::kAvPhysPages),    // _SC_AVPHYS_PAGES
    C(87, 2147483647),             // _SC_ATEXIT_MAX
    C(88, 8192),                   // _SC_PASS_MAX
    C(89, 700),                    // _SC_XOPEN_VERSION
    C(90, 4),                      // _SC_XOPEN_XCU_VERSION
    C(91, 1),                      // _SC_XOPEN_UNIX
    V(92, Value::kNoLimit),        // _SC_XOPEN_CRYPT
    C(93, 1),                      // _SC_XOPEN_ENH_I18N
    C(94, 1),                      // _SC_XOPEN_SHM
    C(95, kPosixVersion),          // _SC_2_CHAR_TERM
    V(97, Value::kNoLimit),        // _SC_2_UPE
    C(101, 8),                     // _SC_CHAR_BIT
    C(102, 127),                   // _SC_CHAR_MAX
    C(103, -128),                  // _SC_CHAR_MIN
    C(104, 2147483647),            // _SC_INT_MAX
    C(105, -2147483647 - 1),       // _SC_INT_MIN
    C(106, 32),                    // _SC_LONG_BIT
    C(107, 32),                    // _SC_WORD_BIT
    C(108, 16),                    // _SC_MB_LEN_MAX
    C(109, 20),                    // _SC_NZERO
    C(110, 32767),                 // _SC_SSIZE_MAX (POSIX's minimum, as glibc)
    C(111, 127),                   // _SC_SCHAR_MAX
    C(112, -128),                  // _SC_SCHAR_MIN
    C(113, 32767),                 // _SC_SHRT_MAX
    C(114, -32768),                // _SC_SHRT_MIN
    C(115, 255),                   // _SC_UCHAR_MAX
    C(116, -1),                    // _SC_UINT_MAX (as a long)
    C(117, -1),                    // _SC_ULONG_MAX (as a long)
    C(118, 65535),                 // _SC_USHRT_MAX
    C(119, 4096),                  // _SC_NL_ARGMAX
    C(120, 2048),                  // _SC_NL_LANGMAX
    C(121, 2147483647),            // _SC_NL_MSGMAX
    C(122, 2147483647),            // _SC_NL_NMAX
    C(123, 2147483647),            // _SC_NL_SETMAX
    C(124, 2147483647),            // _SC_NL_TEXTMAX
    C(125, 1),                     // _SC_XBS5_ILP32_OFF32
    C(126, 1),                     // _SC_XBS5_ILP32_OFFBIG
    C(129, 1),                     // _SC_XOPEN_LEGACY
    C(130, 1),                     // _SC_XOPEN_REALTIME
    C(131, 1),                     // _SC_XOPEN_REALTIME_THREADS
    C(132, kPosixVersion),         // _SC_ADVISORY_INFO
    C(133, kPosixVersion),         // _SC_BARRIERS
    C(137, kPosixVersion),         // _SC_CLOCK_SELECTION
    C(138, kPosixVersion),         // _SC_CPUTIME
    C(139, kPosixVersion),         // _SC_THREAD_CPUTIME
    C(149, kPosixVersion),         // _SC_MONOTONIC_CLOCK
    C(153, kPosixVersion),         // _SC_READER_WRITER_LOCKS
    C(154, kPosixVersion),         // _SC_SPIN_LOCKS
    C(155, 1),                     // _SC_REGEXP
    C(157, 1),                     // _SC_SHELL
    C(159, kPosixVersion),         // _SC_SPAWN
    C(164, kPosixVersion),         // _SC_TIMEOUTS
    V(173, Value::kNoLimit),       // _SC_SYMLOOP_MAX
    C(176, 1),                     // _SC_V6_ILP32_OFF32
    C(177, 1),                     // _SC_V6_ILP32_OFFBIG
    C(180, 64),                    // _SC_HOST_NAME_MAX
    C(190, 64),                    // _SC_LEVEL1_DCACHE_LINESIZE
    C(235, kPosixVersion),         // _SC_IPV6
    C(236, kPosixVersion),         // _SC_RAW_SOCKETS
    C(237, 1),                     // _SC_V7_ILP32_OFF32
    C(238, 1),                     // _SC_V7_ILP32_OFFBIG
    C(249, 2048),                  // _SC_MINSIGSTKSZ
    C(250, 8192),                  // _SC_SIGSTKSZ
};

int32_t Pages(uint64_t bytes) {
  return static_cast<int32_t>(std::min<uint64_t>(bytes / 4096, 0x7FFFFFFF));
}

int32_t Sysconf(int32_t name) {
  for (const SysconfRow& row : kSysconf) {
    if (row.name != name) continue;
    switch (row.kind) {
      case Value::kConstant:
        return row.value;
      case Value::kProcessors:
        return static_cast<int32_t>(platform::ProcessorCount());
      case Value::kPhysPages:
        return Pages(platform::PhysicalMemoryBytes());
      case Value::kAvPhysPages:
        return Pages(platform::AvailableMemoryBytes());
      case Value::kOpenMax:
        return static_cast<int32_t>(
            std::min<uint32_t>(gLimits[kRLIMIT_NOFILE].cur, 0x7FFFFFFF));
      case Value::kArgMax: {
        // A quarter of the stack limit, never below the historical 128 KiB.
        const uint32_t stack = gLimits[kRLIMIT_STACK].cur;
        if (stack == kInf) return 0x7FFFFFFF;
        return static_cast<int32_t>(std::max<uint32_t>(stack / 4, 131072));
      }
      case Value::kChildMax:
        return static_cast<int32_t>(
            std::min<uint32_t>(gLimits[kRLIMIT_NPROC].cur, 0x7FFFFFFF));
      case Value::kSigQueueMax:
        return static_cast<int32_t>(
            std::min<uint32_t>(gLimits[kRLIMIT_SIGPENDING].cur, 0x7FFFFFFF));
      case Value::kNoLimit:
        return -1;  // no fixed limit: -1 with errno untouched
    }
  }
  return Fail(linux::kEINVAL);
}

// ---- pathconf and confstr --------------------------------------------------------

// By _PC_ number, what the Linux C library answers for a local disk.
constexpr int32_t kPathconf[] = {
    65000,  // _PC_LINK_MAX
    255,    // _PC_MAX_CANON
    255,    // _PC_MAX_INPUT
    255,    // _PC_NAME_MAX
    4096,   // _PC_PATH_MAX
    4096,   // _PC_PIPE_BUF
    1,      // _PC_CHOWN_RESTRICTED
    1,      // _PC_NO_TRUNC
    0,      // _PC_VDISABLE
    -1,     // _PC_SYNC_IO
    -1,     // _PC_ASYNC_IO
    -1,     // _PC_PRIO_IO
    -1,     // _PC_SOCK_MAXBUF
    64,     // _PC_FILESIZEBITS
    -1,     // _PC_REC_INCR_XFER_SIZE
    -1,     // _PC_REC_MAX_XFER_SIZE
    4096,   // _PC_REC_MIN_XFER_SIZE
    4096,   // _PC_REC_XFER_ALIGN
    4096,   // _PC_ALLOC_SIZE_MIN
    -1,     // _PC_SYMLINK_MAX
    1,      // _PC_2_SYMLINKS
};

int32_t Pathconf(int32_t name) {
  if (name < 0 || static_cast<size_t>(name) >= std::size(kPathconf))
    return Fail(linux::kEINVAL);
  return kPathconf[name];
}

struct ConfstrRow {
  int32_t name;
  const char* value;
};

constexpr char kIlp32Envs[] = "POSIX_V6_ILP32_OFF32\nPOSIX_V6_ILP32_OFFBIG";
constexpr char kLfsFlags[] = "-D_LARGEFILE_SOURCE -D_FILE_OFFSET_BITS=64";

constexpr ConfstrRow kConfstr[] = {
    {0, "/bin:/usr/bin"},          // _CS_PATH
    {1, kIlp32Envs},               // _CS_V6_WIDTH_RESTRICTED_ENVS
    {2, "glibc 2.36"},             // _CS_GNU_LIBC_VERSION
    {3, "NPTL 2.36"},              // _CS_GNU_LIBPTHREAD_VERSION
    {4, "XBS5_ILP32_OFF32\nXBS5_ILP32_OFFBIG"},  // _CS_V5_WIDTH_RESTRICTED_ENVS
    {5, "POSIX_V7_ILP32_OFF32\nPOSIX_V7_ILP32_OFFBIG"},  // _CS_V7_...
    {1000, kLfsFlags},             // _CS_LFS_CFLAGS
    {1001, ""},                    // _CS_LFS_LDFLAGS
    {1002, ""},                    // _CS_LFS_LIBS
    {1003, ""},                    // _CS_LFS_LINTFLAGS
    {1004, ""},                    // _CS_LFS64_CFLAGS ...
    {1136, "-m32 -D_LARGEFILE_SOURCE -D_FILE_OFFSET_BITS=64"},
};

// ---- Users and groups ----------------------------------------------------------------

process::UserRecord* FindUser(bool (*match)(const process::UserRecord&, const void*),
                     const void* what) {
  for (uint32_t i = 0; i < process::UserCount; ++i)
    if (match(process::UserTable[i], what)) return &process::UserTable[i];
  return nullptr;
}

bool ByName(const process::UserRecord& u, const void* name) {
  return u.pw_name != nullptr &&
         std::strcmp(u.pw_name, static_cast<const char*>(name)) == 0;
}

bool ById(const process::UserRecord& u, const void* uid) {
  return u.pw_uid == *static_cast<const uint32_t*>(uid);
}

// Copies `from` into the caller's record and buffer, as the reentrant
// forms do; ERANGE when the buffer is too small.
int32_t CopyUser(const process::UserRecord* from, process::UserRecord* to, char* buffer,
                 uint32_t size, process::UserRecord** result) {
  *result = nullptr;
  if (from == nullptr) return 0;  // no such user: not an error
  const char* const fields[] = {from->pw_name, from->pw_passwd, from->pw_gecos,
                                from->pw_dir, from->pw_shell};
  const char* copies[5];
  uint32_t used = 0;
  for (size_t i = 0; i < std::size(fields); ++i) {
    const char* text = fields[i] != nullptr ? fields[i] : "";
    const uint32_t length = static_cast<uint32_t>(std::strlen(text)) + 1;
    if (buffer == nullptr || size - used < length) return linux::kERANGE;
    std::memcpy(buffer + used, text, length);
    copies[i] = buffer + used;
    used += length;
  }
  to->pw_name = copies[0];
  to->pw_passwd = copies[1];
  to->pw_uid = from->pw_uid;
  to->pw_gid = from->pw_gid;
  to->pw_gecos = copies[2];
  to->pw_dir = copies[3];
  to->pw_shell = copies[4];
  *result = to;
  return 0;
}

// ---- Quick exit -----------------------------------------------------------------------

std::vector<uint32_t> gQuickExit;

void StartProcess() {
  gLimits = kStartLimits;
  gNice = platform::InheritedNice();
  gQuickExit.clear();
}

// ---- At-exit routines -------------------------------------------------------
//
// Every routine the guest registers, with its argument. They run newest
// first, each once, on every way out that the C library runs them on:
// main's return, exit, and error() with a nonzero status. An on_exit
// routine also gets the status, before its argument.

// A routine 0 stands for the dynamic linker's own clean-up, which the
// start registers before the program's constructors run: every object's
// destructors, in its place among the routines. A library's routines
// (registered with its handle) that are still due when its destructors run
// are run by its __cxa_finalize, as glibc's are.
struct AtExitRecord {
  uint32_t routine;  // guest code
  void* argument;
  bool withStatus;
  uint32_t dso = 0;  // the handle of the object that registered it
};
std::vector<AtExitRecord> gAtExit;

// thread_local objects' destructors: they run before every at-exit routine.
struct ThreadDestructor {
  uint32_t routine, object;
};
std::vector<ThreadDestructor> gThreadDestructors;

void RunGuestDestructors();

void Run(const AtExitRecord& record, int32_t status) {
  const uint32_t argument = Address(record.argument);
  if (record.routine == 0) {
    RunGuestDestructors();
  } else if (record.withStatus) {
    CallGuest(record.routine, {static_cast<uint32_t>(status), argument});
  } else {
    CallGuest(record.routine, {argument});
  }
}

void RunAtExitRoutines(int32_t status) {
  while (!gThreadDestructors.empty()) {
    const ThreadDestructor d = gThreadDestructors.back();
    gThreadDestructors.pop_back();
    CallGuest(d.routine, {d.object});
  }
  while (!gAtExit.empty()) {
    // Taken off the list before it runs: a routine that calls exit must
    // not run again.
    const AtExitRecord record = gAtExit.back();
    gAtExit.pop_back();
    Run(record, status);
  }
}

// The guest's last output is on the screen while the pause waits, not
// only once the process has ended. The loader's own text goes first: what
// it holds was written before anything still in the guest's buffers.
//
// Only exit writes the guest's streams out; _exit and a fatal signal leave
// them, as on Linux. That flush is a write of the guest's like any other:
// into a pipe whose reader has gone it is SIGPIPE, whose default action
// ends the run (141) by way of EndRun, without a second flush.
[[noreturn]] void PauseAndExit(int32_t status, bool writeStreamsOut) {
  static bool ending = false;
  rtl::Flush();
  if (writeStreamsOut && !ending) {
    ending = true;
    io::EndAll();
  }
  util::PauseAndExit(static_cast<uint32_t>(status));
}

// ---- The program's own constructors and destructors --------------------------
//
// A start routine of today's C library passes no init or fini routine: the
// dynamic linker runs the program's DT_INIT and DT_INIT_ARRAY before main,
// and its DT_FINI_ARRAY (newest first) and DT_FINI after the at-exit
// routines. An older one passes its own init routine, which runs the
// program's tables itself, and a fini routine that goes on the at-exit list.

uint32_t TableEntry(uint32_t table, uint32_t i) {
  uint32_t entry;
  std::memcpy(&entry, reinterpret_cast<void*>(uintptr_t{table + 4 * i}), 4);
  // 0 and -1 mark empty slots in older toolchains' tables.
  return entry == 0xFFFFFFFF ? 0 : entry;
}

// The objects whose destructors are due at exit, in the order their
// constructors ran.
std::vector<process::GuestStartTables> gStarted;

// The libraries' constructors have run, as the dynamic linker runs them
// before the program starts, each after what it needs; then the at-exit
// list gets the clean-up of every object, then the program's constructors.
void RunGuestConstructors(uint32_t init, uint32_t fini) {
  for (const process::ResolvedSlot& r : process::PendingResolvers) {
    const uint32_t value = static_cast<uint32_t>(CallGuest(r.resolver, {})) + r.addend;
    std::memcpy(reinterpret_cast<void*>(uintptr_t{r.slot}), &value, 4);
  }
  process::PendingResolvers.clear();
  for (const process::GuestStartTables& library : process::LibraryStart)
    RunConstructors(library);
  gAtExit.push_back({0, nullptr, false});
  if (fini != 0) gAtExit.push_back({fini, nullptr, false});
  if (init != 0) {
    CallGuest(init, {static_cast<uint32_t>(process::GuestArgc), Address(process::GuestArgv),
                     Address(process::GuestEnvp)});
    return;
  }
  RunConstructors(process::GuestStart);
}

void RunGuestDestructors() {
  // Newest first; each once, also when a destructor calls exit.
  while (!gStarted.empty()) {
    const process::GuestStartTables tables = gStarted.back();
    gStarted.pop_back();
    for (uint32_t i = tables.finiArrayCount; i-- > 0;)
      if (const uint32_t entry = TableEntry(tables.finiArray, i)) CallGuest(entry, {});
    if (tables.fini != 0) CallGuest(tables.fini, {});
  }
}

// ---- Fixed answers ----------------------------------------------------------

constexpr char kHostName[] = "hostnamestub";

// i386 struct utsname: six NUL-padded fields of 65 bytes.
constexpr char kUtsname[6][65] = {"linux", "nodename", "0.01",
                                  "0.01",  "i386",     "localdomain"};
static_assert(sizeof(kUtsname) == 390);

}  // namespace

// ---- Start and ends of the run --------------------------------------------------

void RunConstructors(const process::GuestStartTables& tables) {
  gStarted.push_back(tables);
  const uint32_t argc = static_cast<uint32_t>(process::GuestArgc);
  const uint32_t argv = Address(process::GuestArgv);
  const uint32_t envp = Address(process::GuestEnvp);
  if (tables.init != 0) CallGuest(tables.init, {argc, argv, envp});
  for (uint32_t i = 0; i < tables.initArrayCount; ++i)
    if (const uint32_t entry = TableEntry(tables.initArray, i))
      CallGuest(entry, {argc, argv, envp});
}

void ForgetAtExitRoutines() { gAtExit.clear(); }

void RunGuest(int32_t (*main)(int32_t, char**, char**), uint32_t init,
              uint32_t fini) {
  RunGuestConstructors(init, fini);
  // Nothing of the loader's own start-up shows: Linux starts main with 0.
  SetErrno(0);
  Exit(main(process::GuestArgc, process::GuestArgv, process::GuestEnvp));
}

void FinalizeObject(uint32_t dso) {
  // Newest first; each taken off the list before it runs.
  for (size_t i = gAtExit.size(); i-- > 0;) {
    if (i >= gAtExit.size() || gAtExit[i].routine == 0) continue;
    if (dso != 0 && gAtExit[i].dso != dso) continue;
    const AtExitRecord record = gAtExit[i];
    gAtExit.erase(gAtExit.begin() + static_cast<std::ptrdiff_t>(i));
    Run(record, 0);
  }
}

void Exit(int32_t status) {
  RunAtExitRoutines(status);
  RunGuestDestructors();
  PauseAndExit(status, true);
}

void FlushGuestStreams() {
  rtl::Flush();
  io::FlushAll();
}

void EndRun(int32_t status) { PauseAndExit(status, false); }

// A script or a build must see the failure: the run ends as Linux ends a
// process killed by SIGABRT, the status the signals family gives a
// default-action SIGABRT that raise or kill delivers.
void Abort() {
  rtl::ReportLine("\"Abort\" called?");
  EndRun(128 + linux::kSIGABRT);
}

void FatalError(std::string_view text) {
  FlushGuestStreams();
  // Straight to descriptor 2, as the Linux C library's fatal messages go.
  const std::string line = std::string(text) + '\n';
  uint32_t done = 0;
  platform::DescriptorWrite(2, line.data(), static_cast<uint32_t>(line.size()), &done);
  Abort();
}

}  // namespace tblibc

// ---- Entries --------------------------------------------------------------------

extern "C" {

using namespace tblibc;

int32_t tblibc_getpid() { return Self(); }
// A parent the host cannot name is the one an orphan has on Linux: init.
int32_t tblibc_getppid() {
  const uint32_t parent = platform::ParentProcessId();
  return parent != 0 ? static_cast<int32_t>(parent) : 1;
}
int32_t tblibc_getpgrp() { return Self(); }

int32_t tblibc_getpgid(int32_t pid) {
  return IsSelf(pid) ? Self() : Fail(linux::kESRCH);
}

int32_t tblibc_getsid(int32_t pid) {
  return IsSelf(pid) ? Self() : Fail(linux::kESRCH);
}

// The process may only be put in the group it leads already.
int32_t tblibc_setpgid(int32_t pid, int32_t group) {
  if (group < 0) return Fail(linux::kEINVAL);
  if (!IsSelf(pid)) return Fail(linux::kESRCH);
  if (group != 0 && group != Self()) return Fail(linux::kEPERM);
  return 0;
}

// A process group leader cannot start a session.
int32_t tblibc_setsid() { return Fail(linux::kEPERM); }

int32_t tblibc_getgroups(int32_t size, uint32_t* list) {
  if (size < 0) return Fail(linux::kEINVAL);
  (void)list;
  return 0;
}

char* tblibc_getlogin() {
  const uint32_t uid = 0;
  process::UserRecord* user = FindUser(ById, &uid);
  return user != nullptr ? const_cast<char*>(user->pw_name) : nullptr;
}

int32_t tblibc_getlogin_r(char* buffer, uint32_t size) {
  const char* name = tblibc_getlogin();
  if (name == nullptr) return linux::kENOENT;
  const size_t length = std::strlen(name) + 1;
  if (buffer == nullptr || size < length) return linux::kERANGE;
  std::memcpy(buffer, name, length);
  return 0;
}

process::UserRecord* tblibc_getpwnam(const char* name) {
  if (name == nullptr) return nullptr;
  return FindUser(ByName, name);
}

int32_t tblibc_getpwnam_r(const char* name, process::UserRecord* record, char* buffer,
                          uint32_t size, process::UserRecord** result) {
  return CopyUser(tblibc_getpwnam(name), record, buffer, size, result);
}

int32_t tblibc_getpwuid_r(uint32_t uid, process::UserRecord* record, char* buffer,
                          uint32_t size, process::UserRecord** result) {
  return CopyUser(FindUser(ById, &uid), record, buffer, size, result);
}

// There are no groups.
linux::Group* tblibc_getgrnam(const char*) { return nullptr; }

int32_t tblibc_getgrnam_r(const char*, linux::Group*, char*, uint32_t,
                          linux::Group** result) {
  *result = nullptr;
  return 0;
}

int32_t tblibc_getgrgid_r(uint32_t, linux::Group*, char*, uint32_t,
                          linux::Group** result) {
  *result = nullptr;
  return 0;
}

int32_t tblibc_sysconf(int32_t name) { return Sysconf(name); }

int32_t tblibc_pathconf(const char* path, int32_t name) {
  if (path == nullptr || path[0] == '\0') return Fail(linux::kENOENT);
  if (!platform::FileExists(path) && !platform::DirectoryExists(path))
    return Fail(linux::kENOENT);
  return Pathconf(name);
}

int32_t tblibc_fpathconf(int32_t fd, int32_t name) {
  if (fd < 0) return Fail(linux::kEBADF);
  return Pathconf(name);
}

uint32_t tblibc_confstr(int32_t name, char* buffer, uint32_t size) {
  for (const ConfstrRow& row : kConfstr) {
    if (row.name != name) continue;
    const uint32_t length = static_cast<uint32_t>(std::strlen(row.value)) + 1;
    if (buffer != nullptr && size > 0) {
      const uint32_t n = std::min(length, size) - 1;
      std::memcpy(buffer, row.value, n);
      buffer[n] = '\0';
    }
    return length;
  }
  SetErrno(linux::kEINVAL);
  return 0;
}

int32_t tblibc_getrlimit(int32_t resource, linux::RLimit* limit) {
  if (!ValidResource(resource)) return Fail(linux::kEINVAL);
  if (limit == nullptr) return Fail(linux::kEFAULT);
  *limit = gLimits[resource];
  return 0;
}

int32_t tblibc_setrlimit(int32_t resource, const linux::RLimit* limit) {
  if (limit == nullptr) return Fail(linux::kEFAULT);
  return SetLimit(resource, *limit);
}

int32_t tblibc_getrlimit64(int32_t resource, linux::RLimit64* limit) {
  if (!ValidResource(resource)) return Fail(linux::kEINVAL);
  if (limit == nullptr) return Fail(linux::kEFAULT);
  limit->cur = Widen(gLimits[resource].cur);
  limit->max = Widen(gLimits[resource].max);
  return 0;
}

int32_t tblibc_setrlimit64(int32_t resource, const linux::RLimit64* limit) {
  if (limit == nullptr) return Fail(linux::kEFAULT);
  return SetLimit(resource, {Narrow(limit->cur), Narrow(limit->max)});
}

int32_t tblibc_prlimit64(int32_t pid, int32_t resource,
                         const linux::RLimit64* limit, linux::RLimit64* old) {
  if (!IsSelf(pid)) return Fail(linux::kESRCH);
  if (!ValidResource(resource)) return Fail(linux::kEINVAL);
  linux::RLimit64 before{Widen(gLimits[resource].cur),
                         Widen(gLimits[resource].max)};
  if (limit != nullptr && tblibc_setrlimit64(resource, limit) != 0) return -1;
  if (old != nullptr) *old = before;
  return 0;
}

int32_t tblibc_getrusage64(int32_t who, linux::RUsage64* usage) {
  if (who != linux::kRUSAGE_SELF && who != linux::kRUSAGE_CHILDREN &&
      who != linux::kRUSAGE_THREAD) {
    return Fail(linux::kEINVAL);
  }
  if (usage == nullptr) return Fail(linux::kEFAULT);
  std::memset(usage, 0, sizeof *usage);
  if (who == linux::kRUSAGE_CHILDREN) return 0;  // there are none
  const platform::ProcessUsage u = platform::Usage();
  usage->utimeSec = static_cast<int64_t>(u.userMicros / 1000000);
  usage->utimeUsec = static_cast<int32_t>(u.userMicros % 1000000);
  usage->stimeSec = static_cast<int64_t>(u.systemMicros / 1000000);
  usage->stimeUsec = static_cast<int32_t>(u.systemMicros % 1000000);
  usage->maxrss = static_cast<int32_t>(u.peakKiB);
  return 0;
}

int32_t tblibc_getrusage(int32_t who, linux::RUsage* usage) {
  linux::RUsage64 wide;
  if (tblibc_getrusage64(who, usage != nullptr ? &wide : nullptr) != 0) return -1;
  usage->utimeSec = static_cast<int32_t>(wide.utimeSec);
  usage->utimeUsec = wide.utimeUsec;
  usage->stimeSec = static_cast<int32_t>(wide.stimeSec);
  usage->stimeUsec = wide.stimeUsec;
  std::memcpy(&usage->maxrss, &wide.maxrss, sizeof *usage - offsetof(linux::RUsage, maxrss));
  return 0;
}

// The nice value is the guest's own; the host's priority is left alone.
// Below the value it started with needs a privilege the guest lacks.
constexpr int32_t kPRIO_PROCESS = 0, kPRIO_PGRP = 1, kPRIO_USER = 2;

int32_t CheckPriorityTarget(int32_t which, int32_t who) {
  if (which != kPRIO_PROCESS && which != kPRIO_PGRP && which != kPRIO_USER)
    return Fail(linux::kEINVAL);
  if (which == kPRIO_USER ? who != 0 : !IsSelf(who)) return Fail(linux::kESRCH);
  return 0;
}

int32_t tblibc_getpriority(int32_t which, int32_t who) {
  if (CheckPriorityTarget(which, who) != 0) return -1;
  return gNice;
}

int32_t tblibc_setpriority(int32_t which, int32_t who, int32_t value) {
  if (CheckPriorityTarget(which, who) != 0) return -1;
  value = std::clamp(value, -20, 19);
  if (value < gNice) return Fail(linux::kEACCES);
  gNice = value;
  return 0;
}

int32_t tblibc_nice(int32_t increment) {
  const int32_t value = std::clamp(gNice + std::clamp(increment, -40, 40), -20, 19);
  if (value < gNice) return Fail(linux::kEPERM);
  gNice = value;
  return value;
}

[[noreturn]] void tblibc__exit(int32_t status) { EndRun(status & 0xFF); }

int32_t tblibc_at_quick_exit(uint32_t routine) {
  if (routine != 0) gQuickExit.push_back(routine);
  return 0;
}

int32_t tblibc_cxa_at_quick_exit(uint32_t routine, void*) {
  return tblibc_at_quick_exit(routine);
}

// The at_quick_exit routines, newest first, then the end as _exit has it.
[[noreturn]] void tblibc_quick_exit(int32_t status) {
  while (!gQuickExit.empty()) {
    const uint32_t routine = gQuickExit.back();
    gQuickExit.pop_back();
    CallGuest(routine, {});
  }
  EndRun(status & 0xFF);
}

// The command goes to the host's command interpreter (cmd.exe on Windows,
// /bin/sh on Linux); the answer is a wait status as Linux encodes it.
int32_t tblibc_system(const char* command) {
  if (command == nullptr) return platform::HasCommandInterpreter() ? 1 : 0;
  const platform::CommandResult result = platform::RunCommand(command, ChildSignals(), ChildEnvironment());
  if (!result.started) return Fail(linux::kEAGAIN);
  if (result.signalled) return static_cast<int32_t>(result.code & 0x7F);
  return static_cast<int32_t>((result.code & 0xFF) << 8);
}

// Children cannot be made: one process holds the whole run.
int32_t tblibc_fork() { return Fail(linux::kENOSYS); }
int32_t tblibc_exec(const char*, ...) { return Fail(linux::kENOSYS); }
int32_t tblibc_wait(...) { return Fail(linux::kECHILD); }
int32_t tblibc_posix_spawn(...) { return linux::kENOSYS; }

// ---- At exit, and the start-up's fixed answers -------------------------------

int tblibc_cxa_atexit(uint32_t routine, void* argument, void* dso) {
  if (routine != 0) gAtExit.push_back({routine, argument, false, Address(dso)});
  return 0;
}

int tblibc_cxa_thread_atexit_impl(uint32_t routine, uint32_t object, uint32_t) {
  if (routine != 0) gThreadDestructors.push_back({routine, object});
  return 0;
}

int tblibc_on_exit(uint32_t routine, void* argument) {
  if (routine != 0) gAtExit.push_back({routine, argument, true});
  return 0;
}

int tblibc_atexit(uint32_t routine) {
  if (routine != 0) gAtExit.push_back({routine, nullptr, false});
  return 0;
}

[[noreturn]] void tblibc_exit(int32_t status) { Exit(status); }

[[noreturn]] void tblibc_abort() { Abort(); }

process::UserRecord* tblibc_getpwuid(uint32_t uid) {
  for (uint32_t i = 0; i < process::UserCount; ++i) {
    if (process::UserTable[i].pw_uid == uid) return &process::UserTable[i];
  }
  return nullptr;
}

uint32_t tblibc_getuid() { return 0; }

int tblibc_uname(void* buffer) {
  std::memcpy(buffer, kUtsname, sizeof kUtsname);
  return 0;
}

// Never writes past `length` bytes: as much of the name as fits with its
// terminator (a name cut short, as the Linux C library gives it).
int tblibc_gethostname(char* buffer, uint32_t length) {
  if (length == 0) return 0;
  const uint32_t n = std::min<uint32_t>(length - 1, sizeof kHostName - 1);
  std::memcpy(buffer, kHostName, n);
  buffer[n] = '\0';
  return 0;
}

int tblibc_getdomainname(char* buffer, uint32_t length) {
  if (length == 0) return 0;
  const uint32_t n = std::min<uint32_t>(length - 1, std::strlen(kUtsname[5]));
  std::memcpy(buffer, kUtsname[5], n);
  buffer[n] = '\0';
  return 0;
}

// The fortified forms: `real` is the size of the caller's buffer.
int tblibc_gethostname_chk(char* buffer, uint32_t length, uint32_t real) {
  if (length > real) FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_gethostname(buffer, length);
}
int tblibc_getdomainname_chk(char* buffer, uint32_t length, uint32_t real) {
  if (length > real) FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_getdomainname(buffer, length);
}
int32_t tblibc_getlogin_r_chk(char* buffer, uint32_t size, uint32_t real) {
  if (size > real) FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_getlogin_r(buffer, size);
}
int32_t tblibc_getgroups_chk(int32_t size, uint32_t* list, uint32_t real) {
  if (size < 0) return Fail(linux::kEINVAL);
  if (uint64_t{static_cast<uint32_t>(size)} * 4 > real)
    FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_getgroups(size, list);
}
uint32_t tblibc_confstr_chk(int32_t name, char* buffer, uint32_t size, uint32_t real) {
  if (size > real) FatalError("*** buffer overflow detected ***: terminated");
  return tblibc_confstr(name, buffer, size);
}

// prctl: the process's own attributes a program may read or set without
// privilege, kept here; any other option is refused as the kernel refuses
// one it does not know.
}  // extern "C"

namespace {

enum : int32_t {
  kPR_SET_PDEATHSIG = 1, kPR_GET_PDEATHSIG = 2, kPR_GET_DUMPABLE = 3,
  kPR_SET_DUMPABLE = 4, kPR_SET_NAME = 15, kPR_GET_NAME = 16,
  kPR_SET_TIMERSLACK = 29, kPR_GET_TIMERSLACK = 30,
  kPR_SET_CHILD_SUBREAPER = 36, kPR_GET_CHILD_SUBREAPER = 37,
  kPR_SET_NO_NEW_PRIVS = 38, kPR_GET_NO_NEW_PRIVS = 39,
};

struct Attributes {
  char name[16];  // the kernel's "comm": 15 bytes and a terminator
  uint32_t deathSignal = 0, dumpable = 1, subreaper = 0, noNewPrivs = 0;
  uint32_t timerSlack = 50000;  // ns, the kernel's default
};

Attributes& Own() {
  static Attributes a = [] {
    Attributes fresh{};
    const std::string_view name = ProgramShortName().substr(0, 15);
    std::memcpy(fresh.name, name.data(), name.size());
    return fresh;
  }();
  return a;
}

int32_t Store(uint32_t value, uint32_t address) {
  if (address == 0) return Fail(linux::kEFAULT);
  std::memcpy(reinterpret_cast<void*>(uintptr_t{address}), &value, 4);
  return 0;
}

}  // namespace

extern "C" {

int32_t tblibc_prctl(int32_t option, uint32_t a2, uint32_t a3, uint32_t a4, uint32_t a5) {
  Attributes& own = Own();
  switch (option) {
    case kPR_SET_NAME: {
      if (a2 == 0) return Fail(linux::kEFAULT);
      const char* name = reinterpret_cast<const char*>(uintptr_t{a2});
      std::memset(own.name, 0, sizeof own.name);
      std::memcpy(own.name, name, strnlen(name, 15));
      return 0;
    }
    case kPR_GET_NAME:
      if (a2 == 0) return Fail(linux::kEFAULT);
      std::memcpy(reinterpret_cast<void*>(uintptr_t{a2}), own.name, sizeof own.name);
      return 0;
    case kPR_SET_PDEATHSIG:
      if (a2 >= linux::kNSIG) return Fail(linux::kEINVAL);
      own.deathSignal = a2;
      return 0;
    case kPR_GET_PDEATHSIG: return Store(own.deathSignal, a2);
    case kPR_SET_DUMPABLE:
      if (a2 > 1) return Fail(linux::kEINVAL);
      own.dumpable = a2;
      return 0;
    case kPR_GET_DUMPABLE: return static_cast<int32_t>(own.dumpable);
    case kPR_SET_TIMERSLACK:
      own.timerSlack = a2 == 0 ? 50000 : a2;
      return 0;
    case kPR_GET_TIMERSLACK: return static_cast<int32_t>(own.timerSlack);
    case kPR_SET_CHILD_SUBREAPER:
      own.subreaper = a2 != 0;
      return 0;
    case kPR_GET_CHILD_SUBREAPER: return Store(own.subreaper, a2);
    case kPR_SET_NO_NEW_PRIVS:
      if (a2 != 1 || a3 != 0 || a4 != 0 || a5 != 0) return Fail(linux::kEINVAL);
      own.noNewPrivs = 1;
      return 0;
    case kPR_GET_NO_NEW_PRIVS:
      if (a2 != 0 || a3 != 0 || a4 != 0 || a5 != 0) return Fail(linux::kEINVAL);
      return static_cast<int32_t>(own.noNewPrivs);
    default:
      return Fail(linux::kEINVAL);
  }
}

int tblibc_getpagesize() { return 4096; }

// The group database the start-up names answer for: none.
int tblibc_no_groups() { return 0; }

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_getpid>("getpid"),
    Fn<&tblibc_getpid>("__getpid"),
    Fn<&tblibc_getppid>("getppid"),
    Fn<&tblibc_getpgrp>("getpgrp"),
    Fn<&tblibc_getpgid>("getpgid"),
    Fn<&tblibc_getpgid>("__getpgid"),
    Fn<&tblibc_setpgid>("setpgid"),
    Fn<&tblibc_setsid>("setsid"),
    Fn<&tblibc_getsid>("getsid"),
    Fn<&tblibc_getgroups>("getgroups"),
    Fn<&tblibc_getlogin>("getlogin"),
    Fn<&tblibc_getlogin_r>("getlogin_r"),
    Fn<&tblibc_getpwnam>("getpwnam"),
    Fn<&tblibc_getpwnam_r>("getpwnam_r"),
    Fn<&tblibc_getpwuid_r>("getpwuid_r"),
    Fn<&tblibc_getgrnam>("getgrnam"),
    Fn<&tblibc_getgrnam_r>("getgrnam_r"),
    Fn<&tblibc_getgrgid_r>("getgrgid_r"),
    Fn<&tblibc_sysconf>("sysconf"),
    Fn<&tblibc_sysconf>("__sysconf"),
    Fn<&tblibc_pathconf>("pathconf"),
    Fn<&tblibc_fpathconf>("fpathconf"),
    Fn<&tblibc_confstr>("confstr"),
    Fn<&tblibc_prctl>("prctl"),
    Fn<&tblibc_prctl>("__prctl_time64"),
    Fn<&tblibc_confstr_chk>("__confstr_chk"),
    Fn<&tblibc_getgroups_chk>("__getgroups_chk"),
    Fn<&tblibc_getlogin_r_chk>("__getlogin_r_chk"),
    Fn<&tblibc_gethostname_chk>("__gethostname_chk"),
    Fn<&tblibc_getdomainname>("getdomainname"),
    Fn<&tblibc_getdomainname_chk>("__getdomainname_chk"),
    Fn<&tblibc_getrlimit>("getrlimit"),
    Fn<&tblibc_setrlimit>("setrlimit"),
    Fn<&tblibc_getrlimit64>("getrlimit64"),
    Fn<&tblibc_setrlimit64>("setrlimit64"),
    Fn<&tblibc_prlimit64>("prlimit"),
    Fn<&tblibc_prlimit64>("prlimit64"),
    Fn<&tblibc_getrusage>("getrusage"),
    Fn<&tblibc_getrusage64>("__getrusage64"),
    Fn<&tblibc_getpriority>("getpriority"),
    Fn<&tblibc_setpriority>("setpriority"),
    Fn<&tblibc_nice>("nice"),
    Fn<&tblibc__exit>("_exit"),
    Fn<&tblibc__exit>("_Exit"),
    Fn<&tblibc_atexit>("atexit"),
    Fn<&tblibc_on_exit>("on_exit"),
    Fn<&tblibc_cxa_thread_atexit_impl>("__cxa_thread_atexit_impl"),
    Fn<&tblibc_at_quick_exit>("at_quick_exit"),
    Fn<&tblibc_cxa_at_quick_exit>("__cxa_at_quick_exit"),
    Fn<&tblibc_quick_exit>("quick_exit"),
    Fn<&tblibc_system>("system"),
    Fn<&tblibc_fork>("fork"),
    Fn<&tblibc_fork>("vfork"),
    Fn<&tblibc_fork>("__fork"),
    Fn<&tblibc_exec>("execv"),
    Fn<&tblibc_exec>("execve"),
    Fn<&tblibc_exec>("execvp"),
    Fn<&tblibc_exec>("execvpe"),
    Fn<&tblibc_exec>("execl"),
    Fn<&tblibc_exec>("execlp"),
    Fn<&tblibc_exec>("execle"),
    Fn<&tblibc_exec>("fexecve"),
    Fn<&tblibc_wait>("wait"),
    Fn<&tblibc_wait>("waitpid"),
    Fn<&tblibc_wait>("__waitpid"),
    Fn<&tblibc_wait>("wait3"),
    Fn<&tblibc_wait>("wait4"),
    Fn<&tblibc_wait>("__wait3_time64"),
    Fn<&tblibc_wait>("__wait4_time64"),
    Fn<&tblibc_wait>("waitid"),
    Fn<&tblibc_posix_spawn>("posix_spawn"),
    Fn<&tblibc_posix_spawn>("posix_spawnp"),
};

}  // namespace

extern const Family kProcessFamily;
const Family kProcessFamily{"process", kExports, {}, StartProcess};

}  // namespace tblibc
