/* A date tool: fixed instants shown in several zones, calendar arithmetic
 * with mktime, and dates parsed back. */
#define _GNU_SOURCE
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static void show(const char *zone, time_t t) {
    setenv("TZ", zone, 1);
    tzset();
    struct tm tm;
    localtime_r(&t, &tm);
    char buf[128];
    strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S %Z %z (%a %b %e, day %j, week %V)", &tm);
    printf("%-28s %s dst=%d\n", zone, buf, tm.tm_isdst);
}

int main(void) {
    const time_t instants[] = {0, 1000000000, 1719835200, 1735689599, 951782400};
    const char *zones[] = {"UTC0", "EST5EDT,M3.2.0,M11.1.0", "CET-1CEST,M3.5.0,M10.5.0/3",
                           "JST-9", "NZST-12NZDT,M9.5.0,M4.1.0/3"};
    for (size_t i = 0; i < sizeof instants / sizeof *instants; i++) {
        printf("instant %lld\n", (long long)instants[i]);
        for (size_t z = 0; z < sizeof zones / sizeof *zones; z++) show(zones[z], instants[i]);
    }
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    printf("tzname %s/%s daylight=%d timezone=%ld\n", tzname[0], tzname[1], daylight, timezone);
    struct tm tm = {0};
    tm.tm_year = 2024 - 1900; tm.tm_mon = 0; tm.tm_mday = 31; tm.tm_hour = 12;
    tm.tm_isdst = -1;
    for (int step = 0; step < 4; step++) {
        time_t t = mktime(&tm);
        char buf[64];
        strftime(buf, sizeof buf, "%F %T %Z", &tm);
        printf("%s = %lld (wday %d yday %d)\n", buf, (long long)t, tm.tm_wday, tm.tm_yday);
        tm.tm_mon += 1;  /* Jan 31 + 1 month normalises into March */
        tm.tm_mday += 7;
        tm.tm_isdst = -1;
    }
    struct tm a = {0}, b = {0};
    const char *rest = strptime("2024-03-31 01:30:00", "%Y-%m-%d %H:%M:%S", &a);
    a.tm_isdst = -1;
    b = a;
    b.tm_hour += 2;
    time_t ta = mktime(&a), tb = mktime(&b);
    printf("parsed rest='%s' diff=%.0f s, after: %02d:%02d dst=%d\n", rest ? rest : "(null)",
           difftime(tb, ta), b.tm_hour, b.tm_min, b.tm_isdst);
    time_t now = time(NULL);
    printf("clock sane: %s\n", now > 1600000000 ? "yes" : "no");
    struct tm g;
    gmtime_r(&instants[2], &g);
    printf("asctime: %s", asctime(&g));
    unsetenv("TZ");
    return 0;
}
