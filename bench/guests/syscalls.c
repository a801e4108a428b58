/* syscalls: a loop of raw `int $0x80` system calls made by the guest itself,
   bypassing its C library, to measure the round trip of one call. Built
   twice: -DCALLS_TIME for time(NULL), the cheapest call there is, and
   -DCALLS_WRITE for 16-byte writes to a file opened with the raw open.
   The descriptor that open answers is used exactly as given: under the
   loader it is the address of a host record, not a small number. Only what
   every runner agrees on goes into the checksum (time's answer does not). */
#include <stdio.h>

#ifndef CALLS
#define CALLS 100000 /* bench/run passes the count it divides by */
#endif
enum { SYS_write = 4, SYS_open = 5, SYS_time = 13, SYS_lseek = 19 };

static int sys3(int nr, int a, int b, int c)
{
    int r;
    __asm__ volatile("int $0x80" : "=a"(r) : "0"(nr), "b"(a), "c"(b), "d"(c) : "memory");
    return r;
}

int main(void)
{
#if defined CALLS_TIME
    unsigned answered = 0;
    for (int i = 0; i < CALLS; i++)
        answered += sys3(SYS_time, 0, 0, 0) != 0;
    printf("syscalls time %d %u\n", CALLS, answered);
#elif defined CALLS_WRITE
    static const char record[16] = "0123456789abcde\n";
    /* write only, create, truncate; mode 0644 */
    int fd = sys3(SYS_open, (int)"syscalls-write.dat", 0x241, 0644);
    if (fd == 0 || (fd < 0 && fd > -4096)) {
        printf("syscalls write: open failed (%d)\n", fd);
        return 1;
    }
    unsigned written = 0;
    for (int i = 0; i < CALLS; i++)
        written += (unsigned)sys3(SYS_write, fd, (int)record, sizeof record);
    int end = sys3(SYS_lseek, fd, 0, 1);
    printf("syscalls write %d %u %d\n", CALLS, written, end);
#else
#error build with -DCALLS_TIME or -DCALLS_WRITE
#endif
    return 0;
}
