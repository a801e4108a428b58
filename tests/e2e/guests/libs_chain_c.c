/* The end of the chain, with the old single initialiser and finaliser
   (DT_INIT, DT_FINI given by -init and -fini) beside the arrays: the old
   one runs first at the start and last at the end. */
#include <stdio.h>

void c_init(int argc) { printf("c init (DT_INIT), argc %d\n", argc); }
void c_fini(void) { puts("c fini (DT_FINI)"); }
static void __attribute__((constructor)) c_start(void) { puts("c constructor"); }
static void __attribute__((destructor)) c_end(void) { puts("c destructor"); }

const char *chain_c(void) { return "end of the chain"; }
