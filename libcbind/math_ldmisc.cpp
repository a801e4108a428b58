// cbrtl, atanhl, erfl and erfcl of our own: one host's cbrtl is two ulps
// off, its atanhl raises INEXACT where the Linux C library raises nothing,
// its erfl and erfcl are up to two ulps off. All are computed in the x87's
// 64-bit precision with the leading terms kept as sums of two long
// doubles, within about half an ulp (erfl and erfcl 0.7).
#include <cstdint>
#include <cstring>
#include <limits>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_exact.h"
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

// ---- erfl and erfcl ------------------------------------------------------
//
// erf x = 2/sqrt(pi) (x - x^3/3 + x^5/10 - ...) below 1, where the terms
// to x^41 leave less than 2^-66. Beyond, erfc x = exp(-x^2) g(x): g is
// smooth and slowly varying; on seven intervals up to 8 it is a polynomial
// in x - mid (Chebyshev fits of erfc(x) exp(x^2) with mpmath at 50 digits,
// within 2^-68), and from 8 on x g(x) is one in 1/x^2 (within 2^-70). The
// constant terms are pairs of long doubles, the leading products exact,
// and exp(-x^2) is 2^-k exp(r) with x^2 exact and |r| <= ln(2)/2.
// erf x = 1 - erfc x from 1 on, erfc x = 1 - erf x below 1/2.
struct ErfSeries {
  long double a[21];  // (-1)^n / (n! (2n+1)), n = 0..20
  constexpr ErfSeries() : a() {
    long double factorial = 1;
    for (int n = 0; n < 21; ++n) {
      if (n > 0) factorial *= n;
      a[n] = (n % 2 == 0 ? 1.0L : -1.0L) / (factorial * (2 * n + 1));
    }
  }
};
constexpr ErfSeries kErf;
constexpr long double kTwoOverSqrtPi = 0x906eba8214db688dp-63L;
constexpr long double kTwoOverSqrtPiLow = 0xe3a914fed7fd8688p-128L;

struct Pair {
  long double hi, lo;
};

// erf x as a pair, |x| < 1.
Pair ErfSmall(long double x) {
  const long double z = x * x;
  long double q = kErf.a[20];
  for (int n = 19; n >= 1; --n) q = kErf.a[n] + z * q;
  long double th, tl, p, pe;
  FastTwoSum(x, x * (z * q), &th, &tl);  // x (1 + z q)
  TwoProduct(kTwoOverSqrtPi, th, &p, &pe);
  Pair r;
  FastTwoSum(p, pe + (kTwoOverSqrtPi * tl + kTwoOverSqrtPiLow * th), &r.hi, &r.lo);
  return r;
}

