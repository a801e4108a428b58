// The number engines over tables of hard inputs, with what the Linux i386
// C library answers for each (taken from native runs and written in here,
// so the Windows port is held to the same bits), and the scanf family over
// a host stream.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "libcbind/strtod.h"
#include "libcbind/tblibc.h"
#include "libc_test_support.h"

namespace {

using tblibc::numparse::FloatFormat;
using tblibc::numparse::ParseFloat;
using tblibc::numparse::ParseInteger;

struct IntegerExpect {
  uint64_t value;
  size_t length;
  bool range;
};

// strtol, strtoul, strtoll and strtoull of each input in its base.
struct IntegerRow {
  const char* input;
  int base;
  IntegerExpect expect[4];
};

constexpr IntegerRow kIntegers[] = {
    {"0", 0, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"12", 10, {{0xcu, 2, 0}, {0xcu, 2, 0}, {0xcull, 2, 0}, {0xcull, 2, 0}}},
    {"-12", 10, {{0xfffffff4u, 3, 0}, {0xfffffff4u, 3, 0}, {0xfffffffffffffff4ull, 3, 0}, {0xfffffffffffffff4ull, 3, 0}}},
    {" \x09""-0x1g", 0, {{0xffffffffu, 6, 0}, {0xffffffffu, 6, 0}, {0xffffffffffffffffull, 6, 0}, {0xffffffffffffffffull, 6, 0}}},
    {"0x", 0, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"0x", 16, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"0xg", 16, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"0X1F", 0, {{0x1fu, 4, 0}, {0x1fu, 4, 0}, {0x1full, 4, 0}, {0x1full, 4, 0}}},
    {"010", 0, {{0x8u, 3, 0}, {0x8u, 3, 0}, {0x8ull, 3, 0}, {0x8ull, 3, 0}}},
    {"08", 0, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"1010", 2, {{0xau, 4, 0}, {0xau, 4, 0}, {0xaull, 4, 0}, {0xaull, 4, 0}}},
    {"0b101", 2, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"zz", 36, {{0x50fu, 2, 0}, {0x50fu, 2, 0}, {0x50full, 2, 0}, {0x50full, 2, 0}}},
    {"ZZ", 36, {{0x50fu, 2, 0}, {0x50fu, 2, 0}, {0x50full, 2, 0}, {0x50full, 2, 0}}},
    {"2147483647", 10, {{0x7fffffffu, 10, 0}, {0x7fffffffu, 10, 0}, {0x7fffffffull, 10, 0}, {0x7fffffffull, 10, 0}}},
    {"2147483648", 10, {{0x7fffffffu, 10, 1}, {0x80000000u, 10, 0}, {0x80000000ull, 10, 0}, {0x80000000ull, 10, 0}}},
    {"-2147483648", 10, {{0x80000000u, 11, 0}, {0x80000000u, 11, 0}, {0xffffffff80000000ull, 11, 0}, {0xffffffff80000000ull, 11, 0}}},
    {"-2147483649", 10, {{0x80000000u, 11, 1}, {0x7fffffffu, 11, 0}, {0xffffffff7fffffffull, 11, 0}, {0xffffffff7fffffffull, 11, 0}}},
    {"4294967295", 10, {{0x7fffffffu, 10, 1}, {0xffffffffu, 10, 0}, {0xffffffffull, 10, 0}, {0xffffffffull, 10, 0}}},
    {"4294967296", 10, {{0x7fffffffu, 10, 1}, {0xffffffffu, 10, 1}, {0x100000000ull, 10, 0}, {0x100000000ull, 10, 0}}},
    {"-4294967295", 10, {{0x80000000u, 11, 1}, {0x1u, 11, 0}, {0xffffffff00000001ull, 11, 0}, {0xffffffff00000001ull, 11, 0}}},
    {"-4294967296", 10, {{0x80000000u, 11, 1}, {0xffffffffu, 11, 1}, {0xffffffff00000000ull, 11, 0}, {0xffffffff00000000ull, 11, 0}}},
    {"0xffffffff", 0, {{0x7fffffffu, 10, 1}, {0xffffffffu, 10, 0}, {0xffffffffull, 10, 0}, {0xffffffffull, 10, 0}}},
    {"0x100000000", 0, {{0x7fffffffu, 11, 1}, {0xffffffffu, 11, 1}, {0x100000000ull, 11, 0}, {0x100000000ull, 11, 0}}},
    {"9223372036854775807", 10, {{0x7fffffffu, 19, 1}, {0xffffffffu, 19, 1}, {0x7fffffffffffffffull, 19, 0}, {0x7fffffffffffffffull, 19, 0}}},
    {"9223372036854775808", 10, {{0x7fffffffu, 19, 1}, {0xffffffffu, 19, 1}, {0x7fffffffffffffffull, 19, 1}, {0x8000000000000000ull, 19, 0}}},
    {"-9223372036854775808", 10, {{0x80000000u, 20, 1}, {0xffffffffu, 20, 1}, {0x8000000000000000ull, 20, 0}, {0x8000000000000000ull, 20, 0}}},
    {"-9223372036854775809", 0, {{0x80000000u, 20, 1}, {0xffffffffu, 20, 1}, {0x8000000000000000ull, 20, 1}, {0x7fffffffffffffffull, 20, 0}}},
    {"18446744073709551615", 10, {{0x7fffffffu, 20, 1}, {0xffffffffu, 20, 1}, {0x7fffffffffffffffull, 20, 1}, {0xffffffffffffffffull, 20, 0}}},
    {"18446744073709551616", 10, {{0x7fffffffu, 20, 1}, {0xffffffffu, 20, 1}, {0x7fffffffffffffffull, 20, 1}, {0xffffffffffffffffull, 20, 1}}},
    {"-18446744073709551615", 10, {{0x80000000u, 21, 1}, {0xffffffffu, 21, 1}, {0x8000000000000000ull, 21, 1}, {0x1ull, 21, 0}}},
    {"-18446744073709551616", 10, {{0x80000000u, 21, 1}, {0xffffffffu, 21, 1}, {0x8000000000000000ull, 21, 1}, {0xffffffffffffffffull, 21, 1}}},
    {"3w5e11264sgsf", 36, {{0x7fffffffu, 13, 1}, {0xffffffffu, 13, 1}, {0x7fffffffffffffffull, 13, 1}, {0xffffffffffffffffull, 13, 0}}},
    {"3w5e11264sgsg", 36, {{0x7fffffffu, 13, 1}, {0xffffffffu, 13, 1}, {0x7fffffffffffffffull, 13, 1}, {0xffffffffffffffffull, 13, 1}}},
    {"ffffffffffffffff0", 16, {{0x7fffffffu, 17, 1}, {0xffffffffu, 17, 1}, {0x7fffffffffffffffull, 17, 1}, {0xffffffffffffffffull, 17, 1}}},
    {"1777777777777777777777", 8, {{0x7fffffffu, 22, 1}, {0xffffffffu, 22, 1}, {0x7fffffffffffffffull, 22, 1}, {0xffffffffffffffffull, 22, 0}}},
    {"2000000000000000000000", 8, {{0x7fffffffu, 22, 1}, {0xffffffffu, 22, 1}, {0x7fffffffffffffffull, 22, 1}, {0xffffffffffffffffull, 22, 1}}},
    {"99999999999999999999999999", 10, {{0x7fffffffu, 26, 1}, {0xffffffffu, 26, 1}, {0x7fffffffffffffffull, 26, 1}, {0xffffffffffffffffull, 26, 1}}},
    {"", 10, {{0x0u, 0, 0}, {0x0u, 0, 0}, {0x0ull, 0, 0}, {0x0ull, 0, 0}}},
    {"-", 10, {{0x0u, 0, 0}, {0x0u, 0, 0}, {0x0ull, 0, 0}, {0x0ull, 0, 0}}},
    {"+-1", 10, {{0x0u, 0, 0}, {0x0u, 0, 0}, {0x0ull, 0, 0}, {0x0ull, 0, 0}}},
    {"- 1", 10, {{0x0u, 0, 0}, {0x0u, 0, 0}, {0x0ull, 0, 0}, {0x0ull, 0, 0}}},
    {"0x-1", 16, {{0x0u, 1, 0}, {0x0u, 1, 0}, {0x0ull, 1, 0}, {0x0ull, 1, 0}}},
    {"00000000000000000000000000000000000017", 10, {{0x11u, 38, 0}, {0x11u, 38, 0}, {0x11ull, 38, 0}, {0x11ull, 38, 0}}},
};

TEST(NumbersInteger, AgreesWithTheLinuxCLibrary) {
  struct Kind {
    int bits;
    bool isSigned;
  };
  constexpr Kind kKinds[] = {{32, true}, {32, false}, {64, true}, {64, false}};
  for (const IntegerRow& row : kIntegers) {
    for (int k = 0; k < 4; ++k) {
      const auto r = ParseInteger(row.input, row.base, kKinds[k].bits,
                                  kKinds[k].isSigned);
      const IntegerExpect& e = row.expect[k];
      // No conversion: the Linux C library's end pointer is the input.
      EXPECT_EQ(r.value, e.value) << row.input << " base " << row.base << " kind " << k;
      EXPECT_EQ(r.length, e.length) << row.input << " base " << row.base << " kind " << k;
      EXPECT_EQ(r.range, e.range) << row.input << " base " << row.base << " kind " << k;
    }
  }
}

// The C23 names take "0b" as "0x" is taken: a prefix only with a binary
// digit after it, for bases 0 and 2.
TEST(NumbersInteger, BinaryPrefixOfTheC23Names) {
  struct Row {
    const char* input;
    int base;
    uint64_t value;
    size_t length;
  };
  constexpr Row kRows[] = {
      {"0b101", 0, 5, 5},  {"0B11", 2, 3, 4},     {"-0b1", 0, ~uint64_t{0}, 4},
      {"0b2", 0, 0, 1},    {"0b", 2, 0, 1},       {"0b101", 16, 0xb101, 5},
      {"0b101", 10, 0, 1}, {"0x1f", 0, 0x1f, 4},  {"017", 0, 15, 3},
  };
  for (const Row& row : kRows) {
    const auto r = ParseInteger(row.input, row.base, 64, true, true);
    EXPECT_EQ(r.value, row.value) << row.input << " base " << row.base;
    EXPECT_EQ(r.length, row.length) << row.input << " base " << row.base;
  }
  EXPECT_EQ(ParseInteger("0b101", 0, 32, true).length, 1u);
}

struct DoubleExpect {
  uint64_t bits;
  size_t length;
  bool range;
};
struct FloatExpect {
  uint32_t bits;
  size_t length;
  bool range;
};
struct ExtendedExpect {
  uint16_t signExponent;
  uint64_t significand;
  size_t length;
  bool range;
};

struct FloatRow {
  const char* input;
  DoubleExpect asDouble;
  FloatExpect asFloat;
  ExtendedExpect asExtended;
};

// Among them: exact halfway points written out in full (over a thousand
// digits, past the digits that can decide a double's rounding), ties to
// even, denormals and the tininess rule for ERANGE, the ends of the range.
const FloatRow kFloats[] = {
    {"0",
     {0x0000000000000000ull, 1, 0}, {0x00000000u, 1, 0}, {0x0000, 0x0000000000000000ull, 1, 0}},
    {"-0",
     {0x8000000000000000ull, 2, 0}, {0x80000000u, 2, 0}, {0x8000, 0x0000000000000000ull, 2, 0}},
    {"1",
     {0x3ff0000000000000ull, 1, 0}, {0x3f800000u, 1, 0}, {0x3fff, 0x8000000000000000ull, 1, 0}},
    {"0.1",
     {0x3fb999999999999aull, 3, 0}, {0x3dcccccdu, 3, 0}, {0x3ffb, 0xcccccccccccccccdull, 3, 0}},
    {"-.5",
     {0xbfe0000000000000ull, 3, 0}, {0xbf000000u, 3, 0}, {0xbffe, 0x8000000000000000ull, 3, 0}},
    {"  +1.5e3",
     {0x4097700000000000ull, 8, 0}, {0x44bb8000u, 8, 0}, {0x4009, 0xbb80000000000000ull, 8, 0}},
    {"1e",
     {0x3ff0000000000000ull, 1, 0}, {0x3f800000u, 1, 0}, {0x3fff, 0x8000000000000000ull, 1, 0}},
    {"1e+",
     {0x3ff0000000000000ull, 1, 0}, {0x3f800000u, 1, 0}, {0x3fff, 0x8000000000000000ull, 1, 0}},
    {".e1",
     {0x0000000000000000ull, 0, 0}, {0x00000000u, 0, 0}, {0x0000, 0x0000000000000000ull, 0, 0}},
    {".",
     {0x0000000000000000ull, 0, 0}, {0x00000000u, 0, 0}, {0x0000, 0x0000000000000000ull, 0, 0}},
    {"9007199254740993",
     {0x4340000000000000ull, 16, 0}, {0x5a000000u, 16, 0}, {0x4034, 0x8000000000000400ull, 16, 0}},
    {"9007199254740995",
     {0x4340000000000002ull, 16, 0}, {0x5a000000u, 16, 0}, {0x4034, 0x8000000000000c00ull, 16, 0}},
    {"1.7976931348623157e308",
     {0x7fefffffffffffffull, 22, 0}, {0x7f800000u, 22, 1}, {0x43fe, 0xfffffffffffff7acull, 22, 0}},
    {"1.7976931348623158e308",
     {0x7fefffffffffffffull, 22, 0}, {0x7f800000u, 22, 1}, {0x43fe, 0xfffffffffffffbafull, 22, 0}},
    {"1.7976931348623159e308",
     {0x7ff0000000000000ull, 22, 1}, {0x7f800000u, 22, 1}, {0x43fe, 0xffffffffffffffb1ull, 22, 0}},
    {"1e400",
     {0x7ff0000000000000ull, 5, 1}, {0x7f800000u, 5, 1}, {0x452f, 0xda763fc8cb9ff9e6ull, 5, 0}},
    {"1e99999999999999999999",
     {0x7ff0000000000000ull, 22, 1}, {0x7f800000u, 22, 1}, {0x7fff, 0x8000000000000000ull, 22, 1}},
    {"2.2250738585072011e-308",
     {0x000fffffffffffffull, 23, 1}, {0x00000000u, 23, 1}, {0x3c00, 0xfffffffffffff6d5ull, 23, 0}},
    {"2.2250738585072012e-308",
     {0x0010000000000000ull, 23, 1}, {0x00000000u, 23, 1}, {0x3c00, 0xfffffffffffffa12ull, 23, 0}},
    {"4.9406564584124654e-324",
     {0x0000000000000001ull, 23, 1}, {0x00000000u, 23, 1}, {0x3bcc, 0xffffffffffffff64ull, 23, 0}},
    {"2.4703282292062328e-324",
     {0x0000000000000001ull, 23, 1}, {0x00000000u, 23, 1}, {0x3bcc, 0x8000000000000127ull, 23, 0}},
    {"2.4703282292062327e-324",
     {0x0000000000000000ull, 23, 1}, {0x00000000u, 23, 1}, {0x3bcb, 0xffffffffffffff64ull, 23, 0}},
    {"1e-400",
     {0x0000000000000000ull, 6, 1}, {0x00000000u, 6, 1}, {0x3ace, 0x95fe7e07c91efafaull, 6, 0}},
    {"1e-99999999999",
     {0x0000000000000000ull, 14, 1}, {0x00000000u, 14, 1}, {0x0000, 0x0000000000000000ull, 14, 1}},
    {"0x",
     {0x0000000000000000ull, 1, 0}, {0x00000000u, 1, 0}, {0x0000, 0x0000000000000000ull, 1, 0}},
    {"0x.",
     {0x0000000000000000ull, 1, 0}, {0x00000000u, 1, 0}, {0x0000, 0x0000000000000000ull, 1, 0}},
    {"0x1p",
     {0x3ff0000000000000ull, 3, 0}, {0x3f800000u, 3, 0}, {0x3fff, 0x8000000000000000ull, 3, 0}},
    {"0x1p-1074",
     {0x0000000000000001ull, 9, 0}, {0x00000000u, 9, 1}, {0x3bcd, 0x8000000000000000ull, 9, 0}},
    {"0x1p-1075",
     {0x0000000000000000ull, 9, 1}, {0x00000000u, 9, 1}, {0x3bcc, 0x8000000000000000ull, 9, 0}},
    {"0x1.fffffffffffffp-1023",
     {0x0010000000000000ull, 23, 1}, {0x00000000u, 23, 1}, {0x3c00, 0xfffffffffffff800ull, 23, 0}},
    {"0x1.fffffffffffff8p-1023",
     {0x0010000000000000ull, 24, 0}, {0x00000000u, 24, 1}, {0x3c00, 0xfffffffffffffc00ull, 24, 0}},
    {"0x1.000000000000080000000001p0",
     {0x3ff0000000000001ull, 30, 0}, {0x3f800000u, 30, 0}, {0x3fff, 0x8000000000000400ull, 30, 0}},
    {"0x123456789abcdef0123456789p-50",
     {0x42d23456789abcdfull, 31, 0}, {0x5691a2b4u, 31, 0}, {0x402d, 0x91a2b3c4d5e6f781ull, 31, 0}},
    {"0x1p-16445",
     {0x0000000000000000ull, 10, 1}, {0x00000000u, 10, 1}, {0x0000, 0x0000000000000001ull, 10, 0}},
    {"0x1p-16446",
     {0x0000000000000000ull, 10, 1}, {0x00000000u, 10, 1}, {0x0000, 0x0000000000000000ull, 10, 1}},
    {"inf",
     {0x7ff0000000000000ull, 3, 0}, {0x7f800000u, 3, 0}, {0x7fff, 0x8000000000000000ull, 3, 0}},
    {"-infinity",
     {0xfff0000000000000ull, 9, 0}, {0xff800000u, 9, 0}, {0xffff, 0x8000000000000000ull, 9, 0}},
    {"infinit",
     {0x7ff0000000000000ull, 3, 0}, {0x7f800000u, 3, 0}, {0x7fff, 0x8000000000000000ull, 3, 0}},
    {"nan",
     {0x7ff8000000000000ull, 3, 0}, {0x7fc00000u, 3, 0}, {0x7fff, 0xc000000000000000ull, 3, 0}},
    {"-nan",
     {0xfff8000000000000ull, 4, 0}, {0xffc00000u, 4, 0}, {0xffff, 0xc000000000000000ull, 4, 0}},
    {"nan(123)",
     {0x7ff800000000007bull, 8, 0}, {0x7fc0007bu, 8, 0}, {0x7fff, 0xc00000000000007bull, 8, 0}},
    {"nan(0x7)",
     {0x7ff8000000000007ull, 8, 0}, {0x7fc00007u, 8, 0}, {0x7fff, 0xc000000000000007ull, 8, 0}},
    {"nan(abc)",
     {0x7ff8000000000000ull, 8, 0}, {0x7fc00000u, 8, 0}, {0x7fff, 0xc000000000000000ull, 8, 0}},
    {"nan(",
     {0x7ff8000000000000ull, 3, 0}, {0x7fc00000u, 3, 0}, {0x7fff, 0xc000000000000000ull, 3, 0}},
    {"1.00000005960464477539062501",
     {0x3ff0000010000000ull, 28, 0}, {0x3f800001u, 28, 0}, {0x3fff, 0x8000008000000000ull, 28, 0}},
    {"3.4028235e38",
     {0x47efffffe54daff8ull, 12, 0}, {0x7f7fffffu, 12, 0}, {0x407e, 0xffffff2a6d7fc1bfull, 12, 0}},
    {"3.4028236e38",
     {0x47effffff514a7bcull, 12, 0}, {0x7f800000u, 12, 1}, {0x407e, 0xffffffa8a53de1e2ull, 12, 0}},
    {"1e-45",
     {0x3696d601ad376ab9ull, 5, 0}, {0x00000001u, 5, 1}, {0x3f69, 0xb6b00d69bb55c8d1ull, 5, 0}},
    {"7e-46",
     {0x368ff868bf4d956aull, 5, 0}, {0x00000000u, 5, 1}, {0x3f68, 0xffc345fa6cab4c58ull, 5, 0}},
    {"1.18973149535723176502e+4932",
     {0x7ff0000000000000ull, 28, 1}, {0x7f800000u, 28, 1}, {0x7ffe, 0xffffffffffffffffull, 28, 0}},
    {"3.6e-4951",
     {0x0000000000000000ull, 9, 1}, {0x00000000u, 9, 1}, {0x0000, 0x0000000000000001ull, 9, 1}},
    {"0.3333333333333333333333333",
     {0x3fd5555555555555ull, 27, 0}, {0x3eaaaaabu, 27, 0}, {0x3ffd, 0xaaaaaaaaaaaaaaabull, 27, 0}},
    {"123.456e-7",
     {0x3ee9e3fe580f5494ull, 10, 0}, {0x374f1ff3u, 10, 0}, {0x3fee, 0xcf1ff2c07aa4a3f3ull, 10, 0}},
    {"7.2057594037927933e16",
     {0x4370000000000000ull, 21, 0}, {0x5b800000u, 21, 0}, {0x4036, 0xfffffffffffffd00ull, 21, 0}},
    {"0.30000000000000004",
     {0x3fd3333333333334ull, 19, 0}, {0x3e99999au, 19, 0}, {0x3ffd, 0x9999999999999f5dull, 19, 0}},
    {"1e23",
     {0x44b52d02c7e14af6ull, 4, 0}, {0x65a96816u, 4, 0}, {0x404b, 0xa968163f0a57b400ull, 4, 0}},
    {"8.5e-323",
     {0x0000000000000011ull, 8, 1}, {0x00000000u, 8, 1}, {0x3bd1, 0x89a22f2b624aefceull, 8, 0}},
    {"5e-324",
     {0x0000000000000001ull, 6, 1}, {0x00000000u, 6, 1}, {0x3bcd, 0x818995ce7aa0e1b2ull, 6, 0}},
    {"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000024703282292062327208828439643411068618252990130716238221279284125033775363510437593264991818081799618989828234772285886546332835517796989819938739800539093906315035659515570226392290858392449105184435931802849936536152500319370457678249219365623669863658480757001585769269903706311928279558551332927834338409351978015531246597263579574622766465272827220056374006485499977096599470454020828166226237857393450736339007967761930577506740176324673600968951340535537458516661134223766678604162159680461914467291840300530057530849048765391711386591646239524912623653881879636239373280423891018672348497668235089863388587925628302755995657524455507255189313690836254779186948667994968324049705821028513185451396213837722826145437693412532098591327667236328125",
     {0x0000000000000000ull, 1077, 1}, {0x00000000u, 1077, 1}, {0x3bcc, 0x8000000000000000ull, 1077, 0}},
    {"0.00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000247032822920623272088284396434110686182529901307162382212792841250337753635104375932649918180817996189898282347722858865463328355177969898199387398005390939063150356595155702263922908583924491051844359318028499365361525003193704576782492193656236698636584807570015857692699037063119282795585513329278343384093519780155312465972635795746227664652728272200563740064854999770965994704540208281662262378573934507363390079677619305775067401763246736009689513405355374585166611342237666786041621596804619144672918403005300575308490487653917113865916462395249126236538818796362393732804238910186723484976682350898633885879256283027559956575244555072551893136908362547791869486679949683240497058210285131854513962138377228261454376934125320985913276672363281251",
     {0x0000000000000001ull, 1078, 1}, {0x00000000u, 1078, 1}, {0x3bcc, 0x8000000000000000ull, 1078, 0}},
    {"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000024703282292062327208828439643411068618252990130716238221279284125033775363510437593264991818081799618989828234772285886546332835517796989819938739800539093906315035659515570226392290858392449105184435931802849936536152500319370457678249219365623669863658480757001585769269903706311928279558551332927834338409351978015531246597263579574622766465272827220056374006485499977096599470454020828166226237857393450736339007967761930577506740176324673600968951340535537458516661134223766678604162159680461914467291840300530057530849048765391711386591646239524912623653881879636239373280423891018672348497668235089863388587925628302755995657524455507255189313690836254779186948667994968324049705821028513185451396213837722826145437693412532098591327667236328125000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001",
     {0x0000000000000001ull, 1278, 1}, {0x00000000u, 1278, 1}, {0x3bcc, 0x8000000000000000ull, 1278, 0}},
    {"0.000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000002470328229206232720882843964341106861825299013071623822127928412503377536351043759326499181808179961898982823477228588654633283551779698981993873980053909390631503565951557022639229085839244910518443593180284993653615250031937045767824921936562366986365848075700158576926990370631192827955855133292783433840935197801553124659726357957462276646527282722005637400648549997709659947045402082816622623785739345073633900796776193057750674017632467360096895134053553745851666113422376667860416215968046191446729184030053005753084904876539171138659164623952491262365388187963623937328042389101867234849766823508986338858792562830275599565752445550725518931369083625477918694866799496832404970582102851318545139621383772282614543769341253209859132766723632812",
     {0x0000000000000000ull, 1076, 1}, {0x00000000u, 1076, 1}, {0x3bcc, 0x8000000000000000ull, 1076, 0}},
    {"1.00000000000000011102230246251565404236316680908203125",
     {0x3ff0000000000000ull, 55, 0}, {0x3f800000u, 55, 0}, {0x3fff, 0x8000000000000400ull, 55, 0}},
    {"1.000000000000000111022302462515654042363166809082031250000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000001",
     {0x3ff0000000000001ull, 956, 0}, {0x3f800000u, 956, 0}, {0x3fff, 0x8000000000000400ull, 956, 0}},
    {"179769313486231580793728971405303415079934132710037826936173778980444968292764750946649017977587207096330286416692887910946555547851940402630657488671505820681908902000708383676273854845817711531764475730270069855571366959622842914819860834936475292719074168444365510704342711559699508093042880177904174497792",
     {0x7ff0000000000000ull, 309, 1}, {0x7f800000u, 309, 1}, {0x43fe, 0xfffffffffffffc00ull, 309, 0}},
    {"179769313486231580793728971405303415079934132710037826936173778980444968292764750946649017977587207096330286416692887910946555547851940402630657488671505820681908902000708383676273854845817711531764475730270069855571366959622842914819860834936475292719074168444365510704342711559699508093042880177904174497791",
     {0x7fefffffffffffffull, 309, 0}, {0x7f800000u, 309, 1}, {0x43fe, 0xfffffffffffffc00ull, 309, 0}},
    {"0.0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000100000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000e400",
     {0x3fb999999999999aull, 907, 0}, {0x3dcccccdu, 907, 0}, {0x3ffb, 0xcccccccccccccccdull, 907, 0}},
};

TEST(NumbersFloat, AgreesWithTheLinuxCLibrary) {
  for (const FloatRow& row : kFloats) {
    const std::string name = std::string(row.input).substr(0, 60);
    const auto d = ParseFloat(row.input, FloatFormat::kDouble);
    EXPECT_EQ(d.bits, row.asDouble.bits) << name;
    EXPECT_EQ(d.length, row.asDouble.length) << name;
    EXPECT_EQ(d.range, row.asDouble.range) << name;
    const auto f = ParseFloat(row.input, FloatFormat::kFloat);
    EXPECT_EQ(f.bits, row.asFloat.bits) << name;
    EXPECT_EQ(f.length, row.asFloat.length) << name;
    EXPECT_EQ(f.range, row.asFloat.range) << name;
    const auto x = ParseFloat(row.input, FloatFormat::kExtended);
    EXPECT_EQ(x.signExponent, row.asExtended.signExponent) << name;
    EXPECT_EQ(x.bits, row.asExtended.significand) << name;
    EXPECT_EQ(x.length, row.asExtended.length) << name;
    EXPECT_EQ(x.range, row.asExtended.range) << name;
  }
}

// Doubles from all over the range (a fixed sequence), written with 17
// digits and parsed back, are themselves: the fast path and the exact one
// meet without a seam.
TEST(NumbersFloat, SeventeenDigitsRoundTrip) {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 20000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    uint64_t bits = state & 0x7FFFFFFFFFFFFFFFull;
    if ((bits >> 52) == 0x7FF) bits &= 0x3FFFFFFFFFFFFFFFull;
    double v;
    std::memcpy(&v, &bits, 8);
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", v);
    EXPECT_EQ(ParseFloat(text, FloatFormat::kDouble).bits, bits) << text;
  }
}

