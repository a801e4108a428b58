// What the loader relies on from Windows: the reservation rounded down to
// the allocation granularity, exceptions delivered to the first vectored
// handler with a context it may change, and the file details the Win32
// port adds (read-only creation, a closed pipe read as end of file). The
// reservation and the handler are once per process: those cases run in
// death-test children that report by exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "abi/errno.h"
#include "platform/console.h"
#include "platform/errors.h"
#include "platform/exceptions.h"
#include "platform/files.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "platform/win32/host.h"

namespace {

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
  TerminateProcess(GetCurrentProcess(), g_failures == 0 ? 0 : 1);
  for (;;) {
  }
}

void ReservationIsRoundedDown() {
  void* base = platform::ReserveRegion(kImageBase, 0x10000);
  CHILD_CHECK(base == reinterpret_cast<void*>(0x08040000));
  uint32_t b = 0, e = 0;
  platform::GuestRegion(&b, &e);
  CHILD_CHECK(b == 0x08040000 && e == 0x08058000);
  *reinterpret_cast<volatile uint8_t*>(0x08057FFF) = 1;
  CHILD_CHECK(platform::IsReadable(0x08040000, 0x18000));
  // A second reservation over it is refused rather than replacing it.
  CHILD_CHECK(platform::ReserveRegion(kImageBase, 0x1000) == nullptr);
  Finish();
}

TEST(Win32Platform, ReservationStartsAt64KiBBelowTheAddress) {
  EXPECT_EXIT(ReservationIsRoundedDown(), ::testing::ExitedWithCode(0), "");
}

uint32_t g_seenCode = 0, g_seenEip = 0, g_seenEax = 0;
int g_calls = 0;

int32_t StepOverMov(platform::ExceptionPointers* p) {
  ++g_calls;
  g_seenCode = p->ExceptionCode;
  g_seenEip = p->ContextRecord->Eip;
  g_seenEax = p->ContextRecord->Eax;
  p->ContextRecord->Eip += 5;  // mov eax, [0]
  p->ContextRecord->Eax = 0x600D;
  return platform::kContinueExecution;
}

void AccessViolationReachesTheHandler() {
  CHILD_CHECK(platform::ReserveRegion(kImageBase, 0x10000) != nullptr);
  platform::AddVectoredExceptionHandler(StepOverMov);
  CHILD_CHECK(platform::ExceptionHandlerInstalled());
  // mov eax, 7; mov eax, [0]; ret
  constexpr std::array<uint8_t, 11> kCode{0xB8, 7, 0, 0, 0, 0xA1, 0, 0, 0, 0, 0xC3};
  std::memcpy(reinterpret_cast<void*>(kCodeAt), kCode.data(), kCode.size());
  const uint32_t result = reinterpret_cast<uint32_t (*)()>(kCodeAt)();
  CHILD_CHECK(g_calls == 1);
  CHILD_CHECK(g_seenCode == platform::kAccessViolation);
  CHILD_CHECK(g_seenEip == kCodeAt + 5);
  CHILD_CHECK(g_seenEax == 7);
  CHILD_CHECK(result == 0x600D);
  Finish();
}

TEST(Win32Platform, AnAccessViolationReachesTheHandlerAndResumesWhereItSays) {
  EXPECT_EXIT(AccessViolationReachesTheHandler(), ::testing::ExitedWithCode(0), "");
}