struct ErfcPiece {
  long double end, mid, c0, c0Low;
  long double c[19];  // c1 ..; zeros past the fit's degree
};
constexpr ErfcPiece kErfcPieces[] = {
    {1L, 0.75L, 0x81c6aa751ec19c28p-64L, -0x84c9162044da22c5p-129L, {-0xbc66eaa8f728cdbfp-65L, 0xec8049d708493c00p-66L, -0x84f3bea07011c9a8p-66L, 0x88c97adeb43be77ap-67L, -0x82a6b414ad922155p-68L, 0xea1d3e3d32ffaa91p-70L, -0xc64beea752404784p-71L, 0x9fc0c4be8617ebc6p-72L, -0xf6067a71ae6f9f4cp-74L, 0xb5cc15f4d0a19990p-75L, -0x8158b0117005d336p-76L, 0xb1b930922f53251dp-78L, -0xec5d96a8f65b60d6p-80L, 0x986b9176e32f9d85p-81L, -0xbf170f7105ef2691p-83L, 0xeefc2ea8abe33df7p-85L, -0x8dfc7a34b075c7d4p-86L, 0.0L, 0.0L}},
    {1.5L, 1.25L, 0xbc534909c3b3d005p-65L, 0xdddf3f6e1f7d2ea2p-132L, {-0xd5d566dfd4583452p-66L, 0xdab7a2f77bf2bd9cp-67L, -0xcdb1ad631256a591p-68L, 0xb4512d3320f77234p-69L, -0x94cb1b6b62c3b848p-70L, 0xe8db4ad564e137ffp-72L, -0xadc5e4a634ae54e3p-73L, 0xf87f37cd74355522p-75L, -0xaae03e89f14a579cp-76L, 0xe2b8293b291cd377p-78L, -0x917e282a5ea7f166p-79L, 0xb503db0a9995618bp-81L, -0xdad4e096909fd08dp-83L, 0x835ae7907658e561p-84L, -0x967b60c863f7309fp-86L, 0.0L, 0.0L, 0.0L, 0.0L}},
    {2L, 1.75L, 0x91e7e178ee3f013bp-65L, 0xff8c709fe0ab63d7p-133L, {-0x861ea9c223223bcep-66L, 0xe46867787c086748p-68L, -0xb65a97f244a2f8d7p-69L, 0x89b24508fff33c58p-70L, -0xc5fb8b54755f0adap-72L, 0x8835eae02314daffp-73L, -0xb41c44255cd96503p-75L, 0xe5a634395815edbfp-77L, -0x8d948963b4c83db6p-78L, 0xa939ffd26248842ap-80L, -0xc47d9e0b3bc11569p-82L, 0xde00c5b6f825746cp-84L, -0xf48790d4e0f092cdp-86L, 0x85b62112a3dce965p-87L, -0x8c6940c018434336p-89L, 0.0L, 0.0L, 0.0L, 0.0L}},
    {3L, 2.5L, 0xd7dd9f9db9a1d661p-66L, -0xec1e36cbe33baa9fp-132L, {-0x98436bf80d642910p-67L, 0xcc4ac53d472517f6p-69L, -0x831903b404efdec2p-70L, 0xa1ae027103e687f8p-72L, -0xc04e7455a99f9079p-74L, 0xdd4533e7db84e5ecp-76L, -0xf6ea11cc85d8cb13p-78L, 0x85e5d1928d85d08ap-79L, -0x8d6886d841c3ca78p-81L, 0x91a7f58abcdcce5cp-83L, -0x928a50a88ed01290p-85L, 0x902f76a913e08eacp-87L, -0x8ae5e4654b65b0d8p-89L, 0x82f3ac90c54dcacap-91L, -0xf2994bf0ce71a007p-94L, 0xe9784bd2585740bep-96L, -0xd03b37aa357d3ee3p-98L, 0.0L, 0.0L}},
    {4L, 3.5L, 0x9f054cd077489f9cp-66L, -0xb0e4670e776be1ebp-134L, {-0xa942e9758f7b9c9fp-68L, 0xaeac08999bc76902p-70L, -0xaf2ebf4c4c8c07b5p-72L, 0xab1909b6c6673380p-74L, -0xa3055eb592d8b174p-76L, 0x97c1cf2a1f32bb8dp-78L, -0x8a35e203457d2a7bp-80L, 0xf6954b3aefd7c590p-83L, -0xd7aeb27fab02e432p-85L, 0xb927c91e128c6dc5p-87L, -0x9c2290ec7ea0d1f6p-89L, 0x816f09d52af72f67p-91L, -0xd31c26c6abeb992dp-94L, 0xa958ae55146f4ccep-96L, -0x85e9ea4a46b83fa7p-98L, 0xd99e1c2af40d664fp-101L, -0xa709a81df176fb36p-103L, 0.0L, 0.0L}},
    {6L, 5.0L, 0xe2b91cf4a1e8cef2p-67L, -0xd6c771b833551faap-132L, {-0xaec21a4bea79cd9dp-69L, 0x8467c15bcd08df04p-71L, -0xc55e0cc383e49672p-74L, 0x90cf9619a99f673bp-76L, -0xd1540e92649f60f4p-79L, 0x95208a971e36887bp-81L, -0xd18c9e7b70869f32p-84L, 0x91453c4ee352f974p-86L, -0xc6d5dd19ba84d054p-89L, 0x8663a7923d819512p-91L, -0xb37be9fd4c15bd71p-94L, 0xececa919eaa4c17dp-97L, -0x9a9cb60f698f0058p-99L, 0xc7a016ed815c751ep-102L, -0xfef2e8d297d6e7bap-105L, 0xa009571491fe0e86p-107L, -0xc84a687afd91d013p-110L, 0x8c6537c85de1f3bap-112L, -0xabe79afd245b48e1p-115L}},
    {8L, 7.0L, 0xa36e35fc807b3e64p-67L, -0xe2d0a9d29c497d5bp-133L, {-0xb725a29237c8fb13p-70L, 0xcb51ef23ead8ac4fp-73L, -0xdfa838770c90a598p-76L, 0xf3d7b777fb4692a4p-79L, -0x83c5ff1a6f7cf37fp-81L, 0x8d37b5bcfdc99f71p-84L, -0x9616dceeb114822dp-87L, 0x9e3b46c7611ed662p-90L, -0xa57ff20ff7036b22p-93L, 0xabc4224f881bed34p-96L, -0xb0ec625d02f6586bp-99L, 0xb4e4c5e131aaf66cp-102L, -0xb79b1e3edb30b22cp-105L, 0xb8a474e351c6e230p-108L, -0xb8cb171ff15f03dep-111L, 0xc512816a197b644fp-114L, -0xc262ab712fad027fp-117L, 0.0L, 0.0L}},
};
// x g(x) = G(1/x^2) from 8 on.
constexpr long double kErfcFar0 = 0x906eba8214db688dp-64L;
constexpr long double kErfcFar0Low = 0xe0067db91b9f6cb5p-129L;
constexpr long double kErfcFar[] = {
    -0x906eba8214db6788p-65L, 0xd8a617c31f3ce214p-65L, -0x8767ced9e5339bf8p-63L,
    0xecf5a9ebf541620bp-62L,  -0x854a2c7990e959e3p-59L, 0xb74548a2e938e3edp-57L,
    -0x94dacc2557d15738p-54L, 0x8ae0bf29a92dc015p-51L, -0x8de00e1ab060ad7ap-48L,
    0x8a0e40da5358f395p-45L,  -0xaf3e4ca050f03474p-43L,
};

