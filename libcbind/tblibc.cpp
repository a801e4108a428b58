// The binding module `tblibc`: the host side of every C-library name a guest
// may import. Names bound to a slot of the bridge library's InterfaceTable
// reach the host C runtime directly; the rest are the module's own entry
// points below: process start and exit, the guest's heap, fixed answers for
// identity, host, locale and catalogue queries, and a few wrappers.
//
// Every own entry point is called by guest code through a rewritten PLT
// entry: i386 System V cdecl, arguments on the stack, result in EAX, EBX,
// ESI, EDI and EBP preserved, the stack aligned to 4 bytes only (the build's
// -mstackrealign realigns where the code needs more).
#include "libcbind/tblibc.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "libcbind/family.h"
#include "libcbind/files_support.h"
#include "libcbind/guest.h"
#include "libcbind/printf_engine.h"
#include "libcbind/signals.h"
#include "libcbind/startup.h"
#include "libcbind/util.h"
#include "loader/image.h"
#include "platform/streams.h"
#include "runtime/rtl.h"
#include "abi/linux.h"
#include "tblibc/interface.h"

namespace tblibc {

uint32_t HostStdin, HostStdout, HostStderr;
int32_t StdinUsedWord;
uint32_t GuestOptindAddress, GuestOptargAddress, GuestOptoptAddress,
    GuestOpterrAddress;
int32_t GuestArgc;
char** GuestArgv;
char** GuestEnvp;
UserRecord* UserTable;
uint32_t UserCount;

namespace {

uint32_t gTable[iface::kSlotCount];  // the library's table, copied at start-up
uint32_t gSetaoptindEntry;
uint32_t gCloseEntry;

template <typename F>
F* Slot(uint32_t entry) {
  return reinterpret_cast<F*>(uintptr_t{entry});
}

template <typename F>
uint32_t Code(F* f) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

// ---- At-exit routines -------------------------------------------------------
//
// Every routine the guest registers, with its argument. They run newest
// first, each once, on every way out that the C library runs them on:
// main's return, exit, and error() with a nonzero status. An on_exit
// routine also gets the status, before its argument.

struct AtExitRecord {
  uint32_t routine;  // guest code
  void* argument;
  bool withStatus;
};
std::vector<AtExitRecord> gAtExit;

void RunAtExitRoutines(int32_t status) {
  while (!gAtExit.empty()) {
    // Taken off the list before it runs: a routine that calls exit must
    // not run again.
    const AtExitRecord record = gAtExit.back();
    gAtExit.pop_back();
    const uint32_t argument = Address(record.argument);
    if (record.withStatus) {
      CallGuest(record.routine,
                {static_cast<uint32_t>(status), argument});
    } else {
      CallGuest(record.routine, {argument});
    }
  }
}

// Guest stdio output sits in the host C runtime's stream buffers; it is
// written out before any text of the loader's own, so the two stay in the
// order the guest produced them.
void FlushHostStreams() { Slot<int(void*)>(gTable[iface::kFflush])(nullptr); }

// The guest's last output is on the screen while the pause waits, not
// only once the process has ended. The loader's own text goes first: what
// it holds was written before anything still in the host's buffers.
//
// The end's flush is a write of the guest's like any other: into a pipe
// whose reader has gone it is SIGPIPE, whose default action ends the run
// with 141 as on Linux. That end comes back here and must not flush and
// signal again.
[[noreturn]] void PauseAndExit(int32_t status) {
  static bool ending = false;
  rtl::Flush();
  const bool first = !ending;
  ending = true;
  // Standard output on its own first: msvcrt's flush of every stream
  // answers 0 even when one of them failed.
  auto* const flush = Slot<int(void*)>(gTable[iface::kFflush]);
  void* const out = reinterpret_cast<void*>(uintptr_t{HostStdout});
  if (flush(out) != 0 && first) {
    TranslateErrno();
    AfterFailedWrite(Errno(), platform::StreamDescriptor(out));
  }
  flush(nullptr);
  util::PauseAndExit(static_cast<uint32_t>(status));
}

// ---- The program's own constructors and destructors --------------------------
//
// A start routine of today's C library passes no init or fini routine: the
// dynamic linker runs the program's DT_INIT and DT_INIT_ARRAY before main,
// and its DT_FINI_ARRAY (newest first) and DT_FINI after the at-exit
// routines. An older one passes its own init routine, which runs the
// program's tables itself, and a fini routine that goes on the at-exit list.

bool gGuestFiniPending = false;

void RunGuestConstructors(uint32_t init) {
  const uint32_t argc = static_cast<uint32_t>(GuestArgc);
  const uint32_t argv = Address(GuestArgv), envp = Address(GuestEnvp);
  if (init != 0) {
    CallGuest(init, {argc, argv, envp});
    return;
  }
  gGuestFiniPending = true;
  if (GuestStart.init != 0) CallGuest(GuestStart.init, {});
  for (uint32_t i = 0; i < GuestStart.initArrayCount; ++i) {
    uint32_t entry;
    std::memcpy(&entry, reinterpret_cast<void*>(uintptr_t{GuestStart.initArray + 4 * i}), 4);
    // 0 and -1 mark empty slots in older toolchains' tables.
    if (entry != 0 && entry != 0xFFFFFFFF) CallGuest(entry, {argc, argv, envp});
  }
}

void RunGuestDestructors() {
  // Once only, also when a destructor calls exit.
  if (!gGuestFiniPending) return;
  gGuestFiniPending = false;
  for (uint32_t i = GuestStart.finiArrayCount; i-- > 0;) {
    uint32_t entry;
    std::memcpy(&entry, reinterpret_cast<void*>(uintptr_t{GuestStart.finiArray + 4 * i}), 4);
    if (entry != 0 && entry != 0xFFFFFFFF) CallGuest(entry, {});
  }
  if (GuestStart.fini != 0) CallGuest(GuestStart.fini, {});
}

[[noreturn]] void Exit(int32_t status) {
  RunAtExitRoutines(status);
  RunGuestDestructors();
  PauseAndExit(status);
}

}  // namespace

void FlushGuestStreams() {
  rtl::Flush();
  FlushHostStreams();
}

void EndRun(int32_t status) { PauseAndExit(status); }

void Abort() {
  rtl::WriteLine("\"Abort\" called?");
  PauseAndExit(0);
}

void FatalError(std::string_view text) {
  FlushGuestStreams();
  FILE* error = reinterpret_cast<FILE*>(uintptr_t{HostStderr});
  std::fwrite(text.data(), 1, text.size(), error);
  std::fputc('\n', error);
  std::fflush(error);
  Abort();
}

namespace {

// ---- Constant answers -----------------------------------------------------

constexpr char kPosix[] = "POSIX";
constexpr char kHostName[] = "hostnamestub";

// i386 struct utsname: six NUL-padded fields of 65 bytes.
constexpr char kUtsname[6][65] = {"linux", "nodename", "0.01",
                                  "0.01",  "i386",     "localdomain"};
static_assert(sizeof(kUtsname) == 390);

}  // namespace

}  // namespace tblibc

