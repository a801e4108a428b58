// The system call handlers called directly with register contexts, the way
// the trap calls them. Files live in a fresh temporary directory.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "abi/linux.h"
#include "process/process.h"
#include "tests/unit/libc_test_support.h"
#include "platform/exceptions.h"
#include "syscall/tbsyscall.h"

using process::BreakBase;
using process::kBreakAreaSize;

namespace {

namespace fs = std::filesystem;
using platform::Context;
using namespace tbsyscall;

// The guest's view: Linux errno values, open flags and seek origins.
constexpr int32_t kENOENT = 2, kEBADF = 9, kEACCES = 13, kEEXIST = 17, kEISDIR = 21,
                  kEINVAL = 22, kESPIPE = 29, kENAMETOOLONG = 36;
constexpr uint32_t kRdOnly = 0, kWrOnly = 1, kRdWr = 2, kCreat = 0100, kExcl = 0200,
                   kTrunc = 01000, kAppend = 02000;
constexpr uint32_t kSet = 0, kCur = 1, kEnd = 2;

uint32_t Address(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

int32_t Call(void (*handler)(Context&), uint32_t ebx, uint32_t ecx = 0, uint32_t edx = 0) {
  Context c{};
  c.Ebx = ebx;
  c.Ecx = ecx;
  c.Edx = edx;
  handler(c);
  return static_cast<int32_t>(c.Eax);
}

int32_t Open(const std::string& path, uint32_t flags, uint32_t mode = 0644) {
  return Call(SysOpen, Address(path.c_str()), flags, mode);
}
int32_t Write(int32_t fd, std::string_view text) {
  return Call(SysWrite, fd, Address(text.data()), static_cast<uint32_t>(text.size()));
}
int32_t Read(int32_t fd, std::string* text, int32_t count) {
  text->assign(count > 0 ? count : 0, '\0');
  int32_t n = Call(SysRead, fd, Address(text->data()), count);
  text->resize(n > 0 ? n : 0);
  return n;
}
int32_t Seek(int32_t fd, int32_t offset, uint32_t whence) {
  return Call(SysLseek, fd, static_cast<uint32_t>(offset), whence);
}
int32_t Close(int32_t fd) { return Call(SysClose, fd); }

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SyscallTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = libctest::ScratchDirectory() /
           ("tumbex_syscall_" + std::string(testing::UnitTest::GetInstance()
                                                ->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_ / "readonly", fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }
  std::string PathOf(const std::string& name) { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST(SyscallNamesTest, FollowTheLinuxNumbering) {
  EXPECT_STREQ(SyscallNames[0], "null");
  EXPECT_STREQ(SyscallNames[2], "fork");
  EXPECT_STREQ(SyscallNames[20], "getpid");
  EXPECT_STREQ(SyscallNames[140], "_llseek");
  EXPECT_STREQ(SyscallNames[190], "vfork");
  EXPECT_STREQ(SyscallNames[191], "unknown");
  EXPECT_STREQ(SyscallNames[200], "unknown");
  EXPECT_STREQ(SyscallNames[255], "unknown");
}

TEST(SyscallTableTest, ServesTheNineCallsAndReportsTheRest) {
  InitSyscallTable();
  const std::pair<int, SyscallHandler> served[] = {
      {1, SysExit}, {3, SysRead},  {4, SysWrite},  {5, SysOpen},          {6, SysClose},
      {13, SysTime}, {19, SysLseek}, {45, SysBrk}, {78, SysGettimeofday},
  };
  int unknown = 0;
  for (SyscallHandler h : SyscallTable) unknown += h == UnknownSyscall;
  EXPECT_EQ(unknown, kSyscallCount - 9);
  for (auto [number, handler] : served) EXPECT_EQ(SyscallTable[number], handler) << number;
}

TEST_F(SyscallTest, FileLifeFromCreationToClose) {
  std::string path = PathOf("life");
  int32_t fd = Open(path, kWrOnly | kCreat | kTrunc);
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Write(fd, "hello world"), 11);
  EXPECT_EQ(Seek(fd, 0, kCur), 11);
  std::string text;
  EXPECT_EQ(Read(fd, &text, 4), -kEBADF);  // opened for writing only
  EXPECT_EQ(Close(fd), 0);
  EXPECT_EQ(Contents(path), "hello world");

  fd = Open(path, kRdOnly);
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Write(fd, "x"), -kEBADF);  // opened for reading only
  EXPECT_EQ(Read(fd, &text, 100), 11);  // fewer at the end
  EXPECT_EQ(text, "hello world");
  EXPECT_EQ(Read(fd, &text, 100), 0);  // nothing past it
  EXPECT_EQ(Seek(fd, -5, kEnd), 6);    // size plus offset
  EXPECT_EQ(Read(fd, &text, 100), 5);
  EXPECT_EQ(text, "world");
  EXPECT_EQ(Seek(fd, 20, kSet), 20);  // beyond the end is allowed
  EXPECT_EQ(Read(fd, &text, 10), 0);
  EXPECT_EQ(Seek(fd, -21, kCur), -kEINVAL);
  EXPECT_EQ(Seek(fd, 3, 7), -kEINVAL);
  EXPECT_EQ(Seek(fd, 0, kCur), 20);  // failed seeks do not move
  EXPECT_EQ(Read(fd, &text, -1), -kEINVAL);
  EXPECT_EQ(Read(fd, &text, 0), 0);
  // A buffer the host cannot touch is refused by the host, not faulted on.
  EXPECT_EQ(Seek(fd, 0, kSet), 0);
  EXPECT_EQ(Call(SysRead, fd, 16, 4), -linux::kEFAULT);
  EXPECT_EQ(Close(fd), 0);
  EXPECT_EQ(Close(fd), -kEBADF);  // released: never taken for a record again
  EXPECT_EQ(Read(fd, &text, 1), -kEBADF);
}

TEST_F(SyscallTest, OpenFlagsKeepTheirLinuxMeaning) {
  std::string path = PathOf("flags");
  std::ofstream(path) << "0123456789";

  int32_t fd = Open(path, kRdWr);  // both ways, no truncation
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Write(fd, "ab"), 2);
  EXPECT_EQ(Seek(fd, 0, kSet), 0);
  std::string text;
  EXPECT_EQ(Read(fd, &text, 4), 4);
  EXPECT_EQ(text, "ab23");
  EXPECT_EQ(Close(fd), 0);

  fd = Open(path, kWrOnly | kAppend);
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Seek(fd, 0, kSet), 0);
  EXPECT_EQ(Write(fd, "!"), 1);  // at the end all the same
  EXPECT_EQ(Close(fd), 0);
  EXPECT_EQ(Contents(path), "ab23456789!");

