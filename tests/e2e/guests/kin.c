/* Names that round out families already served: preadv2/pwritev2,
 * getdirentries, lutimes, the wide integer conversions and interchange
 * float names, wide copies, wctrans, the clock discipline, prctl and the
 * fortified forms. Built once plainly and once with 64-bit time and
 * offsets, fortified, so both sets of names are used. argv[1]: a
 * mkdtemp template for the work directory. */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/timex.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>
#include <wchar.h>
#include <wctype.h>

/* Sizes the compiler cannot see, so that the fortified forms are called. */
static volatile size_t kSixteen = 16, kEight = 8, kSeven = 7;

static const char* failed(long r) { return r == -1 ? strerror(errno) : "ok"; }

static int cmp(const void* a, const void* b) { return strcmp(*(char* const*)a, *(char* const*)b); }

static void files(const char* dir) {
  char path[512];
  snprintf(path, sizeof path, "%s/data", dir);
  int fd = open(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
  struct iovec w[2] = {{"hello ", 6}, {"world", 5}};
  printf("pwritev2 %zd\n", pwritev2(fd, w, 2, 0, 0));
  struct iovec a[1] = {{"!", 1}};
  ssize_t n = pwritev2(fd, a, 1, 3, RWF_APPEND);
  printf("append %zd pos %ld\n", n, (long)lseek(fd, 0, SEEK_CUR));
  n = pwritev2(fd, a, 1, -1, 0);
  printf("current %zd pos %ld\n", n, (long)lseek(fd, 0, SEEK_CUR));
  char b1[5] = {0}, b2[20] = {0};
  struct iovec r[2] = {{b1, 4}, {b2, 19}};
  n = preadv2(fd, r, 2, 2, 0);
  printf("preadv2 %zd [%s|%s]\n", n, b1, b2);
  n = preadv2(fd, r, 2, 0, 0x4000);
  printf("bad flags %s\n", failed(n));
  char small[8];
  printf("pread %zd\n", pread(fd, small, kEight, 6));
  struct flock lk = {.l_type = F_WRLCK, .l_whence = SEEK_SET, .l_start = 0, .l_len = 4};
  int locked = fcntl(fd, F_SETLK, &lk);
  lk.l_type = F_WRLCK;
  int tested = fcntl(fd, F_GETLK, &lk);
  printf("fcntl lock %d test %d free %d", locked, tested, lk.l_type == F_UNLCK);
  lk.l_type = 9;
  n = fcntl(fd, F_SETLK, &lk);
  printf(" bad %s flock %d", failed(n), flock(fd, LOCK_EX | LOCK_NB));
  n = flock(fd, 0);
  printf(" %s\n", failed(n));
  close(fd);

  for (int i = 0; i < 3; ++i) {
    snprintf(path, sizeof path, "%s/f%d", dir, i);
    close(open(path, O_CREAT | O_WRONLY, 0644));
  }
  int d = open(dir, O_RDONLY | O_DIRECTORY);
  char buf[4096];
  off_t base = -1;
  n = getdirentries(d, buf, sizeof buf, &base);
  char* names[16];
  int count = 0;
  for (ssize_t at = 0; at < n && count < 16;) {
    struct dirent* e = (struct dirent*)(buf + at);
    if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names[count++] = strdup(e->d_name);
    at += e->d_reclen;
  }
  qsort(names, count, sizeof *names, cmp);
  printf("getdirentries base %ld:", (long)base);
  for (int i = 0; i < count; ++i) printf(" %s", names[i]);
  printf("\nend %zd\n", getdirentries(d, buf, sizeof buf, &base));
  close(d);

  snprintf(path, sizeof path, "%s/f0", dir);
  struct timeval tv[2] = {{1000000000, 0}, {1234567890, 500000}};
  struct stat st;
  printf("lutimes %d", lutimes(path, tv));
  stat(path, &st);
  printf(" mtime %lld\n", (long long)st.st_mtime);
}

static void numbers(void) {
  wchar_t* end;
  long l = wcstol(L"  -0x7fz", &end, 16);
  printf("wcstol %ld %ld ", l, (long)(end - L"  -0x7fz"));
  printf("%lu %lld %llu\n", wcstoul(L"4294967295", NULL, 10), wcstoll(L"-9223372036854775808", NULL, 0),
         wcstoull(L"0777", NULL, 0));
  errno = 0;
  long v = wcstol(L"99999999999", &end, 10);
  printf("overflow %ld %d\n", v, errno == ERANGE);
  printf("f32 %.9g f32x %.17g f64x %.21Lg\n", (double)strtof32("0.1", NULL),
         (double)strtof32x("0.1", NULL), (long double)strtof64x("0.1", NULL));
  printf("wcstof64x %.21Lg\n", (long double)wcstof64x(L"2.5e-3x", NULL));
  char out[64];
  strfromf64x(out, sizeof out, "%.5g", (_Float64x)1.0L / 3);
  printf("strfromf64x %s\n", out);
  printf("a64l %ld %ld %ld l64a [%s]", a64l("./"), a64l("zzzzzz"), a64l("Ab!x"), l64a(0));
  printf(" [%s]", l64a(123456789));
  printf(" [%s]\n", l64a(-1));
}

static void wide(void) {
  wchar_t d[8];
  wmemset(d, L'#', 8);
  wcsncpy(d, L"ab", 5);
  printf("wcsncpy %d %d %d\n", d[2] == 0 && d[4] == 0, d[5] == L'#', (int)wcslen(d));
  printf("wcpcpy %d ", (int)(wcpcpy(d, L"xyz") - d));
  printf("wcpncpy %d %d\n", (int)(wcpncpy(d, L"hi", 6) - d), (int)(wcpncpy(d, L"abcdefgh", 3) - d));
  wctrans_t up = wctrans("toupper"), low = wctrans("tolower");
  printf("wctrans %c %c %c %d\n", (int)towctrans(L'q', up), (int)towctrans(L'Q', low),
         (int)towctrans(L'!', up), wctrans("nothing") == 0);
  wchar_t w[16];
  const char* s = "fortified";
  mbstate_t ps;
  memset(&ps, 0, sizeof ps);
  printf("mbsrtowcs %zu ", mbsrtowcs(w, &s, kSixteen, &ps));
  char back[16];
  const wchar_t* ws = w;
  size_t m = wcsrtombs(back, &ws, kSixteen, &ps);
  printf("wcsrtombs %zu %s ", m, back);
  m = mbstowcs(w, "abc", kSixteen);
  printf("mbstowcs %zu wcstombs %zu\n", m, wcstombs(back, w, kSixteen));
  wcscpy(w, L"ab");
  wcscat(w, L"cd");
  wcsncat(w, L"efgh", 2);
  wmemcpy(d, w, kSeven);
  printf("chk %ls\n", d);
}

static void process(void) {
  char name[16] = {0};
  printf("prctl %d ", prctl(PR_SET_NAME, "worker-with-a-long-name"));
  prctl(PR_GET_NAME, name);
  printf("[%s] dumpable %d ", name, prctl(PR_GET_DUMPABLE));
  int r = prctl(12345);
  printf("bad %s\n", failed(r));
  char host[64];
  printf("gethostname %d confstr %d\n", gethostname(host, kSixteen),
         confstr(_CS_PATH, host, kSixteen) > 0);
  struct timex t = {0};
  printf("adjtimex %d ", adjtimex(&t) >= 0);
  struct ntptimeval nt;
  printf("ntp_gettime %d ", ntp_gettime(&nt) >= 0);
  r = clock_adjtime(CLOCK_MONOTONIC, &t);
  printf("clock_adjtime(MONOTONIC) %s ", failed(r));
  struct timespec ts = {0, 1000000000};
  r = clock_settime(CLOCK_REALTIME, &ts);
  printf("clock_settime %s\n", failed(r));
}

int main(int argc, char** argv) {
  if (argc > 1 && mkdtemp(argv[1]) != NULL) files(argv[1]);
  numbers();
  wide();
  process();
  return 0;
}
