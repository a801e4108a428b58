/* Memory a program frees serves its later requests of any size: it fills
   the address space with blocks of one size, frees them all, and fills it
   again with blocks of another size. Only whether about as much came back
   is printed, which holds on every system. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_BLOCKS 65536

static void *blocks[MAX_BLOCKS];

/* Blocks of `size` until the system has no more; their count. */
static int fill(size_t size)
{
    int n = 0;
    while (n < MAX_BLOCKS && (blocks[n] = malloc(size)) != NULL) {
        memset(blocks[n], n, 64);
        n++;
    }
    return n;
}

static void release(int n)
{
    while (n > 0)
        free(blocks[--n]);
}

int main(void)
{
    static const size_t sizes[][2] = {
        {1 << 20, 4 << 20},   /* 1 MiB blocks, then 4 MiB blocks */
        {4 << 20, 100000},    /* and back, in 100 KB blocks */
    };
    size_t i;
    printf("start\n");
    fflush(stdout);
    for (i = 0; i < sizeof sizes / sizeof sizes[0]; i++) {
        const int first = fill(sizes[i][0]);
        size_t bytes;
        int again;
        release(first);
        again = fill(sizes[i][1]);
        bytes = (size_t)again * (sizes[i][1] / 1024);
        release(again);
        printf("%zu then %zu: %s\n", sizes[i][0], sizes[i][1],
               bytes >= (size_t)first * (sizes[i][0] / 1024) / 100 * 95 ? "reused"
                                                                        : "lost");
    }
    return 0;
}
