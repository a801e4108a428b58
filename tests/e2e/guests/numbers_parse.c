/* Number parsing over a table of hard inputs: integers in bases 0, 2, 16
   and 36 with signs, prefixes and overflow; floats decimal and hexadecimal,
   near the halfway points, denormal, overflowing, inf and nan. Every result
   is printed as its bytes so that no printing can hide a difference. */
#include <errno.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void bytes(const void* p, int n) {
  const unsigned char* b = p;
  for (int i = n - 1; i >= 0; --i) printf("%02x", b[i]);
}

/* The input with control characters shown as \xNN: the harness folds
   CR LF, so raw control bytes would not survive the comparison. */
static void show(const char* what, const char* s) {
  printf("%s(\"", what);
  for (; *s; ++s)
    if ((unsigned char)*s < 0x20) printf("\\x%02x", (unsigned char)*s);
    else printf("%c", *s);
  printf("\")");
}

static void end(const char* s, const char* e, int err) {
  if (e == (const char*)1)
    printf(" end=untouched errno=%d\n", err);
  else
    printf(" end=%d errno=%d\n", (int)(e - s), err);
}

static const char* const kIntegers[] = {
    "0", "12", "-12", "+7", "  \t\n\v\f\r42", "0x", "0X", "0xg", "0x1f", "0X1F",
    "-0x80000000", "010", "08", "0b101", "  -0x1g", "2147483647", "2147483648",
    "-2147483648", "-2147483649", "4294967295", "4294967296", "-4294967295",
    "-4294967296", "99999999999999999999999", "9223372036854775807",
    "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
    "18446744073709551615", "18446744073709551616", "-18446744073709551615",
    "-18446744073709551616", "1010", "11111111111111111111111111111111",
    "111111111111111111111111111111111", "zz", "ZZ", "3w5e11264sgsf",
    "3w5e11264sgsg", "1y2p0ij32e8e7", "", "  ", "-", "+-1", "- 1", "0x-1",
    "00000000000000000000000000000000000017", "1_000", NULL};
static const int kBases[] = {0, 2, 8, 10, 16, 36};

static const char* const kDoubles[] = {
    "0", "-0", "1", "0.1", "-.5", "  +1.5e3", "1e", "1e+", "1e+x", ".e1", ".",
    "-", "3.14159265358979323846264338327950288", "123456789012345678901234567890",
    "9007199254740993", "9007199254740993.0000000000000000001",
    "1.00000000000000011102230246251565404236316680908203125",
    "1.000000000000000111022302462515654042363166809082031250001",
    "1.7976931348623157e308", "1.7976931348623158e308",
    "1.7976931348623159e308", "1e400", "-1e400", "1e99999999999999999999",
    "2.2250738585072011e-308", "2.2250738585072012e-308",
    "2.2250738585072014e-308", "4.9406564584124654e-324",
    "2.4703282292062328e-324", "2.4703282292062327e-324", "1e-324", "1e-400",
    "1e-99999999999999999999", "0e99999999999", "00000000000000000000001e-5",
    "0.000000000000000000000000000000000000000000000000000000000000000001",
    "8.98846567431157953864652595394512365e307", "5e-324", "3e-324",
    "1.5e-323", "0x", "0x.", "0x.p1", "0x1p", "0x1P-1", "0X1P-1", "0x1.8p1",
    "0x.8p1", "0x1.fffffffffffffp1023", "0x1.fffffffffffff7ffp1023",
    "0x1.fffffffffffff8p1023", "0x1p1024", "0x1p-1074", "0x1p-1075",
    "0x1.0000000000001p-1075", "0x1.8p-1074", "0x1.fffffffffffffp-1023",
    "0x1.fffffffffffff8p-1023", "0x1.ffffffffffffffffp0",
    "0x1.000000000000080000000001p0", "0x1.0000000000000800p0",
    "0x1.0000000000001800p0", "0x00000000000000000000001p0",
    "0x123456789abcdef0123456789p-50", "inf", "-INF", "infinity", "infinit",
    "InFiNiTy", "nan", "-nan", "NAN", "nan()", "nan(123)", "nan(0x7)",
    "nan(abc)", "nan(", "nan(1", "nan(a b)", "nan(_1)", "nanx", "in", "i",
    "0.30000000000000004", "123.456e-7", "7.2057594037927933e16",
    "1.448997445238699", "4.35679e-290", "6.1e-320", "2.5e-323",
    NULL};

