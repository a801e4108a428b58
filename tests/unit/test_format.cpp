// The printf formatter over a table of hard cases. Every expected string
// is what the Linux C library (glibc, i386, "C" locale) printed for the same
// call natively; the table stands on its own, so the Windows build checks
// the same answers.
#include <gtest/gtest.h>

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <string>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/printf_engine.h"
#include "libcbind/format.h"

namespace tblibc::format {
namespace {

struct Result {
  int n;
  std::string text;
};

bool Drain(Output& o) {
  static_cast<std::string*>(o.target)->append(o.buffer, o.used);
  o.used = 0;
  return true;
}

// The host's variadic call lays the arguments out as a guest's would (both
// are i386 cdecl). A small chunk makes long results cross many drains.
Result PrintfMode(unsigned mode, const char* format, va_list args) {
  std::string text;
  char chunk[48];
  Output o{chunk, sizeof chunk, 0, false, &Drain, &text};
  const int n = Format(o, format, reinterpret_cast<const uint8_t*>(args), mode);
  Drain(o);
  return {n, text};
}

Result Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Result r = PrintfMode(0, format, args);
  va_end(args);
  return r;
}

struct Case {
  int n;
  const char* expected;
  const char* format;
  Result got;
};

#define CASE(n, expected, format, ...) {n, expected, format, Printf(format, ##__VA_ARGS__)}

void Check(const Case* cases, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(c.got.text, std::string(c.expected, c.n)) << c.format;
    EXPECT_EQ(c.got.n, c.n) << c.format;
  }
}

