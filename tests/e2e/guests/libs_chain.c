/* Libraries that need libraries: each is initialised after all it needs
   and finalised before them, around the program's own start-up and
   clean-up, on main's return and on exit from a library alike. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

extern const char *chain_a(void);
extern const char *chain_c(void);
extern void chain_exit(int status);

static void __attribute__((constructor)) start(int argc, char **argv)
{
    printf("program constructor: argc %d, argv[1] %s\n", argc, argc > 1 ? argv[1] : "none");
}
static void __attribute__((destructor)) end(void) { puts("program destructor"); }
static void registered(void) { puts("program at-exit"); }

int main(int argc, char **argv)
{
    atexit(registered);
    printf("main: %s, %s\n", chain_a(), chain_c());
    if (argc > 1 && strcmp(argv[1], "exit") == 0)
        chain_exit(4);
    return 0;
}
