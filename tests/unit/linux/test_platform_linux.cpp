// The Linux port's stand-ins for Windows: the reservation, exceptions from
// signals, and the seccomp trap for the guest's int 0x80. A region can be
// reserved once per process and a seccomp filter never goes away, so each
// case runs in a death-test child that reports by exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <vector>

#include "abi/errno.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/exceptions.h"
#include "platform/memory.h"
#include "platform/process.h"

namespace {

using platform::Context;
using platform::ExceptionPointers;

constexpr uint32_t kImageBase = 0x08048000;
constexpr uint32_t kCodeAt = kImageBase + 0x100;

int g_failures = 0;

#define CHILD_CHECK(cond)                                                 \
  do {                                                                    \
    if (!(cond)) {                                                        \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond);  \
      ++g_failures;                                                       \
    }                                                                     \
  } while (0)

[[noreturn]] void Finish() {
  fflush(stderr);
  _exit(g_failures == 0 ? 0 : 1);
}

// Copies machine code into the region and returns it as a function.
template <size_t N>
uint32_t (*Place(const std::array<uint8_t, N>& code, uint32_t at = kCodeAt))() {
  memcpy(reinterpret_cast<void*>(at), code.data(), N);
  return reinterpret_cast<uint32_t (*)()>(at);
}

void ReserveOrDie() {
  if (platform::ReserveRegion(kImageBase, 0x20000) == nullptr) {
    fprintf(stderr, "cannot reserve the region\n");
    _exit(2);
  }
}

// ---- Reservation -------------------------------------------------------------

void ReservationIsRoundedDown() {
  void* base = platform::ReserveRegion(kImageBase, 0x10000);
  CHILD_CHECK(base == reinterpret_cast<void*>(0x08040000));
  uint32_t b = 0, e = 0;
  platform::GuestRegion(&b, &e);
  CHILD_CHECK(b == 0x08040000 && e == 0x08058000);
  // Readable, writable and executable from its base to the requested end.
  *reinterpret_cast<volatile uint8_t*>(0x08040000) = 1;
  *reinterpret_cast<volatile uint8_t*>(0x08057FFF) = 1;
  CHILD_CHECK(Place(std::array<uint8_t, 6>{0xB8, 0x2A, 0, 0, 0, 0xC3})() == 42);
  Finish();
}

