/* sscanf over a table of inputs and formats: integers of every size with
   their prefix quirks, floats with their grammar, strings, scan sets,
   %n, suppression, widths, positions, the m modifier, and the return
   value for input and matching failures. Every destination starts out
   filled with a marker so that a stray or missing store shows. */
#include <errno.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void bytes(const void* p, int n) {
  const unsigned char* b = p;
  for (int i = n - 1; i >= 0; --i) printf("%02x", b[i]);
}

/* Three integer slots and a char slot after any conversion. */
static void ints(const char* in, const char* fmt) {
  int a = -7, b = -7, n = -1;
  char c = '#';
  int r = sscanf(in, fmt, &a, &n, &c, &b);
  printf("[%s] [%s] r=%d a=%d n=%d c=%c b=%d\n", in, fmt, r, a, n, c, b);
}

static void floats(const char* in, const char* fmt) {
  float f = -7;
  int n = -1;
  char c = '#';
  int r = sscanf(in, fmt, &f, &n, &c);
  printf("[%s] [%s] r=%d f=", in, fmt, r);
  bytes(&f, 4);
  printf(" n=%d c=%c\n", n, c);
}

static int vscan(const char* in, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int r = vsscanf(in, fmt, ap);
  va_end(ap);
  return r;
}

int main(void) {
  static const char* const kIntInputs[] = {
      "0x", "0xg", "0x1", "-", "-x", "+", "08", "0", "x", "-0x", "0X1F",
      "  -12abc", "", "   ", "2147483647", "2147483648", "-2147483649",
      "4294967296", "0777", "+0x7fffffff", "1 2", NULL};
  static const char* const kIntFormats[] = {"%x%n%c", "%i%n%c", "%d%n%c",
                                            "%o%n%c", "%u%n%c", "%X%n%c", NULL};
  for (int i = 0; kIntInputs[i]; ++i)
    for (int j = 0; kIntFormats[j]; ++j) ints(kIntInputs[i], kIntFormats[j]);
  ints("0x12", "%2x%n%c");
  ints("0x12", "%1i%n%c");
  ints("-5", "%1d%n%c");
  ints("12345", "%2d%n%c");
  ints("12 34", "%d%n%c%d");
  ints("12 34", "%d %n%c%d");
  ints("12:34", "%d:%n%c%d");
  ints("12;34", "%d:%n%c%d");
  ints("12", "%d:%n");
  ints("abc", "abd%d");
  ints("ab", "abc%d");
  ints("", "abc");
  ints("", "%n");
  ints("xyz", "%n");
  ints("  5", " %n%d");
  ints("%5", "%%%d");
  ints("  %5", "%%%d");
  ints("5", "%*d%n");
  ints("1 2", "%*d%d");
  ints("7 8", "%2$d%1$d");
  ints("42", "%1$d%1$n");
  ints("9", "%d ");
  ints("9 ", "%d%c");

  /* Sizes: every modifier stores its own width and no more. */
  {
    unsigned char hh[4];
    unsigned short h[3];
    long long ll[2];
    size_t z[2];
    intmax_t j[2];
    ptrdiff_t t[2];
    void* p[2];
    long l[2];
    memset(hh, 0xaa, sizeof hh);
    memset(h, 0xaa, sizeof h);
    memset(ll, 0xaa, sizeof ll);
    memset(z, 0xaa, sizeof z);
    memset(j, 0xaa, sizeof j);
    memset(t, 0xaa, sizeof t);
    memset(p, 0xaa, sizeof p);
    memset(l, 0xaa, sizeof l);
    int r = sscanf("-1 300 -129 70000 -9223372036854775809 18446744073709551615 "
                   "4294967295 -5 0x1234abcd 0777 7fffffff -3 99999999999",
                   "%hhd %hhu %hhd %hu %lld %llu %zu %td %p %jo %lx %hd %ld",
                   &hh[0], &hh[1], &hh[2], &h[0], &ll[0], &ll[1], &z[0], &t[0],
                   &p[0], &j[0], &l[0], &h[1], &l[1]);
    printf("sizes r=%d errno=%d hh=", r, errno);
    bytes(hh, 4);
    printf(" h=");
    bytes(h, 6);
    printf(" ll=");
    bytes(ll, 16);
    printf(" z=");
    bytes(z, 8);
    printf(" t=");
    bytes(t, 8);
    printf(" p=");
    bytes(p, 8);
    printf(" j=");
    bytes(j, 16);
    printf(" l=");
    bytes(l, 8);
    printf("\n");
    long long q = 0;
    unsigned long long uq = 0;
    r = sscanf("-42 42", "%qd %qu", &q, &uq);
    printf("q r=%d ", r);
    bytes(&q, 8);
    printf(" ");
    bytes(&uq, 8);
    printf("\n");
  }

  static const char* const kFloatInputs[] = {
      "1e", "1ex", "1e+", "1e+x", "0x", "0xg", "0x.", "0x1p", "0x1p+", "0xp1",
      "-0x", "+0X", "nan", "nan(", "nan(12)", "nanx", "infx", "inf",
      "infinity", "infinit", "infinityx", "-", "-x", "inp", "in", ".", ".5",
      ".x", "1.5e+", "+.e", "1.2.3", "0X1P3x", "1e5", "-inf", "+nan", "  12",
      "", " ", "3.4028236e38", "1e-50", "1.17549435e-38", "0x1.fffffep127",
      "0.1e-3x", "00012.50", "-0", "1e1e1", "0x1.8e3", "1..2", "e5", NULL};
  for (int i = 0; kFloatInputs[i]; ++i)
    floats(kFloatInputs[i], "%f%n%c");
  floats("123456", "%3f%n%c");
  floats("1e5", "%2f%n%c");
  floats("0x1p", "%3f%n%c");
  floats("-12", "%1f%n%c");
  floats("infinity", "%5f%n%c");
  floats("nan(1)", "%5f%n%c");
  floats("2.5", "%e%n%c");
  floats("2.5", "%g%n%c");
  floats("2.5", "%a%n%c");
  floats("2.5", "%E%n%c");
  {
    double d = -7;
    long double x = -7;
    float f = -7;
    memset(&x, 0xaa, sizeof x);
    errno = 0;
    int r = sscanf("0.1 0.1 0.1", "%lf %Lf %f", &d, &x, &f);
    printf("lf Lf f r=%d ", r);
    bytes(&d, 8);
    printf(" ");
    bytes(&x, 12);
    printf(" ");
    bytes(&f, 4);
    printf("\n");
    r = sscanf("1e400 1e-400 1e5000", "%lf %lf %Lf", &d, &d, &x);
    printf("range r=%d errno=%d ", r, errno);
    bytes(&x, 10);
    printf("\n");
  }

  /* Characters, strings and scan sets. */
  {
    char s1[16], s2[16], s3[16];
    int n = -1;
    memset(s1, '#', sizeof s1);
    memset(s2, '#', sizeof s2);
    memset(s3, '#', sizeof s3);
    int r = sscanf("  hello world", "%s%n%3c", s1, &n, s2);
    printf("s: r=%d [%s] n=%d [%.5s]\n", r, s1, n, s2);
    r = sscanf("abcdef", "%3s%2s%s", s1, s2, s3);
    printf("widths: r=%d [%s] [%s] [%s]\n", r, s1, s2, s3);
    memset(s1, '#', sizeof s1);
    r = sscanf("ab", "%5c", s1);
    printf("short c: r=%d [%.6s]\n", r, s1);
    r = sscanf("", "%c", s1);
    printf("eof c: r=%d\n", r);
    r = sscanf(" x", "%c", s1);
    printf("space c: r=%d [%c]\n", r, s1[0]);
    r = sscanf(" x", " %c", s1);
    printf("skip c: r=%d [%c]\n", r, s1[0]);
    static const char* const kSets[] = {
        "%[abc]%n", "%[^abc]%n", "%[]a]%n", "%[^]a]%n", "%[a-c]%n",
        "%[c-a]%n", "%[-a]%n", "%[a-]%n", "%[0-9a-f]%n", "%2[a-z]%n",
        "%[abc", "%[^\n]%n", "%[ ]%n", "%*[a-z]%n", NULL};
    static const char* const kSetInputs[] = {"aabbcx-", "xyz]a", "]]aa-b",
                                             "c-ab", " ab", "", "dead beef\nx", NULL};
    for (int i = 0; kSets[i]; ++i)
      for (int j = 0; kSetInputs[j]; ++j) {
        memset(s1, 0, sizeof s1);
        n = -1;
        r = sscanf(kSetInputs[j], kSets[i], s1, &n);
        if (kSets[i][1] == '*') r = sscanf(kSetInputs[j], kSets[i], &n);
        printf("set %d/%d: r=%d [%s] n=%d\n", i, j, r, s1, n);
      }
  }

  /* The m modifier: blocks the guest frees. */
  {
    char *a = NULL, *b = NULL, *c = NULL;
    int r = sscanf("alpha beta:gamma", "%ms %m[^:]:%m3c", &a, &b, &c);
    printf("m: r=%d [%s] [%s] [%.3s]\n", r, a ? a : "null", b ? b : "null",
           c ? c : "null");
    free(a);
    free(b);
    free(c);
    a = (char*)1;
    r = sscanf("   ", "%ms", &a);
    printf("m at end: r=%d null=%d\n", r, a == NULL);
    a = (char*)1;
    r = sscanf("x", "%m[0-9]", &a);
    printf("m no match: r=%d null=%d\n", r, a == NULL);
    a = (char*)1;
    b = (char*)1;
    r = sscanf("ab 12", "%ms %m[a-z]", &a, &b);
    printf("m second fails: r=%d [%s] null=%d\n", r, a, b == NULL);
    free(a);
    a = (char*)1;
    r = sscanf("x", "%d%ms", &r, &a);
    printf("m not reached: untouched=%d\n", a == (char*)1);
    char* big = NULL;
    char input[3000];
    memset(input, 'z', sizeof input - 1);
    input[sizeof input - 1] = 0;
    r = sscanf(input, "%ms", &big);
    printf("m big: r=%d len=%d\n", r, big ? (int)strlen(big) : -1);
    free(big);
  }

  /* Wide destinations: the guest's wchar_t is 32 bits. */
  {
    wchar_t w[8];
    memset(w, 0xaa, sizeof w);
    int r = sscanf("hi there", "%ls", w);
    printf("ls: r=%d ", r);
    bytes(w, 16);
    printf("\n");
    memset(w, 0xaa, sizeof w);
    errno = 0;
    r = sscanf("a\xe9z", "%ls", w);
    printf("ls e9: r=%d errno=%d ", r, errno);
    bytes(w, 16);
    printf("\n");
    memset(w, 0xaa, sizeof w);
    r = sscanf("xy", "%2lc", w);
    printf("lc: r=%d ", r);
    bytes(w, 12);
    printf("\n");
  }

  /* Pointers, as printf writes them. */
  {
    static const char* const kPointers[] = {"0x1234", "(nil)", "(nil", "(x)",
                                            "ffff0000", "0x", NULL};
    for (int i = 0; kPointers[i]; ++i) {
      void* p = (void*)7;
      int n = -1;
      int r = sscanf(kPointers[i], "%p%n", &p, &n);
      printf("p [%s] r=%d p=%lx n=%d\n", kPointers[i], r, (unsigned long)p, n);
    }
  }

  /* The end of the format and of the input, odd formats. */
  {
    int a = -1, b = -1;
    char c = '#';
    printf("pct end r=%d\n", sscanf("abc", "abc%"));
    printf("bad conv r=%d\n", sscanf("5", "%y", &a));
    printf("w0 r=%d\n", sscanf("12", "%0d", &a));
    printf("pct eof r=%d pct x r=%d\n", sscanf(" ", "%%"), sscanf("x", "%%"));
    printf("sup eof r=%d sup then eof r=%d sup only r=%d sup eof d r=%d\n",
           sscanf("", "%*c%c", &c), sscanf("a", "%*c%c", &c),
           sscanf("a", "%*c"), sscanf("", "%*d"));
    printf("ws only r=%d empty r=%d\n", sscanf("   ", "  "), sscanf("", ""));
    signed char hn = 0x55;
    long long lln = -1;
    int r = sscanf("123 45", "%d%hhn %lln", &a, &hn, &lln);
    printf("hhn r=%d %d %d\n", r, hn, (int)lln);
    errno = 0;
    r = sscanf("99999999999", "%hhd", &hn);
    printf("big hh r=%d %d errno=%d\n", r, hn, errno);
    r = sscanf("-0x10", "%x", (unsigned*)&b);
    printf("negx r=%d %x\n", r, (unsigned)b);
    long double x;
    memset(&x, 0, sizeof x);
    r = sscanf("-nan", "%Lf", &x);
    printf("Lf nan r=%d ", r);
    bytes(&x, 10);
    printf("\n");
  }

  /* The v forms. */
  {
    int a = 0, b = 0;
    int r = vscan("10,20", "%d,%d", &a, &b);
    printf("vsscanf r=%d %d %d\n", r, a, b);
  }
  return 0;
}
