/* The stack protector: with "smash" a callee writes past the caller's
   array, and the caller's canary check ends the run on return. Only puts
   and fflush, which the fortified build leaves as they are. */
#include <stdio.h>
#include <string.h>

static void fill(char *p, int n) { memset(p, 'A', n); }
void (*volatile filler)(char *, int) = fill;

static int __attribute__((noinline)) guarded(int n)
{
    char buffer[16];
    puts(n > 16 ? "filling past the end" : "filling within");
    fflush(stdout);
    filler(buffer, n);
    return buffer[0] + buffer[n - 1];
}

int main(int argc, char **argv)
{
    int total = guarded(argc > 1 && strcmp(argv[1], "smash") == 0 ? 64 : 16);
    puts(total == 2 * 'A' ? "returned intact" : "returned wrong");
    return 0;
}
