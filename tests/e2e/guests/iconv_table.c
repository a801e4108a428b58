/* iconv between Unicode forms and single-byte sets, its errors and
   suffixes, and the C locale's multibyte and wide string names. */
#define _GNU_SOURCE
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static const char kSample[] = "Hi \xc3\xa9\xc3\xbf \xe2\x82\xac \xe4\xb8\xad \xf0\x9f\x98\x80!";

static void hex(const char *p, size_t n) {
  for (size_t i = 0; i < n; ++i) printf("%02x", (unsigned char)p[i]);
}

/* One call of iconv over the whole input, then the reset call. */
static void run(const char *to, const char *from, const char *in, size_t inlen,
                size_t outsize) {
  iconv_t cd = iconv_open(to, from);
  printf("%s <- %s: ", to, from);
  if (cd == (iconv_t)-1) {
    printf("open errno=%d\n", errno);
    return;
  }
  char out[256];
  char *ip = (char *)in, *op = out;
  size_t il = inlen, ol = outsize;
  errno = 0;
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  printf("r=%d errno=%d used=%d out=", (int)r, r == (size_t)-1 ? errno : 0,
         (int)(ip - in));
  hex(out, (size_t)(op - out));
  errno = 0;
  char *mark = op;
  r = iconv(cd, NULL, NULL, &op, &ol);
  printf(" reset=%d tail=", (int)r);
  hex(mark, (size_t)(op - mark));
  printf("\n");
  iconv_close(cd);
}

static void runs(const char *to, const char *from, const char *in) {
  run(to, from, in, strlen(in), 256);
}

/* The sample in `from`, then back to UTF-8. */
static void roundtrip(const char *set) {
  iconv_t cd = iconv_open(set, "UTF-8");
  iconv_t back = iconv_open("UTF-8", set);
  char mid[256], out[256];
  char *ip = (char *)kSample, *op = mid;
  size_t il = strlen(kSample), ol = sizeof mid;
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  int e = r == (size_t)-1 ? errno : 0;
  iconv(cd, NULL, NULL, &op, &ol);
  size_t midlen = (size_t)(op - mid);
  printf("%s: r=%d errno=%d left=%d mid=", set, (int)r, e, (int)il);
  hex(mid, midlen);
  ip = mid, il = midlen, op = out, ol = sizeof out;
  r = iconv(back, &ip, &il, &op, &ol);
  printf(" back r=%d left=%d out=", (int)r, (int)il);
  hex(out, (size_t)(op - out));
  printf("\n");
  iconv_close(cd);
  iconv_close(back);
}

static void names(void) {
  static const char *const kNames[] = {
      "UTF-8", "utf8", "UTF8", "utf-16", "UTF-16LE", "UTF-16BE", "UTF16",
      "UTF-32", "UTF-32LE", "UTF-32BE", "UCS-2", "UCS-2LE", "UCS-2BE",
      "UCS-4", "UCS-4LE", "UCS-4BE", "WCHAR_T", "ASCII", "US-ASCII",
      "ANSI_X3.4-1968", "ISO-8859-1", "latin1", "ISO_8859-1", "ISO8859-1",
      "L1", "ISO-8859-15", "LATIN-9", "ISO_8859-15", "CP1252",
      "WINDOWS-1252", "MS-ANSI", "CP1250", "WINDOWS-1250", "CP1251",
      "WINDOWS-1251", "KOI8-R", "CP437", "IBM437", "437", "CP850",
      "IBM850", "850", "ISO-8859-2", "LATIN2", "UCS-4-INTERNAL", "UTF-7x",
      "", "BOGUS", "UTF-8//TRANSLIT", "ASCII//IGNORE", "ascii//translit//ignore",
      "CP367", "CSASCII", "ISO646-US", "US", "UCS2", "UCS4", "UNICODELITTLE",
      "UNICODEBIG", "ISO-10646/UCS2", "CP819", "IBM819",
  };
  for (size_t i = 0; i < sizeof kNames / sizeof *kNames; ++i) {
    errno = 0;
    iconv_t cd = iconv_open(kNames[i], "UTF-8");
    iconv_t cd2 = iconv_open("UTF-8", kNames[i]);
    printf("name %s: %d %d errno=%d\n", kNames[i], cd != (iconv_t)-1,
           cd2 != (iconv_t)-1, errno);
    if (cd != (iconv_t)-1) iconv_close(cd);
    if (cd2 != (iconv_t)-1) iconv_close(cd2);
  }
}

