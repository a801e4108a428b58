// SyscallTrap driven with synthetic register contexts: which events count as
// system calls, what the guest resumes with, and how every other exception
// ends the run.
//
// Everything runs in death-test children: the guest memory at ImageBase is
// reserved there only, so the test process itself never holds a guest
// region that other tests' children would inherit. A child that must end
// the process has standard input at its end (the pause returns at once),
// standard output in one file and the loader's report lines (standard
// output not being a console) in another, both read by the parent
// afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "process/process.h"
#include "syscall/trap.h"
#include "tests/unit/libc_test_support.h"
#include "platform/exceptions.h"
#include "platform/memory.h"
#include "runtime/rtl.h"
#include "syscall/tbsyscall.h"

using process::ImageBase;

namespace {

namespace fs = std::filesystem;
using platform::Context;
using platform::ExceptionPointers;

// The guest memory as every child lays it out.
constexpr uint32_t kRegionSize = 0x10000;
constexpr uint32_t kSyscallSite = ImageBase + 0x100;  // CD 80
constexpr uint32_t kWrongVector = ImageBase + 0x110;  // CD 81
constexpr uint32_t kSwapped = ImageBase + 0x120;      // 80 CD
constexpr uint32_t kBlockedPage = ImageBase + 0x8000;  // CD 80, then no access

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::fflush(stderr);
  std::_Exit(90);
}
#define CHILD_CHECK(condition) Check((condition), #condition)

void PutBytes(uint32_t address, uint8_t first, uint8_t second) {
  auto* p = reinterpret_cast<uint8_t*>(uintptr_t{address});
  p[0] = first;
  p[1] = second;
}

void PrepareGuestMemory() {
  CHILD_CHECK(platform::ReserveRegion(ImageBase, kRegionSize) != nullptr);
  PutBytes(ImageBase, 0xCD, 0x80);
  PutBytes(kSyscallSite, 0xCD, 0x80);
  PutBytes(kWrongVector, 0xCD, 0x81);
  PutBytes(kSwapped, 0x80, 0xCD);
  PutBytes(kBlockedPage + 0x10, 0xCD, 0x80);
  CHILD_CHECK(platform::Protect(kBlockedPage, platform::kPageSize, platform::kNoAccess));
  tbsyscall::InitSyscallTable();
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
  return libctest::ScratchDirectory() / (std::string("tumbex_trap_") + info->name() + ".out");
}

fs::path ReportFile() { return fs::path(OutputFile()).concat(".err"); }

fs::path EmptyFile() { return libctest::ScratchDirectory() / "tumbex_trap_empty.in"; }

// In the child: stdin at its end, stdout into OutputFile() and the report
// lines into ReportFile(). The writer is told that stdout is no console:
// a forked child would otherwise keep what its parent found out.
void RedirectConsole() {
  std::ofstream(EmptyFile()).close();
  std::fflush(stdout);
  CHILD_CHECK(std::freopen(EmptyFile().string().c_str(), "r", stdin) != nullptr);
  CHILD_CHECK(std::freopen(OutputFile().string().c_str(), "w", stdout) != nullptr);
  platform::Handle reports = platform::kInvalidHandle;
  CHILD_CHECK(platform::FileOpen(ReportFile().string().c_str(),
                                 linux::kOpenWrite | linux::kOpenCreate |
                                     linux::kOpenTruncate,
                                 0666, &reports) == 0);
  rtl::testing::RedirectConsole(platform::StdOutput(), false, platform::StdInput(),
                                reports);
}

// What the child wrote into `file`, line ends folded to LF.
std::string ChildOutput(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string out;
  for (char ch : text.str())
    if (ch != '\r') out += ch;
  return out;
}

// In the child: the trap on `context`, which must end the process.
[[noreturn]] void TrapInChild(Context context, uint32_t exceptionCode) {
  PrepareGuestMemory();
  RedirectConsole();
  ExceptionPointers p{exceptionCode, &context};
  tbsyscall::SyscallTrap(&p);
  std::_Exit(99);  // the trap came back
}

// The trap on `context` ends the run with `code`; returns the report lines
// it wrote, which must have left standard output alone.
std::string TrapEnds(const Context& context, uint32_t exceptionCode, int code) {
  fs::remove(OutputFile());
  fs::remove(ReportFile());
  EXPECT_EXIT(TrapInChild(context, exceptionCode), testing::ExitedWithCode(code), "");
  EXPECT_EQ(ChildOutput(OutputFile()), "");
  return ChildOutput(ReportFile());
}

uint32_t seenEip;
void Probe(Context& c) {
  seenEip = c.Eip;
  c.Eax = 0x600D;
}

