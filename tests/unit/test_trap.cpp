// SyscallTrap driven with synthetic register contexts: which events count as
// system calls, what the guest resumes with, and how every other exception
// ends the run. Paths that end the process run in death-test children with
// standard input at its end (so the pause returns at once) and standard
// output in a file that the parent reads afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "loader/image.h"
#include "platform/platform.h"
#include "runtime/rtl.h"
#include "syscall/tbsyscall.h"

namespace {

namespace fs = std::filesystem;
using platform::Context;
using platform::ExceptionPointers;

constexpr uint32_t kRegionSize = 0x10000;
constexpr uint32_t kSyscallSite = ImageBase + 0x100;
constexpr uint32_t kBlockedPage = ImageBase + 0x8000;  // made unreadable in a child

// Guest memory at ImageBase, reserved once per process. When an earlier test
// already reserved the guest region, that region is used as it is.
void EnsureGuestMemory() {
  static bool ready = [] {
    if (!platform::ReserveRegion(ImageBase, kRegionSize)) {
      uint32_t base = 0, end = 0;
      platform::GuestRegion(&base, &end);
      if (base > ImageBase || end < ImageBase + kRegionSize) return false;
      platform::Protect(ImageBase, kRegionSize,
                        platform::kRead | platform::kWrite | platform::kExecute);
    }
    return true;
  }();
  ASSERT_TRUE(ready) << "no guest memory at ImageBase";
}

void PutBytes(uint32_t address, uint8_t first, uint8_t second) {
  auto* p = reinterpret_cast<uint8_t*>(uintptr_t{address});
  p[0] = first;
  p[1] = second;
}

Context At(uint32_t eip, uint32_t eax) {
  Context c{};
  c.Eip = eip;
  c.Eax = eax;
  c.Ebx = 0x11111111;
  c.Ecx = 0x22222222;
  c.Edx = 0x33333333;
  return c;
}

fs::path OutputFile() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return fs::temp_directory_path() /
         (std::string("tumbex_trap_") + info->name() + ".out");
}

// In the child: stdin at its end, stdout into OutputFile().
void RedirectConsole() {
  fs::path empty = fs::temp_directory_path() / "tumbex_trap_empty.in";
  std::ofstream(empty).close();
  std::fflush(stdout);
  if (!std::freopen(empty.string().c_str(), "r", stdin)) std::abort();
  if (!std::freopen(OutputFile().string().c_str(), "w", stdout)) std::abort();
}

