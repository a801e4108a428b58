// Time: clocks, sleeps, the calendar and formatting of dates.
//
// Every conversion is ours (timezone.cpp, strftime.cpp, strptime.cpp), so
// both ports print the same dates; the host gives only its clocks and the
// rule of its local zone. time_t, long and clock_t are the guest's 32 bits.
#include <cstdio>
#include <cstring>
#include <string>

#include "abi/errno.h"
#include "abi/time.h"
#include "libcbind/environment.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"
#include "libcbind/strftime.h"
#include "libcbind/strptime.h"
#include "libcbind/time.h"
#include "libcbind/timezone.h"
#include "platform/time.h"

namespace tblibc {
namespace {

// ---- The guest's tzname, timezone and daylight ------------------------

uint32_t* gTzname = nullptr;  // char* tzname[2] in the guest's image
int32_t* gTimezone = nullptr;
int32_t* gDaylight = nullptr;

template <typename T>
T* Object(uint32_t address, uint32_t size, uint32_t needed) {
  return size >= needed ? reinterpret_cast<T*>(static_cast<uintptr_t>(address)) : nullptr;
}

// Before the first tzset the Linux C library holds "GMT" twice and zeros.
void BindTzname(uint32_t address, uint32_t size) {
  gTzname = Object<uint32_t>(address, size, 8);
  if (gTzname != nullptr) gTzname[0] = gTzname[1] = Address(tz::Intern("GMT"));
}
void BindTimezone(uint32_t address, uint32_t size) {
  gTimezone = Object<int32_t>(address, size, 4);
  if (gTimezone != nullptr) *gTimezone = 0;
}
void BindDaylight(uint32_t address, uint32_t size) {
  gDaylight = Object<int32_t>(address, size, 4);
  if (gDaylight != nullptr) *gDaylight = 0;
}

// TZ as the guest's environment has it now, so a setenv of the guest's is
// seen.
const char* GuestTz() { return tblibc_getenv("TZ"); }

struct ZoneState {
  bool known = false;
  bool tzSet = false;
  std::string tzValue;
  tz::Zone zone;
  const char* stdName = nullptr;
  const char* dstName = nullptr;
};
ZoneState gZone;

}  // namespace

namespace tz {

const Zone& Current() {
  const char* tz = GuestTz();
  if (gZone.known && gZone.tzSet == (tz != nullptr) && (tz == nullptr || gZone.tzValue == tz))
    return gZone.zone;
  gZone.known = true;
  gZone.tzSet = tz != nullptr;
  gZone.tzValue = tz != nullptr ? tz : "";
  gZone.zone = Resolve(tz);
  gZone.stdName = Intern(gZone.zone.stdName);
  gZone.dstName = Intern(gZone.zone.dstName);
  if (gTzname != nullptr) {
    gTzname[0] = Address(gZone.stdName);
    gTzname[1] = Address(gZone.dstName);
  }
  if (gTimezone != nullptr) *gTimezone = -gZone.zone.stdOffset;
  if (gDaylight != nullptr) *gDaylight = gZone.zone.hasDst ? 1 : 0;
  return gZone.zone;
}

const char* ZoneName(bool dst) {
  Current();
  return dst ? gZone.dstName : gZone.stdName;
}

bool LocalTime(int64_t t, linux::Tm* tm) {
  const Zone& zone = Current();
  const Local local = AtUtc(zone, t);
  if (!Breakdown(t, local.gmtoff, tm)) return false;
  tm->tm_isdst = local.isdst ? 1 : 0;
  tm->tm_gmtoff = local.gmtoff;
  tm->tm_zone = Address(local.isdst ? gZone.dstName : gZone.stdName);
  return true;
}

int64_t LocalToUtc(linux::Tm* tm) {
  const Zone& zone = Current();
  const int64_t local = FieldsToSeconds(*tm);
  int64_t t;
  if (!zone.hasDst) {
    // Daylight time asked of a zone without it: the C library reads the
    // time an hour ahead of standard time all the same.
    t = local - zone.stdOffset - (tm->tm_isdst > 0 ? 3600 : 0);
  } else if (tm->tm_isdst > 0) {
    t = local - zone.dstOffset;
  } else if (tm->tm_isdst == 0) {
    t = local - zone.stdOffset;
  } else {
    // Whichever reading is consistent: daylight time in the hour that
    // comes twice in autumn, standard time (which lands after the change)
    // in the hour skipped in spring.
    const int64_t asStd = local - zone.stdOffset;
    const int64_t asDst = local - zone.dstOffset;
    if (AtUtc(zone, asDst).isdst) t = asDst;
    else t = asStd;
  }
  LocalTime(t, tm);
  return t;
}

}  // namespace tz

namespace {

bool FitsTimeT(int64_t t) { return t >= INT32_MIN && t <= INT32_MAX; }

platform::ClockKind KindOf(int32_t clock, bool* ok) {
  *ok = true;
  switch (clock) {
    case linux::kCLOCK_REALTIME:
    case linux::kCLOCK_REALTIME_COARSE: return platform::ClockKind::kRealtime;
    case linux::kCLOCK_MONOTONIC:
    case linux::kCLOCK_MONOTONIC_RAW:
    case linux::kCLOCK_MONOTONIC_COARSE:
    case linux::kCLOCK_BOOTTIME: return platform::ClockKind::kMonotonic;
    case linux::kCLOCK_PROCESS_CPUTIME_ID: return platform::ClockKind::kProcessCpu;
    case linux::kCLOCK_THREAD_CPUTIME_ID: return platform::ClockKind::kThreadCpu;
    default: *ok = false; return platform::ClockKind::kRealtime;
  }
}

int64_t NowNs(platform::ClockKind kind) {
  int64_t s;
  int32_t ns;
  platform::ClockRead(kind, &s, &ns);
  return s * 1000000000 + ns;
}

// A time_t of 64 bits whose year still fits tm_year, the bound glibc's
// 64-bit mktime keeps.
bool FitsTm(int64_t t) {
  linux::Tm tm;
  return tz::Breakdown(t, 0, &tm);
}

linux::Timespec Narrow(const linux::Timespec64& t) {
  return {static_cast<int32_t>(t.tv_sec), t.tv_nsec};
}
linux::Timespec64 Widen(const linux::Timespec& t) { return {t.tv_sec, t.tv_nsec, 0}; }

// Nanoseconds, held at what an int64_t can count (some 292 years).
int64_t SpanNs(int64_t seconds, int32_t nanoseconds) {
  constexpr int64_t kMax = INT64_MAX / 1000000000 - 1;
  if (seconds > kMax) seconds = kMax;
  if (seconds < -kMax) seconds = -kMax;
  return seconds * 1000000000 + nanoseconds;
}

// localtime and gmtime share one result, as in the Linux C library; so do
// asctime and ctime.
linux::Tm gTm;
char gAsctime[32];

constexpr const char* kAbbrevDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kAbbrevMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// "Thu Jan  1 00:00:00 1970\n"; "???" for a weekday or month out of range.
char* Asctime(const linux::Tm* tm, char* buffer, size_t size) {
  const char* day = tm->tm_wday >= 0 && tm->tm_wday < 7 ? kAbbrevDays[tm->tm_wday] : "???";
  const char* mon = tm->tm_mon >= 0 && tm->tm_mon < 12 ? kAbbrevMonths[tm->tm_mon] : "???";
  const int64_t year = int64_t{tm->tm_year} + 1900;
  if (year > INT32_MAX) {
    SetErrno(linux::kEOVERFLOW);
    return nullptr;
  }
  char line[96];
  const int n = std::snprintf(line, sizeof line, "%.3s %.3s%3d %.2d:%.2d:%.2d %lld\n", day, mon,
                              tm->tm_mday, tm->tm_hour, tm->tm_min, tm->tm_sec,
                              static_cast<long long>(year));
  if (n < 0 || static_cast<size_t>(n) >= size) {
    SetErrno(linux::kEOVERFLOW);
    return nullptr;
  }
  std::memcpy(buffer, line, static_cast<size_t>(n) + 1);
  return buffer;
}

}  // namespace
}  // namespace tblibc

