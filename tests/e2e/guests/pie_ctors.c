/* The program's own start-up and clean-up code: constructors run before
   main in priority order, destructors after the at-exit routines, on
   main's return and on exit alike. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void __attribute__((constructor(200))) first(void) { puts("constructor 200"); }
static void __attribute__((constructor(300))) second(void) { puts("constructor 300"); }
static void __attribute__((destructor)) last(void) { puts("destructor"); }
static void registered(void) { puts("at-exit routine"); }

int main(int argc, char **argv)
{
    atexit(registered);
    puts("main");
    if (argc > 1 && strcmp(argv[1], "exit") == 0)
        exit(3);
    return 0;
}
