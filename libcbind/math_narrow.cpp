// Functions computed in the x87's 64-bit precision and rounded once to
// their type, ours on both ports.
//
// One host's float and double forms of these are an ulp or two off the
// Linux C library's, which rounds them correctly in nearly every case. A
// long double result carries 11 bits beyond a double and 40 beyond a
// float, so rounding it once, in the caller's mode, gives the correctly
// rounded answer but in the rarest halfway cases. The kernels are our own
// long double functions where we have them, so both ports round the same
// value; the hosts' others differ by far less than those bits. The
// rounding raises INEXACT, UNDERFLOW and OVERFLOW as the type's own
// arithmetic would. asin, asinl and acosl come from the x87's arctangent;
// one host's asinl and acosl are 3.5 and 8 ulps off.
#include "libcbind/math_narrow.h"

#include <cmath>
#include <limits>

#include "libcbind/math_exact.h"
#include "libcbind/math_extended.h"
#include "libcbind/math_flags.h"
#include "libcbind/math_ldmisc.h"

namespace tblibc {
namespace {

using mathflag::NearestRounding;
template <typename T>
T Round(long double wide) {
  return mathflag::RoundTo<T>(wide);
}

// None of these functions is infinite or zero at a finite nonzero
// argument: a long double that is means an overflow or underflow, which the
// caller's mode may round to the largest or least number instead.
template <typename T, long double (*Kernel)(long double)>
T Narrow(T x) {
  volatile long double wide;  // rounded to T only once the mode is back
  {
    const NearestRounding nearest;
    wide = Kernel(x);
  }
  if (__builtin_isfinite(x) && x != 0) {
    if (__builtin_isinf(wide)) return mathflag::OverflowTo<T>(wide < 0);
    if (wide == 0) return mathflag::UnderflowTo<T>(__builtin_signbit(wide));
  }
  return Round<T>(wide);
}

// sqrt(x^2 + y^2) with no overflow or underflow on the way: a double's
// square is far inside the long double range. An infinity wins over a NaN.
template <typename T>
T Hypot(T x, T y) {
  const long double a = x, b = y;
  if (__builtin_isinf(a) || __builtin_isinf(b)) return std::numeric_limits<T>::infinity();
  return Round<T>(__builtin_sqrtl(a * a + b * b));
}

// The x87's partial arctangent of y/x, in the quadrant of (x, y).
long double Fpatan(long double y, long double x) {
  long double r;
  __asm__("fpatan" : "=t"(r) : "0"(x), "u"(y) : "st(1)");
  return r;
}

// hypotl to within about half an ulp: the sum of squares to twice the
// precision, at a scale where nothing overflows or underflows, its root
// corrected by one Newton step. INEXACT only for an inexact answer
// (hypotl(3, 4) is 5 exactly), which one host never raises.
long double HypotL(long double x, long double y) {
  if (__builtin_isinf(x) || __builtin_isinf(y)) return __builtin_infl();
  long double a = __builtin_fabsl(x), b = __builtin_fabsl(y);
  if (!__builtin_isgreaterequal(a, b)) {
    const long double t = a;
    a = b;
    b = t;
  }
  if (__builtin_isnan(a) || __builtin_isnan(b)) return x + y;
  if (b == 0) return a;
  int exponent, below;
  (void)__builtin_frexpl(a, &exponent);
  (void)__builtin_frexpl(b, &below);
  // b^2 is below a's last bit: the answer is a, rounded as a + b rounds.
  if (exponent - below > 70) return a + b;
  a = __builtin_scalbnl(a, -exponent);  // exact: [1/2, 1)
  b = __builtin_scalbnl(b, -exponent);
  const bool wasInexact = mathflag::InexactRaised();
  long double root, correction;
  {
    const NearestRounding nearest;
    const exact::Sum aa = exact::TwoProduct(a, a), bb = exact::TwoProduct(b, b);
    const long double sum = aa.hi + bb.hi;
    const long double sumLo = ((aa.hi - sum) + bb.hi) + (aa.lo + bb.lo);
    root = __builtin_sqrtl(sum);
    const exact::Sum rr = exact::TwoProduct(root, root);
    correction = (((sum - rr.hi) - rr.lo) + sumLo) / (2 * root);
  }
  if (correction == 0 && !wasInexact) mathflag::ForgetInexact();
  return __builtin_scalbnl(root + correction, exponent);
}

// ln x and ln(1 + x) by the x87's own logarithms.
long double Ln(long double x) {
  long double r;
  __asm__("fldln2\n\tfxch\n\tfyl2x" : "=t"(r) : "0"(x));
  return r;
}
long double Ln1p(long double x) {  // |x| < 1 - sqrt(1/2), fyl2xp1's domain
  long double r;
  __asm__("fldln2\n\tfxch\n\tfyl2xp1" : "=t"(r) : "0"(x));
  return r;
}
constexpr long double kLn2 = 0.6931471805599453094172321214581765680755L;

// 1 - x^2 for |x| <= 1, as (1 - |x|)(1 + |x|): the first factor is exact
// from 1/2 up, where the plain difference would lose the low bits. (A
// quiet comparison: a NaN raises nothing.)
long double OneMinusSquare(long double x) {
  const long double a = __builtin_fabsl(x);
  return __builtin_isless(a, 0.5L) ? 1.0L - a * a : (1.0L - a) * (1.0L + a);
}

}  // namespace
}  // namespace tblibc