using tblibc::gTm;

extern "C" {

// Each name twice: the 64-bit-time entry (_TIME_BITS=64) does the work;
// the 32-bit one is a narrowing of it.

int64_t tblibc_time64(int64_t* out) {
  int64_t s;
  int32_t ns;
  platform::ClockRead(platform::ClockKind::kRealtime, &s, &ns);
  if (out != nullptr) *out = s;
  return s;
}
int32_t tblibc_time(int32_t* out) {
  const int32_t t = static_cast<int32_t>(tblibc_time64(nullptr));
  if (out != nullptr) *out = t;
  return t;
}

int32_t tblibc_gettimeofday64(linux::Timeval64* tv, linux::Timezone* zone) {
  if (tv != nullptr) {
    int64_t s;
    int32_t ns;
    platform::ClockRead(platform::ClockKind::kRealtime, &s, &ns);
    *tv = {s, ns / 1000, 0};
  }
  if (zone != nullptr) *zone = {0, 0};
  return 0;
}
int32_t tblibc_gettimeofday(linux::Timeval* tv, linux::Timezone* zone) {
  linux::Timeval64 wide;
  tblibc_gettimeofday64(tv != nullptr ? &wide : nullptr, zone);
  if (tv != nullptr) *tv = {static_cast<int32_t>(wide.tv_sec), wide.tv_usec};
  return 0;
}

}  // extern "C"

