/* stdio: a million formatted lines through printf to standard output (sent
   to /dev/null when timed), the buffered host stream doing the work. The
   last line carries a checksum of what was formatted. */
#include <stdio.h>

enum { LINES = 1000000 };

static const char *const names[] = { "read", "write", "open", "close", "seek" };

int main(void)
{
    unsigned x = 0x9e3779b9u, sum = 0;
    for (int i = 0; i < LINES; i++) {
        x = x * 1664525u + 1013904223u;
        sum += (unsigned)printf("%7d %-5s %08x %c\n", i, names[x % 5], x, 'a' + (int)(x >> 27));
    }
    printf("stdio %u\n", sum);
    return 0;
}
