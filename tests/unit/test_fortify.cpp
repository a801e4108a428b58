// The fortify family's data objects as the image loader hands them over:
// the class table pointer of older C libraries and the single-thread flag,
// and FD_SET's word index within the bound.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "libcbind/families.h"

extern "C" int32_t tblibc_fdelt_chk(int32_t fd);

namespace {

uint32_t AddressOf(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

TEST(Fortify, CtypeBPointsAtTheClassTable) {
  const uint16_t* table = nullptr;
  ASSERT_TRUE(tblibc::BindDataObject("__ctype_b", AddressOf(&table), 4));
  ASSERT_NE(table, nullptr);
  // glibc's bits: _ISupper 0x100, _ISdigit 0x800, _ISspace 0x2000; EOF and
  // the bytes above 127 have none in the "C" locale.
  EXPECT_TRUE(table['A'] & 0x100);
  EXPECT_TRUE(table['7'] & 0x800);
  EXPECT_TRUE(table[' '] & 0x2000);
  EXPECT_EQ(table[-1], 0);
  EXPECT_EQ(table[200], 0);
}

TEST(Fortify, CaseTablesOfOlderLibrariesMapEveryIndex) {
  const int32_t* lower = nullptr;
  const int32_t* upper = nullptr;
  ASSERT_TRUE(tblibc::BindDataObject("__ctype_tolower", AddressOf(&lower), 4));
  ASSERT_TRUE(tblibc::BindDataObject("__ctype_toupper", AddressOf(&upper), 4));
  ASSERT_NE(lower, nullptr);
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(lower['A'], 'a');
  EXPECT_EQ(upper['z'], 'Z');
  EXPECT_EQ(lower['1'], '1');
  EXPECT_EQ(lower[-1], -1);    // EOF maps to itself
  EXPECT_EQ(upper[200], 200);  // no case above 127 in the "C" locale
}

TEST(Fortify, TheGuestIsSingleThreaded) {
  uint8_t flag[4] = {0, 0x55, 0x55, 0x55};
  ASSERT_TRUE(tblibc::BindDataObject("__libc_single_threaded", AddressOf(flag), 1));
  EXPECT_EQ(flag[0], 1);
  EXPECT_EQ(flag[1], 0x55);  // a one-byte object: nothing past it
}

TEST(Fortify, FdeltChkGivesTheWordIndex) {
  EXPECT_EQ(tblibc_fdelt_chk(0), 0);
  EXPECT_EQ(tblibc_fdelt_chk(31), 0);
  EXPECT_EQ(tblibc_fdelt_chk(32), 1);
  EXPECT_EQ(tblibc_fdelt_chk(1023), 31);
}

}  // namespace
