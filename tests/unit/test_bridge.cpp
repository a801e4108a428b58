// The bridge library through its one export: the table, the open-flag
// translation on real files, fcntl, the option-parser mirror and snprintf.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "libc_test_support.h"
#include "tblibc/interface.h"

namespace {

using namespace libctest;

using OpenFn = int(const char*, unsigned, ...);
using ReadFn = int(int, void*, unsigned);
using WriteFn = int(int, const void*, unsigned);
using CloseFn = int(int);

TEST(BridgeTable, EveryCallFillsTheSameTable) {
  const uint32_t* first = theint();
  uint32_t copy[iface::kSlotCount];
  std::memcpy(copy, first, sizeof copy);
  const uint32_t* second = theint();
  EXPECT_EQ(first, second);
  EXPECT_EQ(std::memcmp(copy, second, sizeof copy), 0);
  for (int slot = 0; slot < iface::kSlotCount; ++slot) {
    EXPECT_NE(copy[slot], 0u) << "slot " << slot;
  }
}

TEST(BridgeTable, StreamsRunErrorInputOutput) {
  EXPECT_EQ(Table()[iface::kStderr], Address(stderr));
  EXPECT_EQ(Table()[iface::kStdin], Address(stdin));
  EXPECT_EQ(Table()[iface::kStdout], Address(stdout));
}

TEST(BridgeTable, StringSlotsKeepTheirPlaces) {
  static const char text[] = "a/b/c";
  auto strlen = SlotFn<unsigned(const char*)>(iface::kStrlen);
  auto strchr = SlotFn<const char*(const char*, int)>(iface::kStrchr);
  auto strrchr = SlotFn<const char*(const char*, int)>(iface::kStrrchr);
  auto index = SlotFn<const char*(const char*, int)>(iface::kIndex);
  auto rindex = SlotFn<const char*(const char*, int)>(iface::kRindex);
  auto strstr = SlotFn<const char*(const char*, const char*)>(iface::kStrstr);
  EXPECT_EQ(strlen(text), 5u);
  EXPECT_EQ(strchr(text, '/'), text + 1);
  EXPECT_EQ(strrchr(text, '/'), text + 3);
  EXPECT_EQ(index(text, '/'), text + 1);
  EXPECT_EQ(rindex(text, '/'), text + 3);
  EXPECT_EQ(index(text, 0), text + 5);
  EXPECT_EQ(rindex(text, 0), text + 5);
  EXPECT_EQ(index(text, 'x'), nullptr);
  EXPECT_EQ(strstr(text, "b/"), text + 2);
}

// ---- open flags, on real files ---------------------------------------------

class BridgeOpen : public testing::Test {
 protected:
  void SetUp() override {
    path = TempPath("file");
    fs::remove(path);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove(path, ignored);
  }
  int Open(unsigned flags, unsigned mode = 0644) {
    return SlotFn<OpenFn>(iface::kTblopen)(path.string().c_str(), flags, mode);
  }
  int Write(int fd, std::string_view bytes) {
    return SlotFn<WriteFn>(iface::kWrite)(fd, bytes.data(),
                                          static_cast<unsigned>(bytes.size()));
  }
  void Close(int fd) { EXPECT_EQ(SlotFn<CloseFn>(iface::kClose)(fd), 0); }

  fs::path path;
};

TEST_F(BridgeOpen, CreateTruncateMakesAndEmptiesTheFile) {
  int fd = Open(0x241);  // O_WRONLY | O_CREAT | O_TRUNC
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Write(fd, "a\nb"), 3);
  Close(fd);
  EXPECT_EQ(ReadFile(path), "a\nb");  // untranslated bytes
  fd = Open(0x241);
  ASSERT_GE(fd, 0);
  Close(fd);
  EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(BridgeOpen, AppendWritesAtTheEndWithoutTruncating) {
  WriteFile(path, "abc");
  const int fd = Open(0x401);  // O_WRONLY | O_APPEND
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Write(fd, "de"), 2);
  Close(fd);
  EXPECT_EQ(ReadFile(path), "abcde");
}

