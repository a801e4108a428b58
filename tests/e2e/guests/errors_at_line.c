/* error_at_line: the place before error()'s line, none without a file;
   with error_one_per_line set, a report for the place of the one before
   is left out, status and all. */
#include <errno.h>
#include <error.h>
#include <stdio.h>

int main(void)
{
    /* Not a constant: a compiler takes a call with a constant nonzero
       status for one that never returns. */
    volatile int status = 5;
    error_at_line(0, ENOENT, "file.c", 12, "message %d", 5);
    error_at_line(0, 0, NULL, 3, "no file %p %s", (void*)0x1234, (char*)0);
    error_at_line(0, 0, "f.c", 1, "first");
    error_one_per_line = 1;
    error_at_line(0, 0, "f.c", 1, "second");
    error_at_line(0, 0, "f.c", 1, "third");
    error_at_line(0, 0, "f.c", 2, "fourth");
    error_at_line(status, 0, "f.c", 2, "fifth");
    fflush(stdout);
    error_at_line(7, EILSEQ, "g.c", 9, "last");
    printf("not reached\n");
    return 0;
}
