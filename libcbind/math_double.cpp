// Double and float functions of our own where a host's libm is off by
// ulps from the Linux C library's: atan, acos, the hyperbolic functions and
// their inverses, expm1, log10, cbrt, erfc, tgamma and lgamma, and of the
// float ones coshf, logf, log2f, tgammaf and lgammaf.
//
// Each result is computed in the x87's 64-bit precision, 11 bits beyond a
// double, and rounded once at the end, which leaves it nearly always the
// correctly rounded one, in every rounding mode: the x87's own logarithm
// and arctangent (fyl2x, fyl2xp1, fpatan, exact to about an ulp of their
// 64 bits) and series of our own, with every coefficient computed with
// mpmath at 60 digits and rounded to 64 bits. Flags, errno and the signs of
// zeros follow the Linux C library: a result the rounding makes
// subnormal raises UNDERFLOW with the store that rounds it, and the
// functions whose results near zero are the argument itself are computed
// as x plus a correction of the right sign, so a directed mode rounds it
// the right way.
#include "libcbind/math_double.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_flags.h"
#include "libcbind/trig.h"

namespace tblibc::dbl {
namespace {

using LD = long double;

// ---- The x87's instructions --------------------------------------------

LD Fyl2x(LD x, LD y) {  // y log2 x
  LD r;
  __asm__("fyl2x" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}
LD Fyl2xp1(LD x, LD y) {  // y log2(1 + x), |x| < 1 - sqrt(2)/2
  LD r;
  __asm__("fyl2xp1" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}
LD Fpatan(LD y, LD x) {  // the angle of (x, y)
  LD r;
  __asm__("fpatan" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}
LD Fscale(LD x, LD n) {  // x 2^trunc(n)
  LD r;
  __asm__("fscale" : "=t"(r) : "0"(x), "u"(n));
  return r;
}
LD Sqrt(LD x) {
  LD r;
  __asm__("fsqrt" : "=t"(r) : "0"(x));
  return r;
}
LD Abs(LD x) { return __builtin_fabsl(x); }

constexpr LD kLn2 = 0xb17217f7d1cf79acp-64L;
constexpr LD kLog10Of2 = 0x9a209a84fbcff799p-65L;
constexpr LD kLog2OfE = 0xb8aa3b295c17f0bcp-63L;
// ln 2 in two parts, the first of 48 bits, so that its product with an
// exponent below 2^15 is exact.
constexpr LD kLn2Hi = 0xb17217f7d1cf0000p-64L;
constexpr LD kLn2Lo = 0xf35793c7673007e6p-113L;
constexpr LD kPi = 0xc90fdaa22168c235p-62L;
constexpr LD kLnPi = 0x928682473d0de85fp-63L;
constexpr LD kHalfLn2Pi = 0xeb3f8e4325f5a535p-64L;
constexpr LD kInvSqrtPi = 0x906eba8214db688dp-64L;
// Stored as a double or float, the x87 rounds Huge() to the largest
// finite number or an infinity as the mode asks, with OVERFLOW; Tiny() to
// zero or the least subnormal, with UNDERFLOW; Below(1) to 1 or the number
// below it, with INEXACT. Read from memory, so the compiler folds none of
// it away.
const volatile LD kHuge = 0x1p16000L;
const volatile LD kTiny = 0x1p-16000L;
const volatile LD kBelow = 0x1p-100L;
LD Huge() { return kHuge; }
LD Tiny() { return kTiny; }
LD Below(LD x) { return x - kBelow; }

// The natural logarithm, and of 1 + u, where fyl2xp1 keeps the digits of
// a small u that 1 + u would lose.
LD Ln(LD x) { return Fyl2x(x, kLn2); }
LD Ln1p(LD u) { return Abs(u) < 0.29L ? Fyl2xp1(u, kLn2) : Fyl2x(1 + u, kLn2); }

// ---- e^x -----------------------------------------------------------------

// 1/k!, rounded once from an exact factorial (20! has 62 bits).
struct InverseFactorials {
  LD v[21];
  constexpr InverseFactorials() : v() {
    LD f = 1;
    for (int k = 0; k < 21; ++k) {
      if (k > 0) f *= k;
      v[k] = 1 / f;
    }
  }
};
constexpr InverseFactorials kInvFact;

// e^r - 1 for |r| <= 0.35 by Taylor's series to r^19 (the rest is below
// 2^-70 of it), as r plus a correction.
LD ExpM1Small(LD r) {
  LD p = kInvFact.v[19];
  for (int k = 18; k >= 2; --k) p = p * r + kInvFact.v[k];
  return r + r * (r * p);
}

// e^(hi + lo) = 2^n (1 + m1), lo being far below hi, |hi| < 11000: hi
// less n times ln 2 in its two parts is exact.
struct Split {
  LD n, m1;
};
Split ExpSplit(LD hi, LD lo = 0) {
  const LD t = hi * kLog2OfE;
  // Converted only where it is no zero: converting 1/2 raises INEXACT,
  // which e^0 must not.
  const LD n = Abs(t) < 0.5L ? 0 : static_cast<LD>(static_cast<int>(t < 0 ? t - 0.5L : t + 0.5L));
  return {n, ExpM1Small((hi - n * kLn2Hi) - n * kLn2Lo + lo)};
}
LD Exp(LD hi, LD lo = 0) {
  const Split s = ExpSplit(hi, lo);
  return Fscale(1 + s.m1, s.n);
}
// e^x - 1 without losing the digits of a small result.
LD ExpM1(LD x) {
  const Split s = ExpSplit(x);
  if (s.n == 0) return s.m1;
  return Fscale(s.m1, s.n) + (Fscale(1, s.n) - 1);
}

// The x87 at its full 64 bits for as long as a function computes: a
// program may have set it to a double's 53 (as a new Windows thread starts),
// which would take away the bits all of this relies on. The store that
// rounds a result rounds to its type whatever the precision.
class FullPrecision {
 public:
  FullPrecision() {
    __asm__ volatile("fnstcw %0" : "=m"(saved_));
    if ((saved_ & 0x300) != 0x300) {
      const uint16_t full = saved_ | 0x300;
      __asm__ volatile("fldcw %0" : : "m"(full));
    }
  }
  ~FullPrecision() {
    if ((saved_ & 0x300) != 0x300) __asm__ volatile("fldcw %0" : : "m"(saved_));
  }
  FullPrecision(const FullPrecision&) = delete;
  FullPrecision& operator=(const FullPrecision&) = delete;

 private:
  uint16_t saved_;
};

// ---- Results ---------------------------------------------------------------

bool IsInf(LD x) { return Abs(x) == std::numeric_limits<LD>::infinity(); }

// How a result that leaves the normal numbers is told.
enum Edge {
  kOverflowOnly,  // ERANGE for an infinity from a finite value
  kTinyFlag,      // and UNDERFLOW for any subnormal, even an exact one
  kZeroRange,     // and ERANGE for a zero from a nonzero value too
};

// Rounded once to T by the store, which raises OVERFLOW, UNDERFLOW and
// INEXACT as the rounding makes them.
template <typename T>
T Rounded(LD v, Edge edge = kOverflowOnly) {
  const volatile T stored = static_cast<T>(v);
  const T r = stored;
  if (IsInf(r) || (edge == kZeroRange && r == 0 && v != 0)) {
    SetErrno(linux::kERANGE);
  } else if (edge == kTinyFlag && r != 0 && Abs(r) < std::numeric_limits<T>::min()) {
    mathflag::Underflow();
  }
  return r;
}

// A domain error: a NaN of the sign the Linux C library gives, EDOM and
// INVALID.
template <typename T>
T DomainError(bool negative) {
  SetErrno(linux::kEDOM);
  const volatile T zero = 0;
  const T nan = zero / zero;  // raises INVALID; the x87's default NaN is negative
  return negative ? -__builtin_fabsl(nan) : __builtin_fabsl(nan);
}

// A pole: an infinity of the given sign, DIVBYZERO and ERANGE.
template <typename T>
T Pole(bool negative) {
  SetErrno(linux::kERANGE);
  mathflag::DivByZero();
  const T inf = std::numeric_limits<T>::infinity();
  return negative ? -inf : inf;
}

// ---- atan, acos ------------------------------------------------------------

// Odd functions near zero: x + x^3 (a + b x^2), the correction far below an
// ulp of x but of the right sign.
LD NearZero(LD x, LD a, LD b) {
  const LD x2 = x * x;
  return x + x * (x2 * (a + b * x2));
}

LD Atan(LD x) {
  if (Abs(x) < 0x1p-20L) return NearZero(x, -1.0L / 3, 1.0L / 5);
  return Fpatan(x, 1);
}

// ---- The hyperbolic functions ---------------------------------------------

LD Sinh(LD x) {
  const LD a = Abs(x);
  if (a < 0x1p-20L) return NearZero(x, 1.0L / 6, 1.0L / 120);
  LD s;
  if (a > 11000) {
    s = Huge();
  } else if (a < 23) {
    const LD e = ExpM1(a);  // sinh = (e + e / (e + 1)) / 2
    s = (e + e / (e + 1)) / 2;
  } else {
    s = Exp(a) / 2;
  }
  return x < 0 ? -s : s;
}

LD Cosh(LD x) {
  const LD a = Abs(x);
  if (a > 11000) return Huge();
  if (a < 23) {
    const LD e = ExpM1(a);  // cosh = 1 + e^2 / (2 (e + 1))
    return 1 + e * e / (2 * (e + 1));
  }
  return Exp(a) / 2;
}

LD Tanh(LD x) {
  const LD a = Abs(x);
  if (a < 0x1p-20L) return NearZero(x, -1.0L / 3, 2.0L / 15);
  LD t;
  if (a > 40) {
    t = Below(1);
  } else {
    const LD e = ExpM1(2 * a);
    t = e / (e + 2);
  }
  return x < 0 ? -t : t;
}

LD Asinh(LD x) {
  const LD a = Abs(x);
  if (a < 0x1p-20L) return NearZero(x, -1.0L / 6, 3.0L / 40);
  LD s;
  if (a > 0x1p40L) {
    s = Ln(a) + kLn2;
  } else if (a < 0.5L) {
    s = Ln1p(a + a * a / (1 + Sqrt(1 + a * a)));
  } else {
    s = Ln(a + Sqrt(a * a + 1));
  }
  return x < 0 ? -s : s;
}

LD Acosh(LD x) {  // x > 1
  if (x > 0x1p40L) return Ln(x) + kLn2;
  if (x < 2) {
    const LD t = x - 1;  // exact
    return Ln1p(t + Sqrt(2 * t + t * t));
  }
  return Ln(x + Sqrt(x * x - 1));
}

// ---- cbrt ------------------------------------------------------------------

// x = m 2^(3q + s), m in [1, 2), s in 0..2: the root is 2^q times that of
// m 2^s in [1, 8), by Newton's iteration from (z + 2) / 3, seven steps to
// the x87's precision.
LD Cbrt(LD x) {
  LD a = Abs(x);
  uint64_t mant;
  uint16_t se;
  std::memcpy(&mant, &a, 8);
  std::memcpy(&se, reinterpret_cast<const char*>(&a) + 8, 2);
  const int e = static_cast<int>(se) - 16383;  // doubles are normal here
  const int q = (e + 3 * 6000) / 3 - 6000;
  se = static_cast<uint16_t>(16383 + e - 3 * q);
  LD z;
  std::memcpy(&z, &mant, 8);
  std::memcpy(reinterpret_cast<char*>(&z) + 8, &se, 2);
  LD y = (z + 2) / 3;
  for (int i = 0; i < 7; ++i) y -= (y - z / (y * y)) / 3;
  const LD r = Fscale(y, q);
  return x < 0 ? -r : r;
}

// ---- erfc ------------------------------------------------------------------

// erf x = 2/sqrt(pi) sum (-1)^k x^(2k+1) / (k! (2k+1)): the terms below
// |x| = 1.25 fall under 2^-70 of the sum by k = 28.
struct ErfSeries {
  LD v[29];
  constexpr ErfSeries() : v() {
    LD f = 1;
    for (int k = 0; k < 29; ++k) {
      if (k > 0) f *= k;
      v[k] = (k % 2 == 0 ? 2 : -2) / (f * (2 * k + 1)) * 0x906eba8214db688dp-64L;
    }
  }
};
constexpr ErfSeries kErf;

LD Erfc(double x) {
  const LD a = Abs(static_cast<LD>(x));
  if (a < 1.25L) {  // 1 - erf x, which loses at most 4 bits here
    const LD x2 = static_cast<LD>(x) * x;
    LD p = kErf.v[28];
    for (int k = 27; k >= 0; --k) p = p * x2 + kErf.v[k];
    return 1 - x * p;
  }
  if (x < -7) return Below(2);
  // erfc a = e^(-a^2) / sqrt(pi) / (a + (1/2) / (a + 1 / (a + (3/2) / ...))),
  // the fraction cut where its tail is below 2^-66 (counted with mpmath).
  const int terms = static_cast<int>(20 + 280 / (a * a));
  LD t = a;
  for (int k = terms; k > 0; --k) t = a + (k * 0.5L) / t;
  // a^2 exactly, as hi + lo: hi the square of a's top 32 bits.
  double top = static_cast<double>(a);
  uint64_t bits;
  std::memcpy(&bits, &top, 8);
  bits &= ~uint64_t{0x1fffff};
  std::memcpy(&top, &bits, 8);
  const LD hi = static_cast<LD>(top) * top;
  const LD lo = (a - top) * (a + top);
  const LD r = Exp(-hi, -lo) * kInvSqrtPi / t;
  return x < 0 ? 2 - r : r;
}

// ---- Gamma and its logarithm -----------------------------------------------

// Taylor's series of ln Gamma around 1, 3/2 and 2, for |e| <= 1/4:
// c_0 = ln Gamma(c), c_k = psi^(k-1)(c) / k! (mpmath); the terms left off
// are below 2^-66 of the sum.
constexpr LD kAt1[] = {
    0.0L, -0x93c467e37db0c7a5p-64L, 0xd28d3312983e9918p-64L,
    -0xcd26aadf5596b7adp-65L, 0x8a8991563ec241b6p-65L, -0xd45ce0bd530a492fp-66L,
    0xada06588061830a5p-66L, -0x9381d0ee751d72c6p-66L, 0x80859b57c31cb746p-66L,
    -0xe4033836abeda2adp-67L, 0xcd00f1c2eafc7981p-67L, -0xba461988a636b07bp-67L,
    0xaab56b1921de202cp-67L, -0x9d8ecb8fe2cc261ap-67L, 0x924b6fc19062fb9fp-67L,
    -0x88899a3b73ff01ddp-67L, 0x8000803266f59178p-67L, -0xf0f16988f455e4e6p-68L,
    0xe38e71d105a0c483p-68L, -0xd79450dab44502e9p-68L, 0xccccd99a96add052p-68L,
    -0xc30c36dbbdfdfadcp-68L, 0xba2e8e8bbc6fc881p-68L, -0xb216442c8db365dfp-68L,
    0xaaaaab5557ee6aa9p-68L, -0xa3d70a8f5cfdbba0p-68L, 0x9d89d8c4ec92f3e9p-68L,
    -0x97b426000015e20bp-68L, 0x9249249b6dbde3e5p-68L, -0x8d3dcb0d3dcd4c3ep-68L,
};
constexpr LD kAt3Halves[] = {
    -0xf75cad84a60c8a69p-67L, 0x957682cdeb04503ap-68L, 0xef4f326f91779693p-65L,
    -0x8d72ad8c039360cbp-66L, 0xf07c206d6b0ecd4dp-68L, -0xed2cea9ba52a1842p-69L,
    0xfce51ced5494dff5p-70L, -0x8d45d278752cbafap-70L, 0xa2b78d6b3351d59bp-71L,
    -0xbf6dc097b213715dp-72L, 0xe4b9ad74ed9606ffp-73L, -0x8a4518cf7631c73ap-73L,
    0xa8be2d0abcf87d24p-74L, -0xcf7f8e8e45ee10d8p-75L, 0x80620e09f260e247p-75L,
    -0x9fb6ff91560e0e36p-76L, 0xc79b0caa0ba15e6ep-77L, -0xfa7503ce4e43d0fap-78L,
    0x9daf39f8c69cc1c6p-78L, -0xc72c1a407dc217e1p-79L, 0xfc475a1aaa9b3f9cp-80L,
    -0xa02cb3bf7688a742p-80L, 0xcbdb581fd3a22d22p-81L, -0x81feb5f840477bfbp-81L,
    0xa61aa9a9ea92079dp-82L, -0xd49ce7b55b34ba99p-83L, 0x884a48bab51f82edp-83L,
};
constexpr LD kAt2[] = {
    0.0L, 0xd8773039049e70b6p-65L, 0xa51a6625307d3231p-65L,
    -0x89f000d2abb03409p-67L, 0xa8991563ec241b60p-69L, -0xf2027e10c7af8c37p-71L,
    0xbd6eb756db617ea5p-72L, -0x9c562e15fc703e76p-73L, 0x859b57c31cb745f3p-74L,
    -0xe9fea63b697e3e38p-76L, 0xd093d878beb2d19dp-77L, -0xbc6f2debe40f7797p-78L,
    0xac06e77337581126p-79L, -0x9e5e4b1e7112142bp-80L, 0x92cbd1cf9a555c81p-81L,
    -0x88d975bb3caa08e4p-82L, 0x803266f5917879d0p-83L, -0xf13006c9e7e975dap-85L,
    0xe3b5dd9f83d26bb3p-86L, -0xd7ad365dfc54bb2cp-87L, 0xccdc9e1038587a06p-88L,
    -0xc31639a6f9f56366p-89L, 0xba34ed667d6e6593p-90L, -0xb21a54223d75681bp-91L,
    0xaaad43bffe9614f1p-92L,
};

template <size_t N>
LD Series(const LD (&c)[N], LD e) {
  LD s = c[N - 1];
  for (size_t k = N - 1; k-- > 1;) s = s * e + c[k];
  return c[0] + s * e;
}

// ln Gamma(y), y in [0.75, 2.25]: +0 at 1 and 2.
LD LgammaNear(LD y) {
  if (y < 1.25L) return y == 1 ? 0 : Series(kAt1, y - 1);
  if (y < 1.75L) return Series(kAt3Halves, y - 1.5L);
  return y == 2 ? 0 : Series(kAt2, y - 2);
}

// Stirling's series beyond x = 10: B_2k / (2k (2k - 1)) to k = 10, the
// next term below 2^-66 of the sum there.
constexpr LD kStirling[] = {
    1.0L / 12, -1.0L / 360, 1.0L / 1260, -1.0L / 1680, 1.0L / 1188,
    -691.0L / 360360, 1.0L / 156, -3617.0L / 122400, 43867.0L / 244188,
    -174611.0L / 125400,
};

// ln Gamma(x), x > 0 and finite. Below 10 the argument is brought into
// [0.75, 2.25] by Gamma(x + 1) = x Gamma(x), whose product loses nothing
// to cancellation there.
LD LgammaPositive(LD x) {
  if (x < 0x1p-70L) return -Ln(x);
  if (x < 0.25L) return Series(kAt1, x) - Ln(x);
  if (x < 0.75L) return Series(kAt3Halves, x - 0.5L) - Ln(x);
  if (x <= 2.25L) return LgammaNear(x);
  if (x < 10) {
    LD y = x, p = 1;
    while (y > 2.25L) {
      y -= 1;
      p *= y;
    }
    return LgammaNear(y) + Ln(p);
  }
  const LD z = 1 / x, z2 = z * z;
  LD s = 0;
  if (x < 0x1p40L) {
    for (size_t k = std::size(kStirling); k-- > 0;) s = s * z2 + kStirling[k];
  }
  return (x - 0.5L) * (Ln(x) - 1) - 0.5L + kHalfLn2Pi + s * z;
}

// Gamma(x), 0 < x < 172, by the same steps: the product of up to 170
// factors is within 2^-57 of its value.
LD GammaPositive(LD x) {
  if (x < 0x1p-70L) return 1 / x;
  if (x < 0.25L) return Exp(Series(kAt1, x)) / x;
  if (x < 0.75L) return Exp(Series(kAt3Halves, x - 0.5L)) / x;
  LD y = x, p = 1;
  while (y > 2.25L) {
    y -= 1;
    p *= y;
  }
  return Exp(LgammaNear(y)) * p;
}

// The zeros of ln|Gamma| below -2, two between each pair of integers, up
// to where none is a double apart from its integer: there the reflection
// formula's terms cancel to nothing, so it is Taylor's series around the
// zero z (z = hi + lo, c_k = psi^(k-1)(z) / k!, mpmath), out to a sixteenth
// of the way to the nearest pole, where the 16 terms leave 2^-68 and the
// reflection formula's result is large enough again.
struct Zero {
  LD hi, lo, reach;
  LD c[16];
};
constexpr Zero kZeros[] = {
    {-0xafda0850dec8065ep-62L, -0xcad25a320f575fa6p-127L, 0x812fbd7909bfcd0dp-69L,
     {-0xf5096d48258c6244p-63L, 0x9933f9e132d28dc7p-60L, -0xa0c2d618645f8e0fp-59L,
      0xfa8256664f8cd615p-58L, -0xc2c422c103f55d69p-56L, 0xa1b9fbe6384d96dcp-54L,
      -0x8911cdeeb600975dp-52L, 0xedd32f13a10e2137p-51L, -0xd1692826bf4c37d1p-49L,
      0xbac0b9cf7304372ap-47L, -0xa83632fd6b0bf276p-45L, 0x98c77b927bc071aep-43L,
      -0x8bbb39306d03cec4p-41L, 0x808f1a22a636176cp-39L, -0xedc5cf354629bfd9p-38L,
      0xdcdd58fcdb419e74p-36L}},
    {-0x9d3fe4b007c360abp-62L, 0x9b0675072fc769e6p-131L, 0xe9ff25803e1b0558p-69L,
     {0xc1ff4b357a9af689p-63L, 0x9b775d8017aae4e5p-61L, 0xb4a5302c53c2bee2p-63L,
      0x8b8c6be504f2db06p-60L, 0xb99cff02593b1d6fp-61L, 0xc6997b415505e66fp-59L,
      0xc04f82773707cd3ep-59L, 0xa475540b2b9b0948p-57L, 0xc94bd6d96f7acddap-57L,
      0x9437dc65d75d9bfap-55L, 0xd497052ef25fbc30p-55L, 0x8d4ea6c63153fb7cp-53L,
      0xe26692ca7380a88ap-53L, 0x8c39bf6462b3a322p-51L, 0xf30143cb296fad21p-51L,
      0x8f565765fcc580bbp-49L}},
    {-0xfd238aa3e17f285cp-62L, -0xd4561291236cc321p-128L, 0xb71d5707a035e8f3p-72L,
     {-0xa5ccecb362b234c7p-59L, 0xfbb6f57021b5ed4ap-56L, -0xe929acea5979beefp-52L,
      0xf47c14f8a0d528a6p-48L, -0x88b7bc03693698d1p-43L, 0x9f479d5cfe0fa3c7p-39L,
      -0xbeddf0317fecf244p-35L, 0xe97bb6f3de8137a8p-31L, -0x9112ff27c249e672p-26L,
      0xb689570c9b52b4e8p-22L, -0xe7fe1547afeb9d93p-18L, 0x94a70deedb08115dp-13L,
      -0xbfd5b13291d9ae73p-9L, 0xf908d5a988a000d1p-5L, -0xa27949ad86aac508p0L,
      0xd4f26ed0fd3abe58p4L}},
    {-0xc9306de4f2cd7beep-62L, -0xbe699ad3d9ba6545p-128L, 0x9306de4f2cd7bee3p-70L,
     {0xf90532f97d62a6e3p-61L, 0xcea694bb8a877b41p-59L, 0xe089b8926ae2d9d7p-57L,
      0x933901ebbb586cabp-54L, 0xccd319bed1cee94ap-52L, 0x949e1fbc69ded87bp-49L,
      0xddcbd505b8f227c0p-47L, 0xa8f519a2fa9a4ac7p-44L, 0x82bfb2e32590daf4p-41L,
      0xcce432871d1c56cfp-39L, 0xa229061d25dc1e1dp-36L, 0x816910cb23d7b4c7p-33L,
      0xcffe6cc255eeaa25p-31L, 0xa824a587d83e94d1p-28L, 0x889feeae34a930cfp-25L,
      0xdf05248626f85dabp-23L}},
    {-0x9fbabbd37757e6a2p-61L, -0xd0aa4076988501d8p-128L, 0x8a8859115032bbccp-74L,
     {-0xe91251f7cf20fb38p-57L, 0xda99e33c51caaec8p-51L, -0x869fbff732e99c33p-44L,
      0xba9537ad61392fbap-38L, -0x89eae8b1de9fbb02p-31L, 0xd462e29a2c6529fep-25L,
      -0xa83459f6b4a04938p-18L, 0x87fd2baf53ff491dp-11L, -0xdf6096ebc50a5624p-5L,
      0xb9c12b87844e9ecdp2L, -0x9c075fb0c20a6d76p9L, 0x8426f221374433e2p16L,
      -0xe16c86c5cc874544p22L, 0xc168515ed3984afep29L, -0xa6ca0b83bc05dccbp36L,
      0x9079fce4952f43b7p43L}},
    {-0x814273c2ccac0618p-61L, -0xe7c2c3786044ab06p-126L, 0xa139e16656030c3ap-72L,
     {0xd652e7a490b211a4p-59L, 0xa220ae6c09fc706cp-55L, 0xaacd88d954e3e118p-51L,
      0xcb68c710d75ed78fp-47L, 0x8130f5ab99720272p-42L, 0xaaf1edfccf59e43ap-38L,
      0xe8a7f24e2721b459p-34L, 0xa19ee71416d36ed4p-29L, 0xe41cce3ac4667cfdp-25L,
      0xa2fdf3336ca00c05p-20L, 0xeb46bca6577e6c19p-16L, 0xab394ee3af8060cap-11L,
      0xfaf619a963463b4cp-7L, 0xb902bab0bb98e085p-2L, 0x89173ba56dfc6045p3L,
      0xcc1282928ec0ede3p7L}},
    {-0xbff497ac8fa06afcp-61L, 0xac4a74d0b38481c7p-126L, 0xb6853705f9504562p-77L,
     {-0xb30fb521d2f09219p-54L, 0xfbcee5bca7937795p-46L, -0xeb7404450cfff12cp-37L,
      0xf7ae9846dfe4b862p-28L, -0x8af535855a94efffp-18L, 0xa26aa74ff11cb8f8p-9L,
      -0xc342720675d9e918p0L, 0xefa260ec0e391a3fp9L, -0x9561829fa770ca08p19L,
      0xbc913570253d21c8p28L, -0xf06ffdafbbd0a4acp37L, 0x9a90bc483d101fdap47L,
      -0xc81d54d7c5d79644p56L, 0x825081963af36ec3p66L, -0xaa977dff79b5e532p75L,
      0xe05097f79202839cp84L}},
    {-0xa04352bf85b6c865p-61L, -0x9315b9654e537b32p-126L, 0x86a57f0b6d90ca93p-74L,
     {0xf6b970414d700f01p-57L, 0xe7661976117cd9b7p-51L, 0x929ec2b1fb931d46p-44L,
      0xd112ef96d3731403p-38L, 0x9f00bb9bb133841ep-31L, 0xfbec6adee58c2c4fp-25L,
      0xcd468063bd495ff0p-18L, 0xaabfec62485a5a7ap-11L, 0x904910d31204fd38p-4L,
      0xf6e4c69dddaed29bp2L, 0xd55e94737be35599p9L, 0xb9ef16ecb9476f8dp16L,
      0xa328c175fb2244d5p23L, 0x9006bd68ed94262bp30L, 0xff93ff28356cf254p36L,
      0xe3c6ebaa3a0a9ee0p43L}},
    {-0xdffe5fbb5c377fe8p-61L, 0xa765268f700b7830p-126L, 0xd02251e4400c29d9p-80L,
     {-0x9d5fbd2e7548db05p-51L, 0xc1a4d12a82116472p-40L, -0x9ec8ed6e4c213ebap-28L,
      0x9279eb1b7999cab3p-16L, -0x90213ef8d9a491eap-4L, 0x93baf42bfdb4e311p8L,
      -0x9bbf385a31e09a3dp20L, 0xa79e9476dd2e689dp32L, -0xb742ab8b467c71d3p44L,
      0xcadd8be7213cd5c0p56L, -0xe2d6096a47846d67p68L, 0xffc0b6d6ba8ae070p80L,
      -0x912fa53524a6291bp93L, 0xa5d1f2e01feefbaap105L, -0xbe5b9bed2ac6b2f7p117L,
      0xdb808fdd5aca7169p129L}},
    {-0xc00b592c4be4676cp-61L, -0xf85b2da2c70b970dp-129L, 0xb592c4be4676c0f8p-77L,
     {0xb4ef24f1d79550cbp-54L, 0xfe711a4267e88305p-46L, 0xef281d1e1be201a0p-37L,
      0xfce3da92ac55db6dp-28L, 0x8e9ea838a20b5156p-18L, 0xa790f17dcf03033cp-9L,
      0xca804ca66c54ec62p0L, 0xf9d1611e0cebcb5dp9L, 0x9c8a9329759d5864p19L,
      0xc6a2fc5f44896da7p28L, 0xfe990a538140fb90p37L, 0xa485a3b410236577p47L,
      0xd61dcb295a1f8416p56L, 0x8c28e21af44ae3aap66L, 0xb86fda832db3a491p75L,
      0xf3c8fa2c2d0b93efp84L}},
    {-0xffffcbfc0ace7879p-61L, -0xa7a0ad48ac32a74cp-126L, 0xd00fd4c61e1ab0bfp-83L,
     {-0x9d7bb7f2617d597dp-48L, 0xc1c73b6557891a52p-34L, -0x9ef345992b292d57p-19L,
      0x92ae02929863874cp-4L, -0x90615420c0934f71p11L, 0x9409c9a167780102p26L,
      -0x9c20336191122e36p41L, 0xa815e26d6a3e97d2p56L, -0xb7d56ff6707177c3p71L,
      0xcb92191e44c8ecf0p86L, -0xe3b4264b7930b8f2p101L, 0x8068fa43a1b052c5p117L,
      -0x91d7b6ea31af15d9p132L, 0xa6a0b4aca424473ep147L, -0xbf59f5a436001dc7p162L,
      0xdcb9761d1355e7c5p177L}},
    {-0xe0019fef6ff0f5bfp-61L, 0xedf48c919e1f5536p-126L, 0xcff7b7f87adf4483p-80L,
     {0x9da03d51c3de89dap-51L, 0xc1f42ed57dd6ac19p-40L, 0x9f2a95af1e112df1p-28L,
      0x92f21522f482d8b1p-16L, 0x90b51ab03a1f70fbp-4L, 0x9470e3877a989932p8L,
      0x9c9f15e1980406b8p20L, 0xa8b20a0fad7350e5p32L, 0xb8959d4370defef9p44L,
      0xcc7e9b5c836a93b3p56L, 0xe4d7377b13024c54p68L, 0x811c154ac9c7e2a7p81L,
      0x92b422f65f58b742p93L, 0xa7aff9ac7a656c21p105L, 0xc0a7ce5fdb4d73f0p117L,
      0xde54520d23b39218p129L}},
    {-0x8ffffd1c425e8100p-60L, 0xde6c5aa2db698607p-126L, 0xb8ef685fc00de6c6p-86L,
     {-0xb12f6fe31ed97626p-45L, 0xf5460a824053d269p-28L, -0xe2598725e2ae0b3ep-10L,
      0xeaff2346ddf814ffp8L, -0x821e90de126f61b1p27L, 0x9619a5729af0eaa6p45L,
      -0xb218a5a18e6b2162p63L, 0xd7b76ac4d9d42eecp81L, -0x84b722376e7d9641p100L,
      0xa557a4f389e010c1p118L, -0xd01236ce0db437e4p136L, 0x840318ae0d52479ap155L,
      -0xa8aeeb5c44d211aap173L, 0xd8d2ff3b3e225698p191L, -0x8c1114aae2c02004p210L,
      0xb5c598c077d96feep228L}},
    {-0x80001a01459fc9f6p-60L, -0xcb3cec1cec857667p-128L, 0xd00a2cfe4fb0659ep-83L,
     {0x9d8447f6b3b8bd5fp-48L, 0xc1d1c49aa876e3eap-34L, 0x9f003c6dc56d22a1p-19L,
      0x92bdf64a32128863p-4L, 0x9074f503aad234d1p11L, 0x9421f0989e41d7ebp26L,
      0x9c3deb53c2a3bdc7p41L, 0xa83a73c46f3b8142p56L, 0xb8026ecc86bec534p71L,
      0xcbc976afb6fe4555p86L, 0xe3f8466d77a8b9efp101L, 0x8092e40890ad2b86p117L,
      0x920b498f8aa1317ap132L, 0xa6e02a1e220d1b21p147L, 0xbfa80b26e8ce0836p162L,
      0xdd198a94f6b5268fp177L}},
    {-0x9fffffb606bdfdcdp-60L, -0xc55cef4a0a8f8d3ap-129L, 0x93f2840465f3aa31p-89L,
     {-0xdd7bed2f9bcaea2dp-42L, 0xbf9f43c8fd068daap-21L, -0xdd0c5f7e55531ba3p0L,
      0x8f6f0a3b2ee06227p22L, -0xc68d4d5ad28280c8p43L, 0x8f26c61ae9165f62p65L,
      -0xd450c8ed88480090p86L, 0xa0ba7b2ffc34032bp108L, -0xf736c879199627e0p129L,
      0xc07e9a107dd0e747p151L, -0x9766a40bb17f8decp173L, 0xf02505946d157dc5p194L,
      -0xbfc8d79f801c985ap216L, 0x9a13297ea864615cp238L, -0xf8d447c1f88d4b7ap259L,
      0xc9d343a6708549c5p281L}},
    {-0x900002e3bb47d86dp-60L, -0xdb087fdb86a3bd6fp-125L, 0xb8eed1f61b5b6110p-86L,
     {0xb130901c8ca200bfp-45L, 0xf547997dbfac2d97p-28L, 0xe25baf734715ce7fp-10L,
      0xeb021fd0ffd5254bp8L, 0x8220a208edbfa3afp27L, 0x961c81f64e4862e8p45L,
      0xb21c9ba25dcde574p63L, 0xd7bce66e38e99a63p81L, 0x84baedbeb8fe2dadp100L,
      0xa55ce5d0f1a36e67p118L, 0xd0197c788a39e9a7p136L, 0x84082135fd64296bp155L,
      0xa8b5e30b71c81c19p173L, 0xd8dca4585c048238p191L, 0x8c17c1a2f9e2fd39p210L,
      0xb5ced67064e63626p228L}},
    {-0xaffffff9466e9f1bp-60L, -0xdb6b34ab6f463417p-126L, 0xd7322c1c9924a65bp-93L,
     {-0x98453ec756dbdf2bp-38L, 0xb5249c032dfe902dp-14L, -0x8fa8fb234c0626a3p11L,
      0x802cc9d8bf023684p36L, -0xf3f73ee678806116p60L, 0xf1daa8540ae2a98bp85L,
      -0xf69c6d506a6162bep110L, 0x8059a35d8153e576p136L, -0x87b8c8c824fde537p161L,
      0x914f92207b98ef2fp186L, -0x9d2617fbb053e0ffp211L, 0xab5e10c503bbc95ap236L,
      -0xbc2deb380f385665p261L, 0xcfdee176767e17c5p286L, -0xe6ccc94e30913cd7p311L,
      0x80b3858101300d47p337L}},
    {-0xa0000049f93bb992p-60L, -0xf68bb2bc2a883c06p-125L, 0x93f2777324f68bb3p-89L,
     {0xdd7c12d0631d8f70p-42L, 0xbf9f645702f97256p-21L, 0xdd0c97d3152e3db5p0L,
      0x8f6f3af7a18d7cb3p22L, 0xc68da1af67107857p43L, 0x8f270f10c64ce2efp65L,
      0xd451472cb6666cb3p86L, 0xa0bae869ad9e9d7ep108L, 0xf737857885cc1621p129L,
      0xc07f3d9489f3e0a2p151L, 0x97673183e3efa0b1p173L, 0xf025fa5f009bdbdfp194L,
      0xbfc9ab68f3970dc6p216L, 0x9a13e0ba26a9091ap238L, 0xf8d584d0323229a2p259L,
      0xc9d455f54b2c8b55p281L}},
    {-0xbfffffff70893874p-60L, 0xf0437ca678586d0fp-125L, 0x8f76c78c7821be53p-96L,
     {-0xe467dfd795863e81p-35L, 0xcbc93101f4c55d84p-7L, -0xf26d2a75e36d5e28p21L,
      0xa238b1d718a51eadp50L, -0xe793b4f314b3295cp78L, 0xac2dee1f0d0f008cp107L,
      -0x83aca8fe9f3731d8p136L, 0xcd979b4509adcfbep164L, -0xa30cd7369095f345p193L,
      0x82ed6f9cff0365f4p222L, -0xd463fc1ad2db9dddp250L, 0xadb4a052f4eec015p279L,
      -0x8f0f6723befc801ep308L, 0xed0b90ec644aa6e8p336L, -0xc564fc545ed6aff3p365L,
      0xa51c28751b1e7618p394L}},
    {-0xb0000006b9915316p-60L, 0x9a69640056fc6d05p-126L, 0xd7322a62bb2cb4e0p-93L,
     {0x98454138a9227ddcp-38L, 0xb5249eeb12016fd3p-14L, 0x8fa8fe983d3e6bc6p11L,
      0x802ccdf57c39898fp36L, 0xf3f748af2cfc832dp60L, 0xf1dab3f7ac4bb730p85L,
      0xf69c7b290614f647p110L, 0x8059ab99dc9ea363p136L, 0x87b8d294460e0ab1p161L,
      0x914f9dc82fcbfeecp186L, 0x9d2625d9248b814fp211L, 0xab5e21437e0d37d1p236L,
      0xbc2dfed72ce636a2p261L, 0xcfdef8ce0752209fp286L, 0xe6cce512cd6ce212p311L,
      0x80b396054141e5cdp337L}},
    {-0xcffffffff4f6dcf6p-60L, -0xbfcbd2ffe3abeaa4p-127L, 0xb092309e80685a00p-100L,
     {-0xb99465fd65a728f5p-31L, 0x8687d170359787c0p1L, -0x82082df6229d93b3p33L,
      0x8d64eea00f97213bp65L, -0xa3ffd834fe2d158bp97L, 0xc624ecd2a85ffa05p129L,
      -0xf63cef072c7aaa39p161L, 0x9c30ad4f394d537ap194L, -0xc94a29fabffaf0d0p226L,
      0x8353c044e6cf8eedp259L, -0xad1817caffdb30b6p291L, 0xe60bb57dfc2d584dp323L,
      -0x99efd43a4673f244p356L, 0xcf3e04a65d861e29p388L, -0x8c37f49910b52263p421L,
      0xbe96b8f401bfcd67p453L}},
    {-0xc00000008f76c773p-60L, -0xab3e07812879c3c9p-127L, 0x8f76c7731567c0f0p-96L,
     {0xe467e0286a79bd02p-35L, 0xcbc9314a133aa27cp-7L, 0xf26d2af69434f8acp21L,
      0xa238b249ea4e9f48p50L, 0xe793b5bff756bbbfp78L, 0xac2deed5da0b250bp107L,
      0x83aca9a1b7f42f28p136L, 0xcd979c681219c653p164L, 0xa30cd83a3a2d25b0p193L,
      0x82ed7084ab6a7f15p222L, 0xd463fdb839f56b4cp250L, 0xadb4a1c3cc7ff0a4p279L,
      0x8f0f686cd4a34766p308L, 0xed0b93379deb0bf9p336L, 0xc564fe604c6f8bebp365L,
      0xa51c2a488f51a267p394L}},
    {-0xdfffffffff36345bp-60L, 0x8c3cf6b83ec5dd12p-125L, 0xc9cba5461e7b5c1fp-104L,
     {-0xa261d93fd535e046p-27L, 0xcdfff8b67f729a0dp8L, -0xae38f5982dddd1e1p44L,
      0xa5c3f445b5518a0fp80L, -0xa83bc73373c182d3p116L, 0xb1da37cadacf5ae8p152L,
      -0xc164b10217f6b505p188L, 0xd6ac5dbfce04959dp224L, -0xf213c88f4bd91001p260L,
      0x8a32244331cff703p297L, -0x9f6100c5371a3d1dp333L, 0xb95738be5e54476fp369L,
      -0xd909e9addd5d7c90p405L, 0xffabb65fdd470ef6p441L, -0x975ca0255811ab6bp478L,
      0xb404a0cac8816bb0p514L}},
    {-0xd00000000b09230ap-60L, 0xfe65f08b91bf0724p-126L, 0xb092309c06683dd2p-100L,
     {0xb99466029a58d705p-31L, 0x8687d173fbb07840p1L, 0x82082dfb9b4dadfep33L,
      0x8d64eea7fe5d8f07p65L, 0xa3ffd8407e7a47f1p97L, 0xc624ece35525105dp129L,
      0xf63cef1f59849212p161L, 0x9c30ad60bfdd27b3p194L, 0xc94a2a1428c85f11p226L,
      0x8353c0575246ba20p259L, 0xad1817e5b4885c92p291L, 0xe60bb5a4b445d1e6p323L,
      0x99efd45657ef7da3p356L, 0xcf3e04cf0f554261p388L, 0x8c37f4b690cad629p421L,
      0xbe96b91ec712c664p453L}},
    {-0xeffffffffff28c06p-60L, -0xc6604ef30371f89dp-128L, 0xd73f9f399fb10cfdp-108L,
     {-0x983bbbabfd424cf3p-23L, 0xb50df9989276eb0cp16L, -0x8f8e0edd49287f5ap56L,
      0x800cc3b50bf5304cp96L, -0xf3ab100ca88eaa92p135L, 0xf1800a4f22400f72p175L,
      -0xf630a402884b74e8p215L, 0x801988aff5173f14p256L, -0x876c88cdad23b96ep296L,
      0x90f4dfbc0c320191p336L, -0x9cba3671f678f32ep376L, 0xaaddbe967a86db35p416L,
      -0xbb9548f950b65a21p456L, 0xcf2953e46ef873acp496L, -0xe5f4d5b707d18ed8p536L,
      0x80331677e0e115efp577L}},
    {-0xe000000000c9cba5p-60L, -0x8bd29cebd8ae31efp-125L, 0xc9cba545e94e75ecp-104L,
     {0xa261d9402aca1fbap-27L, 0xcdfff8b6ec03a5f3p8L, 0xae38f598b798631fp44L,
      0xa5c3f446640af307p80L, 0xa83bc7345169bcbcp116L, 0xb1da37cbf401b5e5p152L,
      0xc164b1037cb1659ap188L, 0xd6ac5dc19291900bp224L, 0xf213c89189f56fe3p260L,
      0x8a3224449df95ba5p297L, 0x9f6100c7051501eep333L, 0xb95738c0a866d0aap369L,
      0xd909e9b0c4dcf703p405L, 0xffabb6638c7cc275p441L, 0x975ca027ae5a2acbp478L,
      0xb404a0cdbf7e8748p514L}},
    {-0xffffffffffff28c0p-60L, -0xc18cc43ea25ce5cap-125L, 0xd73f9f399de0aed2p-112L,
     {-0x983bbbabffd324cfp-19L, 0xb50df99895841de7p24L, -0x8f8e0edd4cc9984dp68L,
      0x800cc3b510462f81p112L, -0xf3ab100cb2d31004p155L, 0xf1800a4f2e76127dp199L,
      -0xf630a40296d14b52p243L, 0x801988affdba19e1p288L, -0x876c88cdb76924fcp332L,
      0x90f4dfbc18693c59p376L, -0x9cba367205003c59p420L, 0xaaddbe968bce49c1p464L,
      -0xbb9548f965433daap508L, 0xcf2953e4876958f1p552L, -0xe5f4d5b724e306f8p596L,
      0x80331677f22a3d99p641L}},
    {-0xf0000000000d73fap-60L, 0xc6642f1bdf07a161p-128L, 0xd73f9f399bd0e421p-108L,
     {0x983bbbac02bdb30dp-23L, 0xb50df99898fc0334p16L, 0x8f8e0edd50e996f2p56L,
      0x800cc3b5152e1ab1p96L, 0xf3ab100cbe7e72c5p135L, 0xf1800a4f3c5709dep175L,
      0xf630a402a752eb20p215L, 0x801988b0078aeabdp256L, 0x876c88cdc315b1a6p296L,
      0x90f4dfbc264b9609p336L, 0x9cba36721583818bp376L, 0xaaddbe969f71e0a4p416L,
      0xbb9548f97c9eab0bp456L, 0xcf2953e4a330d137p496L, 0xe5f4d5b745ecdc78p536L,
      0x8033167805cfc9d9p577L}},
};

// x = k + f, k an integer and |f| <= 1/2, for |x| < 2^63: exact.
struct Parts {
  LD k, f;
};
Parts Nearest(LD x) {
  const LD k = static_cast<LD>(static_cast<int64_t>(x));  // toward zero
  const LD f = x - k;
  if (f > 0.5L) return {k + 1, f - 1};
  if (f < -0.5L) return {k - 1, f + 1};
  return {k, f};
}

// ln|Gamma(x)| and the sign of Gamma(x) for x < 0, no integer, by
// Gamma(x) Gamma(1 - x) = pi / sin(pi x).
LD LgammaNegative(LD x, int32_t* sign) {
  const Parts p = Nearest(x);
  const LD below = p.f < 0 ? p.k - 1 : p.k;  // floor(x)
  *sign = static_cast<int64_t>(below) % 2 != 0 ? -1 : 1;
  if (x > -0x1p-70L) return -Ln(-x);
  if (x > -0.25L) return Series(kAt1, x) - Ln(-x);
  if (x < -2 && x > -16) {
    for (const Zero& z : kZeros) {
      const LD d = (x - z.hi) - z.lo;  // x - z.hi is exact
      if (Abs(d) < z.reach) return d * Series(z.c, d);
    }
  }
  return kLnPi - Ln(Abs(trig::Sin(kPi * p.f))) - LgammaPositive(1 - x);
}

// Gamma(x) for -184 < x < 0, no integer.
LD GammaNegative(LD x) {
  if (x > -0x1p-70L) return 1 / x;
  if (x > -0.25L) return Exp(Series(kAt1, x)) / x;
  const Parts p = Nearest(x);
  LD s = trig::Sin(kPi * p.f);
  if (static_cast<int64_t>(p.k) % 2 != 0) s = -s;
  return kPi / (s * GammaPositive(1 - x));
}

// Both share the handling of the edges; T is double or float, whose
// Gamma overflows beyond `over` and underflows to zero below `under`.
//
// The Linux C library raises INEXACT for every finite argument but 1 (and
// 2 for floats), exact results among them.
template <typename T>
T Tgamma(T x, T over, T under) {
  const FullPrecision full;
  if (x != x) return x + x;
  if (x == 0) return Pole<T>(__builtin_signbit(x) != 0);
  if (IsInf(x)) return x > 0 ? x : DomainError<T>(false);
  if (x <= -0x1p52L) return DomainError<T>(false);  // an integer
  const LD lx = x;
  const Parts p = Nearest(x < 0 ? lx : 0);
  if (x < 0 && p.f == 0) return DomainError<T>(false);
  if (x != 1 && (x != 2 || sizeof(T) != sizeof(float))) mathflag::Inexact();
  if (x > over) return Rounded<T>(Huge());
  if (x < 0) {
    if (x < under) {  // a zero of Gamma's sign: negative where floor(x) is odd
      const bool odd = static_cast<int64_t>(p.f < 0 ? p.k - 1 : p.k) % 2 != 0;
      return Rounded<T>(odd ? -Tiny() : Tiny(), kZeroRange);
    }
    return Rounded<T>(GammaNegative(lx), kZeroRange);
  }
  return Rounded<T>(GammaPositive(lx), kZeroRange);
}

template <typename T>
T Lgamma(T x, int32_t* sign) {
  const FullPrecision full;
  *sign = 1;
  if (x != x) return x + x;
  if (IsInf(x)) return x > 0 ? x : -x;
  const LD lx = x;
  if (x <= 0) {
    const Parts p = Nearest(x <= -0x1p52L ? 0 : lx);  // an integer there
    if (p.f == 0) {  // a pole; the sign is that of the zero, + elsewhere
      *sign = x == 0 && __builtin_signbit(x) ? -1 : 1;
      return Pole<T>(false);
    }
    return Rounded<T>(LgammaNegative(lx, sign));
  }
  return Rounded<T>(LgammaPositive(lx));
}

// The logarithms: a domain error below zero, a pole at zero, +0 at one in
// every rounding mode.
template <typename T>
bool LogEdge(T x, T* r, bool nanNegative) {
  if (x != x) {
    *r = x + x;
  } else if (x == 0) {
    *r = Pole<T>(true);
  } else if (x < 0) {
    *r = DomainError<T>(nanNegative);
  } else if (x == 1) {
    *r = 0;
  } else if (IsInf(x)) {
    *r = x;
  } else {
    return false;
  }
  return true;
}
LD LogTimes(LD x, LD y) { return Abs(x - 1) < 0.29L ? Fyl2xp1(x - 1, y) : Fyl2x(x, y); }

}  // namespace
}  // namespace tblibc::dbl

using namespace tblibc::dbl;
using tblibc::SetErrno;

extern "C" {

double tblibc_atan(double x) {
  const FullPrecision full;
  if (x == 0 || x != x) return x;
  return Rounded<double>(Atan(x), kTinyFlag);
}

// A NaN argument gives a positive NaN, as the Linux C library's.
double tblibc_acos(double x) {
  const FullPrecision full;
  if (x != x) return Abs(x + x);
  if (!(Abs(x) <= 1)) return DomainError<double>(false);
  if (x == 1) return 0;
  const LD lx = x;
  return Rounded<double>(Fpatan(Abs(Sqrt((1 - lx) * (1 + lx))), lx));
}

double tblibc_sinh(double x) {
  const FullPrecision full;
  if (x == 0 || x != x || IsInf(x)) return x;
  return Rounded<double>(Sinh(x), kTinyFlag);
}

// cosh of an argument below 2^-55 is 1 without computing, as the Linux C
// library answers it, with no INEXACT.
double tblibc_cosh(double x) {
  const FullPrecision full;
  if (x != x) return x + x;
  if (IsInf(x)) return Abs(x);
  if (Abs(x) < 0x1p-55L) return 1;
  return Rounded<double>(Cosh(x));
}
float tblibc_coshf(float x) {
  const FullPrecision full;
  if (x != x) return x + x;
  if (IsInf(x)) return Abs(x);
  if (Abs(x) < 0x1p-55L) return 1;
  return Rounded<float>(Cosh(x));
}

double tblibc_tanh(double x) {
  const FullPrecision full;
  if (x == 0 || x != x) return x;
  if (IsInf(x)) return x > 0 ? 1 : -1;
  return Rounded<double>(Tanh(x), kTinyFlag);
}

double tblibc_asinh(double x) {
  const FullPrecision full;
  if (x == 0 || x != x || IsInf(x)) return x;
  return Rounded<double>(Asinh(x), kTinyFlag);
}

double tblibc_acosh(double x) {
  const FullPrecision full;
  if (x != x) return x + x;
  if (x < 1) return DomainError<double>(true);
  if (x == 1) return 0;
  if (IsInf(x)) return x;
  return Rounded<double>(Acosh(x));
}

double tblibc_expm1(double x) {
  const FullPrecision full;
  if (x == 0 || x != x) return x;
  if (IsInf(x)) return x > 0 ? x : -1;
  if (x > 11000) return Rounded<double>(Huge());
  // -1 exactly from -38 down, as the Linux C library answers it.
  if (x <= -38) return -1;
  return Rounded<double>(ExpM1(x), kTinyFlag);
}

double tblibc_log10(double x) {
  const FullPrecision full;
  double r;
  if (LogEdge(x, &r, false)) return r;
  return Rounded<double>(LogTimes(x, kLog10Of2));
}
float tblibc_logf(float x) {
  const FullPrecision full;
  float r;
  if (LogEdge(x, &r, true)) return r;
  return Rounded<float>(LogTimes(x, kLn2));
}
// log2f of a power of two is its exponent, exactly.
float tblibc_log2f(float x) {
  const FullPrecision full;
  float r;
  if (LogEdge(x, &r, true)) return r;
  uint32_t u;
  std::memcpy(&u, &x, 4);
  if ((u & 0x7fffff) == 0) return static_cast<float>(static_cast<int>(u >> 23) - 127);
  if (u < 0x800000 && (u & (u - 1)) == 0) return static_cast<float>(-149 + __builtin_ctz(u));
  return Rounded<float>(LogTimes(x, 1));
}

// INEXACT even for a cube, as the Linux C library raises it.
double tblibc_cbrt(double x) {
  const FullPrecision full;
  if (x == 0 || x != x || IsInf(x)) return x;
  tblibc::mathflag::Inexact();
  return Rounded<double>(Cbrt(x));
}

double tblibc_erfc(double x) {
  const FullPrecision full;
  if (x != x) return x + x;
  if (IsInf(x)) return x > 0 ? 0 : 2;
  // From 28 on the Linux C library answers an underflow, a range error
  // even where rounding up gives the least subnormal.
  if (x >= 28) {
    const double r = Rounded<double>(Tiny());
    SetErrno(linux::kERANGE);
    return r;
  }
  return Rounded<double>(Erfc(x), kZeroRange);
}

double tblibc_tgamma(double x) { return Tgamma<double>(x, 171.7, -184); }
float tblibc_tgammaf(float x) { return Tgamma<float>(x, 35.1f, -43); }
double tblibc_lgamma_r(double x, int32_t* sign) { return Lgamma(x, sign); }
float tblibc_lgammaf_r(float x, int32_t* sign) { return Lgamma(x, sign); }

}  // extern "C"
