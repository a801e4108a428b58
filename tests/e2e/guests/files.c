/* File I/O through the C library: open flags by meaning, read to the end,
   append, exclusive creation, dup, errno after a failure. */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "files.tmp";
    char buf[64];
    int fd, fd2, n;

    fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    printf("create ok=%d\n", fd >= 0);
    printf("write=%d\n", (int)write(fd, "first line\n", 11));
    close(fd);

    fd = open(path, O_WRONLY | O_APPEND);
    printf("append ok=%d write=%d\n", fd >= 0, (int)write(fd, "second\n", 7));
    close(fd);

    fd = open(path, O_RDONLY);
    n = (int)read(fd, buf, sizeof buf - 1);
    buf[n > 0 ? n : 0] = 0;
    printf("read=%d text=%s", n, buf);
    printf("read at end=%d\n", (int)read(fd, buf, sizeof buf));
    fd2 = fcntl(fd, F_DUPFD, 0);
    printf("dup ok=%d\n", fd2 >= 0 && fd2 != fd);
    close(fd2);
    close(fd);

    fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
    printf("exclusive fails=%d errno=%d\n", fd < 0, errno);

    fd = open(path, O_WRONLY | O_CREAT, 0644);
    write(fd, "FIRST", 5);
    close(fd);
    fd = open(path, O_RDONLY);
    n = (int)read(fd, buf, sizeof buf - 1);
    buf[n > 0 ? n : 0] = 0;
    printf("no truncation: %d %s", n, buf);
    close(fd);

    errno = 0;
    fd = open("no/such/dir/file", O_RDONLY);
    printf("missing fd=%d errno=%d\n", fd, errno);
    return 0;
}
