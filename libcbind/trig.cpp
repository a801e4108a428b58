// sin, cos and tan in every precision, with the argument reduced exactly.
//
// The x87's fsin and fcos reduce with a 66-bit pi, so their answers for
// large arguments (sin(1e22)) are wrong in every digit; hosts whose libm
// leans on them differ from the Linux C library there. Here the argument is
// reduced by pi/2 first: in three parts of pi/2 for moderate arguments, by
// the bits of 2/pi for the rest. Series in the x87's 64-bit precision then
// work on |r| <= pi/4, within an ulp of it, well inside a double.
#include "libcbind/trig.h"

#include <cstring>
#include <limits>
#include <iterator>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_flags.h"

namespace tblibc::trig {
namespace {

constexpr uint32_t kTwoOverPi[] = {
#include "libcbind/trig_table.inc"
};

constexpr long double kPiOver4 = 0xc90fdaa22168c235p-64L;
constexpr long double kPiOver2 = 0xc90fdaa22168c235p-63L;
// Only picks the quadrant: a count off by one at a boundary leaves r just
// past pi/4, where the series holds as well. A double: a cheaper load.
constexpr double kTwoOverPiD = 0x1.45f306dc9c883p-1;
// pi/2 in three parts: the first two hold 32 bits each, so their products
// with a quadrant count below 2^21 are exact.
constexpr long double kPart1 = 0xc90fdaa2p-31L;
constexpr long double kPart2 = 0x2168c234p-63L;
constexpr long double kPart3 = 0xc4c6628b80dc1cd1p-127L;
constexpr long double kCodyWaiteLimit = 0x1p20L;

// Bits [low, low+63] of the little-endian 32-bit limbs of `p`; bits
// outside the limbs are zero.
uint64_t Bits64(const uint32_t* p, int limbs, int low) {
  auto limb = [&](int i) -> uint64_t { return i >= 0 && i < limbs ? p[i] : 0; };
  const int index = low >= 0 ? low / 32 : -((31 - low) / 32);
  const int offset = low - 32 * index;  // 0..31
  const uint64_t v = limb(index) | (limb(index + 1) << 32);
  if (offset == 0) return v;
  return (v >> offset) | (limb(index + 2) << (64 - offset));
}

__attribute__((noinline)) Reduced ReduceLarge(long double ax) {
  uint64_t m;
  uint16_t se;
  std::memcpy(&m, &ax, 8);
  std::memcpy(&se, reinterpret_cast<const char*>(&ax) + 8, 2);
  const int e = (se & 0x7fff) - 16383 - 63;  // ax = m * 2^e
  // Bits of 2/pi at or before e-2 add multiples of 4 to x*2/pi: skipped.
  const int w0 = e - 2 >= 32 ? (e - 2) / 32 : 0;
  constexpr int kWords = 7;
  uint32_t c[kWords];  // little-endian limbs of the 224 bits from w0
  for (int i = 0; i < kWords; ++i) {
    const int w = w0 + kWords - 1 - i;
    c[i] = w < static_cast<int>(std::size(kTwoOverPi)) ? kTwoOverPi[w] : 0;
  }
  uint32_t p[kWords + 2] = {};
  const uint32_t mm[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
  for (int i = 0; i < 2; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < kWords; ++j) {
      const uint64_t t = uint64_t{mm[i]} * c[j] + p[i + j] + carry;
      p[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    p[i + kWords] = static_cast<uint32_t>(carry);
  }
  constexpr int kLimbs = kWords + 2;
  const int s = 32 * (w0 + kWords) - e;  // fraction bits of p
  int quadrant = static_cast<int>(Bits64(p, kLimbs, s) & 3);
  uint64_t hi = Bits64(p, kLimbs, s - 64);
  uint64_t lo = Bits64(p, kLimbs, s - 128);
  bool negative = false;
  if ((hi >> 63) != 0) {  // past the half: the next quadrant, r below zero
    quadrant = (quadrant + 1) & 3;
    negative = true;
    lo = ~lo + 1;
    hi = ~hi + (lo == 0 ? 1 : 0);
  }
  int shift = 0;
  if (hi == 0) {
    hi = lo;
    lo = 0;
    shift = 64;
  }
  if (hi == 0) return {quadrant, 0.0L};
  const int lz = __builtin_clzll(hi);
  if (lz != 0) hi = (hi << lz) | (lo >> (64 - lz));
  const long double f = __builtin_ldexpl(static_cast<long double>(hi), -(64 + shift + lz));
  const long double r = f * kPiOver2;
  return {quadrant, negative ? -r : r};
}

// Everything on the way from an entry to its result is inlined into that
// entry: a long double passed or returned between functions goes through
// memory as ten bytes each time, slow x87 stores and loads that would cost
// more than the series.
#define TRIG_INLINE inline __attribute__((always_inline))

TRIG_INLINE Reduced ReduceInline(long double ax) {
  if (ax <= kPiOver4) return {0, ax};
  if (ax < kCodyWaiteLimit) {
    // The nearest integer by adding 1.5 * 2^63, whose ulp is 1: its low
    // mantissa bits are the count itself. (frndint and a conversion to an
    // integer would cost more than the rest of the reduction.)
    // The empty asm keeps the compiler from folding the sum back, without
    // the trip through memory a volatile would put on the critical path.
    constexpr long double kRound = 0x1.8p63L;
    long double sum = ax * kTwoOverPiD + kRound;
    asm("" : "+t"(sum));
    uint64_t bits;
    std::memcpy(&bits, &sum, 8);
    const long double n = sum - kRound;
    const long double r = ((ax - n * kPart1) - n * kPart2) - n * kPart3;
    return {static_cast<int>(bits & 3), r};
  }
  return ReduceLarge(ax);
}

// Taylor series on |r| <= pi/4, to r^21 and r^22 (the next terms are
// below 2^-80 of the result). The ten coefficients after the first are one
// polynomial in z = r^2, evaluated by Estrin's scheme: pairs, then pairs of
// pairs, with the powers z^2, z^4, z^8 computed alongside, so that the
// chain of dependent x87 operations is four steps long rather than ten.
// fsin and fcos take longer than the whole series.
// From the fifth coefficient on, a term is below 2^-18 of the result, so a
// double's rounding of it moves the sum by under 2^-71: those are loaded as
// doubles, one micro-operation where a long double load takes four.
constexpr long double Factorial(int n) { return n <= 1 ? 1.0L : n * Factorial(n - 1); }
template <int First>
struct Series {
  // c(k) = (-1)^k / (First + 2k)!
  static constexpr long double C(int k) {
    return (k % 2 == 0 ? 1.0L : -1.0L) / Factorial(First + 2 * k);
  }
  long double head[4];  // c(0) .. c(3)
  double tail[7];       // c(4) .. c(10)
  constexpr Series() : head(), tail() {
    for (int k = 0; k < 4; ++k) head[k] = C(k);
    for (int k = 0; k < 7; ++k) tail[k] = static_cast<double>(C(k + 4));
  }
};
constexpr Series<1> kSin;  // r - r^3/3! + ...
constexpr Series<0> kCos;  // 1 - r^2/2! + ...

// c(1) + c(2) z + ... + c(10) z^9.
template <int First>
TRIG_INLINE long double Tail(const Series<First>& s, long double z) {
  const long double w = z * z, w2 = w * w, w4 = w2 * w2;
  const long double q0 = s.head[1] + s.head[2] * z, q1 = s.head[3] + s.tail[0] * z;
  const long double q2 = s.tail[1] + s.tail[2] * z, q3 = s.tail[3] + s.tail[4] * z;
  const long double q4 = s.tail[5] + s.tail[6] * z;
  const long double s0 = q0 + q1 * w, s1 = q2 + q3 * w;
  return (s0 + s1 * w2) + q4 * w4;
}

TRIG_INLINE long double SinR(long double r) {
  if (r == 0) return r;  // keeps the sign of a zero
  const long double z = r * r;
  return r + (r * z) * Tail(kSin, z);  // from r^3 on
}
TRIG_INLINE long double CosR(long double r) {
  const long double z = r * r;
  return 1.0L + z * Tail(kCos, z);  // from r^2 on
}

TRIG_INLINE void SinCosInline(long double x, long double* sine, long double* cosine) {
  if (x != x) {
    *sine = *cosine = x + x;
    return;
  }
  if (x - x != 0) {  // an infinity
    SetErrno(linux::kEDOM);
    *sine = *cosine = x - x;
    return;
  }
  const bool negative = x < 0;
  const Reduced red = ReduceInline(negative ? -x : x);
  long double s, c;
  s = SinR(red.r);
  c = CosR(red.r);
  long double rs, rc;
  switch (red.quadrant) {
    case 0: rs = s; rc = c; break;
    case 1: rs = c; rc = -s; break;
    case 2: rs = -s; rc = -c; break;
    default: rs = -c; rc = s; break;
  }
  *sine = negative ? -rs : rs;
  *cosine = rc;
}

TRIG_INLINE long double SinInline(long double x) {
  if (x != x) return x + x;
  if (x - x != 0) {
    SetErrno(linux::kEDOM);
    return x - x;
  }
  const bool negative = x < 0;
  const Reduced red = ReduceInline(negative ? -x : x);
  long double v;
  switch (red.quadrant) {
    case 0: v = SinR(red.r); break;
    case 1: v = CosR(red.r); break;
    case 2: v = -SinR(red.r); break;
    default: v = -CosR(red.r); break;
  }
  return negative ? -v : v;
}

TRIG_INLINE long double CosInline(long double x) {
  if (x != x) return x + x;
  if (x - x != 0) {
    SetErrno(linux::kEDOM);
    return x - x;
  }
  const Reduced red = ReduceInline(x < 0 ? -x : x);
  switch (red.quadrant) {
    case 0: return CosR(red.r);
    case 1: return -SinR(red.r);
    case 2: return -CosR(red.r);
    default: return SinR(red.r);
  }
}

TRIG_INLINE long double TanInline(long double x) {
  if (x != x) return x + x;
  if (x - x != 0) {
    SetErrno(linux::kEDOM);
    return x - x;
  }
  if (x == 0) return x;
  const bool negative = x < 0;
  const Reduced red = ReduceInline(negative ? -x : x);
  long double s, c;
  s = SinR(red.r);
  c = CosR(red.r);
  const long double v = (red.quadrant & 1) == 0 ? s / c : -c / s;
  return negative ? -v : v;
}

}  // namespace

Reduced Reduce(long double ax) { return ReduceInline(ax); }
long double Sin(long double x) { return SinInline(x); }
long double Cos(long double x) { return CosInline(x); }
long double Tan(long double x) { return TanInline(x); }
void SinCos(long double x, long double* sine, long double* cosine) {
  SinCosInline(x, sine, cosine);
}

}  // namespace tblibc::trig

namespace tblibc::trig {
namespace {

// Arguments so small that the sine and tangent round to x and the cosine
// to 1. The Linux C library answers these at once, each type below its own
// bound, and raises UNDERFLOW with INEXACT for a subnormal x; beyond that a
// double or float sine or cosine raises nothing, a long double one and a
// float tangent INEXACT. A NaN compares quietly here.
template <typename T>
bool Below(T x, T bound) {
  return __builtin_isless(__builtin_fabsl(x), bound);
}
template <typename T>
T Subnormal(T x, bool inexact) {
  if (x != 0 && Below(x, std::numeric_limits<T>::min())) {
    mathflag::Underflow();
  } else if (inexact && x != 0) {
    mathflag::Inexact();
  }
  return x;
}

}  // namespace
}  // namespace tblibc::trig

namespace tblibc::trig {
namespace {

// The reduction and the kernels are exact or accurate rounding to nearest
// only (a directed mode would leave hundreds of ulps); the caller's mode
// rounds the result once, as it leaves the type.
// Volatile: the compiler knows nothing of the rounding mode and would
// round the result to T before the mode is back.
template <typename T, long double (*Kernel)(long double)>
T InMode(T x) {
  volatile long double wide;
  {
    const mathflag::NearestRounding nearest;
    wide = Kernel(x);
  }
  return mathflag::RoundTo<T>(wide);
}
long double SinK(long double x) { return SinInline(x); }
long double CosK(long double x) { return CosInline(x); }
long double TanK(long double x) { return TanInline(x); }

template <typename T>
void SinCosInMode(T x, T* s, T* c) {
  volatile long double ls, lc;
  {
    const mathflag::NearestRounding nearest;
    long double sine, cosine;
    SinCosInline(x, &sine, &cosine);
    ls = sine;
    lc = cosine;
  }
  *s = mathflag::RoundTo<T>(ls);
  *c = mathflag::RoundTo<T>(lc);
}

}  // namespace
}  // namespace tblibc::trig

extern "C" {
using tblibc::trig::Below;
using tblibc::trig::CosK;
using tblibc::trig::InMode;
using tblibc::trig::SinCosInMode;
using tblibc::trig::SinK;
using tblibc::trig::Subnormal;
using tblibc::trig::TanK;

double tblibc_sin(double x) {
  if (Below(x, 0x1p-26)) return Subnormal(x, false);
  return InMode<double, SinK>(x);
}
float tblibc_sinf(float x) {
  if (Below(x, 0x1p-12f)) return Subnormal(x, false);
  return InMode<float, SinK>(x);
}
long double tblibc_sinl(long double x) {
  if (Below(x, 0x1p-33L)) return Subnormal(x, true);
  return InMode<long double, SinK>(x);
}
double tblibc_cos(double x) {
  if (Below(x, 0x1p-27)) return 1;
  return InMode<double, CosK>(x);
}
float tblibc_cosf(float x) {
  if (Below(x, 0x1p-12f)) return 1;
  return InMode<float, CosK>(x);
}
long double tblibc_cosl(long double x) {
  if (Below(x, 0x1p-33L)) {
    if (x != 0) tblibc::mathflag::Inexact();
    return 1;
  }
  return InMode<long double, CosK>(x);
}
double tblibc_tan(double x) {
  if (Below(x, 1.259e-8)) return Subnormal(x, false);
  return InMode<double, TanK>(x);
}
float tblibc_tanf(float x) {
  if (Below(x, 0x1p-27f)) return Subnormal(x, true);
  return InMode<float, TanK>(x);
}
long double tblibc_tanl(long double x) {
  if (Below(x, 0x1p-33L)) return Subnormal(x, true);
  return InMode<long double, TanK>(x);
}

void tblibc_sincos(double x, double* s, double* c) { SinCosInMode(x, s, c); }
void tblibc_sincosf(float x, float* s, float* c) { SinCosInMode(x, s, c); }
void tblibc_sincosl(long double x, long double* s, long double* c) { SinCosInMode(x, s, c); }
}  // extern "C"
