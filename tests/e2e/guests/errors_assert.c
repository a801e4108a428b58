/* A failing assertion and its kin: the report on standard error names the
   program, the place and the function. What was printed before it is not
   lost. */
#define _GNU_SOURCE
#include <assert.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>

void __assert(const char *assertion, const char *file, int line);

int main(int argc, char **argv)
{
    const char *how = argc > 1 ? argv[1] : "";
    printf("before\n");
    if (strcmp(how, "perror") == 0) __assert_perror_fail(ENOENT, "place.c", 7, "fn");
    if (strcmp(how, "old") == 0) __assert("expr", "place.c", 9);
    if (strcmp(how, "nofunction") == 0) __assert_fail("expr", "place.c", 11, NULL);
    if (strcmp(how, "renamed") == 0) program_invocation_short_name = "renamed";
    if (strcmp(how, "pass") == 0) {
        assert(argc == 2);
        printf("passed\n");
        return 0;
    }
#line 42 "guest.c"
    assert(argc == 99);
    printf("not reached\n");
    return 0;
}