// ---- Own entry points -------------------------------------------------------

extern "C" {

using tblibc::Exit;

// __libc_start_main(main, argc, argv, init, fini, rtld_fini, stack_end)
[[noreturn]] int tblibc_libc_start_main(int (*main)(int32_t, char**, char**),
                                         ...) {
  using namespace tblibc;
  va_list args;
  va_start(args, main);
  va_arg(args, int32_t);  // argc and argv: guest start's own
  va_arg(args, char**);
  const uint32_t init = va_arg(args, uint32_t);
  const uint32_t fini = va_arg(args, uint32_t);
  va_end(args);
  Slot<void(uint32_t)>(gSetaoptindEntry)(GuestOptindAddress);
  Slot<void(uint32_t, uint32_t, uint32_t)>(gTable[iface::kSetaoptvars])(
      GuestOptargAddress, GuestOptoptAddress, GuestOpterrAddress);
  StartFamilies();
  if (fini != 0) gAtExit.push_back({fini, nullptr, false});
  RunGuestConstructors(init);
  // Nothing of the loader's own start-up shows: Linux starts main with 0.
  SetErrno(0);
  const int32_t status = main(GuestArgc, GuestArgv, GuestEnvp);
  Exit(status);
}

int tblibc_cxa_atexit(void (*routine)(void*), void* argument, void*) {
  if (routine != nullptr)
    tblibc::gAtExit.push_back({tblibc::Code(routine), argument, false});
  return 0;
}

int tblibc_on_exit(void (*routine)(int32_t, void*), void* argument) {
  if (routine != nullptr) {
    tblibc::gAtExit.push_back({tblibc::Code(routine), argument, true});
  }
  return 0;
}

int tblibc_atexit(void (*routine)()) {
  if (routine != nullptr)
    tblibc::gAtExit.push_back({tblibc::Code(routine), nullptr, false});
  return 0;
}

[[noreturn]] void tblibc_exit(int32_t status) { Exit(status); }

[[noreturn]] void tblibc_abort() { tblibc::Abort(); }

// error(status, errnum, format, ...): the message as our printf formats it,
// then ": " and the text for errnum when it is not 0, as one line of the loader's console
// writer, written out at once. A nonzero status ends the run as
// exit(status) would. The guest's arguments arrive as an i386 va_list,
// which is what va_start gives here.
int tblibc_error(int32_t status, int32_t errnum, const char* format, ...) {
  if (format == nullptr) format = "";
  va_list args;
  va_start(args, format);
  std::string line = tblibc::format::FormatText(
      format, reinterpret_cast<const uint8_t*>(args));
  va_end(args);
  if (errnum != 0) {
    line += ": ";
    line += tblibc::ErrorText(errnum);
  }
  rtl::WriteLine(line);
  // Out at once, also when standard output is not a console: the guest's
  // own later output must not overtake it.
  rtl::Flush();
  if (status != 0) Exit(status);
  return 0;
}

// close(0) is refused: the loader's pause reads descriptor 0 at the end.
int tblibc_close(int32_t fd) {
  if (fd == 0) return -1;
  const int result = tblibc::Slot<int(int32_t)>(tblibc::gCloseEntry)(fd);
  // What the files family knows of the descriptor (a directory's path) goes
  // with it, so that the number handed out next starts clean.
  if (result == 0) tblibc::files::ForgetDescriptor(fd);
  return result;
}

tblibc::UserRecord* tblibc_getpwuid(uint32_t uid) {
  for (uint32_t i = 0; i < tblibc::UserCount; ++i) {
    if (tblibc::UserTable[i].pw_uid == uid) return &tblibc::UserTable[i];
  }
  return nullptr;
}

uint32_t tblibc_getuid() { return 0; }

int tblibc_uname(void* buffer) {
  std::memcpy(buffer, tblibc::kUtsname, sizeof tblibc::kUtsname);
  return 0;
}

// Never writes past `length` bytes: as much of the name as fits with its
// terminator (a name cut short, as the Linux C library gives it).
int tblibc_gethostname(char* buffer, uint32_t length) {
  if (length == 0) return 0;
  const uint32_t n =
      std::min<uint32_t>(length - 1, sizeof tblibc::kHostName - 1);
  std::memcpy(buffer, tblibc::kHostName, n);
  buffer[n] = '\0';
  return 0;
}

// The loader and the bridge library share the host C runtime's errno, so
// a failing host call is visible to the guest.
int* tblibc_errno_location() { return &errno; }

int tblibc_overflow(void*, int) { return 1; }
int tblibc_fpending(void*) { return 0; }
int tblibc_getpagesize() { return 4096; }
char* tblibc_setlocale(int, const char*) { return nullptr; }
const char* tblibc_dcgettext(const char*, const char* msgid, int) {
  return msgid;
}
const char* tblibc_textdomain(const char*, ...) { return tblibc::kPosix; }
int tblibc_noop() { return 0; }

// ---- The guest's heap: the loader's own, never the host C runtime's ------
//
// A request the heap cannot meet answers null with ENOMEM and the run goes
// on: C programs try a large buffer first and fall back to a smaller one.

void* tblibc_malloc(int32_t size) {
  if (size == 0) return nullptr;
  if (size < 0) {  // 2 GiB and more: no block of this heap is that large
    tblibc::SetErrno(linux::kENOMEM);
    return nullptr;
  }
  return tblibc::GuestAlloc(static_cast<size_t>(size));
}

void tblibc_free(void* block) { rtl::HeapFree(block); }

void* tblibc_realloc(void* block, int32_t size) {
  if (block == nullptr) return tblibc_malloc(size);
  if (size == 0) {
    rtl::HeapFree(block);
    return nullptr;
  }
  if (size < 0) {
    // Beyond any block this heap gives; the block stays as it was.
    if (!rtl::HeapIsLive(block)) rtl::RaiseInvalidPointer();
    tblibc::SetErrno(linux::kENOMEM);
    return nullptr;
  }
  return tblibc::GuestRealloc(block, static_cast<size_t>(size));
}

void* tblibc_calloc(uint32_t count, uint32_t size) {
  const uint64_t bytes = uint64_t{count} * size;
  if (bytes > 0x7FFFFFFF) {
    tblibc::SetErrno(linux::kENOMEM);
    return nullptr;
  }
  void* block = tblibc_malloc(static_cast<int32_t>(bytes));
  if (block != nullptr) std::memset(block, 0, static_cast<size_t>(bytes));
  return block;
}

void* tblibc_memset(void* dest, int c, int32_t n) {
  if (n > 0) std::memset(dest, c, static_cast<size_t>(n));
  return dest;
}

void* tblibc_memcpy(void* dest, const void* src, int32_t n) {
  if (n > 0) std::memmove(dest, src, static_cast<size_t>(n));
  return dest;
}

}  // extern "C"

