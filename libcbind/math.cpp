// Mathematics: libm and the floating-point environment.
//
// Both hosts' i386 compilers return float, double and long double in st(0)
// and pass the 12-byte long double on the stack, as the guest does, so the
// host's libm is bound directly wherever its answers are the Linux C
// library's. What differs between hosts and is visible to a guest (the
// numbers fpclassify answers, NaN payloads, signgam, the x87 and SSE
// environment) is ours, one implementation for both ports.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <cerrno>
#include <limits>
#include <type_traits>
#include <math.h>

#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/math_bessel.h"
#include "libcbind/math_double.h"
#include "libcbind/math_extended.h"
#include "libcbind/math_flags.h"
#include "libcbind/math_ldmisc.h"
#include "libcbind/math_narrow.h"
#include "libcbind/math_round.h"
#include "libcbind/trig.h"
#include "abi/errno.h"

namespace tblibc {
namespace {

// ---- errno and NaN signs as the Linux C library leaves them ------------
//
// Hosts differ in what their libm does to errno (one sets ERANGE for a
// tanh of 1, another nothing for a log of 0) and in the sign of the NaN a
// domain error gives (printf tells "-nan" from "nan"). A checked row calls
// the host function, puts errno back as it was, then applies the Linux C
// library's rules for that function.
namespace rule {
constexpr unsigned kKeep = 0;        // errno untouched
constexpr unsigned kDomain = 1;      // NaN from arguments that are no NaN: EDOM
constexpr unsigned kRange = 2;       // infinity from finite arguments: ERANGE
constexpr unsigned kUnder = 4;       // zero from finite nonzero arguments: ERANGE
constexpr unsigned kNanPlus = 8;     // the domain error's NaN is positive
constexpr unsigned kNanMinus = 16;   // ... negative
constexpr unsigned kNext = 32;       // nextafter's: ERANGE leaving the normals
constexpr unsigned kPole = 64;       // an infinity from finite arguments is a pole
constexpr unsigned kPoleAtZero = 128;  // ... where a floating argument is zero
constexpr unsigned kPlusZero = 256;  // a zero result is +0 in every rounding mode
constexpr unsigned kTiny = 512;      // a subnormal result raises UNDERFLOW
constexpr unsigned kInexact = 1024;  // a normal result is never exact
constexpr unsigned kInexactFinite = 2048;  // ... from finite nonzero arguments
// The largest finite magnitude from finite arguments is an overflow rounded
// in a directed mode: ERANGE. The least subnormal one an underflow.
constexpr unsigned kEdge = 4096;
constexpr unsigned kEdgeTiny = 8192;
constexpr unsigned kNanFirst = 16384;  // a NaN argument is answered before the host
// A domain error told before the host is called, which raises INEXACT
// beside INVALID on one host: below zero, or beyond one in magnitude.
constexpr unsigned kBelowZero = 32768;
constexpr unsigned kBeyondOne = 65536;
}  // namespace rule

template <typename T>
bool NanArg(T x) {
  if constexpr (std::is_floating_point_v<T>) return x != x;
  return false;
}
// The biased exponent of a stored value and the all-ones one that marks
// infinities and NaNs, read from the word that holds it (no 64-bit
// arithmetic on the way).
struct Exponent {
  uint32_t value, max;
};
template <typename T>
Exponent ExponentOf(const volatile T& stored) {
  const char* bytes = reinterpret_cast<const char*>(const_cast<const T*>(&stored));
  if constexpr (std::is_same_v<T, double>) {
    uint32_t high;
    std::memcpy(&high, bytes + 4, sizeof high);
    return {(high >> 20) & 0x7ffu, 0x7ffu};
  } else if constexpr (std::is_same_v<T, float>) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return {(word >> 23) & 0xffu, 0xffu};
  } else {
    static_assert(std::is_same_v<T, long double>);
    uint16_t se;
    std::memcpy(&se, bytes + 8, sizeof se);
    return {se & 0x7fffu, 0x7fffu};
  }
}
// Finite, told by the exponent bits: arithmetic on an infinity (x - x)
// would raise INVALID, a flag the program can read afterwards.
template <typename T>
bool FiniteBits(T x) {
  const Exponent e = ExponentOf(x);
  return e.value != e.max;
}
template <typename T>
bool FiniteArg(T x) {
  if constexpr (std::is_floating_point_v<T>) return FiniteBits(x);
  return true;
}
template <typename T>
bool ZeroFloatArg(T x) {
  if constexpr (std::is_floating_point_v<T>) return x == 0;
  return false;
}
template <typename T>
bool NonzeroArg(T x) {
  if constexpr (std::is_floating_point_v<T>) return x != 0;
  return true;
}
// By the bits: the compiler may take the sign of a NaN for unknown and
// fold fabs away.
template <typename T>
T WithSign(T nan, bool negative) {
  unsigned char bytes[sizeof(T)];
  std::memcpy(bytes, &nan, sizeof(T));
  constexpr size_t top = std::is_same_v<T, long double> ? 9 : sizeof(T) - 1;
  bytes[top] = static_cast<unsigned char>(negative ? bytes[top] | 0x80 : bytes[top] & 0x7f);
  std::memcpy(&nan, bytes, sizeof(T));
  return nan;
}

// The flags of the error, raised again: one host raises none for a pole, a
// domain error, an overflow or an underflow to zero. Raising a flag the host
// raised already changes nothing.
template <unsigned R, typename Ret, typename First, typename... A>
Ret Settle(Ret r, First first, A... rest) {
  if (r != r) {
    if ((R & rule::kDomain) != 0 && !NanArg(first) && !(false || ... || NanArg(rest))) {
      SetErrno(linux::kEDOM);
      mathflag::Invalid();
      if constexpr ((R & rule::kNanPlus) != 0) return WithSign(r, false);
      if constexpr ((R & rule::kNanMinus) != 0) return WithSign(r, true);
    }
    return r;
  }
  if constexpr ((R & rule::kNext) != 0) {
    // Only where it starts counts; the direction may be an infinity.
    if (!FiniteArg(first)) return r;
    const Ret a = static_cast<Ret>(__builtin_fabsl(r));
    if (r != first) {
      if (!FiniteBits(a)) {
        mathflag::Overflow();
        SetErrno(linux::kERANGE);
      } else if (a < std::numeric_limits<Ret>::min()) {
        mathflag::Underflow();
        if (first != 0) SetErrno(linux::kERANGE);
      }
    }
    return r;
  }
  const bool finiteArgs = FiniteArg(first) && (true && ... && FiniteArg(rest));
  if (!finiteArgs) return r;
  if (!FiniteBits(r)) {
    const bool pole = (R & rule::kPole) != 0 || ((R & rule::kPoleAtZero) != 0 && (ZeroFloatArg(first) || ... || ZeroFloatArg(rest)));
    if (pole) {
      mathflag::DivByZero();
      SetErrno(linux::kERANGE);
    } else if ((R & rule::kRange) != 0) {
      r = mathflag::OverflowTo<Ret>(__builtin_signbit(r) != 0);
      if (!FiniteBits(r) || (R & rule::kEdge) != 0) SetErrno(linux::kERANGE);
    }
    return r;
  }
  if (r == 0 && (R & rule::kUnder) != 0 && NonzeroArg(first) &&
      (true && ... && NonzeroArg(rest))) {
    r = mathflag::UnderflowTo<Ret>(__builtin_signbit(r) != 0);
    if (r == 0) SetErrno(linux::kERANGE);
  }
  if constexpr ((R & rule::kEdge) != 0) {
    const Ret a = static_cast<Ret>(__builtin_fabsl(r));
    if (a == std::numeric_limits<Ret>::max()) {
      mathflag::Overflow();
      SetErrno(linux::kERANGE);
    }
  }
  if constexpr ((R & rule::kEdgeTiny) != 0) {
    if (__builtin_fabsl(r) == std::numeric_limits<Ret>::denorm_min()) {
      mathflag::Underflow();
      SetErrno(linux::kERANGE);
    }
  }
  if constexpr ((R & rule::kTiny) != 0) {
    if (r != 0 && __builtin_fabsl(r) < std::numeric_limits<Ret>::min()) mathflag::Underflow();
  }
  if constexpr ((R & rule::kPlusZero) != 0) {
    if (r == 0) return 0;
  }
  return r;
}

// A normal, finite number: no rule applies to such a result, which is what
// nearly every call gives. By the exponent bits of the stored value.
// With `top`, the binade of the largest finite number is no ordinary one.
template <typename T, bool top = false>
bool Ordinary(const volatile T& stored) {
  const Exponent e = ExponentOf(stored);
  return e.value - 1u < e.max - (top ? 2u : 1u);
}

// The host's errno of the one thread guests run on, found at the first
// checked call (asking the C runtime every time costs a call per row; at
// static initialisation one Windows C runtime answers a different cell).
// Volatile: the compiler takes a libm builtin to touch no memory but errno,
// which it does not recognise behind this pointer, and would drop the
// restore.
volatile int* gHostErrno;

volatile int* HostErrno() {
  if (gHostErrno == nullptr) gHostErrno = &errno;
  return gHostErrno;
}

template <unsigned R, typename T>
bool OutsideDomain(T x) {
  if constexpr ((R & rule::kBelowZero) != 0) return __builtin_isless(x, 0);
  if constexpr ((R & rule::kBeyondOne) != 0) return __builtin_isgreater(__builtin_fabsl(x), 1);
  return false;
}
template <unsigned R, typename T>
T DomainError() {
  SetErrno(linux::kEDOM);
  const volatile T zero = 0;
  const T nan = zero / zero;  // raises INVALID
  return WithSign(nan, (R & rule::kNanMinus) != 0);
}

template <typename Sig, Sig* F, unsigned R>
struct Checked;
template <typename Ret, typename... A, Ret (*F)(A...), unsigned R>
struct Checked<Ret(A...), F, R> {
  static Ret Entry(A... a) {
    if constexpr ((R & (rule::kBelowZero | rule::kBeyondOne)) != 0) {
      if (OutsideDomain<R>(a...)) return DomainError<R, Ret>();
    }
    if constexpr ((R & rule::kNanFirst) != 0) {
      // One host raises INVALID for a quiet NaN.
      if (NanArg(a...)) return (a + ...);
    }
    volatile int* const error = HostErrno();
    const int saved = *error;
    // Through memory: a host result may carry x87 precision beyond its
    // type (a double that is nonzero only in the register).
    volatile Ret stored = F(a...);
    *error = saved;
    if constexpr (std::is_floating_point_v<Ret> && R != rule::kKeep) {
      if (Ordinary<Ret, (R & rule::kEdge) != 0>(stored)) {
        if constexpr ((R & rule::kInexact) != 0) mathflag::Inexact();
        if constexpr ((R & rule::kInexactFinite) != 0) {
          if ((true && ... && (FiniteArg(a) && NonzeroArg(a)))) mathflag::Inexact();
        }
        return stored;
      }
      return Settle<R>(static_cast<Ret>(stored), a...);
    }
    return stored;
  }
};

// A row binding a host function of exactly the signature `Sig`, which picks
// the C function among <cmath>'s C++ overloads: directly, or checked with
// the rules `R`.
template <typename Sig>
struct As {
  template <Sig* F>
  static constexpr Export Row(std::string_view name) {
    return Fn<F>(name);
  }
  template <Sig* F, unsigned R>
  static constexpr Export Check(std::string_view name) {
    return Fn<&Checked<Sig, F, R>::Entry>(name);
  }
};
using D1 = As<double(double)>;
using F1 = As<float(float)>;
using L1 = As<long double(long double)>;
using D2 = As<double(double, double)>;
using F2 = As<float(float, float)>;
using L2 = As<long double(long double, long double)>;
using D3 = As<double(double, double, double)>;
using F3 = As<float(float, float, float)>;
using L3 = As<long double(long double, long double, long double)>;

// ---- Classification, by the bits --------------------------------------
//
// The Linux C library's fpclassify numbers; the host's macros differ.
namespace lfp {
constexpr int32_t kNan = 0, kInfinite = 1, kZero = 2, kSubnormal = 3,
                  kNormal = 4;
}

struct Bits {
  bool sign;
  uint32_t exponent;  // biased; all ones for inf and NaN
  uint32_t expMax;
  bool fractionZero;  // the fraction without the explicit integer bit
  bool integerBit;    // long double only; true elsewhere for normals
};

Bits BitsOf(double x) {
  uint64_t u;
  std::memcpy(&u, &x, 8);
  const uint32_t exponent = static_cast<uint32_t>(u >> 52) & 0x7ff;
  return {(u >> 63) != 0, exponent, 0x7ff, (u & 0xfffffffffffffull) == 0, exponent != 0};
}
Bits BitsOf(float x) {
  uint32_t u;
  std::memcpy(&u, &x, 4);
  const uint32_t exponent = (u >> 23) & 0xff;
  return {(u >> 31) != 0, exponent, 0xff, (u & 0x7fffff) == 0, exponent != 0};
}
Bits BitsOf(long double x) {
  uint64_t mant;
  uint16_t se;
  std::memcpy(&mant, &x, 8);
  std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
  return {(se >> 15) != 0, se & 0x7fffu, 0x7fff,
          (mant & 0x7fffffffffffffffull) == 0, (mant >> 63) != 0};
}

int32_t Classify(const Bits& b) {
  if (b.exponent == b.expMax) return b.fractionZero ? lfp::kInfinite : lfp::kNan;
  if (b.exponent == 0) {
    return b.fractionZero && !b.integerBit ? lfp::kZero : lfp::kSubnormal;
  }
  // A long double with a clear integer bit is an "unnormal": the Linux C
  // library classifies it as a NaN, as the x87 treats it.
  return b.integerBit ? lfp::kNormal : lfp::kNan;
}

template <typename T> int32_t FpClassify(T x) { return Classify(BitsOf(x)); }
// The Linux C library's __isnanl answers 0xffff for a NaN, by the way it
// computes; the others answer 1.
template <typename T> int32_t IsNan(T x) {
  if (FpClassify(x) != lfp::kNan) return 0;
  return std::is_same_v<T, long double> ? 0xffff : 1;
}
template <typename T> int32_t IsInf(T x) {
  const Bits b = BitsOf(x);
  if (Classify(b) != lfp::kInfinite) return 0;
  return b.sign ? -1 : 1;  // the Linux C library tells the signs apart
}
template <typename T> int32_t Finite(T x) {
  const int32_t c = FpClassify(x);
  return c != lfp::kNan && c != lfp::kInfinite;
}
template <typename T> int32_t SignBit(T x) { return BitsOf(x).sign ? 1 : 0; }

// ---- nan("payload") ---------------------------------------------------
//
// As the Linux C library reads "NAN(payload)": a number in C notation (hex
// with 0x, octal with 0) put into the quiet NaN's fraction; anything else
// gives the default quiet NaN.
uint64_t Payload(const char* tag) {
  if (tag == nullptr || *tag == 0) return 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(tag, &end, 0);
  return *end == 0 ? v : 0;
}

}  // namespace
}  // namespace tblibc

