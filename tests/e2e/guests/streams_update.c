/* Streams that both read and write, and streams whose writes fail.
     (no argument)  "r+" and "a+" switching between reading and writing,
                    ftello before and after each flush, fmemopen's "a+",
                    rewind and the error indicator, a flush that fails
                    because the descriptor went away
     full           fflush, fclose and fprintf onto /dev/full
     many           3000 streams open at once */
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

static void make(const char *path, const char *text, long repeat)
{
    FILE *f = fopen(path, "w");
    while (repeat-- > 0) fputs(text, f);
    fclose(f);
}

/* The whole file, or its start, as text. */
static void show(const char *label, const char *path)
{
    char text[64] = "";
    FILE *f = fopen(path, "r");
    fgets(text, sizeof text, f);
    printf("%s [%s]\n", label, text);
    fclose(f);
}

static void update(void)
{
    char buf[16] = "abc", text[32];
    FILE *f;
    int c;

    make("update.txt", "0123456789", 1);
    f = fopen("update.txt", "r+");
    ungetc('X', f);
    printf("r+ fresh ungetc ftell %ld", ftell(f));
    c = getc(f);
    c = getc(f);
    c = getc_unlocked(f);
    printf(" read %c ftello %lld", c, (long long)ftello(f));
    fputs("AB", f);
    printf(" wrote %lld", (long long)ftello(f));
    c = fflush(f);
    printf(" flush %d %lld", c, (long long)ftello(f));
    c = getc(f);
    printf(" read %c %lld", c, (long long)ftello(f));
    fputs("C", f);
    /* Straight from writing to reading: glibc writes out first. */
    c = getc(f);
    printf(" then %c %lld\n", c, (long long)ftello(f));
    fclose(f);
    show("r+ file", "update.txt");

    /* "a" starts at the end; "a+" reads from the start and writes at the
       end, past a buffer of reading. */
    make("update.txt", "wxyz", 1);
    f = fopen("update.txt", "a");
    fputs("123", f);
    printf("a ftello %lld", (long long)ftello(f));
    c = fflush(f);
    printf(" flush %d %lld\n", c, (long long)ftello(f));
    fclose(f);
    make("update.txt", "0123456789", 1000);
    f = fopen("update.txt", "a+");
    printf("a+ ftello %lld", (long long)ftello(f));
    c = getc(f);
    printf(" read %c %lld", c, (long long)ftello(f));
    fputs("END", f);
    printf(" wrote %lld", (long long)ftello(f));
    c = fflush(f);
    printf(" flush %d %lld", c, (long long)ftello(f));
    rewind(f);
    printf(" rewound %c", getc(f));
    fseek(f, -4, SEEK_END);
    printf(" tail [%s]\n", fgets(text, sizeof text, f));
    fclose(f);

    /* fmemopen's "a+": the end is the first null byte. */
    f = fmemopen(buf, sizeof buf, "a+");
    printf("fmemopen a+ ftello %ld", ftell(f));
    fputs("de", f);
    printf(" wrote %ld", ftell(f));
    fflush(f);
    printf(" [%s] %ld", buf, ftell(f));
    rewind(f);
    printf(" rewound %ld", ftell(f));
    printf(" read %c", getc(f));
    fputs("Z", f);
    fflush(f);
    printf(" wrote %ld [%s]", ftell(f), buf);
    fseek(f, 1, SEEK_SET);
    printf(" at 1 %c", getc(f));
    fputs("0123456789abcdef", f);
    printf(" full %d", fflush(f));
    printf(" [%.16s]\n", buf);
    fclose(f);

    /* The error indicator: set by a failed read, cleared by rewind. */
    f = fopen("update.txt", "w");
    errno = 0;
    c = getc(f);
    printf("read of w: %d errno %d ferror %d", c, errno, ferror(f));
    rewind(f);
    printf(" rewound ferror %d", ferror(f));
    fputs("x", f);
    fseek(f, 0, SEEK_END);
    getc(f);
    printf(" eof %d ferror %d", feof(f), ferror(f));
    rewind(f);
    printf(" rewound %d %d\n", feof(f), ferror(f));
    fclose(f);

    /* A descriptor closed under a stream: the flush and close fail. */
    f = fopen("update.txt", "w");
    fputs("lost", f);
    close(fileno(f));
    errno = 0;
    c = fflush(f);
    printf("fflush %d errno %d ferror %d", c, errno, ferror(f));
    errno = 0;
    c = fclose(f);
    printf(" fclose %d errno %d\n", c, errno);
    remove("update.txt");
}

static void full(void)
{
    FILE *f = fopen("/dev/full", "w");
    static char big[10000];
    int n, c;

    fputs("buffered", f);
    errno = 0;
    c = fflush(f);
    printf("fflush %d errno %d ferror %d", c, errno, ferror(f));
    clearerr(f);
    errno = 0;
    n = (int)fwrite(big, 1, sizeof big, f);
    printf(" fwrite %d errno %d", n, errno);
    clearerr(f);
    errno = 0;
    n = fprintf(f, "%9000d", 1);
    printf(" fprintf %d errno %d", n, errno);
    clearerr(f);
    printf(" fputs %d", fputs("x", f));
    errno = 0;
    c = fclose(f);
    printf(" fclose %d errno %d\n", c, errno);

    f = fopen("/dev/full", "w");
    setvbuf(f, NULL, _IONBF, 0);
    errno = 0;
    n = fputc('x', f);
    printf("unbuffered fputc %d errno %d", n, errno);
    errno = 0;
    n = fprintf(f, "%d", 42);
    printf(" fprintf %d errno %d", n, errno);
    errno = 0;
    c = fclose(f);
    printf(" fclose %d errno %d\n", c, errno);
}

/* The count of streams does not depend on this machine's limits: the
   guest asks for room for 3000 first. */
static void many(void)
{
    enum { COUNT = 3000 };
    static FILE *streams[COUNT];
    struct rlimit limit;
    int opened = 0, same = 0, closed = 0;
    char c;

    make("many.txt", "m", 1);
    getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < COUNT + 16) limit.rlim_cur = COUNT + 16;
    printf("setrlimit %d\n", setrlimit(RLIMIT_NOFILE, &limit));
    while (opened < COUNT && (streams[opened] = fopen("many.txt", "r")) != NULL) opened++;
    printf("opened %d", opened);
    if (opened < COUNT) printf(" errno %d", errno);
    for (int i = opened - 1; i >= 0; i--) {
        if (fread(&c, 1, 1, streams[i]) == 1 && c == 'm') same++;
    }
    for (int i = 0; i < opened; i++) closed += fclose(streams[i]) == 0;
    printf(" read %d closed %d\n", same, closed);
    remove("many.txt");
}

int main(int argc, char **argv)
{
    if (argc < 2) update();
    else if (strcmp(argv[1], "full") == 0) full();
    else if (strcmp(argv[1], "many") == 0) many();
    return 0;
}