extern "C" {

using tblibc::Narrow;

float tblibc_asinhf(float x) { return Narrow<float, ::asinhl>(x); }
// atanh's poles at -1 and 1 are no overflow.
float tblibc_atanhf(float x) {
  return __builtin_fabsf(x) == 1 ? tblibc::Round<float>(tblibc_atanhl(x))
                                  : Narrow<float, tblibc_atanhl>(x);
}
// From -18 down the Linux C library answers -1 at once, exact in every
// rounding mode.
float tblibc_expm1f(float x) {
  return __builtin_islessequal(x, -18.0f) ? -1.0f : Narrow<float, tblibc_expm1l>(x);
}
float tblibc_cbrtf(float x) { return Narrow<float, tblibc_cbrtl>(x); }
// From our own erfcl, the same on both ports.
float tblibc_erfcf(float x) { return Narrow<float, tblibc_erfcl>(x); }
float tblibc_hypotf(float x, float y) { return tblibc::Hypot(x, y); }

// exp as the x87 computes it, 2^(x log2 e) by f2xm1 and fscale in the
// caller's mode: the Linux C library's own way on i386, to the bit and the
// flag; one host's differs in one result of fifteen.
double tblibc_exp(double x) {
  if (__builtin_isinf(x)) return x > 0 ? x : 0.0;
  long double r;
  __asm__("fldl2e\n\tfmulp\n\tfld %%st(0)\n\tfrndint\n\tfsubr %%st, %%st(1)\n\t"
          "fxch\n\tf2xm1\n\tfld1\n\tfaddp\n\tfscale\n\tfstp %%st(1)"
          : "=t"(r)
          : "0"(static_cast<long double>(x)));
  return tblibc::Round<double>(r);
}
double tblibc_hypot(double x, double y) { return tblibc::Hypot(x, y); }
long double tblibc_hypotl(long double x, long double y) { return tblibc::HypotL(x, y); }
// acoshl by the x87's logarithms, near 1 from ln(1 + u) with the part
// beyond one kept exact, far out as ln x + ln 2 (x^2 would overflow):
// within about an ulp, where one host's was 30000 ulps off near 1.
long double tblibc_acoshl(long double x) {
  using namespace tblibc;
  if (__builtin_isless(x, 1.0L)) {
    const volatile long double zero = 0;
    return zero / zero;  // INVALID alone; the row makes it Linux's NaN
  }
  if (__builtin_isgreater(x, 0x1p32L)) return Ln(x) + kLn2;
  const long double t = x - 1;
  if (__builtin_isless(x, 2.0L)) {
    const long double u = t + __builtin_sqrtl(2 * t + t * t);
    return __builtin_isless(u, 0.25L) ? Ln1p(u) : Ln(1 + u);
  }
  return Ln(2 * x - 1 / (x + __builtin_sqrtl(x * x - 1)));
}

// Outside [-1, 1] the rows answer the domain error before these run.
// acosl factors 1 - x^2 throughout, as the Linux C library's does, to the
// bit; its asinl is computed otherwise, and one host's is 3.5 ulps off.
long double tblibc_asinl(long double x) {
  return tblibc::Fpatan(x, __builtin_sqrtl(tblibc::OneMinusSquare(x)));
}
double tblibc_asin(double x) { return tblibc::Round<double>(tblibc_asinl(x)); }
long double tblibc_acosl(long double x) {
  return tblibc::Fpatan(__builtin_sqrtl((1.0L - x) * (1.0L + x)), x);
}

}  // extern "C"