static void pieces(void) {
  /* The sample fed a byte at a time, output into a 3-byte window. */
  iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
  char out[256];
  char *op = out;
  size_t ol = sizeof out;
  const char *p = kSample;
  size_t avail = 0, total = strlen(kSample);
  while (p < kSample + total) {
    ++avail;
    char *ip = (char *)p;
    size_t il = avail;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    if (r == (size_t)-1 && errno != EINVAL) printf("piece errno=%d\n", errno);
    avail = il;
    p = ip;
    if (avail && p + avail > kSample + total) break;
  }
  printf("pieces: ");
  hex(out, (size_t)(op - out));
  printf("\n");
  iconv_close(cd);
  /* Into small windows: E2BIG at each character boundary. */
  cd = iconv_open("UTF-16", "UTF-8");
  char *ip = (char *)kSample;
  size_t il = strlen(kSample);
  printf("windows:");
  while (il > 0) {
    char small[5];
    op = small, ol = sizeof small;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    printf(" [%d %d ", (int)r, r == (size_t)-1 ? errno : 0);
    hex(small, (size_t)(op - small));
    printf("]");
  }
  printf("\n");
  iconv_close(cd);
}

/* The byte-order mark after a reset, and a reset with no output. */
static void resets(void) {
  iconv_t cd = iconv_open("UTF-16", "UTF-8");
  char out[32], *op = out, *ip = "a";
  size_t ol = sizeof out, il = 1;
  iconv(cd, &ip, &il, &op, &ol);
  printf("reset nulls %d\n", (int)iconv(cd, NULL, NULL, NULL, NULL));
  ip = "b", il = 1;
  iconv(cd, &ip, &il, &op, &ol);
  iconv(cd, NULL, NULL, &op, &ol);
  ip = "c", il = 1;
  iconv(cd, &ip, &il, &op, &ol);
  printf("resets ");
  hex(out, (size_t)(op - out));
  printf("\n");
  iconv_close(cd);
  cd = iconv_open("UTF-8", "UTF-16");
  char in[] = "\xfe\xff\0a\0b";
  ip = in, il = 4, op = out, ol = sizeof out;
  iconv(cd, &ip, &il, &op, &ol);
  il = 2;
  iconv(cd, &ip, &il, &op, &ol);
  printf("order kept ");
  hex(out, (size_t)(op - out));
  printf("\n");
  iconv_close(cd);
}

