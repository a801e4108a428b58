#define _GNU_SOURCE
/* libm at its edges: zeros of both signs, infinities, NaN, subnormals,
   poles and domain errors, overflow and underflow, and a few calls in
   every rounding mode. One line per call: the call, the result's bits,
   errno, and the exception flags it raised (I invalid, Z divide by zero,
   O overflow, U underflow, X inexact); an integer result is of kind i. */
#include <errno.h>
#include <fenv.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

static void show(const char *what, int i, const void *p, int size, int integral)
{
    int f = fetestexcept(FE_ALL_EXCEPT), e = errno;
    unsigned long long lo = 0;
    unsigned short hi = 0;
    memcpy(&lo, p, size < 8 ? size : 8);
    if (size > 8) memcpy(&hi, (const char *)p + 8, 2);
    printf("%s %d %c:%04x%016llx e%d %c%c%c%c%c\n", what, i,
           integral ? 'i' : size == 4 ? 'f' : size == 8 ? 'd' : 'l', hi, lo, e,
           f & FE_INVALID ? 'I' : '-', f & FE_DIVBYZERO ? 'Z' : '-',
           f & FE_OVERFLOW ? 'O' : '-', f & FE_UNDERFLOW ? 'U' : '-',
           f & FE_INEXACT ? 'X' : '-');
}

#define CALL(what, i, type, expr)                                              \
    do {                                                                       \
        errno = 0;                                                             \
        feclearexcept(FE_ALL_EXCEPT);                                          \
        volatile type r_ = (expr);                                             \
        type v_ = r_;                                                          \
        show(what, i, &v_, sizeof(type) == 12 ? 10 : (int)sizeof(type),       \
             (type)0.5 == 0);                                                  \
    } while (0)

static const double args[] = {
    0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 2.0, -2.0, 1e-310, -1e-310,
    1e-300, 1e308, -1e308, 710.0, -746.0, 3e-20, INFINITY, -INFINITY, NAN,
};
#define NARGS (int)(sizeof args / sizeof args[0])

typedef double (*unary)(double);
static const struct { const char *name; unary f; } unaries[] = {
    {"asin", asin}, {"acos", acos}, {"atan", atan}, {"sinh", sinh},
    {"cosh", cosh}, {"tanh", tanh}, {"asinh", asinh}, {"acosh", acosh},
    {"atanh", atanh}, {"exp", exp}, {"exp2", exp2}, {"exp10", exp10},
    {"expm1", expm1}, {"log", log}, {"log10", log10}, {"log2", log2},
    {"log1p", log1p}, {"logb", logb}, {"sqrt", sqrt}, {"cbrt", cbrt},
    {"round", round}, {"trunc", trunc}, {"floor", floor}, {"ceil", ceil},
    {"rint", rint}, {"nearbyint", nearbyint}, {"erf", erf}, {"erfc", erfc},
    {"tgamma", tgamma}, {"lgamma", lgamma}, {"j0", j0}, {"j1", j1},
    {"y0", y0}, {"y1", y1}, {"sin", sin}, {"cos", cos}, {"tan", tan},
};

typedef double (*binary)(double, double);
static const struct { const char *name; binary f; } binaries[] = {
    {"pow", pow}, {"atan2", atan2}, {"hypot", hypot}, {"fmod", fmod},
    {"remainder", remainder}, {"fdim", fdim}, {"fmin", fmin},
    {"fmax", fmax}, {"nextafter", nextafter}, {"copysign", copysign},
};
static const double pairs[][2] = {
    {0.0, -1}, {-0.0, -1}, {-0.0, -2}, {0.0, -0.5}, {-1, 0.5}, {-8, 1.0 / 3},
    {1, 0.0}, {-1, 0.0}, {5, 0.0}, {INFINITY, 1}, {INFINITY, INFINITY},
    {-INFINITY, -INFINITY}, {1e300, 1e300}, {1e-300, 1e300}, {-10, 309},
    {-10, 310}, {10, -330}, {2, -1075}, {1e-310, 1e-310}, {0.0, 0.0},
    {-0.0, 0.0}, {NAN, 0.0}, {1, NAN}, {1.5, 1e-320}, {-1e-320, 0.0},
    {1.7976931348623157e308, INFINITY}, {-1, INFINITY}, {1, -INFINITY},
    {3, -4}, {NAN, -INFINITY}, {0.1, 0.3},
};
#define NPAIRS (int)(sizeof pairs / sizeof pairs[0])

