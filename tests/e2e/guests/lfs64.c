/* The 64-bit file and time names Debian's builds import, beside their plain
   forms reached by name: space, locks, volume status, directory records,
   copies between descriptors, vectored transfers at an offset, directory
   scans in version order, the clock setters and the wide and formatting
   number conversions. Only what every host agrees on is printed: no inode
   numbers, block counts or listing order. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <unistd.h>
#include <wchar.h>

/* The plain names, which the 64-bit build would never import. */
extern int plain_statfs(const char *, void *) __asm__("statfs");
extern int plain_fstatfs(int, void *) __asm__("fstatfs");
extern int plain_lockf(int, int, long) __asm__("lockf");
extern int plain_posix_fallocate(int, long, long) __asm__("posix_fallocate");
extern int plain_fallocate(int, int, long, long) __asm__("fallocate");
extern long plain_sendfile(int, int, long *, size_t) __asm__("sendfile");
extern long plain_preadv(int, const struct iovec *, int, long) __asm__("preadv");
extern long plain_pwritev(int, const struct iovec *, int, long) __asm__("pwritev");
extern int plain_scandirat(int, const char *, void *, void *, void *) __asm__("scandirat");
extern int plain_versionsort(const void *, const void *) __asm__("versionsort");
extern int plain_settimeofday(const void *, const void *) __asm__("settimeofday");
extern int plain_adjtime(const void *, void *) __asm__("adjtime");

static char dir[256];
static char path[512];

static const char *at(const char *name)
{
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return path;
}

static void result(const char *label, long r)
{
    printf("%s: %ld errno=%d\n", label, r, r < 0 ? errno : 0);
    errno = 0;
}

static long long size_of(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? (long long)st.st_size : -1;
}

static long long where(int fd) { return (long long)lseek(fd, 0, SEEK_CUR); }

static void space(void)
{
    int fd = open(at("f"), O_RDWR | O_CREAT | O_TRUNC, 0644);
    write(fd, "hello", 5);
    int r = posix_fallocate(fd, 0, 100);
    printf("posix_fallocate64 0+100: %d size=%lld\n", r, size_of(fd));
    r = posix_fallocate(fd, 10, 10);
    printf("posix_fallocate64 inside: %d size=%lld\n", r, size_of(fd));
    printf("posix_fallocate64 len 0: %d\n", posix_fallocate(fd, 0, 0));
    printf("posix_fallocate64 off -1: %d\n", posix_fallocate(fd, -1, 5));
    printf("posix_fallocate64 bad fd: %d\n", posix_fallocate(99, 0, 5));
    r = plain_posix_fallocate(fd, 0, 120);
    printf("posix_fallocate 0+120: %d size=%lld\n", r, size_of(fd));
    result("fallocate64 200+56", fallocate(fd, 0, 200, 56));
    printf("size=%lld position=%lld\n", size_of(fd), where(fd));
    result("fallocate 0+300", plain_fallocate(fd, 0, 0, 300));
    printf("size=%lld\n", size_of(fd));
    result("fallocate64 len -1", fallocate(fd, 0, 0, -1));
    char buf[300];
    pread(fd, buf, sizeof buf, 0);
    int zeros = 0;
    for (int i = 5; i < 300; i++) zeros += buf[i] == 0;
    printf("head=%.5s zeros=%d\n", buf, zeros);
    int ro = open(at("f"), O_RDONLY);
    printf("posix_fallocate64 read-only: %d\n", posix_fallocate(ro, 0, 500));
    int p[2];
    pipe(p);
    printf("posix_fallocate64 pipe: %d\n", posix_fallocate(p[1], 0, 5));
    close(p[0]);
    close(p[1]);

    result("lockf64 F_TLOCK", lockf(fd, F_TLOCK, 0));
    result("lockf64 F_TEST", lockf(fd, F_TEST, 10));
    result("lockf64 F_LOCK", lockf(fd, F_LOCK, 100));
    result("lockf64 F_ULOCK", lockf(fd, F_ULOCK, 0));
    result("lockf F_TLOCK", plain_lockf(fd, F_TLOCK, 0));
    result("lockf F_ULOCK", plain_lockf(fd, F_ULOCK, 0));
    result("lockf64 bad command", lockf(fd, 7, 0));
    result("lockf64 bad command bad fd", lockf(99, 7, 0));
    result("lockf64 bad fd", lockf(99, F_TLOCK, 0));
    result("lockf64 read-only F_TLOCK", lockf(ro, F_TLOCK, 0));
    result("lockf64 read-only F_TEST", lockf(ro, F_TEST, 0));
    close(ro);
    close(fd);
}

