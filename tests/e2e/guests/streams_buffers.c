/* When buffered bytes reach the descriptor, seen by writing to the same
   descriptor past the stream: standard output (a pipe) in each setvbuf
   mode, a small buffer of the guest's, standard error unbuffered (the case
   merges it into standard output). With "closed", a program that closes
   descriptor 0 and reads on. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdio_ext.h>
#include <string.h>
#include <unistd.h>

static void mark(const char *text) { write(1, text, strlen(text)); }

static void modes(void)
{
    static char small[200];
    char big[501];

    printf("full: buffered");
    mark("<1>");
    printf(" size %d\n", (int)__fbufsize(stdout));
    mark("<2>");
    fflush(stdout);
    mark("<3>\n");

    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("line: up to");
    mark("<4>");
    fputs(" the end\nthen the rest", stdout);
    mark("<5>");
    putc_unlocked('\n', stdout);
    putc_unlocked('c', stdout);
    mark("<6>");
    putchar('\n');

    setvbuf(stdout, NULL, _IONBF, 0);
    printf("none:");
    mark("<7>");
    putc_unlocked('x', stdout);
    mark("<8>\n");

    /* A 200-byte buffer: 500 bytes fill it, one block goes straight out
       and 100 bytes stay. */
    setvbuf(stdout, small, _IOFBF, sizeof small);
    memset(big, '.', 500);
    big[499] = '\n';
    big[500] = '\0';
    fputs("small:", stdout);
    fputs(big, stdout);
    mark("<9>\n");
    printf("%s", big);
    mark("<10>\n");
    fflush(stdout);

    /* Standard error writes at once; made fully buffered, it waits. */
    fputs("stderr at once", stderr);
    mark("<11>\n");
    setvbuf(stderr, NULL, _IOFBF, BUFSIZ);
    fprintf(stderr, "stderr buffered\n");
    mark("<12>\n");
    fflush(stderr);
    setvbuf(stdout, NULL, _IOFBF, 0);
    printf("at exit\n");
    mark("<13>\n");
}

/* Standard input's descriptor closed: the stream fails with EBADF; the
   next file opened takes descriptor 0 and standard input reads it. */
static void closed(void)
{
    FILE *f = fopen("closed.txt", "w");
    int c, fd;

    fputs("from the new file\n", f);
    fclose(f);
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("close %d", close(0));
    errno = 0;
    c = getchar();
    printf(" getchar %d errno %d ferror %d eof %d fileno %d\n", c, errno, ferror(stdin),
           feof(stdin), fileno(stdin));
    errno = 0;
    fd = fcntl(0, F_GETFD);
    printf("fcntl %d errno %d\n", fd, errno);
    fd = open("closed.txt", O_RDONLY);
    printf("open %d", fd);
    clearerr(stdin);
    c = getchar();
    printf(" getchar %c", c);
    printf(" ungetc %c", ungetc(c, stdin));
    printf(" scanf %d\n", scanf("%*s %*s %*s %*s"));
    printf("fclose %d", fclose(stdin));
    errno = 0;
    fd = (int)read(0, &c, 1);
    printf(" read %d errno %d\n", fd, errno);
    remove("closed.txt");
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "closed") == 0) closed();
    else modes();
    return 0;
}
