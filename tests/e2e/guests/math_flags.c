/* The exception flags a call leaves at the infinities, where a wrapper that
 * tests its argument or result by arithmetic would raise INVALID. */
#include <fenv.h>
#include <math.h>
#include <stdio.h>

#define T(e)                                                                   \
  do {                                                                         \
    feclearexcept(FE_ALL_EXCEPT);                                              \
    volatile double r = (e);                                                   \
    int f = fetestexcept(FE_ALL_EXCEPT);                                       \
    printf("%-18s %-5g inv%d dz%d of%d uf%d\n", #e, (double)r, !!(f & FE_INVALID), \
           !!(f & FE_DIVBYZERO), !!(f & FE_OVERFLOW), !!(f & FE_UNDERFLOW));   \
  } while (0)

int main(void) {
  volatile double inf = INFINITY, ninf = -INFINITY;
  volatile float inff = INFINITY;
  volatile long double infl = INFINITY;
  T(exp(inf)); T(exp(ninf)); T(log(inf)); T(atan(inf)); T(tanh(inf)); T(sinh(inf));
  T(cosh(ninf)); T(tgamma(inf)); T(j1(inf)); T(j0(ninf)); T(cbrt(inf)); T(expm1(ninf));
  T(log1p(inf)); T(pow(inf, 2.0)); T(hypot(inf, 1.0)); T(atan2(inf, inf)); T(erf(inf));
  T(erfc(ninf)); T(lgamma(inf)); T(exp2(inf)); T(nextafter(inf, 0)); T(fmod(1.0, inf));
  T(expf(inff)); T(logf(inff)); T(expl(infl)); T(logl(infl)); T(sqrt(inf));
  return 0;
}
