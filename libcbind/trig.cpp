// sin, cos and tan in every precision, with the argument reduced exactly.
//
// The x87's fsin and fcos reduce with a 66-bit pi, so their answers for
// large arguments (sin(1e22)) are wrong in every digit; hosts whose libm
// leans on them differ from the Linux C library there. Here the argument is
// reduced by pi/2 first: in three parts of pi/2 for moderate arguments, by
// the bits of 2/pi for the rest. Series in the x87's 64-bit precision then
// work on |r| <= pi/4, within an ulp of it, well inside a double. A long
// double result keeps the reduced argument as a sum of two long doubles
// and the leading terms exact, and is within about half an ulp.
//
// In a directed rounding mode the quadrant count is still the nearest
// integer, and a long double result is computed rounding to nearest with
// only its last rounding in the guest's mode.
#include "libcbind/trig.h"

#include <cstring>
#include <limits>
#include <iterator>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_exact.h"
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
constexpr long double kPieces[] = {0xc90fdaa2p-31L,  0x2168c234p-63L,  0xc4c6628bp-95L,
                                   0x80dc1cd1p-127L, 0x29024e08p-159L, 0x8a67cc74p-191L};

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

using exact::FastTwoSum;
using exact::TwoProduct;
using exact::TwoSum;

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
  if (hi == 0) return {quadrant, 0.0L, 0.0L};
  const int lz = __builtin_clzll(hi);
  if (lz != 0) {
    hi = (hi << lz) | (lo >> (64 - lz));
    lo <<= lz;
  }
  // (f + fl) pi/2, with pi/2 in a part of 64 bits and the rest.
  const long double f = __builtin_ldexpl(static_cast<long double>(hi), -(64 + shift + lz));
  const long double fl = __builtin_ldexpl(static_cast<long double>(lo), -(128 + shift + lz));
  long double head, headError, r, rl;
  TwoProduct(f, kPart1 + kPart2, &head, &headError);
  FastTwoSum(head, headError + f * kPart3 + fl * (kPart1 + kPart2), &r, &rl);
  return {quadrant, negative ? -r : r, negative ? -rl : rl};
}

// Everything on the way from an entry to its result is inlined into that
// entry: a long double passed or returned between functions goes through
// memory as ten bytes each time, slow x87 stores and loads that would cost
// more than the series.
#define TRIG_INLINE inline __attribute__((always_inline))

