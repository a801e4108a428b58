/* A program built with 64-bit time and file offsets, as Debian 12 builds
   its own: the __*_time64 and __*64 names, statx, advice and message
   catalogues. Only what every host agrees on is printed: sizes, modes,
   times the guest set itself, comparisons. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <ftw.h>
#include <glob.h>
#include <libintl.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>
#include <utime.h>

/* Past 2038: 2100-01-01 00:00:00 UTC, and 2^32 + 5 (2106-02-07). */
#define T2100 4102444800LL
#define T2106 4294967301LL

static char dir[256];
static char path[512];
static char path2[512];

static const char *at(const char *name)
{
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return path;
}

static const char *to(const char *name)
{
    snprintf(path2, sizeof path2, "%s/%s", dir, name);
    return path2;
}

static void fails(const char *label, int result)
{
    printf("%s: %d errno=%d\n", label, result, result < 0 ? errno : 0);
}

static void tm_line(const char *label, const struct tm *tm)
{
    if (tm == NULL) { printf("%s: null errno=%d\n", label, errno); return; }
    printf("%s: %04d-%02d-%02d %02d:%02d:%02d wday=%d yday=%d isdst=%d\n", label,
           tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_hour,
           tm->tm_min, tm->tm_sec, tm->tm_wday, tm->tm_yday, tm->tm_isdst);
}

static int walked_files;
static long long walked_bytes;

static int walked(const char *name, const struct stat *st, int kind, struct FTW *ftw)
{
    (void)name;
    (void)ftw;
    if (kind == FTW_F && S_ISREG(st->st_mode)) {
        walked_files++;
        walked_bytes += st->st_size;
    }
    return 0;
}

