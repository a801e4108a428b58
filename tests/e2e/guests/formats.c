/* The printf family with the Linux C library's formats, to a stream, to a
   buffer, and through a va_list. */
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

static void viaList(FILE *f, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    vfprintf(f, format, ap);
    va_end(ap);
}

int main(void)
{
    char buf[16];
    int n;
    size_t z = 4000000000u;
    long long big = -9000000000123LL;
    unsigned long long ubig = 18446744073709551615ULL;
    signed char c = -5;
    long double ld = 3.14159265358979323846L;

    printf("[%d] [%5d] [%-5d] [%05d] [%+d] [%x] [%X] [%#o] [%u]\n",
           42, 42, 42, 42, 42, 255, 255, 8, 4294967295u);
    printf("[%zu] [%lld] [%llu] [%hhd] [%hd] [%ld]\n", z, big, ubig, c,
           (short)-12345, -77L);
    printf("[%f] [%.3f] [%e] [%g] [%g] [%10.4f]\n", 1.5, 2.0 / 3, 12345.678,
           0.0001, 1e20, -3.25);
    printf("[%Lf] [%.10Lf] [%Le]\n", ld, ld, ld * 1e10L);
    printf("[%s] [%10s] [%-10s] [%.2s] [%c] [%%]\n", "abc", "right", "left",
           "truncate", 'q');

    n = snprintf(buf, sizeof buf, "%s-%d", "truncated-output", 12345);
    printf("snprintf=%d buf=%s len=%u\n", n, buf, (unsigned)strlen(buf));
    n = snprintf(buf, 1, "xyz");
    printf("snprintf1=%d empty=%d\n", n, buf[0] == '\0');
    n = snprintf(NULL, 0, "%d", 123456);
    printf("snprintf0=%d\n", n);

    fprintf(stdout, "fprintf %s %d\n", "to stdout", 7);
    viaList(stdout, "vfprintf %lld %s\n", 123456789012LL, "ok");
    fputs("fputs line\n", stdout);
    fputc('A', stdout);
    putc('B', stdout);
    fputc('\n', stdout);
    fwrite("fwrite\n", 1, 7, stdout);
    puts("puts line");
    fflush(stdout);
    fprintf(stderr, "to stderr\n");
    return 0;
}
