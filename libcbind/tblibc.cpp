// The binding module `tblibc`: the host side of every C-library name a guest
// may import. Its start-up copies the bridge library's InterfaceTable and
// registers the start-up names, each bound to a table slot (the host C
// runtime, directly) or to the entry of the family that serves it, then
// every family's table. The guest's __libc_start_main is the module's own:
// it hands the option parser's variables to the bridge before the families
// start and the process family runs the guest.
//
// Every entry is called by guest code through a rewritten PLT entry: i386
// System V cdecl, arguments on the stack, result in EAX, EBX, ESI, EDI and
// EBP preserved, the stack aligned to 4 bytes only (the build's
// -mstackrealign realigns where the code needs more).
#include "libcbind/tblibc.h"

#include <cstdarg>
#include <cstring>
#include <iterator>
#include <string_view>

#include "libcbind/allocation.h"
#include "libcbind/ctype.h"
#include "libcbind/environment.h"
#include "libcbind/errors.h"
#include "libcbind/families.h"
#include "libcbind/files.h"
#include "libcbind/format.h"
#include "libcbind/guest.h"
#include "libcbind/iofile.h"
#include "libcbind/process.h"
#include "libcbind/signals.h"
#include "libcbind/sorting.h"
#include "libcbind/streams.h"
#include "libcbind/strings.h"
#include "libcbind/util.h"
#include "process/process.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"
#include "tblibc/interface.h"

namespace tblibc {

using namespace process;

namespace {

uint32_t gTable[iface::kSlotCount];  // the library's table, copied at start-up
uint32_t gSetaoptindEntry;

template <typename F>
F* Slot(uint32_t entry) {
  return reinterpret_cast<F*>(uintptr_t{entry});
}

template <typename F>
uint32_t Code(F* f) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

}  // namespace
}  // namespace tblibc

// ---- The module's own entries --------------------------------------------------

extern "C" {

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
  RunGuest(main, init, fini);
}

}  // extern "C"

namespace tblibc {
namespace {

// ---- Registrations ----------------------------------------------------------
//
// The 78 names in registration order, each bound to a table slot or to the
// entry that serves it, in the file of its family (or above). Start-up
// makes the standard streams and takes the copied entry between rows 10
// and 11.

struct Binding {
  std::string_view name;
  int slot;                // -1: the entry below
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
    Own<&tblibc_fileno>("fileno"),
    Own<&tblibc_mkdir>("mkdir"),
    Own<&tblibc_fputs>("fputs_unlocked"),  // 10
    Own<&tblibc_puts>("puts"),
    Own<&tblibc_putc>("putc"),
    Own<&tblibc_fputc>("fputc"),
    TableSlot("getopt_long", iface::kTblgetoptLong),
    TableSlot("getopt", iface::kTblgetopt),
    Own<&tblibc_read>("read"),
    Own<&tblibc_fread>("fread"),
    Own<&tblibc_fread>("fread_unlocked"),
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
    Own<&tblibc_terminal_noop>("tcgetattr"),
    Own<&tblibc_terminal_noop>("tcsetattr"),
    Own<&tblibc_terminal_noop>("setupterm"),  // 50
    Own<&tblibc_terminal_noop>("ioctl"),
    Own<&tblibc_terminal_noop>("tigetflag"),
    Own<&tblibc_terminal_noop>("tigetstr"),
    Own<&tblibc_terminal_noop>("tigetnum"),
    Own<&tblibc_signal>("signal"),
    Own<&tblibc_no_groups>("getgrgid"),
    Own<&tblibc_no_groups>("setgrent"),
    Own<&tblibc_no_groups>("getgrent"),
    Own<&tblibc_no_groups>("endgrent"),
    Own<&tblibc_ctype_b_loc>("__ctype_b_loc"),  // 60
    Own<&tblibc_setbuf>("setbuf"),
    Own<&tblibc_overflow>("__overflow"),
    Own<&tblibc_errno_location>("__errno_location"),
    Own<&tblibc_cxa_atexit>("__cxa_atexit"),
    Own<&tblibc_exit>("exit"),
    Own<&tblibc_abort>("abort"),
    Own<&tblibc_fpending>("__fpending"),
    Own<&tblibc_getpagesize>("getpagesize"),
    Own<&tblibc_setlocale>("setlocale"),
    Own<&tblibc_dcgettext>("dcgettext"),  // 70
    Own<&tblibc_bindtextdomain>("bindtextdomain"),
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

// ---- Start-up data objects -------------------------------------------------
//
// The guest's stream words get the standard streams' addresses. The option
// parser's variables are only recorded, for __libc_start_main to hand to the
// bridge library's parser; a cell of the loader's starts with the C
// library's initial value.

template <int Fd>
void BindStream(uint32_t address, uint32_t) {
  io::BindStandardWord(Fd, address);
}

template <uint32_t* Cell>
void Record(uint32_t address, uint32_t) { *Cell = address; }

void BindStdinUsed(uint32_t address, uint32_t) {
  const uint32_t value = Address(&StdinUsedWord);
  std::memcpy(reinterpret_cast<void*>(uintptr_t{address}), &value, 4);
}

constexpr DataExport kStartupObjects[] = {
    {"stderr", &BindStream<2>},
    {"stdin", &BindStream<0>},
    {"_IO_stdin_used", &BindStdinUsed},
    {"stdout", &BindStream<1>},
    {"optind", &Record<&GuestOptindAddress>, 1},
    {"optarg", &Record<&GuestOptargAddress>, 0},
    {"optopt", &Record<&GuestOptoptAddress>, '?'},
    {"opterr", &Record<&GuestOpterrAddress>, 1},
};
static_assert(std::size(kStartupObjects) == 8);

// What guest start took from the loader's heap goes back to it.
void Release(void* block) {
  if (block != nullptr && rtl::HeapIsLive(block)) rtl::HeapFree(block);
}

}  // namespace

// Start-up: the table, then the names, with the standard streams and the
// copied entry set between the groups. Runs after `util` and before any guest
// code; nothing here may call into the guest.
void Init() {
  std::memcpy(gTable, theint(), sizeof gTable);
  ForgetAtExitRoutines();
  Register(0, 10);
  StartStreams();
  StdinUsedWord = 1;
  gSetaoptindEntry = gTable[iface::kSetaoptind];
  Register(10, std::size(kBindings));
  RegisterFamilies();
  rtl::SetBeforeWriteHook([] { io::FlushAll(); });
}

std::span<const DataExport> StartupObjects() { return kStartupObjects; }

void ForgetDataObjects() {
  GuestOptindAddress = GuestOptargAddress = GuestOptoptAddress =
      GuestOpterrAddress = 0;
}

void Finalise() {
  Release(UserTable);
  UserTable = nullptr;
  UserCount = 0;
  if (GuestEnvp != nullptr) Release(GuestEnvp[0]);
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
