// The calendar and the POSIX zone rules, in-process: the pieces both ports
// share, over inputs a guest's TZ may hold.
#include <gtest/gtest.h>

#include <cstdint>

#include "libcbind/timezone.h"
#include "platform/time.h"

namespace {

using namespace tblibc::tz;

TEST(TimeCalendar, DaysAndDatesRoundTripOverManyCenturies) {
  // From 1601 to 2400, every day: the date and back, and the dates follow
  // each other by one day.
  int64_t year;
  int month, day;
  CivilFromDays(DaysFromCivil(1601, 1, 1) - 1, &year, &month, &day);
  for (int64_t d = DaysFromCivil(1601, 1, 1); d <= DaysFromCivil(2400, 12, 31); ++d) {
    const int64_t prevYear = year;
    const int prevMonth = month, prevDay = day;
    CivilFromDays(d, &year, &month, &day);
    ASSERT_EQ(DaysFromCivil(year, month, day), d);
    const bool next = (day == prevDay + 1 && month == prevMonth && year == prevYear) ||
                      (day == 1 && prevDay == DaysInMonth(prevYear, prevMonth) &&
                       (month == prevMonth + 1 || (month == 1 && prevMonth == 12 &&
                                                   year == prevYear + 1)));
    ASSERT_TRUE(next) << year << "-" << month << "-" << day;
  }
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11017);
  EXPECT_EQ(DaysFromCivil(1969, 12, 31), -1);
}

TEST(TimeCalendar, BreakdownOfKnownMoments) {
  struct Row {
    int64_t t;
    int32_t gmtoff;
    int year, mon, mday, hour, min, sec, wday, yday;
  };
  static const Row kRows[] = {
      {0, 0, 70, 0, 1, 0, 0, 0, 4, 0},
      {-1, 0, 69, 11, 31, 23, 59, 59, 3, 364},
      {951782400, 0, 100, 1, 29, 0, 0, 0, 2, 59},
      {2147483647, 0, 138, 0, 19, 3, 14, 7, 2, 18},
      {-2147483648LL, 0, 1, 11, 13, 20, 45, 52, 5, 346},
      {0, -18000, 69, 11, 31, 19, 0, 0, 3, 364},
      {0, 50400, 70, 0, 1, 14, 0, 0, 4, 0},
  };
  for (const Row& r : kRows) {
    linux::Tm tm{};
    ASSERT_TRUE(Breakdown(r.t, r.gmtoff, &tm));
    EXPECT_EQ(tm.tm_year, r.year) << r.t;
    EXPECT_EQ(tm.tm_mon, r.mon) << r.t;
    EXPECT_EQ(tm.tm_mday, r.mday) << r.t;
    EXPECT_EQ(tm.tm_hour, r.hour) << r.t;
    EXPECT_EQ(tm.tm_min, r.min) << r.t;
    EXPECT_EQ(tm.tm_sec, r.sec) << r.t;
    EXPECT_EQ(tm.tm_wday, r.wday) << r.t;
    EXPECT_EQ(tm.tm_yday, r.yday) << r.t;
    EXPECT_EQ(FieldsToSeconds(tm), r.t + r.gmtoff);
  }
}

