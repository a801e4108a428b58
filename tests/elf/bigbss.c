/* A .bss far larger than the 0x8000 bytes that follow the file copy: it
   must be all zeros, must not meet the break area, and the initialised
   data beside it must have been moved to its link address intact. */
#include <stdio.h>

#define BIG (16 * 1024 * 1024)

static unsigned char big[BIG];
int initialised[4] = {11, 22, 33, 44};

int main(void)
{
    unsigned long sum = 0;
    for (long i = 0; i < BIG; i += 4096)
        sum += big[i];
    sum += big[BIG - 1];
    big[0] = 1;
    big[BIG - 1] = 2;
    printf("bss sum %lu, ends %d %d\n", sum, big[0], big[BIG - 1]);
    printf("data %d %d %d %d\n", initialised[0], initialised[1], initialised[2],
           initialised[3]);
    return 0;
}