// c0 + t (c1 + c2 t + ...), the last product and sum kept as a pair.
Pair Polynomial(long double c0, long double c0Low, const long double* c, int n, long double t) {
  long double q = c[n - 1];
  for (int i = n - 2; i >= 0; --i) q = c[i] + t * q;
  long double p, pe, s, se;
  TwoProduct(t, q, &p, &pe);
  TwoSum(c0, p, &s, &se);
  Pair r;
  FastTwoSum(s, se + pe + c0Low, &r.hi, &r.lo);
  return r;
}

// ln 2: a head of 48 bits, whose products with k < 2^16 are exact.
constexpr long double kLn2Head = 0xb17217f7d1cf0000p-64L;
constexpr long double kLn2Tail = 0xf35793c7673007e6p-113L;
constexpr long double kInvLn2 = 0xb8aa3b295c17f0bcp-63L;

struct ExpSeries {
  long double inverse[19];  // 1/i!
  constexpr ExpSeries() : inverse() {
    long double factorial = 1;
    for (int i = 0; i < 19; ++i) {
      if (i > 0) factorial *= i;
      inverse[i] = 1.0L / factorial;
    }
  }
};
constexpr ExpSeries kExp;

// exp(-x^2) = 2^-k (e.hi + e.lo), x >= 1/2.
Pair ExpMinusSquare(long double x, int* k) {
  long double h, l;
  TwoProduct(x, x, &h, &l);
  const int n = static_cast<int>(h * kInvLn2 + 0.5L);
  *k = n;
  long double rh, rl;
  TwoSum(n * kLn2Head - h, n * kLn2Tail - l, &rh, &rl);  // the first is exact
  // exp(rh) - 1 = rh + rh^2 (1/2! + rh/3! + ...), to rh^18/18!.
  long double p = kExp.inverse[18];
  for (int i = 17; i >= 2; --i) p = kExp.inverse[i] + rh * p;
  const long double q = rh + (rh * rh) * p;
  Pair e;
  FastTwoSum(1.0L, q, &e.hi, &e.lo);
  e.lo += rl * e.hi;
  return e;
}

