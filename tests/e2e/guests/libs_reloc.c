/* Runs only if its library loads: a damaged one must stop the run first. */
#include <stdio.h>

extern int reloc_fn(void);

int main(void)
{
    printf("reloc_fn: %d\n", reloc_fn());
    return 0;
}
