// Numbers: conversions between text and numbers, abs, div.
//
// One implementation for both ports: msvcrt's strtol family knows no
// 64-bit names of Linux's, rounds some decimal inputs differently from the
// Linux C library and sets ERANGE on other inputs, so the guest's text goes
// through the engines of strtod.cpp.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "abi/errno.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/printf_engine.h"
#include "libcbind/process.h"
#include "libcbind/strtod.h"

namespace tblibc {
namespace {

using numparse::FloatFormat;

bool GoodBase(int32_t base) { return base == 0 || (base >= 2 && base <= 36); }

// strtol's common frame: a bad base is EINVAL with the end pointer left as
// it was, as the Linux C library leaves it.
uint64_t Integer(const char* text, char** end, int32_t base, int bits,
                 bool isSigned, bool c23 = false) {
  if (!GoodBase(base)) {
    SetErrno(linux::kEINVAL);
    return 0;
  }
  const numparse::IntegerResult r =
      numparse::ParseInteger(text, base, bits, isSigned, c23);
  if (end != nullptr) *end = const_cast<char*>(text) + r.length;
  if (r.range) SetErrno(linux::kERANGE);
  return r.value;
}

numparse::FloatResult Float(const char* text, char** end, FloatFormat format) {
  const numparse::FloatResult r = numparse::ParseFloat(text, format);
  if (end != nullptr) *end = const_cast<char*>(text) + r.length;
  if (r.range) SetErrno(linux::kERANGE);
  return r;
}

}  // namespace
}  // namespace tblibc

