/* What the opened library needs: loaded and initialised before it. */
#include <stdio.h>

static void __attribute__((constructor)) dep_start(void) { puts("dep constructor"); }
int dep_twice(int x) { return 2 * x; }