template <bool kPrecise>
TRIG_INLINE Reduced ReduceInline(long double ax) {
  if (ax <= kPiOver4) return {0, ax, 0.0L};
  if (ax < kCodyWaiteLimit) {
    // The nearest integer by adding 1.5 * 2^63, whose ulp is 1: its low
    // mantissa bits are the count itself. (frndint and a conversion to an
    // integer would cost more than the rest of the reduction.)
    // The empty asm keeps the compiler from folding the sum back, without
    // the trip through memory a volatile would put on the critical path.
    constexpr long double kRound = 0x1.8p63L;
    const long double t = ax * kTwoOverPiD;
    long double sum = t + kRound;
    asm("" : "+t"(sum));
    uint64_t bits;
    std::memcpy(&bits, &sum, 8);
    long double n = sum - kRound;
    // Rounding down or up, the sum gives the floor or the ceiling, which
    // would leave r near pi/2, where the cosine's series cancels 15 bits.
    if (t - n > 0.5L) {
      n += 1;
      ++bits;
    } else if (t - n < -0.5L) {
      n -= 1;
      --bits;
    }
    if constexpr (!kPrecise) {
      return {static_cast<int>(bits & 3), ((ax - n * kPart1) - n * kPart2) - n * kPart3, 0.0L};
    }
    // pi/2 to 192 bits, in parts of 32 whose products with n are exact:
    // near a multiple of pi/2, r is 2^-60 of x and smaller, and the
    // three parts above leave its low bits wrong. ax - n kPieces[0] is
    // exact, the sums after it are kept exactly.
    long double a, ae, b, be, c, ce, rh, rl;
    TwoSum(ax - n * kPieces[0], -(n * kPieces[1]), &a, &ae);
    TwoSum(a, -(n * kPieces[2]), &b, &be);
    TwoSum(b, -(n * kPieces[3]), &c, &ce);
    TwoSum(c, ((ae + be) + ce) - n * kPieces[4] - n * kPieces[5], &rh, &rl);
    return {static_cast<int>(bits & 3), rh, rl};
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

// c(2) + c(3) z + ... + c(10) z^8, for the leading terms kept apart.
template <int First>
TRIG_INLINE long double Tail2(const Series<First>& s, long double z) {
  const long double w = z * z, w2 = w * w, w4 = w2 * w2;
  const long double q0 = s.head[2] + s.head[3] * z, q1 = s.tail[0] + s.tail[1] * z;
  const long double q2 = s.tail[2] + s.tail[3] * z, q3 = s.tail[4] + s.tail[5] * z;
  return ((q0 + q1 * w) + (q2 + q3 * w) * w2) + s.tail[6] * w4;
}

// sin and cos of r + lo as a sum of two long doubles (hi, lo). For the
// sine, r plus a correction a tenth of it; for the cosine, 1 - r^2/2 with
// r^2 exact and the difference kept exactly: the roundings left are far
// below the result's last bit.
struct Pair {
  long double hi, lo;
};
TRIG_INLINE Pair SinPair(const Reduced& red) {
  const long double r = red.r, z = r * r;
  const long double t = (r * z) * (kSin.head[1] + z * Tail2(kSin, z)) + red.lo * (1.0L - 0.5L * z);
  Pair p;
  FastTwoSum(r, t, &p.hi, &p.lo);
  return p;
}
TRIG_INLINE Pair CosPair(const Reduced& red) {
  long double z, zl;
  TwoProduct(red.r, red.r, &z, &zl);
  long double h, l;
  FastTwoSum(1.0L, -0.5L * z, &h, &l);
  l += (z * z) * Tail2(kCos, z) - (0.5L * zl + red.r * red.lo);
  Pair p;
  FastTwoSum(h, l, &p.hi, &p.lo);
  return p;
}
// (n.hi + n.lo) / (d.hi + d.lo): the quotient of the high parts, and what
// it leaves over divided once more.
TRIG_INLINE Pair Divide(const Pair& n, const Pair& d) {
  const long double q = n.hi / d.hi;
  long double p, pe;
  TwoProduct(q, d.hi, &p, &pe);
  return {q, (((n.hi - p) - pe) + (n.lo - q * d.lo)) / d.hi};
}

TRIG_INLINE Pair Negated(const Pair& p) { return {-p.hi, -p.lo}; }

// sin and cos of the reduced argument: as a pair for a long double, as
// one long double (lo zero) for the narrower types.
template <bool kPrecise>
TRIG_INLINE Pair SinR(const Reduced& red) {
  const long double r = red.r;
  if (r == 0) return {r, r};  // keeps the sign of a zero
  if constexpr (kPrecise) return SinPair(red);
  const long double z = r * r;
  return {r + (r * z) * Tail(kSin, z), 0.0L};  // from r^3 on
}
template <bool kPrecise>
TRIG_INLINE Pair CosR(const Reduced& red) {
  if constexpr (kPrecise) return CosPair(red);
  const long double z = red.r * red.r;
  return {1.0L + z * Tail(kCos, z), 0.0L};  // from r^2 on
}

template <bool kPrecise>
TRIG_INLINE void SinCosInline(long double x, Pair* sine, Pair* cosine) {
  if (x != x) {
    *sine = *cosine = {x + x, 0.0L};
    return;
  }
  if (x - x != 0) {  // an infinity
    SetErrno(linux::kEDOM);
    *sine = *cosine = {x - x, 0.0L};
    return;
  }
  const bool negative = x < 0;
  const Reduced red = ReduceInline<kPrecise>(negative ? -x : x);
  const Pair s = SinR<kPrecise>(red), c = CosR<kPrecise>(red);
  Pair rs, rc;
  switch (red.quadrant) {
    case 0: rs = s; rc = c; break;
    case 1: rs = c; rc = Negated(s); break;
    case 2: rs = Negated(s); rc = Negated(c); break;
    default: rs = Negated(c); rc = s; break;
  }
  *sine = negative ? Negated(rs) : rs;
  *cosine = rc;
}

template <bool kPrecise>
TRIG_INLINE Pair SinInline(long double x) {
  if (x != x) return {x + x, 0.0L};
  if (x - x != 0) {
    SetErrno(linux::kEDOM);
    return {x - x, 0.0L};
  }
  const bool negative = x < 0;
  const Reduced red = ReduceInline<kPrecise>(negative ? -x : x);
  Pair v;
  switch (red.quadrant) {
    case 0: v = SinR<kPrecise>(red); break;
    case 1: v = CosR<kPrecise>(red); break;
    case 2: v = Negated(SinR<kPrecise>(red)); break;
    default: v = Negated(CosR<kPrecise>(red)); break;
  }
  return negative ? Negated(v) : v;
}

template <bool kPrecise>
TRIG_INLINE Pair CosInline(long double x) {
  if (x != x) return {x + x, 0.0L};
  if (x - x != 0) {
    SetErrno(linux::kEDOM);
    return {x - x, 0.0L};
  }
  const Reduced red = ReduceInline<kPrecise>(x < 0 ? -x : x);
  switch (red.quadrant) {
    case 0: return CosR<kPrecise>(red);
    case 1: return Negated(SinR<kPrecise>(red));
    case 2: return Negated(CosR<kPrecise>(red));
    default: return SinR<kPrecise>(red);
  }
}

// The tangent as a quotient and a correction to add to it.
template <bool kPrecise>
TRIG_INLINE Pair TanInline(long double x) {
  if (x != x) return {x + x, 0.0L};
  if (x - x != 0) {
    SetErrno(linux::kEDOM);
    return {x - x, 0.0L};
  }
  if (x == 0) return {x, x};
  const bool negative = x < 0;
  const Reduced red = ReduceInline<kPrecise>(negative ? -x : x);
  const Pair s = SinR<kPrecise>(red), c = CosR<kPrecise>(red);
  Pair v;
  if constexpr (kPrecise) {
    v = (red.quadrant & 1) == 0 ? Divide(s, c) : Negated(Divide(c, s));
  } else {
    v = {(red.quadrant & 1) == 0 ? s.hi / c.hi : -c.hi / s.hi, 0.0L};
  }
  return negative ? Negated(v) : v;
}

// A long double result is computed rounding to nearest (in 64-bit
// precision), where the exact sums and products are exact, and the guest's
// control word is put back for the last addition, which rounds the result
// in the guest's mode. The value passed through each switch ties it to
// the computation, which the compiler would otherwise be free to move
// across.
TRIG_INLINE uint16_t Nearest(uint16_t cw) {
  return static_cast<uint16_t>((cw | 0x0300) & ~0x0c00);
}
TRIG_INLINE uint16_t EnterNearest(long double& x) {
  uint16_t saved;
  __asm__ volatile("fnstcw %0" : "=m"(saved));
  const uint16_t cw = Nearest(saved);
  if (cw != saved) __asm__ volatile("fldcw %1" : "+t"(x) : "m"(cw));
  return saved;
}
TRIG_INLINE long double Finish(const Pair& v, uint16_t saved) {
  if (Nearest(saved) == saved) return v.hi + v.lo;  // nothing to switch back
  const volatile long double lo = v.lo;  // computed before the switch
  long double hi = v.hi;
  __asm__ volatile("fldcw %1" : "+t"(hi) : "m"(saved));
  return hi + lo;
}
template <Pair (*F)(long double)>
TRIG_INLINE long double InNearest(long double x) {
  const uint16_t saved = EnterNearest(x);
  return Finish(F(x), saved);
}

}  // namespace

Reduced Reduce(long double ax) { return ReduceInline<true>(ax); }
long double Sin(long double x) { return InNearest<SinInline<true>>(x); }
long double Cos(long double x) { return InNearest<CosInline<true>>(x); }
long double Tan(long double x) { return InNearest<TanInline<true>>(x); }

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

// The sine is rounded in the guest's mode after the cosine, from the
// pair kept aside.
void SinCosIn(long double x, long double* s, long double* c) {
  const uint16_t saved = EnterNearest(x);
  Pair ps, pc;
  SinCosInline<true>(x, &ps, &pc);
  const volatile long double sh = ps.hi, sl = ps.lo;
  *c = Finish(pc, saved);
  *s = sh + sl;
}

}  // namespace
}  // namespace tblibc::trig


