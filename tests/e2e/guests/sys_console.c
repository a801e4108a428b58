/* Console write and read through raw system calls: a read stops after a line
   end, a longer line is delivered in pieces, and the end of input reads 0. */
#include "sys_raw.h"

int main(void)
{
    char buf[64];
    int n;

    show("write", sys3(SYS_write, 1, (int)"Hi\n", 3));
    show("write fd 2", sys3(SYS_write, 2, (int)"to fd 2\n", 8));
    show("write nothing", sys3(SYS_write, 1, (int)"x", 0));

    n = sys3(SYS_read, 0, (int)buf, 5);
    showbytes("read 5", buf, n);
    n = sys3(SYS_read, 0, (int)buf, 3);
    showbytes("read 3", buf, n);
    n = sys3(SYS_read, 1, (int)buf, sizeof buf);  /* 1 reads the console too */
    showbytes("read fd 1", buf, n);
    n = sys3(SYS_read, 0, (int)buf, sizeof buf);
    showbytes("read rest", buf, n);
    show("read at end", sys3(SYS_read, 0, (int)buf, sizeof buf));
    sys3(SYS_exit, 5, 0, 0);
    return 99;
}
