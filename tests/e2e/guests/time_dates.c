/* Dates from a table of times (the epoch, leap days, 2038, before 1970)
   through gmtime, localtime, timegm, mktime, asctime, ctime and every
   strftime conversion, in the zone the run starts with (UTC on the test
   machines: TZ unset and the host's zone UTC); then mktime's
   normalisation, strftime's flags and widths, and strptime. */
#define _GNU_SOURCE
#include <stdio.h>
#include <string.h>
#include <time.h>

static const time_t times[] = {
    0, -1, 86399, 86400, 951782400, 951868800, 1078012800, 68169600,
    2147483647, -2147483647 - 1, 1700000000, -946771200, 946684799,
    1104537600, 1135987200, 1230768000, 1609459200, 1262304000, 1293753600,
    -1000000000, 1583020800, 1483228799, 1514764800,
};
#define NTIMES (int)(sizeof times / sizeof times[0])

static const char every[] =
    "%a|%A|%b|%B|%c|%C|%d|%D|%e|%F|%g|%G|%h|%H|%I|%j|%k|%l|%m|%M|%n|%p|%P|%r|"
    "%R|%s|%S|%t|%T|%u|%U|%V|%w|%W|%x|%X|%y|%Y|%z|%Z|%%|%Ec|%EC|%Ex|%EX|%Ey|%EY|"
    "%Od|%Oe|%OH|%OI|%Om|%OM|%OS|%Ou|%OU|%OV|%Ow|%OW|%Oy";

static void show(const char *what, const struct tm *tm)
{
    char out[512];
    size_t n = strftime(out, sizeof out, every, tm);
    printf("  %s %d-%d-%d %d:%d:%d wday %d yday %d dst %d off %ld zone %s\n  [%zu] %s\n",
           what, tm->tm_year, tm->tm_mon, tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec,
           tm->tm_wday, tm->tm_yday, tm->tm_isdst, tm->tm_gmtoff,
           tm->tm_zone ? tm->tm_zone : "(null)", n, out);
}

static void normalise(int year, int mon, int mday, int hour, int min, int sec, int isdst)
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = year; tm.tm_mon = mon; tm.tm_mday = mday;
    tm.tm_hour = hour; tm.tm_min = min; tm.tm_sec = sec; tm.tm_isdst = isdst;
    struct tm g = tm;
    time_t t = mktime(&tm);
    time_t u = timegm(&g);
    char a[64], b[64];
    strftime(a, sizeof a, "%F %T %a %j %Z", &tm);
    strftime(b, sizeof b, "%F %T %a %j %Z", &g);
    printf("normalise %d/%d/%d %d:%d:%d -> mktime %ld %s | timegm %ld %s\n",
           year, mon, mday, hour, min, sec, (long)t, a, (long)u, b);
}

static void parse(const char *text, const char *format)
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_mday = 1;
    char *end = strptime(text, format, &tm);
    printf("strptime(\"%s\", \"%s\") -> %s", text, format,
           end ? "ok" : "NULL");
    if (end)
        printf(" rest \"%s\" %d-%d-%d %d:%d:%d wday %d yday %d", end, tm.tm_year, tm.tm_mon,
               tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday, tm.tm_yday);
    printf("\n");
}