namespace tblibc {
namespace {

// ---- Registrations ----------------------------------------------------------
//
// The 78 names in registration order, each bound to a table slot or to an
// own entry point. The order is the order a reader finds in the start-up
// steps: start-up sets the stream values and the copied entries between
// rows 10 and 11 and rows 24 and 25.

struct Binding {
  std::string_view name;
  int slot;                // -1: own entry point
  uint32_t (*own)();
};

constexpr Binding TableSlot(std::string_view name, int slot) {
  return {name, slot, nullptr};
}

template <auto F>
uint32_t OwnEntry() {
  return Code(F);
}

template <auto F>
constexpr Binding Own(std::string_view name) {
  return {name, -1, &OwnEntry<F>};
}

constexpr Binding kBindings[] = {
    Own<&tblibc_libc_start_main>("__libc_start_main"),  // 1
    Own<&tblibc_printf>("printf"),
    Own<&tblibc_fprintf>("fprintf"),
    Own<&tblibc_vfprintf>("vfprintf"),
    Own<&tblibc_snprintf>("snprintf"),
    Own<&tblibc_fputs>("fputs"),
    Own<&tblibc_fflush>("fflush"),
    TableSlot("fileno", iface::kFileno),
    Own<&tblibc_mkdir>("mkdir"),
    Own<&tblibc_fputs>("fputs_unlocked"),  // 10
    Own<&tblibc_puts>("puts"),
    Own<&tblibc_putc>("putc"),
    Own<&tblibc_fputc>("fputc"),
    TableSlot("getopt_long", iface::kTblgetoptLong),
    TableSlot("getopt", iface::kTblgetopt),
    TableSlot("read", iface::kRead),
    TableSlot("fread", iface::kFread),
    TableSlot("fread_unlocked", iface::kFread),
    Own<&tblibc_write>("write"),
    Own<&tblibc_fwrite>("fwrite"),  // 20
    Own<&tblibc_open>("open"),
    Own<&tblibc_open64>("open64"),
    Own<&tblibc_fcntl>("fcntl"),
    Own<&tblibc_close>("close"),  // 24
    Own<&tblibc_error>("error"),
    Own<&tblibc_getpwuid>("getpwuid"),
    Own<&tblibc_getuid>("getuid"),
    Own<&tblibc_getuid>("geteuid"),
    Own<&tblibc_getuid>("getegid"),
    Own<&tblibc_getuid>("getgid"),  // 30
    Own<&tblibc_getenv>("getenv"),
    Own<&tblibc_uname>("uname"),
    TableSlot("strlen", iface::kStrlen),
    TableSlot("strrchr", iface::kStrrchr),
    TableSlot("strchr", iface::kStrchr),
    TableSlot("strstr", iface::kStrstr),
    TableSlot("strcpy", iface::kStrcpy),
    TableSlot("strncpy", iface::kStrncpy),
    Own<&tblibc_bsearch>("bsearch"),
    TableSlot("strcmp", iface::kStrcmp),  // 40
    TableSlot("strncmp", iface::kStrncmp),
    TableSlot("index", iface::kIndex),
    TableSlot("rindex", iface::kRindex),
    Own<&tblibc_gethostname>("gethostname"),
    Own<&tblibc_futimesat>("futimesat"),
    Own<&tblibc_fxstat64>("__fxstat64"),
    Own<&tblibc_ctype_get_mb_cur_max>("__ctype_get_mb_cur_max"),
    Own<&tblibc_noop>("tcgetattr"),
    Own<&tblibc_noop>("tcsetattr"),
    Own<&tblibc_noop>("setupterm"),  // 50
    Own<&tblibc_noop>("ioctl"),
    Own<&tblibc_noop>("tigetflag"),
    Own<&tblibc_noop>("tigetstr"),
    Own<&tblibc_noop>("tigetnum"),
    Own<&tblibc_signal>("signal"),
    Own<&tblibc_noop>("getgrgid"),
    Own<&tblibc_noop>("setgrent"),
    Own<&tblibc_noop>("getgrent"),
    Own<&tblibc_noop>("endgrent"),
    Own<&tblibc_ctype_b_loc>("__ctype_b_loc"),  // 60
    Own<&tblibc_noop>("setbuf"),
    Own<&tblibc_overflow>("__overflow"),
    Own<&tblibc_errno_location>("__errno_location"),
    Own<&tblibc_cxa_atexit>("__cxa_atexit"),
    Own<&tblibc_exit>("exit"),
    Own<&tblibc_abort>("abort"),
    Own<&tblibc_fpending>("__fpending"),
    Own<&tblibc_getpagesize>("getpagesize"),
    Own<&tblibc_setlocale>("setlocale"),
    Own<&tblibc_dcgettext>("dcgettext"),  // 70
    Own<&tblibc_textdomain>("bindtextdomain"),
    Own<&tblibc_textdomain>("textdomain"),
    Own<&tblibc_malloc>("malloc"),
    Own<&tblibc_realloc>("realloc"),
    Own<&tblibc_calloc>("calloc"),
    Own<&tblibc_free>("free"),
    Own<&tblibc_memset>("memset"),
    Own<&tblibc_memcpy>("memcpy"),  // 78
};
static_assert(std::size(kBindings) == 78);

void Register(size_t first, size_t last) {
  for (size_t i = first; i < last; ++i) {
    const Binding& row = kBindings[i];
    util::RegisterImport(row.name,
                         row.slot >= 0 ? gTable[row.slot] : row.own());
  }
}

// What guest start took from the loader's heap goes back to it.
void Release(void* block) {
  if (block != nullptr && rtl::HeapIsLive(block)) rtl::HeapFree(block);
}

}  // namespace

// Start-up: the table, then the names, with the stream values and copied
// entries set between the groups. Runs after `util` and before any guest
// code; nothing here may call into the guest.
void Init() {
  std::memcpy(gTable, theint(), sizeof gTable);
  gAtExit.clear();
  Register(0, 10);
  HostStderr = gTable[iface::kStderr];
  HostStdin = gTable[iface::kStdin];
  HostStdout = gTable[iface::kStdout];
  StdinUsedWord = 1;
  gSetaoptindEntry = gTable[iface::kSetaoptind];
  Register(10, 24);
  gCloseEntry = gTable[iface::kClose];
  Register(24, std::size(kBindings));
  RegisterFamilies();
  rtl::SetBeforeWriteHook(FlushHostStreams);
}

void Finalise() {
  Release(UserTable);
  UserTable = nullptr;
  UserCount = 0;
  Release(GuestEnvp);
  GuestEnvp = nullptr;
  if (GuestArgv != nullptr) {
    for (int32_t i = 0; i < GuestArgc; ++i) Release(GuestArgv[i]);
  }
  Release(GuestArgv);
  GuestArgv = nullptr;
  GuestArgc = 0;
}

}  // namespace tblibc
