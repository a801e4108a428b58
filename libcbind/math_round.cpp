// floor, ceil, trunc, round, modf and fdim, ours on both ports.
//
// One host's rounding functions raise INEXACT (and INVALID at the
// infinities) and give round(-0.4) a zero of the wrong sign when the
// rounding mode is downward; modf's fraction of -3 comes out +0 there.
// These answers are exact, so they are computed here by the bits: the
// fraction is cut off the significand, and the only arithmetic (a step of
// one, x minus its whole part) is exact and raises nothing.
#include "libcbind/math_round.h"

#include <cstring>
#include <type_traits>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_flags.h"

namespace tblibc {
namespace {

// The unbiased exponent, and the number with the bits of its fraction below
// the units cut off (x rounded toward zero) when 0 <= exponent < digits.
template <typename T>
struct Layout;
template <>
struct Layout<double> {
  static constexpr int kFraction = 52;
  static int Exponent(double x) {
    uint64_t u;
    std::memcpy(&u, &x, 8);
    return static_cast<int>((u >> 52) & 0x7ff) - 1023;
  }
  static double Cut(double x, int e) {
    uint64_t u;
    std::memcpy(&u, &x, 8);
    u &= ~((uint64_t{1} << (kFraction - e)) - 1);
    std::memcpy(&x, &u, 8);
    return x;
  }
};
template <>
struct Layout<float> {
  static constexpr int kFraction = 23;
  static int Exponent(float x) {
    uint32_t u;
    std::memcpy(&u, &x, 4);
    return static_cast<int>((u >> 23) & 0xff) - 127;
  }
  static float Cut(float x, int e) {
    uint32_t u;
    std::memcpy(&u, &x, 4);
    u &= ~((uint32_t{1} << (kFraction - e)) - 1);
    std::memcpy(&x, &u, 4);
    return x;
  }
};
template <>
struct Layout<long double> {
  static constexpr int kFraction = 63;  // the integer bit is explicit
  static int Exponent(long double x) {
    uint16_t se;
    std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
    return static_cast<int>(se & 0x7fff) - 16383;
  }
  static long double Cut(long double x, int e) {
    uint64_t m;
    std::memcpy(&m, &x, 8);
    m &= ~((uint64_t{1} << (kFraction - e)) - 1);
    std::memcpy(&x, &m, 8);
    return x;
  }
};

template <typename T>
bool Negative(T x) {
  return __builtin_signbit(x) != 0;
}

enum class Mode { kFloor, kCeil, kTrunc, kRound };

template <Mode M, typename T>
T Round(T x) {
  using L = Layout<T>;
  const int e = L::Exponent(x);
  if (e >= L::kFraction) {
    // Already whole, or an infinity; a NaN is quieted, as by any arithmetic.
    return x != x ? x + x : x;
  }
  const bool negative = Negative(x);
  const T zero = negative ? static_cast<T>(-0.0) : static_cast<T>(0.0);
  const T one = negative ? static_cast<T>(-1.0) : static_cast<T>(1.0);
  if (e < 0) {  // |x| < 1, zeros and subnormals among them
    if (x == 0) return x;
    switch (M) {
      case Mode::kFloor: return negative ? one : zero;
      case Mode::kCeil: return negative ? zero : one;
      case Mode::kTrunc: return zero;
      case Mode::kRound: return e == -1 ? one : zero;  // |x| >= 1/2
    }
  }
  const T whole = L::Cut(x, e);  // toward zero, |whole| >= 1
  if (whole == x || M == Mode::kTrunc) return whole;
  switch (M) {
    case Mode::kFloor: return negative ? whole - 1 : whole;
    case Mode::kCeil: return negative ? whole : whole + 1;
    default: {
      // The fraction's first bit is the half.
      const T half = negative ? whole - x : x - whole;
      return half >= static_cast<T>(0.5) ? whole + one : whole;
    }
  }
}

// The fraction keeps x's sign, also when it is zero.
template <typename T>
T Modf(T x, T* whole) {
  const int e = Layout<T>::Exponent(x);
  if (x != x) {
    *whole = x + x;
    return *whole;
  }
  const T zero = Negative(x) ? static_cast<T>(-0.0) : static_cast<T>(0.0);
  if (e >= Layout<T>::kFraction) {  // whole, or an infinity
    *whole = x;
    return zero;
  }
  *whole = e < 0 ? zero : Layout<T>::Cut(x, e);
  const T fraction = x - *whole;  // exact
  return fraction == 0 ? zero : fraction;
}

// lround and llround: the rounded number when the integer holds it, else
// INVALID and the integer's least value, errno untouched. One host sets
// ERANGE there and raises INEXACT for every fraction.
template <typename I, typename T>
I RoundToInteger(T x) {
  const long double r = Round<Mode::kRound>(x);
  constexpr long double kLimit = static_cast<long double>(sizeof(I) == 8 ? 0x1p63L : 0x1p31L);
  if (__builtin_isgreaterequal(r, -kLimit) && __builtin_isless(r, kLimit)) return static_cast<I>(r);
  mathflag::Invalid();
  return sizeof(I) == 8 ? static_cast<I>(INT64_MIN) : static_cast<I>(INT32_MIN);
}

// x - y where x > y, else +0 (also for two equal infinities, where the
// difference would be a NaN); ERANGE where it overflows.
template <typename T>
T Fdim(T x, T y) {
  if (x != x || y != y) return x + y;
  if (!__builtin_isgreater(x, y)) return 0;
  // Stored: the x87 overflows a double only when it leaves the register.
  const volatile T r = x - y;
  if (__builtin_isinf(r) && !__builtin_isinf(x) && !__builtin_isinf(y))
    SetErrno(linux::kERANGE);
  return r;
}

}  // namespace
}  // namespace tblibc

extern "C" {
#define TB_ROUNDING(T, suffix)                                                               \
  T tblibc_floor##suffix(T x) { return tblibc::Round<tblibc::Mode::kFloor>(x); }            \
  T tblibc_ceil##suffix(T x) { return tblibc::Round<tblibc::Mode::kCeil>(x); }              \
  T tblibc_trunc##suffix(T x) { return tblibc::Round<tblibc::Mode::kTrunc>(x); }            \
  T tblibc_round##suffix(T x) { return tblibc::Round<tblibc::Mode::kRound>(x); }            \
  T tblibc_modf##suffix(T x, T* whole) { return tblibc::Modf(x, whole); }                   \
  T tblibc_fdim##suffix(T x, T y) { return tblibc::Fdim(x, y); }                          \
  int32_t tblibc_lround##suffix(T x) { return tblibc::RoundToInteger<int32_t>(x); }         \
  int64_t tblibc_llround##suffix(T x) { return tblibc::RoundToInteger<int64_t>(x); }
TB_ROUNDING(double, )
TB_ROUNDING(float, f)
TB_ROUNDING(long double, l)
#undef TB_ROUNDING
}  // extern "C"
