/* Memory and string routines over every alignment of source and
   destination and every length from 0 to 64, and on strings that end at
   the very end of a heap block whose next page is given back: each routine
   folds its results into one checksum, comparisons by their sign only (the
   C library may answer any value of the right sign). */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

enum { MAXLEN = 64, ALIGNS = 16, AREA = 256 };

static unsigned sum;
static void mix(unsigned v)
{
    sum = (sum ^ v) * 16777619u;
    sum ^= sum >> 15;
}
static void mixp(const void *p, const void *base)
{
    mix(p ? (unsigned)((const char *)p - (const char *)base) + 1 : 0);
}
static int sign(int v) { return (v > 0) - (v < 0); }
static void mixbytes(const unsigned char *p, unsigned n)
{
    unsigned i;
    for (i = 0; i < n; i++) mix(p[i]);
}

static unsigned char src_area[AREA + 64], dst_area[AREA + 64];

/* A string of `len` bytes at src_area + a, no NUL inside, NUL after, and a
   guard byte beyond. */
static char *fill(unsigned a, unsigned len, unsigned seed)
{
    unsigned i;
    for (i = 0; i < sizeof src_area; i++)
        src_area[i] = (unsigned char)(0x41 + (i * 7 + seed) % 26);
    for (i = 0; i < len; i++)
        src_area[a + i] = (unsigned char)('a' + (i * 5 + seed) % 26);
    src_area[a + len] = 0;
    return (char *)src_area + a;
}

static void reset_dst(void) { memset(dst_area, 0xEE, sizeof dst_area); }

#define SWEEP(name, ...)                                              \
    do {                                                              \
        unsigned a, b, len;                                           \
        sum = 2166136261u;                                            \
        for (a = 0; a < ALIGNS; a++)                                  \
            for (b = 0; b < ALIGNS; b++)                              \
                for (len = 0; len <= MAXLEN; len++) {                 \
                    char *s = fill(a, len, a + b);                    \
                    char *d = (char *)dst_area + b;                   \
                    (void)s; (void)d;                                 \
                    reset_dst();                                      \
                    __VA_ARGS__;                                      \
                }                                                     \
        printf("%-12s %08x\n", name, sum);                            \
    } while (0)

static void sweeps(void)
{
    SWEEP("memmove", { memmove(d, s, len); mixbytes(dst_area, AREA); });
    SWEEP("memmove-up", { memmove(s + b, s, len); mixbytes(src_area, AREA); });
    SWEEP("memmove-dn", { memmove(src_area + b / 2, s, len); mixbytes(src_area, AREA); });
    SWEEP("mempcpy", { mixp(mempcpy(d, s, len), d); mixbytes(dst_area, AREA); });
    SWEEP("bcopy", { bcopy(s, d, len); mixbytes(dst_area, AREA); });
    SWEEP("bzero", { bzero(d, len); mixbytes(dst_area, AREA); });
    SWEEP("explicit_bz", { explicit_bzero(d, len); mixbytes(dst_area, AREA); });
    SWEEP("memcmp", {
        memcpy(d, s, len);
        mix(sign(memcmp(d, s, len)) + 2);
        if (len) { d[len - 1 - b % len] ^= 0x80; mix(sign(memcmp(d, s, len)) + 2);
                   mix(sign(memcmp(s, d, len)) + 2); mix(bcmp(d, s, len) != 0); }
    });
    SWEEP("memchr", {
        mixp(memchr(s, s[len / 2], len), s); mixp(memchr(s, 0, len + 1), s);
        mixp(memchr(s, 'Z' + 1, len), s);
    });
    SWEEP("memrchr", {
        mixp(memrchr(s, s[len / 2], len), s); mixp(memrchr(s, 0, len + 1), s);
        mixp(memrchr(s, '{', len), s);
    });
    SWEEP("rawmemchr", { mixp(rawmemchr(s, 0), s); mixp(rawmemchr(s, s[len / 3]), s); });
    SWEEP("memccpy", {
        mixp(memccpy(d, s, s[len / 2], len), d); mixp(memccpy(d, s, '{', len), d);
        mixbytes(dst_area, AREA);
    });
    SWEEP("memmem", {
        mixp(memmem(s, len, s + len / 2, len - len / 2), s);
        mixp(memmem(s, len, s + len / 3, b % 5), s);
        mixp(memmem(s, len, "zz", 2), s);
    });
    SWEEP("strnlen", { mix(strnlen(s, len)); mix(strnlen(s, b)); mix(strnlen(s, 1000)); });
    SWEEP("strchrnul", { mixp(strchrnul(s, s[len / 2]), s); mixp(strchrnul(s, '{'), s); });
    SWEEP("stpcpy", { mixp(stpcpy(d, s), d); mixbytes(dst_area, AREA); });
    SWEEP("stpncpy", {
        mixp(stpncpy(d, s, b * 4), d); mixbytes(dst_area, AREA);
        mixp(stpncpy(d, s, len / 2), d); mixbytes(dst_area, AREA);
    });
    SWEEP("strcat", {
        memcpy(d, "head", 5); strcat(d, s); mixbytes(dst_area, AREA);
        strncat(d, s, b); mixbytes(dst_area, AREA);
    });
    SWEEP("strdup", {
        char *c = strdup(s), *n = strndup(s, b);
        mix(strlen(c)); mix(strcmp(c, s) == 0); mix(strlen(n)); mixbytes((unsigned char *)n, strlen(n));
        free(c); free(n);
    });
    SWEEP("strspn", {
        mix(strspn(s, "abcdefghijklm")); mix(strcspn(s, "xyz")); mixp(strpbrk(s, "qrs"), s);
    });
    SWEEP("strcasecmp", {
        unsigned i;
        memcpy(d, s, len + 1);
        for (i = 0; i < len; i += 3) d[i] = (char)(d[i] - 32);
        mix(sign(strcasecmp(d, s)) + 2); mix(sign(strncasecmp(d, s, b)) + 2);
        if (len) { d[len - 1] = '~'; mix(sign(strcasecmp(d, s)) + 2);
                   mix(sign(strncasecmp(s, d, len)) + 2); mix(sign(strncasecmp(s, d, len - 1)) + 2); }
    });
    SWEEP("strcasestr", {
        char needle[8];
        unsigned n = len < 4 ? len : 4;
        memcpy(needle, s + len - n, n); needle[n] = 0;
        if (n) needle[0] = (char)(needle[0] - 32);
        mixp(strcasestr(s, needle), s); mixp(strcasestr(s, "qQq"), s);
    });
    SWEEP("strxfrm", { mix(strxfrm(d, s, b * 3)); mixbytes(dst_area, AREA); });
    SWEEP("strverscmp", {
        memcpy(d, s, len + 1);
        mix(sign(strverscmp(d, s)) + 2);
        if (len) { d[len / 2] = (char)('0' + b % 10); mix(sign(strverscmp(d, s)) + 2); }
    });
}

