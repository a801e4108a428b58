/* The C library's random sequences for fixed seeds: rand before any
   seed, srand, rand_r, random with every state size through initstate and
   setstate, the _r forms, and the 48-bit family with seed48's and
   lcong48's parameters. */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void run(const char *what, long (*next)(void), int n)
{
    int i;
    printf("%s:", what);
    for (i = 0; i < n; i++)
        printf(" %ld", next());
    printf("\n");
}

static long from_rand(void) { return rand(); }
static long from_random(void) { return random(); }
static long from_lrand48(void) { return lrand48(); }
static long from_mrand48(void) { return mrand48(); }

int main(void)
{
    static const unsigned seeds[] = {0, 1, 2, 42, 12345, 0x7fffffff, 0x80000000u, 0xffffffffu};
    static const size_t sizes[] = {8, 16, 31, 32, 63, 64, 100, 128, 255, 256, 1000};
    static char states[11][1000];
    static char again[256];
    char name[64];
    unsigned i, r_seed;
    int k;

    run("rand unseeded", from_rand, 8);
    for (i = 0; i < sizeof seeds / sizeof seeds[0]; i++) {
        srand(seeds[i]);
        snprintf(name, sizeof name, "srand(%u)", seeds[i]);
        run(name, from_rand, 6);
    }
    for (i = 0; i < sizeof seeds / sizeof seeds[0]; i++) {
        r_seed = seeds[i];
        printf("rand_r(%u):", seeds[i]);
        for (k = 0; k < 6; k++)
            printf(" %d", rand_r(&r_seed));
        printf(" seed now %u\n", r_seed);
    }

    for (i = 0; i < sizeof sizes / sizeof sizes[0]; i++) {
        char *old = initstate(7 + i, states[i], sizes[i]);
        snprintf(name, sizeof name, "initstate(%u, %u bytes) old=%s", 7 + i,
                 (unsigned)sizes[i], old ? "ok" : "null");
        run(name, from_random, 6);
    }
    printf("initstate 7 bytes: %s\n", initstate(1, again, 7) ? "?" : "null");
    /* Back to an earlier state: it goes on where it stopped. */
    setstate(states[3]);
    run("setstate 32-byte", from_random, 4);
    setstate(states[0]);
    run("setstate 8-byte", from_random, 4);
    srandom(99);
    run("srandom(99) in 8-byte", from_random, 4);
    setstate(states[9]);
    srandom(99);
    run("srandom(99) in 256-byte", from_random, 4);

    {
        struct random_data data;
        char buf[64];
        int32_t out;
        memset(&data, 0, sizeof data);
        initstate_r(5, buf, sizeof buf, &data);
        printf("random_r(5, 64):");
        for (k = 0; k < 6; k++) {
            random_r(&data, &out);
            printf(" %d", out);
        }
        srandom_r(6, &data);
        random_r(&data, &out);
        printf(" then srandom_r(6): %d\n", out);
    }

    printf("drand48 unseeded: %.17g %.17g\n", drand48(), drand48());
    srand48(0);
    run("srand48(0) lrand48", from_lrand48, 5);
    srand48(123456789);
    run("srand48(123456789) mrand48", from_mrand48, 5);
    srand48(-7);
    printf("srand48(-7) drand48:");
    for (k = 0; k < 4; k++)
        printf(" %.17g", drand48());
    printf("\n");
    {
        unsigned short s[3] = {0x1234, 0xabcd, 0x5678};
        unsigned short *old = seed48(s);
        printf("seed48 old: %04x %04x %04x\n", old[0], old[1], old[2]);
        run("after seed48 lrand48", from_lrand48, 4);
        old = seed48(s);
        printf("seed48 old again: %04x %04x %04x\n", old[0], old[1], old[2]);
    }
    {
        unsigned short xs[3] = {1, 2, 3};
        printf("erand48: %.17g", erand48(xs));
        printf(" nrand48: %ld", nrand48(xs));
        printf(" jrand48: %ld", jrand48(xs));
        printf(" x now %u %u %u\n", xs[0], xs[1], xs[2]);
    }
    {
        unsigned short p[7] = {1, 2, 3, 0x0005, 0x0000, 0x0001, 7};
        unsigned short xs[3] = {9, 9, 9};
        lcong48(p);
        run("lcong48 lrand48", from_lrand48, 4);
        printf("lcong48 erand48 uses it: %ld\n", nrand48(xs));
    }
    {
        struct drand48_data d;
        double dv;
        long lv;
        memset(&d, 0, sizeof d);
        srand48_r(77, &d);
        drand48_r(&d, &dv);
        lrand48_r(&d, &lv);
        printf("drand48_r: %.17g lrand48_r: %ld", dv, lv);
        mrand48_r(&d, &lv);
        printf(" mrand48_r: %ld\n", lv);
    }
    return 0;
}
