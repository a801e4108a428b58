/* The sample guest: the smallest Linux program that touches every stage of
   the loader (image placement, PLT rewriting, the stdin-used word, guest
   start, the host puts and the pause). */
#include <stdio.h>

int main(void)
{
    puts("Hello");
    return 0;
}
