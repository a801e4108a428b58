/* Built with _FORTIFY_SOURCE=2: the printf family arrives as the __*_chk
   names. Without an argument every call fits its object; with "sprintf" or
   "snprintf" one call overflows its object, and with "writable" %n comes
   from a format in writable memory, and with "gap" an n$ numbering skips an
   argument: each ends the run with the C library's
   report. */
#define _GNU_SOURCE
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int viaList(char *s, size_t size, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vsnprintf(s, size, format, ap);
    va_end(ap);
    return n;
}

static int viaVfprintf(const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vfprintf(stdout, format, ap);
    va_end(ap);
    return n;
}

static int viaVprintf(const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vprintf(format, ap);
    va_end(ap);
    return n;
}

static int viaVdprintf(const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vdprintf(1, format, ap);
    va_end(ap);
    return n;
}

static int viaVasprintf(char **p, const char *format, ...)
{
    va_list ap;
    int n;
    va_start(ap, format);
    n = vasprintf(p, format, ap);
    va_end(ap);
    return n;
}

int main(int argc, char **argv)
{
    char small[8];
    char *p;
    int n;
    const char *what = argc > 1 ? argv[1] : "";
    /* Not known to the compiler, so the checks run in the library. */
    const char *word = argc > 2 ? argv[2] : "too long for eight";

    n = printf("printf_chk %d %s %.3e\n", 1, "x", 2.5);
    fprintf(stdout, "fprintf_chk = %d\n", n);
    n = viaVprintf("vprintf_chk %2$s %1$d\n", 7, "pos");
    n += viaVfprintf("vfprintf_chk %p %p\n", (void *)0x1234, (void *)0);
    printf("= %d\n", n);
    n = sprintf(small, "%d", 1234567);
    printf("sprintf_chk [%s] = %d\n", small, n);
    n = snprintf(small, sizeof small, "%s", word);
    printf("snprintf_chk [%s] = %d\n", small, n);
    n = viaList(small, sizeof small, "%s!", word);
    printf("vsnprintf_chk [%s] = %d\n", small, n);
    fflush(stdout);
    n = dprintf(1, "dprintf_chk %x\n", 48879);
    n += viaVdprintf("vdprintf_chk %o\n", 8);
    printf("= %d\n", n);
    n = asprintf(&p, "asprintf_chk %s", "block");
    printf("[%s] = %d\n", p, n);
    free(p);
    n = viaVasprintf(&p, "vasprintf_chk %.2f", 0.125);
    printf("[%s] = %d\n", p, n);
    free(p);
    n = 0;
    printf("counted%n\n", &n);
    printf("= %d\n", n);
    fflush(stdout);

    if (strcmp(what, "sprintf") == 0)
        sprintf(small, "%s", word);
    if (strcmp(what, "snprintf") == 0)
        snprintf(small, (size_t)argc + 20, "%s", "x");
    if (strcmp(what, "writable") == 0) {
        static const char text[] = "abc%n\n";
        char format[sizeof text];
        size_t i;
        for (i = 0; i < sizeof text; i++)
            format[i] = text[i];
        printf(format, &n);
    }
    if (strcmp(what, "gap") == 0)
        printf("%3$d %1$d\n", 1, 2, 3);
    printf("not reached when %s overflows\n", what);
    return 0;
}
