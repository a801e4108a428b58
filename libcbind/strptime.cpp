// strptime in the "C" locale, as the Linux C library reads: whitespace in
// the format takes any run of it, numbers skip blanks before them and take
// at most their width in digits, names match in either case, full or
// abbreviated; the weekday and the day of the year follow from a date.
#include <cstring>

#include "libcbind/strptime.h"
#include "libcbind/time.h"
#include "libcbind/timezone.h"

namespace tblibc {
namespace {

constexpr const char* kDays[] = {"sunday", "monday", "tuesday", "wednesday",
                                 "thursday", "friday", "saturday"};
constexpr const char* kMonths[] = {"january", "february", "march",     "april",
                                   "may",     "june",     "july",      "august",
                                   "september", "october", "november", "december"};

bool Space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

struct State {
  bool haveI = false, pm = false, haveWday = false, haveYday = false, wantXday = false;
  bool haveMon = false, haveMday = false, haveCentury = false, haveYy = false;
  int century = 0, yy = 0;
};

void SkipSpace(const char*& s) {
  while (Space(*s)) ++s;
}

bool Number(const char*& s, int low, int high, int digits, int* value) {
  SkipSpace(s);
  int v = 0, n = 0;
  while (n < digits && *s >= '0' && *s <= '9') {
    v = v * 10 + (*s++ - '0');
    ++n;
  }
  if (n == 0 || v < low || v > high) return false;
  *value = v;
  return true;
}

// The longest of the full and abbreviated names that `s` starts with.
bool Names(const char*& s, const char* const* names, int count, int* index) {
  SkipSpace(s);
  for (int i = 0; i < count; ++i) {
    const size_t full = std::strlen(names[i]);
    for (size_t len : {full, size_t{3}}) {
      size_t k = 0;
      while (k < len && Lower(s[k]) == names[i][k]) ++k;
      if (k == len) {
        s += len;
        *index = i;
        return true;
      }
    }
  }
  return false;
}

const char* Parse(const char* s, const char* f, linux::Tm* tm, State& st);

bool Recurse(const char*& s, const char* format, linux::Tm* tm, State& st) {
  const char* end = Parse(s, format, tm, st);
  if (end == nullptr) return false;
  s = end;
  return true;
}

const char* Parse(const char* s, const char* f, linux::Tm* tm, State& st) {
  while (*f != 0) {
    if (Space(*f)) {
      SkipSpace(s);
      ++f;
      continue;
    }
    if (*f != '%') {
      if (*s != *f) return nullptr;
      ++s;
      ++f;
      continue;
    }
    ++f;
    while (*f == '-' || *f == '_' || *f == '0' || *f == '^' || *f == '#') ++f;
    while (*f >= '0' && *f <= '9') ++f;
    if (*f == 'E' || *f == 'O') ++f;
    int v = 0;
    switch (*f++) {
      case '%':
        SkipSpace(s);
        if (*s++ != '%') return nullptr;
        break;
      case 'n':
      case 't': SkipSpace(s); break;
      case 'a':
      case 'A':
        if (!Names(s, kDays, 7, &v)) return nullptr;
        tm->tm_wday = v;
        st.haveWday = true;
        break;
      case 'b':
      case 'B':
      case 'h':
        if (!Names(s, kMonths, 12, &v)) return nullptr;
        tm->tm_mon = v;
        st.haveMon = st.wantXday = true;
        break;
      case 'c':
        if (!Recurse(s, "%a %b %e %H:%M:%S %Y", tm, st)) return nullptr;
        break;
      case 'C':
        if (!Number(s, 0, 99, 2, &v)) return nullptr;
        st.century = v;
        st.haveCentury = st.wantXday = true;
        break;
      case 'd':
      case 'e':
        if (!Number(s, 1, 31, 2, &v)) return nullptr;
        tm->tm_mday = v;
        st.haveMday = st.wantXday = true;
        break;
      case 'D':
      case 'x':
        if (!Recurse(s, "%m/%d/%y", tm, st)) return nullptr;
        break;
      case 'F':
        if (!Recurse(s, "%Y-%m-%d", tm, st)) return nullptr;
        break;
      case 'H':
      case 'k':
        if (!Number(s, 0, 23, 2, &v)) return nullptr;
        tm->tm_hour = v;
        st.haveI = false;
        break;
      case 'I':
      case 'l':
        if (!Number(s, 1, 12, 2, &v)) return nullptr;
        tm->tm_hour = v % 12;
        st.haveI = true;
        break;
      case 'j':
        if (!Number(s, 1, 366, 3, &v)) return nullptr;
        tm->tm_yday = v - 1;
        st.haveYday = true;
        break;
      case 'm':
        if (!Number(s, 1, 12, 2, &v)) return nullptr;
        tm->tm_mon = v - 1;
        st.haveMon = st.wantXday = true;
        break;
      case 'M':
        if (!Number(s, 0, 59, 2, &v)) return nullptr;
        tm->tm_min = v;
        break;
      case 'p':
      case 'P':
        SkipSpace(s);
        if ((Lower(s[0]) == 'a' || Lower(s[0]) == 'p') && Lower(s[1]) == 'm') {
          st.pm = Lower(s[0]) == 'p';
          s += 2;
        } else {
          return nullptr;
        }
        break;
      case 'r':
        if (!Recurse(s, "%I:%M:%S %p", tm, st)) return nullptr;
        break;
      case 'R':
        if (!Recurse(s, "%H:%M", tm, st)) return nullptr;
        break;
      case 's': {
        SkipSpace(s);
        bool negative = *s == '-';
        if (negative) ++s;
        if (*s < '0' || *s > '9') return nullptr;
        int64_t t = 0;
        while (*s >= '0' && *s <= '9') {
          if (t < (int64_t{1} << 40)) t = t * 10 + (*s - '0');
          ++s;
        }
        if (negative) t = -t;
        if (t < INT32_MIN || t > INT32_MAX || !tz::LocalTime(t, tm)) return nullptr;
        break;
      }
      case 'S':
        if (!Number(s, 0, 61, 2, &v)) return nullptr;
        tm->tm_sec = v;
        break;
      case 'T':
      case 'X':
        if (!Recurse(s, "%H:%M:%S", tm, st)) return nullptr;
        break;
      case 'u':
        if (!Number(s, 1, 7, 1, &v)) return nullptr;
        tm->tm_wday = v % 7;
        st.haveWday = true;
        break;
      case 'w':
        if (!Number(s, 0, 6, 1, &v)) return nullptr;
        tm->tm_wday = v;
        st.haveWday = true;
        break;
      case 'U':
      case 'W':
      case 'V':
        if (!Number(s, 0, 53, 2, &v)) return nullptr;
        break;
      case 'g':
        if (!Number(s, 0, 99, 2, &v)) return nullptr;
        break;
      case 'G':
        if (!Number(s, 0, 9999, 4, &v)) return nullptr;
        break;
      case 'y':
        if (!Number(s, 0, 99, 2, &v)) return nullptr;
        st.yy = v;
        st.haveYy = st.wantXday = true;
        tm->tm_year = v >= 69 ? v : v + 100;
        break;
      case 'Y': {
        SkipSpace(s);
        const bool negative = *s == '-';
        if (negative || *s == '+') ++s;
        if (!Number(s, 0, 9999, 4, &v)) return nullptr;
        tm->tm_year = (negative ? -v : v) - 1900;
        st.haveYy = st.haveCentury = false;
        st.wantXday = true;
        break;
      }
      case 'z': {
        SkipSpace(s);
        if (*s == 'Z') {
          ++s;
          tm->tm_gmtoff = 0;
          break;
        }
        if (*s != '+' && *s != '-') return nullptr;
        const bool negative = *s++ == '-';
        int digits = 0, value = 0;
        while (digits < 4 && ((*s >= '0' && *s <= '9') || (digits == 2 && *s == ':'))) {
          if (*s != ':') {
            value = value * 10 + (*s - '0');
            ++digits;
          }
          ++s;
        }
        if (digits == 2) value *= 100;
        else if (digits != 4) return nullptr;
        if (value % 100 >= 60 || value > 1200) return nullptr;
        tm->tm_gmtoff = (value / 100 * 3600 + value % 100 * 60) * (negative ? -1 : 1);
        break;
      }
      case 'Z':
        // Read, not converted.
        SkipSpace(s);
        while (*s != 0 && !Space(*s)) ++s;
        break;
      default:
        return nullptr;
    }
  }
  return s;
}

}  // namespace
}  // namespace tblibc

