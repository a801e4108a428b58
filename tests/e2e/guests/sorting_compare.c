/* qsort, qsort_r, bsearch, lfind and lsearch with guest comparators: the
   pairs each one compares (the Linux C library's merge sort shows in
   them), equal elements' final order, elements over 32 bytes, and the
   stack alignment every comparator sees (built with a frame pointer: the
   arguments start 8 bytes above the caller's frame address). */
#define _GNU_SOURCE
#include <search.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static int misaligned, calls;

static void check_alignment(void)
{
    uintptr_t args = (uintptr_t)__builtin_frame_address(1) + 8;
    if (args & 15)
        misaligned++;
}

static int traced(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    check_alignment();
    calls++;
    printf(" %d:%d", x, y);
    return (x > y) - (x < y);
}

static int by_int(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    check_alignment();
    calls++;
    return (x > y) - (x < y);
}

struct item { int key; int order; };
static int by_key(const void *a, const void *b)
{
    const struct item *x = a, *y = b;
    check_alignment();
    return (x->key > y->key) - (x->key < y->key);
}

struct big { int key; int order; char pad[40]; };
static int by_big_key(const void *a, const void *b)
{
    const struct big *x = a, *y = b;
    check_alignment();
    return (x->key > y->key) - (x->key < y->key);
}

static int by_key_r(const void *a, const void *b, void *arg)
{
    int x = *(const int *)a, y = *(const int *)b;
    check_alignment();
    ++*(int *)arg;
    return (y > x) - (y < x);  /* descending */
}

/* Not a total order: the result depends on which pairs are compared. */
static int odd_first(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    check_alignment();
    if ((x & 1) && !(y & 1))
        return -1;
    return x % 3 == 0 ? 1 : 0;
}

int main(void)
{
    int small[] = {5, 3, 9, 1, 5, 7, 2, 8, 6, 4, 0, 5};
    int n = sizeof small / sizeof small[0], i, count;
    static int many[3000];
    struct item items[40];
    struct big bigs[25];
    int desc[20];
    size_t nmemb;
    int table[16] = {4, 8, 15, 16, 23, 42};
    int key;
    int *found;

    printf("compares:");
    qsort(small, n, sizeof small[0], traced);
    printf("\nsorted:");
    for (i = 0; i < n; i++)
        printf(" %d", small[i]);
    printf(" (%d calls)\n", calls);

    for (i = 0; i < 3000; i++)
        many[i] = (int)((i * 2654435761u) % 1000);
    calls = 0;
    qsort(many, 3000, sizeof many[0], by_int);
    for (i = 1; i < 3000 && many[i - 1] <= many[i]; i++)
        ;
    printf("3000 ints: ordered=%d calls=%d\n", i == 3000, calls);

    for (i = 0; i < 40; i++) {
        items[i].key = (i * 7) % 5;
        items[i].order = i;
    }
    qsort(items, 40, sizeof items[0], by_key);
    printf("stable:");
    for (i = 0; i < 40; i++)
        printf(" %d/%d", items[i].key, items[i].order);
    printf("\n");

    for (i = 0; i < 25; i++) {
        bigs[i].key = (i * 11) % 4;
        bigs[i].order = i;
        bigs[i].pad[39] = (char)i;
    }
    qsort(bigs, 25, sizeof bigs[0], by_big_key);
    printf("big:");
    for (i = 0; i < 25; i++)
        printf(" %d/%d%s", bigs[i].key, bigs[i].order,
               bigs[i].pad[39] == (char)bigs[i].order ? "" : "!");
    printf("\n");

    for (i = 0; i < 20; i++)
        desc[i] = (i * 13) % 20;
    count = 0;
    qsort_r(desc, 20, sizeof desc[0], by_key_r, &count);
    printf("qsort_r:");
    for (i = 0; i < 20; i++)
        printf(" %d", desc[i]);
    printf(" (arg counted %d)\n", count);

    for (i = 0; i < 30; i++)
        many[i] = (i * 17) % 30;
    qsort(many, 30, sizeof many[0], odd_first);
    printf("odd order:");
    for (i = 0; i < 30; i++)
        printf(" %d", many[i]);
    printf("\n");

    qsort(small, 0, sizeof small[0], traced);
    qsort(small, 1, sizeof small[0], traced);

    printf("bsearch:");
    for (key = -1; key <= 10; key += 1) {
        found = bsearch(&key, small, n, sizeof small[0], traced);
        printf(" ->%d;", found ? (int)(found - small) : -1);
    }
    printf("\n");

    nmemb = 6;
    key = 23;
    found = lfind(&key, table, &nmemb, sizeof table[0], by_int);
    printf("lfind 23: %d\n", found ? (int)(found - table) : -1);
    key = 99;
    found = lfind(&key, table, &nmemb, sizeof table[0], by_int);
    printf("lfind 99: %d\n", found ? (int)(found - table) : -1);
    found = lsearch(&key, table, &nmemb, sizeof table[0], by_int);
    printf("lsearch 99: at %d nmemb=%u value=%d\n", (int)(found - table),
           (unsigned)nmemb, table[6]);
    found = lsearch(&key, table, &nmemb, sizeof table[0], by_int);
    printf("lsearch 99 again: at %d nmemb=%u\n", (int)(found - table), (unsigned)nmemb);
    printf("misaligned comparators: %d\n", misaligned);
    return 0;
}