// ---- The registered entries -------------------------------------------------

using libctest::Import;

// The registry as a run has it.
class NumbersEntries : public testing::Test {
 protected:
  void SetUp() override {
    util::Init();
    tblibc::Init();
  }
  void TearDown() override { util::Init(); }
};
using ScanStream = NumbersEntries;

TEST_F(NumbersEntries, BadBaseLeavesTheEndPointer) {
  auto strtol = Import<int32_t(const char*, char**, int32_t)>("strtol");
  char* end = reinterpret_cast<char*>(1);
  errno = 0;
  EXPECT_EQ(strtol("12", &end, 1), 0);
  EXPECT_EQ(errno, 22);
  EXPECT_EQ(end, reinterpret_cast<char*>(1));
  const char* text = "0x";
  errno = 0;
  EXPECT_EQ(strtol(text, &end, 0), 0);
  EXPECT_EQ(end, text + 1);
  EXPECT_EQ(errno, 0);
}

TEST_F(NumbersEntries, StrtoldComesBackWholeInSt0) {
  auto strtold = Import<long double(const char*, char**)>("strtold");
  const long double v = strtold("0.1", nullptr);
  unsigned char bytes[10];
  std::memcpy(bytes, &v, 10);
  const unsigned char expect[10] = {0xcd, 0xcc, 0xcc, 0xcc, 0xcc,
                                    0xcc, 0xcc, 0xcc, 0xfb, 0x3f};
  EXPECT_EQ(std::memcmp(bytes, expect, 10), 0);
}

