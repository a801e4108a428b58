/* Opened for itself alone, and closed again. */
#include <stdio.h>

extern int plug_fn(int x);

static void __attribute__((constructor)) other_start(void) { puts("other constructor"); }

int other_fn(void) { return plug_fn(1) * 10; }
