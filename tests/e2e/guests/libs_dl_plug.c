/* A plug-in opened for everyone: it calls back into the program that
   opened it, and a library opened later uses its names. */
#include <stdio.h>

extern int dep_twice(int x);
extern int host_offset(void);

int plug_count = 3;

static void __attribute__((constructor)) plug_start(void) { puts("plug constructor"); }
static void __attribute__((destructor)) plug_end(void) { puts("plug destructor"); }

int plug_fn(int x)
{
    plug_count++;
    return dep_twice(x) + host_offset();
}