extern "C" {
using tblibc::trig::Below;
using tblibc::trig::CosInline;
using tblibc::trig::InNearest;
using tblibc::trig::SinCosIn;
using tblibc::trig::SinCosInline;
using tblibc::trig::SinInline;
using tblibc::trig::Subnormal;
using tblibc::trig::TanInline;

// The Linux C library computes its double sine, cosine and tangent
// rounding to nearest whatever the mode (its float ones round in the mode):
// the same answer in every mode, which only the whole computation in that
// mode gives. The result leaves through memory before the mode is back.
double tblibc_sin(double x) {
  if (Below(x, 0x1p-26)) return Subnormal(x, false);
  const tblibc::mathflag::NearestRounding nearest;
  return tblibc::mathflag::RoundTo<double>(SinInline<false>(x).hi);
}
float tblibc_sinf(float x) {
  if (Below(x, 0x1p-12f)) return Subnormal(x, false);
  return static_cast<float>(SinInline<false>(x).hi);
}
long double tblibc_sinl(long double x) {
  if (Below(x, 0x1p-33L)) return Subnormal(x, true);
  return InNearest<SinInline<true>>(x);
}
double tblibc_cos(double x) {
  if (Below(x, 0x1p-27)) return 1;
  const tblibc::mathflag::NearestRounding nearest;
  return tblibc::mathflag::RoundTo<double>(CosInline<false>(x).hi);
}
float tblibc_cosf(float x) {
  if (Below(x, 0x1p-12f)) return 1;
  return static_cast<float>(CosInline<false>(x).hi);
}
long double tblibc_cosl(long double x) {
  if (Below(x, 0x1p-33L)) {
    if (x != 0) tblibc::mathflag::Inexact();
    return 1;
  }
  return InNearest<CosInline<true>>(x);
}
double tblibc_tan(double x) {
  if (Below(x, 1.259e-8)) return Subnormal(x, false);
  const tblibc::mathflag::NearestRounding nearest;
  return tblibc::mathflag::RoundTo<double>(TanInline<false>(x).hi);
}
float tblibc_tanf(float x) {
  if (Below(x, 0x1p-27f)) return Subnormal(x, true);
  return static_cast<float>(TanInline<false>(x).hi);
}
long double tblibc_tanl(long double x) {
  if (Below(x, 0x1p-33L)) return Subnormal(x, true);
  return InNearest<TanInline<true>>(x);
}

void tblibc_sincos(double x, double* s, double* c) {
  const tblibc::mathflag::NearestRounding nearest;
  tblibc::trig::Pair ps, pc;
  SinCosInline<false>(x, &ps, &pc);
  *s = tblibc::mathflag::RoundTo<double>(ps.hi);
  *c = tblibc::mathflag::RoundTo<double>(pc.hi);
}
void tblibc_sincosf(float x, float* s, float* c) {
  tblibc::trig::Pair ps, pc;
  SinCosInline<false>(x, &ps, &pc);
  *s = static_cast<float>(ps.hi);
  *c = static_cast<float>(pc.hi);
}
void tblibc_sincosl(long double x, long double* s, long double* c) {
  SinCosIn(x, s, c);
}
}  // extern "C"
