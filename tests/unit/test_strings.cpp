// The strings, errors and environment families where in-process testing
// sees more than a guest can: the long-needle search against a plain one
// over many inputs, the old error tables never written past the guest's
// copy whatever the bind order, and the environment's arrays kept alive and
// published through the guest's cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "libc_test_support.h"
#include "libcbind/families.h"
#include "libcbind/tblibc.h"
#include "process/process.h"
#include "libcbind/util.h"
#include "runtime/heap.h"
#include "runtime/rtl.h"

namespace {

using namespace libctest;

class StringsTest : public testing::Test {
 protected:
  void SetUp() override {
    util::Init();
    tblibc::Init();
  }
  void TearDown() override { util::Init(); }
};

using MemmemFn = void*(const void*, uint32_t, const void*, uint32_t);

// Needles long enough for the border-table search, from a two-letter
// alphabet so that partial matches and periodic needles are everywhere;
// the answer must be the first occurrence, as a plain search finds it.
TEST_F(StringsTest, MemmemFindsTheFirstOccurrenceOfLongNeedles) {
  auto* memmem = Import<MemmemFn>("memmem");
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  for (int round = 0; round < 400; ++round) {
    std::string hay(200 + next() % 400, 'a');
    for (char& c : hay) c = (next() % 5 == 0) ? 'b' : 'a';
    const size_t length = 33 + next() % 60;
    std::string needle;
    if (round % 2 == 0 && hay.size() > length) {
      needle = hay.substr(next() % (hay.size() - length), length);
    } else {
      needle.assign(length, 'a');
      needle[next() % length] = 'b';
    }
    const auto expected = std::search(hay.begin(), hay.end(), needle.begin(), needle.end());
    void* found = memmem(hay.data(), static_cast<uint32_t>(hay.size()), needle.data(),
                         static_cast<uint32_t>(needle.size()));
    if (expected == hay.end()) {
      EXPECT_EQ(found, nullptr) << "round " << round;
    } else {
      EXPECT_EQ(found, hay.data() + (expected - hay.begin())) << "round " << round;
    }
  }
}

// Any two names of a version-sorted list (in the order the Linux C
// library sorts them: "1.01" is a fraction and comes before "1.0") compare
// in the list's order.
TEST_F(StringsTest, StrverscmpIsATotalOrderOverAVersionList) {
  auto* compare = Import<int(const char*, const char*)>("strverscmp");
  const char* sorted[] = {"000", "00", "01", "010", "09", "0", "1", "1.01",
                          "1.0", "1.0.1", "1.1", "1.2", "1.9", "1.10",
                          "1.10a", "1.10b", "2", "9", "10", "99", "100",
                          "a", "a0", "a1", "a2", "a10", "b"};
  const size_t n = std::size(sorted);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(compare(sorted[i], sorted[i]), 0) << sorted[i];
    for (size_t j = i + 1; j < n; ++j) {
      EXPECT_LT(compare(sorted[i], sorted[j]), 0) << sorted[i] << " " << sorted[j];
      EXPECT_GT(compare(sorted[j], sorted[i]), 0) << sorted[j] << " " << sorted[i];
    }
  }
}

// The guest's copy of sys_errlist says how many entries it has room for;
// sys_nerr follows it whichever is bound first, and nothing past the copy
// is written.
TEST_F(StringsTest, ErrorTablesStayInsideTheGuestsCopy) {
  for (bool countFirst : {true, false}) {
    for (uint32_t entries : {123u, 135u, 140u}) {
      std::vector<uint32_t> list(entries + 4, 0xDEADBEEF);
      uint32_t count = 0xDEADBEEF;
      auto bindList = [&] {
        EXPECT_TRUE(tblibc::BindDataObject("sys_errlist", Address(list.data()),
                                             entries * 4));
      };
      if (!countFirst) bindList();
      EXPECT_TRUE(tblibc::BindDataObject("sys_nerr", Address(&count), 4));
      if (countFirst) bindList();
      EXPECT_EQ(count, std::min(entries, 135u));
      for (uint32_t i = entries; i < entries + 4; ++i) EXPECT_EQ(list[i], 0xDEADBEEF);
      EXPECT_STREQ(reinterpret_cast<const char*>(uintptr_t{list[2]}),
                   "No such file or directory");
      EXPECT_EQ(list[41], 0u);  // no name, no entry
      for (uint32_t i = 134; i < entries; ++i) EXPECT_EQ(list[i], 0u);
      // The count's cell goes out of scope: no later bind may write it.
      EXPECT_TRUE(tblibc::BindDataObject("sys_nerr", 0, 4));
    }
  }
}

// The environment: the guest's cell holds main's array at start; arrays
// given up for larger ones stay alive on the loader's heap; getenv never
// sees the fixed start entry.
TEST_F(StringsTest, EnvironmentArraysArePublishedAndNeverFreed) {
  static char fixed[] = "_=run";
  static char prog[] = "/x/y/prog";
  auto** envp = static_cast<char**>(rtl::HeapAlloc(2 * sizeof(char*)));
  envp[0] = fixed;
  envp[1] = nullptr;
  char* argv[] = {prog, nullptr};
  process::GuestEnvp = envp;
  process::GuestArgv = argv;
  process::GuestArgc = 1;
  char** cell = nullptr;
  const char* shortName = nullptr;
  ASSERT_TRUE(tblibc::BindDataObject("environ", Address(&cell), 4));
  ASSERT_TRUE(tblibc::BindDataObject("__progname", Address(&shortName), 4));
  tblibc::StartFamilies();
  EXPECT_EQ(cell, envp);
  EXPECT_STREQ(shortName, "prog");

  auto* getenv = Import<char*(const char*)>("getenv");
  auto* setenv = Import<int(const char*, const char*, int)>("setenv");
  EXPECT_EQ(getenv("_"), nullptr);
  std::vector<char**> seen = {cell};
  for (int i = 0; i < 100; ++i) {
    const std::string name = "N" + std::to_string(i);
    ASSERT_EQ(setenv(name.c_str(), "v", 1), 0);
    if (cell != seen.back()) seen.push_back(cell);
  }
  EXPECT_GE(seen.size(), 3u);  // grown more than once
  for (char** array : seen) EXPECT_TRUE(rtl::HeapIsLive(array));
  EXPECT_STREQ(cell[0], "_=run");
  EXPECT_STREQ(getenv("N99"), "v");

  EXPECT_EQ(Import<int()>("clearenv")(), 0);
  EXPECT_EQ(cell, nullptr);
  EXPECT_EQ(getenv("N1"), nullptr);
  for (char** array : seen) EXPECT_TRUE(rtl::HeapIsLive(array));
  process::GuestEnvp = nullptr;
  process::GuestArgv = nullptr;
  process::GuestArgc = 0;
  // A later test's start must not find this test's cells.
  ASSERT_TRUE(tblibc::BindDataObject("environ", 0, 4));
  ASSERT_TRUE(tblibc::BindDataObject("__progname", 0, 4));
}

}  // namespace