namespace {

// The clock belongs to the host: the guest is answered as Linux answers a
// user without CAP_SYS_TIME, after glibc's own checks of the arguments.
int32_t SetTime(bool given, int32_t micro, bool zone) {
  const bool invalid = given && (zone || micro < 0 || micro >= 1000000);
  tblibc::SetErrno(invalid ? linux::kEINVAL : linux::kEPERM);
  return -1;
}

}  // namespace

extern "C" {

int32_t tblibc_settimeofday64(const linux::Timeval64* tv,
                              const linux::Timezone* zone) {
  return SetTime(tv != nullptr, tv ? tv->tv_usec : 0, zone != nullptr);
}
int32_t tblibc_settimeofday(const linux::Timeval* tv,
                            const linux::Timezone* zone) {
  return SetTime(tv != nullptr, tv ? tv->tv_usec : 0, zone != nullptr);
}

}  // extern "C"

namespace {

// Reading the adjustment left is open to anyone, and none is ever left;
// making one is not. glibc refuses a delta the kernel's microsecond count
// could not hold.
int32_t Adjust(const void* delta, int64_t seconds, int32_t micro) {
  if (delta == nullptr) return 0;
  const int64_t whole = seconds + micro / 1000000;
  constexpr int64_t kLimit = INT32_MAX / 1000000 - 2;
  tblibc::SetErrno(whole > kLimit || whole < -kLimit ? linux::kEINVAL
                                                      : linux::kEPERM);
  return -1;
}

}  // namespace

extern "C" {

int32_t tblibc_adjtime64(const linux::Timeval64* delta, linux::Timeval64* old) {
  if (Adjust(delta, delta ? delta->tv_sec : 0, delta ? delta->tv_usec : 0) != 0)
    return -1;
  if (old != nullptr) *old = {0, 0, 0};
  return 0;
}
int32_t tblibc_adjtime(const linux::Timeval* delta, linux::Timeval* old) {
  if (Adjust(delta, delta ? delta->tv_sec : 0, delta ? delta->tv_usec : 0) != 0)
    return -1;
  if (old != nullptr) *old = {0, 0};
  return 0;
}

}  // extern "C"