static void files(void)
{
    struct stat st, st2;
    struct statx sx;
    struct timespec ts[2];
    struct timeval tv[2];
    struct utimbuf ub;
    volatile int rdonly = O_RDONLY;
    char buf[32];
    int fd, fd2, n;

    printf("sizes: time_t=%d stat=%d timespec=%d timeval=%d statx=%d\n",
           (int)sizeof(time_t), (int)sizeof(struct stat),
           (int)sizeof(struct timespec), (int)sizeof(struct timeval),
           (int)sizeof(struct statx));

    fd = open(at("a.txt"), O_WRONLY | O_CREAT | O_TRUNC, 0640);
    printf("write=%d\n", (int)write(fd, "hello, 2038\n", 12));
    close(fd);

    n = stat(at("a.txt"), &st);
    printf("stat=%d size=%lld reg=%d perm=%o\n", n, (long long)st.st_size,
           S_ISREG(st.st_mode) != 0, (unsigned)(st.st_mode & 0700));
    n = lstat(at("a.txt"), &st2);
    printf("lstat=%d same inode=%d same size=%d\n", n, st2.st_ino == st.st_ino,
           st2.st_size == st.st_size);
    fails("stat missing", stat(at("missing"), &st2));

    /* A mode the compiler cannot see: the fortified open checks it. */
    fd = open(at("a.txt"), rdonly);
    printf("open: %d\n", fd >= 0);
    n = fstat(fd, &st2);
    printf("fstat=%d same inode=%d size=%lld\n", n, st2.st_ino == st.st_ino,
           (long long)st2.st_size);
    printf("F_GETFL access=%d\n", fcntl(fd, F_GETFL) & O_ACCMODE);
    n = fcntl(fd, F_SETFD, FD_CLOEXEC);
    printf("F_SETFD=%d F_GETFD=%d\n", n, fcntl(fd, F_GETFD));
    fd2 = openat(AT_FDCWD, at("a.txt"), rdonly);
    n = (int)read(fd2, buf, 5);
    printf("openat: %d read=%d\n", fd2 >= 0, n);
    close(fd2);

    n = fstatat(AT_FDCWD, at("a.txt"), &st2, 0);
    printf("fstatat=%d same inode=%d\n", n, st2.st_ino == st.st_ino);
    fails("fstatat missing", fstatat(AT_FDCWD, at("missing"), &st2, 0));

    memset(&sx, 0xAB, sizeof sx);
    n = statx(AT_FDCWD, at("a.txt"), 0, STATX_BASIC_STATS, &sx);
    printf("statx=%d basic=%d size=%llu reg=%d same inode=%d mtime same=%d nsec same=%d\n",
           n, (sx.stx_mask & STATX_BASIC_STATS) == STATX_BASIC_STATS,
           (unsigned long long)sx.stx_size, S_ISREG(sx.stx_mode) != 0,
           sx.stx_ino == (unsigned long long)st.st_ino,
           sx.stx_mtime.tv_sec == st.st_mtim.tv_sec,
           sx.stx_mtime.tv_nsec == (unsigned)st.st_mtim.tv_nsec);
    n = statx(fd, "", AT_EMPTY_PATH, STATX_SIZE, &sx);
    printf("statx empty path=%d size=%llu\n", n, (unsigned long long)sx.stx_size);
    fails("statx bad flags", statx(AT_FDCWD, at("a.txt"), 0x6000, STATX_SIZE, &sx));
    fails("statx reserved", statx(AT_FDCWD, at("a.txt"), 0, 0x80000000u, &sx));
    fails("statx missing", statx(AT_FDCWD, at("missing"), 0, STATX_SIZE, &sx));

    /* Advice, which Linux takes and forgets; the answer is the error. */
    printf("fadvise: ok=%d bad fd=%d bad advice=%d negative length=%d\n",
           posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL),
           posix_fadvise(999, 0, 0, POSIX_FADV_NORMAL),
           posix_fadvise(fd, 0, 0, 9), posix_fadvise(fd, 0, -1, 0));
    {
        int p[2];
        if (pipe(p) == 0) {
            printf("fadvise pipe=%d\n", posix_fadvise(p[0], 0, 0, 0));
            close(p[0]);
            close(p[1]);
        }
    }
    close(fd);

    /* Times past 2038, set and read back. The access time stays after the
       modification time: a host that reads the file behind the guest's back
       (Wine does on open) then has no cause to renew it (relatime). */
    ts[0].tv_sec = T2106; ts[0].tv_nsec = 0;
    ts[1].tv_sec = T2100; ts[1].tv_nsec = 0;
    n = utimensat(AT_FDCWD, at("a.txt"), ts, 0);
    stat(at("a.txt"), &st2);
    printf("utimensat=%d atime=%lld mtime=%lld\n", n, (long long)st2.st_atime,
           (long long)st2.st_mtime);
    fd = open(at("a.txt"), O_WRONLY);
    ts[0].tv_nsec = UTIME_OMIT;
    ts[1].tv_sec = T2100 + 60;
    n = futimens(fd, ts);
    fstat(fd, &st2);
    printf("futimens=%d atime=%lld mtime=%lld\n", n, (long long)st2.st_atime,
           (long long)st2.st_mtime);
    tv[0].tv_sec = T2106 + 1; tv[0].tv_usec = 0;
    tv[1].tv_sec = T2106; tv[1].tv_usec = 0;
    n = futimes(fd, tv);
    fstat(fd, &st2);
    printf("futimes=%d atime=%lld mtime=%lld\n", n, (long long)st2.st_atime,
           (long long)st2.st_mtime);
    close(fd);
    tv[1].tv_sec = T2100 + 3600;
    n = utimes(at("a.txt"), tv);
    stat(at("a.txt"), &st2);
    printf("utimes=%d mtime=%lld\n", n, (long long)st2.st_mtime);
    ub.actime = T2106 + 7200;
    ub.modtime = T2100 + 7200;
    n = utime(at("a.txt"), &ub);
    statx(AT_FDCWD, at("a.txt"), 0, STATX_ATIME | STATX_MTIME, &sx);
    printf("utime=%d statx atime=%lld mtime=%lld\n", n,
           (long long)sx.stx_atime.tv_sec, (long long)sx.stx_mtime.tv_sec);
    ts[0].tv_nsec = 1000000000;
    fails("utimensat bad nsec", utimensat(AT_FDCWD, at("a.txt"), ts, 0));

    /* copy_file_range between two files of the guest's. */
    fd = open(at("a.txt"), O_RDONLY);
    fd2 = open(to("b.txt"), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    printf("copy_file_range=%d\n", (int)copy_file_range(fd, NULL, fd2, NULL, 100, 0));
    fails("copy_file_range flags", (int)copy_file_range(fd, NULL, fd2, NULL, 1, 1));
    close(fd);
    close(fd2);
    stat(to("b.txt"), &st2);
    printf("copied size=%lld\n", (long long)st2.st_size);

    /* The tree walk and glob hand out the same stat. */
    n = nftw(dir, walked, 4, FTW_PHYS);
    printf("nftw=%d files=%d bytes=%lld\n", n, walked_files, walked_bytes);
    {
        glob_t g;
        n = glob(at("*.txt"), 0, NULL, &g);
        printf("glob=%d count=%d\n", n, n == 0 ? (int)g.gl_pathc : 0);
        if (n == 0) globfree(&g);
    }

    unlink(at("a.txt"));
    unlink(to("b.txt"));
}

