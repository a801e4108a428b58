/* Every name of the printf family: to streams, into buffers (truncation,
   the returned length), to descriptor 1, into blocks the guest frees, and
   through va_lists. */
#define _GNU_SOURCE
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int __asprintf(char **result, const char *format, ...);

static int viaVprintf(const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vprintf(format, ap);
    va_end(ap);
    return n;
}

static int viaVfprintf(FILE *f, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vfprintf(f, format, ap);
    va_end(ap);
    return n;
}

static int viaVsprintf(char *s, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vsprintf(s, format, ap);
    va_end(ap);
    return n;
}

static int viaVsnprintf(char *s, size_t size, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vsnprintf(s, size, format, ap);
    va_end(ap);
    return n;
}

static int viaVdprintf(int fd, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vdprintf(fd, format, ap);
    va_end(ap);
    return n;
}

static int viaVasprintf(char **result, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vasprintf(result, format, ap);
    va_end(ap);
    return n;
}

int main(void)
{
    char buf[32], big[5000];
    char *p;
    int n, i;

    n = printf("printf %d %s %.2f\n", 1, "two", 3.0);
    printf("= %d\n", n);
    n = fprintf(stdout, "fprintf %lld %Lg\n", -5LL, 2.5L);
    printf("= %d\n", n);
    n = viaVprintf("vprintf %x %c\n", 255, 'v');
    printf("= %d\n", n);
    n = viaVfprintf(stdout, "vfprintf %2$s %1$s\n", "b", "a");
    printf("= %d\n", n);

    n = sprintf(buf, "sprintf %05d|%-4s|", 42, "ab");
    printf("%s = %d\n", buf, n);
    n = viaVsprintf(buf, "vsprintf %e", 1234.5);
    printf("%s = %d\n", buf, n);

    memset(buf, 'x', sizeof buf);
    n = snprintf(buf, 10, "snprintf %s", "truncated here");
    printf("[%s] = %d, after: %c\n", buf, n, buf[10]);
    n = snprintf(buf, 0, "%d", 12345);
    printf("size 0 = %d, untouched: %c\n", n, buf[0]);
    n = viaVsnprintf(buf, 6, "vsnprintf %d", 99);
    printf("[%s] = %d\n", buf, n);
    n = viaVsnprintf(NULL, 0, "%.30f", 0.1);
    printf("measure = %d\n", n);
    n = snprintf(big, sizeof big, "%4000d|%.100e", 7, 1.0 / 3);
    printf("long = %d, tail %s\n", n, big + 3990);

    fflush(stdout);
    n = dprintf(1, "dprintf %d to descriptor 1\n", 1);
    n += viaVdprintf(1, "vdprintf %s\n", "too");
    printf("= %d\n", n);
    n = dprintf(-1, "lost");
    printf("bad descriptor = %d\n", n);

    p = NULL;
    n = asprintf(&p, "asprintf %s %d", "block", 7);
    printf("[%s] = %d, length %u\n", p, n, (unsigned)strlen(p));
    free(p);
    n = __asprintf(&p, "__asprintf %g", 0.5);
    printf("[%s] = %d\n", p, n);
    free(p);
    n = viaVasprintf(&p, "%3000s|", "wide");
    printf("vasprintf = %d, end [%s]\n", n, p + 2995);
    free(p);
    for (i = 0; i < 3; i++) {
        n = asprintf(&p, "%*d", i * 1000, i);
        printf("grow %d = %d last [%s]\n", i, n, p + (n > 3 ? n - 3 : 0));
        free(p);
    }
    p = (char *)"kept";
    n = asprintf(&p, "broken %");
    printf("unfinished = %d, pointer kept: %s\n", n, p);
    return 0;
}
