#define _GNU_SOURCE
/* libm over a table of arguments, hard cases among them: signed zeros,
   infinities, NaN, subnormals, huge arguments of the trigonometric
   functions, the edges of exp and pow. One line per call: the function,
   the argument's index, the result's bits, a rounded decimal, errno. */
#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

static const double args[] = {
    0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 2.0, 3.0, 10.0, 0.1, 0.75, 1.5,
    -2.5, 100.0, 710.0, -745.5, 1e10, 1e22, 1e300, -1e300, 5e-324,
    2.2250738585072014e-308, 1e-310, 3.141592653589793, 1.5707963267948966,
    0.7853981633974483, 6.283185307179586, 1e-8, 20.5, -40.0, 0.9999999,
    1.0000001, 4.5e15, 1.7976931348623157e308, 12345.678, 0.693147180559945,
};
#define NARGS (int)(sizeof args / sizeof args[0])

typedef double (*unary)(double);
static const struct { const char *name; unary f; } unaries[] = {
    {"sin", sin}, {"cos", cos}, {"tan", tan}, {"asin", asin}, {"acos", acos},
    {"atan", atan}, {"sinh", sinh}, {"cosh", cosh}, {"tanh", tanh},
    {"asinh", asinh}, {"acosh", acosh}, {"atanh", atanh}, {"exp", exp},
    {"exp2", exp2}, {"exp10", exp10}, {"expm1", expm1}, {"log", log},
    {"log10", log10}, {"log2", log2}, {"log1p", log1p}, {"sqrt", sqrt},
    {"cbrt", cbrt}, {"floor", floor}, {"ceil", ceil}, {"round", round},
    {"trunc", trunc}, {"rint", rint}, {"nearbyint", nearbyint},
    {"fabs", fabs}, {"erf", erf}, {"erfc", erfc}, {"tgamma", tgamma},
    {"lgamma", lgamma}, {"logb", logb}, {"j0", j0}, {"j1", j1}, {"y0", y0},
    {"y1", y1},
};

typedef double (*binary)(double, double);
static const struct { const char *name; binary f; } binaries[] = {
    {"pow", pow}, {"atan2", atan2}, {"hypot", hypot}, {"fmod", fmod},
    {"remainder", remainder}, {"fmin", fmin}, {"fmax", fmax},
    {"fdim", fdim}, {"copysign", copysign}, {"nextafter", nextafter},
};
/* Pairs for the binary functions: the edges of pow among them. */
static const double pairs[][2] = {
    {2, 10}, {2, 0.5}, {-2, 3}, {-2, 0.5}, {0.0, -1}, {-0.0, -1}, {-0.0, -2},
    {0.0, 0.0}, {1, NAN}, {NAN, 0}, {-1, INFINITY}, {-1, -INFINITY},
    {0.5, INFINITY}, {2, -INFINITY}, {INFINITY, -0.5}, {-INFINITY, 3},
    {-INFINITY, -3}, {10, 308}, {10, 309}, {10, -330}, {1.0000001, 1e10},
    {3, 4}, {1e300, 1e300}, {5e-324, 5e-324}, {7.5, 2}, {-7.5, 2}, {7.5, 0},
    {INFINITY, 2}, {1e22, 3.5}, {-0.0, 0.0}, {0.0, -0.0}, {1, 1e-310},
    {2.5, -2.5}, {1.5, 1.5},
};
#define NPAIRS (int)(sizeof pairs / sizeof pairs[0])

typedef float (*unaryf)(float);
static const struct { const char *name; unaryf f; } unariesf[] = {
    {"sinf", sinf}, {"cosf", cosf}, {"tanf", tanf}, {"expf", expf},
    {"logf", logf}, {"sqrtf", sqrtf}, {"atanf", atanf}, {"exp2f", exp2f},
    {"log2f", log2f}, {"log10f", log10f}, {"cbrtf", cbrtf},
    {"floorf", floorf}, {"roundf", roundf}, {"tanhf", tanhf}, {"expm1f", expm1f},
    {"asinhf", asinhf}, {"atanhf", atanhf}, {"erfcf", erfcf},
    {"j0f", j0f}, {"j1f", j1f}, {"y0f", y0f}, {"y1f", y1f},
};

typedef long double (*unaryl)(long double);
static const struct { const char *name; unaryl f; } unariesl[] = {
    {"sinl", sinl}, {"cosl", cosl}, {"tanl", tanl}, {"expl", expl},
    {"logl", logl}, {"sqrtl", sqrtl}, {"atanl", atanl}, {"exp2l", exp2l},
    {"log2l", log2l}, {"log10l", log10l}, {"cbrtl", cbrtl},
    {"floorl", floorl}, {"roundl", roundl}, {"tanhl", tanhl},
    {"expm1l", expm1l}, {"log1pl", log1pl}, {"atanhl", atanhl}, {"acoshl", acoshl}, {"acosl", acosl}, {"j0l", j0l},
    {"j1l", j1l}, {"y0l", y0l}, {"y1l", y1l},
};

static void show_d(const char *name, int i, double r)
{
    unsigned long long u;
    memcpy(&u, &r, 8);
    printf("%s %d d:%016llx %.6g e%d\n", name, i, u, r, errno);
}

static void show_f(const char *name, int i, float r)
{
    unsigned u;
    memcpy(&u, &r, 4);
    printf("%s %d f:%08x %.6g e%d\n", name, i, u, (double)r, errno);
}

static void show_l(const char *name, int i, long double r)
{
    unsigned long long m;
    unsigned short se;
    memcpy(&m, &r, 8);
    memcpy(&se, (char *)&r + 8, 2);
    printf("%s %d l:%04x%016llx %.6g e%d\n", name, i, se, m, (double)r, errno);
}

int main(void)
{
    int i, k;
    for (k = 0; k < (int)(sizeof unaries / sizeof unaries[0]); k++)
        for (i = 0; i < NARGS + 3; i++) {
            double x = i < NARGS ? args[i] : i == NARGS ? INFINITY
                     : i == NARGS + 1 ? -INFINITY : NAN;
            errno = 0;
            show_d(unaries[k].name, i, unaries[k].f(x));
        }
    for (k = 0; k < (int)(sizeof binaries / sizeof binaries[0]); k++)
        for (i = 0; i < NPAIRS; i++) {
            errno = 0;
            show_d(binaries[k].name, i, binaries[k].f(pairs[i][0], pairs[i][1]));
        }
    for (k = 0; k < (int)(sizeof unariesf / sizeof unariesf[0]); k++)
        for (i = 0; i < NARGS; i++) {
            errno = 0;
            show_f(unariesf[k].name, i, unariesf[k].f((float)args[i]));
        }
    for (k = 0; k < (int)(sizeof unariesl / sizeof unariesl[0]); k++)
        for (i = 0; i < NARGS; i++) {
            errno = 0;
            show_l(unariesl[k].name, i, unariesl[k].f(args[i]));
        }
    for (i = 0; i < NPAIRS; i++) {
        errno = 0;
        show_f("powf", i, powf((float)pairs[i][0], (float)pairs[i][1]));
        errno = 0;
        show_l("powl", i, powl(pairs[i][0], pairs[i][1]));
        errno = 0;
        show_l("fmodl", i, fmodl(pairs[i][0], pairs[i][1]));
    }
    return 0;
}