void ReservationNeverReplaces() {
  void* there = mmap(reinterpret_cast<void*>(0x08050000), 0x1000, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
  CHILD_CHECK(there == reinterpret_cast<void*>(0x08050000));
  *static_cast<volatile uint32_t*>(there) = 0xFEEDF00D;
  CHILD_CHECK(platform::ReserveRegion(kImageBase, 0x10000) == nullptr);
  CHILD_CHECK(*static_cast<volatile uint32_t*>(there) == 0xFEEDF00D);
  uint32_t b = 1, e = 1;
  platform::GuestRegion(&b, &e);
  CHILD_CHECK(b == 0 && e == 0);
  Finish();
}

TEST(LinuxPlatform, ReservationStartsAt64KiBBelowTheAddress) {
  EXPECT_EXIT(ReservationIsRoundedDown(), ::testing::ExitedWithCode(0), "");
}

TEST(LinuxPlatform, ReservationNeverReplacesAMapping) {
  EXPECT_EXIT(ReservationNeverReplaces(), ::testing::ExitedWithCode(0), "");
}

// ---- Faults --------------------------------------------------------------------

struct FaultCase {
  std::array<uint8_t, 8> code;  // ends in ret
  uint32_t faultOffset;         // where the faulting instruction starts
  uint32_t skip;                // its length: the handler steps over it
  uint32_t expectedCode;
};

constexpr std::array<FaultCase, 5> kFaults{{
    {{0x0F, 0x0B, 0xC3}, 0, 2, platform::kIllegalInstruction},             // ud2
    {{0xA1, 0, 0, 0, 0, 0xC3}, 0, 5, platform::kAccessViolation},          // mov eax,[0]
    {{0xCC, 0xC3}, 0, 1, platform::kBreakpoint},                           // int3
    {{0x31, 0xC9, 0xF7, 0xF1, 0xC3}, 2, 2, platform::kIntegerDivideByZero},// div ecx
    {{0xF4, 0xC3}, 0, 1, platform::kPrivilegedInstruction},                // hlt
}};
static_assert(kFaults.size() == 5);

const FaultCase* g_case = nullptr;
uint32_t g_seenCode = 0, g_seenEip = 0, g_seenEax = 0, g_seenEbx = 0;
int g_calls = 0;

int32_t StepOver(ExceptionPointers* p) {
  ++g_calls;
  g_seenCode = p->ExceptionCode;
  g_seenEip = p->ContextRecord->Eip;
  p->ContextRecord->Eip += g_case->skip;
  p->ContextRecord->Eax = 0x600D;
  return platform::kContinueExecution;
}

void FaultsReachTheHandler() {
  ReserveOrDie();
  platform::AddVectoredExceptionHandler(StepOver);
  CHILD_CHECK(platform::ExceptionHandlerInstalled());
  for (const FaultCase& f : kFaults) {
    g_case = &f;
    g_calls = 0;
    const uint32_t result = Place(f.code)();
    CHILD_CHECK(g_calls == 1);
    CHILD_CHECK(g_seenCode == f.expectedCode);
    CHILD_CHECK(g_seenEip == kCodeAt + f.faultOffset);
    CHILD_CHECK(result == 0x600D);  // resumed with the handler's registers
    if (g_seenCode != f.expectedCode)
      fprintf(stderr, "code %08X for case %u\n", g_seenCode,
              static_cast<unsigned>(&f - kFaults.data()));
  }
  Finish();
}

TEST(LinuxPlatform, FaultsReachTheHandlerWithWindowsCodesAndAWritableContext) {
  EXPECT_EXIT(FaultsReachTheHandler(), ::testing::ExitedWithCode(0), "");
}

// A fault inside the handler is delivered to the handler again.
int g_depth = 0, g_nested = 0;
int32_t FaultsItself(ExceptionPointers* p) {
  if (g_depth++ == 0) {
    asm volatile("ud2");
  } else {
    ++g_nested;
  }
  --g_depth;
  p->ContextRecord->Eip += 2;
  return platform::kContinueExecution;
}

void NestedFault() {
  ReserveOrDie();
  platform::AddVectoredExceptionHandler(FaultsItself);
  Place(std::array<uint8_t, 3>{0x0F, 0x0B, 0xC3})();
  CHILD_CHECK(g_nested == 1);
  Finish();
}

TEST(LinuxPlatform, AFaultInsideTheHandlerReachesItAgain) {
  EXPECT_EXIT(NestedFault(), ::testing::ExitedWithCode(0), "");
}

int32_t Declines(ExceptionPointers*) { return platform::kContinueSearch; }

void DeclinedFault() {
  ReserveOrDie();
  platform::AddVectoredExceptionHandler(Declines);
  Place(std::array<uint8_t, 6>{0xA1, 0, 0, 0, 0, 0xC3})();
  _exit(0);
}

TEST(LinuxPlatform, ADeclinedFaultKillsTheProcessAsItWould) {
  EXPECT_EXIT(DeclinedFault(), ::testing::KilledBySignal(SIGSEGV), "");
}

// A guest that has used up its stack is still reported.
int32_t LeaveOnOverflow(ExceptionPointers* p) {
  _exit(p->ExceptionCode == platform::kAccessViolation ? 0 : 1);
}

void StackOverflow() {
  ReserveOrDie();
  platform::AddVectoredExceptionHandler(LeaveOnOverflow);
  // mov esp, 0x08040000 (the region's first byte); push eax: below it is nothing
  Place(std::array<uint8_t, 7>{0xBC, 0x00, 0x00, 0x04, 0x08, 0x50, 0xC3})();
  _exit(2);
}

TEST(LinuxPlatform, AFaultWithoutStackStillReachesTheHandler) {
  EXPECT_EXIT(StackOverflow(), ::testing::ExitedWithCode(0), "");
}

// ---- The guest's int 0x80 ----------------------------------------------------------

int32_t ServeSyscall(ExceptionPointers* p) {
  Context& c = *p->ContextRecord;
  ++g_calls;
  g_seenCode = p->ExceptionCode;
  g_seenEip = c.Eip;
  g_seenEax = c.Eax;
  g_seenEbx = c.Ebx;
  c.Eip += 2;
  c.Eax = 1234;
  return platform::kContinueExecution;
}

void GuestSyscallsTrap() {
  ReserveOrDie();
  platform::AddVectoredExceptionHandler(ServeSyscall);
  // push ebx; mov ebx,0x55; mov eax,20 (getpid); int 0x80; pop ebx; ret
  constexpr std::array<uint8_t, 16> kCode{0x53, 0xBB, 0x55, 0, 0, 0, 0xB8, 20, 0, 0, 0,
                                          0xCD, 0x80, 0x5B, 0xC3};
  const uint32_t result = Place(kCode)();
  CHILD_CHECK(g_calls == 1);
  CHILD_CHECK(g_seenCode == platform::kAccessViolation);
  CHILD_CHECK(g_seenEip == kCodeAt + 11);  // at the 0xCD byte
  CHILD_CHECK(g_seenEax == 20);
  CHILD_CHECK(g_seenEbx == 0x55);
  CHILD_CHECK(result == 1234);

  // Host code's system calls are none of the handler's business.
  g_calls = 0;
  CHILD_CHECK(syscall(SYS_getpid) == getpid());
  int fds[2];
  CHILD_CHECK(pipe(fds) == 0);
  CHILD_CHECK(write(fds[1], "ok", 2) == 2);
  char got[2] = {};
  CHILD_CHECK(read(fds[0], got, 2) == 2 && got[0] == 'o');
  uint32_t done = 0;
  CHILD_CHECK(platform::FileWrite(fds[1], "x", 1, &done) == 0 && done == 1);
  CHILD_CHECK(g_calls == 0);
  Finish();
}

TEST(LinuxPlatform, GuestInt80ArrivesAtTheHandlerAndHostSyscallsDoNot) {
  EXPECT_EXIT(GuestSyscallsTrap(), ::testing::ExitedWithCode(0), "");
}

// Reserving after the handler is installed traps just the same.
void RegionAfterHandler() {
  platform::AddVectoredExceptionHandler(ServeSyscall);
  ReserveOrDie();
  constexpr std::array<uint8_t, 8> kCode{0xB8, 4, 0, 0, 0, 0xCD, 0x80, 0xC3};
  CHILD_CHECK(Place(kCode)() == 1234 && g_seenEax == 4);
  Finish();
}

TEST(LinuxPlatform, RegionReservedAfterTheHandlerIsTrappedToo) {
  EXPECT_EXIT(RegionAfterHandler(), ::testing::ExitedWithCode(0), "");
}

// ---- RaiseException ----------------------------------------------------------------

int32_t Continues(ExceptionPointers* p) {
  ++g_calls;
  g_seenCode = p->ExceptionCode;
  return platform::kContinueExecution;
}

void RaiseThroughHandler() {
  platform::RaiseException(0xE0000001);  // nobody listens: returns
  platform::AddVectoredExceptionHandler(Continues);
  platform::RaiseException(0xE0494F45);
  CHILD_CHECK(g_calls == 1 && g_seenCode == 0xE0494F45);
  Finish();
}

TEST(LinuxPlatform, RaiseExceptionCallsTheHandlerAndReturnsWhenContinued) {
  EXPECT_EXIT(RaiseThroughHandler(), ::testing::ExitedWithCode(0), "");
}

// ---- Memory probes -------------------------------------------------------------------

TEST(LinuxPlatform, IsReadableNeverFaults) {
  const size_t page = platform::kPageSize;
  auto* pages = static_cast<uint8_t*>(mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE,
                                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(pages, MAP_FAILED);
  ASSERT_EQ(mprotect(pages + page, page, PROT_NONE), 0);
  const auto at = [&](size_t offset) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pages + offset));
  };
  EXPECT_TRUE(platform::IsReadable(at(0), static_cast<uint32_t>(page)));
  EXPECT_TRUE(platform::IsReadable(at(page - 2), 2));
  EXPECT_FALSE(platform::IsReadable(at(page - 2), 3));    // runs into the hole
  EXPECT_FALSE(platform::IsReadable(at(page + 100), 1));
  EXPECT_FALSE(platform::IsReadable(at(page - 1), static_cast<uint32_t>(page + 2)));
  EXPECT_TRUE(platform::IsReadable(at(2 * page), static_cast<uint32_t>(page)));
  EXPECT_FALSE(platform::IsReadable(0, 1));
  EXPECT_FALSE(platform::IsReadable(0xFFFFFFF0u, 0x20));  // wraps past 4 GiB
  EXPECT_TRUE(platform::Protect(at(page), 1, platform::kRead));
  EXPECT_TRUE(platform::IsReadable(at(page - 2), 3));
  munmap(pages, 3 * page);
}

