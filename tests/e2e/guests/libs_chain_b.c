/* The middle of the chain: initialised after what it needs, before what
   needs it, however the program lists them. */
#include <stdio.h>
#include <stdlib.h>

extern const char *chain_c(void);

static void b_exit(void) { puts("b at-exit from its constructor"); }
static void __attribute__((constructor)) b_start(void)
{
    puts("b constructor");
    atexit(b_exit);
}
static void __attribute__((destructor)) b_end(void) { puts("b destructor"); }

const char *chain_b(void) { return chain_c(); }
