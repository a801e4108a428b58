// cbrtl and atanhl of our own: one host's cbrtl is two ulps off and its
// atanhl raises INEXACT where the Linux C library raises nothing. Both are
// computed in the x87's 64-bit precision with the leading terms kept as
// sums of two long doubles, within about half an ulp.
#include <cstdint>
#include <cstring>
#include <limits>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_flags.h"
#include "libcbind/math_ldmisc.h"

namespace tblibc::ldmisc {
namespace {

#define LDMISC_INLINE inline __attribute__((always_inline))

using exact::FastTwoSum;
using exact::TwoProduct;
using exact::TwoSum;

// ---- The bits of a long double ----------------------------------------
uint16_t SignExponent(long double x) {
  uint16_t se;
  std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
  return se;
}
// x with `delta` added to its biased exponent (x normal, and the result
// too): an exact scaling by a power of two.
long double AddExponent(long double x, int delta) {
  const uint16_t se = static_cast<uint16_t>(SignExponent(x) + delta);
  std::memcpy(reinterpret_cast<char*>(&x) + 8, &se, 2);
  return x;
}
// |x| = m 2^exp with m in [1, 2), for a finite nonzero x (subnormals too).
struct Split {
  long double m;
  int exp;
};
Split SplitOf(long double x) {
  uint64_t mant;
  std::memcpy(&mant, &x, 8);
  int exp = (SignExponent(x) & 0x7fff) - 16383;
  if ((SignExponent(x) & 0x7fff) == 0) {
    const int lz = __builtin_clzll(mant);
    mant <<= lz;
    exp = 1 - 16383 - lz;
  }
  long double m = 0;
  const uint16_t se = 16383;
  std::memcpy(&m, &mant, 8);
  std::memcpy(reinterpret_cast<char*>(&m) + 8, &se, 2);
  return {m, exp};
}
bool FiniteBits(long double x) { return (SignExponent(x) & 0x7fff) != 0x7fff; }

// ---- cbrtl ---------------------------------------------------------------
//
// |x| = y 2^(3k) with y in [1, 8): a cubic in m (the Chebyshev fit of
// cbrt on [1, 2], within 1e-4, from mpmath) times cbrt(2^j) starts three
// Newton steps, each squaring the error, and a last one takes the residual
// y - t^3 from exact products: the sum t + correction is rounded once.
constexpr long double kCbrtStart[] = {0.5557909602691388L, 0.5808263911380952L,
                                      -0.1586624600531909L, 0.022148699208245196L};
constexpr long double kCbrtOf2j[] = {1.0L, 1.25992104989487316476721L, 1.58740105196819947475171L};

long double Cbrt(long double x) {
  if (x == 0 || !FiniteBits(x)) return x + x;  // zeros, infinities and NaN
  const Split s = SplitOf(x);
  const int k = s.exp >= 0 ? s.exp / 3 : -((2 - s.exp) / 3);
  const int j = s.exp - 3 * k;
  const long double y = AddExponent(s.m, j);
  const long double m = s.m;
  long double t = (kCbrtStart[0] + m * (kCbrtStart[1] + m * (kCbrtStart[2] + m * kCbrtStart[3]))) *
                  kCbrtOf2j[j];
  for (int i = 0; i < 3; ++i) t -= (t - y / (t * t)) / 3;
  long double a, ae, b, be;
  TwoProduct(t, t, &a, &ae);
  TwoProduct(a, t, &b, &be);
  const long double residual = (b - y) + (be + ae * t);  // t^3 - y; b - y is exact
  t -= residual / (3 * a);
  t = AddExponent(t, k);
  return x < 0 ? -t : t;
}

// ---- atanhl ---------------------------------------------------------------
//
// atanh s = s + s^3/3 + s^5/5 + ...: for |s| <= 0.17 the terms to s^27
// leave less than 2^-66 of the sum. Larger arguments go by
// atanh x = ln((1+x)/(1-x)) / 2 = k ln(2)/2 + atanh((v-1)/(v+1)), where
// (1+x)/(1-x) = v 2^k with v within [sqrt(1/2), sqrt(2)): the quotients
// are sums of two long doubles and the series sees |s| <= 0.1716.
constexpr int kAtanhTerms = 13;
struct AtanhSeries {
  long double c[kAtanhTerms];  // 1/3, 1/5, ..., 1/27
  constexpr AtanhSeries() : c() {
    for (int n = 0; n < kAtanhTerms; ++n) c[n] = 1.0L / (2 * n + 3);
  }
};
constexpr AtanhSeries kAtanh;

// atanh(sh + sl) - sh, for |sh| <= 0.1716 and sl far below it.
LDMISC_INLINE long double AtanhTail(long double sh, long double sl) {
  const long double z = sh * sh;
  long double p = kAtanh.c[kAtanhTerms - 1];
  for (int n = kAtanhTerms - 2; n >= 0; --n) p = kAtanh.c[n] + z * p;
  return sl + (sh * z) * p;
}

// (nh + nl) / (dh + dl) as a sum of two long doubles.
LDMISC_INLINE void Divide(long double nh, long double nl, long double dh, long double dl,
                          long double* qh, long double* ql) {
  const long double q = nh / dh;
  long double p, pe;
  TwoProduct(q, dh, &p, &pe);
  FastTwoSum(q, (((nh - p) - pe) + (nl - q * dl)) / dh, qh, ql);
}

// ln(2)/2: a head of 48 bits, whose products with k < 2^16 are exact, and
// the rest (mpmath at 300 bits).
constexpr long double kHalfLn2Head = 0xb17217f7d1ce0000p-65L;
constexpr long double kHalfLn2Tail = 0xbcd5e4f1d9cc01f9p-112L;
constexpr long double kSqrt2 = 0xb504f333f9de6484p-63L;

long double AtanhLarge(long double ax) {  // 0.17 <= ax < 1
  long double nh, nl, dh, dl, uh, ul;
  FastTwoSum(1.0L, ax, &nh, &nl);
  FastTwoSum(1.0L, -ax, &dh, &dl);
  Divide(nh, nl, dh, dl, &uh, &ul);
  // u = v 2^k, v in [sqrt(1/2), sqrt(2)).
  const Split u = SplitOf(uh);
  const int k = u.m >= kSqrt2 ? u.exp + 1 : u.exp;
  const long double scale = AddExponent(1.0L, -k);
  const long double vh = uh * scale, vl = ul * scale;
  long double ah, al, bh, bl, sh, sl;
  TwoSum(vh - 1.0L, vl, &ah, &al);  // vh - 1 is exact
  TwoSum(vh, 1.0L, &bh, &bl);
  bl += vl;
  Divide(ah, al, bh, bl, &sh, &sl);
  long double th, tl;
  TwoSum(k * kHalfLn2Head, sh, &th, &tl);
  return th + (tl + (k * kHalfLn2Tail + AtanhTail(sh, sl)));
}

long double Atanh(long double x) {
  if (x != x) return x + x;
  const long double ax = x < 0 ? -x : x;
  if (ax > 1) {  // an infinity too
    SetErrno(linux::kEDOM);
    const volatile long double zero = 0;
    return zero / zero;  // the x87's default NaN, negative, and INVALID
  }
  if (ax == 1) {
    SetErrno(linux::kERANGE);
    const volatile long double zero = 0;
    return x / zero;  // DIVBYZERO
  }
  // Below 2^-32, atanh x rounds to x; the Linux C library raises nothing
  // there but UNDERFLOW for a subnormal x.
  if (ax < 0x1p-32L) {
    if (x != 0 && (SignExponent(x) & 0x7fff) == 0) mathflag::Underflow();
    return x;
  }
  const long double r = ax < 0.17L ? ax + AtanhTail(ax, 0.0L) : AtanhLarge(ax);
  return x < 0 ? -r : r;
}

}  // namespace
}  // namespace tblibc::ldmisc

extern "C" {
long double tblibc_cbrtl(long double x) { return tblibc::ldmisc::Cbrt(x); }
long double tblibc_atanhl(long double x) { return tblibc::ldmisc::Atanh(x); }
}
