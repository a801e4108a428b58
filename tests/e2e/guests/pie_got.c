/* What a position-independent program reaches through its GOT: the option
   parser's variables and stdout (data objects in cells of the loader's), a
   weak name nothing defines (absent), a name nothing serves (reported, 0),
   and the program's own constructor. */
#include <stdio.h>
#include <unistd.h>

extern void __attribute__((weak)) no_such_weak_function(void);

static int constructed;

static void __attribute__((constructor)) construct(void) { constructed = 1; }

int main(int argc, char **argv)
{
    int c;
    printf("optind before: %d\n", optind);
    printf("opterr before: %d\n", opterr);
    while ((c = getopt(argc, argv, "q")) != -1)
        printf("option %c\n", c);
    printf("optind after: %d\n", optind);
    for (; optind < argc; optind++)
        printf("operand %s\n", argv[optind]);
    fflush(stdout);
    fputs("stdout is the stream: yes\n", stdout);
    printf("weak absent: %s\n", no_such_weak_function ? "no" : "yes");
    fflush(stdout);
    printf("unserved answered %d\n", (int)gethostid());
    printf("constructor ran: %s\n", constructed ? "yes" : "no");
    return 0;
}
