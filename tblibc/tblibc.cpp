// The bridge library: the one table of host C-runtime entries that the
// loader binds guest imports to, and the shims that adapt a Linux call to
// the host where the two disagree. Guest code calls every slot directly
// through its rewritten PLT, with the i386 System V C convention and a
// stack aligned to 4 bytes only; the build's -mstackrealign covers the
// latter for every function here.
#include <getopt.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "abi/files.h"
#include "abi/linux.h"
#include "tblibc/crt.h"
#include "tblibc/interface.h"


namespace {

template <typename F>
uint32_t Code(F* f) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f));
}

// ---- Option parser mirror -------------------------------------------------
//
// The parser is the host C runtime's getopt and getopt_long (glibc's, or
// mingw-w64's on Windows), and its state is the library's own; the guest's
// variables of the same names live in its image. Each is recorded before
// the guest's main runs, null when the guest has none, and never written
// through null.

int* gGuestOptind;
char** gGuestOptarg;
int* gGuestOptopt;
int* gGuestOpterr;

void setaoptind(int* guestOptind) { gGuestOptind = guestOptind; }

void setaoptvars(char** guestOptarg, int* guestOptopt, int* guestOpterr) {
  gGuestOptarg = guestOptarg;
  gGuestOptopt = guestOptopt;
  gGuestOpterr = guestOpterr;
}

// The guest sets opterr before parsing to silence the diagnostics; the
// parser tells its results through the other three.
void BeforeParse() {
  if (gGuestOpterr != nullptr) ::opterr = *gGuestOpterr;
}

int AfterParse(int result) {
  if (gGuestOptind != nullptr) *gGuestOptind = ::optind;
  if (gGuestOptarg != nullptr) *gGuestOptarg = ::optarg;
  if (gGuestOptopt != nullptr) *gGuestOptopt = ::optopt;
  return result;
}

int tblgetopt(int argc, char* const* argv, const char* optstring) {
  BeforeParse();
  return AfterParse(::getopt(argc, argv, optstring));
}

int tblgetopt_long(int argc, char* const* argv, const char* optstring,
                   const void* longopts, int* longindex) {
  BeforeParse();
  return AfterParse(::getopt_long(argc, argv, optstring,
                                  static_cast<const option*>(longopts),
                                  longindex));
}

// ---- Descriptors ----------------------------------------------------------

// open(path, flags, mode): mode is read only when the guest's open creates,
// as the Linux C library does.
int tblopen(const char* path, unsigned flags, ...) {
  const unsigned meanings = linux::OpenMeanings(flags);
  if (meanings == 0) {
    errno = EINVAL;
    return -1;
  }
  unsigned mode = 0;
  if (flags & linux::kO_CREAT) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, unsigned);
    va_end(args);
  }
  return crt::Open(path, meanings, mode);
}

// Only F_DUPFD (0) is served, with the host's own lowest free descriptor
// rather than one at or above `arg`.
int fcntl(int fd, int cmd, int arg) {
  if (cmd == 0) return crt::Dup(fd);
  std::printf("fcntl: unimplemented fd=%d, cmd=%d, arg=%d", fd, cmd, arg);
  return 0;
}

// ---- Strings and formatting -----------------------------------------------

char* index(const char* s, int c) { return const_cast<char*>(std::strchr(s, c)); }
char* rindex(const char* s, int c) { return const_cast<char*>(std::strrchr(s, c)); }

// The Linux C library's promise: the buffer is always terminated when size
// is not 0, and the result is the length the whole text would have.
int tblsnprintf(char* buffer, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = std::vsnprintf(buffer, size, format, args);
  va_end(args);
  return length;
}

// ---- The table ------------------------------------------------------------

uint32_t gTable[iface::kSlotCount];

struct SlotRow {
  iface::Slot slot;
  uint32_t (*value)();
};

constexpr SlotRow kSlots[] = {
    {iface::kPrintf, [] { return Code(&std::printf); }},
    {iface::kFprintf, [] { return Code(&std::fprintf); }},
    {iface::kVfprintf, [] { return Code(&std::vfprintf); }},
    {iface::kSnprintf, [] { return Code(&tblsnprintf); }},
    {iface::kPuts, [] { return Code(&std::puts); }},
    {iface::kPutc, [] { return Code(&std::putc); }},
    {iface::kFputc, [] { return Code(&std::fputc); }},
    {iface::kRead, crt::ReadEntry},
    {iface::kFread, [] { return Code(&std::fread); }},
    {iface::kWrite, crt::WriteEntry},
    {iface::kFwrite, [] { return Code(&std::fwrite); }},
    {iface::kTblopen, [] { return Code(&tblopen); }},
    {iface::kClose, crt::CloseEntry},
    {iface::kFcntl, [] { return Code(&fcntl); }},
    {iface::kFputs, [] { return Code(&std::fputs); }},
    {iface::kFflush, [] { return Code(&std::fflush); }},
    {iface::kFileno, crt::FilenoEntry},
    {iface::kMkdir, crt::MkdirEntry},
    {iface::kTblgetoptLong, [] { return Code(&tblgetopt_long); }},
    {iface::kTblgetopt, [] { return Code(&tblgetopt); }},
    {iface::kSetaoptind, [] { return Code(&setaoptind); }},
    {iface::kStrlen, [] { return Code(&std::strlen); }},
    {iface::kStrrchr, crt::StrrchrEntry},
    {iface::kStrchr, crt::StrchrEntry},
    {iface::kStrstr, crt::StrstrEntry},
    {iface::kStrcpy, [] { return Code(&std::strcpy); }},
    {iface::kStrncpy, [] { return Code(&std::strncpy); }},
    {iface::kBsearch, [] { return Code(&std::bsearch); }},
    {iface::kStrcmp, [] { return Code(&std::strcmp); }},
    {iface::kStrncmp, [] { return Code(&std::strncmp); }},
    {iface::kRindex, [] { return Code(&rindex); }},
    {iface::kIndex, [] { return Code(&index); }},
    {iface::kStderr, crt::StandardError},
    {iface::kStdin, crt::StandardInput},
    {iface::kStdout, crt::StandardOutput},
    {iface::kOptind, [] { return Code(&::optind); }},
    {iface::kSetaoptvars, [] { return Code(&setaoptvars); }},
};
static_assert(std::size(kSlots) == iface::kSlotCount);

constexpr bool EverySlotOnce() {
  bool seen[iface::kSlotCount] = {};
  for (const SlotRow& row : kSlots) {
    if (row.slot < 0 || row.slot >= iface::kSlotCount || seen[row.slot]) {
      return false;
    }
    seen[row.slot] = true;
  }
  return true;
}
static_assert(EverySlotOnce());

}  // namespace

// Fills every slot on every call, always with the same values.
extern "C" const uint32_t* theint(void) {
  for (const SlotRow& row : kSlots) gTable[row.slot] = row.value();
  return gTable;
}
