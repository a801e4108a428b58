/* A program's code and read-only data are mapped read-only, as Linux maps
   them: a write into either faults instead of silently changing them. */
#include <stdio.h>
#include <string.h>

static const char message[] = "constant";

int main(int argc, char **argv)
{
    volatile char *target = (volatile char *)message;
    if (argc > 1 && strcmp(argv[1], "code") == 0)
        target = (volatile char *)main;
    printf("writing %s\n", argc > 1 ? argv[1] : "rodata");
    fflush(stdout);
    *target = 0;
    printf("not reached\n");
    return 0;
}