int main(void)
{
    for (int i = 0; i < NTIMES; i++) {
        struct tm g, l;
        char a[32], c[32];
        printf("time %ld\n", (long)times[i]);
        show("gmtime", gmtime_r(&times[i], &g));
        show("localtime", localtime_r(&times[i], &l));
        struct tm back = g;
        printf("  timegm %ld mktime %ld\n", (long)timegm(&back), (long)mktime(&l));
        printf("  asctime %s  ctime %s", asctime_r(&g, a), ctime_r(&times[i], c));
    }
    printf("difftime %.1f %.1f\n", difftime(10, 3), difftime(-2147483647 - 1, 2147483647));
    struct tm *shared = gmtime(&times[1]);
    printf("gmtime and localtime share: %d\n", shared == localtime(&times[2]));
    printf("asctime %s", asctime(shared));
    printf("ctime %s", ctime(&times[8]));

    normalise(100, 0, 1, 0, 0, 0, 0);
    normalise(100, 14, 0, -1, 0, 3600, 0);
    normalise(100, -1, 31, 24, 60, 60, -1);
    normalise(70, 0, 1, 0, 0, -1, 0);
    normalise(138, 0, 19, 3, 14, 8, 0);
    normalise(138, 0, 19, 3, 14, 7, 0);
    normalise(1, 11, 13, 20, 45, 52, 0);
    normalise(1, 11, 13, 20, 45, 51, 0);
    normalise(100, 1, 29 + 365, 0, 0, 0, 0);
    normalise(-1000, 0, 1, 0, 0, 0, 0);

    struct tm tm;
    memset(&tm, 0, sizeof tm);
    tm.tm_year = -1905; tm.tm_mon = 0; tm.tm_mday = 5; tm.tm_hour = 13; tm.tm_wday = 3;
    tm.tm_zone = "ABC"; tm.tm_gmtoff = -3600 * 5 - 1800;
    static const char *flags[] = {
        "%Y|%C|%y|%G|%g", "%5Y|%_5Y|%-5Y|%05Y|%^5Y", "%10z|%_10z|%-z|%z|%6z",
        "%10Z|%^Z|%#Z|%-10Z|%010Z", "%10a|%^a|%#a|%#A|%#b|%^B|%010b|%-10b",
        "%#p|%^p|%P|%^P|%#P|%10p", "%10T|%^10c|%010D|%-10R|%^r",
        "%3e|%-e|%_d|%0e|%_H|%-H|%05e|%_5d|%-3d", "%Ey|%EY|%Ec|%Od|%OH|%Ex|%EX|%Oy|%Om",
        "%q|%K|%J|%|%5|%E%|%Ox|%Ea|%OY", "%k|%l|%I|%j|%3j|%1j|%_3j|%-j", "%F|%10F|%_10F",
        "%U|%W|%V|%u|%w", "%%|%n|%t|%5%", "%-_0^#10Y|%_-5d", "%1000000000Y", "tail %",
    };
    for (int k = 0; k < 3; k++) {
        if (k == 1) { tm.tm_year = 123; tm.tm_isdst = -1; tm.tm_hour = 0; }
        if (k == 2) { tm.tm_year = 8100; tm.tm_mon = 11; tm.tm_mday = 31; tm.tm_hour = 12;
                      tm.tm_wday = 9; tm.tm_isdst = 0; tm.tm_zone = 0; tm.tm_gmtoff = 45 * 60; }
        for (int i = 0; i < (int)(sizeof flags / sizeof flags[0]); i++) {
            char out[200];
            size_t n = strftime(out, sizeof out, flags[i], &tm);
            printf("strftime \"%s\" -> %zu [%s]\n", flags[i], n, n ? out : "");
        }
    }
    char small[5];
    printf("fits %zu, one short %zu, empty %zu\n", strftime(small, 5, "%Y", &tm),
           strftime(small, 5, "%Y-%m", &tm), strftime(small, 5, "", &tm));

    parse("2024-02-29 13:45:30", "%Y-%m-%d %H:%M:%S");
    parse("  29 Feb 2024", "%d %b %Y");
    parse("Thursday, March 7 1999 rest", "%A, %B %e %Y");
    parse("12:00:01 AM", "%r");
    parse("12:30 pm", "%I:%M %p");
    parse("07/04/76", "%D");
    parse("19 70", "%C %y");
    parse("2023 200", "%Y %j");
    parse("1700000000", "%s");
    parse("+0530 UTC", "%z %Z");
    parse("2020-13-01", "%Y-%m-%d");
    parse("abc", "%H");
    parse("10%", "%H%%");
    parse("Mon Jan  5 13:00:00 2015", "%c");
    parse("23:59:60", "%T");
    parse("x", "x%n");
    return 0;
}
