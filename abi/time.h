// The Linux i386 C library's time structures and clock numbers, as the
// guest sees them: time_t and long are 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace linux {

struct Tm {
  int32_t tm_sec, tm_min, tm_hour, tm_mday, tm_mon, tm_year, tm_wday, tm_yday,
      tm_isdst;
  int32_t tm_gmtoff;    // seconds east of UTC
  uint32_t tm_zone;     // const char*, the zone's abbreviation
};
static_assert(sizeof(Tm) == 44);
static_assert(offsetof(Tm, tm_isdst) == 32);
static_assert(offsetof(Tm, tm_gmtoff) == 36);
static_assert(offsetof(Tm, tm_zone) == 40);

struct Timespec {
  int32_t tv_sec;
  int32_t tv_nsec;
};
static_assert(sizeof(Timespec) == 8);

struct Timeval {
  int32_t tv_sec;
  int32_t tv_usec;
};
static_assert(sizeof(Timeval) == 8);

// The 64-bit-time twins (_TIME_BITS=64): a 64-bit count of seconds, then
// the 32-bit fraction padded to the 8-byte slot, with 4-byte alignment.
#pragma pack(push, 4)
struct Timespec64 {
  int64_t tv_sec;
  int32_t tv_nsec;
  int32_t pad;
};
struct Timeval64 {
  int64_t tv_sec;
  int32_t tv_usec;
  int32_t pad;
};
struct Utimbuf64 {
  int64_t actime;
  int64_t modtime;
};
#pragma pack(pop)
static_assert(sizeof(Timespec64) == 16 && offsetof(Timespec64, tv_nsec) == 8);
static_assert(sizeof(Timeval64) == 16 && offsetof(Timeval64, tv_usec) == 8);
static_assert(sizeof(Utimbuf64) == 16 && alignof(Utimbuf64) == 4);

struct Timezone {
  int32_t tz_minuteswest;
  int32_t tz_dsttime;
};
static_assert(sizeof(Timezone) == 8);

struct Tms {
  int32_t tms_utime, tms_stime, tms_cutime, tms_cstime;  // clock ticks
};
static_assert(sizeof(Tms) == 16);

// The kernel's clock discipline (adjtimex, ntp_gettime): i386's layout
// with 32-bit longs, and glibc's 64-bit-time one where every long is 64 bits.
struct Timex {
  uint32_t modes;
  int32_t offset, freq, maxerror, esterror;
  int32_t status;
  int32_t constant, precision, tolerance;
  Timeval time;
  int32_t tick, ppsfreq, jitter;
  int32_t shift;
  int32_t stabil, jitcnt, calcnt, errcnt, stbcnt;
  int32_t tai;
  int32_t reserved[11];
};
static_assert(sizeof(Timex) == 128 && offsetof(Timex, time) == 36 &&
              offsetof(Timex, tick) == 44 && offsetof(Timex, tai) == 80);

#pragma pack(push, 4)
struct Timex64 {
  uint32_t modes, pad0;
  int64_t offset, freq, maxerror, esterror;
  int32_t status, pad1;
  int64_t constant, precision, tolerance;
  Timeval64 time;
  int64_t tick, ppsfreq, jitter;
  int32_t shift, pad2;
  int64_t stabil, jitcnt, calcnt, errcnt, stbcnt;
  int32_t tai;
  int32_t reserved[11];
};
#pragma pack(pop)
static_assert(sizeof(Timex64) == 208 && offsetof(Timex64, time) == 72 &&
              offsetof(Timex64, tick) == 88 && offsetof(Timex64, tai) == 160);

struct NtpTimeval {
  Timeval time;
  int32_t maxerror, esterror, tai;
  int32_t reserved[4];
};
static_assert(sizeof(NtpTimeval) == 36);

#pragma pack(push, 4)
struct NtpTimeval64 {
  Timeval64 time;
  int32_t maxerror, esterror, tai;
  int32_t reserved[4];
};
#pragma pack(pop)
static_assert(sizeof(NtpTimeval64) == 44);

constexpr uint32_t kADJ_OFFSET_SS_READ = 0xA001;
constexpr int32_t kSTA_UNSYNC = 0x40;
constexpr int32_t kTIME_ERROR = 5;
// Interval timers (setitimer, getitimer): the interval, then the value.
struct Itimerval {
  Timeval it_interval;
  Timeval it_value;
};
static_assert(sizeof(Itimerval) == 16 && offsetof(Itimerval, it_value) == 8);
// glibc's struct __itimerval64 (__setitimer64, __getitimer64): two
// struct __timeval64, whose microseconds are 64 bits too.
#pragma pack(push, 4)
struct Timeval64Wide {
  int64_t tv_sec;
  int64_t tv_usec;
};
struct Itimerval64 {
  Timeval64Wide it_interval;
  Timeval64Wide it_value;
};
#pragma pack(pop)
static_assert(sizeof(Itimerval64) == 32 && offsetof(Itimerval64, it_value) == 16 &&
              offsetof(Itimerval64, it_value.tv_usec) == 24);
constexpr int32_t kITIMER_REAL = 0, kITIMER_VIRTUAL = 1, kITIMER_PROF = 2;

// POSIX timers (timer_settime, timer_gettime) and the 64-bit-time twin
// (struct __itimerspec64 of __timer_settime64, __timer_gettime64).
struct Itimerspec {
  Timespec it_interval;
  Timespec it_value;
};
static_assert(sizeof(Itimerspec) == 16 && offsetof(Itimerspec, it_value) == 8);
struct Itimerspec64 {
  Timespec64 it_interval;
  Timespec64 it_value;
};
static_assert(sizeof(Itimerspec64) == 32 && offsetof(Itimerspec64, it_value) == 16);

// struct sigevent: the value, the signal, how to notify, then a union of
// 13 words (the thread id of SIGEV_THREAD_ID; SIGEV_THREAD's function and
// attributes).
struct SigEvent {
  uint32_t value;
  int32_t signo;
  int32_t notify;
  union {
    int32_t pad[13];
    int32_t tid;
    struct {
      uint32_t function;
      uint32_t attribute;
    } thread;
  };
};
static_assert(sizeof(SigEvent) == 64 && offsetof(SigEvent, tid) == 12);
constexpr int32_t kSIGEV_SIGNAL = 0, kSIGEV_NONE = 1, kSIGEV_THREAD = 2,
                  kSIGEV_THREAD_ID = 4;

constexpr int32_t kCLOCK_REALTIME = 0;
constexpr int32_t kCLOCK_MONOTONIC = 1;
constexpr int32_t kCLOCK_PROCESS_CPUTIME_ID = 2;
constexpr int32_t kCLOCK_THREAD_CPUTIME_ID = 3;
constexpr int32_t kCLOCK_MONOTONIC_RAW = 4;
constexpr int32_t kCLOCK_REALTIME_COARSE = 5;
constexpr int32_t kCLOCK_MONOTONIC_COARSE = 6;
constexpr int32_t kCLOCK_BOOTTIME = 7;
constexpr int32_t kTIMER_ABSTIME = 1;

constexpr int32_t kCLOCKS_PER_SEC = 1000000;  // clock()
constexpr int32_t kCLK_TCK = 100;             // times(), sysconf(_SC_CLK_TCK)

}  // namespace linux
