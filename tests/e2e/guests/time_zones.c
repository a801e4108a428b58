/* Zones the guest names in TZ (set here: the harness gives the guest a
   fixed environment): UTC by its names, POSIX rules with daylight time in
   either hemisphere, Julian-day rules, offsets with minutes, and values the
   C library cannot use. For each: tzname, timezone, daylight, local times
   around the changes of the year, and mktime's readings of tm_isdst. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static const char *zones[] = {
    "UTC0", "UTC", "GMT", ":UTC", "", "EST5EDT,M3.2.0,M11.1.0", "EST5EDT",
    "CET-1CEST,M3.5.0,M10.5.0/3", "<+03>-3", "NZST-12NZDT,M9.5.0,M4.1.0/3",
    "AAA3BBB,J60/-1,300/25", "JST-9", "EST+5:30", "XYZ", "ab1", "Foo/Bar",
    "<-0330>3:30<-0230>,M3.2.0/-1:30,M11.1.0/25", "IST-5:30",
};

static const time_t moments[] = {
    0, 1700000000, 1690000000, 1678604399, 1678604400, 1699163999, 1699164000,
    1679792399, 1679792400, 1698541199, 1698541200, 1680357599, 1680357600,
    2147483647, -2147483647 - 1, 951782400,
};

static void show(time_t t)
{
    struct tm tm;
    char out[128];
    localtime_r(&t, &tm);
    strftime(out, sizeof out, "%F %T %z %Z %s", &tm);
    printf("  %11ld %s dst %d off %ld\n", (long)t, out, tm.tm_isdst, tm.tm_gmtoff);
}

static void reading(int year, int mon, int mday, int hour, int min, int isdst)
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = year - 1900; tm.tm_mon = mon - 1; tm.tm_mday = mday;
    tm.tm_hour = hour; tm.tm_min = min; tm.tm_isdst = isdst;
    time_t t = mktime(&tm);
    char out[64];
    strftime(out, sizeof out, "%F %T %Z", &tm);
    printf("  mktime %d-%02d-%02d %02d:%02d isdst %2d -> %ld %s dst %d\n", year, mon, mday,
           hour, min, isdst, (long)t, out, tm.tm_isdst);
}

int main(void)
{
    printf("before tzset: %s/%s %ld %d\n", tzname[0], tzname[1], timezone, daylight);
    for (int i = 0; i < (int)(sizeof zones / sizeof zones[0]); i++) {
        setenv("TZ", zones[i], 1);
        tzset();
        printf("TZ=\"%s\": tzname %s/%s timezone %ld daylight %d\n", zones[i], tzname[0],
               tzname[1], timezone, daylight);
        for (int k = 0; k < (int)(sizeof moments / sizeof moments[0]); k++) show(moments[k]);
        reading(2023, 3, 12, 2, 30, -1);
        reading(2023, 3, 12, 2, 30, 0);
        reading(2023, 3, 12, 2, 30, 1);
        reading(2023, 11, 5, 1, 30, -1);
        reading(2023, 11, 5, 1, 30, 0);
        reading(2023, 11, 5, 1, 30, 1);
        reading(2023, 7, 1, 12, 0, 0);
        reading(2023, 1, 1, 12, 0, 1);
        reading(2023, 10, 29, 2, 30, -1);
        char buf[32];
        time_t t = 1700000000;
        printf("  ctime %s", ctime_r(&t, buf));
    }
    /* localtime reads TZ again without tzset, as the C library does. */
    setenv("TZ", "JST-9", 1);
    time_t t = 0;
    printf("localtime after setenv: %d %s\n", localtime(&t)->tm_hour, tzname[0]);
    unsetenv("TZ");
    tzset();
    printf("unset: %s/%s %ld %d\n", tzname[0], tzname[1], timezone, daylight);
    return 0;
}
