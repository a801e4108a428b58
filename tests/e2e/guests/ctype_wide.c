/* Multibyte and wide characters in the C locale: ASCII converts, bytes
   0x80..0xFF and wide characters above 0x7F are EILSEQ; classes and case
   over the wide range; the wide string calls; mbstate_t handling. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <wctype.h>

int wcwidth(wchar_t);

static const char* const kClassNames[] = {
    "alnum", "alpha", "blank", "cntrl", "digit", "graph", "lower",
    "print", "punct", "space", "upper", "xdigit", "bogus", "", NULL};

int main(void) {
  static const unsigned kWide[] = {0,     9,      ' ',    '0',     'A',
                                   'a',   '~',    0x7f,   0x80,    0xa0,
                                   0xc9,  0xe9,   0xff,   0x100,   0x3b1,
                                   0x660, 0x3000, 0x4e00, 0xfeff,  0x10ffff,
                                   0x110000, 0x7fffffff, 0x80000000, 0xffffffff};
  wctype_t classes[16];
  int nclasses = 0;
  for (; kClassNames[nclasses] != NULL; ++nclasses)
    classes[nclasses] = wctype(kClassNames[nclasses]);
  printf("wctype known=");
  for (int i = 0; i < nclasses; ++i) printf("%d", classes[i] != 0);
  printf("\n");
  for (unsigned i = 0; i < sizeof kWide / sizeof kWide[0]; ++i) {
    wint_t w = kWide[i];
    printf("%x: %x %x %x %x %x %x %x %x %x %x %x %x | %x %x | w%d b%d |", w,
           iswalnum(w), iswalpha(w), iswblank(w), iswcntrl(w), iswdigit(w),
           iswgraph(w), iswlower(w), iswprint(w), iswpunct(w), iswspace(w),
           iswupper(w), iswxdigit(w), (unsigned)towlower(w),
           (unsigned)towupper(w), wcwidth((wchar_t)w), wctob(w));
    for (int c = 0; c < nclasses; ++c)
      if (classes[c] != 0) printf(" %d", iswctype(w, classes[c]));
    printf("\n");
  }
  for (unsigned c = 0; c < 256; c += 1) {
    if (c > 4 && c < 0x7c && c != 'A') continue;
    printf("btowc(%x)=%x ", c, (unsigned)btowc((int)c));
  }
  printf("btowc(EOF)=%x\n", (unsigned)btowc(EOF));

  /* Conversions, one byte at a time. */
  mbstate_t st;
  memset(&st, 0, sizeof st);
  printf("sizeof(mbstate_t)=%d mbsinit=%d null=%d\n", (int)sizeof st,
         mbsinit(&st), mbsinit(NULL));
  static const char kBytes[] = {'A', 0, 0x7f, (char)0x80, (char)0xff, '\n'};
  for (unsigned i = 0; i < sizeof kBytes; ++i) {
    char s[2] = {kBytes[i], 0};
    wchar_t w = 0x55;
    errno = 0;
    size_t r = mbrtowc(&w, s, 1, &st);
    printf("mbrtowc(%02x)=%d w=%x errno=%d", (unsigned char)kBytes[i], (int)r,
           (unsigned)w, errno);
    errno = 0;
    r = mbrlen(s, 1, &st);
    printf(" mbrlen=%d errno=%d", (int)r, errno);
    w = 0x55;
    errno = 0;
    int n = mbtowc(&w, s, 1);
    printf(" mbtowc=%d w=%x errno=%d", n, (unsigned)w, errno);
    errno = 0;
    n = mblen(s, 1);
    printf(" mblen=%d errno=%d\n", n, errno);
  }
  wchar_t w = 0x55;
  errno = 0;
  printf("short: mbrtowc n=0 %d mbtowc n=0 %d mblen n=0 %d errno=%d\n",
         (int)mbrtowc(&w, "A", 0, &st), mbtowc(&w, "A", 0), mblen("A", 0),
         errno);
  printf("null source: mbrtowc %d mbtowc %d mblen %d wctomb %d\n",
         (int)mbrtowc(NULL, NULL, 0, &st), mbtowc(NULL, NULL, 0),
         mblen(NULL, 0), wctomb(NULL, 'a'));
  printf("no pwc: mbrtowc %d mbtowc %d\n", (int)mbrtowc(NULL, "B", 1, &st),
         mbtowc(NULL, "B", 1));
  printf("internal state: mbrtowc %d mbrlen %d\n",
         (int)mbrtowc(&w, "C", 1, NULL), (int)mbrlen("D", 1, NULL));
  static const unsigned kOut[] = {'A', 0, 0x7f, 0x80, 0xff, 0x100, 0xffffffff};
  for (unsigned i = 0; i < sizeof kOut / sizeof kOut[0]; ++i) {
    char out[4] = "zzz";
    errno = 0;
    size_t r = wcrtomb(out, (wchar_t)kOut[i], &st);
    printf("wcrtomb(%x)=%d %02x errno=%d", kOut[i], (int)r,
           (unsigned char)out[0], errno);
    memcpy(out, "zzz", 4);
    errno = 0;
    int n = wctomb(out, (wchar_t)kOut[i]);
    printf(" wctomb=%d %02x errno=%d\n", n, (unsigned char)out[0], errno);
  }
  errno = 0;
  printf("wcrtomb(NULL)=%d errno=%d\n", (int)wcrtomb(NULL, 0x100, &st), errno);
  printf("mbsinit after=%d\n", mbsinit(&st));
  ((int*)&st)[0] = 5;
  printf("mbsinit unfinished=%d\n", mbsinit(&st));

  /* Strings. */
  wchar_t ws[8];
  for (int i = 0; i < 8; ++i) ws[i] = 0x99;
  size_t r = mbstowcs(ws, "abc", 8);
  printf("mbstowcs=%d %x %x %x %x %x\n", (int)r, (unsigned)ws[0],
         (unsigned)ws[1], (unsigned)ws[2], (unsigned)ws[3], (unsigned)ws[4]);
  for (int i = 0; i < 8; ++i) ws[i] = 0x99;
  r = mbstowcs(ws, "abc", 2);
  printf("mbstowcs n=2 %d %x %x %x\n", (int)r, (unsigned)ws[0],
         (unsigned)ws[1], (unsigned)ws[2]);
  r = mbstowcs(ws, "abc", 3);
  printf("mbstowcs n=3 %d %x\n", (int)r, (unsigned)ws[3]);
  printf("mbstowcs count=%d\n", (int)mbstowcs(NULL, "hello", 0));
  errno = 0;
  r = mbstowcs(ws, "ab\x80", 8);
  printf("mbstowcs bad=%d errno=%d\n", (int)r, errno);
  char bytes[8] = "zzzzzzz";
  static const wchar_t kAbc[] = {'a', 'b', 'c', 0};
  r = wcstombs(bytes, kAbc, 8);
  printf("wcstombs=%d %s\n", (int)r, bytes);
  memcpy(bytes, "zzzzzzz", 8);
  r = wcstombs(bytes, kAbc, 2);
  printf("wcstombs n=2 %d %s\n", (int)r, bytes);
  printf("wcstombs count=%d\n", (int)wcstombs(NULL, kAbc, 0));
  static const wchar_t kBad[] = {'a', 0xe9, 0};
  errno = 0;
  r = wcstombs(bytes, kBad, 8);
  printf("wcstombs bad=%d errno=%d\n", (int)r, errno);

  static const wchar_t kHello[] = {'h', 'e', 'l', 'l', 'o', 0};
  static const wchar_t kHelp[] = {'h', 'e', 'l', 'p', 0};
  static const wchar_t kHigh[] = {(wchar_t)0xffffffff, 0};
  static const wchar_t kOne[] = {1, 0};
  printf("wcslen=%d %d\n", (int)wcslen(kHello), (int)wcslen(kHello + 5));
  printf("wcscmp=%d %d %d %d %d\n", wcscmp(kHello, kHelp), wcscmp(kHelp, kHello),
         wcscmp(kHello, kHello), wcscmp(kHigh, kOne), wcscmp(kHello, kHello + 5));
  wchar_t copy[8];
  printf("wcscpy same=%d ", wcscpy(copy, kHello) == copy);
  printf("equal=%d\n", wcscmp(copy, kHello));
  printf("wcschr l=%d nul=%d none=%d\n", (int)(wcschr(kHello, 'l') - kHello),
         (int)(wcschr(kHello, 0) - kHello), wcschr(kHello, 'z') == NULL);
  return 0;
}
