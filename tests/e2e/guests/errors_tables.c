/* The old C library's tables, linked by their last version as programs
   built against it did: sys_errlist and sys_nerr, sys_siglist. */
#include <stdio.h>

extern const char *const old_errlist[];
extern const int old_nerr;
extern const char *const old_siglist[];
__asm__(".symver old_errlist, sys_errlist@GLIBC_2.12");
__asm__(".symver old_nerr, sys_nerr@GLIBC_2.12");
__asm__(".symver old_siglist, sys_siglist@GLIBC_2.3.3");

int main(void)
{
    int i;
    printf("sys_nerr=%d\n", old_nerr);
    for (i = 0; i < old_nerr; i++)
        printf("%d: %s\n", i, old_errlist[i] ? old_errlist[i] : "(none)");
    for (i = 0; i < 65; i++)
        printf("signal %d: %s\n", i, old_siglist[i] ? old_siglist[i] : "(none)");
    return 0;
}
