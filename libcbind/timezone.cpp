// The calendar and the time zone rules (timezone.h).
#include "libcbind/timezone.h"

#include <cstring>
#include <deque>

#include "platform/time.h"

namespace tblibc::tz {

// ---- Calendar -----------------------------------------------------------

namespace {
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
}  // namespace

bool IsLeap(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Years counted from March, so the leap day ends the year; 400-year eras
// of 146097 days.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = FloorDiv(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t* year, int* month, int* day) {
  days += 719468;
  const int64_t era = FloorDiv(days, 146097);
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = yearOfEra + era * 400 + (*month <= 2);
}

bool Breakdown(int64_t t, int32_t gmtoff, linux::Tm* tm) {
  const int64_t s = t + gmtoff;
  const int64_t days = FloorDiv(s, 86400);
  const int64_t rest = s - days * 86400;
  int64_t year;
  int month, day;
  CivilFromDays(days, &year, &month, &day);
  if (year - 1900 > INT32_MAX || year - 1900 < INT32_MIN) return false;
  tm->tm_sec = static_cast<int32_t>(rest % 60);
  tm->tm_min = static_cast<int32_t>(rest / 60 % 60);
  tm->tm_hour = static_cast<int32_t>(rest / 3600);
  tm->tm_mday = day;
  tm->tm_mon = month - 1;
  tm->tm_year = static_cast<int32_t>(year - 1900);
  // 1970-01-01 was a Thursday.
  tm->tm_wday = static_cast<int32_t>(days + 4 - 7 * FloorDiv(days + 4, 7));
  tm->tm_yday = static_cast<int32_t>(days - DaysFromCivil(year, 1, 1));
  return true;
}

int64_t FieldsToSeconds(const linux::Tm& tm) {
  const int64_t months = int64_t{tm.tm_mon};
  const int64_t year = int64_t{tm.tm_year} + 1900 + FloorDiv(months, 12);
  const int month = static_cast<int>(months - FloorDiv(months, 12) * 12) + 1;
  const int64_t days = DaysFromCivil(year, month, 1) + int64_t{tm.tm_mday} - 1;
  return days * 86400 + int64_t{tm.tm_hour} * 3600 + int64_t{tm.tm_min} * 60 + tm.tm_sec;
}

// ---- POSIX TZ values ----------------------------------------------------

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A zone name: three or more letters, or anything between < and >.
bool Name(std::string_view& s, std::string* name) {
  size_t n = 0;
  if (!s.empty() && s.front() == '<') {
    const size_t close = s.find('>');
    if (close == std::string_view::npos || close < 4) return false;
    *name = std::string(s.substr(1, close - 1));
    s.remove_prefix(close + 1);
    return true;
  }
  while (n < s.size() && IsAlpha(s[n])) ++n;
  if (n < 3) return false;
  *name = std::string(s.substr(0, n));
  s.remove_prefix(n);
  return true;
}

bool Number(std::string_view& s, int limit, int* value) {
  int v = 0, digits = 0;
  while (!s.empty() && IsDigit(s.front()) && digits < 3) {
    v = v * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++digits;
  }
  if (digits == 0 || v > limit) return false;
  *value = v;
  return true;
}

// [+-]hh[:mm[:ss]] in seconds; hours up to `hourLimit`.
bool Clock(std::string_view& s, int hourLimit, int32_t* seconds) {
  int sign = 1;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    sign = s.front() == '-' ? -1 : 1;
    s.remove_prefix(1);
  }
  int h = 0, m = 0, sec = 0;
  if (!Number(s, hourLimit, &h)) return false;
  if (!s.empty() && s.front() == ':') {
    s.remove_prefix(1);
    if (!Number(s, 59, &m)) return false;
    if (!s.empty() && s.front() == ':') {
      s.remove_prefix(1);
      if (!Number(s, 59, &sec)) return false;
    }
  }
  *seconds = sign * (h * 3600 + m * 60 + sec);
  return true;
}

bool Rule(std::string_view& s, Transition* t) {
  if (s.empty()) return false;
  if (s.front() == 'J') {
    s.remove_prefix(1);
    t->kind = Transition::kJulian;
    if (!Number(s, 365, &t->day) || t->day < 1) return false;
  } else if (s.front() == 'M') {
    s.remove_prefix(1);
    t->kind = Transition::kMonthWeekDay;
    if (!Number(s, 12, &t->month) || t->month < 1) return false;
    if (s.empty() || s.front() != '.') return false;
    s.remove_prefix(1);
    if (!Number(s, 5, &t->week) || t->week < 1) return false;
    if (s.empty() || s.front() != '.') return false;
    s.remove_prefix(1);
    if (!Number(s, 6, &t->day)) return false;
  } else {
    t->kind = Transition::kZeroBased;
    if (!Number(s, 365, &t->day)) return false;
  }
  t->seconds = 7200;
  if (!s.empty() && s.front() == '/') {
    s.remove_prefix(1);
    if (!Clock(s, 167, &t->seconds)) return false;
  }
  return true;
}