/* The strings end at the last byte of a large block: its pages are its own,
   and the block above it has just been given back, so a routine that
   reads past the terminator or the count faults there. */
static void page_ends(void)
{
    const size_t size = 300 * 4096 - 16;
    char *spare = malloc(size), *block = malloc(size);
    char *end;
    unsigned len;
    free(spare);
    end = (char *)((uintptr_t)(block + size) & ~(uintptr_t)4095);
    sum = 2166136261u;
    for (len = 0; len <= MAXLEN; len++) {
        char *s = end - len - 1, *copy;
        char *tok, *save, *p;
        memset(s, 'x', len);
        if (len > 2) s[len / 2] = ':';
        s[len] = 0;
        mix(strlen(s)); mix(strnlen(s, len + 100)); mixp(strchrnul(s, '#'), s);
        mixp(rawmemchr(s, 0), s); mixp(memchr(s, '#', len + 1), s);
        mixp(memrchr(end - len, '#', len), s);
        mix(sign(strcasecmp(s, s)) + 2); mix(sign(strncasecmp(s, "XXXX", 100)) + 2);
        mix(sign(memcmp(end - len, end - len, len)) + 2);
        mixp(strcasestr(s, "X#"), s); mixp(memmem(end - len, len, "xy", 2), s);
        mix(strspn(s, "x")); mix(strcspn(s, "#")); mixp(strpbrk(s, "#"), s);
        mix(sign(strverscmp(s, s)) + 2); mix(strxfrm(NULL, s, 0));
        mixp(strchr(s, '#'), s); mixp(strrchr(s, '#'), s);
        copy = strdup(s); mix(strlen(copy)); free(copy);
        copy = strndup(s, 1000); mix(strlen(copy));
        mixp(stpcpy(copy, s), copy); mixp(stpncpy(copy, s, len), copy);
        mixp(memccpy(copy, end - len, '#', len), copy); free(copy);
        mixp(basename(s), s);
        /* The last token ends at the terminator. */
        copy = s;
        for (tok = strtok_r(s, ":", &save); tok; tok = strtok_r(NULL, ":", &save))
            mix(strlen(tok));
        p = copy;
        while ((tok = strsep(&p, ":")) != NULL) mix(strlen(tok));
    }
    printf("%-12s %08x\n", "page ends", sum);
    free(block);
}

int main(void)
{
    sweeps();
    page_ends();
    return 0;
}
