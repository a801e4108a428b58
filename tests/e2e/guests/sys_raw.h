/* Raw Linux i386 system calls for the system-call guests: nothing here goes
   through the C library, so every call below reaches the loader's trap. */
#ifndef SYS_RAW_H
#define SYS_RAW_H

enum { SYS_exit = 1, SYS_read = 3, SYS_write = 4, SYS_open = 5, SYS_close = 6,
       SYS_time = 13, SYS_lseek = 19, SYS_brk = 45, SYS_gettimeofday = 78 };
enum { RD = 0, WR = 1, RDWR = 2, CREAT = 0100, EXCL = 0200, TRUNC = 01000,
       APPEND = 02000 };

static inline int sys3(int n, int a, int b, int c)
{
    int r;
    __asm__ volatile("int $0x80" : "=a"(r) : "a"(n), "b"(a), "c"(b), "d"(c) : "memory");
    return r;
}

static inline int len(const char *s)
{
    int n = 0;
    while (s[n]) n++;
    return n;
}

static inline void say(const char *s) { sys3(SYS_write, 1, (int)s, len(s)); }

static inline void saynum(int v)
{
    char buf[12];
    int i = sizeof buf;
    unsigned u = v < 0 ? -(unsigned)v : (unsigned)v;
    do buf[--i] = '0' + u % 10; while ((u /= 10) != 0);
    if (v < 0) buf[--i] = '-';
    sys3(SYS_write, 1, (int)(buf + i), sizeof buf - i);
}

/* "label value\n" */
static inline void show(const char *label, int v)
{
    say(label);
    say(" ");
    saynum(v);
    say("\n");
}

/* Bytes as text, a line feed shown as \n. */
static inline void showbytes(const char *label, const char *p, int n)
{
    say(label);
    say(" [");
    for (int i = 0; i < n; i++) {
        if (p[i] == '\n') say("\\n");
        else sys3(SYS_write, 1, (int)(p + i), 1);
    }
    say("]\n");
}

#endif
