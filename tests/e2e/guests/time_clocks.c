/* Clocks agree with each other and never go back; sleeps sleep; bad
   arguments get the Linux C library's errors. Only facts that hold on any
   run are printed. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <sys/time.h>
#include <sys/times.h>
#include <time.h>
#include <unistd.h>

static long long ns(const struct timespec *ts) { return ts->tv_sec * 1000000000LL + ts->tv_nsec; }

int main(void)
{
    static const struct { const char *name; clockid_t id; } clocks[] = {
        {"REALTIME", CLOCK_REALTIME}, {"MONOTONIC", CLOCK_MONOTONIC},
        {"PROCESS_CPUTIME_ID", CLOCK_PROCESS_CPUTIME_ID},
        {"THREAD_CPUTIME_ID", CLOCK_THREAD_CPUTIME_ID},
        {"MONOTONIC_RAW", CLOCK_MONOTONIC_RAW}, {"REALTIME_COARSE", CLOCK_REALTIME_COARSE},
        {"MONOTONIC_COARSE", CLOCK_MONOTONIC_COARSE}, {"BOOTTIME", CLOCK_BOOTTIME},
    };
    for (int i = 0; i < 8; i++) {
        struct timespec a, b, res;
        int ok = clock_gettime(clocks[i].id, &a) == 0;
        int backwards = 0;
        for (int k = 0; k < 2000; k++) {
            ok &= clock_gettime(clocks[i].id, &b) == 0;
            if (ns(&b) < ns(&a)) backwards = 1;
            a = b;
        }
        int r = clock_getres(clocks[i].id, &res);
        printf("%-18s gettime %s, never back %s, nsec in range %s, getres %d, step > 0 %s, "
               "step <= 20ms %s, null res %d\n", clocks[i].name, ok ? "ok" : "FAILED",
               backwards ? "NO" : "yes", a.tv_nsec >= 0 && a.tv_nsec < 1000000000 ? "yes" : "no",
               r, ns(&res) > 0 ? "yes" : "no", ns(&res) <= 20000000 ? "yes" : "no",
               clock_getres(clocks[i].id, NULL));
    }
    struct timespec ts;
    errno = 0;
    int r99 = clock_gettime(99, &ts), e99 = errno;
    printf("clock 99: %d errno %d; clock -5: %d\n", r99, e99, clock_gettime(-5, &ts));
    errno = 0;
    int r42 = clock_getres(42, &ts), e42 = errno;
    printf("getres 42: %d errno %d\n", r42, e42);

    time_t now = time(NULL), stored = 0;
    time(&stored);
    struct timeval tv;
    struct timezone tz = {99, 99};
    int g = gettimeofday(&tv, &tz);
    clock_gettime(CLOCK_REALTIME, &ts);
    printf("time stored %s; gettimeofday %d near time %s usec in range %s tz %d %d; "
           "realtime near time %s\n", stored - now <= 1 ? "yes" : "no", g,
           tv.tv_sec - now <= 2 && now - tv.tv_sec <= 2 ? "yes" : "no",
           tv.tv_usec >= 0 && tv.tv_usec < 1000000 ? "yes" : "no", tz.tz_minuteswest,
           tz.tz_dsttime, ts.tv_sec - now <= 2 && now - ts.tv_sec <= 2 ? "yes" : "no");
    struct timespec utc;
    int base = timespec_get(&utc, TIME_UTC);
    printf("timespec_get %d near time %s, other base %d\n", base,
           utc.tv_sec - now <= 2 && now - utc.tv_sec <= 2 ? "yes" : "no", timespec_get(&utc, 2));
    printf("1970 and after: %s, before 2038: %s\n", now > 1600000000 ? "yes" : "no",
           now < 2147483647 ? "yes" : "no");

    clock_t c0 = clock();
    volatile double x = 0;
    for (int i = 0; i < 3000000; i++) x += i * 0.5;
    clock_t c1 = clock();
    struct tms t;
    clock_t ticks = times(&t);
    printf("clock >= 0 %s, never back %s; times %s, user >= 0 %s\n", c0 >= 0 ? "yes" : "no",
           c1 >= c0 ? "yes" : "no", ticks != (clock_t)-1 ? "ok" : "FAILED",
           t.tms_utime >= 0 && t.tms_stime >= 0 ? "yes" : "no");

    struct timespec m0, m1, req = {0, 2000000}, rem = {7, 7};
    clock_gettime(CLOCK_MONOTONIC, &m0);
    int n = nanosleep(&req, &rem);
    clock_gettime(CLOCK_MONOTONIC, &m1);
    printf("nanosleep 2ms: %d, slept enough %s, rem %ld %ld\n", n,
           ns(&m1) - ns(&m0) >= 2000000 ? "yes" : "no", (long)rem.tv_sec, rem.tv_nsec);
    struct timespec bad = {0, 1000000000}, neg = {-1, 0};
    errno = 0;
    n = nanosleep(&bad, NULL);
    printf("nanosleep nsec 1e9: %d errno %d\n", n, errno);
    errno = 0;
    n = nanosleep(&neg, NULL);
    printf("nanosleep -1 s: %d errno %d\n", n, errno);

    clock_gettime(CLOCK_MONOTONIC, &m0);
    struct timespec until = m0;
    until.tv_nsec += 3000000;
    if (until.tv_nsec >= 1000000000) { until.tv_nsec -= 1000000000; until.tv_sec++; }
    n = clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL);
    clock_gettime(CLOCK_MONOTONIC, &m1);
    printf("clock_nanosleep until +3ms: %d, reached %s\n", n, ns(&m1) >= ns(&until) ? "yes" : "no");
    printf("clock_nanosleep in the past: %d\n",
           clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &(struct timespec){1, 0}, NULL));
    printf("clock_nanosleep relative 1ms: %d\n",
           clock_nanosleep(CLOCK_REALTIME, 0, &(struct timespec){0, 1000000}, NULL));
    printf("clock_nanosleep bad clock %d, thread cpu %d, bad nsec %d\n",
           clock_nanosleep(77, 0, &req, NULL), clock_nanosleep(CLOCK_THREAD_CPUTIME_ID, 0, &req, NULL),
           clock_nanosleep(CLOCK_MONOTONIC, 0, &bad, NULL));
    printf("sleep(0) %u usleep(1000) %d\n", sleep(0), usleep(1000));
    return 0;
}
