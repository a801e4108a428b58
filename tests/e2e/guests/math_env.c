/* The floating-point state main starts with, the floating-point
   environment, classification, and the functions with more than one
   result (frexp, modf, remquo, sincos, lgamma's signgam). */
#define _GNU_SOURCE
#include <errno.h>
#include <fenv.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

static unsigned long long bits(double x)
{
    unsigned long long u;
    memcpy(&u, &x, 8);
    return u;
}

static volatile double one = 1.0, three = 3.0, zero = 0.0, huge = 1e308;

int main(void)
{
    unsigned short cw;
    unsigned mxcsr;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
    printf("start: x87 control word %#06x, mxcsr %#06x\n", cw, mxcsr & ~0x3fu);
    /* 64-bit precision shows in long double arithmetic. */
    volatile long double third = 1.0L / 3.0L;
    printf("1/3 in long double, low mantissa bits: %#x\n",
           (unsigned)(*(unsigned long long *)&third & 0xffff));

    static const int modes[] = {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO};
    static const char *names[] = {"nearest", "down", "up", "zero"};
    for (int i = 0; i < 4; i++) {
        int set = fesetround(modes[i]);
        double q = one / three;
        printf("round %-7s set %d get %#x 1/3=%016llx rint(2.5)=%g rint(-2.5)=%g "
               "nearbyint(-0.5)=%g lrint(3.5)=%ld llrint(-3.5)=%lld\n",
               names[i], set, fegetround(), bits(q), rint(2.5), rint(-2.5),
               nearbyint(-0.5), lrint(3.5), llrint(-3.5));
    }
    printf("fesetround(bad) %d, mode stays %#x\n", fesetround(0x123), fegetround());
    fesetround(FE_TONEAREST);

    feclearexcept(FE_ALL_EXCEPT);
    printf("clear: %#x\n", fetestexcept(FE_ALL_EXCEPT));
    volatile double r = one / zero;
    printf("1/0: %#x\n", fetestexcept(FE_ALL_EXCEPT));
    feclearexcept(FE_DIVBYZERO);
    r = huge * huge;
    printf("overflow: %#x\n", fetestexcept(FE_ALL_EXCEPT));
    feclearexcept(FE_ALL_EXCEPT);
    r = zero / zero;
    printf("0/0: %#x\n", fetestexcept(FE_ALL_EXCEPT));
    feclearexcept(FE_ALL_EXCEPT);
    feraiseexcept(FE_UNDERFLOW | FE_INEXACT);
    printf("raised: %#x, asked for invalid: %#x\n", fetestexcept(FE_ALL_EXCEPT),
           fetestexcept(FE_INVALID));
    fexcept_t flags;
    fegetexceptflag(&flags, FE_ALL_EXCEPT);
    feclearexcept(FE_ALL_EXCEPT);
    fesetexceptflag(&flags, FE_INEXACT);
    printf("flag restored (inexact only): %#x\n", fetestexcept(FE_ALL_EXCEPT));

    fenv_t env;
    feclearexcept(FE_ALL_EXCEPT);
    fesetround(FE_UPWARD);
    fegetenv(&env);
    fesetround(FE_DOWNWARD);
    fesetenv(&env);
    printf("fesetenv: mode %#x\n", fegetround());
    fesetenv(FE_DFL_ENV);
    printf("default env: mode %#x\n", fegetround());
    feraiseexcept(FE_OVERFLOW);
    feholdexcept(&env);
    printf("hold: %#x\n", fetestexcept(FE_ALL_EXCEPT));
    r = one / zero;
    feupdateenv(&env);
    printf("update: %#x\n", fetestexcept(FE_ALL_EXCEPT));
    (void)r;
    feclearexcept(FE_ALL_EXCEPT);
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    printf("control word after all that: %#06x\n", cw);

    static const double cls[] = {0.0, -0.0, 1.0, 5e-324, INFINITY, -INFINITY, NAN, -NAN};
    for (int i = 0; i < 8; i++) {
        double x = cls[i];
        float f = (float)x;
        long double l = x;
        printf("class %d: %d %d %d | isnan %d %d %d isinf %d %d %d finite %d %d %d "
               "signbit %d %d %d\n", i, __fpclassify(x), __fpclassifyf(f), __fpclassifyl(l),
               __isnan(x), __isnanf(f), __isnanl(l), __isinf(x), __isinff(f), __isinfl(l),
               __finite(x), __finitef(f), __finitel(l), __signbit(x) != 0,
               __signbitf(f) != 0, __signbitl(l) != 0);
    }
    printf("nan(\"\") %016llx nan(\"0x12\") %016llx nan(\"junk\") %016llx\n",
           bits(nan("")), bits(nan("0x12")), bits(nan("junk")));
    float nf = nanf("7");
    unsigned nfb;
    memcpy(&nfb, &nf, 4);
    printf("nanf(\"7\") %08x\n", nfb);

    int e;
    double ip;
    double m = frexp(48, &e);
    printf("frexp(48) %g %d\n", m, e);
    m = frexp(-0.0, &e);
    printf("frexp(-0) %g %d\n", m, e);
    m = frexp(5e-324, &e);
    printf("frexp(5e-324) %g %d\n", m, e);
    m = modf(-3.75, &ip);
    printf("modf(-3.75) %g %g\n", m, ip);
    m = modf(INFINITY, &ip);
    printf("modf(inf) %g %g\n", m, ip);
    int quo;
    double rq = remquo(29, 3, &quo);
    printf("remquo(29,3) %g %d\n", rq, quo);
    rq = remquo(-29, 3, &quo);
    printf("remquo(-29,3) %g %d\n", rq, quo);
    printf("lround(2.5) %ld lround(-2.5) %ld llround(1e15+0.5) %lld\n", lround(2.5),
           lround(-2.5), llround(1e15 + 0.5));
    printf("ldexp(1,10) %g scalbn(3,-1) %g scalbln(1,20) %g ilogb(1000) %d logb(1000) %g\n",
           ldexp(1, 10), scalbn(3, -1), scalbln(1, 20), ilogb(1000), logb(1000));
    errno = 0;
    int il = ilogb(0);
    printf("ilogb(0) %d errno %d\n", il, errno);
    printf("fma(2,3,4) %g fmin(nan,1) %g fmax(-0,0) sign %d fdim(5,3) %g copysign(1,-0) %g\n",
           fma(2, 3, 4), fmin(NAN, 1), signbit(fmax(-0.0, 0.0)) != 0, fdim(5, 3),
           copysign(1, -0.0));
    printf("nextafter(1,2) %016llx nexttoward(1,0) %016llx\n", bits(nextafter(1, 2)),
           bits(nexttoward(1, 0)));
    double s, c;
    sincos(1e22, &s, &c);
    printf("sincos(1e22) %016llx %016llx\n", bits(s), bits(c));
    sincos(0.5, &s, &c);
    printf("sincos(0.5) %016llx %016llx\n", bits(s), bits(c));

    static const double lg[] = {0.5, -0.5, -1.5, -2.5, 3, -0.0, 0.0, 1e-300, -1e-300};
    for (int i = 0; i < 9; i++) {
        int sign = 7;
        signgam = 7;
        errno = 0;
        double v = lgamma(lg[i]);
        int sg = signgam, er = errno;
        double w = lgamma_r(lg[i], &sign);
        printf("lgamma(%g) %.12g signgam %d errno %d lgamma_r %.12g sign %d\n",
               lg[i], v, sg, er, w, sign);
    }
    printf("exp10(2) %g exp10(-1) %016llx exp10(0.5) %016llx\n", exp10(2), bits(exp10(-1)),
           bits(exp10(0.5)));
    printf("jn(3, 2.5) %.12g yn(2, 1.5) %.12g\n", jn(3, 2.5), yn(2, 1.5));
    return 0;
}
