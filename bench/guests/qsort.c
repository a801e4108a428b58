/* qsort: a million integers sorted with a guest comparator, so nearly all
   the time is the library's sort calling back into guest code. The
   checksum is over the sorted array, which every correct sort agrees on. */
#include <stdio.h>
#include <stdlib.h>

enum { COUNT = 1000000 };

static int values[COUNT];

static int compare(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    return (x > y) - (x < y);
}

int main(void)
{
    unsigned rng = 12345, sum = 0;
    int i;
    for (i = 0; i < COUNT; i++) {
        rng ^= rng << 13; rng ^= rng >> 17; rng ^= rng << 5;
        values[i] = (int)(rng % 1000003);
    }
    qsort(values, COUNT, sizeof values[0], compare);
    for (i = 0; i < COUNT; i++) {
        if (i > 0 && values[i - 1] > values[i]) {
            printf("not sorted at %d\n", i);
            return 1;
        }
        sum = sum * 31 + (unsigned)values[i];
    }
    printf("qsort %d: %u\n", COUNT, sum);
    return 0;
}
