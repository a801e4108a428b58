/* libm over many arguments for scripts/libm-accuracy: one line per call,
   "name index bits flags", in the rounding mode given as argv[1] (n, z,
   u, d); the flags are the exceptions the call raised, as "IZOUX" letters
   (invalid, divide-by-zero, overflow, underflow, inexact) or '-'.
   The arguments come from a fixed-seed generator over each function's
   range, half of them spread by magnitude, with the hard values of the
   function's range among them. */
#define _GNU_SOURCE
#include <fenv.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint64_t state = 0x9E3779B97F4A7C15ull;
static double uniform(void) /* [0, 1) */
{
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (double)(state >> 11) * 0x1p-53;
}
/* Half linear over [lo, hi], half spread over 60 binades below the range's
   top, of either sign the range allows; by plain arithmetic alone, so that
   every run calls the functions with the same arguments. */
static long double pick(long double lo, long double hi)
{
    if (uniform() < 0.5) return lo + (hi - lo) * (long double)uniform();
    long double x = -lo > hi ? -lo : hi;
    for (int k = (int)(uniform() * 60); k > 0; k--) x *= 0.5L;
    x *= 0.5L + 0.5L * (long double)uniform();
    if (lo < 0 && (hi <= 0 || uniform() < 0.5)) x = -x;
    return x < lo ? lo : x > hi ? hi : x;
}

#define D1(f, lo, hi) {#f, 'd', 1, (void (*)(void))f, lo, hi}
#define F1(f, lo, hi) {#f, 'f', 1, (void (*)(void))f, lo, hi}
#define L1(f, lo, hi) {#f, 'l', 1, (void (*)(void))f, lo, hi}
#define D2(f, lo, hi) {#f, 'd', 2, (void (*)(void))f, lo, hi}
#define F2(f, lo, hi) {#f, 'f', 2, (void (*)(void))f, lo, hi}
#define L2(f, lo, hi) {#f, 'l', 2, (void (*)(void))f, lo, hi}
#define ALL1(g, lo, hi) D1(g, lo, hi), F1(g##f, lo, hi), L1(g##l, lo, hi)
#define ALL2(g, lo, hi) D2(g, lo, hi), F2(g##f, lo, hi), L2(g##l, lo, hi)

static const struct {
    const char *name;
    char kind;
    int arity;
    void (*f)(void);
    long double lo, hi;
} table[] = {
    ALL1(sin, -1e4, 1e4), ALL1(cos, -1e4, 1e4), ALL1(tan, -1e4, 1e4),
    ALL1(asin, -1, 1), ALL1(acos, -1, 1), ALL1(atan, -1e6, 1e6),
    ALL1(sinh, -720, 720), ALL1(cosh, -720, 720), ALL1(tanh, -30, 30),
    ALL1(asinh, -1e10, 1e10), ALL1(acosh, 1, 1e10), ALL1(atanh, -1, 1),
    ALL1(exp, -750, 710), ALL1(exp2, -1080, 1024), ALL1(exp10, -330, 308),
    ALL1(expm1, -50, 710), ALL1(log, 0, 1e300), ALL1(log2, 0, 1e300),
    ALL1(log10, 0, 1e300), ALL1(log1p, -1, 1e10), ALL1(cbrt, -1e300, 1e300),
    ALL1(erf, -6, 6), ALL1(erfc, -6, 28), ALL1(tgamma, -180, 172),
    ALL1(lgamma, -180, 1e6), ALL1(j0, -200, 200), ALL1(j1, -200, 200),
    ALL1(y0, 0, 200), ALL1(y1, 0, 200), ALL1(sqrt, 0, 1e300),
    ALL2(pow, -30, 30), ALL2(atan2, -10, 10), ALL2(hypot, -1e10, 1e10),
    ALL2(fmod, -1e6, 1e6), ALL2(remainder, -1e6, 1e6),
};
#define COUNT (int)(sizeof table / sizeof table[0])

static void show(const char *name, int i, char kind, long double r, int raised)
{
    static const int bits[] = {FE_INVALID, FE_DIVBYZERO, FE_OVERFLOW, FE_UNDERFLOW, FE_INEXACT};
    char flags[6];
    for (int b = 0; b < 5; b++) flags[b] = raised & bits[b] ? "IZOUX"[b] : '-';
    flags[5] = '\0';
    if (kind == 'd') {
        double d = (double)r;
        uint64_t u;
        memcpy(&u, &d, 8);
        printf("%s %d d:%016llx %s\n", name, i, (unsigned long long)u, flags);
    } else if (kind == 'f') {
        float f = (float)r;
        uint32_t u;
        memcpy(&u, &f, 4);
        printf("%s %d f:%08x %s\n", name, i, u, flags);
    } else {
        uint64_t m;
        uint16_t se;
        memcpy(&m, &r, 8);
        memcpy(&se, (char *)&r + 8, 2);
        printf("%s %d l:%04x%016llx %s\n", name, i, se, (unsigned long long)m, flags);
    }
}

int main(int argc, char **argv)
{
    int n = argc > 2 ? atoi(argv[2]) : 1000;
    static const int modes[] = {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD};
    const char *which = argc > 1 ? argv[1] : "n";
    int mode = modes[strchr("nzud", which[0]) ? strchr("nzud", which[0]) - "nzud" : 0];
    const char *only = argc > 3 ? argv[3] : NULL;
    for (int k = 0; k < COUNT; k++) {
        state = 0x9E3779B97F4A7C15ull + (uint64_t)k * 7919;
        if (only != NULL && strcmp(only, table[k].name) != 0) continue;
        for (int i = 0; i < n; i++) {
            long double x = pick(table[k].lo, table[k].hi);
            long double y = table[k].arity == 2 ? pick(table[k].lo, table[k].hi) : 0;
            if (table[k].arity == 2 && strncmp(table[k].name, "pow", 3) == 0 && x < 0)
                y = (long double)(long long)y; /* a negative base wants an integral power */
            /* Stored in the call's rounding mode: a result may come back
               in the x87 register with more precision than its type. */
            volatile double d = 0;
            volatile float f = 0;
            volatile long double r = 0;
            fesetround(mode);
            feclearexcept(FE_ALL_EXCEPT);
            switch (table[k].kind * 2 + table[k].arity) {
            case 'd' * 2 + 1: d = ((double (*)(double))table[k].f)((double)x); break;
            case 'f' * 2 + 1: f = ((float (*)(float))table[k].f)((float)x); break;
            case 'l' * 2 + 1: r = ((long double (*)(long double))table[k].f)(x); break;
            case 'd' * 2 + 2: d = ((double (*)(double, double))table[k].f)((double)x, (double)y); break;
            case 'f' * 2 + 2: f = ((float (*)(float, float))table[k].f)((float)x, (float)y); break;
            default: r = ((long double (*)(long double, long double))table[k].f)(x, y); break;
            }
            int raised = fetestexcept(FE_ALL_EXCEPT);
            fesetround(FE_TONEAREST);
            show(table[k].name, i, table[k].kind,
                 table[k].kind == 'd' ? d : table[k].kind == 'f' ? f : r, raised);
        }
    }
    return 0;
}
