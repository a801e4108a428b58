/* Aligned blocks, reallocarray and malloc_usable_size: the answers and
   errno for good and bad alignments, every block aligned as asked, usable
   to its last byte, and taken back by free and realloc like any other. */
#define _GNU_SOURCE
#include <errno.h>
#include <malloc.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* A failed reallocarray leaves the block as it was, which the compiler's
   use-after-free warning does not know. */
#pragma GCC diagnostic ignored "-Wuse-after-free"

static int aligned(const void *p, size_t a) { return ((uintptr_t)p & (a - 1)) == 0; }

/* Fills the block and reads it back. */
static int usable(void *p, size_t size)
{
    unsigned char *b = p;
    size_t i;
    for (i = 0; i < size; i++) b[i] = (unsigned char)(i * 7);
    for (i = 0; i < size; i++)
        if (b[i] != (unsigned char)(i * 7)) return 0;
    return 1;
}

int main(void)
{
    static const size_t alignments[] = {0, 1, 2, 3, 4, 8, 12, 16, 24, 32, 64, 128, 4096, 8192};
    size_t i, page = (size_t)sysconf(_SC_PAGESIZE);
    void *p;
    int r;

    for (i = 0; i < sizeof alignments / sizeof alignments[0]; i++) {
        size_t a = alignments[i];
        p = (void *)1;
        errno = 0;
        r = posix_memalign(&p, a, 100);
        printf("posix_memalign(%zu): %d%s", a, r, r == 0 ? "" : "\n");
        if (r == 0) {
            printf(" aligned=%d usable=%d\n", aligned(p, a), usable(p, 100));
            free(p);
        } else if (p != (void *)1) {
            printf("  the pointer was written on failure\n");
        }

        errno = 0;
        p = memalign(a, 100);
        printf("memalign(%zu): %s", a, p ? "block" : "null");
        if (p) {
            size_t want = a < 16 ? 16 : a;
            while (want & (want - 1)) want++;  /* the next power of two */
            printf(" aligned=%d usable=%d", aligned(p, want), usable(p, 100));
            free(p);
        }
        printf(" errno=%d\n", errno);

        p = aligned_alloc(a ? a : 1, 200);
        printf("aligned_alloc(%zu): %s", a, p ? "block" : "null");
        if (p) {
            printf(" usable=%d", usable(p, 200));
            free(p);
        }
        printf("\n");
    }

    errno = 0;
    p = memalign(0x80000001u, 10);
    printf("memalign past half the space: %s errno=%d\n", p ? "block" : "null", errno);
    p = (void *)1;
    r = posix_memalign(&p, 64, 0xfffff000u);
    printf("posix_memalign of nearly 4 GiB: %d untouched=%d\n", r, p == (void *)1);
    p = memalign(64, 0);
    printf("memalign of 0: %s\n", p ? "block" : "null");
    free(p);

    p = valloc(10);
    printf("valloc: aligned=%d usable=%d\n", aligned(p, page), usable(p, 10));
    free(p);
    p = pvalloc(1);
    printf("pvalloc(1): aligned=%d usable size covers a page=%d\n", aligned(p, page),
           malloc_usable_size(p) >= page && usable(p, page));
    free(p);
    p = pvalloc(0);
    printf("pvalloc(0): %s\n", p ? "block" : "null");
    free(p);

    /* An aligned block grows and shrinks through realloc, keeping its bytes. */
    posix_memalign(&p, 256, 300);
    memset(p, 'a', 300);
    p = realloc(p, 100000);
    printf("realloc of an aligned block: kept=%d",
           ((char *)p)[0] == 'a' && ((char *)p)[299] == 'a');
    p = realloc(p, 10);
    printf(" after shrinking=%d\n", ((char *)p)[9] == 'a');
    free(p);

    /* Many small aligned blocks, freed in another order. */
    {
        void *blocks[500];
        int ok = 1;
        for (i = 0; i < 500; i++) {
            if (posix_memalign(&blocks[i], 64 << (i % 3), 1 + i % 97) != 0) ok = 0;
            else if (!aligned(blocks[i], 64 << (i % 3))) ok = 0;
            else memset(blocks[i], (int)i, 1 + i % 97);
        }
        for (i = 0; i < 500; i += 2) free(blocks[i]);
        for (i = 1; i < 500; i += 2) {
            if (((unsigned char *)blocks[i])[0] != (unsigned char)i) ok = 0;
            free(blocks[i]);
        }
        printf("500 aligned blocks: %d\n", ok);
    }

    /* reallocarray: the product checked, then realloc. (The counts through
       volatile: the compiler sees the overflows coming and says so.) */
    {
        volatile size_t quarter = 0x40000000u, half = 0x10000;
        int *v = reallocarray(NULL, 10, sizeof(int)), *w;
        for (i = 0; i < 10; i++) v[i] = (int)i * 3;
        w = reallocarray(v, 1000, sizeof(int));
        printf("reallocarray grew: kept=%d\n", w && w[9] == 27);
        v = w;
        errno = 0;
        w = reallocarray(v, quarter, 8);
        printf("reallocarray overflow: %s errno=%d\n", w ? "block" : "null", errno);
        errno = 0;
        w = reallocarray(v, half, half);
        printf("reallocarray 2^32 bytes: %s errno=%d\n", w ? "block" : "null", errno);
        printf("the block stays: %d\n", v[9] == 27);
        free(v);
    }

    printf("malloc_usable_size(NULL)=%zu\n", malloc_usable_size(NULL));
    {
        static const size_t sizes[] = {1, 15, 16, 17, 100, 1000, 5000, 70000, 1 << 20};
        int ok = 1;
        for (i = 0; i < sizeof sizes / sizeof sizes[0]; i++) {
            p = malloc(sizes[i]);
            if (malloc_usable_size(p) < sizes[i] || !usable(p, malloc_usable_size(p))) ok = 0;
            free(p);
        }
        printf("usable sizes cover the requests: %d\n", ok);
    }
    return 0;
}