[[noreturn]] void ServeInChild() {
  PrepareGuestMemory();
  tbsyscall::SyscallTable[200] = Probe;
  Context c = At(kSyscallSite, 200);
  // A breakpoint's code on purpose: only the address and the bytes decide.
  ExceptionPointers p{platform::kBreakpoint, &c};
  CHILD_CHECK(tbsyscall::SyscallTrap(&p) == platform::kContinueExecution);
  CHILD_CHECK(seenEip == kSyscallSite + 2);  // advanced before the handler ran
  CHILD_CHECK(c.Eip == kSyscallSite + 2);
  CHILD_CHECK(c.Eax == 0x600D);
  std::_Exit(0);
}

TEST(Trap, ServesTheCallPastTheInstruction) {
  EXPECT_EXIT(ServeInChild(), testing::ExitedWithCode(0), "");
}

[[noreturn]] void BeyondTheTableInChild() {
  PrepareGuestMemory();
  for (uint32_t number : {256u, 0x12345u, 0xFFFFFFFFu}) {
    Context c = At(kSyscallSite, number);
    const Context before = c;
    ExceptionPointers p{platform::kAccessViolation, &c};
    CHILD_CHECK(tbsyscall::SyscallTrap(&p) == platform::kContinueExecution);
    CHILD_CHECK(c.Eip == before.Eip + 2);
    CHILD_CHECK(c.Eax == number);
    CHILD_CHECK(c.Ebx == before.Ebx && c.Ecx == before.Ecx && c.Edx == before.Edx);
  }
  std::_Exit(0);
}

TEST(Trap, NumbersBeyondTheTableResumeUntouched) {
  EXPECT_EXIT(BeyondTheTableInChild(), testing::ExitedWithCode(0), "");
}

TEST(Trap, ReportsWhatIsNotASystemCall) {
  // At ImageBase itself, even with the right bytes.
  EXPECT_EQ(TrapEnds(At(ImageBase, 4), platform::kBreakpoint, 1),
            "Unhandled exception (0x80000003)\n");
  EXPECT_EQ(TrapEnds(At(kWrongVector, 4), 1u, 1), "Unhandled exception (0x00000001)\n");
  EXPECT_EQ(TrapEnds(At(kSwapped, 4), platform::kAccessViolation, 1),
            "Unhandled exception (0xC0000005)\n");
  // An error raised by the run-time inside a handler comes from host code.
  EXPECT_EQ(TrapEnds(At(0x1000, 4), rtl::kInOutErrorCode, 1),
            "Unhandled exception (0xE0494F45)\n");
}

TEST(Trap, UnreadableCodeIsReportedNotTouched) {
  EXPECT_EQ(TrapEnds(At(kBlockedPage + 0x10, 4), platform::kAccessViolation, 1),
            "Unhandled exception (0xC0000005)\n");
  // The second byte would lie beyond the address space.
  EXPECT_EQ(TrapEnds(At(0xFFFFFFFF, 4), platform::kAccessViolation, 1),
            "Unhandled exception (0xC0000005)\n");
}

TEST(Trap, UnservedNumbersAreNamedAndEndTheRun) {
  struct Row {
    uint32_t number;
    const char* report;
  };
  constexpr Row kRows[] = {
      {0, "Unknown syscall #0 called (null)"},
      {20, "Unknown syscall #20 called (getpid)"},
      {255, "Unknown syscall #255 called (unknown)"},
  };
  for (const Row& row : kRows)
    EXPECT_EQ(TrapEnds(At(kSyscallSite, row.number), platform::kPrivilegedInstruction, 1),
              std::string("\n") + row.report + "\n");
}

TEST(Trap, ExitEndsWithTheGuestsStatus) {
  Context c = At(kSyscallSite, 1);
  c.Ebx = 7;
  EXPECT_EQ(TrapEnds(c, platform::kPrivilegedInstruction, 7), "");
}

// The report cannot be written (standard output a console open for reading
// only, so the report goes to it): the run-time's I/O error comes back into
// the trap, which must end the run instead of reporting again and again.
[[noreturn]] void FailingReportInChild() {
  RedirectConsole();
  CHILD_CHECK(std::freopen(EmptyFile().string().c_str(), "r", stdout) != nullptr);
  rtl::testing::RedirectConsole(platform::StdOutput(), true, platform::StdInput());
  platform::AddVectoredExceptionHandler(tbsyscall::SyscallTrap);
  Context c = At(0x1000, 4);
  ExceptionPointers p{platform::kAccessViolation, &c};
  tbsyscall::SyscallTrap(&p);
  std::_Exit(99);
}

TEST(Trap, FailingReportEndsTheRunOnce) {
  EXPECT_EXIT(FailingReportInChild(), testing::ExitedWithCode(1), "");
}

}  // namespace