TEST(Format, MatchesTheLinuxCLibrary) {
  const Case cases[] = {
      CASE(34, "[42|   42|42   |00042|+42| 42|-42]", "[%d|%5d|%-5d|%05d|%+d|% d|%+ d]", 42, 42, 42, 42, 42, 42, -42),
      CASE(29, "[0|||     |007|-007|    -007]", "[%i|%.0d|%.0i|%5.0d|%.3d|%.3d|%08.3d]", 0, 0, 0, 0, 7, -7, -7),
      CASE(35, "[4294967295|10|ff|FF|010|0xff|0XFF]", "[%u|%o|%x|%X|%#o|%#x|%#X]", 4294967295u, 8u, 255u, 255u, 8u, 255u, 255u),
      CASE(37, "[0||0|0|  010|000|0x00000a|010     |]", "[%#.0o|%#.0x|%#o|%#x|%#5.3o|%#.3x|%#08x|%#-8o|]", 0, 0, 0, 0, 8, 0, 10, 8),
      CASE(27, "[44|4464|255|65535|ff|ffff]", "[%hhd|%hd|%hhu|%hu|%hhx|%hx]", 300, 70000, -1, -1, -1, -1),
      CASE(64, "[-9000000000123|18446744073709551615|123456789abcdef|-2|5|-5|ff]", "[%lld|%llu|%llx|%jd|%qd|%Ld|%Lx]", -9000000000123LL, 18446744073709551615ULL, 0x123456789abcdefULL, (long long)-2, 5LL, -5LL, 255LL),
      CASE(35, "[-3|4000000000|6|-4|-77|4294967295]", "[%zd|%zu|%Zd|%td|%ld|%lu]", (int)-3, 4000000000u, 6, -4, -77L, 4294967295ul),
      CASE(42, "[-9223372036854775808|9223372036854775807]", "[%lld|%lld]", (-9223372036854775807LL - 1), 9223372036854775807LL),
      CASE(34, "[-2147483648|80000000|37777777777]", "[%d|%x|%o]", (-2147483647 - 1), 0x80000000u, 037777777777u),
      CASE(42, "[+5   | 0005|+005|00a     |     00a|3    ]", "[%-+05d|% 05d|%+.3d|%-8.3x|%08.3x|%0-5d]", 5, 5, 5, 10, 10, 3),
      CASE(25, "[    1|2    |3    |004|5]", "[%*d|%-*d|%*d|%.*d|%.*d]", 5, 1, 5, 2, -5, 3, 3, 4, -1, 5),
      CASE(20, "[1234567|1234567| 5]", "[%'d|%'u|%I d]", 1234567, 1234567u, 5),
      CASE(17, "[a|    b|c    |d]", "[%c|%5c|%-5c|%#c]", 'a', 'b', 'c', 'd'),
      CASE(44, "[abc|     right|left      |tr|    x|    s||]", "[%s|%10s|%-10s|%.2s|%5.1s|%05s|%.0s|]", "abc", "right", "left", "truncate", "xyz", "s", "gone"),
      CASE(37, "[(null)||(null)|          |(null)  |]", "[%s|%.5s|%.6s|%10.3s|%-8s|%.0s]", (char *)0, (char *)0, (char *)0, (char *)0, (char *)0, (char *)0),
      CASE(33, "[wide|ab|   ab|x    |y|z|caps|ll]", "[%ls|%.2ls|%5ls|%-5lc|%lc|%C|%S|%lls]", U"wide", U"abcd", U"ab", (int)'x', (int)'y', (int)'z', U"caps", U"ll"),
      CASE(25, "[(null)||(null)|  (null)]", "[%ls|%.3ls|%.6ls|%8ls]", (const char32_t *)0, (const char32_t *)0, (const char32_t *)0, (const char32_t *)0),
      CASE(4, "[ab]", "[%.2ls]", U"ab\xe9"),
      CASE(7, "[%|%|%]", "[%%|%5%|%-5%]"),
      CASE(81, "[0x1234|(nil)|     (nil)|(nil)     |+0x12| 0x12|0x12|0x00000012|0x00000012|(nil)]", "[%p|%p|%10p|%-10p|%+p|% p|%#p|%.8p|%010p|%.3p]", (void *)0x1234, (void *)0, (void *)0, (void *)0, (void *)0x12, (void *)0x12, (void *)0x12, (void *)0x12, (void *)0x12, (void *)0),
      CASE(23, "[0xffffffff|     (nil)]", "[%p|%+10p]", (void *)0xffffffffu, (void *)0),
      CASE(80, "[1.500000|0.667|   -3.2500|1.00      |+0.500000| 0.500000|-00003.142|+00003.142]", "[%f|%.3f|%10.4f|%-10.2f|%+f|% f|%010.3f|%+010.3f]", 1.5, 2.0 / 3, -3.25, 1.0, 0.5, 0.5, -3.14159, 3.14159),
      CASE(55, "[0.100000000000000005551115123126|0|2|2|4|0.2|0.12|0.1]", "[%.30f|%.0f|%.0f|%.0f|%.0f|%.1f|%.2f|%.1f]", 0.1, 0.5, 1.5, 2.5, 3.5, 0.25, 0.125, 0.05),
      CASE(56, "[1|10000000000000000000000|0.000000|0.001|1.|1000000000]", "[%.0f|%.0f|%f|%.3f|%#.0f|%.0f]", 0.5000000001, 1e22, 1e-7, 0.0005, 1.0, 999999999.5),
      CASE(333, "[1000000000000000052504760255204420248704468581108159154915854115511802457988908195786371375080447864043704443832883878176942523235360430575644792184786706982848387200926575803737830233794788090059368953234970799945081119038967640880074652742780142494579258788820056842838115669472196386865459400540160.000000|0.00000000000000000000]", "[%f|%.20f]", 1e300, 4.9406564584124654e-324),
      CASE(72, "[1.234568e+04|2e+00|4e+00|2e+01|2.5e-01|1.e+00|1.000000E-300|4.941e-324]", "[%e|%.0e|%.0e|%.0e|%.1e|%#.0e|%E|%.3e]", 12345.678, 2.5, 3.5, 25.0, 0.25, 1.0, 1e-300, 4.9406564584124654e-324),
      CASE(94, "[2.22507385850720138309e-308|1.00000000000000006e-01|1.000000e+100|1.797693e+308|1.000000e+23]", "[%.20e|%.17e|%e|%e|%e]", 2.2250738585072014e-308, 0.1, 1e100, 1.7976931348623157e308, 9.9999999999999999e22),
      CASE(57, "[0.0001|1e-05|100000|1e+06|1.23457e+08|1.5e-05|1e+20|0.1]", "[%g|%g|%g|%g|%g|%g|%g|%g]", 0.0001, 0.00001, 100000.0, 1000000.0, 123456789.0, 1.5e-5, 1e20, 0.1),
      CASE(69, "[1e-05|0.5|1.00000|1.00|1e+03|0.3333333333|1E-10|0.10000000000000001]", "[%.0g|%#.0g|%#g|%#.3g|%.3g|%.10g|%G|%.17g]", 0.00001, 0.5, 1.0, 1.0, 999.5, 1.0 / 3, 1e-10, 0.1),
      CASE(101, "[0|-0|1.7976931348623157e+308|4.9406564584124654e-324|2.2250738585072014e-308|1.2345678901234568e+17]", "[%g|%g|%.17g|%.17g|%.17g|%.17g]", 0.0, -0.0, 1.7976931348623157e308, 4.9406564584124654e-324, 2.2250738585072014e-308, 123456789012345678.0),
      CASE(54, "[      3.14|3.14      |-00.000123|+100| 100|1.000e-05]", "[%10.3g|%-10.3g|%010.3g|%+.3g|% .3g|%#.4g]", 3.14159, 3.14159, -0.000123456, 100.0, 100.0, 1e-5),
      CASE(58, "1.e+06|10.0000|100.|1.e+03|1.e+01|0.99|0.000100000|99999.9", "%#g|%#g|%#.3g|%#.3g|%#.1g|%#.2g|%#g|%#g", 999999.5, 9.9999995, 99.95, 999.5, 9.5, 0.995, 0.000099999995, 99999.95),
      CASE(36, "[-0.000000e+00|-0.000000|-0|-0x0p+0]", "[%e|%f|%g|%a]", -0.0, -0.0, -0.0, -0.0),
      CASE(24, "[0.9|0.99|1.000|0.3|0.3]", "[%.1f|%.2f|%.3f|%.15g|%.16g]", 0.95, 0.995, 1.0005, 0.3, 0.3),
      CASE(41, "[-nan|-nan|-nan|-nan|-NAN|-NAN|-NAN|-NAN]", "[%f|%e|%g|%a|%F|%E|%G|%A]", -NAN, -NAN, -NAN, -NAN, -NAN, -NAN, -NAN, -NAN),
      CASE(35, "[inf|-inf|nan|inf|NAN|INF|-INF|NAN]", "[%f|%e|%g|%a|%F|%E|%G|%A]", INFINITY, -INFINITY, NAN, INFINITY, NAN, INFINITY, -INFINITY, NAN),
      CASE(39, "[  inf|-inf  |+inf| nan|   nan|+INF   ]", "[%05f|%-6f|%+f|% f|%06.2f|%+-7F]", INFINITY, -INFINITY, INFINITY, NAN, NAN, INFINITY),
      CASE(95, "[0x1p+0|0x1.8p+1|0x1.999999999999ap-4|0x0.0000000000001p-1022|0X1.FEP+7|0x0p+0|0x1.p+0|0x1.p+0]", "[%a|%a|%a|%a|%A|%a|%#a|%#.0a]", 1.0, 3.0, 0.1, 4.9406564584124654e-324, 255.0, 0.0, 1.0, 1.0),
      CASE(66, "[0x2p+0|0x1p+1|0x2p+1|0x1.4p+0|0x1.0p+0|0x1.2p+0|0x2p+0|0x0p-1022]", "[%.0a|%.0a|%.0a|%.1a|%.1a|%.1a|%.0a|%.0a]", 1.5, 2.5, 3.5, 1.25, 1.03125, 1.09375, 0x1.fp0, 0x0.8p-1022),
      CASE(108, "[0x1.000p+0|0x1.00000000000000000000p+0|0x1.0p+0|0x1p+1      |+0x0001p+0|-0x1.80p+0|0x1.fffffffffffffp+1023]", "[%.3a|%.20a|%5.1a|%-12a|%+010a|%010.2a|%.13a]", 1.0, 1.0, 1.0, 2.0, 1.0, -1.5, 0x1.fffffffffffffp1023),
      CASE(59, "[0x1p-1022|0x1.fffffffffffffp+1023|0X1.23456789ABCDEP-1000]", "[%a|%a|%A]", 2.2250738585072014e-308, 1.7976931348623157e308, 0x1.23456789abcdep-1000),
      CASE(66, "[3.141593|3.1415926536|3.141593e+10|1e-05|0.100000000000000000001]", "[%Lf|%.10Lf|%Le|%Lg|%.21Lg]", 3.14159265358979323846L, 3.14159265358979323846L, 3.14159265358979323846e10L, 1e-5L, 0.1L),
      CASE(90, "[0x8p-3|0xcp-2|0xc.ccccccccccccccdp-7|0xcp-3|0x0p+0|0x0.000000000000001p-16385|0x8.020p-3]", "[%La|%La|%La|%.0La|%La|%La|%.3La]", 1.0L, 3.0L, 0.1L, 1.5L, 0.0L, 3.6451995318824746025e-4951L, 1.0009765625L),
      CASE(53, "[0x1p+1|0x1p+1|0x1.0p+1|0x8p-4|0x8p-16385|0xcp+16380]", "[%.0La|%.0La|%.1La|%.0La|%La|%La]", 0xf.8p-3L, 0xf.fp-3L, 0xf.f8p-3L, 0.5L, 0x1p-16382L, 0x1p16383L * 1.5L),
      CASE(68, "[1.189731e+4932|3.645199531882474602528405933619e-4951|3.6452e-4951]", "[%Le|%.30Le|%Lg]", 1.18973149535723176502e+4932L, 3.64519953188247460253e-4951L, 3.64519953188247460253e-4951L),
      CASE(73, "[0.0000000000000000000100000|10000000000000000000000000|-nan|1.000e-4940]", "[%.25Lf|%.0Lf|%Lf|%.3Le]", 1e-20L, 1e25L, -(long double)NAN, 1e-4940L),
      CASE(37, "[INF|-INF|INF|-0.000000|0.000000e+00]", "[%LF|%LE|%LA|%Lf|%Le]", (long double)INFINITY, -(long double)INFINITY, (long double)INFINITY, -0.0L, 0.0L),
      CASE(56, "[0.33333333333333333334|0.66666666666666666668|1.500000]", "[%.20Lg|%.20Lg|%llf]", 1.0L / 3, 2.0L / 3, 1.5L),
      CASE(7, "[b a b]", "[%2$s %1$s %2$s]", "a", "b"),
      CASE(18, "[   5|5   |3.1416]", "[%1$*2$d|%1$-*2$d|%3$.*2$f]", 5, 4, 3.14159),
      CASE(5, "[3 1]", "[%3$d %1$d]", 1, 2, 3),
      CASE(5, "[1 1]", "[%1$d %d]", 1, 2, 3),
      CASE(5, "[1 2]", "[%d %2$d]", 1, 2, 3),
      CASE(15, "[77 1.500000 z]", "[%2$lld %1$Lf %3$s]", 1.5L, 77LL, "z"),
      CASE(7, "[    5]", "[%*1$d]", 5),
      CASE(7, "[    5]", "[%1$*d]", 5, 6),
      CASE(8, "[6    5]", "[%2$d %1$*3$d]", 5, 6, 4),
      CASE(16, "[1.235e+03|0xff]", "[%2$.*1$e|%3$#x]", 3, 1234.5678, 255),
      CASE(36, "[%y|%5.3y|%y|%y|%#'+-I7.3y|%0$d|%$d]", "[%y|%5.3y|%hhy|%ly|%#-+ 0'I7.3y|%0$d|%$d]", 5),
      CASE(16, "[%y|5%y|%#-7.2y]", "[%1$y|%1$d%y|%1$-#7.2y]", 5),
  };
  Check(cases, std::size(cases));
}