static void multibyte(void) {
  const char *src = "abc def";
  wchar_t w[16];
  mbstate_t st;
  memset(&st, 0, sizeof st);
  const char *s = src;
  size_t r = mbsrtowcs(w, &s, 16, &st);
  printf("mbsrtowcs %d %s %d\n", (int)r, s == NULL ? "null" : "set", (int)w[4]);
  s = src;
  r = mbsrtowcs(w, &s, 3, &st);
  printf("mbsrtowcs3 %d %d\n", (int)r, (int)(s - src));
  s = src;
  r = mbsrtowcs(NULL, &s, 0, &st);
  printf("mbsrtowcs null %d\n", (int)r);
  s = "ab\xc3\xa9";
  errno = 0;
  r = mbsrtowcs(w, &s, 16, &st);
  printf("mbsrtowcs bad %d errno=%d at=%d\n", (int)r, errno, (int)(unsigned char)*s);
  s = src;
  r = mbsnrtowcs(w, &s, 4, 16, &st);
  printf("mbsnrtowcs %d %d\n", (int)r, (int)(s - src));
  s = "ab";
  r = mbsnrtowcs(w, &s, 5, 16, &st);
  printf("mbsnrtowcs2 %d %s\n", (int)r, s == NULL ? "null" : "set");
  const wchar_t *ws = L"hello";
  char buf[16];
  r = wcsrtombs(buf, &ws, 16, &st);
  printf("wcsrtombs %d %s %s\n", (int)r, buf, ws == NULL ? "null" : "set");
  ws = L"hello";
  r = wcsrtombs(buf, &ws, 2, &st);
  printf("wcsrtombs2 %d %d\n", (int)r, (int)(ws - L"hello" + 0));
  ws = L"hello";
  r = wcsrtombs(NULL, &ws, 0, &st);
  printf("wcsrtombs null %d\n", (int)r);
  const wchar_t *bad = L"ab\xe9z";
  ws = bad;
  errno = 0;
  r = wcsrtombs(buf, &ws, 16, &st);
  printf("wcsrtombs bad %d errno=%d at=%d\n", (int)r, errno, (int)(ws - bad));
  ws = L"hello";
  r = wcsnrtombs(buf, &ws, 3, 16, &st);
  printf("wcsnrtombs %d %d\n", (int)r, (int)(ws != NULL));
  ws = L"hi";
  r = wcsnrtombs(buf, &ws, 9, 16, &st);
  printf("wcsnrtombs2 %d %s\n", (int)r, ws == NULL ? "null" : "set");
  wchar_t a[32] = L"foo";
  wcscat(a, L"bar");
  wcsncat(a, L"bazzz", 2);
  printf("cat %ls %d\n", a, (int)wcslen(a));
  wchar_t *d = wcsdup(a);
  printf("dup %ls\n", d);
  free(d);
  printf("str %d %d %d\n", (int)(wcsstr(a, L"bar") - a), wcsstr(a, L"zz") == NULL,
         (int)(wcsstr(a, L"") - a));
  printf("case %d %d %d %d\n", wcscasecmp(L"HeLLo", L"hello"), wcscasecmp(L"a", L"B") < 0,
         wcsncasecmp(L"ABCx", L"abcy", 3), wcsncasecmp(L"ABCx", L"abcy", 4) < 0);
  printf("spn %d %d %d %d\n", (int)wcsspn(L"aabbc", L"ab"), (int)wcscspn(L"xyzab", L"ba"),
         (int)(wcspbrk(L"xyzab", L"ba") - L"xyzab" + 0) >= 0, wcspbrk(L"xyz", L"q") == NULL);
  wchar_t t[] = L"  one, two,,three ";
  wchar_t *save;
  for (wchar_t *tok = wcstok(t, L" ,", &save); tok; tok = wcstok(NULL, L" ,", &save))
    printf("tok %ls\n", tok);
  printf("nlen %d %d\n", (int)wcsnlen(L"hello", 3), (int)wcsnlen(L"hi", 9));
  printf("width %d %d %d %d\n", wcswidth(L"abc", 3), wcswidth(L"abc", 2),
         wcswidth(L"a\tb", 3), wcswidth(L"a\xe9", 2));
}

