/* heap-reuse: 1 GiB in 100 KB blocks, all freed, then as many 4 MiB blocks
   as the system gives: how much of the address space a program gets back
   after it has freed what it had. Prints the MiB of the second fill. */
#include <stdio.h>
#include <stdlib.h>

enum { SMALL = 100000, SMALL_COUNT = (1 << 30) / SMALL, LARGE = 4 << 20, MAX_LARGE = 1024 };

static void *small[SMALL_COUNT];
static void *large[MAX_LARGE];

int main(void)
{
    int i, n = 0;
    for (i = 0; i < SMALL_COUNT; i++)
        small[i] = malloc(SMALL);
    for (i = 0; i < SMALL_COUNT; i++)
        free(small[i]);
    while (n < MAX_LARGE && (large[n] = malloc(LARGE)) != NULL)
        n++;
    printf("again %d\n", n * 4);
    while (n > 0)
        free(large[--n]);
    return 0;
}
