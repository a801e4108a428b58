// The streams family in-process: fopen's mode strings as the Linux C
// library reads them, fmemopen's terminator at the buffer's edges, and how
// getline grows a buffer of the loader's heap. Each table row is what a
// native i386 run of the same calls printed.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "abi/linux.h"
#include "libcbind/guest.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

extern "C" {
void* tblibc_fopen(const char* path, const char* mode);
int tblibc_fclose(void* stream);
void* tblibc_fmemopen(void* buffer, uint32_t size, const char* mode);
int tblibc_fflush(void* stream);
int tblibc_fseek(void* stream, int32_t offset, int32_t whence);
int32_t tblibc_getline(char** line, uint32_t* capacity, void* stream);
void* tblibc_tmpfile();
int tblibc_fgetc(void* stream);
int tblibc_fputc(int c, void* stream);
int tblibc_fputs(const char* text, void* stream);
void tblibc_clearerr(void* stream);
int tblibc_ferror(void* stream);
int32_t tblibc_ftell(void* stream);
void tblibc_rewind(void* stream);
}

namespace {

namespace fs = std::filesystem;

class StreamsTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tumbex-streams-unit-" + std::to_string(::testing::UnitTest::GetInstance()
                                                        ->random_seed()));
    fs::create_directories(dir_);
    existing_ = (dir_ / "existing.txt").string();
    FILE* f = std::fopen(existing_.c_str(), "wb");
    std::fputs("text", f);
    std::fclose(f);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
  std::string existing_;
};

struct ModeRow {
  const char* mode;
  int error;  // 0: opens
  bool reads, writes;
};

// On an existing file of four bytes.
constexpr ModeRow kModes[] = {
    {"r", 0, true, false},         {"rb", 0, true, false},
    {"re", 0, true, false},        {"rw", 0, true, false},  // 'w' passed over
    {"r+b", 0, true, true},        {"r++", 0, true, true},
    {"r,ccs=UTF-8", 0, true, false},
    {"rbbbbbb+", 0, true, false},  // only six characters after the first count
    {"a", 0, false, true},         {"ab+", 0, true, true},
    {"w,ccs=bogus", 0, false, true},
    {"wx", linux::kEEXIST, false, false},
    {"wxyz", linux::kEEXIST, false, false},
    {"z", linux::kEINVAL, false, false},
    {"", linux::kEINVAL, false, false},
    {"b", linux::kEINVAL, false, false},
    {"+r", linux::kEINVAL, false, false},
};

TEST_F(StreamsTest, ModeStringsOpenAsLinuxReadsThem) {
  for (const ModeRow& row : kModes) {
    SCOPED_TRACE(row.mode);
    errno = 0;
    void* stream = tblibc_fopen(existing_.c_str(), row.mode);
    EXPECT_EQ(errno, row.error);
    ASSERT_EQ(stream != nullptr, row.error == 0);
    if (stream == nullptr) continue;
    EXPECT_EQ(tblibc_fgetc(stream) != EOF, row.reads);
    tblibc_clearerr(stream);
    tblibc_fseek(stream, 0, 0);
    EXPECT_EQ(tblibc_fputc('x', stream) == 'x', row.writes);
    EXPECT_EQ(tblibc_fclose(stream), 0);
    // Put the file back as it was for the next row.
    FILE* reset = std::fopen(existing_.c_str(), "wb");
    std::fputs("text", reset);
    std::fclose(reset);
  }
}

TEST_F(StreamsTest, AFailedOpenSaysWhy) {
  errno = 0;
  EXPECT_EQ(tblibc_fopen((dir_ / "missing").string().c_str(), "r"), nullptr);
  EXPECT_EQ(errno, linux::kENOENT);
  EXPECT_EQ(tblibc_fopen(dir_.string().c_str(), "w"), nullptr);
  EXPECT_EQ(errno, linux::kEISDIR);
  EXPECT_EQ(tblibc_fopen(nullptr, "r"), nullptr);
  EXPECT_EQ(errno, linux::kEFAULT);
  EXPECT_EQ(tblibc_fopen(existing_.c_str(), nullptr), nullptr);
  EXPECT_EQ(errno, linux::kEINVAL);
}

