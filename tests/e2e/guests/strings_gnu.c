/* The GNU and BSD string routines on the inputs where their rules show:
   token splitting, the two basenames and dirname, version order, bit
   scans, corner cases of the searches. */
#define _GNU_SOURCE
#include <libgen.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

char *__xpg_basename(char *path);
char *gnu_basename(const char *path) __asm__("basename");

static int sign(int v) { return (v > 0) - (v < 0); }

static void tokens(void)
{
    char text[] = ",,alpha,,beta;gamma,;", again[] = "one two", *tok, *save;
    char fields[] = "a,,b;c,", *p = fields;
    char empty[] = "";
    printf("strtok:");
    for (tok = strtok(text, ",;"); tok; tok = strtok(NULL, ",;")) printf(" [%s]", tok);
    printf(" then %s\n", strtok(NULL, ",") ? "token" : "null");
    printf("strtok_r:");
    for (tok = strtok_r(again, " ", &save); tok; tok = strtok_r(NULL, " ", &save))
        printf(" [%s]", tok);
    printf(" save at end=%d\n", *save == 0);
    printf("strtok_r empty=%s\n", strtok_r(empty, ",", &save) ? "token" : "null");
    printf("strsep:");
    while ((tok = strsep(&p, ",;")) != NULL) printf(" [%s]", tok);
    printf(" p=%s\n", p ? "set" : "null");
}

static void paths(void)
{
    static const char *const cases[] = {
        "", "/", "//", "///", "a", "a/", "a//", "a//b//", "/usr/lib", "/usr/",
        "usr", ".", "..", "/a", "//a", "///a", "//a//", "a/b/c", "a/./",
        "/usr//lib//", "////", "x//y", "//x/y",
    };
    unsigned i;
    for (i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        char b1[32], b2[32], b3[32];
        char *g, *x, *d;
        strcpy(b1, cases[i]); strcpy(b2, cases[i]); strcpy(b3, cases[i]);
        g = gnu_basename(b1); x = __xpg_basename(b2); d = dirname(b3);
        printf("'%s': basename='%s'@%d xpg='%s'%s now='%s' dirname='%s'%s now='%s'\n",
               cases[i], g, (int)(g - b1), x, x >= b2 && x < b2 + 32 ? "" : "(own)",
               b2, d, d >= b3 && d < b3 + 32 ? "" : "(own)", b3);
    }
    printf("null: xpg='%s' dirname='%s'\n", __xpg_basename(NULL), dirname(NULL));
}

static void versions(void)
{
    static const char *const pairs[][2] = {
        {"a10", "a9"}, {"a09", "a1"}, {"abc", "abd"}, {"000", "00"}, {"00", "01"},
        {"01", "010"}, {"010", "09"}, {"09", "0"}, {"0", "1"}, {"9", "10"},
        {"1.2.10", "1.2.9"}, {"1.02", "1.1"}, {"file-1.0.tar", "file-1.0a.tar"},
        {"x", "x"}, {"", "a"}, {"a", ""}, {"1a", "1b"}, {"12", "1a"}, {"1a", "12"},
        {"007", "07"}, {"07", "007"}, {"0a", "00"}, {"00", "0a"}, {"100", "99"},
        {"item20", "item3"}, {"v1.10", "v1.9"}, {"0012", "0011"}, {"0x", "0"},
        {"abc123def", "abc123deg"}, {"a0b", "a00b"}, {"20", "3"}, {"3", "20"},
        {"05", "5"}, {"5", "05"}, {"1000", "999a"},
    };
    unsigned i;
    printf("strverscmp:");
    for (i = 0; i < sizeof pairs / sizeof pairs[0]; i++)
        printf(" %s/%s=%d", pairs[i][0], pairs[i][1], sign(strverscmp(pairs[i][0], pairs[i][1])));
    printf("\n");
}

static void bits(void)
{
    static const long long values[] = {0, 1, 2, 3, 0x80, 0x80000000LL, -1, 0x100000000LL,
                                       0x8000000000000000LL, 0x0000001000000000LL};
    unsigned i;
    printf("ffs:");
    for (i = 0; i < sizeof values / sizeof values[0]; i++)
        printf(" %d/%d/%d", ffs((int)values[i]), ffsl((long)values[i]), ffsll(values[i]));
    printf("\n");
}

static void searches(void)
{
    static char hay[20000], needle[200];
    char buf[16];
    const char *text = "Hello, World";
    printf("memmem empty=%d short=%s none=%s\n",
           (int)((char *)memmem(text, 12, "", 0) - text),
           memmem(text, 3, "Hello", 5) ? "found" : "null",
           memmem(text, 12, "world", 5) ? "found" : "null");
    printf("memmem end=%d\n", (int)((char *)memmem(text, 12, "ld", 2) - text));
    memset(hay, 'a', sizeof hay - 1);
    hay[sizeof hay - 2] = 'b';
    memset(needle, 'a', sizeof needle - 1);
    needle[sizeof needle - 2] = 'b';
    printf("memmem periodic=%d\n",
           (int)((char *)memmem(hay, sizeof hay - 1, needle, sizeof needle - 1) - hay));
    needle[sizeof needle - 2] = 'c';
    printf("memmem periodic none=%s\n",
           memmem(hay, sizeof hay - 1, needle, sizeof needle - 1) ? "found" : "null");
    printf("strcasestr=%s empty=%s none=%s\n", strcasestr(text, "wORLD"),
           strcasestr(text, ""), strcasestr(text, "worlds") ? "found" : "null");
    printf("strcasecmp=%d %d %d %d\n", sign(strcasecmp("ABC", "abc")),
           sign(strcasecmp("_", "A")), sign(strcasecmp("a", "B")),
           sign(strncasecmp("abcX", "ABCy", 3)));
    printf("strcasecmp high=%d\n", sign(strcasecmp("\xc4", "\xe4")));
    printf("strcoll=%d %d\n", sign(strcoll("a", "b")), sign(strcoll("\xff", "a")));
    printf("strxfrm=%u", (unsigned)strxfrm(buf, "transform", sizeof buf));
    printf(" '%s'", buf);
    memset(buf, '#', sizeof buf);
    printf(" cut=%u '%.9s'", (unsigned)strxfrm(buf, "transform", 4), buf);
    printf(" none=%u\n", (unsigned)strxfrm(NULL, "transform", 0));
    memset(buf, '#', sizeof buf);
    printf("stpncpy pad=%d bytes=", (int)(stpncpy(buf, "ab", 6) - buf));
    fwrite(buf, 1, 8, stdout);
    printf("\n");
    printf("memccpy=%s\n", memccpy(buf, "abc", 'x', 3) ? "found" : "null");
    printf("strchrnul=%d rawmemchr=%d\n", (int)(strchrnul(text, 'z') - text),
           (int)((char *)rawmemchr(text, 'W') - text));
    printf("memrchr=%d\n", (int)((char *)memrchr(text, 'o', 12) - text));
    {
        char *d = strndup("abcdef", 3), *e = strdup("");
        printf("strndup='%s' strdup empty=%d\n", d, (int)strlen(e));
        free(d); free(e);
    }
}

int main(void)
{
    tokens();
    paths();
    versions();
    bits();
    searches();
    return 0;
}