typedef float (*unaryf)(float);
static const struct { const char *name; unaryf f; } unariesf[] = {
    {"logf", logf}, {"log2f", log2f}, {"log10f", log10f}, {"expf", expf},
    {"sqrtf", sqrtf}, {"acoshf", acoshf}, {"atanhf", atanhf},
    {"tgammaf", tgammaf}, {"lgammaf", lgammaf}, {"roundf", roundf},
    {"asinf", asinf},
};

typedef long double (*unaryl)(long double);
static const struct { const char *name; unaryl f; } unariesl[] = {
    {"logl", logl}, {"log2l", log2l}, {"log10l", log10l}, {"log1pl", log1pl},
    {"expl", expl}, {"sqrtl", sqrtl}, {"acoshl", acoshl}, {"atanhl", atanhl},
    {"tgammal", tgammal}, {"lgammal", lgammal}, {"roundl", roundl},
    {"asinl", asinl}, {"exp10l", exp10l}, {"erfcl", erfcl}, {"tanl", tanl},
    {"erfl", erfl}, {"cbrtl", cbrtl},
};

int main(void)
{
    int i, k, m;
    for (k = 0; k < (int)(sizeof unaries / sizeof unaries[0]); k++)
        for (i = 0; i < NARGS; i++)
            CALL(unaries[k].name, i, double, unaries[k].f(args[i]));
    for (k = 0; k < (int)(sizeof binaries / sizeof binaries[0]); k++)
        for (i = 0; i < NPAIRS; i++)
            CALL(binaries[k].name, i, double, binaries[k].f(pairs[i][0], pairs[i][1]));
    for (k = 0; k < (int)(sizeof unariesf / sizeof unariesf[0]); k++)
        for (i = 0; i < NARGS; i++)
            CALL(unariesf[k].name, i, float, unariesf[k].f((float)args[i]));
    for (k = 0; k < (int)(sizeof unariesl / sizeof unariesl[0]); k++)
        for (i = 0; i < NARGS; i++)
            CALL(unariesl[k].name, i, long double, unariesl[k].f(args[i]));
    for (i = 0; i < NPAIRS; i++) {
        CALL("powf", i, float, powf((float)pairs[i][0], (float)pairs[i][1]));
        CALL("powl", i, long double, powl(pairs[i][0], pairs[i][1]));
        CALL("fmodl", i, long double, fmodl(pairs[i][0], pairs[i][1]));
        CALL("fmal", i, long double, fmal(pairs[i][0], pairs[i][1], -1.0L));
        CALL("nextafterl", i, long double, nextafterl(pairs[i][0], pairs[i][1]));
        CALL("hypotl", i, long double, hypotl(pairs[i][0], pairs[i][1]));
        CALL("hypotf", i, float, hypotf((float)pairs[i][0], (float)pairs[i][1]));
    }
    /* Long double powers, exponentials and Gamma where a double's precision
       shows: huge and tiny results, large exponents, exact powers. */
    {
        static volatile long double px[] = {10, 2, 1 + 0x1p-63L, -1.5L, 0.999L, 3, 4, -3, 1.1L, 257, 7};
        static volatile long double py[] = {4931.5L, -16444.5L, 0x1p70L, 999, 1e7L, 40, 0.5L, 39, -3, 8, 23};
        static volatile long double gx[] = {1755.5L, 1755.45L, -1769.5L, -2.5L, 30.5L, 0x1p-80L, -40.25L, 3.5L};
        static volatile long double ex[] = {4931.9L, -4940.5L, 0.5L, -11400.5L, 11356.5L, -200, 0.3L, 1e-5L};
        for (i = 0; i < (int)(sizeof px / sizeof px[0]); i++)
            CALL("powl/h", i, long double, powl(px[i], py[i]));
        static volatile long double lx[] = {-2.5L, -3.5L, -2.4570247L, 1.5L, -0.0L, -40.25L, 1e4000L, 1.00001L};
        for (i = 0; i < (int)(sizeof gx / sizeof gx[0]); i++)
            CALL("tgammal/h", i, long double, tgammal(gx[i]));
        for (i = 0; i < (int)(sizeof lx / sizeof lx[0]); i++) {
            signgam = 7;
            CALL("lgammal/h", i, long double, lgammal(lx[i]));
            printf("signgam %d\n", signgam);
        }
        for (i = 0; i < (int)(sizeof ex / sizeof ex[0]); i++) {
            CALL("exp10l/h", i, long double, exp10l(ex[i] / 2.3L));
            CALL("expl/h", i, long double, expl(ex[i]));
            CALL("expm1l/h", i, long double, expm1l(ex[i] / 250));
            CALL("tanhl/h", i, long double, tanhl(ex[i] / 100));
        }
    }

    for (i = 0; i < NARGS; i++) {
        int q = 0, ex = 0;
        CALL("lrint", i, long, lrint(args[i]));
        CALL("lround", i, long, lround(args[i]));
        CALL("llrint", i, long long, llrint(args[i]));
        CALL("llround", i, long long, llround(args[i]));
        CALL("ilogb", i, int, ilogb(args[i]));
        CALL("ldexp", i, double, ldexp(args[i], 1100));
        CALL("scalbn", i, double, scalbn(args[i], -1100));
        CALL("frexp", i, double, frexp(args[i], &ex));
        CALL("remquo", i, double, remquo(args[i], 0.0, &q));
        CALL("fmaf", i, float, fmaf((float)args[i], 3.0f, 1.0f));
        CALL("fma", i, double, fma(args[i], args[i], -1.0));
        CALL("coshf", i, float, coshf((float)args[i]));
        CALL("log1pf", i, float, log1pf((float)args[i]));
        CALL("expm1l", i, long double, expm1l(args[i]));
        CALL("yn", i, double, yn(2, args[i]));
        CALL("jn", i, double, jn(-3, args[i]));
        CALL("ynf", i, float, ynf(-3, (float)args[i]));
        CALL("jnl", i, long double, jnl(5, args[i]));
    }

    static const int modes[] = {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO};
    for (m = 0; m < 4; m++) {
        static volatile double x[] = {-0.4, 0.4, -3.0, 3.0, 1.0, 2.5, -2.5, 1e-320};
        char name[32];
        double ip;
        fesetround(modes[m]);
        for (i = 0; i < (int)(sizeof x / sizeof x[0]); i++) {
            snprintf(name, sizeof name, "round/%d", m);
            CALL(name, i, double, round(x[i]));
            snprintf(name, sizeof name, "modf/%d", m);
            CALL(name, i, double, modf(x[i], &ip));
            snprintf(name, sizeof name, "log/%d", m);
            CALL(name, i, double, log(x[i]));
            snprintf(name, sizeof name, "exp/%d", m);
            CALL(name, i, double, exp(x[i]));
            snprintf(name, sizeof name, "sqrt/%d", m);
            CALL(name, i, double, sqrt(x[i]));
            snprintf(name, sizeof name, "fdim/%d", m);
            CALL(name, i, double, fdim(x[i], x[i]));
            snprintf(name, sizeof name, "fma/%d", m);
            CALL(name, i, double, fma(x[i], 1.0, -x[i]));
            snprintf(name, sizeof name, "fmal/%d", m);
            CALL(name, i, long double, fmal(x[i], 0x1.5555555555555556p-2L, x[i] * 0x1p-66L));
            CALL(name, i + 8, long double, fmal(x[i], 0x1.0000000000000002p-16382L, -0x1p-16385L * x[i]));
            snprintf(name, sizeof name, "rint/%d", m);
            CALL(name, i, double, rint(x[i]));
            snprintf(name, sizeof name, "fmod/%d", m);
            CALL(name, i, double, fmod(x[i], 1.0));
        }
        /* Overflow and underflow rounded in this mode: the largest finite
           number or the least subnormal one instead of inf or 0. */
        snprintf(name, sizeof name, "expf/%d", m);
        CALL(name, 0, float, expf(100.0f));
        CALL(name, 1, float, expf(-110.0f));
        CALL(name, 2, float, expf(3.4e38f));
        snprintf(name, sizeof name, "exp2f/%d", m);
        CALL(name, 0, float, exp2f(-160.0f));
        snprintf(name, sizeof name, "exp/%d", m);
        CALL(name, 20, double, exp(1000.0));
        CALL(name, 21, double, exp(-1000.0));
        snprintf(name, sizeof name, "erfc/%d", m);
        CALL(name, 0, double, erfc(30.0));
        snprintf(name, sizeof name, "tgamma/%d", m);
        CALL(name, 0, double, tgamma(200.0));
        CALL(name, 1, float, tgammaf(40.0f));
        /* A long reduction of the argument, in every mode. */
        snprintf(name, sizeof name, "sin/%d", m);
        CALL(name, 0, double, sin(1e22));
        snprintf(name, sizeof name, "tan/%d", m);
        CALL(name, 0, double, tan(1e300));
        snprintf(name, sizeof name, "cosl/%d", m);
        CALL(name, 0, long double, cosl(12345.678L));
        {
            static volatile long double l[] = {1755.5L, 1760, -1790.5L, 10, 4933, 2.5L,
                                               -12400.5L, 9, 0.5L, -3, 39, 0.3L};
            snprintf(name, sizeof name, "tgammal/%d", m);
            CALL(name, 0, long double, tgammal(l[0]));
            CALL(name, 1, long double, tgammal(l[1]));
            CALL(name, 2, long double, tgammal(l[2]));
            snprintf(name, sizeof name, "powl/%d", m);
            CALL(name, 0, long double, powl(l[3], l[4]));
            CALL(name, 1, long double, powl(l[5], l[6]));
            CALL(name, 2, long double, powl(l[7], l[8]));
            CALL(name, 3, long double, powl(l[9], l[10]));
            CALL(name, 4, long double, powl(l[11], l[5]));
            snprintf(name, sizeof name, "exp10l/%d", m);
            CALL(name, 0, long double, exp10l(l[4]));
            CALL(name, 1, long double, exp10l(l[11]));
            snprintf(name, sizeof name, "expm1l/%d", m);
            CALL(name, 0, long double, expm1l(l[11]));
            CALL(name, 1, long double, expm1l(-l[4] / 50));
        }
        snprintf(name, sizeof name, "nextafter/%d", m);
        CALL(name, 0, double, nextafter(1.7976931348623157e308, INFINITY));
        /* Poles, and next to the zeros of lgamma below -2, where the
           result is a sliver of its terms. */
        static volatile double gs[] = {0.0, -0.0, -0.5, -2.5, -2.4570247382208006,
                                       -2.7476826467274136, -3.1435808883499807,
                                       -4.0393618397405371};
        for (i = 0; i < (int)(sizeof gs / sizeof gs[0]); i++) {
            volatile double g = gs[i];
            signgam = 7;
            snprintf(name, sizeof name, "lgamma/%d", m);
            CALL(name, i, double, lgamma(g));
            printf("signgam %d\n", signgam);
        }
    }
    fesetround(FE_TONEAREST);
    return 0;
}