struct TerminatorRow {
  const char* mode;
  uint32_t size;
  const char* written;
  const char* expected;  // the buffer of 6 bytes after fclose ('#' untouched)
};

// A buffer of six '#' bytes, of which `size` are the stream's.
constexpr TerminatorRow kTerminators[] = {
    {"w", 6, "ab", "ab\0###"},
    {"w", 6, "abcdef", "abcde\0"},    // the last byte becomes the terminator
    {"w", 6, "abcdefgh", "abcde\0"},  // beyond the end: dropped
    {"w", 3, "abcdef", "ab\0###"},
    {"w", 0, "abc", "######"},
    {"a", 6, "abcdef", "######"},     // no NUL: the text fills the buffer
    {"r+", 6, "ab", "ab####"},        // the data's end is the buffer's end
};

TEST_F(StreamsTest, FmemopenTerminatesWhereLinuxDoes) {
  for (const TerminatorRow& row : kTerminators) {
    SCOPED_TRACE(std::string(row.mode) + " " + row.written);
    char buffer[6];
    std::memset(buffer, '#', sizeof buffer);
    void* stream = tblibc_fmemopen(buffer, row.size, row.mode);
    ASSERT_NE(stream, nullptr);
    tblibc_fputs(row.written, stream);
    tblibc_fclose(stream);
    EXPECT_EQ(std::string(buffer, 6), std::string(row.expected, 6));
  }
}

TEST_F(StreamsTest, AppendingNeverTerminatesInTheLastByte) {
  char buffer[6] = {'a', 'b', '\0', '#', '#', '#'};
  void* stream = tblibc_fmemopen(buffer, sizeof buffer, "a");
  tblibc_fputs("cdefgh", stream);
  tblibc_fclose(stream);
  EXPECT_EQ(std::string(buffer, 6), "abcdef");
}

TEST_F(StreamsTest, FmemopenFlushFailsWhenTheBufferIsFull) {
  char buffer[4];
  void* stream = tblibc_fmemopen(buffer, sizeof buffer, "w");
  tblibc_fputs("abcdef", stream);
  EXPECT_EQ(tblibc_fflush(stream), EOF);
  EXPECT_NE(tblibc_ferror(stream), 0);
  EXPECT_EQ(tblibc_ftell(stream), 4);
  EXPECT_EQ(tblibc_fclose(stream), 0);
}

struct GrowthRow {
  uint32_t capacity;  // 0: no buffer
  size_t length;      // of the line, its '\n' included
  uint32_t grown;
};

constexpr GrowthRow kGrowth[] = {
    {0, 6, 120}, {4, 6, 8}, {8, 7, 8}, {8, 8, 16}, {0, 301, 302}, {200, 301, 400},
};

TEST_F(StreamsTest, GetlineGrowsTheGuestsBuffer) {
  for (const GrowthRow& row : kGrowth) {
    SCOPED_TRACE(row.length);
    void* stream = tblibc_tmpfile();
    ASSERT_NE(stream, nullptr);
    std::string line(row.length - 1, 'x');
    tblibc_fputs((line + "\n").c_str(), stream);
    tblibc_rewind(stream);
    char* block = row.capacity ? static_cast<char*>(tblibc::GuestAlloc(row.capacity)) : nullptr;
    uint32_t capacity = row.capacity;
    EXPECT_EQ(tblibc_getline(&block, &capacity, stream), static_cast<int32_t>(row.length));
    EXPECT_EQ(capacity, row.grown);
    EXPECT_EQ(std::strlen(block), row.length);
    EXPECT_EQ(tblibc_getline(&block, &capacity, stream), -1);
    rtl::HeapFree(block);
    tblibc_fclose(stream);
  }
}

}  // namespace
