// Time on Windows: system and performance clocks, and the zone rule of
// the system's time zone.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/time.h"

namespace platform {

uint32_t TickCount() { return GetTickCount(); }

void TimeOfDay(int64_t* seconds, uint32_t* microseconds) {
  constexpr uint64_t kUnixEpoch = 116444736000000000ull;  // 1970 in 100 ns since 1601
  FILETIME ft{};
  GetSystemTimeAsFileTime(&ft);
  const uint64_t ticks =
      ((uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime) - kUnixEpoch;
  *seconds = static_cast<int64_t>(ticks / 10000000u);
  *microseconds = static_cast<uint32_t>(ticks % 10000000u / 10u);
}

namespace {

constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;  // 1970 in 100 ns since 1601

uint64_t Ticks(const FILETIME& ft) {
  return (uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

void Split(uint64_t ticks, int64_t* seconds, int32_t* nanoseconds) {
  *seconds = static_cast<int64_t>(ticks / 10000000u);
  *nanoseconds = static_cast<int32_t>(ticks % 10000000u * 100u);
}

int64_t PerformanceFrequency() {
  static int64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? static_cast<int64_t>(f.QuadPart) : int64_t{1};
  }();
  return frequency;
}

// The abbreviations the zone database gives the Windows zones most used;
// any other zone is named by its offset ("<+0530>"), as the database
// names zones without a customary abbreviation.
struct ZoneNames {
  const wchar_t* windowsName;  // the standard name, without " Standard Time"
  const char* standard;
  const char* daylight;
};
constexpr ZoneNames kZoneNames[] = {
    {L"Eastern", "EST", "EDT"},          {L"Central", "CST", "CDT"},
    {L"Mountain", "MST", "MDT"},         {L"US Mountain", "MST", "MDT"},
    {L"Pacific", "PST", "PDT"},          {L"Alaskan", "AKST", "AKDT"},
    {L"Hawaiian", "HST", "HDT"},         {L"Atlantic", "AST", "ADT"},
    {L"Newfoundland", "NST", "NDT"},     {L"GMT", "GMT", "BST"},
    {L"Greenwich", "GMT", "GMT"},        {L"W. Europe", "CET", "CEST"},
    {L"Central Europe", "CET", "CEST"},  {L"Central European", "CET", "CEST"},
    {L"Romance", "CET", "CEST"},         {L"E. Europe", "EET", "EEST"},
    {L"FLE", "EET", "EEST"},             {L"GTB", "EET", "EEST"},
    {L"Russian", "MSK", "MSD"},          {L"Israel", "IST", "IDT"},
    {L"South Africa", "SAST", "SAST"},   {L"India", "IST", "IST"},
    {L"China", "CST", "CST"},            {L"Tokyo", "JST", "JDT"},
    {L"Korea", "KST", "KDT"},            {L"AUS Eastern", "AEST", "AEDT"},
    {L"E. Australia", "AEST", "AEDT"},   {L"Cen. Australia", "ACST", "ACDT"},
    {L"AUS Central", "ACST", "ACDT"},    {L"W. Australia", "AWST", "AWDT"},
    {L"New Zealand", "NZST", "NZDT"},    {L"Coordinated Universal Time", "UTC", "UTC"},
    {L"UTC", "UTC", "UTC"},
};

// The offset east of UTC of a bias (minutes west) as a name, "<+01>".
std::string OffsetName(LONG bias) {
  const LONG east = -bias;
  const LONG a = east < 0 ? -east : east;
  char text[16];
  if (a % 60 == 0) snprintf(text, sizeof text, "<%c%02ld>", east < 0 ? '-' : '+', a / 60);
  else snprintf(text, sizeof text, "<%c%02ld%02ld>", east < 0 ? '-' : '+', a / 60, a % 60);
  return text;
}

std::string Abbreviation(const WCHAR* standardName, bool daylight, LONG bias) {
  const std::wstring name(standardName);
  for (const ZoneNames& z : kZoneNames) {
    const std::wstring known(z.windowsName);
    if (name == known || name == known + L" Standard Time")
      return daylight ? z.daylight : z.standard;
  }
  return OffsetName(bias);
}

// Bias in minutes, west positive, as POSIX offsets are.
std::string Offset(LONG minutes) {
  std::string text;
  if (minutes < 0) {
    text.push_back('-');
    minutes = -minutes;
  }
  text += std::to_string(minutes / 60);
  if (minutes % 60 != 0) text += ":" + std::to_string(minutes % 60);
  return text;
}

// A transition date of TIME_ZONE_INFORMATION (the wDay-th wDayOfWeek of
// wMonth, 5 meaning the last) as a POSIX Mm.w.d/time rule.
std::string Transition(const SYSTEMTIME& t) {
  std::string rule = ",M" + std::to_string(t.wMonth) + "." + std::to_string(t.wDay) + "." +
                     std::to_string(t.wDayOfWeek);
  const int seconds = t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
  if (seconds != 7200) {
    rule += "/" + std::to_string(seconds / 3600);
    if (seconds % 3600 != 0) rule += ":" + std::to_string(seconds % 3600 / 60);
  }
  return rule;
}

}  // namespace

void ClockRead(ClockKind clock, int64_t* seconds, int32_t* nanoseconds) {
  FILETIME ft{}, created{}, ended{}, kernel{}, user{};
  switch (clock) {
    case ClockKind::kRealtime:
      GetSystemTimeAsFileTime(&ft);
      Split(Ticks(ft) - kUnixEpochTicks, seconds, nanoseconds);
      return;
    case ClockKind::kMonotonic: {
      LARGE_INTEGER count{};
      QueryPerformanceCounter(&count);
      const int64_t f = PerformanceFrequency();
      *seconds = count.QuadPart / f;
      *nanoseconds = static_cast<int32_t>(count.QuadPart % f * 1000000000 / f);
      return;
    }
    case ClockKind::kProcessCpu:
      GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
      Split(Ticks(kernel) + Ticks(user), seconds, nanoseconds);
      return;
    case ClockKind::kThreadCpu:
      GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
      Split(Ticks(kernel) + Ticks(user), seconds, nanoseconds);
      return;
  }
}

int64_t ClockStep(ClockKind clock) {
  if (clock == ClockKind::kMonotonic) {
    const int64_t step = 1000000000 / PerformanceFrequency();
    return step > 0 ? step : 1;
  }
  return 100;
}

void ProcessTimes(int64_t* userNs, int64_t* systemNs) {
  FILETIME created{}, ended{}, kernel{}, user{};
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  *userNs = static_cast<int64_t>(Ticks(user) * 100);
  *systemNs = static_cast<int64_t>(Ticks(kernel) * 100);
}

void SleepFor(int64_t nanoseconds) {
  int64_t ms = (nanoseconds + 999999) / 1000000;
  while (ms > 0) {
    const DWORD part = ms > 0x7ffffffe ? 0x7ffffffe : static_cast<DWORD>(ms);
    Sleep(part);
    ms -= part;
  }
}

std::string LocalZoneRule() {
  TIME_ZONE_INFORMATION tz{};
  const DWORD kind = GetTimeZoneInformation(&tz);
  if (kind == TIME_ZONE_ID_INVALID) return {};
  if (tz.Bias == 0 && (tz.StandardDate.wMonth == 0 || tz.DaylightBias == 0)) return "UTC0";
  std::string rule = Abbreviation(tz.StandardName, false, tz.Bias + tz.StandardBias) +
                     Offset(tz.Bias + tz.StandardBias);
  if (tz.StandardDate.wMonth != 0 && tz.DaylightDate.wMonth != 0) {
    rule += Abbreviation(tz.StandardName, true, tz.Bias + tz.DaylightBias);
    if (tz.DaylightBias != -60) rule += Offset(tz.Bias + tz.DaylightBias);
    rule += Transition(tz.DaylightDate) + Transition(tz.StandardDate);
  }
  return rule;
}

std::string NamedZoneRule(std::string_view) { return {}; }

}  // namespace platform
