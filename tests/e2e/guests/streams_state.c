/* Buffering and state: setvbuf with Linux's mode numbers, setbuffer,
   setlinebuf, the stdio_ext questions, locking, and the fortified reads. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdio_ext.h>
#include <string.h>

size_t __fread_chk(void *, size_t, size_t, size_t, FILE *);
char *__fgets_chk(char *, size_t, int, FILE *);
char *__fgets_unlocked_chk(char *, size_t, int, FILE *);

int main(void)
{
    static char buffer[64], big[BUFSIZ];
    char line[8];
    FILE *f = fopen("state.txt", "w+");
    int c;
    int (*volatile eof_unlocked)(FILE *);
    int (*volatile error_unlocked)(FILE *);

    printf("full %d", setvbuf(f, big, _IOFBF, sizeof big));
    fputs("0123456789\nabc\n", f);
    printf(" none %d", setvbuf(stdout, NULL, _IONBF, 0));
    printf(" line %d", setvbuf(stdout, NULL, _IOLBF, 0));
    printf(" default %d", setvbuf(stdout, NULL, _IOFBF, 0));
    printf(" bad %d\n", setvbuf(f, NULL, 7, 0));
    setbuffer(stdout, buffer, sizeof buffer);
    printf("setbuffer then many lines\n");
    printf("more than sixty-four bytes of text go through the buffer here\n");
    setbuffer(stdout, NULL, 0);
    setlinebuf(stdout);
    printf("setlinebuf\n");

    printf("writing %d reading %d\n", __fwriting(f) != 0, __freading(f) != 0);
    rewind(f);
    c = getc(f);
    printf("after getc %c writing %d reading %d\n", c, __fwriting(f) != 0, __freading(f) != 0);
    fclose(f);

    f = fopen("state.txt", "r");
    printf("read-only reading %d writing %d\n", __freading(f) != 0, __fwriting(f) != 0);
    flockfile(f);
    printf("ftrylockfile %d\n", ftrylockfile(f));
    funlockfile(f);
    funlockfile(f);
    printf("fgets_chk [%s]", __fgets_chk(line, sizeof line, 5, f));
    printf(" [%s]", __fgets_chk(line, sizeof line, 100, f));
    printf(" [%s]\n", __fgets_unlocked_chk(line, sizeof line, 100, f));
    printf("fread_chk %d", (int)__fread_chk(line, sizeof line, 1, 4, f));
    printf(" [%.4s]", line);
    printf(" eof %d\n", (int)__fread_chk(line, sizeof line, 2, 4, f));
    /* Through pointers: optimised code expands these inline, reading the
       Linux C library's stream record. */
    eof_unlocked = feof_unlocked;
    error_unlocked = ferror_unlocked;
    printf("feof %d", eof_unlocked(f));
    printf(" ferror %d", error_unlocked(f));
    clearerr_unlocked(f);
    printf(" cleared %d fileno %d\n", feof(f), fileno_unlocked(f) > 2);
    fclose(f);

    f = fopen("state.txt", "w");
    fputs("dropped", f);
    __fpurge(f);
    fputs("kept", f);
    fflush_unlocked(f);
    fclose(f);
    f = fopen("state.txt", "r");
    printf("after purge [%s]\n", fgets(line, sizeof line, f));
    fclose(f);

    remove("state.txt");
    return 0;
}