static void volume(void)
{
    struct statfs s;
    struct statvfs v;
    int r = statfs(dir, &s);
    statvfs(dir, &v);
    printf("statfs64: %d bsize>0=%d namelen=statvfs:%d valid=%d\n", r, s.f_bsize > 0,
           (unsigned long)s.f_namelen == v.f_namemax, (s.f_flags & 0x20) != 0);
    int fd = open(dir, O_RDONLY | O_DIRECTORY);
    memset(&s, 0, sizeof s);
    r = fstatfs(fd, &s);
    printf("fstatfs64: %d bsize>0=%d\n", r, s.f_bsize > 0);
    close(fd);
    result("statfs64 missing", statfs(at("missing"), &s));
    /* The 32-bit layout: f_bsize at 4, f_namelen at 36. */
    int small[16];
    memset(small, 0, sizeof small);
    r = plain_statfs(dir, small);
    printf("statfs: %d bsize>0=%d namelen=%d\n", r, small[1] > 0, small[9] == (int)v.f_namemax);
    fd = open(at("f"), O_RDONLY);
    memset(small, 0, sizeof small);
    r = plain_fstatfs(fd, small);
    printf("fstatfs: %d bsize>0=%d\n", r, small[1] > 0);
    close(fd);
}

static void transfers(void)
{
    int fd = open(at("v"), O_RDWR | O_CREAT | O_TRUNC, 0644);
    write(fd, "0123456789", 10);
    struct iovec out[2] = {{"abc", 3}, {"defgh", 5}};
    result("pwritev64 at 20", pwritev(fd, out, 2, 20));
    printf("size=%lld position=%lld\n", size_of(fd), where(fd));
    char a[4] = {0}, b[8] = {0};
    struct iovec in[2] = {{a, 3}, {b, 7}};
    result("preadv64 at 18", preadv(fd, in, 2, 18));
    printf("a=%s b=%.7s position=%lld\n", a, b, where(fd));
    memset(b, 0, sizeof b);
    result("preadv64 at 26", preadv(fd, in + 1, 1, 26));
    printf("b=%s\n", b);
    result("preadv64 at -1", preadv(fd, in, 2, -1));
    struct iovec one = {"XY", 2};
    result("pwritev at 2", plain_pwritev(fd, &one, 1, 2));
    memset(b, 0, sizeof b);
    in[1].iov_len = 5;
    result("preadv at 0", plain_preadv(fd, in + 1, 1, 0));
    printf("b=%s position=%lld\n", b, where(fd));

    int g = open(at("g"), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    off_t off = 20;
    result("sendfile64 at 20", sendfile(g, fd, &off, 5));
    printf("offset=%lld position=%lld\n", (long long)off, where(fd));
    lseek(fd, 4, SEEK_SET);
    result("sendfile64 from position", sendfile(g, fd, NULL, 4));
    printf("position=%lld\n", where(fd));
    long small = 0;
    result("sendfile at 0", plain_sendfile(g, fd, &small, 2));
    printf("offset=%ld\n", small);
    off = 100;
    result("sendfile64 past end", sendfile(g, fd, &off, 5));
    off = -1;
    result("sendfile64 at -1", sendfile(g, fd, &off, 5));
    result("sendfile64 bad fd", sendfile(g, 99, NULL, 5));
    int p[2];
    pipe(p);
    write(p[1], "zz", 2);
    result("sendfile64 from pipe", sendfile(g, p[0], NULL, 2));
    close(p[0]);
    close(p[1]);
    int app = open(at("g"), O_WRONLY | O_APPEND);
    off = 0;
    result("sendfile64 to append", sendfile(app, fd, &off, 2));
    close(app);
    close(g);
    g = open(at("g"), O_RDONLY);
    char got[32] = {0};
    read(g, got, sizeof got - 1);
    printf("g=%s\n", got);
    close(g);
    close(fd);
}

static int keep_b(const struct dirent *e) { return e->d_name[0] == 'b'; }

/* The 32-bit struct dirent keeps its name at 11. */
static int keep_b_plain(const char *e) { return e[11] == 'b'; }

static int by_name(const void *a, const void *b)
{
    return strcmp(*(char *const *)a, *(char *const *)b);
}

static void listing(void)
{
    static const char *names[] = {"b10", "b9", "b1", "b01", "a.txt"};
    for (unsigned i = 0; i < sizeof names / sizeof *names; i++)
        close(open(at(names[i]), O_WRONLY | O_CREAT, 0644));
    mkdir(at("sub"), 0755);

    int dfd = open(dir, O_RDONLY | O_DIRECTORY);
    char buf[64] __attribute__((aligned(8)));
    char *seen[32];
    int count = 0, calls = 0, tidy = 1;
    for (;;) {
        long n = getdents64(dfd, buf, sizeof buf);
        if (n <= 0) { result("getdents64 end", n); break; }
        calls++;
        for (long at = 0; at < n;) {
            struct dirent64 *d = (struct dirent64 *)(buf + at);
            if (d->d_reclen % 8 != 0 ||
                d->d_reclen < offsetof(struct dirent64, d_name) + strlen(d->d_name) + 1)
                tidy = 0;
            char line[300];
            snprintf(line, sizeof line, "%s type=%d", d->d_name, d->d_type);
            if (count < 32) seen[count++] = strdup(line);
            at += d->d_reclen;
        }
    }
    qsort(seen, count, sizeof *seen, by_name);
    printf("getdents64: %d entries, several calls=%d, records tidy=%d\n", count, calls > 1, tidy);
    for (int i = 0; i < count; i++) {
        printf("  %s\n", seen[i]);
        free(seen[i]);
    }
    result("getdents64 tiny buffer", (lseek(dfd, 0, SEEK_SET), getdents64(dfd, buf, 8)));
    int fd = open(at("f"), O_RDONLY);
    result("getdents64 file", getdents64(fd, buf, sizeof buf));
    close(fd);
    result("getdents64 bad fd", getdents64(99, buf, sizeof buf));

    struct dirent **list;
    int n = scandirat(dfd, ".", &list, (void *)keep_b, versionsort);
    printf("scandirat64 versionsort: %d", n);
    for (int i = 0; i < n; i++) { printf(" %s", list[i]->d_name); free(list[i]); }
    printf("\n");
    free(list);
    n = scandirat(AT_FDCWD, dir, &list, (void *)keep_b, alphasort);
    printf("scandirat64 alphasort: %d", n);
    for (int i = 0; i < n; i++) { printf(" %s", list[i]->d_name); free(list[i]); }
    printf("\n");
    free(list);
    char **plain;
    n = plain_scandirat(dfd, ".", &plain, (void *)keep_b_plain, (void *)plain_versionsort);
    printf("scandirat versionsort: %d", n);
    for (int i = 0; i < n; i++) { printf(" %s", plain[i] + 11); free(plain[i]); }
    printf("\n");
    free(plain);
    result("scandirat64 missing", scandirat(dfd, "missing", &list, NULL, NULL));
    result("scandirat64 bad fd", scandirat(99, "x", &list, NULL, NULL));
    close(dfd);

    for (unsigned i = 0; i < sizeof names / sizeof *names; i++) unlink(at(names[i]));
    rmdir(at("sub"));
}

/* Only calls that change no clock even for root, who runs the native
   reference here: glibc's own argument checks and the reading of adjtime. */
static void clocks(void)
{
    struct timeval now, old = {7, 7};
    struct timezone zone = {0, 0};
    gettimeofday(&now, NULL);
    result("settimeofday64 both", settimeofday(&now, &zone));
    struct timeval bad = {now.tv_sec, 2000000};
    result("settimeofday64 usec", settimeofday(&bad, NULL));
    long both[2] = {(long)now.tv_sec, 0};
    result("settimeofday both", plain_settimeofday(both, &zone));
    result("adjtime64 read", adjtime(NULL, &old));
    printf("old=%lld.%06ld\n", (long long)old.tv_sec, (long)old.tv_usec);
    long old32[2] = {7, 7};
    result("adjtime read", plain_adjtime(NULL, old32));
    printf("old=%ld.%06ld\n", old32[0], old32[1]);
}

static void numbers(void)
{
    static const wchar_t *texts[] = {L"  12.5e1x", L"1.5\u00e9", L"0x1p3",
                                     L"abc", L"-inf", L"1e400", L"nan(12)z",
                                     L"4\u0663"};
    for (unsigned i = 0; i < sizeof texts / sizeof *texts; i++) {
        wchar_t *end;
        errno = 0;
        double d = wcstod(texts[i], &end);
        int taken = (int)(end - texts[i]), e = errno;
        float f = wcstof(texts[i], &end);
        long double l = wcstold(texts[i], &end);
        _Float64 f64 = wcstof64(texts[i], &end);
        printf("wcstod #%u: %.17g taken=%d errno=%d f=%.9g l=%.21Lg f64=%d\n", i, d,
               taken, e, f, l, f64 == d || (d != d && f64 != f64));
    }
    char b[64];
    static const char *formats[] = {"%.3f", "%g", "%.g", "%a", "%A", "%e",
                                    "%.12G", "%F", "%E", "%.0e", "%g trailing"};
    static const double values[] = {1.5, 0.1, 2.5, 1.0 / 3, -0.0, 1e300,
                                    123456789.0, 1.0 / 0.0, 6.02e23, 2.5, 3.25};
    for (unsigned i = 0; i < sizeof formats / sizeof *formats; i++) {
        int n = strfromd(b, sizeof b, formats[i], values[i]);
        printf("strfromd %s: %d [%s]", formats[i], n, b);
        n = strfromf(b, sizeof b, formats[i], (float)values[i]);
        printf(" f: %d [%s]", n, b);
        n = strfroml(b, sizeof b, formats[i], (long double)values[i] / 3);
        printf(" l: %d [%s]", n, b);
        n = strfromf64(b, sizeof b, formats[i], (_Float64)values[i]);
        printf(" f64: %d [%s]\n", n, b);
    }
    strcpy(b, "untouched");
    printf("strfromd short: %d [%s]\n", strfromd(b, 4, "%g", 123456.0), b);
    printf("strfromd none: %d [%s]\n", strfromd(b, 0, "%g", 1.0), b);
    printf("strfromd null: %d\n", strfromd(NULL, 0, "%e", 1.0));
}

int main(int argc, char **argv)
{
    snprintf(dir, sizeof dir, "%s", argc > 1 ? argv[1] : "lfsXXXXXX");
    if (mkdtemp(dir) == NULL) { printf("mkdtemp failed %d\n", errno); return 1; }
    space();
    volume();
    transfers();
    listing();
    unlink(at("f"));
    unlink(at("v"));
    unlink(at("g"));
    rmdir(dir);
    clocks();
    numbers();
    return 0;
}
