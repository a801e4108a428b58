/* C++-style clean-up: routines registered with __cxa_atexit receive their
   own argument, newest first, each once. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern int __cxa_atexit(void (*fn)(void *), void *arg, void *dso);
extern void *__dso_handle;

static void destroy(void *object)
{
    printf("destroying %s\n", (const char *)object);
}

int main(int argc, char **argv)
{
    static char names[3][16] = {"alpha", "beta", "gamma"};
    int i;
    for (i = 0; i < 3; i++)
        __cxa_atexit(destroy, names[i], &__dso_handle);
    printf("main done\n");
    if (argc > 1 && strcmp(argv[1], "exit") == 0)
        exit(5);
    return 4;
}
