/* libc: millions of short C-library calls, each through the guest's PLT, on
   the names the loader serves (string functions, memcpy/memset, the heap,
   snprintf). Sizes stay small, as in ordinary programs, so the cost of the
   call itself weighs in. Only results that every correct C library agrees
   on go into the checksum: lengths, the sign of comparisons, bytes. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { ROUNDS = 2000000, SLOTS = 64 };

static const char *const words[] = {
    "alpha", "bravo-charlie-delta", "echo", "foxtrot golf hotel india juliett",
    "kilo", "lima mike november oscar papa quebec romeo sierra", "tango",
    "uniform victor whiskey", "x-ray", "yankee zulu",
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
    static char src[512], dst[512], line[128];
    char *slot[SLOTS] = {0};
    unsigned slot_size[SLOTS] = {0};
    unsigned sum = 0;

    for (unsigned i = 0; i < sizeof src; i++)
        src[i] = (char)(i * 31 + 7);

    for (unsigned r = 0; r < ROUNDS; r++) {
        unsigned x = next();
        const char *a = words[x % NWORDS], *b = words[(x >> 8) % NWORDS];

        sum += strlen(a) + strlen(b);
        sum += sign(strcmp(a, b)) + 2 * sign(strncmp(a, b, 4));
        const char *p = strchr(a, 'o');
        sum += p ? (unsigned)(p - a) : 99;
        p = strrchr(b, 'a');
        sum += p ? (unsigned)(p - b) : 77;
        p = strstr(a, "ie");
        sum += p ? (unsigned)(p - a) : 55;

        unsigned n = 16 + (x >> 16) % 240;
        memcpy(dst, src + (x & 63), n);
        memset(dst + n, (int)r, 64);
        sum += (unsigned char)dst[n / 2] + (unsigned char)dst[n + 5];
        strcpy(line, a);
        strncpy(line + 40, b, 20);
        sum += (unsigned char)line[3] + (unsigned char)line[45];

        unsigned k = x % SLOTS, size = 8 + (x >> 20) % 500;
        if (slot[k] && (x & 0x300) == 0) {
            slot[k] = realloc(slot[k], size);
            if (size > slot_size[k])
                memset(slot[k] + slot_size[k], 0x5a, size - slot_size[k]);
        } else {
            free(slot[k]);
            slot[k] = malloc(size);
            memset(slot[k], (int)k, size);
        }
        slot_size[k] = size;
        sum += (unsigned char)slot[k][size - 1];

        sum += snprintf(line, sizeof line, "%u:%s:%x", r, b, x & 0xfff);
        sum += (unsigned char)line[2];
    }
    for (unsigned k = 0; k < SLOTS; k++)
        free(slot[k]);
    printf("libc %08x\n", sum);
    return 0;
}
