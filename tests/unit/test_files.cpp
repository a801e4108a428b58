// The files families' pure pieces and their host services: the fnmatch
// engine against answers of the Linux C library, brace expansion, the
// guest's status structures from the neutral record, the error numbers of
// real file calls, and anonymous mappings.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "abi/errno.h"
#include "abi/files.h"
#include "libcbind/files.h"
#include "libcbind/match.h"
#include "platform/files.h"

extern "C" {
char* tblibc_mkdtemp(char* name);
int32_t tblibc_rmdir(const char* path);
int32_t tblibc_unlink(const char* path);
int tblibc_open(const char* path, uint32_t flags, ...);
int32_t tblibc_stat(const char* path, void* buffer);
uint32_t tblibc_mmap(uint32_t address, uint32_t length, uint32_t prot,
                     uint32_t flags, int32_t fd, uint32_t offset);
int32_t tblibc_munmap(uint32_t address, uint32_t length);
uint32_t tblibc_mremap(uint32_t address, uint32_t oldLength,
                       uint32_t newLength, uint32_t flags, ...);
}

namespace {

using tblibc::match::ExpandBraces;
using tblibc::match::Fnmatch;

struct FnmatchCase {
  const char* pattern;
  const char* text;
  int32_t flags;
  int32_t expected;
};

// Each row as a native i386 run of the Linux C library answers it.
constexpr FnmatchCase kFnmatch[] = {
    {"*.c", "a.c", 0, 0},
    {"*.c", ".a.c", 4, 1},
    {"*", "", 0, 0},
    {"?", "", 0, 1},
    {"a?c", "abc", 0, 0},
    {"a*", "a/b", 1, 1},
    {"a/*", "a/b", 1, 0},
    {"*/b", "a/b", 1, 0},
    {"a/.b", "a/.b", 5, 0},
    {"a/*", "a/.b", 5, 1},
    {"a/*", "a/.b", 4, 0},
    {"[abc]", "b", 0, 0},
    {"[!abc]", "b", 0, 1},
    {"[^abc]", "d", 0, 0},
    {"[a-z]", "m", 0, 0},
    {"[z-a]", "m", 0, 1},
    {"[]]", "]", 0, 0},
    {"[!]]", "a", 0, 0},
    {"[[:digit:]]x", "5x", 0, 0},
    {"[[:alpha:][:digit:]]", "_", 0, 1},
    {"[[:upper:]]", "a", 16, 1},
    {"\\*", "*", 0, 0},
    {"\\*", "x", 0, 1},
    {"\\*", "\\*", 2, 0},
    {"[", "[", 0, 0},
    {"[a", "[a", 0, 0},
    {"a[", "a[", 0, 0},
    {"ABC", "abc", 16, 0},
    {"a*c", "abbbc", 0, 0},
    {"a*b*c", "axbxc", 0, 0},
    {"a*b*c", "axbx", 0, 1},
    {"*a*", "bab", 0, 0},
    {"**", "abc", 0, 0},
    {"a/b", "a/b/c", 8, 0},
    {"a", "a/b", 8, 0},
    {"a*", "ab/c", 9, 0},
    {"[a/]", "/", 1, 1},
    {"?", "/", 1, 1},
    {"*", "/", 1, 1},
    {"*", ".x", 4, 1},
    {"?x", ".x", 4, 1},
    {"[.]x", ".x", 4, 1},
    {"[\\]]", "]", 0, 0},
    {"[\\]]", "\\", 2, 1},
    {"x[1].txt", "x[1].txt", 0, 1},
    {"a\\", "a\\", 0, 1},
    {"[a-]", "-", 0, 0},
    {"[]-a]", "b", 0, 1},
    {"*.C", "x.c", 16, 0},
    {"[A-C]", "b", 16, 0},
    {"*/", "a/", 1, 0},
    {"a*", "a", 0, 0},
};

TEST(FilesFnmatch, AnswersAsTheLinuxCLibrary) {
  for (const FnmatchCase& c : kFnmatch) {
    EXPECT_EQ(Fnmatch(c.pattern, c.text, c.flags), c.expected)
        << "fnmatch(\"" << c.pattern << "\", \"" << c.text << "\", "
        << c.flags << ")";
  }
}

TEST(FilesFnmatch, StarsBacktrackWithoutBlowingUp) {
  const std::string text(200, 'a');
  EXPECT_EQ(Fnmatch("*a*a*a*a*a*a*a*a*b", text, 0), linux::kFNM_NOMATCH);
  EXPECT_EQ(Fnmatch("*a*a*a*a*a*a*a*a*", text, 0), 0);
}

TEST(FilesGlob, BracesSpellOutLeftToRight) {
  EXPECT_EQ(ExpandBraces("{b,a}.c"), (std::vector<std::string>{"b.c", "a.c"}));
  EXPECT_EQ(ExpandBraces("x{1,{2,3}}y"),
            (std::vector<std::string>{"x1y", "x2y", "x3y"}));
  EXPECT_EQ(ExpandBraces("{a,b}{c,d}"),
            (std::vector<std::string>{"ac", "ad", "bc", "bd"}));
  EXPECT_EQ(ExpandBraces("open{"), (std::vector<std::string>{"open{"}));
  EXPECT_EQ(ExpandBraces("\\{a,b}"), (std::vector<std::string>{"\\{a,b}"}));
  EXPECT_TRUE(tblibc::match::HasMagic("a*", false));
  EXPECT_FALSE(tblibc::match::HasMagic("a\\*", false));
  EXPECT_TRUE(tblibc::match::HasMagic("a\\*", true));
  EXPECT_FALSE(tblibc::match::HasMagic("a[", false));
}

// ---- The guest's status structures -----------------------------------------

platform::FileStatus Sample() {
  platform::FileStatus s;
  s.kind = platform::FileKind::kRegular;
  s.permissions = 0644;
  s.size = 0x12345;
  s.inode = 0x89ABCDEF;
  s.device = 0x0102030405060708ull;
  s.links = 3;
  s.blockSize = 4096;
  s.blocks = 80;
  s.access = {1000000000, 1};
  s.modify = {1200000000, 999999999};
  s.change = {1300000000, 5};
  return s;
}

template <typename T>
T At(const void* base, size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const char*>(base) + offset, sizeof value);
  return value;
}

