/* strings: millions of short calls to the memory and string routines
   beyond the start-up names (memmove, memcmp, memchr, strcat, strdup,
   strcasecmp, strspn, strtok_r, stpcpy, strnlen ...), each through the
   guest's PLT, with the small sizes of ordinary programs. Only results
   every correct C library agrees on go into the checksum. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

enum { ROUNDS = 1000000 };

static const char *const words[] = {
    "alpha", "Bravo-Charlie-Delta", "echo", "foxtrot golf hotel india juliett",
    "KILO", "lima mike november oscar papa quebec romeo sierra", "tango",
    "uniform,victor,whiskey", "x-ray", "yankee zulu",
    "the quick brown fox jumps over the lazy dog", "",
};
enum { NWORDS = sizeof words / sizeof words[0] };

static unsigned rng = 12345;
static unsigned next(void)
{
    rng ^= rng << 13; rng ^= rng >> 17; rng ^= rng << 5;
    return rng;
}

static int sign(int v) { return (v > 0) - (v < 0); }

int main(void)
{
    static char area[1024], line[256];
    unsigned sum = 0;

    for (unsigned i = 0; i < sizeof area; i++)
        area[i] = (char)(i * 31 + 7);

    for (unsigned r = 0; r < ROUNDS; r++) {
        unsigned x = next();
        const char *a = words[x % NWORDS], *b = words[(x >> 8) % NWORDS];
        unsigned n = 8 + (x >> 16) % 200;

        memmove(area + (x & 31), area + ((x >> 5) & 63), n);
        sum += sign(memcmp(area, area + 64, n)) + (unsigned char)area[n];
        const char *p = memchr(area, (int)(x & 0xff), n);
        sum += p ? (unsigned)(p - area) : 3;
        p = memrchr(a, 'o', strlen(a));
        sum += p ? (unsigned)(p - a) : 5;

        char *end = stpcpy(line, a);
        *end++ = ' ';
        end = mempcpy(end, b, strlen(b) + 1);
        strcat(line, "!");
        sum += (unsigned)(end - line) + strnlen(line, 40);
        sum += sign(strcasecmp(a, b)) + 2 * sign(strncasecmp(a, b, 3));
        sum += strspn(line, "abcdefghijklm") + strcspn(line, " ,-");

        char *copy = strdup(line), *save, *tok;
        for (tok = strtok_r(copy, " ,-", &save); tok; tok = strtok_r(NULL, " ,-", &save))
            sum += (unsigned char)tok[0];
        free(copy);
    }
    printf("strings %08x\n", sum);
    return 0;
}