static const char* const kFloats[] = {
    "1e-46", "1e-45", "1.4e-45", "7e-46", "7.1e-46", "0x1p-149", "0x1p-150",
    "0x1.8p-150", "1.17549435e-38", "1.1754942e-38", "3.4028235e38",
    "3.4028236e38", "3.40282356e38", "3.40282357e38", "nan(5)", "-inf",
    "1.00000005960464477539062501", "1.000000059604644775390625",
    "0.1", "16777217", "0x1.000001p0", "1e39", NULL};

static const char* const kLongDoubles[] = {
    "1", "0.1", "-0", "1e-4950", "3.6e-4951", "1e4933",
    "1.18973149535723176502e+4932", "1.18973149535723176508e+4932", "nan",
    "-nan(9)", "0x1p-16445", "0x1p-16446", "inf", "0x1.fffffffffffffffep0",
    "0x1.ffffffffffffffffp0", "3.36210314311209350626e-4932",
    "18446744073709551617", "0.3333333333333333333333333", NULL};

int main(void) {
  for (int i = 0; kIntegers[i] != NULL; ++i) {
    const char* s = kIntegers[i];
    for (unsigned b = 0; b < sizeof kBases / sizeof kBases[0]; ++b) {
      char* e = (char*)1;
      errno = 0;
      long v = strtol(s, &e, kBases[b]);
      show("strtol", s);
      printf(",%d=%ld", kBases[b], v);
      end(s, e, errno);
      e = (char*)1;
      errno = 0;
      unsigned long u = strtoul(s, &e, kBases[b]);
      printf("strtoul=%lu", u);
      end(s, e, errno);
      e = (char*)1;
      errno = 0;
      long long ll = strtoll(s, &e, kBases[b]);
      printf("strtoll=");
      bytes(&ll, 8);
      end(s, e, errno);
      e = (char*)1;
      errno = 0;
      unsigned long long ull = strtoull(s, &e, kBases[b]);
      printf("strtoull=");
      bytes(&ull, 8);
      end(s, e, errno);
    }
    errno = 0;
    intmax_t im = strtoimax(s, NULL, 0);
    uintmax_t um = strtoumax(s, NULL, 0);
    printf("imax=");
    bytes(&im, 8);
    printf(" umax=");
    bytes(&um, 8);
    printf(" atoi=%d atol=%ld atoll=", atoi(s), atol(s));
    long long a = atoll(s);
    bytes(&a, 8);
    printf(" errno=%d\n", errno);
  }
  static const int kBadBases[] = {1, -1, 37, 100};
  for (int i = 0; i < 4; ++i) {
    char* e = (char*)1;
    errno = 0;
    long v = strtol("12", &e, kBadBases[i]);
    printf("bad base %d: %ld", kBadBases[i], v);
    end("12", e, errno);
    errno = 0;
    e = (char*)1;
    unsigned long long u = strtoull("12", &e, kBadBases[i]);
    printf("  strtoull %u", (unsigned)u);
    end("12", e, errno);
  }
  for (int i = 0; kDoubles[i] != NULL; ++i) {
    const char* s = kDoubles[i];
    char* e;
    errno = 0;
    double d = strtod(s, &e);
    show("strtod", s);
    printf("=");
    bytes(&d, 8);
    end(s, e, errno);
    errno = 0;
    d = atof(s);
    printf("  atof=");
    bytes(&d, 8);
    printf(" errno=%d\n", errno);
  }
  for (int i = 0; kFloats[i] != NULL; ++i) {
    const char* s = kFloats[i];
    char* e;
    errno = 0;
    float f = strtof(s, &e);
    printf("strtof(\"%s\")=", s);
    bytes(&f, 4);
    end(s, e, errno);
  }
  for (int i = 0; kLongDoubles[i] != NULL; ++i) {
    const char* s = kLongDoubles[i];
    char* e;
    errno = 0;
    long double x = strtold(s, &e);
    printf("strtold(\"%s\")=", s);
    bytes(&x, 10);
    end(s, e, errno);
  }
  return 0;
}
