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
#include "libcbind/guest.h"
#include "libcbind/startup.h"
#include "libcbind/util.h"
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
// main's return, exit, and error() with a nonzero status.

struct AtExitRecord {
  void (*routine)(void*);
  void* argument;
};
std::vector<AtExitRecord> gAtExit;

void RunAtExitRoutines() {
  while (!gAtExit.empty()) {
    // Taken off the list before it runs: a routine that calls exit must
    // not run again.
    const AtExitRecord record = gAtExit.back();
    gAtExit.pop_back();
    record.routine(record.argument);
  }
}

// Guest stdio output sits in the host C runtime's stream buffers; it is
// written out before any text of the loader's own, so the two stay in the
// order the guest produced them.
void FlushHostStreams() { Slot<int(void*)>(gTable[iface::kFflush])(nullptr); }

// The guest's last output is on the screen while the pause waits, not
// only once the process has ended. The loader's own text goes first: what
// it holds was written before anything still in the host's buffers.
[[noreturn]] void PauseAndExit(int32_t status) {
  rtl::Flush();
  FlushHostStreams();
  util::PauseAndExit(static_cast<uint32_t>(status));
}

[[noreturn]] void Exit(int32_t status) {
  RunAtExitRoutines();
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

// The Linux i386 C library's character classes in the "C" locale: 16-bit
// entries indexable from -128 (so that a signed char or EOF works) to 255.
namespace ctype {
constexpr uint16_t kUpper = 0x100, kLower = 0x200, kAlpha = 0x400,
                   kDigit = 0x800, kXdigit = 0x1000, kSpace = 0x2000,
                   kPrint = 0x4000, kGraph = 0x8000, kBlank = 0x1,
                   kCntrl = 0x2, kPunct = 0x4, kAlnum = 0x8;

constexpr uint16_t Classes(int c) {
  if (c < 0 || c > 127) return 0;
  uint16_t bits = 0;
  const bool upper = c >= 'A' && c <= 'Z';
  const bool lower = c >= 'a' && c <= 'z';
  const bool digit = c >= '0' && c <= '9';
  if (upper) bits |= kUpper | kAlpha;
  if (lower) bits |= kLower | kAlpha;
  if (digit) bits |= kDigit;
  if (upper || lower || digit) bits |= kAlnum;
  if (digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) bits |= kXdigit;
  if (c == ' ' || (c >= '\t' && c <= '\r')) bits |= kSpace;
  if (c == ' ' || c == '\t') bits |= kBlank;
  if (c < 0x20 || c == 0x7F) bits |= kCntrl;
  if (c >= 0x20 && c < 0x7F) bits |= kPrint;
  if (c > 0x20 && c < 0x7F) bits |= kGraph;
  if (c > 0x20 && c < 0x7F && !(upper || lower || digit)) bits |= kPunct;
  return bits;
}

struct Table {
  uint16_t entries[384];
};

constexpr Table Build() {
  Table t{};
  for (int c = -128; c < 256; ++c) t.entries[c + 128] = Classes(c);
  return t;
}

constexpr Table kTable = Build();
static_assert(kTable.entries[128 + 'A'] ==
              (kUpper | kAlpha | kAlnum | kXdigit | kPrint | kGraph));
static_assert(kTable.entries[128 - 1] == 0 && kTable.entries[128 + 255] == 0);

const uint16_t* const kZero = &kTable.entries[128];
}  // namespace ctype

}  // namespace

}  // namespace tblibc

// ---- Own entry points -------------------------------------------------------

extern "C" {

using tblibc::Exit;

[[noreturn]] int tblibc_libc_start_main(int (*main)(int32_t, char**, char**),
                                         ...) {
  using namespace tblibc;
  Slot<void(uint32_t)>(gSetaoptindEntry)(GuestOptindAddress);
  Slot<void(uint32_t, uint32_t, uint32_t)>(gTable[iface::kSetaoptvars])(
      GuestOptargAddress, GuestOptoptAddress, GuestOpterrAddress);
  StartFamilies();
  // Nothing of the loader's own start-up shows: Linux starts main with 0.
  SetErrno(0);
  const int32_t status = main(GuestArgc, GuestArgv, GuestEnvp);
  Exit(status);
}

int tblibc_cxa_atexit(void (*routine)(void*), void* argument, void*) {
  if (routine != nullptr) tblibc::gAtExit.push_back({routine, argument});
  return 0;
}

[[noreturn]] void tblibc_exit(int32_t status) { Exit(status); }

[[noreturn]] void tblibc_abort() { tblibc::Abort(); }

// error(status, errnum, format, ...): the message, then ": " and the host's
// text for errnum when it is not 0, as one line of the loader's console
// writer, written out at once. A nonzero status ends the run as
// exit(status) would. The guest's arguments arrive as an i386 va_list,
// which is what va_start gives here.
int tblibc_error(int32_t status, int32_t errnum, const char* format, ...) {
  if (format == nullptr) format = "";
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string line;
  if (length > 0) {
    line.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(line.data(), line.size(), format, args);
    line.resize(static_cast<size_t>(length));
  }
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
  return tblibc::Slot<int(int32_t)>(tblibc::gCloseEntry)(fd);
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

const uint16_t* const* tblibc_ctype_b_loc() { return &tblibc::ctype::kZero; }

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
  if (size <= 0) return nullptr;
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
    TableSlot("fputs", iface::kFputs),
    Own<&tblibc_fflush>("fflush"),
    TableSlot("fileno", iface::kFileno),
    TableSlot("mkdir", iface::kMkdir),
    TableSlot("fputs_unlocked", iface::kFputs),  // 10
    TableSlot("puts", iface::kPuts),
    TableSlot("putc", iface::kPutc),
    TableSlot("fputc", iface::kFputc),
    TableSlot("getopt_long", iface::kTblgetoptLong),
    TableSlot("getopt", iface::kTblgetopt),
    TableSlot("read", iface::kRead),
    TableSlot("fread", iface::kFread),
    TableSlot("fread_unlocked", iface::kFread),
    TableSlot("write", iface::kWrite),
    TableSlot("fwrite", iface::kFwrite),  // 20
    TableSlot("open", iface::kTblopen),
    TableSlot("open64", iface::kTblopen),
    TableSlot("fcntl", iface::kFcntl),
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
