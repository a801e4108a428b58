// Time: clocks, ticks, sleeping and the host's time zones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

uint32_t TickCount();                                  // ms since boot
void TimeOfDay(int64_t* seconds, uint32_t* microseconds);  // since 1970 UTC

enum class ClockKind {
  kRealtime,    // since 1970 UTC
  kMonotonic,   // since some fixed point, never set back
  kProcessCpu,  // CPU time of the whole process
  kThreadCpu,   // CPU time of the calling thread
};
// The clock's reading in seconds and nanoseconds.
void ClockRead(ClockKind clock, int64_t* seconds, int32_t* nanoseconds);
// The clock's step, in nanoseconds (at least 1).
int64_t ClockStep(ClockKind clock);
// User and system CPU time of the process, in nanoseconds.
void ProcessTimes(int64_t* userNs, int64_t* systemNs);
// Sleeps at least `nanoseconds`.
void SleepFor(int64_t nanoseconds);
// The host's local time zone as a POSIX TZ string ("CET-1CEST,M3.5.0,
// M10.5.0/3"); empty when the host has none, which means UTC.
std::string LocalZoneRule();
// The rule of a named zone of the host's zone database ("Europe/Paris"),
// as a POSIX TZ string; empty when the host has no such zone.
std::string NamedZoneRule(std::string_view name);

}  // namespace platform
