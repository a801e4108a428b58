/* The fortified forms a compiler emits when it knows a destination's size:
   copies that fit behave as the plain ones, one that does not ends the run
   with the C library's report before it writes. Built with fortification
   on; the lengths come from the command line so that every call is checked
   at run time. Only calls that fortification leaves alone are used for
   the output (no printf: it would become __printf_chk). */
#define _GNU_SOURCE
#include <stdio.h>
#include <string.h>

static size_t number(const char *text)
{
    size_t n = 0;
    while (*text >= '0' && *text <= '9') n = n * 10 + (size_t)(*text++ - '0');
    return n;
}

static void end(const char *at, const char *buf)
{
    fputs("end=", stdout);
    putchar('0' + (int)(at - buf));
    putchar('\n');
}

static void show(const char *name, const char *buf, size_t n)
{
    size_t i;
    fputs(name, stdout);
    putchar(':');
    for (i = 0; i < n; i++) putchar(buf[i] ? buf[i] : '.');
    putchar('\n');
}

int main(int argc, char **argv)
{
    char buf[8];
    const char *src = argc > 2 ? argv[2] : "abcdefg";
    size_t n = argc > 3 ? number(argv[3]) : strlen(src);
    const char *what = argc > 1 ? argv[1] : "";

    memset(buf, '#', sizeof buf);
    if (strcmp(what, "memcpy") == 0) memcpy(buf, src, n);
    else if (strcmp(what, "memmove") == 0) memmove(buf, src, n);
    else if (strcmp(what, "memset") == 0) memset(buf, 'z', n);
    else if (strcmp(what, "mempcpy") == 0) end(mempcpy(buf, src, n), buf);
    else if (strcmp(what, "strcpy") == 0) strcpy(buf, src);
    else if (strcmp(what, "stpcpy") == 0) end(stpcpy(buf, src), buf);
    else if (strcmp(what, "strncpy") == 0) strncpy(buf, src, n);
    else if (strcmp(what, "stpncpy") == 0) end(stpncpy(buf, src, n), buf);
    else if (strcmp(what, "strcat") == 0) { strcpy(buf, "ab"); strcat(buf, src); }
    else if (strcmp(what, "strncat") == 0) { strcpy(buf, "ab"); strncat(buf, src, n); }
    else if (strcmp(what, "explicit_bzero") == 0) explicit_bzero(buf, n);
    show(what, buf, sizeof buf);
    return 0;
}