// Values whose exact expansion runs to thousands of digits: the length,
// the first and the last 40 characters.
TEST(Format, ExtremeValuesCarryEveryExactDigit) {
  struct Wide {
    int n;
    const char* head;
    const char* tail;
    const char* format;
    Result got;
  };
#define WIDE(n, head, tail, format, ...) {n, head, tail, format, Printf(format, ##__VA_ARGS__)}
  const Wide cases[] = {
      WIDE(4940, "1189731495357231765021263853030970205169", "662444156604419552086811989770240.000000", "%Lf", 1.18973149535723176502e+4932L),
      WIDE(16447, "0.00000000000000000000000000000000000000", "3948455562249364447779953479766845703125", "%.16445Lf", 3.64519953188247460253e-4951L),
      WIDE(16442, "0.00000000000000000000000000000000000000", "4963039484555622493644477799534797668457", "%.16440Lf", 3.64519953188247460253e-4951L),
      WIDE(4952, "0.00000000000000000000000000000000000000", "0000000000000000000000000000000000000000", "%.4950Lf", 3.64519953188247460253e-4951L),
      WIDE(1102, "0.00000000000000000000000000000000000000", "6553344726562500000000000000000000000000", "%.1100f", 4.9406564584124654e-324),
      WIDE(777, "4.94065645841246544176568792868221372365", "26553344726562500000000000000000000e-324", "%.770e", 4.9406564584124654e-324),
      WIDE(4955, "-118973149535723176502126385303097020516", "9552086811989770240.00000000000000000000", "%.20Lf", -1.18973149535723176502e+4932L),
      WIDE(5008, "1.18973149535723176502126385303097020516", "0000000000000000000000000000000000e+4932", "%.5000Le", 1.18973149535723176502e+4932L),
      WIDE(602, "1000000000000000052504760255204420248704", "0000000000000000000000000000000000000000", "%.300f", 1e300),
      WIDE(4957, "9.99999999996053252001185653345996243063", "7841539775330997702769145276792497e-4941", "%.4950Lg", 1e-4940L),
  };
  for (const Wide& c : cases) {
    ASSERT_EQ(c.got.n, c.n) << c.format;
    ASSERT_EQ(c.got.text.size(), static_cast<size_t>(c.n)) << c.format;
    EXPECT_EQ(c.got.text.substr(0, 40), c.head) << c.format;
    EXPECT_EQ(c.got.text.substr(c.n > 40 ? c.n - 40 : 0), c.tail) << c.format;
  }
}