TEST(FilesStatus, Stat64LandsWhereTheLinuxLibraryReadsIt) {
  unsigned char raw[96];
  std::memset(raw, 0xEE, sizeof raw);
  tblibc::files::ToStat64(Sample(), reinterpret_cast<linux::Stat64*>(raw));
  EXPECT_EQ(At<uint64_t>(raw, 0), 0x0102030405060708ull);
  EXPECT_EQ(At<uint32_t>(raw, 12), 0x89ABCDEFu);
  EXPECT_EQ(At<uint32_t>(raw, 16), 0100644u);
  EXPECT_EQ(At<uint32_t>(raw, 20), 3u);
  EXPECT_EQ(At<int64_t>(raw, 44), 0x12345);
  EXPECT_EQ(At<int32_t>(raw, 52), 4096);
  EXPECT_EQ(At<int64_t>(raw, 56), 80);
  EXPECT_EQ(At<int32_t>(raw, 64), 1000000000);
  EXPECT_EQ(At<int32_t>(raw, 76), 999999999);
  EXPECT_EQ(At<int32_t>(raw, 80), 1300000000);
  EXPECT_EQ(At<uint64_t>(raw, 88), 0x89ABCDEFull);
  EXPECT_EQ(At<uint32_t>(raw, 8), 0u) << "padding is cleared";
}

