/* error() and error_at_line() as the Linux C library writes them: standard
   output written out first, then on standard error the program's name (or
   what error_print_progname writes instead), the place, the message and
   the error's text. error_message_count counts the reports; with
   error_one_per_line set, a report for the place of the one before is
   left out, status and all. Standard output is a pipe here, so what main
   prints waits in its buffer until a report writes it out. */
#define _GNU_SOURCE
#include <errno.h>
#include <error.h>
#include <stdio.h>

static void print_name(void)
{
    fputs("[named by the program] ", stderr);
}

int main(void)
{
    /* Not a constant: a compiler takes a call with a constant nonzero
       status for one that never returns. */
    volatile int status = 5;
    printf("before the first report\n");
    error(0, 0, "plain %s %d", "message", 1);
    printf("count %u\n", error_message_count);
    error(0, ENOENT, "with errno");
    error(0, 9999, "an unknown number");
    errno = EACCES;
    error(0, 0, "%%m is %m");

    error_at_line(0, ENOENT, "file.c", 12, "message %d", 5);
    error_at_line(0, 0, NULL, 3, "no file %p %s", (void*)0x1234, (char*)0);
    error_at_line(0, 0, "f.c", 1, "first");
    error_one_per_line = 1;
    error_at_line(0, 0, "f.c", 1, "second");
    error_at_line(0, 0, "f.c", 1, "third");
    error_at_line(0, 0, "f.c", 2, "fourth");
    error_at_line(status, 0, "f.c", 2, "fifth");
    error_one_per_line = 0;
    printf("count %u\n", error_message_count);

    error_print_progname = print_name;
    error(0, EINTR, "with a name of its own");
    error_at_line(0, 0, "h.c", 4, "placed");
    error_at_line(0, 0, NULL, 0, "nowhere");
    error_print_progname = NULL;
    program_invocation_name = "renamed";
    error(0, 0, "after renaming");
    printf("count %u\n", error_message_count);

    printf("last words\n");
    error_at_line(7, EILSEQ, "g.c", 9, "last");
    printf("not reached\n");
    return 0;
}
