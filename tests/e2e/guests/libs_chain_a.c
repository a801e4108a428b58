/* The program's first library, which needs the second. Its constructor
   takes the arguments the C library hands every initialiser. */
#include <stdio.h>
#include <stdlib.h>

extern const char *chain_b(void);

static void __attribute__((constructor)) a_start(int argc, char **argv, char **envp)
{
    printf("a constructor: argc %d, argv[1] %s, envp %s\n", argc,
           argc > 1 ? argv[1] : "none", envp ? "given" : "missing");
}
static void __attribute__((destructor)) a_end(void) { puts("a destructor"); }
static void a_exit(void) { puts("a at-exit"); }

const char *chain_a(void)
{
    atexit(a_exit);
    return chain_b();
}

void chain_exit(int status) { exit(status); }