static void clocks(void)
{
    struct timespec ts, res, zero = {0, 0};
    struct timeval tv;
    struct rusage ru;
    time_t now, t;
    int n;
    struct tm tm, *p;
    char line[64];

    n = clock_gettime(CLOCK_REALTIME, &ts);
    printf("clock_gettime=%d", n);
    printf(" after 2020=%d nsec ok=%d\n", ts.tv_sec > 1577836800,
           ts.tv_nsec >= 0 && ts.tv_nsec < 1000000000);
    now = time(NULL);
    /* Linux's time() reads the clock of the last tick, which may still be
       in the second before the precise clock's. */
    printf("time not before=%d\n", now >= ts.tv_sec - 1);
    n = gettimeofday(&tv, NULL);
    printf("gettimeofday=%d usec ok=%d\n", n,
           tv.tv_usec >= 0 && tv.tv_usec < 1000000 && tv.tv_sec >= ts.tv_sec);
    n = clock_getres(CLOCK_MONOTONIC, &res);
    printf("clock_getres=%d below a second=%d\n", n, res.tv_sec == 0 && res.tv_nsec > 0);
    printf("timespec_get=%d\n", timespec_get(&ts, TIME_UTC));
    fails("clock_gettime bad clock", clock_gettime(99, &ts));
    printf("nanosleep=%d\n", nanosleep(&zero, NULL));
    printf("clock_nanosleep=%d\n", clock_nanosleep(CLOCK_MONOTONIC, 0, &zero, NULL));
    zero.tv_nsec = -1;
    fails("nanosleep bad", nanosleep(&zero, NULL));
    n = getrusage(RUSAGE_SELF, &ru);
    printf("getrusage=%d usec ok=%d\n", n,
           ru.ru_utime.tv_usec >= 0 && ru.ru_utime.tv_usec < 1000000);

    /* The calendar past 2038. */
    t = T2100;
    tm_line("gmtime 2100", gmtime(&t));
    t = T2106;
    tm_line("gmtime_r 2106", gmtime_r(&t, &tm));
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    t = T2100 + 180 * 86400LL;
    tm_line("localtime 2100", localtime(&t));
    p = localtime_r(&t, &tm);
    printf("localtime_r gmtoff=%ld zone=%s\n", p ? p->tm_gmtoff : 0L, p ? p->tm_zone : "-");
    memset(&tm, 0, sizeof tm);
    tm.tm_year = 2040 - 1900; tm.tm_mon = 6; tm.tm_mday = 4; tm.tm_hour = 12;
    tm.tm_isdst = -1;
    t = mktime(&tm);
    printf("mktime 2040=%lld isdst=%d\n", (long long)t, tm.tm_isdst);
    memset(&tm, 0, sizeof tm);
    tm.tm_year = 2100 - 1900; tm.tm_mon = 0; tm.tm_mday = 32;
    t = timegm(&tm);
    printf("timegm=%lld mon=%d mday=%d\n", (long long)t, tm.tm_mon, tm.tm_mday);
    t = T2106;
    printf("ctime=%s", ctime(&t));
    printf("ctime_r=%s", ctime_r(&t, line));
    printf("difftime=%.0f\n", difftime((time_t)T2106, (time_t)0));
    strftime(line, sizeof line, "%Y-%m-%d %H:%M %Z", localtime(&t));
    printf("strftime=%s\n", line);
}