  fd = Open(path, kRdOnly | kTrunc);  // truncation needs write access
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Close(fd), 0);
  EXPECT_EQ(Contents(path), "ab23456789!");

  fd = Open(path, kWrOnly | kTrunc);
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Close(fd), 0);
  EXPECT_EQ(Contents(path), "");

  EXPECT_EQ(Open(path, kWrOnly | kCreat | kExcl), -kEEXIST);
  fd = Open(PathOf("fresh"), kWrOnly | kCreat | kExcl);
  EXPECT_GT(fd, 2);
  EXPECT_EQ(Close(fd), 0);
  EXPECT_TRUE(fs::exists(PathOf("fresh")));
}

TEST_F(SyscallTest, OpenFailuresAnswerWithTheLinuxError) {
  EXPECT_EQ(Open(PathOf("missing"), kRdOnly), -kENOENT);
  EXPECT_EQ(Open(PathOf("missing"), kWrOnly), -kENOENT);  // no O_CREAT
  EXPECT_EQ(Open(PathOf("nodir/new"), kWrOnly | kCreat), -kENOENT);
  EXPECT_EQ(Open("", kRdOnly), -kENOENT);
  EXPECT_FALSE(fs::exists(PathOf("missing")));

  EXPECT_EQ(Open(dir_.string(), kRdOnly), -kEISDIR);
  EXPECT_EQ(Open(dir_.string(), kWrOnly | kCreat), -kEISDIR);
  EXPECT_EQ(Open(dir_.string(), kWrOnly | kCreat | kExcl), -kEEXIST);

  // 259 bytes still fit (the host then finds nothing there); 260 do not.
  std::string base = PathOf("n");
  std::string fits = base + std::string(259 - base.size(), 'n');
  for (size_t i = base.size() + 50; i < fits.size(); i += 50) fits[i] = '/';
  EXPECT_EQ(Open(fits, kRdOnly), -kENOENT);
  EXPECT_EQ(Open(fits + "n", kRdOnly), -kENAMETOOLONG);
  EXPECT_EQ(Open(fits + "n", kWrOnly | kCreat), -kENAMETOOLONG);
}

