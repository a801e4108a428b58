/* Opened for itself alone and closed again: its destructor runs at the
   close, not at exit. */
#include <stdio.h>

extern int plug_fn(int x);

static void __attribute__((constructor)) other_start(void) { puts("other constructor"); }
static void __attribute__((destructor)) other_end(void) { puts("other destructor"); }

int other_fn(void) { return plug_fn(1) * 10; }
