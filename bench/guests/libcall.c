/* Calls into a shared library beside the program, in a tight loop. */
#include <stdio.h>

unsigned mix(unsigned state, unsigned k);

int main(void)
{
    unsigned state = 1;
    for (unsigned k = 0; k < 100000000u; ++k)
        state = mix(state, k);
    printf("%08x\n", state);
    return 0;
}
