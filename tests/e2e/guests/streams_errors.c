/* Every failure's errno, as Linux numbers, and perror's lines (standard
   error goes to a file with freopen and is read back). */
#define _GNU_SOURCE
#include <errno.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#define TRY(label, expr) do { long r_; int e_; errno = 0; r_ = (long)(expr); e_ = errno; \
    printf("%-24s %ld errno %d\n", label, r_, e_); } while (0)

int main(void)
{
    FILE *f;
    char line[128];
    int fd;

    f = fopen("exists.txt", "w");
    fputs("x", f);
    fclose(f);
    mkdir("dir", 0777);
    mkdir("full", 0777);
    fclose(fopen("full/file", "w"));

    TRY("fopen missing", fopen("no/such/file", "r") != NULL);
    TRY("fopen missing r", fopen("missing.txt", "r") != NULL);
    TRY("fopen bad mode", fopen("exists.txt", "z") != NULL);
    TRY("fopen empty mode", fopen("exists.txt", "") != NULL);
    TRY("fopen wx existing", fopen("exists.txt", "wx") != NULL);
    TRY("fopen dir to write", fopen("dir", "w") != NULL);
    TRY("fopen empty name", fopen("", "r") != NULL);
    TRY("fdopen bad fd", fdopen(99, "r") != NULL);
    fd = open("exists.txt", O_RDONLY);
    TRY("fdopen bad mode", fdopen(fd, "q") != NULL);
    close(fd);
    TRY("popen bad mode", popen("echo", "rw") != NULL);
    TRY("popen no mode", popen("echo", "") != NULL);
    TRY("remove missing", remove("missing.txt"));
    TRY("remove full dir", remove("full"));
    TRY("rename missing", rename("missing.txt", "other.txt"));
    TRY("rename file onto dir", rename("exists.txt", "dir"));
    TRY("rename dir onto file", rename("dir", "exists.txt"));
    TRY("rename onto full dir", rename("dir", "full"));
    TRY("rename into nowhere", rename("exists.txt", "no/such/name"));

    f = fopen("exists.txt", "r");
    TRY("fputc on read stream", fputc('c', f));
    TRY("ferror", ferror(f));
    clearerr(f);
    TRY("cleared", ferror(f));
    TRY("fputs on read stream", fputs("abc", f));
    TRY("fwrite on read stream", fwrite("abc", 1, 3, f));
    TRY("fseek bad whence", fseek(f, 0, 9));
    TRY("fseek before start", fseek(f, -1, SEEK_SET));
    TRY("setvbuf bad mode", setvbuf(f, NULL, 7, 0));
    fclose(f);

    f = fopen("exists.txt", "a");
    TRY("fgets on append stream", fgets(line, sizeof line, f) != NULL);
    TRY("ferror", ferror(f));
    clearerr(f);
    {
        char *text = NULL;
        size_t cap = 0;
        TRY("getline on append stream", getline(&text, &cap, f));
        TRY("ferror", ferror(f));
        free(text);
    }
    fclose(f);

    /* perror on standard error, which a file now takes. */
    f = freopen("errors.log", "w", stderr);
    printf("freopen stderr %d\n", f == stderr);
    errno = ENOENT;
    perror("opening");
    errno = EACCES;
    perror("");
    errno = EISDIR;
    perror(NULL);
    errno = 1234;
    perror("odd");
    errno = ENOTEMPTY;
    perror("dir");
    printf("errno kept %d\n", errno);
    fflush(stderr);
    f = fopen("errors.log", "r");
    while (fgets(line, sizeof line, f) != NULL) printf("stderr: %s", line);
    fclose(f);

    fclose(stderr);
    remove("errors.log");
    remove("exists.txt");
    remove("full/file");
    remove("full");
    remove("dir");
    return 0;
}