namespace {

int32_t Fail(int32_t linuxErrno) {
  tblibc::SetErrno(linuxErrno);
  return -1;
}

// The clock discipline, as the kernel reports a clock no NTP daemon keeps:
// unsynchronised, its errors at their ceiling, every other value the
// kernel's default. Reading it is open to anyone; changing it is not, as
// for settimeofday.
template <typename Timex>
int32_t Discipline(Timex* t) {
  if (t == nullptr) return Fail(linux::kEFAULT);
  if (t->modes != 0 && t->modes != linux::kADJ_OFFSET_SS_READ) return Fail(linux::kEPERM);
  int64_t s;
  int32_t ns;
  platform::ClockRead(platform::ClockKind::kRealtime, &s, &ns);
  t->offset = 0;
  t->freq = 0;
  t->maxerror = t->esterror = 16000000;
  t->status = linux::kSTA_UNSYNC;
  t->constant = 2;
  t->precision = 1;
  t->tolerance = 32768000;
  t->time.tv_sec = static_cast<decltype(t->time.tv_sec)>(s);
  t->time.tv_usec = ns / 1000;
  t->tick = 10000;
  t->ppsfreq = t->jitter = t->stabil = t->jitcnt = t->calcnt = t->errcnt = t->stbcnt = 0;
  t->shift = 0;
  t->tai = 0;
  return linux::kTIME_ERROR;
}

template <typename Timex>
int32_t ClockAdjust(int32_t clock, Timex* t) {
  if (clock == linux::kCLOCK_REALTIME) return Discipline(t);
  bool ok;
  tblibc::KindOf(clock, &ok);
  return Fail(ok ? linux::kEOPNOTSUPP : linux::kEINVAL);
}

template <typename NtpTimeval, typename Timex>
int32_t NtpRead(NtpTimeval* n, bool extended) {
  Timex t{};
  const int32_t state = Discipline(&t);
  n->time = t.time;
  n->maxerror = static_cast<int32_t>(t.maxerror);
  n->esterror = static_cast<int32_t>(t.esterror);
  if (extended) {
    n->tai = t.tai;
    for (int32_t& r : n->reserved) r = 0;
  }
  return state;
}

// Only the realtime clock can be set, by nobody here.
int32_t SetClock(int32_t clock, int64_t nsec) {
  if (clock != linux::kCLOCK_REALTIME || nsec < 0 || nsec >= 1000000000)
    return Fail(linux::kEINVAL);
  return Fail(linux::kEPERM);
}

}  // namespace

