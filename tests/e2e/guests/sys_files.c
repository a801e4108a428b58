/* A file's whole life through raw system calls, and the errors a guest sees.
   argv[1] is a scratch directory. Everything printed holds natively too. */
#include "sys_raw.h"

static char path[512], other[512];

static void join(char *out, const char *dir, const char *name)
{
    int i = 0;
    while (*dir) out[i++] = *dir++;
    out[i++] = '/';
    while (*name) out[i++] = *name++;
    out[i] = 0;
}

static void showfd(const char *label, int fd)
{
    say(label);
    say(fd > 2 && (unsigned)fd < -4096u ? " fd\n" : " bad\n");
}

int main(int argc, char **argv)
{
    char buf[64], big[320];
    int fd, n;

    if (argc < 2) return 2;
    join(path, argv[1], "life.txt");

    fd = sys3(SYS_open, (int)path, WR | CREAT | TRUNC, 0644);
    showfd("create", fd);
    show("write", sys3(SYS_write, fd, (int)"hello world\n", 12));
    show("tell", sys3(SYS_lseek, fd, 0, 1));
    show("read write-only", sys3(SYS_read, fd, (int)buf, 4));
    show("close", sys3(SYS_close, fd, 0, 0));

    fd = sys3(SYS_open, (int)path, RD, 0);
    showfd("open", fd);
    n = sys3(SYS_read, fd, (int)buf, 5);
    showbytes("read 5", buf, n);
    show("seek end-6", sys3(SYS_lseek, fd, -6, 2));
    n = sys3(SYS_read, fd, (int)buf, sizeof buf);
    showbytes("read to end", buf, n);
    show("read past end", sys3(SYS_read, fd, (int)buf, sizeof buf));
    show("seek whence 9", sys3(SYS_lseek, fd, 0, 9));
    show("seek negative", sys3(SYS_lseek, fd, -100, 1));
    show("write read-only", sys3(SYS_write, fd, (int)"x", 1));
    show("close", sys3(SYS_close, fd, 0, 0));
    show("close again", sys3(SYS_close, fd, 0, 0));

    fd = sys3(SYS_open, (int)path, WR | APPEND, 0);
    sys3(SYS_lseek, fd, 0, 0);
    show("append", sys3(SYS_write, fd, (int)"more\n", 5));
    sys3(SYS_close, fd, 0, 0);
    fd = sys3(SYS_open, (int)path, RDWR, 0);
    n = sys3(SYS_read, fd, (int)buf, sizeof buf);
    showbytes("after append", buf, n);
    sys3(SYS_close, fd, 0, 0);

    show("exclusive", sys3(SYS_open, (int)path, WR | CREAT | EXCL, 0644));
    show("directory", sys3(SYS_open, (int)argv[1], WR, 0));
    join(other, argv[1], "missing.txt");
    show("missing", sys3(SYS_open, (int)other, RD, 0));
    join(other, argv[1], "nodir/new.txt");
    show("missing dir", sys3(SYS_open, (int)other, WR | CREAT, 0644));
    for (n = 0; n < 300; n++) big[n] = 'x';
    big[300] = 0;
    show("long name", sys3(SYS_open, (int)big, RD, 0));

    show("read stray", sys3(SYS_read, 12345, (int)buf, 1));
    show("write stray", sys3(SYS_write, 0x1234, (int)"x", 1));
    show("close stray", sys3(SYS_close, 77777, 0, 0));
    show("seek console", sys3(SYS_lseek, 1, 0, 0));
    sys3(SYS_exit, 0, 0, 0);
    return 99;
}