// ---- Process ------------------------------------------------------------------------

void CommandLineFromArgv() {
  char a0[] = "tumbex", a1[] = "prog", a2[] = "two words";
  char* argv[] = {a0, a1, a2, nullptr};
  platform::Init(3, argv);
  const std::vector<std::string> words = platform::CommandLine();
  CHILD_CHECK(words == (std::vector<std::string>{"tumbex", "prog", "two words"}));
  Finish();
}

TEST(LinuxPlatform, CommandLineIsArgv) {
  EXPECT_EXIT(CommandLineFromArgv(), ::testing::ExitedWithCode(0), "");
}

// What the parent left is read at Init, and the loader's later changes to
// the host's signals do not show through.
void SignalsFromTheParent() {
  signal(SIGHUP, SIG_DFL);  // whatever this test run was started with
  signal(SIGUSR2, SIG_IGN);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGWINCH);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  char a0[] = "tumbex";
  char* argv[] = {a0, nullptr};
  platform::Init(1, argv);
  signal(SIGUSR2, SIG_DFL);
  signal(SIGHUP, SIG_IGN);
  const platform::StartingSignals got = platform::InheritedSignals();
  const auto bit = [](int sig) { return uint64_t{1} << (sig - 1); };
  CHILD_CHECK((got.ignored & bit(SIGUSR2)) != 0);
  CHILD_CHECK((got.ignored & bit(SIGHUP)) == 0);
  CHILD_CHECK((got.blocked & bit(SIGWINCH)) != 0);
  CHILD_CHECK((got.blocked & bit(SIGUSR2)) == 0);
  Finish();
}