// What the child wrote, line ends folded to LF.
std::string ChildOutput() {
  std::ifstream in(OutputFile(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string out;
  for (char ch : text.str())
    if (ch != '\r') out += ch;
  return out;
}

// In the child: the trap on `context`, which must end the process.
[[noreturn]] void TrapInChild(Context context, uint32_t exceptionCode) {
  RedirectConsole();
  ExceptionPointers p{exceptionCode, &context};
  tbsyscall::SyscallTrap(&p);
  std::_Exit(99);  // the trap came back
}

void ExpectTrapEnds(const Context& context, uint32_t exceptionCode, int code) {
  fs::remove(OutputFile());
  EXPECT_EXIT(TrapInChild(context, exceptionCode), testing::ExitedWithCode(code), "");
}

class TrapTest : public testing::Test {
 protected:
  void SetUp() override {
    EnsureGuestMemory();
    tbsyscall::InitSyscallTable();
    PutBytes(kSyscallSite, 0xCD, 0x80);
  }
};

uint32_t seenEip;
void Probe(Context& c) { seenEip = c.Eip; c.Eax = 0x600D; }

TEST_F(TrapTest, ServesTheCallPastTheInstruction) {
  auto saved = tbsyscall::SyscallTable[200];
  tbsyscall::SyscallTable[200] = Probe;
  Context c = At(kSyscallSite, 200);
  // Breakpoint code on purpose: only the address and the bytes decide.
  ExceptionPointers p{platform::kBreakpoint, &c};
  EXPECT_EQ(tbsyscall::SyscallTrap(&p), platform::kContinueExecution);
  tbsyscall::SyscallTable[200] = saved;
  EXPECT_EQ(seenEip, kSyscallSite + 2);  // advanced before the handler ran
  EXPECT_EQ(c.Eip, kSyscallSite + 2);
  EXPECT_EQ(c.Eax, 0x600Du);
}

TEST_F(TrapTest, NumbersBeyondTheTableResumeUntouched) {
  for (uint32_t number : {256u, 0x12345u, 0xFFFFFFFFu}) {
    Context c = At(kSyscallSite, number);
    Context before = c;
    ExceptionPointers p{platform::kAccessViolation, &c};
    EXPECT_EQ(tbsyscall::SyscallTrap(&p), platform::kContinueExecution);
    EXPECT_EQ(c.Eip, before.Eip + 2);
    EXPECT_EQ(c.Eax, number);
    EXPECT_EQ(c.Ebx, before.Ebx);
    EXPECT_EQ(c.Ecx, before.Ecx);
    EXPECT_EQ(c.Edx, before.Edx);
  }
}

TEST_F(TrapTest, ReportsWhatIsNotASystemCall) {
  // At ImageBase itself, even with the right bytes.
  PutBytes(ImageBase, 0xCD, 0x80);
  ExpectTrapEnds(At(ImageBase, 4), platform::kBreakpoint, 1);
  EXPECT_EQ(ChildOutput(), "Unhandled exception (0x80000003)\n");

  PutBytes(kSyscallSite + 0x10, 0xCD, 0x81);
  ExpectTrapEnds(At(kSyscallSite + 0x10, 4), 1u, 1);
  EXPECT_EQ(ChildOutput(), "Unhandled exception (0x00000001)\n");

  PutBytes(kSyscallSite + 0x20, 0x80, 0xCD);
  ExpectTrapEnds(At(kSyscallSite + 0x20, 4), platform::kAccessViolation, 1);
  EXPECT_EQ(ChildOutput(), "Unhandled exception (0xC0000005)\n");

  // An error raised by the run-time inside a handler comes from host code.
  ExpectTrapEnds(At(0x1000, 4), rtl::kInOutErrorCode, 1);
  EXPECT_EQ(ChildOutput(), "Unhandled exception (0xE0494F45)\n");
}

[[noreturn]] void BlockedPageInChild() {
  PutBytes(kBlockedPage + 0x10, 0xCD, 0x80);
  if (!platform::Protect(kBlockedPage, platform::kPageSize, platform::kNoAccess))
    std::_Exit(98);
  TrapInChild(At(kBlockedPage + 0x10, 4), platform::kAccessViolation);
}

TEST_F(TrapTest, UnreadableCodeIsReportedNotTouched) {
  fs::remove(OutputFile());
  EXPECT_EXIT(BlockedPageInChild(), testing::ExitedWithCode(1), "");
  EXPECT_EQ(ChildOutput(), "Unhandled exception (0xC0000005)\n");

  // The second byte would lie beyond the address space.
  ExpectTrapEnds(At(0xFFFFFFFF, 4), platform::kAccessViolation, 1);
  EXPECT_EQ(ChildOutput(), "Unhandled exception (0xC0000005)\n");
}

TEST_F(TrapTest, UnservedNumbersAreNamedAndEndTheRun) {
  struct Row {
    uint32_t number;
    const char* report;
  };
  constexpr Row kRows[] = {
      {0, "Unknown syscall #0 called (null)"},
      {20, "Unknown syscall #20 called (getpid)"},
      {255, "Unknown syscall #255 called (unknown)"},
  };
  for (const Row& row : kRows) {
    ExpectTrapEnds(At(kSyscallSite, row.number), platform::kPrivilegedInstruction, 1);
    EXPECT_EQ(ChildOutput(), std::string("\n") + row.report + "\n");
  }
}

// The report cannot be written (standard output open for reading only): the
// run-time's I/O error comes back into the trap, which must end the run
// instead of reporting again and again.
[[noreturn]] void FailingReportInChild() {
  RedirectConsole();
  fs::path empty = fs::temp_directory_path() / "tumbex_trap_empty.in";
  if (!std::freopen(empty.string().c_str(), "r", stdout)) std::_Exit(98);
  platform::AddVectoredExceptionHandler(tbsyscall::SyscallTrap);
  Context c = At(0x1000, 4);
  ExceptionPointers p{platform::kAccessViolation, &c};
  tbsyscall::SyscallTrap(&p);
  std::_Exit(99);
}

TEST_F(TrapTest, FailingReportEndsTheRunOnce) {
  EXPECT_EXIT(FailingReportInChild(), testing::ExitedWithCode(1), "");
}

TEST_F(TrapTest, ExitEndsWithTheGuestsStatus) {
  Context c = At(kSyscallSite, 1);
  c.Ebx = 7;
  ExpectTrapEnds(c, platform::kPrivilegedInstruction, 7);
  EXPECT_EQ(ChildOutput(), "");
}

}  // namespace