TEST(FilesStatus, StatFitsOrRefuses) {
  unsigned char raw[88];
  ASSERT_TRUE(tblibc::files::ToStat(Sample(), reinterpret_cast<linux::Stat*>(raw)));
  EXPECT_EQ(At<uint32_t>(raw, 12), 0x89ABCDEFu);
  EXPECT_EQ(At<int32_t>(raw, 44), 0x12345);
  EXPECT_EQ(At<int32_t>(raw, 52), 80);
  EXPECT_EQ(At<int32_t>(raw, 68), 999999999);

  platform::FileStatus big = Sample();
  big.size = 0x80000000ull;
  EXPECT_FALSE(tblibc::files::ToStat(big, reinterpret_cast<linux::Stat*>(raw)));
  platform::FileStatus wide = Sample();
  wide.inode = 0x100000000ull;
  EXPECT_FALSE(tblibc::files::ToStat(wide, reinterpret_cast<linux::Stat*>(raw)));
}

TEST(FilesStatus, KindsBecomeModesAndEntryTypes) {
  struct Row {
    platform::FileKind kind;
    uint32_t mode;
    uint8_t type;
  };
  const Row rows[] = {
      {platform::FileKind::kRegular, 0100000, linux::kDT_REG},
      {platform::FileKind::kDirectory, 0040000, linux::kDT_DIR},
      {platform::FileKind::kSymlink, 0120000, linux::kDT_LNK},
      {platform::FileKind::kCharDevice, 0020000, linux::kDT_CHR},
      {platform::FileKind::kFifo, 0010000, linux::kDT_FIFO},
      {platform::FileKind::kUnknown, 0, linux::kDT_UNKNOWN},
  };
  for (const Row& r : rows) {
    platform::FileStatus s;
    s.kind = r.kind;
    s.permissions = 0755;
    EXPECT_EQ(tblibc::files::ModeOf(s), r.mode | 0755);
    EXPECT_EQ(tblibc::files::DirentType(r.kind), r.type);
  }
}

// ---- Real files -------------------------------------------------------------

class FilesOnDisk : public testing::Test {
 protected:
  void SetUp() override {
    std::strcpy(dir_, "files_unit_XXXXXX");
    ASSERT_NE(tblibc_mkdtemp(dir_), nullptr);
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
      if (tblibc_unlink(it->c_str()) != 0) tblibc_rmdir(it->c_str());
    }
    EXPECT_EQ(tblibc_rmdir(dir_), 0);
  }
  std::string Name(const char* leaf) { return std::string(dir_) + "/" + leaf; }
  std::string MakeFile(const char* leaf) {
    const std::string name = Name(leaf);
    const int fd = tblibc_open(name.c_str(), 0101, 0644);  // O_WRONLY|O_CREAT
    EXPECT_GE(fd, 0);
    uint32_t done = 0;
    platform::DescriptorWrite(fd, "12345", 5, &done);
    platform::DescriptorClose(fd);
    made_.push_back(name);
    return name;
  }
  std::string MakeDir(const char* leaf) {
    const std::string name = Name(leaf);
    EXPECT_EQ(platform::MakeDirectory(name.c_str(), 0755), 0u);
    made_.push_back(name);
    return name;
  }
  char dir_[32];
  std::vector<std::string> made_;
};

// The platform answers in Linux numbers already.
int32_t Errno(int e) { return e; }

TEST_F(FilesOnDisk, ListingsHoldDotsAndKinds) {
  MakeFile("f");
  MakeDir("d");
  std::vector<platform::DirectoryEntry> entries;
  ASSERT_EQ(platform::ListDirectory(dir_, &entries), 0u);
  int seen = 0;
  for (const auto& e : entries) {
    if (e.name == "." || e.name == "..") {
      EXPECT_EQ(e.kind, platform::FileKind::kDirectory);
      ++seen;
    }
    if (e.name == "f") {
      EXPECT_EQ(e.kind, platform::FileKind::kRegular);
    }
    if (e.name == "d") {
      EXPECT_EQ(e.kind, platform::FileKind::kDirectory);
    }
    EXPECT_NE(e.inode, 0u) << e.name;
  }
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(entries.size(), 4u);
}

