// The calendar and the time zone rules: one implementation for every port;
// the host gives only the current time and the rule of its local zone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "abi/time.h"

namespace tblibc::tz {

// ---- The proleptic Gregorian calendar -----------------------------------

int64_t DaysFromCivil(int64_t year, int month, int day);  // month 1..12
void CivilFromDays(int64_t days, int64_t* year, int* month, int* day);
bool IsLeap(int64_t year);
int DaysInMonth(int64_t year, int month);  // month 1..12

// Fills every field but tm_isdst, tm_gmtoff and tm_zone from the seconds
// since 1970 UTC seen at `gmtoff` seconds east. False when the year does
// not fit tm_year.
bool Breakdown(int64_t t, int32_t gmtoff, linux::Tm* tm);
// Seconds since 1970 of the broken-down fields read as UTC, any of them out
// of their ranges (mktime's normalisation).
int64_t FieldsToSeconds(const linux::Tm& tm);

// ---- Zones --------------------------------------------------------------

struct Transition {
  enum Kind { kJulian, kZeroBased, kMonthWeekDay } kind = kMonthWeekDay;
  int day = 0, week = 0, month = 0;  // J/n: day; M: month.week.weekday
  int32_t seconds = 7200;            // local time of day, may exceed a day
};

struct Zone {
  std::string stdName, dstName;  // tzname[0], tzname[1] as the C library sets them
  int32_t stdOffset = 0;         // seconds east of UTC
  int32_t dstOffset = 0;
  bool hasDst = false;
  Transition start, end;  // start in standard time, end in daylight time
};

// A POSIX TZ value ("EST5EDT,M3.2.0,M11.1.0", "<+03>-3"); false when it is
// not one.
bool ParsePosix(std::string_view text, Zone* zone);
// The zone a TZ value names, as the Linux C library resolves it: unset
// (null) is the host's local zone; empty, and the names of UTC, are UTC;
// a POSIX rule; a name of the host's zone database; else UTC under the
// value's leading name.
Zone Resolve(const char* tz);

struct Local {
  int32_t gmtoff;
  bool isdst;
};
Local AtUtc(const Zone& zone, int64_t t);

// A NUL-terminated copy that lives as long as the run (zone names the
// guest keeps pointers to).
const char* Intern(std::string_view text);

}  // namespace tblibc::tz
