/* The printf conversions as the Linux C library prints them: pointers,
   null strings, errno texts, wide characters, positional arguments, the
   alternative forms of zero, NaN's sign in every float conversion, and
   every integer length and float kind under widths, precisions and flags. */
#include <errno.h>
#include <fcntl.h>
#include <float.h>
#include <math.h>
#include <stdint.h>
#include <stddef.h>
#include <stdio.h>
#include <wchar.h>

static const char *const int_formats[] = {
    "%d", "%5d", "%-5d|", "%05d", "%+d", "% d", "%.3d", "%8.3d", "%-+8.3d|",
    "%x", "%#x", "%#10X", "%#010x", "%o", "%#o", "%#.0o", "%u", "%.0d",
};

static const char *const float_formats[] = {
    "%f", "%.0f", "%#.0f", "%.3f", "%12.4f", "%-12.2f|", "%+f", "% .2f", "%012.3f",
    "%e", "%.0e", "%#.0e", "%.3E", "%+15.6e", "%g", "%.0g", "%#g", "%.17g",
    "%G", "%-12g|", "%a", "%A", "%.0a", "%.3a", "%+020a", "%#a",
};

static const double doubles[] = {
    0.0, -0.0, 1.0, -1.5, 0.1, 2.0 / 3, 0.5, 1.5, 2.5, 1e-5, 123456.789,
    1e22, 1e300, 1.7976931348623157e308, 2.2250738585072014e-308,
    4.9406564584124654e-324, 1.1125369292536007e-308, 9.5, 999999.5,
};

static const long double long_doubles[] = {
    0.0L, -0.0L, 1.0L, 0.1L, 1.0L / 3, 3.14159265358979323846L, 1e-5L,
    1e4000L, 1.18973149535723176502e+4932L, 3.36210314311209350626e-4932L,
    3.64519953188247460253e-4951L, 1e-4940L,
};

int main(void)
{
    char fmt[64];
    size_t i, j;

    printf("[%p] [%p] [%10p] [%-10p|] [%s] [%.3s] [%8s]\n", (void *)0x1234,
           (void *)0, (void *)0, (void *)0xdeadbeef, (char *)0, (char *)0,
           (char *)0);

    errno = 0;
    if (open("/nonexistent/dir/file", O_RDONLY) < 0)
        printf("open: %m (errno %d)\n", errno);
    errno = 0;
    printf("none: [%m]\n");

    printf("[%ls] [%5ls] [%-6ls|] [%.2ls] [%lc] [%3lc] [%ls]\n", L"wide",
           L"ab", L"cd", L"efgh", (wint_t)L'z', (wint_t)L'y', (wchar_t *)0);

    printf("[%2$s %1$d] [%3$*1$d] [%1$d %1$x] [%4$.*1$f] [%2$.1s]\n", 5,
           "second", 42, 3.14159265);
    printf("[%#.0o] [%#.0x] [%#o] [%#x] [%.0d] [%#5.0o]\n", 0, 0, 0, 0, 0, 0);

    printf("[%f] [%e] [%g] [%a] [%F] [%E] [%G] [%A]\n", -NAN, -NAN, -NAN,
           -NAN, -NAN, -NAN, -NAN, -NAN);
    printf("[%Lf] [%Le] [%Lg] [%La] [%LF] [%LE] [%LG] [%LA]\n",
           -(long double)NAN, -(long double)NAN, -(long double)NAN,
           -(long double)NAN, -(long double)NAN, -(long double)NAN,
           -(long double)NAN, -(long double)NAN);
    printf("[%f] [%+e] [% g] [%8a] [%-8F|] [%08E]\n", INFINITY, INFINITY,
           -INFINITY, NAN, INFINITY, -INFINITY);

    for (i = 0; i < sizeof int_formats / sizeof *int_formats; i++) {
        const char *f = int_formats[i];
        char conv = f[0] ? f[1] : 0;
        size_t n = 0;
        while (f[n]) n++;
        conv = f[n - 1] == '|' ? f[n - 2] : f[n - 1];
        printf("%-10s", f);
        /* The same width, precision and flags under each length. */
        snprintf(fmt, sizeof fmt, "%.*s", (int)(n - (f[n - 1] == '|' ? 2 : 1)), f);
        {
            char hh[64], h[64], l[64], ll[64], j[64], z[64], t[64];
            snprintf(hh, sizeof hh, " %shh%c", fmt, conv);
            snprintf(h, sizeof h, " %sh%c", fmt, conv);
            snprintf(l, sizeof l, " %sl%c", fmt, conv);
            snprintf(ll, sizeof ll, " %sll%c", fmt, conv);
            snprintf(j, sizeof j, " %sj%c", fmt, conv);
            snprintf(z, sizeof z, " %sz%c", fmt, conv);
            snprintf(t, sizeof t, " %st%c", fmt, conv);
            printf(f, 0); printf(f, -1); printf(f, 2147483647); printf(f, 1234);
            printf(hh, 300); printf(hh, -128); printf(h, 70000); printf(h, -32768);
            printf(l, -123456789L); printf(ll, -9223372036854775807LL - 1);
            printf(ll, 18446744073709551615ULL); printf(j, (intmax_t)42);
            printf(z, (size_t)4000000000u); printf(t, (ptrdiff_t)-7);
        }
        printf("\n");
    }

    for (i = 0; i < sizeof float_formats / sizeof *float_formats; i++) {
        const char *f = float_formats[i];
        size_t n = 0;
        while (f[n]) n++;
        printf("%-9s", f);
        for (j = 0; j < sizeof doubles / sizeof *doubles; j++) {
            printf(" ");
            printf(f, doubles[j]);
        }
        printf("\n%-9s", f);
        /* The long double form: L before the conversion. */
        snprintf(fmt, sizeof fmt, "%.*sL%s", (int)(n - (f[n - 1] == '|' ? 2 : 1)), f,
                 f + n - (f[n - 1] == '|' ? 2 : 1));
        for (j = 0; j < sizeof long_doubles / sizeof *long_doubles; j++) {
            if (f[1] == 'f' || f[n - 1] == 'f' || (f[n - 2] == 'f' && f[n - 1] == '|'))
                if (long_doubles[j] > 1e30L || long_doubles[j] < -1e30L) continue;
            printf(" ");
            printf(fmt, long_doubles[j]);
        }
        printf("\n");
    }
    /* Every exact digit of the extremes. */
    printf("%.1100f\n%.770e\n%Lf\n%.16445Lf\n", 4.9406564584124654e-324,
           4.9406564584124654e-324, LDBL_MAX, 3.64519953188247460253e-4951L);
    return 0;
}
