/* time and gettimeofday through raw system calls, against each other and
   against argv[1], the host clock when the test was set up, which no later
   reading may precede. */
#include "sys_raw.h"

static int atoi10(const char *s)
{
    int v = 0;
    while (*s >= '0' && *s <= '9') v = v * 10 + (*s++ - '0');
    return v;
}

/* b read first, a later: the clock never goes back, and the bound above is
   loose enough for any machine, however loaded. */
static int after(int a, int b) { return a >= b && a - b < 86400; }

int main(int argc, char **argv)
{
    int reference = argc > 1 ? atoi10(argv[1]) : 0;
    int stored = 0, t, r;
    int tv[3] = {0, 0, 0x5a5a5a5a}, tz[3] = {7, 7, 0x5a5a5a5a};
    int ebx_after, ecx_after;

    t = sys3(SYS_time, (int)&stored, 0, 0);
    say(t == stored ? "time stored: yes\n" : "time stored: no\n");
    say(after(t, reference) ? "time near host clock: yes\n" : "time near host clock: no\n");
    say(after(sys3(SYS_time, 0, 0, 0), t) ? "time without record: yes\n"
                                              : "time without record: no\n");

    __asm__ volatile("int $0x80"
                     : "=a"(r), "=b"(ebx_after), "=c"(ecx_after)
                     : "a"(SYS_gettimeofday), "b"(tv), "c"(tz)
                     : "memory");
    show("gettimeofday", r);
    say(ebx_after == (int)tv && ecx_after == (int)tz ? "registers kept: yes\n"
                                                     : "registers kept: no\n");
    say(after(tv[0], t) ? "seconds agree: yes\n" : "seconds agree: no\n");
    say(tv[1] >= 0 && tv[1] < 1000000 ? "microseconds in range: yes\n"
                                      : "microseconds in range: no\n");
    show("timezone", tz[0] * 10 + tz[1]);
    say(tv[2] == 0x5a5a5a5a && tz[2] == 0x5a5a5a5a ? "records only: yes\n"
                                                   : "records only: no\n");
    show("without records", sys3(SYS_gettimeofday, 0, 0, 0));
    return 0;
}