TEST_F(BridgeOpen, ExclusiveCreateFailsOnAnExistingFile) {
  WriteFile(path, "abc");
  errno = 0;
  EXPECT_EQ(Open(0xC1), -1);  // O_WRONLY | O_CREAT | O_EXCL
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadFile(path), "abc");
  fs::remove(path);
  const int fd = Open(0xC1);
  ASSERT_GE(fd, 0);
  Close(fd);
}

TEST_F(BridgeOpen, AccessModesReadOnlyAndReadWrite) {
  WriteFile(path, "abc");
  int fd = Open(0);
  ASSERT_GE(fd, 0);
  char buffer[8] = {};
  EXPECT_EQ(SlotFn<ReadFn>(iface::kRead)(fd, buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(Write(fd, "x"), -1);
  Close(fd);
  fd = Open(2);  // O_RDWR
  ASSERT_GE(fd, 0);
  EXPECT_EQ(SlotFn<ReadFn>(iface::kRead)(fd, buffer, 1), 1);
  EXPECT_EQ(Write(fd, "X"), 1);
  Close(fd);
  EXPECT_EQ(ReadFile(path), "aXc");
}

TEST_F(BridgeOpen, FailuresLeaveTheHostErrno) {
  errno = 0;
  EXPECT_EQ(Open(0), -1);  // no such file, no O_CREAT
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(fs::exists(path));
  errno = 0;
  EXPECT_EQ(Open(0x43), -1);  // access mode 3 means nothing here
  EXPECT_EQ(errno, EINVAL);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(BridgeOpen, CreatedFileKeepsTheOwnerWriteBitOfTheMode) {
  int fd = Open(0x241, 0444);
  ASSERT_GE(fd, 0);
  Close(fd);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::owner_write,
            fs::perms::none);
  fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  fs::remove(path);
  fd = Open(0x241, 0600);
  ASSERT_GE(fd, 0);
  Close(fd);
  EXPECT_NE(fs::status(path).permissions() & fs::perms::owner_write,
            fs::perms::none);
}

// ---- fcntl -----------------------------------------------------------------

TEST_F(BridgeOpen, FcntlDupfdDuplicatesTheDescriptor) {
  const int fd = Open(0x241);
  ASSERT_GE(fd, 0);
  const int copy = SlotFn<int(int, int, int)>(iface::kFcntl)(fd, 0, 10);
  ASSERT_GE(copy, 0);
  EXPECT_NE(copy, fd);
  Close(fd);
  EXPECT_EQ(Write(copy, "dup"), 3);
  Close(copy);
  EXPECT_EQ(ReadFile(path), "dup");
}

TEST(BridgeFcntl, OtherCommandsAreReportedAndAnsweredWithZero) {
  testing::internal::CaptureStdout();
  const int result = SlotFn<int(int, int, int)>(iface::kFcntl)(3, 1, 0);
  std::fflush(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "fcntl: unimplemented fd=3, cmd=1, arg=0");
  EXPECT_EQ(result, 0);
}

// ---- The option parser's mirror ---------------------------------------------

// The guest's own option-parser variables, as they sit in its image.
struct GuestOptions {
  int optind = 1;
  char* optarg = nullptr;
  int optopt = 0;
  int opterr = 1;
};

// i386 `struct option`.
struct LongOption {
  const char* name;
  int hasArg;
  int* flag;
  int val;
};

class BridgeGetopt : public testing::Test {
 protected:
  void SetUp() override {
    *LibraryOptind() = 0;  // the C runtimes' way to start a new scan
    Record(&guest);
  }
  void TearDown() override { Record(nullptr); }

  static void Record(GuestOptions* g) {
    SlotFn<void(int*)>(iface::kSetaoptind)(g ? &g->optind : nullptr);
    SlotFn<void(char**, int*, int*)>(iface::kSetaoptvars)(
        g ? &g->optarg : nullptr, g ? &g->optopt : nullptr,
        g ? &g->opterr : nullptr);
  }
  static int* LibraryOptind() {
    return Fn<int>(Table()[iface::kOptind]);
  }
  int Getopt(int argc, char** argv, const char* optstring) {
    return SlotFn<int(int, char**, const char*)>(iface::kTblgetopt)(
        argc, argv, optstring);
  }

  GuestOptions guest;
};

TEST_F(BridgeGetopt, EveryCallMirrorsIndexArgumentAndOptionCharacter) {
  char prog[] = "prog", a[] = "-a", b[] = "-b", val[] = "val", x[] = "-x";
  char* argv[] = {prog, a, b, val, x, nullptr};
  guest.opterr = 0;  // the unknown -x is not reported
  testing::internal::CaptureStderr();

  EXPECT_EQ(Getopt(5, argv, "ab:"), 'a');
  EXPECT_EQ(guest.optind, 2);
  EXPECT_EQ(Getopt(5, argv, "ab:"), 'b');
  EXPECT_EQ(guest.optind, 4);
  EXPECT_EQ(guest.optarg, val);
  EXPECT_EQ(Getopt(5, argv, "ab:"), '?');
  EXPECT_EQ(guest.optind, 5);
  EXPECT_EQ(guest.optopt, 'x');
  EXPECT_EQ(Getopt(5, argv, "ab:"), -1);
  EXPECT_EQ(guest.optind, 5);
  EXPECT_EQ(guest.optind, *LibraryOptind());

  std::fflush(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(BridgeGetopt, GuestOpterrOneLetsTheParserReport) {
  char prog[] = "prog", x[] = "-x";
  char* argv[] = {prog, x, nullptr};
  testing::internal::CaptureStderr();
  EXPECT_EQ(Getopt(2, argv, "a"), '?');
  std::fflush(nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find('x'), std::string::npos);
  EXPECT_EQ(guest.optopt, 'x');
}

TEST_F(BridgeGetopt, LongOptionsMirrorToo) {
  char prog[] = "prog", verbose[] = "--verbose", out[] = "--out=file",
       rest[] = "rest";
  char* argv[] = {prog, verbose, out, rest, nullptr};
  const LongOption options[] = {
      {"verbose", 0, nullptr, 'v'}, {"out", 1, nullptr, 'o'}, {nullptr, 0, nullptr, 0}};
  auto getoptLong =
      SlotFn<int(int, char**, const char*, const LongOption*, int*)>(
          iface::kTblgetoptLong);
  int which = -1;
  EXPECT_EQ(getoptLong(4, argv, "", options, &which), 'v');
  EXPECT_EQ(which, 0);
  EXPECT_EQ(guest.optind, 2);
  EXPECT_EQ(getoptLong(4, argv, "", options, nullptr), 'o');
  EXPECT_STREQ(guest.optarg, "file");
  EXPECT_EQ(guest.optind, 3);
  EXPECT_EQ(getoptLong(4, argv, "", options, nullptr), -1);
  EXPECT_EQ(guest.optind, 3);
  EXPECT_STREQ(argv[guest.optind], "rest");
}

TEST_F(BridgeGetopt, AGuestWithoutTheVariablesIsNotWrittenThroughNull) {
  Record(nullptr);
  char prog[] = "prog", a[] = "-a";
  char* argv[] = {prog, a, nullptr};
  EXPECT_EQ(Getopt(2, argv, "a"), 'a');
  EXPECT_EQ(Getopt(2, argv, "a"), -1);
  EXPECT_EQ(*LibraryOptind(), 2);
  EXPECT_EQ(guest.optind, 1);
}

// ---- snprintf ----------------------------------------------------------------

using SnprintfFn = int(char*, unsigned, const char*, ...);

TEST(BridgeSnprintf, TruncatesTerminatesAndCountsTheWholeText) {
  auto snprintf = SlotFn<SnprintfFn>(iface::kSnprintf);
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(snprintf(buffer, sizeof buffer, "%s", "abcdefghij"), 10);
  EXPECT_STREQ(buffer, "abcdefg");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(snprintf(buffer, 0, "%d", 12345), 5);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(snprintf(buffer, 1, "%d", 12345), 5);
  EXPECT_EQ(buffer[0], '\0');
}

TEST(BridgeSnprintf, FormatsAreTheLinuxCLibrarys) {
  static_assert(sizeof(long double) == 12, "the i386 long double");
  auto snprintf = SlotFn<SnprintfFn>(iface::kSnprintf);
  char buffer[64];
  const int n = snprintf(buffer, sizeof buffer, "%zu %lld %hhd %Lf %s",
                         static_cast<size_t>(7), -5000000000LL, 300, 1.5L, "end");
  EXPECT_STREQ(buffer, "7 -5000000000 44 1.500000 end");
  EXPECT_EQ(n, 29);
}

}  // namespace
