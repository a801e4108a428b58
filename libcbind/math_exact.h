// The building blocks of the libm kernels that carry a value as the sum of
// two long doubles (math_*.cpp, trig.cpp).
#pragma once

// Exact sums and products of long doubles, for the kernels that keep a
// value as the sum of two. Rounding to nearest,
// s + e is a + b exactly and p + e is a * b exactly: multiplying by
// 2^32 + 1 splits a factor into halves of 32 bits, which multiply exactly
// in 64 (in a directed mode the error terms are close, not exact, which
// moves a result by far less than an ulp; the factors here are far from
// overflowing). Always inlined: a long double passed between functions
// goes through memory.
namespace tblibc::exact {
#define EXACT_INLINE inline __attribute__((always_inline))
EXACT_INLINE void TwoSum(long double a, long double b, long double* s, long double* e) {
  *s = a + b;
  const long double bb = *s - a;
  *e = (a - (*s - bb)) + (b - bb);
}
EXACT_INLINE void FastTwoSum(long double a, long double b, long double* s, long double* e) {
  *s = a + b;  // |a| >= |b|
  *e = b - (*s - a);
}
EXACT_INLINE void Split(long double a, long double* hi, long double* lo) {
  const long double c = a * 4294967297.0L;  // 2^32 + 1
  *hi = c - (c - a);
  *lo = a - *hi;
}
EXACT_INLINE void TwoProduct(long double a, long double b, long double* p, long double* e) {
  long double ah, al, bh, bl;
  Split(a, &ah, &al);
  Split(b, &bh, &bl);
  *p = a * b;
  *e = ((ah * bh - *p) + ah * bl + al * bh) + al * bl;
}
// The same, answering a pair.
struct Sum {
  long double hi, lo;
};
EXACT_INLINE Sum TwoSum(long double a, long double b) {
  Sum r;
  TwoSum(a, b, &r.hi, &r.lo);
  return r;
}
EXACT_INLINE Sum FastTwoSum(long double a, long double b) {
  Sum r;
  FastTwoSum(a, b, &r.hi, &r.lo);
  return r;
}
EXACT_INLINE Sum TwoProduct(long double a, long double b) {
  Sum r;
  TwoProduct(a, b, &r.hi, &r.lo);
  return r;
}
#undef EXACT_INLINE
}  // namespace tblibc::exact
