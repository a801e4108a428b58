// strftime in the "C" locale, with the Linux C library's flags (_ - 0 ^ #),
// widths, E and O modifiers and its way with what it does not know (the
// conversion is copied as written).
#include "libcbind/strftime.h"

#include <cstring>
#include <string>

#include "libcbind/time.h"
#include "libcbind/timezone.h"

namespace tblibc {
namespace {

constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};

struct Spec {
  char pad = 0;        // 0, '_', '-', '0'
  bool upper = false;  // ^
  bool swap = false;   // #
  int width = -1;
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Text padded on the left to the width: zeros for the 0 flag, else spaces.
void PutText(std::string& out, const Spec& spec, std::string_view text) {
  if (spec.width > 0 && static_cast<size_t>(spec.width) > text.size())
    out.append(spec.width - text.size(), spec.pad == '0' ? '0' : ' ');
  out.append(text);
}

// A number in at least `digits` digits: zeros by default (spaces for the
// space-padded conversions and the _ flag); - drops that padding but not
// the width's.
void PutNumber(std::string& out, Spec spec, int digits, int64_t value, char defaultPad = '0') {
  const bool negative = value < 0;
  const std::string number = std::to_string(negative ? -static_cast<uint64_t>(value)
                                                     : static_cast<uint64_t>(value));
  const char pad = spec.pad != 0 ? spec.pad : defaultPad;
  if (pad == '-') {
    spec.pad = '_';
    PutText(out, spec, (negative ? "-" : "") + number);
    return;
  }
  const int wanted = spec.width > digits ? spec.width : digits;
  const int padding = wanted - static_cast<int>(number.size()) - (negative ? 1 : 0);
  if (pad == '_') {
    if (padding > 0) out.append(padding, ' ');
    if (negative) out.push_back('-');
  } else {
    if (negative) out.push_back('-');
    if (padding > 0) out.append(padding, '0');
  }
  out.append(number);
}

int64_t Year(const linux::Tm& tm) { return int64_t{tm.tm_year} + 1900; }

int64_t DaysInYear(int64_t year) { return tz::IsLeap(year) ? 366 : 365; }

// The ISO 8601 week-numbering year and week of the date.
void IsoWeek(const linux::Tm& tm, int64_t* year, int* week) {
  const int isoWeekday = (tm.tm_wday + 6) % 7;  // Monday 0
  int64_t y = Year(tm);
  int64_t thursday = int64_t{tm.tm_yday} - isoWeekday + 3;
  if (thursday < 0) {
    --y;
    thursday += DaysInYear(y);
  } else if (thursday >= DaysInYear(y)) {
    thursday -= DaysInYear(y);
    ++y;
  }
  *year = y;
  *week = static_cast<int>(thursday / 7 + 1);
}

std::string Name(const char* const* names, int count, int index, bool full, const Spec& spec) {
  std::string text = index >= 0 && index < count ? names[index] : "?";
  if (!full && text.size() > 3) text.resize(3);
  if (spec.upper || spec.swap)
    for (char& c : text) c = Upper(c);
  return text;
}

bool ValidWithE(char c) { return std::strchr("cCxXyY", c) != nullptr; }
bool ValidWithO(char c) { return std::strchr("deHIklmMSuUVwWy", c) != nullptr; }

void Format(std::string& out, const char* format, const linux::Tm& tm);

void Sub(std::string& out, const Spec& spec, const char* format, const linux::Tm& tm) {
  std::string text;
  Format(text, format, tm);
  if (spec.upper)
    for (char& c : text) c = Upper(c);
  PutText(out, spec, text);
}

void Format(std::string& out, const char* f, const linux::Tm& tm) {
  while (*f != 0) {
    if (*f != '%') {
      out.push_back(*f++);
      continue;
    }
    const char* start = f++;
    Spec spec;
    for (;; ++f) {
      if (*f == '_' || *f == '-' || *f == '0') {
        spec.pad = *f;
      } else if (*f == '^') {
        spec.upper = true;
      } else if (*f == '#') {
        spec.swap = true;
      } else {
        break;
      }
    }
    if (*f >= '1' && *f <= '9') {
      int64_t w = 0;
      while (*f >= '0' && *f <= '9') {
        if (w < 1 << 20) w = w * 10 + (*f - '0');
        ++f;
      }
      spec.width = static_cast<int>(w);
    }
    char modifier = 0;
    if (*f == 'E' || *f == 'O') modifier = *f++;
    const char c = *f;
    if (c == 0) {  // a lone % at the end: copied
      out.append(start, f);
      break;
    }
    ++f;
    if ((modifier == 'E' && !ValidWithE(c) && c != '%') ||
        (modifier == 'O' && !ValidWithO(c) && c != '%')) {
      PutText(out, spec, std::string_view(start, f - start));
      continue;
    }
    const int hour12 = (tm.tm_hour % 12 == 0) ? 12 : tm.tm_hour % 12;
    switch (c) {
      case '%': PutText(out, spec, "%"); break;
      case 'n': PutText(out, spec, "\n"); break;
      case 't': PutText(out, spec, "\t"); break;
      case 'a': PutText(out, spec, Name(kDays, 7, tm.tm_wday, false, spec)); break;
      case 'A': PutText(out, spec, Name(kDays, 7, tm.tm_wday, true, spec)); break;
      case 'b':
      case 'h': PutText(out, spec, Name(kMonths, 12, tm.tm_mon, false, spec)); break;
      case 'B': PutText(out, spec, Name(kMonths, 12, tm.tm_mon, true, spec)); break;
      case 'c': Sub(out, spec, "%a %b %e %H:%M:%S %Y", tm); break;
      case 'D':
      case 'x': Sub(out, spec, "%m/%d/%y", tm); break;
      case 'F': Sub(out, spec, "%Y-%m-%d", tm); break;
      case 'r': Sub(out, spec, "%I:%M:%S %p", tm); break;
      case 'R': Sub(out, spec, "%H:%M", tm); break;
      case 'T':
      case 'X': Sub(out, spec, "%H:%M:%S", tm); break;
      case 'C': {
        const int64_t y = Year(tm);
        PutNumber(out, spec, 2, y / 100 - (y % 100 < 0 ? 1 : 0));
        break;
      }
      case 'd': PutNumber(out, spec, 2, tm.tm_mday); break;
      case 'e': PutNumber(out, spec, 2, tm.tm_mday, '_'); break;
      case 'H': PutNumber(out, spec, 2, tm.tm_hour); break;
      case 'I': PutNumber(out, spec, 2, hour12); break;
      case 'k': PutNumber(out, spec, 2, tm.tm_hour, '_'); break;
      case 'l': PutNumber(out, spec, 2, hour12, '_'); break;
      case 'j': PutNumber(out, spec, 3, int64_t{tm.tm_yday} + 1); break;
      case 'm': PutNumber(out, spec, 2, int64_t{tm.tm_mon} + 1); break;
      case 'M': PutNumber(out, spec, 2, tm.tm_min); break;
      case 'S': PutNumber(out, spec, 2, tm.tm_sec); break;
      case 'u': PutNumber(out, spec, 1, (tm.tm_wday + 6) % 7 + 1); break;
      case 'w': PutNumber(out, spec, 1, tm.tm_wday); break;
      case 'U': PutNumber(out, spec, 2, (tm.tm_yday - tm.tm_wday + 7) / 7); break;
      case 'W': PutNumber(out, spec, 2, (tm.tm_yday - (tm.tm_wday - 1 + 7) % 7 + 7) / 7); break;
      case 'y': PutNumber(out, spec, 2, (Year(tm) % 100 + 100) % 100); break;
      case 'Y': PutNumber(out, spec, 1, Year(tm)); break;
      case 'g':
      case 'G':
      case 'V': {
        int64_t year;
        int week;
        IsoWeek(tm, &year, &week);
        if (c == 'V') PutNumber(out, spec, 2, week);
        else if (c == 'g') PutNumber(out, spec, 2, (year % 100 + 100) % 100);
        else PutNumber(out, spec, 1, year);
        break;
      }
      case 'p':
      case 'P': {
        std::string text = tm.tm_hour >= 12 ? "PM" : "AM";
        if (c == 'P' || spec.swap)
          for (char& ch : text) ch = Lower(ch);
        PutText(out, spec, text);
        break;
      }
      case 's': {
        linux::Tm copy = tm;
        PutNumber(out, spec, 1, tz::LocalToUtc(&copy));
        break;
      }
      case 'z': {
        if (tm.tm_isdst < 0) break;
        const int32_t diff = tm.tm_gmtoff;
        // The sign goes out as text, the rest as a number of four digits.
        Spec sign = spec;
        if (sign.pad == '-' || sign.pad == '_') sign.pad = 0;
        PutText(out, sign, diff < 0 ? "-" : "+");
        const int32_t a = diff < 0 ? -diff : diff;
        PutNumber(out, spec, 4, a / 3600 * 100 + a / 60 % 60);
        break;
      }
      case 'Z': {
        std::string text;
        if (tm.tm_zone != 0)
          text = reinterpret_cast<const char*>(static_cast<uintptr_t>(tm.tm_zone));
        // A struct tm without its zone's name: the zone now in force names it.
        if (text.empty() && tm.tm_isdst >= 0) text = tz::ZoneName(tm.tm_isdst != 0);
        if (spec.swap)
          for (char& ch : text) ch = Lower(ch);
        if (spec.upper)
          for (char& ch : text) ch = Upper(ch);
        PutText(out, spec, text);
        break;
      }
      default:
        PutText(out, spec, std::string_view(start, f - start));
        break;
    }
  }
}

}  // namespace

std::string FormatTime(const char* format, const linux::Tm& tm) {
  std::string out;
  Format(out, format, tm);
  return out;
}

}  // namespace tblibc

extern "C" uint32_t tblibc_strftime(char* buffer, uint32_t size, const char* format,
                                    const linux::Tm* tm) {
  const std::string text = tblibc::FormatTime(format, *tm);
  if (text.size() >= size) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<uint32_t>(text.size());
}
