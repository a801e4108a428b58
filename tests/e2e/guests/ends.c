/* Each way a guest run can end, chosen by the first argument. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
#include <error.h>
#include <errno.h>

/* atoi would be a call the loader does not serve. */
static int number(const char *s)
{
    int n = 0;
    while (*s >= '0' && *s <= '9')
        n = n * 10 + (*s++ - '0');
    return n;
}

static void first(void) { printf("atexit first\n"); }
static void second(void) { printf("atexit second\n"); }

int main(int argc, char **argv)
{
    const char *how = argc > 1 ? argv[1] : "return";
    int code = argc > 2 ? number(argv[2]) : 0;

    atexit(first);
    atexit(second);
    printf("ending by %s\n", how);
    fflush(stdout);
    if (strcmp(how, "exit") == 0)
        exit(code);
    if (strcmp(how, "abort") == 0)
        abort();
    if (strcmp(how, "unknown") == 0) {
        /* gethostid is not one of the names the loader serves: the call is
           reported and answered with 0, and the run goes on. */
        int r = (int)gethostid();
        printf("unknown call returned %d\n", r);
        fflush(stdout);
    }
    if (strcmp(how, "fault") == 0) {
        *(volatile int *)16 = 1;
        printf("not reached\n");
    }
    if (strcmp(how, "error") == 0) {
        error(0, 0, "warning %d of %s", 1, "two");
        error(0, ENOENT, "with errno");
        error(code, 0, "fatal %s", "end");
        printf("not reached\n");
    }
    return code;
}