/* Past U+10FFFF, surrogates, inputs cut short, the marks with little room. */
static void edges(void) {
  run("UTF-8", "UCS-4BE", "\0\x20\0\0", 4, 256);
  run("UTF-8", "UCS-4BE", "\0\x1f\xff\xff", 4, 256);
  run("UTF-8", "UCS-4BE", "\x04\0\0\0", 4, 256);
  run("UTF-8", "UCS-4BE", "\0\0\xd8\0", 4, 256);
  run("UTF-16LE", "UCS-4BE", "\0\x11\0\0", 4, 256);
  run("UTF-16LE", "UCS-4BE", "\0\0\xd8\0", 4, 256);
  run("UTF-32LE", "UCS-4BE", "\0\x11\0\0", 4, 256);
  run("UCS-2LE", "UCS-4BE", "\0\0\xd8\0", 4, 256);
  run("ASCII//TRANSLIT", "UCS-4BE", "\0\x11\0\0", 4, 256);
  run("UCS-2//TRANSLIT", "UTF-8", "\xf0\x9f\x98\x80", 4, 256);
  run("UTF-16LE", "UTF-8", "a\xe0\x80", 3, 256);
  run("UTF-16LE", "UTF-8", "a\xc0", 2, 256);
  run("UTF-16LE", "UTF-8", "a\xc2", 2, 256);
  run("UTF-16LE", "UTF-8", "a\xf5", 2, 256);
  run("UTF-16LE", "UTF-8", "a\xf8\x88", 3, 256);
  run("UTF-16LE", "UTF-8", "a\xed\xa0", 3, 256);
  run("UTF-16LE", "UTF-8", "a\xf4\x90", 3, 256);
  run("UTF-16LE", "UTF-8", "a\xfe", 2, 256);
  run("UTF-16LE//IGNORE", "UTF-8", "a\xf8\x88\x80\x80\x80z\xfc\x80\x80\x80\x80\x80y\xfez", 17, 256);
  run("UTF-16LE//IGNORE", "UTF-8", "a\xe2\x82", 3, 256);
  run("ASCII//IGNORE", "UTF-8", "\xc3\xa9" "abcdef", 8, 3);
  run("UTF-16", "UTF-8", "ab", 2, 3);
  run("UTF-16", "UTF-8", "ab", 2, 1);
  run("UTF-32", "UTF-8", "ab", 2, 7);
  run("UTF-8", "UTF-16", "\xff", 1, 256);
  run("UTF-8", "UTF-16", "\xff\xfe", 2, 256);
  run("UTF-8", "UTF-32", "\xff\xfe\0", 3, 256);
  run("UTF-8", "UTF-16", "\xfe\xff\xd8\x3d", 4, 256);
  run("UTF-8", "WCHAR_T", "\0\0\x11\0", 4, 256);
  run("UTF-8", "WCHAR_T", "\0\xd8\0\0", 4, 256);
  run("UTF-8", "UCS-4LE", "\0\xd8\0\0", 4, 256);
  run("ISO-8859-1", "UTF-8", "\xc2\x80\xc3\xbf", 4, 256);
  run("CP437//TRANSLIT", "UTF-8", "\xe2\x82\xac\xc3\xa9\xc5\x93", 7, 256);
  /* A reset keeps the byte order a marked source has read. */
  iconv_t cd = iconv_open("UTF-8", "UTF-16");
  char out[64], *op = out, *ip;
  size_t ol = sizeof out, il;
  char a[] = "\xfe\xff\0a", b[] = "a\0", c[] = "\xff\xfe" "b\0";
  ip = a, il = 4;
  iconv(cd, &ip, &il, &op, &ol);
  iconv(cd, NULL, NULL, NULL, NULL);
  ip = b, il = 2;
  iconv(cd, &ip, &il, &op, &ol);
  ip = c, il = 4;
  iconv(cd, &ip, &il, &op, &ol);
  printf("after reset ");
  hex(out, (size_t)(op - out));
  printf("\n");
  iconv_close(cd);
  /* Every character to the //TRANSLIT targets, summed. */
  static const char *const kTargets[] = {
      "ASCII//TRANSLIT", "ISO-8859-1//TRANSLIT", "CP1252//TRANSLIT",
      "KOI8-R//TRANSLIT", "UCS-2//TRANSLIT", "ISO-8859-2//TRANSLIT",
      "ISO-8859-15//TRANSLIT", "CP1250//TRANSLIT", "CP1251//TRANSLIT",
      "CP437//TRANSLIT", "CP850//TRANSLIT"};
  for (size_t t = 0; t < sizeof kTargets / sizeof *kTargets; ++t) {
    cd = iconv_open(kTargets[t], "UCS-4LE");
    unsigned long long sum = 0;
    long total = 0;
    for (unsigned wc = 0x80; wc < 0x30000; ++wc) {
      if (wc >= 0xd800 && wc < 0xe000) continue;
      char o[64];
      ip = (char *)&wc, op = o, il = 4, ol = 64;
      size_t r = iconv(cd, &ip, &il, &op, &ol);
      total += (long)r;
      for (char *p = o; p < op; ++p) sum = sum * 131 + (unsigned char)*p;
      sum = sum * 7 + (op - o);
    }
    printf("sweep %s %llx %ld\n", kTargets[t], sum, total);
    iconv_close(cd);
  }
}