extern "C" char* tblibc_strptime(const char* text, const char* format, linux::Tm* tm) {
  using namespace tblibc;
  State st;
  const char* end = Parse(text, format, tm, st);
  if (end == nullptr) return nullptr;
  if (st.haveI && st.pm) tm->tm_hour += 12;
  if (st.haveCentury) {
    tm->tm_year = st.haveYy ? st.century * 100 + st.yy - 1900 : st.century * 100 - 1900;
  }
  const int64_t year = int64_t{tm->tm_year} + 1900;
  if (st.haveYday && !(st.haveMon && st.haveMday)) {
    // The month and day of the day of the year.
    int month = 1, day = tm->tm_yday + 1;
    while (month < 12 && day > tz::DaysInMonth(year, month)) day -= tz::DaysInMonth(year, month++);
    tm->tm_mon = month - 1;
    tm->tm_mday = day;
    st.wantXday = true;
  }
  if (st.wantXday && tm->tm_mon >= 0 && tm->tm_mon < 12) {
    const int64_t days = tz::DaysFromCivil(year, tm->tm_mon + 1, tm->tm_mday);
    if (!st.haveWday) tm->tm_wday = static_cast<int32_t>(((days + 4) % 7 + 7) % 7);
    if (!st.haveYday) tm->tm_yday = static_cast<int32_t>(days - tz::DaysFromCivil(year, 1, 1));
  }
  return const_cast<char*>(end);
}
