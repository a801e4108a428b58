// fma, fmaf and fmal: x*y + z rounded once, in the current rounding mode.
//
// One host's fmal is an ulp off and flags exact results inexact. Here the
// product of the two significands is formed exactly in integers (128
// bits), z is added at 192 bits with everything shifted out below folded
// into a sticky bit, and the sum is rounded to the type's precision and
// range by the x87 control word's rounding mode. The double and float
// forms are the same computation with a narrower precision and range:
// their arguments are long doubles exactly.
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "libcbind/math_flags.h"
#include "libcbind/math_ldmisc.h"

namespace tblibc::fma {
namespace {

// Precision in bits, and the exponents of the least and the largest
// normal binade.
struct Format {
  int precision, emin, emax;
};
template <typename T>
constexpr Format kFormat = {std::numeric_limits<T>::digits, std::numeric_limits<T>::min_exponent - 1,
                            std::numeric_limits<T>::max_exponent - 1};

// value = mant * 2^exp, mant with its top bit set unless it is zero.
struct Unpacked {
  bool negative;
  int exp;
  uint64_t mant;
};
Unpacked Unpack(long double x) {
  uint64_t m;
  uint16_t se;
  std::memcpy(&m, &x, 8);
  std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
  const int biased = se & 0x7fff;
  int exp = (biased == 0 ? 1 : biased) - 16383 - 63;
  if (m != 0) {
    const int lz = __builtin_clzll(m);
    m <<= lz;
    exp -= lz;
  }
  return {(se >> 15) != 0, exp, m};
}

// By the exponent bits: x - x would raise INVALID for an infinity.
bool Finite(long double x) {
  uint16_t se;
  std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
  return (se & 0x7fff) != 0x7fff;
}

// A 192-bit magnitude in little-endian 32-bit limbs.
constexpr int kLimbs = 6;
struct Wide {
  uint32_t w[kLimbs];
};

void ShiftLeft(Wide& a, int n) {
  const int limbs = n / 32, bits = n % 32;
  for (int i = kLimbs - 1; i >= 0; --i) {
    const int from = i - limbs;
    const uint64_t hi = from >= 0 ? a.w[from] : 0;
    const uint64_t lo = from >= 1 ? a.w[from - 1] : 0;
    a.w[i] = static_cast<uint32_t>(((hi << 32 | lo) << bits) >> 32);
  }
}

bool AnyBelow(const Wide& a, int n) {  // any of bits [0, n)
  for (int i = 0; i < kLimbs && 32 * i < n; ++i) {
    const int bits = n - 32 * i;
    const uint32_t mask = bits >= 32 ? ~0u : (1u << bits) - 1;
    if ((a.w[i] & mask) != 0) return true;
  }
  return false;
}
void ShiftRight(Wide& a, int n) {
  if (n >= 32 * kLimbs) {
    a = Wide{};
    return;
  }
  const int limbs = n / 32, bits = n % 32;
  for (int i = 0; i < kLimbs; ++i) {
    const int from = i + limbs;
    const uint64_t lo = from < kLimbs ? a.w[from] : 0;
    const uint64_t hi = from + 1 < kLimbs ? a.w[from + 1] : 0;
    a.w[i] = static_cast<uint32_t>((hi << 32 | lo) >> bits);
  }
}

// Bits shifted out are or-ed into the lowest bit: what rounding needs of
// them is whether any was set.
void ShiftRightSticky(Wide& a, int n) {
  if (n <= 0) return;
  const bool sticky = AnyBelow(a, n);
  ShiftRight(a, n);
  a.w[0] |= sticky ? 1u : 0u;
}

int Compare(const Wide& a, const Wide& b) {
  for (int i = kLimbs - 1; i >= 0; --i) {
    if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
  }
  return 0;
}
void Add(Wide& a, const Wide& b) {
  uint64_t carry = 0;
  for (int i = 0; i < kLimbs; ++i) {
    const uint64_t t = uint64_t{a.w[i]} + b.w[i] + carry;
    a.w[i] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
}
void Subtract(Wide& a, const Wide& b) {  // a >= b
  uint64_t borrow = 0;
  for (int i = 0; i < kLimbs; ++i) {
    const uint64_t t = uint64_t{a.w[i]} - b.w[i] - borrow;
    a.w[i] = static_cast<uint32_t>(t);
    borrow = (t >> 32) != 0 ? 1 : 0;
  }
}
// The position of the highest set bit; -1 for zero.
int Top(const Wide& a) {
  for (int i = kLimbs - 1; i >= 0; --i) {
    if (a.w[i] != 0) return 32 * i + 31 - __builtin_clz(a.w[i]);
  }
  return -1;
}
bool Bit(const Wide& a, int n) { return n >= 0 && n < 32 * kLimbs && ((a.w[n / 32] >> (n % 32)) & 1) != 0; }
// 64 bits from bit n up; bits below zero count as zero.
uint64_t Bits64(Wide a, int n) {
  if (n >= 0) {
    ShiftRight(a, n);
  } else {
    ShiftLeft(a, -n);
  }
  return uint64_t{a.w[1]} << 32 | a.w[0];
}

// The rounding direction of the x87 control word: 0 to nearest, 1 down,
// 2 up, 3 toward zero.
unsigned RoundingMode() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return (cw >> 10) & 3u;
}

// mant * 2^exp as a long double, which holds every value of the narrower
// types as a normal number and its own subnormals at exp = -16445.
long double Pack(bool negative, uint64_t mant, int exp) {
  uint16_t se = negative ? 0x8000 : 0;
  if (mant != 0) {
    const int lz = __builtin_clzll(mant);
    const int biased = exp + 63 - lz + 16383;
    if (biased >= 1) {
      mant <<= lz;
      se = static_cast<uint16_t>(se | biased);
    } else {
      mant <<= exp + 16445;  // a long double subnormal
    }
  }
  long double r = 0;
  std::memcpy(&r, &mant, 8);
  std::memcpy(reinterpret_cast<char*>(&r) + 8, &se, 2);
  return r;
}

// The bits of p from `low` up, and whether rounding in the current mode
// adds one to them.
struct Rounded {
  uint64_t mant;
  bool inexact, up;
};
Rounded RoundAt(const Wide& p, int low, bool negative) {
  const uint64_t mant = Bits64(p, low);
  const bool half = Bit(p, low - 1);
  const bool rest = AnyBelow(p, low - 1);
  const bool inexact = half || rest;
  bool up = false;
  switch (RoundingMode()) {
    case 0: up = half && (rest || (mant & 1) != 0); break;
    case 1: up = inexact && negative; break;
    case 2: up = inexact && !negative; break;
    default: break;
  }
  return {mant, inexact, up};
}

template <typename T>
T Fma(T x, T y, T z) {
  constexpr Format f = kFormat<T>;
  const long double lx = x, ly = y, lz = z;
  // The Linux C library's double and float forms answer a quiet NaN z
  // before looking at an infinity times zero; its long double form raises
  // INVALID for that product.
  if constexpr (!std::is_same_v<T, long double>) {
    if (z != z && x == x && y == y) return z + z;
  }
  if (!Finite(lx) || !Finite(ly)) return static_cast<T>(lx * ly + lz);
  if (!Finite(lz)) return z + z;  // infinite or NaN: no overflow of x*y to flag
  if (x == 0 || y == 0) return static_cast<T>(lx * ly + lz);  // zeros' signs by the mode
  const Unpacked a = Unpack(lx), b = Unpack(ly), c = Unpack(lz);
  const bool productNegative = a.negative != b.negative;
  // The exact product of the significands, top bit at 126 or 127.
  Wide p{};
  const uint32_t am[2] = {static_cast<uint32_t>(a.mant), static_cast<uint32_t>(a.mant >> 32)};
  const uint32_t bm[2] = {static_cast<uint32_t>(b.mant), static_cast<uint32_t>(b.mant >> 32)};
  for (int i = 0; i < 2; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < 2; ++j) {
      const uint64_t t = uint64_t{am[i]} * bm[j] + p.w[i + j] + carry;
      p.w[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    p.w[i + 2] = static_cast<uint32_t>(carry);
  }
  // Both operands' top bits at 189 or 190, one bit short of the top, so
  // that the sum cannot carry out; the one with the smaller exponent moves
  // right. Up to 63 places nothing is lost, and beyond that the other one
  // is so much larger that subtracting cancels at most a bit: the sticky
  // bit stays far below the bits that are rounded.
  ShiftLeft(p, 63);
  int pExp = a.exp + b.exp - 63;
  Wide q{};
  int qExp = pExp;
  if (c.mant != 0) {
    q.w[4] = static_cast<uint32_t>(c.mant >> 1);
    q.w[5] = static_cast<uint32_t>(c.mant >> 33);
    q.w[3] = static_cast<uint32_t>(c.mant << 31);
    qExp = c.exp - 127;
  }
  int exp;
  if (c.mant == 0 || pExp >= qExp) {
    ShiftRightSticky(q, pExp - qExp);
    exp = pExp;
  } else {
    ShiftRightSticky(p, qExp - pExp);
    exp = qExp;
  }
  bool negative = productNegative;
  if (c.mant != 0 && c.negative == productNegative) {
    Add(p, q);
  } else if (c.mant != 0) {
    const int order = Compare(p, q);
    if (order == 0) {
      // An exact zero of a sum of opposite signs: -0 rounding down, +0
      // otherwise, as the mode's own subtraction gives it.
      return static_cast<T>(lz - lz);
    }
    if (order < 0) {
      Subtract(q, p);
      p = q;
      negative = c.negative;
    } else {
      Subtract(p, q);
    }
  }
  // p * 2^exp, rounded: keep the bits from `low` up.
  const int top = Top(p);
  const int topExp = top + exp;
  const int keepFrom = (topExp >= f.emin ? topExp : f.emin) - f.precision + 1;
  const int low = keepFrom - exp;
  const Rounded r = RoundAt(p, low, negative);
  uint64_t mant = r.mant;
  int mantExp = keepFrom;
  // Carried out of the precision (for a long double, out of the word).
  constexpr uint64_t kCarried = f.precision == 64 ? 0 : uint64_t{1} << f.precision;
  if (r.up && ++mant == kCarried) {
    mant = uint64_t{1} << (f.precision - 1);
    ++mantExp;
  }
  const int roundedTop = mantExp + 63 - __builtin_clzll(mant);
  if (roundedTop > f.emax) return mathflag::OverflowTo<T>(negative);
  if (r.inexact) {
    // Tiny as the x87 decides it: after rounding, to the full precision
    // with the exponent unbounded. Only a result just below the least
    // normal number can round up to it.
    bool tiny = topExp < f.emin;
    if (topExp == f.emin - 1) {
      const Rounded full = RoundAt(p, topExp - f.precision + 1 - exp, negative);
      tiny = !(full.up && full.mant + 1 == kCarried);
    }
    if (tiny) {
      mathflag::Underflow();
    } else {
      mathflag::Inexact();
    }
  }
  return static_cast<T>(Pack(negative, mant, mantExp));
}

}  // namespace
}  // namespace tblibc::fma

extern "C" {
double tblibc_fma(double x, double y, double z) { return tblibc::fma::Fma(x, y, z); }
float tblibc_fmaf(float x, float y, float z) { return tblibc::fma::Fma(x, y, z); }
long double tblibc_fmal(long double x, long double y, long double z) {
  return tblibc::fma::Fma(x, y, z);
}
}