// erfc x for x >= 1/2 below the underflow threshold, as 2^-k (hi + lo).
Pair ErfcLarge(long double x, int* k) {
  Pair g;
  if (x < 8) {
    const ErfcPiece* piece = kErfcPieces;
    while (x >= piece->end) ++piece;
    g = Polynomial(piece->c0, piece->c0Low, piece->c, 19, x - piece->mid);
  } else {
    const Pair big = Polynomial(kErfcFar0, kErfcFar0Low, kErfcFar, 11, 1.0L / (x * x));
    long double p, pe;  // big / x
    g.hi = big.hi / x;
    TwoProduct(g.hi, x, &p, &pe);
    g.lo = (((big.hi - p) - pe) + big.lo) / x;
  }
  const Pair e = ExpMinusSquare(x, k);
  long double p, pe;
  TwoProduct(g.hi, e.hi, &p, &pe);
  Pair r;
  FastTwoSum(p, pe + (g.hi * e.lo + g.lo * e.hi), &r.hi, &r.lo);
  return r;
}

// hi * 2^-k in two steps: 2^-k may lie below the least subnormal.
long double ScaleDown(long double v, int k) {
  const int first = k / 2;
  return v * AddExponent(1.0L, -first) * AddExponent(1.0L, first - k);
}

// erfc rounds to zero from 106.744; the Linux C library answers an
// underflow from 107 on without computing.
constexpr long double kErfcUnderflow = 107.0L;
// Far below an ulp of 1: added at run time, it raises INEXACT and rounds
// as the mode asks.
const volatile long double kTiny = 0x1p-100L;

long double Erf(long double x) {
  if (x != x) return x + x;
  const long double ax = x < 0 ? -x : x;
  if (!FiniteBits(x)) return x < 0 ? -1.0L : 1.0L;
  if (ax < 0x1p-32L) {
    if (x == 0) return x;
    // 2x/sqrt(pi); scaled up so that the low part's product stays normal.
    const long double s = x * 0x1p100L;
    long double p, pe;
    TwoProduct(s, kTwoOverSqrtPi, &p, &pe);
    return (p + (pe + s * kTwoOverSqrtPiLow)) * 0x1p-100L;
  }
  // The pair for |x|, its sign applied before the last rounding, which
  // then goes the way the mode asks.
  Pair r;
  if (ax < 1) {
    r = ErfSmall(ax);
  } else if (ax < 6.6L) {
    int k;
    const Pair c = ErfcLarge(ax, &k);
    long double l;
    FastTwoSum(1.0L, -ScaleDown(c.hi, k), &r.hi, &l);
    r.lo = l - ScaleDown(c.lo, k);
  } else {
    r = {1.0L, -kTiny};  // 1 with INEXACT
  }
  return x < 0 ? -r.hi - r.lo : r.hi + r.lo;
}

long double Erfc(long double x) {
  if (x != x) return x + x;
  if (!FiniteBits(x)) return x < 0 ? 2.0L : 0.0L;
  const long double ax = x < 0 ? -x : x;
  if (ax < 0.5L) {
    if (ax < 0x1p-66L) return 1.0L - x;  // 1, INEXACT unless x is zero
    const Pair e = ErfSmall(x);
    long double h, l;
    FastTwoSum(1.0L, -e.hi, &h, &l);
    return h + (l - e.lo);
  }
  if (x < 0) {
    if (ax >= 6.6L) return 2.0L - kTiny;  // 2 with INEXACT
    int k;
    const Pair c = ErfcLarge(ax, &k);
    const long double ch = ScaleDown(c.hi, k), cl = ScaleDown(c.lo, k);
    long double h, l;
    FastTwoSum(2.0L, -ch, &h, &l);
    return h + (l - cl);
  }
  if (x >= kErfcUnderflow) {
    // Zero, or the least subnormal rounding up: an underflow either way.
    SetErrno(linux::kERANGE);
    return mathflag::UnderflowTo<long double>(false);
  }
  int k;
  const Pair c = ErfcLarge(x, &k);
  const long double r = ScaleDown(c.hi + c.lo, k);
  if (r == 0) SetErrno(linux::kERANGE);
  return r;
}

}  // namespace
}  // namespace tblibc::ldmisc

extern "C" {
long double tblibc_cbrtl(long double x) { return tblibc::ldmisc::Cbrt(x); }
long double tblibc_atanhl(long double x) { return tblibc::ldmisc::Atanh(x); }
long double tblibc_erfl(long double x) { return tblibc::ldmisc::Erf(x); }
long double tblibc_erfcl(long double x) { return tblibc::ldmisc::Erfc(x); }
}