static void memory(void)
{
    long page = sysconf(_SC_PAGESIZE);
    unsigned char vec[4];
    int n;
    char *m = mmap(NULL, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);

    if (m == MAP_FAILED) { printf("mmap failed\n"); return; }
    m[0] = 1;
    m[page] = 1;  /* touched, so that Linux too has both pages in memory */
    memset(vec, 0, sizeof vec);
    n = mincore(m, 2 * page, vec);
    printf("mincore=%d resident=%d %d\n", n, vec[0] & 1, vec[1] & 1);
    fails("mincore unaligned", mincore(m + 1, page, vec));
    printf("posix_madvise=%d dontneed=%d bad=%d\n", posix_madvise(m, page, POSIX_MADV_WILLNEED),
           posix_madvise(m, page, POSIX_MADV_DONTNEED), posix_madvise(m, page, 99));
    printf("madvise=%d\n", madvise(m, page, MADV_SEQUENTIAL));
    fails("madvise bad", madvise(m, page, 77));
    munmap(m, 2 * page);
    fails("mincore unmapped", mincore(m, page, vec));
}

static void messages(void)
{
    const char *a, *b;

    /* In parentheses: the functions themselves, not <libintl.h>'s macros. */
    printf("gettext=%s dgettext=%s dcgettext=%s\n", (gettext)("one"),
           (dgettext)("tumbex", "two"), dcgettext("tumbex", "three", LC_MESSAGES));
    printf("ngettext=%s %s %s\n", (ngettext)("file", "files", 1),
           (ngettext)("file", "files", 2), (ngettext)("file", "files", 0));
    printf("dngettext=%s dcngettext=%s\n", (dngettext)("tumbex", "dir", "dirs", 1),
           dcngettext("tumbex", "dir", "dirs", 5, LC_MESSAGES));
    printf("textdomain(NULL)=%s\n", textdomain(NULL));
    a = textdomain("tumbex");
    b = textdomain(NULL);
    printf("textdomain=%s now=%s same=%d\n", a, b, a == b);
    printf("textdomain(\"\")=%s\n", textdomain(""));
    printf("bindtextdomain default=%s\n", bindtextdomain("tumbex", NULL));
    a = bindtextdomain("tumbex", "/nowhere/locale");
    b = bindtextdomain("tumbex", NULL);
    printf("bindtextdomain=%s now=%s same=%d\n", a, b, a == b);
    printf("bindtextdomain(NULL)=%s\n", bindtextdomain(NULL, "/x") ? "set" : "null");
    printf("codeset=%s\n", bind_textdomain_codeset("tumbex", NULL) ? "set" : "null");
    a = bind_textdomain_codeset("tumbex", "UTF-8");
    b = bind_textdomain_codeset("tumbex", NULL);
    printf("codeset=%s now=%s same=%d\n", a, b, a == b);
    printf("other domain=%s\n", bindtextdomain("other", NULL));
}

int main(int argc, char **argv)
{
    snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "t64XXXXXX");
    if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }
    if (argc > 2 && strcmp(argv[2], "nomode") == 0) {
        /* O_CREAT the compiler cannot see: the fortified open has no mode
           to create with and stops the run. */
        volatile int creat_flags = O_WRONLY | O_CREAT;
        rmdir(dir);
        printf("opening\n");
        fflush(stdout);
        return open(at("c.txt"), creat_flags) >= 0;
    }
    files();
    clocks();
    memory();
    messages();
    rmdir(dir);
    return 0;
}