/* The edges of the multibyte and wide string names. */
static void multibyte_edges(void) {
  mbstate_t st;
  memset(&st, 0, sizeof st);
  wchar_t w[16];
  char buf[16];
  const char *s = "abc";
  size_t r;
  r = mbsrtowcs(w, &s, 0, &st);
  printf("a %d %d\n", (int)r, (int)(s != NULL));
  s = "abc";
  r = mbsrtowcs(w, &s, 3, &st);
  printf("b %d %d\n", (int)r, s ? (int)(s[0]) : -9);
  s = "ab\xc3";
  errno = 0;
  r = mbsrtowcs(NULL, &s, 0, &st);
  printf("c %d %d %c\n", (int)r, errno, *s);
  s = "ab\xc3";
  r = mbsnrtowcs(w, &s, 2, 16, &st);
  printf("d %d %d\n", (int)r, (unsigned char)*s);
  s = "ab\xc3";
  errno = 0;
  r = mbsnrtowcs(NULL, &s, 3, 0, &st);
  printf("e %d %d\n", (int)r, errno);
  s = "abc";
  r = mbsnrtowcs(w, &s, 0, 16, &st);
  printf("f %d\n", (int)r);
  const wchar_t *ws = L"abc";
  r = wcsrtombs(buf, &ws, 3, &st);
  printf("g %d %d\n", (int)r, ws ? (int)*ws : -9);
  ws = L"abc";
  r = wcsrtombs(buf, &ws, 4, &st);
  printf("h %d %d\n", (int)r, ws ? (int)*ws : -9);
  ws = L"ab\xe9";
  errno = 0;
  r = wcsrtombs(NULL, &ws, 0, &st);
  printf("i %d %d\n", (int)r, errno);
  ws = L"abc";
  r = wcsnrtombs(buf, &ws, 0, 16, &st);
  printf("j %d\n", (int)r);
  ws = L"abc";
  r = wcsnrtombs(NULL, &ws, 2, 0, &st);
  printf("k %d\n", (int)r);
  printf("l %d %d %d %d\n", wcscasecmp(L"abc", L"abd"), wcscasecmp(L"abc", L"ab"), wcscasecmp(L"Z", L"a"), wcsncasecmp(L"ab", L"AB", 0));
  wchar_t t[] = L",,a,,b,,", *save = NULL, *tok;
  tok = wcstok(t, L",", &save);
  printf("m %ls", tok);
  tok = wcstok(NULL, L",", &save);
  printf(" %ls", tok);
  tok = wcstok(NULL, L",", &save);
  printf(" %d", tok == NULL);
  tok = wcstok(NULL, L",", &save);
  printf(" %d\n", tok == NULL);
  wchar_t e[] = L",,,";
  save = NULL;
  printf("n %d\n", wcstok(e, L",", &save) == NULL);
  wchar_t cat[16] = L"x";
  wcsncat(cat, L"yz", 5);
  wcsncat(cat, L"q", 0);
  printf("o %ls\n", cat);
  printf("p %d %d %d\n", (int)wcsspn(L"", L"a"), (int)wcscspn(L"abc", L""), wcspbrk(L"abc", L"") == NULL);
  printf("q %d %d\n", wcswidth(L"ab", 0), wcswidth(L"", 5));
  printf("r %d %d\n", wcsstr(L"", L"") != NULL, wcsstr(L"aab", L"ab") != NULL);
  printf("s %d\n", wcscasecmp(L"\x100", L"a"));
}

