/* strtod: parsing a million doubles. The texts are made first, by the
   guest's own code from a fixed seed: 17 significant digits and exponents
   across the whole range, as printf("%.17g") writes them, with a share of
   short decimals and integers. The checksum is over the bits of every
   result, which every correctly rounding C library agrees on. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { COUNT = 1000000, WIDTH = 32 };

static unsigned rng = 2463534242u;
static unsigned next(void)
{
    rng ^= rng << 13; rng ^= rng >> 17; rng ^= rng << 5;
    return rng;
}

static char texts[COUNT][WIDTH];

static void make(char *out)
{
    unsigned kind = next() % 8;
    char *p = out;
    if (next() % 4 == 0) *p++ = '-';
    if (kind < 5) {                       /* d.dddddddddddddddde+XXX */
        *p++ = (char)('1' + next() % 9);
        *p++ = '.';
        for (int i = 0; i < 16; ++i) *p++ = (char)('0' + next() % 10);
        int e = (int)(next() % 617) - 308;
        *p++ = 'e';
        *p++ = e < 0 ? '-' : '+';
        if (e < 0) e = -e;
        *p++ = (char)('0' + e / 100);
        *p++ = (char)('0' + e / 10 % 10);
        *p++ = (char)('0' + e % 10);
    } else if (kind < 7) {                /* a short decimal: 123.45 */
        unsigned n = next() % 1000000;
        unsigned digits = 1 + next() % 6;
        char tmp[16];
        int k = 0;
        do { tmp[k++] = (char)('0' + n % 10); n /= 10; } while (n != 0);
        while ((unsigned)k <= digits) tmp[k++] = '0';
        for (int i = k - 1; i >= 0; --i) {
            *p++ = tmp[i];
            if ((unsigned)i == digits) *p++ = '.';
        }
    } else {                              /* an integer */
        unsigned n = next();
        char tmp[16];
        int k = 0;
        do { tmp[k++] = (char)('0' + n % 10); n /= 10; } while (n != 0);
        while (k > 0) *p++ = tmp[--k];
    }
    *p = '\0';
}

int main(void)
{
    for (int i = 0; i < COUNT; ++i) make(texts[i]);
    unsigned long long sum = 0;
    unsigned consumed = 0;
    for (int i = 0; i < COUNT; ++i) {
        char *end;
        double d = strtod(texts[i], &end);
        unsigned long long bits;
        memcpy(&bits, &d, sizeof bits);
        sum = sum * 31 + bits;
        consumed += (unsigned)(end - texts[i]);
    }
    printf("strtod: %u chars, checksum %08x%08x\n", consumed,
           (unsigned)(sum >> 32), (unsigned)sum);
    return 0;
}