// The day of `t` in `year`, as days since 1970.
int64_t TransitionDay(const Transition& t, int64_t year) {
  const int64_t jan1 = DaysFromCivil(year, 1, 1);
  switch (t.kind) {
    case Transition::kJulian:
      return jan1 + t.day - 1 + (IsLeap(year) && t.day >= 60 ? 1 : 0);
    case Transition::kZeroBased:
      return jan1 + t.day;
    case Transition::kMonthWeekDay: {
      const int64_t first = DaysFromCivil(year, t.month, 1);
      const int64_t firstWeekday = ((first + 4) % 7 + 7) % 7;
      int64_t day = (t.day - firstWeekday + 7) % 7 + 7 * (t.week - 1);
      while (day >= DaysInMonth(year, t.month)) day -= 7;
      return first + day;
    }
  }
  return jan1;
}

}  // namespace

bool ParsePosix(std::string_view s, Zone* zone) {
  Zone z;
  if (!Name(s, &z.stdName)) return false;
  int32_t west = 0;
  if (!Clock(s, 24, &west)) return false;
  z.stdOffset = -west;
  z.dstName = z.stdName;
  z.dstOffset = z.stdOffset;
  if (!s.empty()) {
    if (!Name(s, &z.dstName)) return false;
    z.hasDst = true;
    z.dstOffset = z.stdOffset + 3600;
    if (!s.empty() && s.front() != ',') {
      if (!Clock(s, 24, &west)) return false;
      z.dstOffset = -west;
    }
    if (s.empty()) {
      // No rules given: the United States' since 2007, as the C library has.
      z.start = {Transition::kMonthWeekDay, 0, 2, 3, 7200};
      z.end = {Transition::kMonthWeekDay, 0, 1, 11, 7200};
    } else {
      s.remove_prefix(1);  // ','
      if (!Rule(s, &z.start)) return false;
      if (s.empty() || s.front() != ',') return false;
      s.remove_prefix(1);
      if (!Rule(s, &z.end) || !s.empty()) return false;
    }
  }
  *zone = std::move(z);
  return true;
}

Local AtUtc(const Zone& zone, int64_t t) {
  if (!zone.hasDst) return {zone.stdOffset, false};
  int64_t year;
  int month, day;
  CivilFromDays(FloorDiv(t + zone.stdOffset, 86400), &year, &month, &day);
  const int64_t start = TransitionDay(zone.start, year) * 86400 + zone.start.seconds - zone.stdOffset;
  const int64_t end = TransitionDay(zone.end, year) * 86400 + zone.end.seconds - zone.dstOffset;
  const bool dst = start < end ? (t >= start && t < end) : !(t >= end && t < start);
  return dst ? Local{zone.dstOffset, true} : Local{zone.stdOffset, false};
}

namespace {

Zone Utc(std::string_view name) {
  Zone z;
  z.stdName = z.dstName = std::string(name);
  return z;
}

// Names of UTC that need no zone database (the Windows host has none).
Zone* UtcAlias(std::string_view name, Zone* out) {
  static constexpr std::string_view kUtc[] = {"UTC", "UCT", "Universal", "Zulu", "Etc/UTC",
                                              "Etc/UCT", "Etc/Universal", "Etc/Zulu"};
  static constexpr std::string_view kGmt[] = {"GMT", "GMT0", "GMT+0", "GMT-0", "Greenwich",
                                              "Etc/GMT", "Etc/GMT0", "Etc/GMT+0",
                                              "Etc/GMT-0", "Etc/Greenwich"};
  for (std::string_view n : kUtc)
    if (n == name) return &(*out = Utc("UTC"));
  for (std::string_view n : kGmt)
    if (n == name) return &(*out = Utc("GMT"));
  return nullptr;
}

}  // namespace

Zone Resolve(const char* tz) {
  Zone zone;
  if (tz == nullptr) {
    const std::string rule = platform::LocalZoneRule();
    return !rule.empty() && ParsePosix(rule, &zone) ? zone : Utc("UTC");
  }
  std::string_view text(tz);
  if (!text.empty() && text.front() == ':') text.remove_prefix(1);
  if (text.empty()) return Utc("UTC");
  if (UtcAlias(text, &zone) != nullptr) return zone;
  if (tz[0] != ':' && ParsePosix(text, &zone)) return zone;
  const std::string rule = platform::NamedZoneRule(text);
  if (!rule.empty() && ParsePosix(rule, &zone)) return zone;
  // What the C library keeps of a value it cannot use: UTC, under the
  // leading name if it has one.
  std::string_view rest = text;
  std::string name;
  if (!Name(rest, &name)) name.clear();
  zone = Utc(name);
  zone.dstName.clear();
  return zone;
}

const char* Intern(std::string_view text) {
  static std::deque<std::string> names;
  for (const std::string& n : names)
    if (n == text) return n.c_str();
  names.emplace_back(text);
  return names.back().c_str();
}

}  // namespace tblibc::tz