TEST_F(FilesOnDisk, ErrorsKeepTheirCause) {
  const std::string file = MakeFile("f");
  const std::string sub = MakeDir("d");
  MakeFile("d/inner");
  EXPECT_EQ(Errno(platform::RemoveDir(sub.c_str())), linux::kENOTEMPTY);
  EXPECT_EQ(Errno(platform::RemoveDir(file.c_str())), linux::kENOTDIR);
  EXPECT_EQ(Errno(platform::RemoveFile(sub.c_str())), linux::kEISDIR);
  EXPECT_EQ(Errno(platform::RemoveFile(Name("none").c_str())), linux::kENOENT);
  EXPECT_EQ(Errno(platform::ChangeDirectory(file.c_str())), linux::kENOTDIR);
  platform::FileStatus s;
  EXPECT_EQ(Errno(platform::PathStatus((file + "/x").c_str(), true, &s)),
            linux::kENOTDIR);
  std::string target;
  EXPECT_EQ(Errno(platform::ReadLink(file.c_str(), &target)), linux::kEINVAL);
}

TEST_F(FilesOnDisk, StatusOfAFileIsStable) {
  const std::string file = MakeFile("f");
  platform::FileStatus a, b;
  ASSERT_EQ(platform::PathStatus(file.c_str(), true, &a), 0u);
  ASSERT_EQ(platform::PathStatus(file.c_str(), true, &b), 0u);
  EXPECT_EQ(a.kind, platform::FileKind::kRegular);
  EXPECT_EQ(a.size, 5u);
  EXPECT_EQ(a.inode, b.inode);
  EXPECT_EQ(a.device, b.device);
  EXPECT_NE(a.permissions & 0200, 0u);
  const platform::FileTime when{1234567890, 0};
  ASSERT_EQ(platform::SetTimes(file.c_str(), &when, &when), 0u);
  ASSERT_EQ(platform::PathStatus(file.c_str(), true, &a), 0u);
  EXPECT_EQ(a.modify.seconds, 1234567890);
  ASSERT_EQ(platform::SetPermissions(file.c_str(), 0444), 0u);
  ASSERT_EQ(platform::PathStatus(file.c_str(), true, &a), 0u);
  EXPECT_EQ(a.permissions & 0222, 0u);
  unsigned char raw[88];
  EXPECT_EQ(tblibc_stat(file.c_str(), raw), 0);
  EXPECT_EQ(At<int32_t>(raw, 44), 5);
}

// ---- Mappings ---------------------------------------------------------------

TEST(FilesMappings, AnonymousPagesAreAlignedZeroedAndMovable) {
  constexpr uint32_t kReadWrite = 3, kPrivateAnonymous = 0x22;
  const uint32_t at = tblibc_mmap(0, 10000, kReadWrite, kPrivateAnonymous, -1, 0);
  ASSERT_NE(at, linux::kMAP_FAILED);
  EXPECT_EQ(at % 4096, 0u);
  auto* bytes = reinterpret_cast<unsigned char*>(uintptr_t{at});
  for (uint32_t i = 0; i < 12288; ++i) ASSERT_EQ(bytes[i], 0) << i;
  bytes[0] = 7;
  const uint32_t moved = tblibc_mremap(at, 10000, 40000, linux::kMREMAP_MAYMOVE);
  ASSERT_NE(moved, linux::kMAP_FAILED);
  EXPECT_EQ(reinterpret_cast<unsigned char*>(uintptr_t{moved})[0], 7);
  EXPECT_EQ(tblibc_munmap(moved, 40000), 0);
  EXPECT_EQ(tblibc_mmap(0, 0, kReadWrite, kPrivateAnonymous, -1, 0),
            linux::kMAP_FAILED);
  EXPECT_EQ(tblibc_mmap(0, 4096, kReadWrite, 0x20, -1, 0), linux::kMAP_FAILED);
  EXPECT_EQ(tblibc_munmap(at + 1, 4096), -1);
}

}  // namespace