TEST(LinuxPlatform, InheritedSignalsAreReadAtInit) {
  EXPECT_EXIT(SignalsFromTheParent(), ::testing::ExitedWithCode(0), "");
}

TEST(LinuxPlatform, ModuleBaseIsOurImage) {
  const auto* start = reinterpret_cast<const char*>(platform::ModuleBase());
  EXPECT_EQ(memcmp(start, "\x7f" "ELF", 4), 0);
  EXPECT_LT(platform::ModuleBase(), reinterpret_cast<uintptr_t>(&Finish));
  EXPECT_EQ(platform::ModuleFileName().substr(platform::ModuleFileName().rfind('/') + 1),
            "unit_tests");
}

// The port's errno is the guest's: every number passes through as it is,
// and the host's names stand for the guest's numbers.
TEST(LinuxPlatform, EveryErrnoPassesThroughUnchanged) {
  for (const linux::ErrnoRow& row : linux::kErrnoTable)
    EXPECT_EQ(platform::LinuxErrnoOfCrt(row.number), row.number) << row.name;
  constexpr std::array<std::array<int, 2>, 10> kNames{{
      {EPERM, linux::kEPERM},
      {ENOENT, linux::kENOENT},
      {EROFS, linux::kEROFS},
      {ENOTDIR, linux::kENOTDIR},
      {EISDIR, linux::kEISDIR},
      {ENOTEMPTY, linux::kENOTEMPTY},
      {ELOOP, linux::kELOOP},
      {ENOSYS, linux::kENOSYS},
      {EOPNOTSUPP, linux::kEOPNOTSUPP},
      {EHWPOISON, linux::kEHWPOISON},
  }};
  for (const auto& [host, guest] : kNames) EXPECT_EQ(host, guest);
  // A call's answer is the kernel's own cause, not a coarser one.
  platform::Handle h = platform::kInvalidHandle;
  EXPECT_EQ(platform::FileOpen("/proc/self/exe/x", linux::kOpenRead, 0, &h),
            linux::kENOTDIR);
}

}  // namespace