TEST(TimeZoneRules, PosixValuesParseOrAreRefused) {
  struct Row {
    const char* text;
    bool ok;
    const char* stdName;
    const char* dstName;
    int32_t stdOffset, dstOffset;
  };
  static const Row kRows[] = {
      {"UTC0", true, "UTC", "UTC", 0, 0},
      {"EST5EDT", true, "EST", "EDT", -18000, -14400},
      {"EST5EDT,M3.2.0,M11.1.0", true, "EST", "EDT", -18000, -14400},
      {"CET-1CEST,M3.5.0,M10.5.0/3", true, "CET", "CEST", 3600, 7200},
      {"<+03>-3", true, "+03", "+03", 10800, 10800},
      {"IST-5:30", true, "IST", "IST", 19800, 19800},
      {"AAA3BBB,J60/-1,300/25", true, "AAA", "BBB", -10800, -7200},
      {"ABC1DEF0,M1.1.1,M2.2.2", true, "ABC", "DEF", -3600, 0},
      {"UTC", false, "", "", 0, 0},
      {"EST", false, "", "", 0, 0},
      {"ab1", false, "", "", 0, 0},
      {"EST5EDT,M13.1.0,M11.1.0", false, "", "", 0, 0},
      {"EST5EDT,M3.6.0,M11.1.0", false, "", "", 0, 0},
      {"EST5EDT,M3.2.7,M11.1.0", false, "", "", 0, 0},
      {"EST5EDT,J0,J100", false, "", "", 0, 0},
      {"EST5EDT,M3.2.0", false, "", "", 0, 0},
      {"EST25", false, "", "", 0, 0},
      {"<+03-3", false, "", "", 0, 0},
      {"EST5EDT,M3.2.0,M11.1.0x", false, "", "", 0, 0},
  };
  for (const Row& r : kRows) {
    Zone z;
    ASSERT_EQ(ParsePosix(r.text, &z), r.ok) << r.text;
    if (!r.ok) continue;
    EXPECT_EQ(z.stdName, r.stdName) << r.text;
    EXPECT_EQ(z.dstName, r.dstName) << r.text;
    EXPECT_EQ(z.stdOffset, r.stdOffset) << r.text;
    EXPECT_EQ(z.dstOffset, r.dstOffset) << r.text;
  }
}

TEST(TimeZoneRules, DaylightTimeBeginsAndEndsAtTheRuleInstants) {
  Zone us, nz;
  ASSERT_TRUE(ParsePosix("EST5EDT,M3.2.0,M11.1.0", &us));
  ASSERT_TRUE(ParsePosix("NZST-12NZDT,M9.5.0,M4.1.0/3", &nz));
  struct Row {
    const Zone* zone;
    int64_t t;
    bool dst;
  };
  // 2023: the US changes at 07:00 UTC on 12 March and 06:00 UTC on 5
  // November; New Zealand at 14:00 UTC on 1 April and 23 September.
  const Row rows[] = {
      {&us, 1678604399, false}, {&us, 1678604400, true}, {&us, 1699163999, true},
      {&us, 1699164000, false}, {&us, 1690000000, true}, {&us, 1700000000, false},
      {&nz, 1680357599, true},  {&nz, 1680357600, false}, {&nz, 1695477600, true},
      {&nz, 1695477599, false}, {&nz, 1672531200, true},
  };
  for (const Row& r : rows) EXPECT_EQ(AtUtc(*r.zone, r.t).isdst, r.dst) << r.t;
}

TEST(TimeZoneRules, ResolveKnowsUtcByItsNamesAndKeepsAnUnusableName) {
  for (const char* name : {"UTC", ":UTC", "", "Etc/UTC", "Zulu", "UTC0"}) {
    const Zone z = Resolve(name);
    EXPECT_EQ(z.stdName, "UTC") << name;
    EXPECT_EQ(z.stdOffset, 0) << name;
    EXPECT_FALSE(z.hasDst) << name;
  }
  EXPECT_EQ(Resolve("GMT").stdName, "GMT");
  const Zone junk = Resolve("Xyz/../../etc/passwd");
  EXPECT_EQ(junk.stdName, "Xyz");
  EXPECT_EQ(junk.dstName, "");
  EXPECT_EQ(junk.stdOffset, 0);
  EXPECT_EQ(platform::NamedZoneRule("../../etc/passwd"), "");
  EXPECT_EQ(platform::NamedZoneRule("/etc/localtime"), "");
}

TEST(TimeZoneRules, TheHostZoneRuleIsOneWeCanRead) {
  const std::string rule = platform::LocalZoneRule();
  Zone z;
  EXPECT_TRUE(rule.empty() || ParsePosix(rule, &z)) << rule;
}

}  // namespace