extern "C" {

using tblibc::Integer;
using tblibc::numparse::FloatFormat;

int32_t tblibc_strtol(const char* s, char** end, int32_t base) {
  return static_cast<int32_t>(Integer(s, end, base, 32, true));
}
uint32_t tblibc_strtoul(const char* s, char** end, int32_t base) {
  return static_cast<uint32_t>(Integer(s, end, base, 32, false));
}
int64_t tblibc_strtoll(const char* s, char** end, int32_t base) {
  return static_cast<int64_t>(Integer(s, end, base, 64, true));
}
uint64_t tblibc_strtoull(const char* s, char** end, int32_t base) {
  return Integer(s, end, base, 64, false);
}
// The grouping flag of the _internal forms changes nothing in the C locale.
int32_t tblibc_strtol_internal(const char* s, char** end, int32_t base, int32_t) {
  return tblibc_strtol(s, end, base);
}
uint32_t tblibc_strtoul_internal(const char* s, char** end, int32_t base, int32_t) {
  return tblibc_strtoul(s, end, base);
}
int64_t tblibc_strtoll_internal(const char* s, char** end, int32_t base, int32_t) {
  return tblibc_strtoll(s, end, base);
}
uint64_t tblibc_strtoull_internal(const char* s, char** end, int32_t base, int32_t) {
  return tblibc_strtoull(s, end, base);
}

// The C23 names that newer Linux C libraries' headers pick (for C23 and
// for _GNU_SOURCE): "0b" prefixes binary numbers.
int32_t tblibc_isoc23_strtol(const char* s, char** end, int32_t base) {
  return static_cast<int32_t>(Integer(s, end, base, 32, true, true));
}
uint32_t tblibc_isoc23_strtoul(const char* s, char** end, int32_t base) {
  return static_cast<uint32_t>(Integer(s, end, base, 32, false, true));
}
int64_t tblibc_isoc23_strtoll(const char* s, char** end, int32_t base) {
  return static_cast<int64_t>(Integer(s, end, base, 64, true, true));
}
uint64_t tblibc_isoc23_strtoull(const char* s, char** end, int32_t base) {
  return Integer(s, end, base, 64, false, true);
}

int32_t tblibc_atoi(const char* s) { return tblibc_strtol(s, nullptr, 10); }
int64_t tblibc_atoll(const char* s) { return tblibc_strtoll(s, nullptr, 10); }

// Results go back through st(0) as the guest expects; the value is put
// together bit by bit and only loaded, never computed, on the x87 unit.
double tblibc_strtod(const char* s, char** end) {
  const uint64_t bits = tblibc::Float(s, end, FloatFormat::kDouble).bits;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
float tblibc_strtof(const char* s, char** end) {
  const uint32_t bits =
      static_cast<uint32_t>(tblibc::Float(s, end, FloatFormat::kFloat).bits);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}
long double tblibc_strtold(const char* s, char** end) {
  static_assert(sizeof(long double) >= 10, "the host's long double is x87's");
  const tblibc::numparse::FloatResult r =
      tblibc::Float(s, end, FloatFormat::kExtended);
  long double v = 0;
  std::memcpy(&v, &r.bits, 8);
  std::memcpy(reinterpret_cast<char*>(&v) + 8, &r.signExponent, 2);
  return v;
}
double tblibc_strtod_internal(const char* s, char** end, int32_t) {
  return tblibc_strtod(s, end);
}
float tblibc_strtof_internal(const char* s, char** end, int32_t) {
  return tblibc_strtof(s, end);
}
long double tblibc_strtold_internal(const char* s, char** end, int32_t) {
  return tblibc_strtold(s, end);
}
double tblibc_atof(const char* s) { return tblibc_strtod(s, nullptr); }

}  // extern "C"

namespace {

// The wide forms read an ASCII copy: in the "C" locale no character past
// ASCII belongs to a number, so the first one ends it as a terminator would.
template <typename Parse>
auto FromWide(const int32_t* s, int32_t** end, Parse parse) {
  std::string ascii;
  for (const int32_t* p = s; *p > 0 && *p < 0x80; ++p)
    ascii += static_cast<char>(*p);
  char* stop = nullptr;
  const auto v = parse(ascii.c_str(), &stop);
  if (end != nullptr) *end = const_cast<int32_t*>(s) + (stop - ascii.c_str());
  return v;
}

// strfromd's format is "%[.precision]conversion" and nothing else before
// the conversion (what follows it is ignored); glibc aborts on any other.
// The value lies at `args` as printf would find it.
int32_t FromFloating(char* out, uint32_t size, const char* format,
                     const uint8_t* args, bool extended) {
  std::string spec = "%";
  const char* p = format;
  if (*p++ != '%') tblibc::Abort();
  if (*p == '.') {
    spec += *p++;
    while (*p >= '0' && *p <= '9') spec += *p++;
    if (spec.size() == 2) spec += '0';
  }
  if (*p == '\0' || std::strchr("aAeEfFgG", *p) == nullptr) tblibc::Abort();
  if (extended) spec += 'L';
  spec += *p;
  const std::string text = tblibc::format::FormatText(spec.c_str(), args);
  if (size > 0) {
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
  }
  return static_cast<int32_t>(text.size());
}

}  // namespace

extern "C" {

double tblibc_wcstod(const int32_t* s, int32_t** end) {
  return FromWide(s, end, tblibc_strtod);
}
float tblibc_wcstof(const int32_t* s, int32_t** end) {
  return FromWide(s, end, tblibc_strtof);
}
long double tblibc_wcstold(const int32_t* s, int32_t** end) {
  return FromWide(s, end, tblibc_strtold);
}
int32_t tblibc_wcstol(const int32_t* s, int32_t** end, int32_t base) {
  return FromWide(s, end, [base](const char* t, char** e) { return tblibc_strtol(t, e, base); });
}
uint32_t tblibc_wcstoul(const int32_t* s, int32_t** end, int32_t base) {
  return FromWide(s, end, [base](const char* t, char** e) { return tblibc_strtoul(t, e, base); });
}
int64_t tblibc_wcstoll(const int32_t* s, int32_t** end, int32_t base) {
  return FromWide(s, end, [base](const char* t, char** e) { return tblibc_strtoll(t, e, base); });
}
uint64_t tblibc_wcstoull(const int32_t* s, int32_t** end, int32_t base) {
  return FromWide(s, end, [base](const char* t, char** e) { return tblibc_strtoull(t, e, base); });
}
// The grouping flag of the _internal forms changes nothing in the C locale.
int32_t tblibc_wcstol_internal(const int32_t* s, int32_t** end, int32_t base, int32_t) {
  return tblibc_wcstol(s, end, base);
}
uint32_t tblibc_wcstoul_internal(const int32_t* s, int32_t** end, int32_t base, int32_t) {
  return tblibc_wcstoul(s, end, base);
}
int64_t tblibc_wcstoll_internal(const int32_t* s, int32_t** end, int32_t base, int32_t) {
  return tblibc_wcstoll(s, end, base);
}
uint64_t tblibc_wcstoull_internal(const int32_t* s, int32_t** end, int32_t base, int32_t) {
  return tblibc_wcstoull(s, end, base);
}
double tblibc_wcstod_internal(const int32_t* s, int32_t** end, int32_t) {
  return tblibc_wcstod(s, end);
}
float tblibc_wcstof_internal(const int32_t* s, int32_t** end, int32_t) {
  return tblibc_wcstof(s, end);
}
long double tblibc_wcstold_internal(const int32_t* s, int32_t** end, int32_t) {
  return tblibc_wcstold(s, end);
}

// The radix-64 digits of a64l and l64a: "./0-9A-Za-z", least significant
// first, at most six of them, only the low 32 bits of a long.
int32_t tblibc_a64l(const char* s) {
  uint32_t value = 0;
  for (int i = 0; i < 6 && s[i] != '\0'; ++i) {
    const char c = s[i];
    int digit = -1;
    if (c == '.' || c == '/') digit = c - '.';
    else if (c >= '0' && c <= '9') digit = c - '0' + 2;
    else if (c >= 'A' && c <= 'Z') digit = c - 'A' + 12;
    else if (c >= 'a' && c <= 'z') digit = c - 'a' + 38;
    if (digit < 0) break;
    value |= static_cast<uint32_t>(digit) << (6 * i);
  }
  return static_cast<int32_t>(value);
}
char* tblibc_l64a(int32_t n) {
  static const char kDigits[] =
      "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  static char text[7];
  char* p = text;
  for (uint32_t m = static_cast<uint32_t>(n); m != 0; m >>= 6) *p++ = kDigits[m & 0x3f];
  *p = '\0';
  return text;
}

int32_t tblibc_strfromd(char* out, uint32_t size, const char* format,
                        double value) {
  uint8_t args[8];
  std::memcpy(args, &value, 8);
  return FromFloating(out, size, format, args, false);
}
int32_t tblibc_strfromf(char* out, uint32_t size, const char* format,
                        float value) {
  return tblibc_strfromd(out, size, format, value);
}
int32_t tblibc_strfroml(char* out, uint32_t size, const char* format,
                        long double value) {
  uint8_t args[12] = {};
  std::memcpy(args, &value, 10);
  return FromFloating(out, size, format, args, true);
}

// abs(INT_MIN) stays INT_MIN, as the Linux C library's wraps.
int32_t tblibc_abs(int32_t v) {
  return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
}
int64_t tblibc_llabs(int64_t v) {
  return v < 0 ? static_cast<int64_t>(0ull - static_cast<uint64_t>(v)) : v;
}

// The 64-bit division behind lldiv and imaxdiv (structret.S): the quotient
// truncated toward zero, as C's division gives it.
void tumbex_lldiv_into(int64_t* out, int64_t numerator, int64_t denominator) {
  out[0] = numerator / denominator;
  out[1] = numerator % denominator;
}

// structret.S: results returned the i386 System V way, in memory the caller
// names with a hidden first argument that the callee pops.
void tumbex_div_sysv();
void tumbex_lldiv_sysv();

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_atoi>("atoi"),
    Fn<&tblibc_atoi>("atol"),
    Fn<&tblibc_atoll>("atoll"),
    Fn<&tblibc_atof>("atof"),
    Fn<&tblibc_strtol>("strtol"),
    Fn<&tblibc_strtoul>("strtoul"),
    Fn<&tblibc_strtoll>("strtoll"),
    Fn<&tblibc_strtoull>("strtoull"),
    Fn<&tblibc_strtoll>("strtoq"),
    Fn<&tblibc_strtoull>("strtouq"),
    Fn<&tblibc_strtoll>("strtoimax"),
    Fn<&tblibc_strtoull>("strtoumax"),
    Fn<&tblibc_isoc23_strtol>("__isoc23_strtol"),
    Fn<&tblibc_isoc23_strtoul>("__isoc23_strtoul"),
    Fn<&tblibc_isoc23_strtoll>("__isoc23_strtoll"),
    Fn<&tblibc_isoc23_strtoull>("__isoc23_strtoull"),
    Fn<&tblibc_isoc23_strtoll>("__isoc23_strtoimax"),
    Fn<&tblibc_isoc23_strtoull>("__isoc23_strtoumax"),
    Fn<&tblibc_strtol_internal>("__strtol_internal"),
    Fn<&tblibc_strtoul_internal>("__strtoul_internal"),
    Fn<&tblibc_strtoll_internal>("__strtoll_internal"),
    Fn<&tblibc_strtoull_internal>("__strtoull_internal"),
    Fn<&tblibc_strtod>("strtod"),
    Fn<&tblibc_strtod>("strtof64"),  // _Float64 is double
    Fn<&tblibc_strtof>("strtof"),
    Fn<&tblibc_strtold>("strtold"),
    Fn<&tblibc_wcstod>("wcstod"),
    Fn<&tblibc_wcstod>("wcstof64"),  // _Float64 is double
    Fn<&tblibc_wcstof>("wcstof"),
    Fn<&tblibc_wcstold>("wcstold"),
    Fn<&tblibc_strfromd>("strfromd"),
    Fn<&tblibc_strfromd>("strfromf64"),
    Fn<&tblibc_strfromf>("strfromf"),
    Fn<&tblibc_strfroml>("strfroml"),
    // The interchange types' names: _Float32 is float, _Float32x and
    // _Float64 are double, _Float64x is long double.
    Fn<&tblibc_strtof>("strtof32"),
    Fn<&tblibc_strtod>("strtof32x"),
    Fn<&tblibc_strtold>("strtof64x"),
    Fn<&tblibc_wcstof>("wcstof32"),
    Fn<&tblibc_wcstod>("wcstof32x"),
    Fn<&tblibc_wcstold>("wcstof64x"),
    Fn<&tblibc_strfromf>("strfromf32"),
    Fn<&tblibc_strfromd>("strfromf32x"),
    Fn<&tblibc_strfroml>("strfromf64x"),
    Fn<&tblibc_wcstol>("wcstol"),
    Fn<&tblibc_wcstoul>("wcstoul"),
    Fn<&tblibc_wcstoll>("wcstoll"),
    Fn<&tblibc_wcstoull>("wcstoull"),
    Fn<&tblibc_wcstoll>("wcstoq"),
    Fn<&tblibc_wcstoull>("wcstouq"),
    Fn<&tblibc_wcstoll>("wcstoimax"),
    Fn<&tblibc_wcstoull>("wcstoumax"),
    Fn<&tblibc_wcstol_internal>("__wcstol_internal"),
    Fn<&tblibc_wcstoul_internal>("__wcstoul_internal"),
    Fn<&tblibc_wcstoll_internal>("__wcstoll_internal"),
    Fn<&tblibc_wcstoull_internal>("__wcstoull_internal"),
    Fn<&tblibc_wcstod_internal>("__wcstod_internal"),
    Fn<&tblibc_wcstof_internal>("__wcstof_internal"),
    Fn<&tblibc_wcstold_internal>("__wcstold_internal"),
    Fn<&tblibc_strtod_internal>("__strtod_internal"),
    Fn<&tblibc_strtof_internal>("__strtof_internal"),
    Fn<&tblibc_strtold_internal>("__strtold_internal"),
    Fn<&tblibc_a64l>("a64l"),
    Fn<&tblibc_l64a>("l64a"),
    Fn<&tblibc_abs>("abs"),
    Fn<&tblibc_abs>("labs"),
    Fn<&tblibc_llabs>("llabs"),
    Fn<&tblibc_llabs>("imaxabs"),
    Fn<&tumbex_div_sysv>("div"),
    Fn<&tumbex_div_sysv>("ldiv"),
    Fn<&tumbex_lldiv_sysv>("lldiv"),
    Fn<&tumbex_lldiv_sysv>("imaxdiv"),
};

}  // namespace

extern const Family kNumbersFamily;
const Family kNumbersFamily{"numbers", kExports};

}  // namespace tblibc