TEST_F(NumbersEntries, MbCurMaxIsOne) {
  EXPECT_EQ(Import<uint32_t()>("__ctype_get_mb_cur_max")(), 1u);
}

// ---- fscanf over a stream ----------------------------------------------

TEST_F(ScanStream, ReadsAFileAndPutsBackTheCharacterThatEndedAField) {
  const auto path = libctest::TempPath("input");
  libctest::WriteFile(path, "  42 0x1fz 3.5e2 name  \nnext");
  void* f = Import<void*(const char*, const char*)>("fopen")(path.string().c_str(), "rb");
  ASSERT_NE(f, nullptr);
  auto getc = Import<int(void*)>("getc");
  auto fscanf = Import<int(void*, const char*, ...)>("__isoc99_fscanf");
  int a = 0, n = 0;
  unsigned x = 0;
  double d = 0;
  char word[16] = "";
  EXPECT_EQ(fscanf(f, "%d %x%n", &a, &x, &n), 2);
  EXPECT_EQ(a, 42);
  EXPECT_EQ(x, 0x1fu);
  EXPECT_EQ(n, 9);
  EXPECT_EQ(getc(f), 'z');
  EXPECT_EQ(fscanf(f, "%lf %s", &d, word), 2);
  EXPECT_EQ(d, 350.0);
  EXPECT_STREQ(word, "name");
  EXPECT_EQ(getc(f), ' ');
  EXPECT_EQ(fscanf(f, " next %d", &a), -1);  // end of input before a conversion
  Import<int(void*)>("fclose")(f);
  std::remove(path.string().c_str());
}

