// Time on Linux: the kernel's clocks, and zones from the zone database's
// files (the POSIX rule that ends each).
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <cerrno>
#include <string>

#include "platform/time.h"

namespace platform {

uint32_t TickCount() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                               static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void TimeOfDay(int64_t* seconds, uint32_t* microseconds) {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  *seconds = ts.tv_sec;
  *microseconds = static_cast<uint32_t>(ts.tv_nsec / 1000);
}

namespace {

clockid_t HostClock(ClockKind clock) {
  switch (clock) {
    case ClockKind::kRealtime: return CLOCK_REALTIME;
    case ClockKind::kMonotonic: return CLOCK_MONOTONIC;
    case ClockKind::kProcessCpu: return CLOCK_PROCESS_CPUTIME_ID;
    case ClockKind::kThreadCpu: return CLOCK_THREAD_CPUTIME_ID;
  }
  return CLOCK_REALTIME;
}

// The POSIX TZ string that ends a TZif file of version 2 or later: the
// last line, between two newlines. Empty for an older file or none.
std::string ZoneFileFooter(const char* path) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return {};
  std::string data;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0 && data.size() < (1u << 20))
    data.append(buffer, n);
  fclose(file);
  if (data.size() < 44 || data.compare(0, 4, "TZif") != 0 || data[4] < '2') return {};
  if (data.back() != '\n') return {};
  const size_t start = data.rfind('\n', data.size() - 2);
  if (start == std::string::npos) return {};
  return data.substr(start + 1, data.size() - start - 2);
}

}  // namespace

void ClockRead(ClockKind clock, int64_t* seconds, int32_t* nanoseconds) {
  timespec ts{};
  clock_gettime(HostClock(clock), &ts);
  *seconds = ts.tv_sec;
  *nanoseconds = static_cast<int32_t>(ts.tv_nsec);
}

int64_t ClockStep(ClockKind clock) {
  timespec ts{};
  if (clock_getres(HostClock(clock), &ts) != 0) return 1;
  const int64_t step = int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
  return step > 0 ? step : 1;
}

void ProcessTimes(int64_t* userNs, int64_t* systemNs) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  *userNs = (int64_t{usage.ru_utime.tv_sec} * 1000000 + usage.ru_utime.tv_usec) * 1000;
  *systemNs = (int64_t{usage.ru_stime.tv_sec} * 1000000 + usage.ru_stime.tv_usec) * 1000;
}

void SleepFor(int64_t nanoseconds) {
  timespec ts{static_cast<time_t>(nanoseconds / 1000000000),
              static_cast<long>(nanoseconds % 1000000000)};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// The loader's own TZ names the host's local zone first, as it would for
// any program of the host: a zone of the database, a file, or a rule.
std::string LocalZoneRule() {
  const char* tz = getenv("TZ");
  if (tz == nullptr) return ZoneFileFooter("/etc/localtime");
  std::string_view name(tz);
  if (!name.empty() && name.front() == ':') name.remove_prefix(1);
  if (name.empty()) return "UTC0";
  std::string rule = name.front() == '/' ? ZoneFileFooter(std::string(name).c_str())
                                         : NamedZoneRule(name);
  return rule.empty() ? std::string(name) : rule;
}

std::string NamedZoneRule(std::string_view name) {
  // Names stay inside the zone database.
  if (name.empty() || name.front() == '/' || name.find("..") != std::string_view::npos)
    return {};
  const std::string path = "/usr/share/zoneinfo/" + std::string(name);
  return ZoneFileFooter(path.c_str());
}

}  // namespace platform
