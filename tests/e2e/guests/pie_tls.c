/* A variable of its own thread: the file carries a TLS segment. */
#include <stdio.h>

static __thread int counter = 41;

int main(void)
{
    printf("%d\n", ++counter);
    return 0;
}