extern "C" {

int32_t tblibc_adjtimex(linux::Timex* t) { return Discipline(t); }
int32_t tblibc_adjtimex64(linux::Timex64* t) { return Discipline(t); }
int32_t tblibc_clock_adjtime(int32_t clock, linux::Timex* t) { return ClockAdjust(clock, t); }
int32_t tblibc_clock_adjtime64(int32_t clock, linux::Timex64* t) {
  return ClockAdjust(clock, t);
}
int32_t tblibc_ntp_gettime(linux::NtpTimeval* n) {
  return NtpRead<linux::NtpTimeval, linux::Timex>(n, false);
}
int32_t tblibc_ntp_gettime64(linux::NtpTimeval64* n) {
  return NtpRead<linux::NtpTimeval64, linux::Timex64>(n, false);
}
int32_t tblibc_ntp_gettimex(linux::NtpTimeval* n) {
  return NtpRead<linux::NtpTimeval, linux::Timex>(n, true);
}
int32_t tblibc_ntp_gettimex64(linux::NtpTimeval64* n) {
  return NtpRead<linux::NtpTimeval64, linux::Timex64>(n, true);
}
int32_t tblibc_clock_settime(int32_t clock, const linux::Timespec* ts) {
  if (ts == nullptr) return Fail(linux::kEFAULT);
  return SetClock(clock, ts->tv_nsec);
}
int32_t tblibc_clock_settime64(int32_t clock, const linux::Timespec64* ts) {
  if (ts == nullptr) return Fail(linux::kEFAULT);
  return SetClock(clock, ts->tv_nsec);
}

int32_t tblibc_clock_gettime64(int32_t clock, linux::Timespec64* ts) {
  bool ok;
  const platform::ClockKind kind = tblibc::KindOf(clock, &ok);
  if (!ok) {
    tblibc::SetErrno(linux::kEINVAL);
    return -1;
  }
  if (ts == nullptr) {
    tblibc::SetErrno(linux::kEFAULT);
    return -1;
  }
  int64_t s;
  int32_t ns;
  platform::ClockRead(kind, &s, &ns);
  *ts = {s, ns, 0};
  return 0;
}
int32_t tblibc_clock_gettime(int32_t clock, linux::Timespec* ts) {
  linux::Timespec64 wide;
  if (tblibc_clock_gettime64(clock, ts != nullptr ? &wide : nullptr) != 0) return -1;
  *ts = tblibc::Narrow(wide);
  return 0;
}

// C11's: TIME_UTC (1) is the one base there is.
int32_t tblibc_timespec_get64(linux::Timespec64* ts, int32_t base) {
  if (base != 1) return 0;
  tblibc_clock_gettime64(linux::kCLOCK_REALTIME, ts);
  return base;
}
int32_t tblibc_timespec_get(linux::Timespec* ts, int32_t base) {
  if (base != 1) return 0;
  tblibc_clock_gettime(linux::kCLOCK_REALTIME, ts);
  return base;
}

int32_t tblibc_clock_getres64(int32_t clock, linux::Timespec64* res) {
  bool ok;
  const platform::ClockKind kind = tblibc::KindOf(clock, &ok);
  if (!ok) {
    tblibc::SetErrno(linux::kEINVAL);
    return -1;
  }
  if (res != nullptr) {
    // The coarse clocks step at the kernel's tick.
    int64_t step = platform::ClockStep(kind);
    if (clock == linux::kCLOCK_REALTIME_COARSE || clock == linux::kCLOCK_MONOTONIC_COARSE)
      step = step > 4000000 ? step : 4000000;
    *res = {step / 1000000000, static_cast<int32_t>(step % 1000000000), 0};
  }
  return 0;
}
int32_t tblibc_clock_getres(int32_t clock, linux::Timespec* res) {
  linux::Timespec64 wide;
  if (tblibc_clock_getres64(clock, res != nullptr ? &wide : nullptr) != 0) return -1;
  if (res != nullptr) *res = tblibc::Narrow(wide);
  return 0;
}

int32_t tblibc_timespec_getres64(linux::Timespec64* res, int32_t base) {
  if (base != 1) return 0;
  tblibc_clock_getres64(linux::kCLOCK_REALTIME, res);
  return base;
}
int32_t tblibc_timespec_getres(linux::Timespec* res, int32_t base) {
  if (base != 1) return 0;
  tblibc_clock_getres(linux::kCLOCK_REALTIME, res);
  return base;
}

int32_t tblibc_clock() {
  return static_cast<int32_t>(tblibc::NowNs(platform::ClockKind::kProcessCpu) / 1000);
}

int32_t tblibc_times(linux::Tms* out) {
  if (out != nullptr) {
    int64_t user, system;
    platform::ProcessTimes(&user, &system);
    constexpr int64_t kTick = 1000000000 / linux::kCLK_TCK;
    *out = {static_cast<int32_t>(user / kTick), static_cast<int32_t>(system / kTick), 0, 0};
  }
  return static_cast<int32_t>(tblibc::NowNs(platform::ClockKind::kMonotonic) /
                              (1000000000 / linux::kCLK_TCK));
}

void tblibc_tzset() { tblibc::tz::Current(); }

linux::Tm* tblibc_localtime64_r(const int64_t* t, linux::Tm* tm) {
  if (!tblibc::tz::LocalTime(*t, tm)) {
    tblibc::SetErrno(linux::kEOVERFLOW);
    return nullptr;
  }
  return tm;
}
linux::Tm* tblibc_localtime64(const int64_t* t) { return tblibc_localtime64_r(t, &gTm); }
linux::Tm* tblibc_localtime_r(const int32_t* t, linux::Tm* tm) {
  const int64_t wide = *t;
  return tblibc_localtime64_r(&wide, tm);
}
linux::Tm* tblibc_localtime(const int32_t* t) { return tblibc_localtime_r(t, &gTm); }

linux::Tm* tblibc_gmtime64_r(const int64_t* t, linux::Tm* tm) {
  if (!tblibc::tz::Breakdown(*t, 0, tm)) {
    tblibc::SetErrno(linux::kEOVERFLOW);
    return nullptr;
  }
  tm->tm_isdst = 0;
  tm->tm_gmtoff = 0;
  tm->tm_zone = tblibc::Address(tblibc::tz::Intern("GMT"));
  return tm;
}
linux::Tm* tblibc_gmtime64(const int64_t* t) { return tblibc_gmtime64_r(t, &gTm); }
linux::Tm* tblibc_gmtime_r(const int32_t* t, linux::Tm* tm) {
  const int64_t wide = *t;
  return tblibc_gmtime64_r(&wide, tm);
}
linux::Tm* tblibc_gmtime(const int32_t* t) { return tblibc_gmtime_r(t, &gTm); }

// -1 with EOVERFLOW, and `tm` untouched, for a time the guest's time_t
// cannot hold.
int64_t tblibc_mktime64(linux::Tm* tm) {
  linux::Tm copy = *tm;
  const int64_t t = tblibc::tz::LocalToUtc(&copy);
  if (!tblibc::FitsTm(t)) {
    tblibc::SetErrno(linux::kEOVERFLOW);
    return -1;
  }
  *tm = copy;
  return t;
}
int32_t tblibc_mktime(linux::Tm* tm) {
  linux::Tm copy = *tm;
  const int64_t t = tblibc::tz::LocalToUtc(&copy);
  if (!tblibc::FitsTimeT(t)) {
    tblibc::SetErrno(linux::kEOVERFLOW);
    return -1;
  }
  *tm = copy;
  return static_cast<int32_t>(t);
}

int64_t tblibc_timegm64(linux::Tm* tm) {
  const int64_t t = tblibc::tz::FieldsToSeconds(*tm);
  linux::Tm out;
  if (tblibc_gmtime64_r(&t, &out) == nullptr) return -1;
  *tm = out;
  return t;
}
int32_t tblibc_timegm(linux::Tm* tm) {
  const int64_t t = tblibc::tz::FieldsToSeconds(*tm);
  if (!tblibc::FitsTimeT(t)) {
    tblibc::SetErrno(linux::kEOVERFLOW);
    return -1;
  }
  tblibc_gmtime64_r(&t, tm);
  return static_cast<int32_t>(t);
}

// The exact difference, rounded once to double, as glibc's; only one that
// overflows 64 bits goes through long double.
double tblibc_difftime64(int64_t end, int64_t start) {
  int64_t difference;
  if (!__builtin_sub_overflow(end, start, &difference))
    return static_cast<double>(difference);
  return static_cast<double>(static_cast<long double>(end) -
                             static_cast<long double>(start));
}
double tblibc_difftime(int32_t end, int32_t start) {
  return static_cast<double>(int64_t{end} - int64_t{start});
}

char* tblibc_asctime_r(const linux::Tm* tm, char* buffer) { return tblibc::Asctime(tm, buffer, 26); }
char* tblibc_asctime(const linux::Tm* tm) {
  return tblibc::Asctime(tm, tblibc::gAsctime, sizeof tblibc::gAsctime);
}
char* tblibc_ctime64_r(const int64_t* t, char* buffer) {
  linux::Tm tm;
  return tblibc_localtime64_r(t, &tm) != nullptr ? tblibc_asctime_r(&tm, buffer) : nullptr;
}
char* tblibc_ctime64(const int64_t* t) {
  const linux::Tm* tm = tblibc_localtime64(t);
  return tm != nullptr ? tblibc_asctime(tm) : nullptr;
}
char* tblibc_ctime_r(const int32_t* t, char* buffer) {
  const int64_t wide = *t;
  return tblibc_ctime64_r(&wide, buffer);
}
char* tblibc_ctime(const int32_t* t) {
  const int64_t wide = *t;
  return tblibc_ctime64(&wide);
}

// ---- Sleeping -------------------------------------------------------
//
// A sleep ends early when a signal's handler runs (a timer's): it fails
// with EINTR and tells what was left, as on Linux, where SA_RESTART never
// restarts a sleep.

namespace {

// The end of a sleep of `span` on the monotonic clock; one of centuries
// has none (-1).
int64_t Deadline(int64_t span) {
  if (span > INT64_MAX / 2) return -1;
  return tblibc::NowNs(platform::ClockKind::kMonotonic) + span;
}

void Leave(int64_t ns, linux::Timespec64* remaining) {
  if (remaining == nullptr) return;
  if (ns < 0) ns = 0;
  *remaining = {ns / 1000000000, static_cast<int32_t>(ns % 1000000000), 0};
}

}  // namespace

int32_t tblibc_nanosleep64(const linux::Timespec64* request, linux::Timespec64* remaining) {
  if (request == nullptr) {
    tblibc::SetErrno(linux::kEFAULT);
    return -1;
  }
  if (request->tv_sec < 0 || request->tv_nsec < 0 || request->tv_nsec > 999999999) {
    tblibc::SetErrno(linux::kEINVAL);
    return -1;
  }
  // After a full sleep `remaining` is left as it is, as the Linux C
  // library leaves it.
  const int64_t span = tblibc::SpanNs(request->tv_sec, request->tv_nsec);
  const int64_t deadline = Deadline(span);
  if (!tblibc::SleepUntil(deadline)) return 0;
  Leave(deadline < 0 ? span : deadline - tblibc::NowNs(platform::ClockKind::kMonotonic),
        remaining);
  tblibc::SetErrno(linux::kEINTR);
  return -1;
}
int32_t tblibc_nanosleep(const linux::Timespec* request, linux::Timespec* remaining) {
  if (request == nullptr) return tblibc_nanosleep64(nullptr, nullptr);
  const linux::Timespec64 wide = tblibc::Widen(*request);
  linux::Timespec64 left{};
  const int32_t result = tblibc_nanosleep64(&wide, remaining != nullptr ? &left : nullptr);
  if (result != 0 && remaining != nullptr && tblibc::Errno() == linux::kEINTR)
    *remaining = tblibc::Narrow(left);
  return result;
}

// Returns the error number itself, as the Linux C library's does. An
// absolute sleep on the wall clock is turned into a span once: a change of
// the system's clock meanwhile does not move its end.
int32_t tblibc_clock_nanosleep_time64(int32_t clock, int32_t flags,
                                      const linux::Timespec64* request,
                                      linux::Timespec64* remaining) {
  bool ok;
  const platform::ClockKind kind = tblibc::KindOf(clock, &ok);
  if (!ok || clock == linux::kCLOCK_THREAD_CPUTIME_ID) return linux::kEINVAL;
  if (kind == platform::ClockKind::kProcessCpu) return linux::kENOTSUP;
  if (request == nullptr) return linux::kEFAULT;
  if (request->tv_nsec < 0 || request->tv_nsec > 999999999) return linux::kEINVAL;
  const bool absolute = (flags & linux::kTIMER_ABSTIME) != 0;
  int64_t span = tblibc::SpanNs(request->tv_sec, request->tv_nsec);
  if (absolute) {
    span -= tblibc::NowNs(kind);
  } else if (request->tv_sec < 0) {
    return linux::kEINVAL;
  }
  if (span <= 0) return 0;
  const int64_t deadline = Deadline(span);
  if (!tblibc::SleepUntil(deadline)) return 0;
  if (!absolute)
    Leave(deadline < 0 ? span : deadline - tblibc::NowNs(platform::ClockKind::kMonotonic),
          remaining);
  return linux::kEINTR;
}
int32_t tblibc_clock_nanosleep(int32_t clock, int32_t flags, const linux::Timespec* request,
                               linux::Timespec* remaining) {
  if (request == nullptr) return tblibc_clock_nanosleep_time64(clock, flags, nullptr, nullptr);
  const linux::Timespec64 wide = tblibc::Widen(*request);
  linux::Timespec64 left{};
  const int32_t result = tblibc_clock_nanosleep_time64(
      clock, flags, &wide, remaining != nullptr ? &left : nullptr);
  if (result == linux::kEINTR && remaining != nullptr &&
      (flags & linux::kTIMER_ABSTIME) == 0)
    *remaining = tblibc::Narrow(left);
  return result;
}

// glibc's: the whole seconds not slept when a handler cut it short.
uint32_t tblibc_sleep(uint32_t seconds) {
  const int32_t saved = tblibc::Errno();
  const int64_t deadline =
      tblibc::NowNs(platform::ClockKind::kMonotonic) + int64_t{seconds} * 1000000000;
  if (!tblibc::SleepUntil(deadline)) {
    tblibc::SetErrno(saved);
    return 0;
  }
  tblibc::SetErrno(linux::kEINTR);
  const int64_t left = deadline - tblibc::NowNs(platform::ClockKind::kMonotonic);
  return left > 0 ? static_cast<uint32_t>(left / 1000000000) : 0;
}

int32_t tblibc_usleep(uint32_t microseconds) {
  const int64_t deadline =
      tblibc::NowNs(platform::ClockKind::kMonotonic) + int64_t{microseconds} * 1000;
  if (!tblibc::SleepUntil(deadline)) return 0;
  tblibc::SetErrno(linux::kEINTR);
  return -1;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    // Clocks.
    Fn<&tblibc_time>("time"),
    Fn<&tblibc_gettimeofday>("gettimeofday"),
    Fn<&tblibc_settimeofday>("settimeofday"),
    Fn<&tblibc_settimeofday64>("__settimeofday64"),
    Fn<&tblibc_adjtime>("adjtime"),
    Fn<&tblibc_adjtime64>("__adjtime64"),
    Fn<&tblibc_adjtimex>("adjtimex"),
    Fn<&tblibc_adjtimex>("__adjtimex"),
    Fn<&tblibc_adjtimex>("ntp_adjtime"),
    Fn<&tblibc_adjtimex64>("___adjtimex64"),
    Fn<&tblibc_clock_adjtime>("clock_adjtime"),
    Fn<&tblibc_clock_adjtime64>("__clock_adjtime64"),
    Fn<&tblibc_ntp_gettime>("ntp_gettime"),
    Fn<&tblibc_ntp_gettime64>("__ntp_gettime64"),
    Fn<&tblibc_ntp_gettimex>("ntp_gettimex"),
    Fn<&tblibc_ntp_gettimex64>("__ntp_gettimex64"),
    Fn<&tblibc_clock_settime>("clock_settime"),
    Fn<&tblibc_clock_settime64>("__clock_settime64"),
    Fn<&tblibc_clock_gettime>("clock_gettime"),
    Fn<&tblibc_clock_getres>("clock_getres"),
    Fn<&tblibc_timespec_get>("timespec_get"),
    Fn<&tblibc_clock>("clock"),
    Fn<&tblibc_times>("times"),
    // The calendar and zones.
    Fn<&tblibc_tzset>("tzset"),
    Fn<&tblibc_localtime>("localtime"),
    Fn<&tblibc_localtime_r>("localtime_r"),
    Fn<&tblibc_gmtime>("gmtime"),
    Fn<&tblibc_gmtime_r>("gmtime_r"),
    Fn<&tblibc_mktime>("mktime"),
    Fn<&tblibc_mktime>("timelocal"),
    Fn<&tblibc_timegm>("timegm"),
    Fn<&tblibc_difftime>("difftime"),
    Fn<&tblibc_asctime>("asctime"),
    Fn<&tblibc_asctime_r>("asctime_r"),
    Fn<&tblibc_ctime>("ctime"),
    Fn<&tblibc_ctime_r>("ctime_r"),
    // Formatting and reading dates.
    Fn<&tblibc_strftime>("strftime"),
    Fn<&tblibc_strftime>("__strftime_l"),
    Fn<&tblibc_strptime>("strptime"),
    // Sleeping.
    Fn<&tblibc_nanosleep>("nanosleep"),
    Fn<&tblibc_clock_nanosleep>("clock_nanosleep"),
    // The same with 64-bit time (_TIME_BITS=64).
    Fn<&tblibc_time64>("__time64"),
    Fn<&tblibc_gettimeofday64>("__gettimeofday64"),
    Fn<&tblibc_clock_gettime64>("__clock_gettime64"),
    Fn<&tblibc_clock_getres64>("__clock_getres64"),
    Fn<&tblibc_timespec_get64>("__timespec_get64"),
    Fn<&tblibc_timespec_getres>("timespec_getres"),
    Fn<&tblibc_timespec_getres64>("__timespec_getres64"),
    Fn<&tblibc_localtime64>("__localtime64"),
    Fn<&tblibc_localtime64_r>("__localtime64_r"),
    Fn<&tblibc_gmtime64>("__gmtime64"),
    Fn<&tblibc_gmtime64_r>("__gmtime64_r"),
    Fn<&tblibc_mktime64>("__mktime64"),
    Fn<&tblibc_timegm64>("__timegm64"),
    Fn<&tblibc_difftime64>("__difftime64"),
    Fn<&tblibc_ctime64>("__ctime64"),
    Fn<&tblibc_ctime64_r>("__ctime64_r"),
    Fn<&tblibc_nanosleep64>("__nanosleep64"),
    Fn<&tblibc_clock_nanosleep_time64>("__clock_nanosleep_time64"),
    Fn<&tblibc_sleep>("sleep"),
    Fn<&tblibc_usleep>("usleep"),
};

constexpr DataExport kObjects[] = {
    {"tzname", &BindTzname},     {"__tzname", &BindTzname},
    {"timezone", &BindTimezone}, {"__timezone", &BindTimezone},
    {"daylight", &BindDaylight}, {"__daylight", &BindDaylight},
};

}  // namespace

extern const Family kTimeFamily;
const Family kTimeFamily{"time", kExports, kObjects};

}  // namespace tblibc
