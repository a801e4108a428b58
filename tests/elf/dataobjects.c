/* The C library's data objects that a program uses directly live in its
   own .bss (copy relocations); the loader must fill them with the host's
   streams after placing the data segment, or the first use crashes. */
#include <stdio.h>

int main(void)
{
    char line[64];
    size_t got;
    fprintf(stdout, "stdout %s\n", "works");
    fputs("stderr works\n", stderr);
    got = fread(line, 1, sizeof line - 1, stdin);
    line[got] = 0;
    fprintf(stdout, "read %d: %s", (int)got, line);
    return 0;
}