int main(void) {
  names();
  static const char *const kSets[] = {
      "UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE", "UTF-32", "UTF-32LE",
      "UTF-32BE", "UCS-2", "UCS-2LE", "UCS-2BE", "UCS-4", "UCS-4LE",
      "UCS-4BE", "WCHAR_T", "ASCII", "ISO-8859-1", "ISO-8859-15",
      "CP1252", "CP1250", "CP1251", "KOI8-R", "CP437", "CP850",
      "ISO-8859-2", "UTF-16//TRANSLIT", "ASCII//TRANSLIT", "ASCII//IGNORE",
      "ISO-8859-1//TRANSLIT", "ISO-8859-1//IGNORE", "CP1252//TRANSLIT",
      "ASCII//TRANSLIT//IGNORE", "KOI8-R//TRANSLIT",
  };
  for (size_t i = 0; i < sizeof kSets / sizeof *kSets; ++i) roundtrip(kSets[i]);
  /* Every byte of the single-byte sets, to UTF-16BE. */
  static const char *const kBytes[] = {"ISO-8859-15", "CP1252", "CP1250", "CP1251",
                                       "KOI8-R", "CP437", "CP850", "ISO-8859-2", "ASCII",
                                       "ISO-8859-1"};
  for (size_t i = 0; i < sizeof kBytes / sizeof *kBytes; ++i) {
    iconv_t to = iconv_open("UTF-16BE", kBytes[i]);
    iconv_t from = iconv_open(kBytes[i], "UTF-16BE");
    printf("%s:", kBytes[i]);
    for (int b = 0x7e; b < 0x100; ++b) {
      char in = (char)b, u[8], back[8];
      char *ip = &in, *op = u;
      size_t il = 1, ol = sizeof u;
      if (iconv(to, &ip, &il, &op, &ol) == (size_t)-1) {
        printf(" -%d", errno);
        continue;
      }
      ip = u, il = (size_t)(op - u), op = back, ol = sizeof back;
      size_t r = iconv(from, &ip, &il, &op, &ol);
      printf(" %02x%02x%s", (unsigned char)u[0], (unsigned char)u[1],
             r == 0 && op == back + 1 && back[0] == in ? "" : "!");
    }
    printf("\n");
    iconv_close(to);
    iconv_close(from);
  }
  /* Invalid and incomplete UTF-8. */
  runs("UTF-16LE", "UTF-8", "a\xc0\x80z");
  runs("UTF-16LE", "UTF-8", "a\xc1\xbfz");
  runs("UTF-16LE", "UTF-8", "a\xe0\x80\x80z");
  runs("UTF-16LE", "UTF-8", "a\xed\xa0\x80z");
  runs("UTF-16LE", "UTF-8", "a\xf8\x88\x80\x80\x80z");
  runs("UTF-16LE", "UTF-8", "a\xf4\x90\x80\x80z");
  runs("UTF-16LE", "UTF-8", "a\x80z");
  runs("UTF-16LE", "UTF-8", "a\xe2\x82");
  runs("UTF-16LE", "UTF-8", "a\xe2\x82z");
  runs("UTF-16LE", "UTF-8", "a\xf0");
  runs("UTF-16LE", "UTF-8", "a\xff");
  runs("UTF-16LE", "UTF-8//IGNORE", "a\xc0\x80z\xffq");
  runs("UTF-16LE//IGNORE", "UTF-8", "a\xc0\x80z\xffq\xe2\x82z\xed\xa0\x80y");
  runs("UTF-8", "UTF-8", "a\xed\xa0\x80z");
  runs("UTF-8//IGNORE", "UTF-8", "a\xed\xa0\x80z");
  run("UTF-8", "UTF-16LE", "a\0\x3d\xd8\x00\xde", 6, 256);
  run("UTF-8", "UTF-16LE", "a\0\x3d\xd8", 4, 256);
  run("UTF-8", "UTF-16LE", "a\0\x3d\xd8x\0", 6, 256);
  run("UTF-8", "UTF-16LE", "a\0\x00\xdcx\0", 6, 256);
  run("UTF-8", "UTF-16LE", "a\0b", 3, 256);
  run("UTF-8", "UCS-2LE", "a\0\x3d\xd8\x00\xde", 6, 256);
  run("UCS-2", "UTF-8", "\xf0\x9f\x98\x80", 4, 256);
  run("UTF-8", "UTF-32LE", "a\0\0\0\0\xd8\0\0", 8, 256);
  run("UTF-8", "UTF-32LE", "a\0\0\0\0\0\x11\0", 8, 256);
  run("UTF-8", "UCS-4LE", "a\0\0\0\0\0\x11\0", 8, 256);
  run("UTF-8", "UCS-4LE", "a\0\0\0\0\0\0\x80", 8, 256);
  run("UTF-8", "UTF-32LE", "a\0\0", 3, 256);
  run("UTF-32", "UTF-8", "\xed\xa0\x80", 3, 256);
  /* Byte-order marks. */
  run("UTF-8", "UTF-16", "\xff\xfe" "a\0", 4, 256);
  run("UTF-8", "UTF-16", "\xfe\xff\0a", 4, 256);
  run("UTF-8", "UTF-16", "\0a\0b", 4, 256);
  run("UTF-8", "UTF-16", "\xff\xfe\xff\xfe" "a\0", 6, 256);
  run("UTF-8", "UTF-16LE", "\xff\xfe" "a\0", 4, 256);
  run("UTF-8", "UTF-16BE", "\xfe\xff\0a", 4, 256);
  run("UTF-8", "UTF-32", "\xff\xfe\0\0" "a\0\0\0", 8, 256);
  run("UTF-8", "UTF-32", "\0\0\xfe\xff\0\0\0a", 8, 256);
  run("UTF-8", "UTF-32", "\0\0\0a", 4, 256);
  run("UTF-8", "UCS-2", "\xff\xfe" "a\0", 4, 256);
  run("UTF-8", "UCS-2", "a\0b\0", 4, 256);
  run("UTF-8", "UCS-4", "\0\0\0a", 4, 256);
  run("UTF-8", "UCS-4", "\xff\xfe\0\0" "a\0\0\0", 8, 256);
  run("UTF-8", "WCHAR_T", "a\0\0\0", 4, 256);
  run("UTF-8", "UTF-8", "\xef\xbb\xbf" "a", 4, 256);
  runs("UTF-16", "UTF-8", "");
  runs("UTF-32", "UTF-8", "");
  runs("UCS-2", "UTF-8", "ab");
  runs("UCS-4", "UTF-8", "ab");
  runs("WCHAR_T", "UTF-8", "ab");
  /* E2BIG and translit. */
  run("UTF-16LE", "UTF-8", kSample, strlen(kSample), 7);
  run("UTF-8", "UTF-8", kSample, strlen(kSample), 8);
  run("ASCII//TRANSLIT", "UTF-8", kSample, strlen(kSample), 5);
  run("ISO-8859-1//TRANSLIT", "UTF-8", kSample, strlen(kSample), 9);
  runs("ASCII//TRANSLIT", "UTF-8", "\xc2\xa9 \xc2\xbd \xe2\x80\x9cq\xe2\x80\x9d \xc3\x86 \xe2\x84\xa2 \xc5\x93 \xc3\xa5");
  runs("ISO-8859-1//TRANSLIT", "UTF-8", "\xc2\xa9 \xc5\x93 \xe2\x80\x9cq\xe2\x80\x9d \xe2\x84\xa2 \xc4\x81");
  runs("ASCII//IGNORE", "UTF-8", "a\xc3\xa9" "b\xe2\x82\xac" "c");
  runs("ASCII//IGNORE", "UTF-8", "a\xc3\xa9" "b\xff" "c");
  runs("ASCII//TRANSLIT//IGNORE", "UTF-8", "a\xc3\xa9" "b\xe4\xb8\xad" "c");
  runs("ASCII", "UTF-8", "a\xc3\xa9" "b");
  runs("ASCII", "ISO-8859-1", "a\xe9" "b");
  runs("UTF-8", "ASCII", "a\xe9" "b");
  runs("CP1252", "UTF-8", "\xe2\x80\x9c\xe2\x82\xac\xc5\x93");
  runs("UTF-8", "CP1252", "\x80\x81\x8d\x9f");
  pieces();
  resets();
  edges();
  multibyte();
  multibyte_edges();
  return 0;
}