int32_t Continues(platform::ExceptionPointers* p) {
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

TEST(Win32Platform, RaiseExceptionReachesTheHandler) {
  EXPECT_EXIT(RaiseThroughHandler(), ::testing::ExitedWithCode(0), "");
}

TEST(Win32Platform, IsReadableFollowsTheProtection) {
  auto* pages = static_cast<uint8_t*>(
      VirtualAlloc(nullptr, 3 * 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  const auto at = [&](size_t offset) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pages + offset));
  };
  ASSERT_TRUE(platform::Protect(at(4096), 1, platform::kNoAccess));
  EXPECT_TRUE(platform::IsReadable(at(0), 4096));
  EXPECT_FALSE(platform::IsReadable(at(4094), 3));
  EXPECT_TRUE(platform::IsReadable(at(8192), 4096));
  EXPECT_FALSE(platform::IsReadable(at(0), 3 * 4096));
  EXPECT_FALSE(platform::IsReadable(0, 1));
  ASSERT_TRUE(platform::Protect(at(4096), 1, platform::kRead | platform::kExecute));
  EXPECT_TRUE(platform::IsReadable(at(0), 3 * 4096));
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST(Win32Platform, PathsAndNames) {
  struct Row {
    const char* path;
    bool absolute;
  };
  constexpr Row kRows[] = {{"C:\\x", true}, {"c:/x", true}, {"\\x", true},
                           {"/tmp/x", true}, {"C:x", false}, {"x\\y", false},
                           {"", false}};
  for (const Row& row : kRows)
    EXPECT_EQ(platform::IsAbsolutePath(row.path), row.absolute) << row.path;
  const std::string self = platform::ModuleFileName();
  EXPECT_EQ(self.substr(self.rfind('\\') + 1), "unit_tests.exe");
  EXPECT_EQ(std::memcmp(reinterpret_cast<const char*>(platform::ModuleBase()), "MZ", 2), 0);
  EXPECT_EQ(platform::LineEnd(), "\r\n");
}

TEST(Win32Platform, ACreatedFileWithoutOwnerWriteIsReadOnly) {
  const char* path = "w32_test_readonly.tmp";
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
  platform::Handle h = platform::kInvalidHandle;
  ASSERT_EQ(platform::FileOpen(path, linux::kOpenWrite | linux::kOpenCreate, 0444, &h),
            0u);
  uint32_t done = 0;
  EXPECT_EQ(platform::FileWrite(h, "x", 1, &done), 0u);  // the creator may write
  platform::FileClose(h);
  // (Wine run by root may still let a writer in, so ask the attribute.)
  EXPECT_NE(GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(platform::FileOpen(path, linux::kOpenRead, 0, &h), 0u);
  platform::FileClose(h);
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

TEST(Win32Platform, AClosedPipeReadsAsEndOfFile) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  DWORD written = 0;
  WriteFile(writeEnd, "ab", 2, &written, nullptr);
  CloseHandle(writeEnd);
  char buffer[8];
  uint32_t done = 0;
  const auto h = reinterpret_cast<platform::Handle>(readEnd);
  EXPECT_EQ(platform::FileRead(h, buffer, sizeof buffer, &done), 0u);
  EXPECT_EQ(done, 2u);
  EXPECT_EQ(platform::FileRead(h, buffer, sizeof buffer, &done), 0u);
  EXPECT_EQ(done, 0u);
  CloseHandle(readEnd);
}

// Every cause the port can report reaches the guest as a Linux number the
// Linux C library has a name and a text for, each Win32 code by one row
// only, and msvcrt's numbers where they differ from Linux's are renumbered.
TEST(Win32Platform, EveryHostErrorIsANamedLinuxErrno) {
  const auto named = [](int e) {
    return e >= 1 && e < static_cast<int>(std::size(linux::kErrnoTable)) &&
           !linux::kErrnoTable[e].name.empty();
  };
  for (const platform::Win32ErrnoRow& row : platform::Win32ErrnoRows()) {
    EXPECT_TRUE(named(row.linuxErrno)) << row.error;
    EXPECT_EQ(platform::LinuxErrnoOfWin32(row.error), row.linuxErrno) << row.error;
  }
  for (const platform::CrtErrnoRow& row : platform::CrtErrnoRows()) {
    EXPECT_TRUE(named(row.linuxErrno)) << row.crtErrno;
    EXPECT_EQ(platform::LinuxErrnoOfCrt(row.crtErrno), row.linuxErrno) << row.crtErrno;
  }
  // msvcrt's numbers end at 140; whatever it leaves is a Linux number.
  for (int e = 1; e <= 200; ++e) EXPECT_TRUE(named(platform::LinuxErrnoOfCrt(e))) << e;
  EXPECT_EQ(platform::LinuxErrnoOfCrt(0), 0);
  EXPECT_EQ(platform::LinuxErrnoOfWin32(ERROR_IO_DEVICE), linux::kEIO);

  // Where msvcrt numbers differently from Linux.
  constexpr std::array<std::array<int, 2>, 7> kCrt{{
      {ENOENT, linux::kENOENT},
      {EDEADLK, linux::kEDEADLK},
      {ENAMETOOLONG, linux::kENAMETOOLONG},
      {ENOLCK, linux::kENOLCK},
      {ENOSYS, linux::kENOSYS},
      {ENOTEMPTY, linux::kENOTEMPTY},
      {EILSEQ, linux::kEILSEQ},
  }};
  for (const auto& [crt, guest] : kCrt) EXPECT_EQ(platform::LinuxErrnoOfCrt(crt), guest) << crt;
}

}  // namespace