TEST_F(ScanStream, MatchingFailureAnswersTheCountSoFar) {
  auto sscanf = Import<int(const char*, const char*, ...)>("sscanf");
  int a = 0, b = 0;
  EXPECT_EQ(sscanf("7 x", "%d %d", &a, &b), 1);
  EXPECT_EQ(sscanf("", "%d", &a), -1);
  EXPECT_EQ(sscanf("x", "%d", &a), 0);
  // The older name reads %as as %ms; the C99 one as a float.
  char* s = nullptr;
  EXPECT_EQ(sscanf("word", "%as", &s), 1);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s, "word");
  Import<void(void*)>("free")(s);
  float f = 0;
  auto c99 = Import<int(const char*, const char*, ...)>("__isoc99_sscanf");
  EXPECT_EQ(c99("2.5s", "%as", &f), 1);
  EXPECT_EQ(f, 2.5f);
}

TEST_F(ScanStream, TheC23NamesReadBinary) {
  auto c23 = Import<int(const char*, const char*, ...)>("__isoc23_sscanf");
  auto c99 = Import<int(const char*, const char*, ...)>("__isoc99_sscanf");
  int a = 0, c = 0, n = 0;
  unsigned b = 0;
  EXPECT_EQ(c23("0b101 0B11 101 0x1f%", "%i %b %b %i%n", &a, &b, &c, &a, &n), 4);
  EXPECT_EQ(a, 31);
  EXPECT_EQ(b, 3u);
  EXPECT_EQ(c, 5);
  EXPECT_EQ(n, 19);
  EXPECT_EQ(c23("0b2", "%i%n", &a, &n), 1);
  EXPECT_EQ(a, 0);
  EXPECT_EQ(n, 2);  // the b is taken, as an x is
  EXPECT_EQ(c99("0b101", "%i%n", &a, &n), 1);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(c99("101", "%b", &b), 0);
}

}  // namespace
