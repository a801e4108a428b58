/* A fortified fgets asked for more than its buffer holds, on a line of
   standard input that does not fit: the run ends with the Linux C
   library's report. */
#include <stdio.h>

char *__fgets_chk(char *, size_t, int, FILE *);

int main(void)
{
    char small[8];
    printf("before\n");
    fflush(stdout);
    __fgets_chk(small, sizeof small, 100, stdin);
    printf("not reached\n");
    return 0;
}