// The current rounding direction rounds the exact digits, decimal and
// hexadecimal alike.
TEST(Format, FollowsTheRoundingDirection) {
  struct Direction {
    int mode;
    const char* expected;
    double values[4];
  };
  const Direction directions[] = {
      {FE_UPWARD, "[0.1|-0.0|2e+00|0x1.1p+0]", {0.01, -0.01, 1.1, 1.01}},
      {FE_DOWNWARD, "[0.0|-0.1|1e+00|0x1.0p+0]", {0.01, -0.01, 1.1, 1.01}},
      {FE_TOWARDZERO, "[0.0|-0.0|1e+00|0x1.1p+0]", {0.09, -0.09, 1.9, 1.09}},
  };
  for (const Direction& d : directions) {
    ASSERT_EQ(std::fesetround(d.mode), 0);
    const Result r = Printf("[%.1f|%.1f|%.0e|%.1a]", d.values[0], d.values[1],
                            d.values[2], d.values[3]);
    std::fesetround(FE_TONEAREST);
    EXPECT_EQ(r.text, d.expected) << d.mode;
  }
}

long double LongDouble(uint64_t mantissa, uint16_t signAndExponent) {
  static_assert(sizeof(long double) == 12);
  unsigned char bytes[12] = {};
  std::memcpy(bytes, &mantissa, 8);
  std::memcpy(bytes + 8, &signAndExponent, 2);
  long double x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

// x87 encodings no arithmetic makes any more, as the library reads them.
TEST(Format, OldLongDoubleEncodings) {
  const long double unnormal = LongDouble(0x4000000000000000ull, 0x3fff);
  const long double pseudoDenormal = LongDouble(0x8000000000000001ull, 0);
  const long double pseudoInfinity = LongDouble(0, 0x7fff);
  const long double pseudoNan = LongDouble(0x4000000000000000ull, 0x7fff);
  EXPECT_EQ(Printf("%Lf|%Le|%La|%Lg", unnormal, unnormal, unnormal, unnormal).text,
            "nan|nan|nan|nan");
  EXPECT_EQ(Printf("%Lg|%La", pseudoDenormal, pseudoDenormal).text,
            "3.6452e-4951|0x8.000000000000001p-16385");
  EXPECT_EQ(Printf("%Lf|%La", pseudoInfinity, pseudoInfinity).text, "nan|nan");
  EXPECT_EQ(Printf("%Lf|%La", pseudoNan, pseudoNan).text, "nan|nan");
}

TEST(Format, CountsWhatWasWritten) {
  signed char hh = 0;
  short h = 0;
  long long ll = 0;
  int i = 0, later = -1;
  Result r = Printf("abc%hhn%hn%lln%n|%s%n", &hh, &h, &ll, &i, "xy", &later);
  EXPECT_EQ(r.text, "abc|xy");
  EXPECT_EQ(hh, 3);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(ll, 3);
  EXPECT_EQ(i, 3);
  EXPECT_EQ(later, 6);
}

TEST(Format, MessageOfErrno) {
  SetErrno(linux::kENOENT);
  EXPECT_EQ(Printf("[%m|%30m|%.3m]").text,
            "[No such file or directory|     No such file or directory|No ]");
  SetErrno(1234);
  EXPECT_EQ(Printf("%m").text, "Unknown error 1234");
  SetErrno(0);
  EXPECT_EQ(Printf("%m").text, "Success");
}

// Failures: -1 and errno as Linux gives them, the text before kept.
TEST(Format, Failures) {
  const char* unfinished[] = {"abc%", "abc%5", "abc%-", "abc%ll", "abc%.*"};
  for (const char* f : unfinished) {
    SetErrno(0);
    const Result r = Printf(f, 1);
    EXPECT_EQ(r.n, -1) << f;
    EXPECT_EQ(Errno(), linux::kEINVAL) << f;
    EXPECT_EQ(r.text, "abc") << f;
  }
  // With n$ numbering the library prints what it read instead.
  EXPECT_EQ(Printf("%1$d %", 5).text, "5 %");
  EXPECT_EQ(Printf("%1$d %5.2", 5).text, "5 %5.2");
  EXPECT_EQ(Printf("a%1$").n, 2);

  SetErrno(0);
  Result r = Printf("[%ls]", U"abc\u00e9z");
  EXPECT_EQ(r.n, -1);
  EXPECT_EQ(Errno(), linux::kEILSEQ);
  EXPECT_EQ(r.text, "[");
  SetErrno(0);
  EXPECT_EQ(Printf("%lc", 0xe9).n, -1);
  EXPECT_EQ(Errno(), linux::kEILSEQ);

  const char* tooWide[] = {"%2147483648d", "%.2147483648d", "%99999999999999d"};
  for (const char* f : tooWide) {
    SetErrno(0);
    EXPECT_EQ(Printf(f, 1).n, -1) << f;
    EXPECT_EQ(Errno(), linux::kEOVERFLOW) << f;
  }
  SetErrno(0);
  EXPECT_EQ(Printf("%*d", INT_MIN, 1).n, -1);
  EXPECT_EQ(Errno(), linux::kEOVERFLOW);
}

TEST(Format, ResultsUpToIntMax) {
  // Counted, never written: a discarding output keeps nothing.
  Output o;
  o.discard = true;
  const int32_t x[2] = {1, 2};
  SetErrno(0);
  EXPECT_EQ(Format(o, "%2147483646d%d", reinterpret_cast<const uint8_t*>(x)),
            INT_MAX);
  Output p;
  p.discard = true;
  EXPECT_EQ(Format(p, "%2147483647d%d", reinterpret_cast<const uint8_t*>(x)), -1);
  EXPECT_EQ(Errno(), linux::kEOVERFLOW);
}

TEST(Format, WideNulCharacterIsOneByte) {
  const Result r = Printf("[%lc|%c]", 0, 0);
  EXPECT_EQ(r.n, 5);
  EXPECT_EQ(r.text, std::string("[\0|\0]", 5));
}

// The buffer names: always terminated when there is room, the full length
// returned.
TEST(Format, BufferEntries) {
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(tblibc_snprintf(buffer, 8, "%s-%d", "truncated", 12345), 15);
  EXPECT_STREQ(buffer, "truncat");
  EXPECT_EQ(buffer[8], 'x');
  EXPECT_EQ(tblibc_snprintf(buffer, 1, "xyz"), 3);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(tblibc_snprintf(nullptr, 0, "%d", 123456), 6);
  EXPECT_EQ(tblibc_snprintf(buffer, sizeof buffer, "%.3f", 2.0 / 3), 5);
  EXPECT_STREQ(buffer, "0.667");
}

}  // namespace
}  // namespace tblibc::format
