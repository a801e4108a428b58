// The floating-point state a guest starts with, the exact reduction of
// sin, cos and tan over arguments where a 66-bit pi goes wrong, and fma's
// one rounding.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "libcbind/families.h"
#include "libcbind/math_ldmisc.h"
#include "libcbind/trig.h"

namespace {

const tblibc::Family* MathFamily() {
  for (const tblibc::Family* family : tblibc::Families())
    if (family->name == "math") return family;
  return nullptr;
}

uint16_t ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
uint32_t Mxcsr() {
  uint32_t m;
  __asm__ volatile("stmxcsr %0" : "=m"(m));
  return m;
}

TEST(MathStart, StartHookGivesTheLinuxFloatingPointState) {
  const tblibc::Family* math = MathFamily();
  ASSERT_NE(math, nullptr);
  ASSERT_NE(math->start, nullptr);
  const uint16_t savedCw = ControlWord();
  const uint32_t savedMxcsr = Mxcsr();
  // What a 32-bit Windows process starts with: 53-bit precision; and an
  // MXCSR with a rounding mode and an unmasked exception set.
  const uint16_t windowsCw = 0x027f;
  const uint32_t otherMxcsr = 0x7d80;
  __asm__ volatile("fldcw %0" : : "m"(windowsCw));
  __asm__ volatile("ldmxcsr %0" : : "m"(otherMxcsr));
  ASSERT_EQ(ControlWord(), 0x027f);
  math->start();
  EXPECT_EQ(ControlWord(), 0x037f);
  EXPECT_EQ(Mxcsr() & ~0x3fu, 0x1f80u);
  // 64-bit precision shows in a long double quotient.
  volatile long double one = 1, three = 3;
  const long double third = one / three;
  uint64_t mantissa;
  std::memcpy(&mantissa, &third, 8);
  EXPECT_EQ(mantissa, 0xaaaaaaaaaaaaaaabull);
  __asm__ volatile("fldcw %0" : : "m"(savedCw));
  __asm__ volatile("ldmxcsr %0" : : "m"(savedMxcsr));
}

uint64_t Bits(double x) {
  uint64_t u;
  std::memcpy(&u, &x, 8);
  return u;
}

// Correctly rounded values (the Linux C library's, but for the cosine of
// the double nearest a multiple of pi/2, where its i386 libm is 7 ulps off
// and this row holds the value checked at 3000 bits), for arguments whose
// reduction needs many bits of pi: that double, the largest double, huge
// powers of ten.
TEST(MathTrig, LargeArgumentsAreReducedExactly) {
  struct Row {
    double x;
    uint64_t sine, cosine;
  };
  static const Row kRows[] = {
      {1e22, 0xbfeb453ab76bf397ull, 0x3fe0be2cef01c8f4ull},
      {1e300, 0xbfea2c16b010e385ull, 0xbfe2699022adc4c1ull},
      {1.7976931348623157e308, 0x3f7452fc98b34e97ull, 0xbfefffe62ecfab75ull},
      {6381956970095103.0 * 0x1p797, 0x3ff0000000000000ull, 0xbc214ae72e6ba22full},
      {3.141592653589793, 0x3ca1a62633145c07ull, 0xbff0000000000000ull},
  };
  for (const Row& row : kRows) {
    EXPECT_EQ(Bits(static_cast<double>(tblibc::trig::Sin(row.x))), row.sine) << row.x;
    EXPECT_EQ(Bits(static_cast<double>(tblibc::trig::Cos(row.x))), row.cosine) << row.x;
    EXPECT_EQ(Bits(static_cast<double>(tblibc::trig::Sin(-row.x))),
              row.sine ^ 0x8000000000000000ull)
        << row.x;
  }
}

TEST(MathTrig, QuadrantsAndSignedZeros) {
  EXPECT_EQ(Bits(static_cast<double>(tblibc::trig::Sin(-0.0))), Bits(-0.0));
  EXPECT_EQ(Bits(static_cast<double>(tblibc::trig::Tan(-0.0))), Bits(-0.0));
  EXPECT_EQ(static_cast<double>(tblibc::trig::Cos(0.0)), 1.0);
  for (int q = 0; q < 8; ++q) {
    const tblibc::trig::Reduced r = tblibc::trig::Reduce(q * 1.5707963267948966 + 0.25);
    EXPECT_EQ(r.quadrant, q % 4) << q;
    EXPECT_NEAR(static_cast<double>(r.r), 0.25, 1e-15) << q;
  }
}

// A long double 2^-60 from a multiple of pi/2: r keeps its bits only with
// pi/2 to well over 128 bits (correctly rounded values from mpmath).
TEST(MathTrig, LongDoubleNearAMultipleOfHalfPi) {
  const long double x = 0xc.d45d021cba4e05ap+16L;
  EXPECT_EQ(tblibc::trig::Sin(x), 0xe.a147b2546f0e2cbp-53L);
  EXPECT_EQ(tblibc::trig::Tan(x), 0xe.a147b2546f0e2cbp-53L);
  EXPECT_EQ(tblibc::trig::Cos(x), 1.0L);
}

// Products whose low half decides the rounding, cancellation to an exact
// tiny difference, a subnormal result and halfway cases, checked against
// sums worked out by hand.
TEST(MathFma, TheExactSumIsRoundedOnce) {
  const long double up = 1 + 0x1p-63L, down = 1 - 0x1p-64L;
  EXPECT_EQ(tblibc_fmal(up, down, -1), 0x1p-63L - 0x1p-64L - 0x1p-127L);
  EXPECT_EQ(tblibc_fmal(up, up, -1), 0x1p-62L);  // + 2^-126, halfway: to even
  EXPECT_EQ(tblibc_fmal(up, up, 0), 1 + 0x1p-62L);
  EXPECT_EQ(tblibc_fmal(up * 0x1p-16382L, 0.75L, -0x1p-16384L), 0x1p-16383L + 0x1p-16445L);
  EXPECT_EQ(tblibc_fma(1 + 0x1p-52, 1 + 0x1p-52, -1), 0x1p-51);  // + 2^-104, halfway
  EXPECT_EQ(tblibc_fma(1 + 0x1p-52, 1 + 0x1p-52, -1 - 0x1p-52), 0x1p-52 + 0x1p-104);
  EXPECT_EQ(tblibc_fma(1 + 0x1p-52, 1 + 0x1p-52, 0), 1 + 0x1p-51);
  EXPECT_EQ(tblibc_fmaf(1 + 0x1p-23f, 1 + 0x1p-23f, 0), 1 + 0x1p-22f);
}

}  // namespace