TEST_F(SyscallTest, ReadOnlyFileRefusesWriting) {
  std::string path = PathOf("readonly");
  int32_t fd = Open(path, kWrOnly | kCreat, 0444);
  ASSERT_GT(fd, 2);
  EXPECT_EQ(Close(fd), 0);
  // The file is read-only now; a host that still lets us write (root on
  // Linux) has nothing to refuse.
  if (std::FILE* f = std::fopen(path.c_str(), "r+")) {
    std::fclose(f);
    GTEST_SKIP() << "the host bypasses file permissions";
  }
  EXPECT_EQ(Open(path, kWrOnly), -kEACCES);
  EXPECT_EQ(Open(path, kRdWr), -kEACCES);
  fd = Open(path, kRdOnly);  // a read-only file opens for reading
  EXPECT_GT(fd, 2);
  EXPECT_EQ(Close(fd), 0);
}

TEST_F(SyscallTest, DescriptorsThatAreNoFilesAreRefused) {
  std::string text = "x";
  int32_t stray = 0x1234;                  // never handed out
  int32_t onStack = static_cast<int32_t>(Address(&text));  // readable, but no HostFile
  for (int32_t fd : {stray, onStack, -1}) {
    EXPECT_EQ(Read(fd, &text, 1), -kEBADF) << fd;
    EXPECT_EQ(Write(fd, "x"), -kEBADF) << fd;
    EXPECT_EQ(Seek(fd, 0, kSet), -kEBADF) << fd;
    EXPECT_EQ(Close(fd), -kEBADF) << fd;
  }
  // The console: no seeking, closing is harmless, each way as it is open.
  for (int32_t fd : {0, 1, 2}) {
    EXPECT_EQ(Seek(fd, 0, kSet), -kESPIPE) << fd;
    EXPECT_EQ(Close(fd), 0) << fd;
  }
  EXPECT_EQ(Write(0, "x"), -kEBADF);
  EXPECT_EQ(Read(2, &text, 1), -kEBADF);
  // Counts that transfer nothing touch neither the console nor the buffer.
  for (int32_t fd : {1, 2}) {
    EXPECT_EQ(Call(SysWrite, fd, 0, 0), 0);
    EXPECT_EQ(Call(SysWrite, fd, 0, static_cast<uint32_t>(-5)), -kEINVAL);
  }
  EXPECT_EQ(Call(SysRead, 0, 0, 0), 0);
  EXPECT_EQ(Call(SysRead, 1, 0, static_cast<uint32_t>(-5)), -kEINVAL);
}

TEST(SyscallBreakTest, AnswersTheBaseOrTheTopOfTheArea) {
  uint32_t saved = BreakBase;
  BreakBase = 0x08250000;
  EXPECT_EQ(static_cast<uint32_t>(Call(SysBrk, 0)), 0x08250000u);
  for (uint32_t asked : {1u, 0x08260000u, 0xFFFFFFFFu})
    EXPECT_EQ(static_cast<uint32_t>(Call(SysBrk, asked)), 0x08250000u + kBreakAreaSize);
  BreakBase = saved;
}

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

TEST(SyscallClockTest, TimeIsSecondsSince1970) {
  uint32_t stored = 0;
  int64_t before = Now();
  auto answered = static_cast<uint32_t>(Call(SysTime, Address(&stored)));
  int64_t after = Now();
  EXPECT_GE(int64_t{stored}, before - 2);
  EXPECT_LE(int64_t{stored}, after + 2);
  EXPECT_EQ(answered, stored);
  auto bare = static_cast<uint32_t>(Call(SysTime, 0));  // writes nothing
  EXPECT_GE(int64_t{bare}, before - 2);
  EXPECT_LE(int64_t{bare}, Now() + 2);
}

TEST(SyscallClockTest, GettimeofdayFillsTheGuestsRecords) {
  uint32_t tv[3] = {0, 0, 0xA5A5A5A5};
  uint32_t tz[3] = {7, 7, 0xA5A5A5A5};
  Context c{};
  c.Eax = 78;
  c.Ebx = Address(tv);
  c.Ecx = Address(tz);
  int64_t before = Now();
  SysGettimeofday(c);
  EXPECT_EQ(c.Eax, 0u);
  EXPECT_EQ(c.Ebx, Address(tv));  // registers stay as they were
  EXPECT_EQ(c.Ecx, Address(tz));
  EXPECT_GE(int64_t{tv[0]}, before - 2);
  EXPECT_LE(int64_t{tv[0]}, Now() + 2);
  EXPECT_LT(tv[1], 1000000u);
  EXPECT_EQ(tz[0], 0u);
  EXPECT_EQ(tz[1], 0u);
  EXPECT_EQ(tv[2], 0xA5A5A5A5u);  // nothing beyond the records
  EXPECT_EQ(tz[2], 0xA5A5A5A5u);

  EXPECT_EQ(Call(SysGettimeofday, 0, 0), 0);  // null records are skipped
}

}  // namespace