using tblibc::As;

extern "C" {

double tblibc_nan(const char* tag) {
  const uint64_t u = 0x7ff8000000000000ull | (tblibc::Payload(tag) & 0x7ffffffffffffull);
  double d;
  std::memcpy(&d, &u, 8);
  return d;
}
float tblibc_nanf(const char* tag) {
  const uint32_t u = 0x7fc00000u | (tblibc::Payload(tag) & 0x3fffffu);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
long double tblibc_nanl(const char* tag) {
  const uint64_t mant = 0xc000000000000000ull | (tblibc::Payload(tag) & 0x3fffffffffffffffull);
  const uint16_t se = 0x7fff;
  long double l = 0;
  std::memcpy(&l, &mant, 8);
  std::memcpy(reinterpret_cast<char*>(&l) + 8, &se, 2);
  return l;
}

#define TB_CLASSIFY(T, suffix)                                             \
  int32_t tblibc_fpclassify##suffix(T x) { return tblibc::FpClassify(x); } \
  int32_t tblibc_isnan##suffix(T x) { return tblibc::IsNan(x); }           \
  int32_t tblibc_isinf##suffix(T x) { return tblibc::IsInf(x); }           \
  int32_t tblibc_finite##suffix(T x) { return tblibc::Finite(x); }         \
  int32_t tblibc_signbit##suffix(T x) { return tblibc::SignBit(x); }
TB_CLASSIFY(double, )
TB_CLASSIFY(float, f)
TB_CLASSIFY(long double, l)
#undef TB_CLASSIFY

}  // extern "C"

// ---- lgamma and signgam -----------------------------------------------
//
// The guest keeps its own copy of signgam; every lgamma writes the sign of
// Gamma there as the Linux C library does; the functions that compute it
// are ours (math_double.cpp, math_extended.cpp).
namespace tblibc {
namespace {

int32_t* gSigngam = nullptr;  // the guest's copy, once bound

void BindSigngam(uint32_t address, uint32_t size) {
  gSigngam = size >= 4 ? reinterpret_cast<int32_t*>(static_cast<uintptr_t>(address))
                       : nullptr;
  if (gSigngam != nullptr) *gSigngam = 0;
}

void SetSigngam(int s) {
  if (gSigngam != nullptr) *gSigngam = s;
}

}  // namespace
}  // namespace tblibc

namespace tblibc {
namespace {

// ---- tgamma at the ends of the range ------------------------------------
//
// One host answers NaN where Gamma overflows or underflows; the answers
// there are plain: an infinity, or a zero of Gamma's sign (negative where
// floor(x) is odd). `over` and `under` are where the type's range ends.
template <typename T, T (*Host)(T)>
T Tgamma(T x, T over, T under) {
  if (FiniteBits(x)) {
    if (x > over) {
      // Rounded as the mode asks: the largest finite number downward.
      const volatile T big = std::numeric_limits<T>::max();
      const volatile T r = big * big;
      if (!FiniteBits(static_cast<T>(r))) SetErrno(linux::kERANGE);
      return r;
    }
    const T whole = static_cast<T>(__builtin_floorl(x));
    if (x < under && x != whole) {
      SetErrno(linux::kERANGE);
      mathflag::Underflow();
      const bool odd = __builtin_fmodl(whole, 2.0L) != 0;
      return odd ? static_cast<T>(-0.0) : static_cast<T>(0.0);
    }
    if (x < 0 && x == whole) {  // one host answers an infinity there
      SetErrno(linux::kEDOM);
      mathflag::Invalid();
      return std::numeric_limits<T>::quiet_NaN();
    }
  }
  return Checked<T(T), Host,
                 rule::kDomain | rule::kRange | rule::kPoleAtZero | rule::kUnder | rule::kNanPlus>::Entry(x);
}

// ilogb: the Linux C library's FP_ILOGB0 and FP_ILOGBNAN are INT_MIN, an
// infinity gives INT_MAX, and all three are domain errors.
template <typename T, int (*Host)(T)>
int32_t Ilogb(T x) {
  if (x == 0 || x != x || x - x != 0) {
    SetErrno(linux::kEDOM);
    mathflag::Invalid();  // x - x raised it only for the infinities
    return x == x && x != 0 ? INT32_MAX : INT32_MIN;
  }
  const int saved = errno;
  const int r = Host(x);
  errno = saved;
  return r;
}
// The step away from a zero: one host's long double one takes the sign
// of y - x, not of y.
template <typename T, typename D, T (*Host)(T, D)>
T NextAfter(T x, D y) {
  if (x == 0 && y == y && y != 0) {
    mathflag::Underflow();
    const T step = std::numeric_limits<T>::denorm_min();
    return __builtin_signbit(y) ? -step : step;
  }
  return Checked<T(T, D), Host, rule::kNext>::Entry(x, y);
}

// pow of a zero to a negative power, a pole, and powf of a negative number
// to a fraction, a domain error: one host raises INEXACT beside DIVBYZERO
// and INVALID there (the Linux C library's pow and powl do so beside
// INVALID too). The infinity is negative only for -0 and an odd y.
constexpr unsigned kPowRules = rule::kDomain | rule::kRange | rule::kPoleAtZero | rule::kUnder |
                               rule::kNanMinus | rule::kTiny;
// pow with an infinite argument, exact and raising nothing but what the
// Linux C library raises (one host raises INEXACT for pow(inf, 1)). A zero
// x is left to the pole and the host.
template <typename T, T (*Trunc)(T)>
bool InfinitePow(T x, T y, T* r) {
  if (x != x || y != y || x == 0 || (FiniteBits(x) && FiniteBits(y))) return false;
  const T inf = std::numeric_limits<T>::infinity();
  if (!FiniteBits(y)) {  // |x| against 1 decides
    const T a = static_cast<T>(__builtin_fabsl(x));
    if (a == 1) {
      *r = 1;
    } else {
      *r = (a > 1) == (y > 0) ? inf : 0;
    }
    return true;
  }
  if (y == 0) {
    *r = 1;
    return true;
  }
  const bool whole = Trunc(y) == y;
  // The Linux C library raises INEXACT for -inf to a fraction, as for any
  // negative number to one.
  if (x < 0 && !whole) mathflag::Inexact();
  const bool odd = whole && Trunc(y / 2) != y / 2;  // y / 2 exact: |y| >= 1
  const T magnitude = y > 0 ? inf : 0;
  *r = x < 0 && odd ? -magnitude : magnitude;
  return true;
}

template <typename T, T (*Host)(T, T), T (*Trunc)(T)>
T Pow(T x, T y) {
  if constexpr (!std::is_same_v<T, long double>) {
    T r;
    if (InfinitePow<T, Trunc>(x, y, &r)) return r;
  }
  if (x == 0 && __builtin_isless(y, 0) && FiniteBits(y)) {
    SetErrno(linux::kERANGE);
    mathflag::DivByZero();
    const T half = y / 2;  // inexact only for a subnormal y, no integer anyway
    const bool odd = Trunc(y) == y && Trunc(half) != half;
    const T inf = std::numeric_limits<T>::infinity();
    return odd && __builtin_signbit(x) ? -inf : inf;
  }
  if constexpr (std::is_same_v<T, float>) {
    if (__builtin_isless(x, 0) && FiniteBits(x) && FiniteBits(y) && Trunc(y) != y)
      return DomainError<kPowRules, T>();
  }
  return Checked<T(T, T), Host, kPowRules>::Entry(x, y);
}

// ---- exp10 --------------------------------------------------------------
//
// Not every host has it. 10^x = 2^(x log2 10) in the x87's 64-bit
// precision keeps a double and a float result within an ulp; integral
// powers that a double holds exactly are exact, as the Linux C library's.
// ERANGE on overflow and underflow, as there.
constexpr long double kLog2Of10 = 3.32192809488736234787031942948939017586L;

// The Linux C library raises INEXACT for every finite argument but a zero,
// even where the power is exact; an infinity or NaN raises nothing.
template <typename T, int kExactUpTo>
bool ExactExp10(T x, T* r) {
  if (!FiniteBits(x)) {
    *r = x == -std::numeric_limits<T>::infinity() ? 0 : x;
    return true;
  }
  if (x == 0) {
    *r = 1;
    return true;
  }
  if (!(x >= 1 && x <= kExactUpTo && x == static_cast<T>(static_cast<int>(x)))) return false;
  T p = 1;
  for (int i = 0; i < static_cast<int>(x); ++i) p *= 10;
  mathflag::Inexact();
  *r = p;
  return true;
}

template <typename T>
T Exp10(T x) {
  T r;
  if (ExactExp10<T, std::is_same_v<T, float> ? 10 : 22>(x, &r)) return r;
  const volatile T stored = static_cast<T>(std::exp2l(static_cast<long double>(x) * kLog2Of10));
  r = stored;
  if (!FiniteBits(r)) {
    SetErrno(linux::kERANGE);
    mathflag::Overflow();
  } else if (r == 0) {
    SetErrno(linux::kERANGE);
    mathflag::Underflow();
  }
  return r;
}

}  // namespace
}  // namespace tblibc

extern "C" {
// The Linux C library's erfcf is a range error where its value rounds to
// zero to nearest, also when rounding upward made it the least subnormal,
// and only there.
float tblibc_erfcf_ranged(float x) {
  const float r = tblibc::Checked<float(float), tblibc_erfcf,
                                  tblibc::rule::kUnder | tblibc::rule::kInexactFinite>::Entry(x);
  constexpr float kLeast = std::numeric_limits<float>::denorm_min();
  if (r == kLeast && tblibc_erfcl(x) < kLeast / 2.0L) tblibc::SetErrno(linux::kERANGE);
  return r;
}
double tblibc_exp10(double x) { return tblibc::Exp10(x); }
float tblibc_exp10f(float x) { return tblibc::Exp10(x); }
long double tblibc_tgammal(long double x) {
  // Ours follows the rounding mode at both ends itself.
  return tblibc::Tgamma<long double, tblibc::TgammaL>(x, 1756.0L,
                                                      -std::numeric_limits<long double>::max());
}

long double tblibc_lgammal_r(long double x, int32_t* sign) { return tblibc::LgammaL(x, sign); }
double tblibc_lgamma(double x) {
  int32_t sign = 1;
  const double r = tblibc_lgamma_r(x, &sign);
  tblibc::SetSigngam(sign);
  return r;
}
float tblibc_lgammaf(float x) {
  int32_t sign = 1;
  const float r = tblibc_lgammaf_r(x, &sign);
  tblibc::SetSigngam(sign);
  return r;
}
long double tblibc_lgammal(long double x) {
  int32_t sign = 1;
  const long double r = tblibc_lgammal_r(x, &sign);
  tblibc::SetSigngam(sign);
  return r;
}

double tblibc_pow(double x, double y) { return tblibc::Pow<double, ::pow, tblibc_trunc>(x, y); }
float tblibc_powf(float x, float y) { return tblibc::Pow<float, ::powf, tblibc_truncf>(x, y); }

long double tblibc_nextafterl(long double x, long double y) {
  return tblibc::NextAfter<long double, long double, ::nextafterl>(x, y);
}
long double tblibc_nexttowardl(long double x, long double y) {
  return tblibc::NextAfter<long double, long double, ::nexttowardl>(x, y);
}

int32_t tblibc_ilogb(double x) { return tblibc::Ilogb<double, ::ilogb>(x); }
int32_t tblibc_ilogbf(float x) { return tblibc::Ilogb<float, ::ilogbf>(x); }
int32_t tblibc_ilogbl(long double x) { return tblibc::Ilogb<long double, ::ilogbl>(x); }

// sqrt rounded once, to its own type: an fsqrt at 64-bit precision rounded
// again to double is off by one in rare cases (sqrt of DBL_MAX). The x87
// rounds to the precision its control word names, so that is set for the
// one instruction.
long double SqrtAt(long double x, uint16_t precision) {
  uint16_t saved, cw;
  __asm__ volatile("fnstcw %0" : "=m"(saved));
  cw = static_cast<uint16_t>((saved & ~0x300u) | precision);
  long double r;
  __asm__ volatile("fldcw %2\n\tfsqrt\n\tfldcw %3" : "=t"(r) : "0"(x), "m"(cw), "m"(saved));
  return r;
}
double tblibc_sqrt(double x) {
  if (__builtin_isless(x, 0)) tblibc::SetErrno(linux::kEDOM);
  return static_cast<double>(SqrtAt(x, 0x200));
}
float tblibc_sqrtf(float x) {
  if (__builtin_isless(x, 0)) tblibc::SetErrno(linux::kEDOM);
  return static_cast<float>(SqrtAt(x, 0x000));
}
long double tblibc_sqrtl(long double x) {
  if (__builtin_isless(x, 0)) tblibc::SetErrno(linux::kEDOM);
  long double r;
  __asm__("fsqrt" : "=t"(r) : "0"(x));
  return r;
}

}  // extern "C"

// ---- The floating-point environment -----------------------------------
//
// The Linux C library's i386 fenv_t is the 28-byte image fnstenv stores;
// the SSE unit (MXCSR) follows the x87 settings, as there.
namespace tblibc {
namespace {

namespace lfe {
constexpr uint32_t kAllExcept = 0x3d;  // invalid, divbyzero, over, under, inexact
constexpr uint32_t kRoundMask = 0xc00;
constexpr uint32_t kDefaultEnv = 0xffffffffu;  // FE_DFL_ENV
constexpr uint32_t kNoMaskEnv = 0xfffffffeu;   // FE_NOMASK_ENV
constexpr uint16_t kLinuxControlWord = 0x037f;
constexpr uint32_t kLinuxMxcsr = 0x1f80;
}  // namespace lfe

struct X87Env {
  uint16_t control, r1, status, r2, tags, r3;
  uint32_t eip;
  uint16_t cs;
  uint16_t opcode;
  uint32_t dataOffset;
  uint16_t dataSelector, r5;
};
static_assert(sizeof(X87Env) == 28);

uint16_t ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
void SetControlWord(uint16_t cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }
uint16_t StatusWord() {
  uint16_t sw;
  __asm__ volatile("fnstsw %0" : "=m"(sw));
  return sw;
}
uint32_t Mxcsr() {
  uint32_t m;
  __asm__ volatile("stmxcsr %0" : "=m"(m));
  return m;
}
void SetMxcsr(uint32_t m) { __asm__ volatile("ldmxcsr %0" : : "m"(m)); }
void StoreEnv(X87Env* e) {
  // fnstenv masks every exception afterwards; load it straight back.
  __asm__ volatile("fnstenv %0\n\tfldenv %0" : "=m"(*e));
}
void LoadEnv(const X87Env& e) { __asm__ volatile("fldenv %0" : : "m"(e)); }

void SetEnv(const X87Env& e) {
  LoadEnv(e);
  const uint32_t masks = e.control & lfe::kAllExcept;
  const uint32_t round = e.control & lfe::kRoundMask;
  const uint32_t flags = e.status & lfe::kAllExcept;
  SetMxcsr((Mxcsr() & ~0x7f3fu) | (masks << 7) | (round << 3) | flags);
}

}  // namespace
}  // namespace tblibc

extern "C" {

int32_t tblibc_fegetround() { return tblibc::ControlWord() & tblibc::lfe::kRoundMask; }

int32_t tblibc_fesetround(int32_t round) {
  using namespace tblibc;
  if ((static_cast<uint32_t>(round) & ~lfe::kRoundMask) != 0) return 1;
  SetControlWord(static_cast<uint16_t>((ControlWord() & ~lfe::kRoundMask) | round));
  SetMxcsr((Mxcsr() & ~0x6000u) | (static_cast<uint32_t>(round) << 3));
  return 0;
}

int32_t tblibc_feclearexcept(int32_t excepts) {
  using namespace tblibc;
  const uint32_t e = static_cast<uint32_t>(excepts) & lfe::kAllExcept;
  X87Env env;
  StoreEnv(&env);
  env.status &= static_cast<uint16_t>(~e);
  LoadEnv(env);
  SetMxcsr(Mxcsr() & ~e);
  return 0;
}

int32_t tblibc_fetestexcept(int32_t excepts) {
  using namespace tblibc;
  return static_cast<int32_t>((StatusWord() | Mxcsr()) &
                              static_cast<uint32_t>(excepts) & lfe::kAllExcept);
}

int32_t tblibc_feraiseexcept(int32_t excepts) {
  using namespace tblibc;
  const uint32_t e = static_cast<uint32_t>(excepts) & lfe::kAllExcept;
  // Set in the x87 status word and checked at once, so an unmasked
  // exception traps here as it would in the Linux C library.
  X87Env env;
  StoreEnv(&env);
  env.status |= static_cast<uint16_t>(e);
  LoadEnv(env);
  __asm__ volatile("fwait");
  return 0;
}

int32_t tblibc_fegetexceptflag(uint16_t* flag, int32_t excepts) {
  using namespace tblibc;
  *flag = static_cast<uint16_t>((StatusWord() | Mxcsr()) &
                                static_cast<uint32_t>(excepts) & lfe::kAllExcept);
  return 0;
}

int32_t tblibc_fesetexceptflag(const uint16_t* flag, int32_t excepts) {
  using namespace tblibc;
  const uint32_t e = static_cast<uint32_t>(excepts) & lfe::kAllExcept;
  X87Env env;
  StoreEnv(&env);
  env.status = static_cast<uint16_t>((env.status & ~e) | (*flag & e));
  LoadEnv(env);
  SetMxcsr((Mxcsr() & ~e) | (*flag & e));
  return 0;
}

int32_t tblibc_fegetenv(tblibc::X87Env* env) {
  tblibc::StoreEnv(env);
  // The SSE unit's flags are part of what the guest saved.
  env->status |= static_cast<uint16_t>(tblibc::Mxcsr() & tblibc::lfe::kAllExcept);
  return 0;
}

int32_t tblibc_fesetenv(const tblibc::X87Env* env) {
  using namespace tblibc;
  X87Env now;
  StoreEnv(&now);
  const uint32_t which = Address(env);
  if (which == lfe::kDefaultEnv || which == lfe::kNoMaskEnv) {
    now.control = which == lfe::kDefaultEnv
                      ? lfe::kLinuxControlWord
                      : static_cast<uint16_t>(lfe::kLinuxControlWord & ~lfe::kAllExcept);
    now.status = 0;
    now.tags = 0xffff;
    now.eip = now.dataOffset = 0;
    now.cs = now.opcode = now.dataSelector = 0;
  } else {
    now.control = env->control;
    now.status = env->status;
    now.tags = env->tags;
    now.eip = env->eip;
    now.cs = env->cs;
    now.opcode = env->opcode;
    now.dataOffset = env->dataOffset;
    now.dataSelector = env->dataSelector;
  }
  SetEnv(now);
  return 0;
}

int32_t tblibc_feholdexcept(tblibc::X87Env* env) {
  using namespace tblibc;
  tblibc_fegetenv(env);
  X87Env now = *env;
  now.control |= lfe::kAllExcept;
  now.status &= static_cast<uint16_t>(~lfe::kAllExcept);
  SetEnv(now);
  return 0;
}

int32_t tblibc_feupdateenv(const tblibc::X87Env* env) {
  using namespace tblibc;
  const int32_t raised = tblibc_fetestexcept(lfe::kAllExcept);
  tblibc_fesetenv(env);
  tblibc_feraiseexcept(raised);
  return 0;
}

// GNU extensions: the enabled (unmasked) exceptions.
int32_t tblibc_fegetexcept() {
  using namespace tblibc;
  return static_cast<int32_t>(~ControlWord() & lfe::kAllExcept);
}
int32_t tblibc_feenableexcept(int32_t excepts) {
  using namespace tblibc;
  const uint32_t e = static_cast<uint32_t>(excepts) & lfe::kAllExcept;
  const int32_t old = tblibc_fegetexcept();
  SetControlWord(static_cast<uint16_t>(ControlWord() & ~e));
  SetMxcsr(Mxcsr() & ~(e << 7));
  return old;
}
int32_t tblibc_fedisableexcept(int32_t excepts) {
  using namespace tblibc;
  const uint32_t e = static_cast<uint32_t>(excepts) & lfe::kAllExcept;
  const int32_t old = tblibc_fegetexcept();
  SetControlWord(static_cast<uint16_t>(ControlWord() | e));
  SetMxcsr(Mxcsr() | (e << 7));
  return old;
}

}  // extern "C"

namespace tblibc {
namespace {

// A new Linux process computes in 64-bit x87 precision with every exception
// masked; a 32-bit Windows process starts at 53 bits, which would silently
// change every long double result the guest computes.
void StartMath() {
  SetControlWord(lfe::kLinuxControlWord);
  SetMxcsr(lfe::kLinuxMxcsr);
}

constexpr Export kExports[] = {
    // Trigonometric and hyperbolic, and their inverses.
    Fn<&tblibc_sin>("sin"), Fn<&tblibc_sinf>("sinf"), Fn<&tblibc_sinl>("sinl"),
    Fn<&tblibc_cos>("cos"), Fn<&tblibc_cosf>("cosf"), Fn<&tblibc_cosl>("cosl"),
    Fn<&tblibc_tan>("tan"), Fn<&tblibc_tanf>("tanf"), Fn<&tblibc_tanl>("tanl"),
    D1::Check<&tblibc_asin, rule::kDomain | rule::kNanPlus | rule::kTiny | rule::kBeyondOne>("asin"), F1::Check<&::asinf, rule::kDomain | rule::kNanPlus | rule::kTiny | rule::kBeyondOne>("asinf"), L1::Check<&tblibc_asinl, rule::kDomain | rule::kNanPlus | rule::kTiny | rule::kBeyondOne>("asinl"),
    Fn<&tblibc_acos>("acos"), F1::Check<&::acosf, rule::kDomain | rule::kNanPlus | rule::kInexact | rule::kBeyondOne>("acosf"), L1::Check<&tblibc_acosl, rule::kDomain | rule::kNanPlus | rule::kInexact | rule::kBeyondOne>("acosl"),
    Fn<&tblibc_atan>("atan"), F1::Check<&::atanf, rule::kInexact | rule::kTiny>("atanf"), L1::Check<&::atanl, rule::kInexact | rule::kTiny>("atanl"),
    D2::Check<&::atan2, rule::kUnder | rule::kTiny>("atan2"), F2::Check<&::atan2f, rule::kUnder | rule::kTiny>("atan2f"), L2::Check<&::atan2l, rule::kUnder | rule::kTiny>("atan2l"),
    Fn<&tblibc_sinh>("sinh"), F1::Check<&::sinhf, rule::kRange | rule::kTiny>("sinhf"), Fn<&tblibc_sinhl>("sinhl"),
    Fn<&tblibc_cosh>("cosh"), Fn<&tblibc_coshf>("coshf"), Fn<&tblibc_coshl>("coshl"),
    Fn<&tblibc_tanh>("tanh"), F1::Check<&::tanhf, rule::kTiny>("tanhf"), Fn<&tblibc_tanhl>("tanhl"),
    Fn<&tblibc_asinh>("asinh"), F1::Check<&tblibc_asinhf, rule::kTiny>("asinhf"), L1::Check<&::asinhl, rule::kTiny>("asinhl"),
    Fn<&tblibc_acosh>("acosh"), F1::Check<&::acoshf, rule::kDomain | rule::kNanMinus>("acoshf"), L1::Check<&tblibc_acoshl, rule::kDomain | rule::kNanMinus>("acoshl"),
    D1::Check<&::atanh, rule::kDomain | rule::kRange | rule::kPole | rule::kNanMinus | rule::kTiny>("atanh"), F1::Check<&tblibc_atanhf, rule::kDomain | rule::kRange | rule::kPole | rule::kNanMinus | rule::kTiny>("atanhf"), Fn<&tblibc_atanhl>("atanhl"),
    Fn<&tblibc_sincos>("sincos"),
    Fn<&tblibc_sincosf>("sincosf"),
    Fn<&tblibc_sincosl>("sincosl"),
    // Exponentials and logarithms.
    D1::Check<&tblibc_exp, rule::kRange | rule::kUnder>("exp"), F1::Check<&::expf, rule::kRange | rule::kUnder | rule::kEdge | rule::kEdgeTiny>("expf"), Fn<&tblibc_expl>("expl"),
    D1::Check<&::exp2, rule::kRange | rule::kUnder>("exp2"), F1::Check<&::exp2f, rule::kRange | rule::kUnder | rule::kEdge | rule::kEdgeTiny>("exp2f"), Fn<&tblibc_exp2l>("exp2l"),
    Fn<&tblibc_exp10>("exp10"), Fn<&tblibc_exp10f>("exp10f"), Fn<&tblibc_exp10l>("exp10l"),
    Fn<&tblibc_expm1>("expm1"), F1::Check<&tblibc_expm1f, rule::kRange | rule::kTiny | rule::kEdge>("expm1f"), Fn<&tblibc_expm1l>("expm1l"),
    D1::Check<&::log, rule::kDomain | rule::kRange | rule::kPole | rule::kPlusZero | rule::kNanMinus>("log"), Fn<&tblibc_logf>("logf"), L1::Check<&::logl, rule::kDomain | rule::kRange | rule::kPole | rule::kPlusZero | rule::kNanPlus>("logl"),
    Fn<&tblibc_log10>("log10"), F1::Check<&::log10f, rule::kDomain | rule::kRange | rule::kPole | rule::kPlusZero | rule::kNanPlus>("log10f"), L1::Check<&::log10l, rule::kDomain | rule::kRange | rule::kPole | rule::kPlusZero | rule::kNanPlus | rule::kBelowZero>("log10l"),
    D1::Check<&::log2, rule::kDomain | rule::kRange | rule::kPole | rule::kPlusZero | rule::kNanMinus>("log2"), Fn<&tblibc_log2f>("log2f"), L1::Check<&::log2l, rule::kDomain | rule::kRange | rule::kPole | rule::kPlusZero | rule::kNanPlus | rule::kBelowZero>("log2l"),
    D1::Check<&::log1p, rule::kDomain | rule::kRange | rule::kPole | rule::kNanMinus | rule::kTiny>("log1p"), F1::Check<&::log1pf, rule::kDomain | rule::kRange | rule::kPole | rule::kNanMinus | rule::kTiny>("log1pf"), L1::Check<&::log1pl, rule::kDomain | rule::kRange | rule::kPole | rule::kNanMinus | rule::kTiny>("log1pl"),
    D1::Check<&::logb, rule::kKeep>("logb"), F1::Check<&::logbf, rule::kKeep>("logbf"), L1::Check<&::logbl, rule::kKeep>("logbl"),
    Fn<&tblibc_ilogb>("ilogb"), Fn<&tblibc_ilogbf>("ilogbf"),
    Fn<&tblibc_ilogbl>("ilogbl"),
    Fn<&tblibc_pow>("pow"), Fn<&tblibc_powf>("powf"), Fn<&tblibc_powl>("powl"),
    Fn<&tblibc_sqrt>("sqrt"), Fn<&tblibc_sqrtf>("sqrtf"), Fn<&tblibc_sqrtl>("sqrtl"),
    Fn<&tblibc_cbrt>("cbrt"), F1::Check<&tblibc_cbrtf, rule::kKeep>("cbrtf"), Fn<&tblibc_cbrtl>("cbrtl"),
    D2::Check<&tblibc_hypot, rule::kRange | rule::kTiny>("hypot"), F2::Check<&tblibc_hypotf, rule::kRange | rule::kTiny>("hypotf"), L2::Check<&tblibc_hypotl, rule::kRange | rule::kTiny>("hypotl"),
    // Remainders.
    D2::Check<&::fmod, rule::kDomain | rule::kNanMinus>("fmod"), F2::Check<&::fmodf, rule::kDomain | rule::kNanMinus>("fmodf"), L2::Check<&::fmodl, rule::kDomain | rule::kNanMinus>("fmodl"),
    D2::Check<&::remainder, rule::kDomain | rule::kNanMinus>("remainder"), F2::Check<&::remainderf, rule::kDomain | rule::kNanMinus>("remainderf"),
    L2::Check<&::remainderl, rule::kDomain | rule::kNanMinus>("remainderl"),
    D2::Check<&::remainder, rule::kDomain | rule::kNanMinus>("drem"), F2::Check<&::remainderf, rule::kDomain | rule::kNanMinus>("dremf"),
    L2::Check<&::remainderl, rule::kDomain | rule::kNanMinus>("dreml"),
    As<double(double, double, int*)>::Row<&::remquo>("remquo"),
    As<float(float, float, int*)>::Row<&::remquof>("remquof"),
    As<long double(long double, long double, int*)>::Row<&::remquol>("remquol"),
    // Rounding to integers.
    Fn<&tblibc_floor>("floor"), Fn<&tblibc_floorf>("floorf"), Fn<&tblibc_floorl>("floorl"),
    Fn<&tblibc_ceil>("ceil"), Fn<&tblibc_ceilf>("ceilf"), Fn<&tblibc_ceill>("ceill"),
    Fn<&tblibc_round>("round"), Fn<&tblibc_roundf>("roundf"), Fn<&tblibc_roundl>("roundl"),
    Fn<&tblibc_trunc>("trunc"), Fn<&tblibc_truncf>("truncf"), Fn<&tblibc_truncl>("truncl"),
    D1::Row<&::rint>("rint"), F1::Row<&::rintf>("rintf"), L1::Row<&::rintl>("rintl"),
    D1::Row<&::nearbyint>("nearbyint"), F1::Row<&::nearbyintf>("nearbyintf"),
    L1::Row<&::nearbyintl>("nearbyintl"),
    Fn<&tblibc_lround>("lround"), Fn<&tblibc_lroundf>("lroundf"), Fn<&tblibc_lroundl>("lroundl"),
    Fn<&tblibc_llround>("llround"), Fn<&tblibc_llroundf>("llroundf"),
    Fn<&tblibc_llroundl>("llroundl"),
    As<long(double)>::Row<&::lrint>("lrint"), As<long(float)>::Row<&::lrintf>("lrintf"),
    As<long(long double)>::Row<&::lrintl>("lrintl"),
    As<long long(double)>::Row<&::llrint>("llrint"),
    As<long long(float)>::Row<&::llrintf>("llrintf"),
    As<long long(long double)>::Row<&::llrintl>("llrintl"),
    // Pieces of a number.
    D1::Row<&::fabs>("fabs"), F1::Row<&::fabsf>("fabsf"), L1::Row<&::fabsl>("fabsl"),
    As<double(double, int*)>::Row<&::frexp>("frexp"),
    As<float(float, int*)>::Row<&::frexpf>("frexpf"),
    As<long double(long double, int*)>::Row<&::frexpl>("frexpl"),
    As<double(double, int)>::Check<&::ldexp, rule::kRange | rule::kUnder>("ldexp"),
    As<float(float, int)>::Check<&::ldexpf, rule::kRange | rule::kUnder>("ldexpf"),
    As<long double(long double, int)>::Check<&::ldexpl, rule::kRange | rule::kUnder>("ldexpl"),
    As<double(double, int)>::Check<&::scalbn, rule::kRange | rule::kUnder>("scalbn"),
    As<float(float, int)>::Check<&::scalbnf, rule::kRange | rule::kUnder>("scalbnf"),
    As<long double(long double, int)>::Check<&::scalbnl, rule::kRange | rule::kUnder>("scalbnl"),
    As<double(double, long)>::Check<&::scalbln, rule::kRange | rule::kUnder>("scalbln"),
    As<float(float, long)>::Check<&::scalblnf, rule::kRange | rule::kUnder>("scalblnf"),
    As<long double(long double, long)>::Check<&::scalblnl, rule::kRange | rule::kUnder>("scalblnl"),
    Fn<&tblibc_modf>("modf"), Fn<&tblibc_modff>("modff"), Fn<&tblibc_modfl>("modfl"),
    D2::Row<&::copysign>("copysign"), F2::Row<&::copysignf>("copysignf"),
    L2::Row<&::copysignl>("copysignl"),
    D2::Row<&::fmin>("fmin"), F2::Row<&::fminf>("fminf"), L2::Row<&::fminl>("fminl"),
    D2::Row<&::fmax>("fmax"), F2::Row<&::fmaxf>("fmaxf"), L2::Row<&::fmaxl>("fmaxl"),
    Fn<&tblibc_fdim>("fdim"), Fn<&tblibc_fdimf>("fdimf"), Fn<&tblibc_fdiml>("fdiml"),
    Fn<&tblibc_fma>("fma"), Fn<&tblibc_fmaf>("fmaf"), Fn<&tblibc_fmal>("fmal"),
    D2::Check<&::nextafter, rule::kNext>("nextafter"), F2::Check<&::nextafterf, rule::kNext>("nextafterf"),
    Fn<&tblibc_nextafterl>("nextafterl"),
    As<double(double, long double)>::Check<&::nexttoward, rule::kNext>("nexttoward"),
    As<float(float, long double)>::Check<&::nexttowardf, rule::kNext>("nexttowardf"),
    Fn<&tblibc_nexttowardl>("nexttowardl"),
    Fn<&tblibc_nan>("nan"), Fn<&tblibc_nanf>("nanf"), Fn<&tblibc_nanl>("nanl"),
    // Special functions.
    D1::Check<&::erf, rule::kInexactFinite | rule::kTiny>("erf"), F1::Check<&::erff, rule::kInexactFinite | rule::kTiny>("erff"), Fn<&tblibc_erfl>("erfl"),
    Fn<&tblibc_erfc>("erfc"), Fn<&tblibc_erfcf_ranged>("erfcf"), Fn<&tblibc_erfcl>("erfcl"),
    Fn<&tblibc_tgamma>("tgamma"), Fn<&tblibc_tgammaf>("tgammaf"),
    Fn<&tblibc_tgammal>("tgammal"),
    Fn<&tblibc_lgamma>("lgamma"), Fn<&tblibc_lgammaf>("lgammaf"),
    Fn<&tblibc_lgammal>("lgammal"),
    Fn<&tblibc_lgamma>("gamma"), Fn<&tblibc_lgammaf>("gammaf"),
    Fn<&tblibc_lgammal>("gammal"),
    Fn<&tblibc_lgamma_r>("lgamma_r"),
    Fn<&tblibc_lgammaf_r>("lgammaf_r"),
    Fn<&tblibc_lgammal_r>("lgammal_r"),
    Fn<&tblibc_j0>("j0"), Fn<&tblibc_j1>("j1"), Fn<&tblibc_jn>("jn"),
    Fn<&tblibc_y0>("y0"), Fn<&tblibc_y1>("y1"), Fn<&tblibc_yn>("yn"),
    Fn<&tblibc_j0f>("j0f"), Fn<&tblibc_j1f>("j1f"), Fn<&tblibc_jnf>("jnf"),
    Fn<&tblibc_y0f>("y0f"), Fn<&tblibc_y1f>("y1f"), Fn<&tblibc_ynf>("ynf"),
    Fn<&tblibc_j0l>("j0l"), Fn<&tblibc_j1l>("j1l"), Fn<&tblibc_jnl>("jnl"),
    Fn<&tblibc_y0l>("y0l"), Fn<&tblibc_y1l>("y1l"), Fn<&tblibc_ynl>("ynl"),
    // Classification.
    Fn<&tblibc_fpclassify>("__fpclassify"), Fn<&tblibc_fpclassifyf>("__fpclassifyf"),
    Fn<&tblibc_fpclassifyl>("__fpclassifyl"),
    Fn<&tblibc_isnan>("__isnan"), Fn<&tblibc_isnanf>("__isnanf"),
    Fn<&tblibc_isnanl>("__isnanl"),
    Fn<&tblibc_isnan>("isnan"), Fn<&tblibc_isnanf>("isnanf"), Fn<&tblibc_isnanl>("isnanl"),
    Fn<&tblibc_isinf>("__isinf"), Fn<&tblibc_isinff>("__isinff"),
    Fn<&tblibc_isinfl>("__isinfl"),
    Fn<&tblibc_isinf>("isinf"), Fn<&tblibc_isinff>("isinff"), Fn<&tblibc_isinfl>("isinfl"),
    Fn<&tblibc_finite>("__finite"), Fn<&tblibc_finitef>("__finitef"),
    Fn<&tblibc_finitel>("__finitel"),
    Fn<&tblibc_finite>("finite"), Fn<&tblibc_finitef>("finitef"),
    Fn<&tblibc_finitel>("finitel"),
    Fn<&tblibc_signbit>("__signbit"), Fn<&tblibc_signbitf>("__signbitf"),
    Fn<&tblibc_signbitl>("__signbitl"),
    // The floating-point environment.
    Fn<&tblibc_fegetround>("fegetround"), Fn<&tblibc_fesetround>("fesetround"),
    Fn<&tblibc_feclearexcept>("feclearexcept"), Fn<&tblibc_fetestexcept>("fetestexcept"),
    Fn<&tblibc_feraiseexcept>("feraiseexcept"),
    Fn<&tblibc_fegetexceptflag>("fegetexceptflag"),
    Fn<&tblibc_fesetexceptflag>("fesetexceptflag"),
    Fn<&tblibc_fegetenv>("fegetenv"), Fn<&tblibc_fesetenv>("fesetenv"),
    Fn<&tblibc_feholdexcept>("feholdexcept"), Fn<&tblibc_feupdateenv>("feupdateenv"),
    Fn<&tblibc_fegetexcept>("fegetexcept"), Fn<&tblibc_feenableexcept>("feenableexcept"),
    Fn<&tblibc_fedisableexcept>("fedisableexcept"),
};

constexpr DataExport kObjects[] = {{"signgam", &BindSigngam}};

}  // namespace

extern const Family kMathFamily;
const Family kMathFamily{"math", kExports, kObjects, &StartMath};

}  // namespace tblibc
