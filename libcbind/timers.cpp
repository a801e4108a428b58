// Timers: the interval timers (alarm, ualarm, setitimer, getitimer) and
// POSIX timers (timer_create and its kin), with glibc's i386 layouts and
// Linux's answers.
//
// The platform's timer thread keeps the time (platform/timers.h): each
// time it wakes, Expire counts the expirations of every armed timer and
// re-arms the periodic ones; the guest thread is then interrupted, and the
// signals family turns what was counted into pending signals (Collect) and
// delivers them, in guest code at once, in a wait of ours as it wakes.
// The table is shared by the two threads under a spin lock that the timer
// thread never holds while the guest thread is stopped.
//
// ITIMER_REAL and timers on CLOCK_REALTIME, CLOCK_MONOTONIC and
// CLOCK_BOOTTIME run on the monotonic clock (an absolute CLOCK_REALTIME
// time is turned into a monotonic one when the timer is set, so a change
// of the system's clock later does not move it); ITIMER_VIRTUAL counts the
// process's user CPU time, ITIMER_PROF and the CPU-time clocks its whole
// CPU time, read by the timer thread as often as they could have run out.
// SIGEV_THREAD would need a thread of its own: timer_create answers EAGAIN,
// as glibc does when it cannot start its helper thread.
#include "libcbind/timers.h"

#include <atomic>
#include <cstring>
#include <iterator>

#include "abi/errno.h"
#include "abi/signals.h"
#include "abi/time.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"
#include "platform/process.h"
#include "platform/time.h"
#include "platform/timers.h"

namespace tblibc {
namespace {

enum class Measure { kWall, kUserCpu, kProcessCpu };

struct Timer {
  // Set by the guest thread under the lock; read by the timer thread.
  bool used = false;
  bool armed = false;
  Measure measure = Measure::kWall;
  int64_t deadline = 0;  // on the measure's clock, in nanoseconds
  int64_t interval = 0;  // 0: once
  int32_t clock = 0;     // a POSIX timer's clock, as created
  int32_t notify = linux::kSIGEV_SIGNAL;
  int32_t signal = 0;
  int32_t code = linux::kSI_KERNEL;
  uint32_t value = 0;
  // The guest thread's alone.
  int32_t overrunLast = 0;
  // Counted by the timer thread, taken by the guest's.
  std::atomic<uint32_t> fired{0};
};

constexpr int32_t kIntervalTimers = 3;  // ITIMER_REAL, _VIRTUAL, _PROF
constexpr int32_t kPosixTimers = 256;
Timer gTimers[kIntervalTimers + kPosixTimers];

std::atomic<bool> gLock{false};
// Set by the timer thread after it counted an expiry: the guest thread's
// frequent looks (every sigprocmask, every raise) cost one load.
std::atomic<bool> gAnyFired{false};

class Locked {
 public:
  Locked() {
    while (gLock.exchange(true, std::memory_order_acquire)) asm volatile("pause");
  }
  ~Locked() { gLock.store(false, std::memory_order_release); }
};

int64_t Read(platform::ClockKind kind) {
  int64_t s = 0;
  int32_t ns = 0;
  platform::ClockRead(kind, &s, &ns);
  return s * 1000000000 + ns;
}

int64_t Now(Measure measure) {
  switch (measure) {
    case Measure::kWall:
      return Read(platform::ClockKind::kMonotonic);
    case Measure::kUserCpu:
    case Measure::kProcessCpu: {
      int64_t user = 0, system = 0;
      platform::GuestCpuTimes(&user, &system);
      return measure == Measure::kUserCpu ? user : user + system;
    }
  }
  return 0;
}

// The timer thread's look: every timer whose time has come counts its
// expirations (a periodic one also those it missed) and is re-armed or
// disarmed. The next wake is the nearest deadline; a CPU-time deadline is
// reached no sooner than the same span of wall-clock time.
int64_t Expire(int64_t now, bool* interrupt) {
  constexpr int64_t kShortest = 100000;  // 0.1 ms between two looks
  int64_t next = -1;
  bool fired = false;
  {
    Locked lock;
    for (Timer& t : gTimers) {
      if (t.armed) {
        const int64_t clock = t.measure == Measure::kWall ? now : Now(t.measure);
        if (clock >= t.deadline) {
          uint64_t count = 1;
          if (t.interval > 0) {
            const int64_t missed = (clock - t.deadline) / t.interval;
            count += static_cast<uint64_t>(missed);
            t.deadline += (missed + 1) * t.interval;
          } else {
            t.armed = false;
          }
          if (t.notify != linux::kSIGEV_NONE) {
            // Added to what the guest thread has not taken yet, which it
            // may take meanwhile; held at what an overrun count can say.
            uint32_t seen = t.fired.load();
            uint32_t total;
            do {
              const uint64_t sum = uint64_t{seen} + count;
              total = sum > INT32_MAX ? INT32_MAX : static_cast<uint32_t>(sum);
            } while (!t.fired.compare_exchange_weak(seen, total));
          }
        }
        if (t.armed) {
          int64_t wake = now + (t.deadline - clock);
          if (wake < now + kShortest) wake = now + kShortest;
          if (next < 0 || wake < next) next = wake;
        }
      }
      if (t.fired.load() != 0) fired = true;
    }
  }
  if (fired) gAnyFired.store(true, std::memory_order_release);
  *interrupt = fired;
  return next;
}

void Changed() {
  platform::StartTimers(&Expire, &InterruptGuestThread);
}

int32_t Fail(int32_t linuxErrno) {
  SetErrno(linuxErrno);
  return -1;
}

// What is left of a timer and its interval, in nanoseconds (0: disarmed).
// A timer whose time has come but whose expiry the timer thread has not
// counted yet still has a moment left, as Linux answers it.
void Remaining(const Timer& t, int64_t* value, int64_t* interval, int64_t least) {
  *value = 0;
  *interval = t.interval;
  if (!t.armed) return;
  const int64_t left = t.deadline - Now(t.measure);
  *value = left > 0 ? left : least;
}

// Arms (value > 0) or disarms timer `t`; `deadline` is on its measure's
// clock when absolute.
void Arm(Timer& t, int64_t value, int64_t interval, bool absolute) {
  if (value == 0) {
    t.armed = false;
    return;
  }
  t.deadline = absolute ? value : Now(t.measure) + value;
  t.interval = interval;
  t.armed = true;
}

// ---- Interval timers ------------------------------------------------------

Measure ItimerMeasure(int32_t which) {
  return which == linux::kITIMER_REAL      ? Measure::kWall
         : which == linux::kITIMER_VIRTUAL ? Measure::kUserCpu
                                           : Measure::kProcessCpu;
}

int32_t ItimerSignal(int32_t which) {
  return which == linux::kITIMER_REAL      ? linux::kSIGALRM
         : which == linux::kITIMER_VIRTUAL ? linux::kSIGVTALRM
                                           : linux::kSIGPROF;
}

bool ValidWhich(int32_t which) { return which >= 0 && which < kIntervalTimers; }

// The kernel's test of each timeval.
bool ValidTimeval(int64_t seconds, int64_t micro) {
  return seconds >= 0 && micro >= 0 && micro < 1000000;
}

// Some 146 years: a deadline that far is never reached, and the clock
// can still be added to it.
constexpr int64_t kMostSeconds = INT64_MAX / 2 / 1000000000;

int64_t Nanoseconds(int64_t seconds, int64_t fraction, int64_t unit) {
  if (seconds > kMostSeconds) seconds = kMostSeconds;
  return seconds * 1000000000 + fraction * unit;
}

// Spans in nanoseconds; `set` null disarms, as Linux takes a null
// new_value.
int32_t SetItimer(int32_t which, const int64_t* set, int64_t* old) {
  if (!ValidWhich(which)) return Fail(linux::kEINVAL);
  {
    Locked lock;
    Timer& t = gTimers[which];
    t.used = true;
    t.measure = ItimerMeasure(which);
    t.signal = ItimerSignal(which);
    t.code = linux::kSI_KERNEL;
    t.notify = linux::kSIGEV_SIGNAL;
    if (old != nullptr) Remaining(t, &old[1], &old[0], 1000);
    Arm(t, set != nullptr ? set[1] : 0, set != nullptr ? set[0] : 0, false);
    if (!t.armed) t.interval = 0;  // a disarmed interval timer has none
  }
  Changed();
  return 0;
}

int32_t GetItimer(int32_t which, int64_t* out) {
  if (!ValidWhich(which)) return Fail(linux::kEINVAL);
  Locked lock;
  Remaining(gTimers[which], &out[1], &out[0], 1000);
  return 0;
}

template <typename Tv>
void Split(int64_t ns, Tv* tv) {
  tv->tv_sec = static_cast<decltype(tv->tv_sec)>(ns / 1000000000);
  tv->tv_usec = static_cast<decltype(tv->tv_usec)>(ns % 1000000000 / 1000);
}

template <typename Itv>
int32_t SetItimerOf(int32_t which, const Itv* value, Itv* old) {
  int64_t set[2], previous[2];
  if (value != nullptr) {
    if (!ValidTimeval(value->it_interval.tv_sec, value->it_interval.tv_usec) ||
        !ValidTimeval(value->it_value.tv_sec, value->it_value.tv_usec))
      return Fail(linux::kEINVAL);
    set[0] = Nanoseconds(value->it_interval.tv_sec, value->it_interval.tv_usec, 1000);
    set[1] = Nanoseconds(value->it_value.tv_sec, value->it_value.tv_usec, 1000);
  }
  if (SetItimer(which, value != nullptr ? set : nullptr, previous) != 0) return -1;
  if (old != nullptr) {
    Itv out{};
    Split(previous[0], &out.it_interval);
    Split(previous[1], &out.it_value);
    *old = out;
  }
  return 0;
}

template <typename Itv>
int32_t GetItimerOf(int32_t which, Itv* out) {
  if (!ValidWhich(which)) return Fail(linux::kEINVAL);
  if (out == nullptr) return Fail(linux::kEFAULT);
  int64_t now[2];
  GetItimer(which, now);
  Itv result{};
  Split(now[0], &result.it_interval);
  Split(now[1], &result.it_value);
  *out = result;
  return 0;
}

// ---- POSIX timers -----------------------------------------------------------

Timer* PosixTimer(uint32_t id) {
  if (id >= static_cast<uint32_t>(kPosixTimers)) return nullptr;
  Timer& t = gTimers[kIntervalTimers + id];
  return t.used ? &t : nullptr;
}

bool ClockMeasure(int32_t clock, Measure* measure, int32_t* error) {
  switch (clock) {
    case linux::kCLOCK_REALTIME:
    case linux::kCLOCK_MONOTONIC:
    case linux::kCLOCK_BOOTTIME:
      *measure = Measure::kWall;
      return true;
    case linux::kCLOCK_PROCESS_CPUTIME_ID:
    case linux::kCLOCK_THREAD_CPUTIME_ID:
      *measure = Measure::kProcessCpu;
      return true;
    case linux::kCLOCK_MONOTONIC_RAW:
    case linux::kCLOCK_REALTIME_COARSE:
    case linux::kCLOCK_MONOTONIC_COARSE:
      *error = linux::kEOPNOTSUPP;  // clocks without timers
      return false;
    case 8:  // CLOCK_REALTIME_ALARM, CLOCK_BOOTTIME_ALARM: CAP_WAKE_ALARM
    case 9:
      *error = linux::kEPERM;
      return false;
    default:
      *error = linux::kEINVAL;
      return false;
  }
}

bool ValidTimespec(int64_t seconds, int32_t nanoseconds) {
  return seconds >= 0 && nanoseconds >= 0 && nanoseconds <= 999999999;
}

int32_t SetPosix(uint32_t id, int32_t flags, const linux::Itimerspec64* value,
                 linux::Itimerspec64* old) {
  Timer* t = PosixTimer(id);
  if (t == nullptr || value == nullptr) return Fail(linux::kEINVAL);
  if (!ValidTimespec(value->it_interval.tv_sec, value->it_interval.tv_nsec) ||
      !ValidTimespec(value->it_value.tv_sec, value->it_value.tv_nsec))
    return Fail(linux::kEINVAL);
  int64_t span = Nanoseconds(value->it_value.tv_sec, value->it_value.tv_nsec, 1);
  const int64_t interval =
      Nanoseconds(value->it_interval.tv_sec, value->it_interval.tv_nsec, 1);
  const bool absolute = (flags & linux::kTIMER_ABSTIME) != 0 && span != 0;
  {
    Locked lock;
    if (old != nullptr) {
      int64_t left, every;
      Remaining(*t, &left, &every, t->notify == linux::kSIGEV_NONE ? 0 : 1);
      *old = {{every / 1000000000, static_cast<int32_t>(every % 1000000000), 0},
              {left / 1000000000, static_cast<int32_t>(left % 1000000000), 0}};
    }
    if (absolute && t->clock == linux::kCLOCK_REALTIME) {
      // The wall clock's time as a time of the monotonic clock; a time
      // already past expires at once.
      span = Now(Measure::kWall) + (span - Read(platform::ClockKind::kRealtime));
      if (span <= 0) span = 1;
    } else if (absolute && t->measure == Measure::kProcessCpu) {
      // clock_gettime's reading of the CPU clock as the timer thread's.
      span = Now(Measure::kProcessCpu) + (span - Read(platform::ClockKind::kProcessCpu));
      if (span <= 0) span = 1;
    }
    Arm(*t, span, interval, absolute);
    t->overrunLast = 0;
  }
  Changed();
  return 0;
}

int32_t GetPosix(uint32_t id, linux::Itimerspec64* out) {
  Timer* t = PosixTimer(id);
  if (t == nullptr) return Fail(linux::kEINVAL);
  if (out == nullptr) return Fail(linux::kEFAULT);
  Locked lock;
  int64_t left, every;
  Remaining(*t, &left, &every, t->notify == linux::kSIGEV_NONE ? 0 : 1);
  *out = {{every / 1000000000, static_cast<int32_t>(every % 1000000000), 0},
          {left / 1000000000, static_cast<int32_t>(left % 1000000000), 0}};
  return 0;
}

linux::Itimerspec64 Widen(const linux::Itimerspec& v) {
  return {{v.it_interval.tv_sec, v.it_interval.tv_nsec, 0},
          {v.it_value.tv_sec, v.it_value.tv_nsec, 0}};
}

linux::Itimerspec Narrow(const linux::Itimerspec64& v) {
  return {{static_cast<int32_t>(v.it_interval.tv_sec), v.it_interval.tv_nsec},
          {static_cast<int32_t>(v.it_value.tv_sec), v.it_value.tv_nsec}};
}

}  // namespace

void TakeTimerSignals(void (*take)(const TimerSignal& fired)) {
  if (!gAnyFired.load(std::memory_order_relaxed)) return;
  if (!gAnyFired.exchange(false, std::memory_order_acq_rel)) return;
  for (int32_t i = 0; i < kIntervalTimers + kPosixTimers; ++i) {
    Timer& t = gTimers[i];
    if (t.fired.load(std::memory_order_relaxed) == 0) continue;
    const uint32_t count = t.fired.exchange(0);
    if (count == 0 || !t.used || t.notify == linux::kSIGEV_NONE) continue;
    take({t.signal, t.code, i - kIntervalTimers, static_cast<int32_t>(count - 1), t.value});
  }
}

bool TimersCanSignal() {
  Locked lock;
  for (const Timer& t : gTimers)
    if (t.fired.load() != 0 || (t.armed && t.notify != linux::kSIGEV_NONE)) return true;
  return false;
}

void NoteTimerSignalTaken(int32_t timer, int32_t overrun) {
  if (Timer* t = PosixTimer(static_cast<uint32_t>(timer))) t->overrunLast = overrun;
}

void ResetTimers() {
  Locked lock;
  for (Timer& t : gTimers) {
    t.used = false;
    t.armed = false;
    t.fired.store(0);
    t.overrunLast = 0;
  }
}

}  // namespace tblibc

using namespace tblibc;

extern "C" {

int32_t tblibc_setitimer(int32_t which, const linux::Itimerval* value, linux::Itimerval* old) {
  return SetItimerOf(which, value, old);
}
int32_t tblibc_setitimer64(int32_t which, const linux::Itimerval64* value,
                           linux::Itimerval64* old) {
  return SetItimerOf(which, value, old);
}
int32_t tblibc_getitimer(int32_t which, linux::Itimerval* out) { return GetItimerOf(which, out); }
int32_t tblibc_getitimer64(int32_t which, linux::Itimerval64* out) {
  return GetItimerOf(which, out);
}

// The kernel's alarm: whole seconds back, rounded to the nearest, and never
// 0 while an alarm was still set.
uint32_t tblibc_alarm(uint32_t seconds) {
  if (seconds > INT32_MAX) seconds = INT32_MAX;
  const int64_t set[2] = {0, int64_t{seconds} * 1000000000};
  int64_t old[2] = {0, 0};
  SetItimer(linux::kITIMER_REAL, set, old);
  const int64_t whole = old[1] / 1000000000, fraction = old[1] % 1000000000;
  return static_cast<uint32_t>(whole + ((whole == 0 && fraction != 0) ||
                                        fraction >= 500000000 ? 1 : 0));
}

// glibc's: microseconds in, microseconds of the old value out.
uint32_t tblibc_ualarm(uint32_t value, uint32_t interval) {
  linux::Itimerval set{{static_cast<int32_t>(interval / 1000000),
                        static_cast<int32_t>(interval % 1000000)},
                       {static_cast<int32_t>(value / 1000000),
                        static_cast<int32_t>(value % 1000000)}};
  linux::Itimerval old{};
  if (tblibc_setitimer(linux::kITIMER_REAL, &set, &old) < 0) return static_cast<uint32_t>(-1);
  return static_cast<uint32_t>(old.it_value.tv_sec) * 1000000u +
         static_cast<uint32_t>(old.it_value.tv_usec);
}

int32_t tblibc_timer_create(int32_t clock, const linux::SigEvent* event, uint32_t* timerId) {
  Measure measure;
  int32_t error = 0;
  if (!ClockMeasure(clock, &measure, &error)) return Fail(error);
  linux::SigEvent how{};
  if (event != nullptr) {
    how = *event;
  } else {
    how.notify = linux::kSIGEV_SIGNAL;
    how.signo = linux::kSIGALRM;
  }
  switch (how.notify) {
    case linux::kSIGEV_NONE:
      break;
    case linux::kSIGEV_THREAD_ID:
      if (how.tid != static_cast<int32_t>(platform::ProcessId())) return Fail(linux::kEINVAL);
      [[fallthrough]];
    case linux::kSIGEV_SIGNAL:
      if (how.signo < 1 || how.signo >= linux::kNSIG) return Fail(linux::kEINVAL);
      break;
    case linux::kSIGEV_THREAD:
      return Fail(linux::kEAGAIN);  // no thread to run the function on
    default:
      return Fail(linux::kEINVAL);
  }
  if (timerId == nullptr) return Fail(linux::kEFAULT);
  Locked lock;
  for (uint32_t id = 0; id < static_cast<uint32_t>(kPosixTimers); ++id) {
    Timer& t = gTimers[kIntervalTimers + id];
    if (t.used) continue;
    t.used = true;
    t.armed = false;
    t.measure = measure;
    t.clock = clock;
    t.notify = how.notify == linux::kSIGEV_THREAD_ID ? linux::kSIGEV_SIGNAL : how.notify;
    t.signal = how.signo;
    t.code = linux::kSI_TIMER;
    t.value = event != nullptr ? how.value : id;
    t.interval = 0;
    t.overrunLast = 0;
    t.fired.store(0);
    *timerId = id;
    return 0;
  }
  return Fail(linux::kEAGAIN);
}

int32_t tblibc_timer_delete(uint32_t id) {
  {
    Locked lock;
    Timer* t = PosixTimer(id);
    if (t == nullptr) return Fail(linux::kEINVAL);
    t->used = false;
    t->armed = false;
    t->fired.store(0);
  }
  if (platform::TimersStarted()) platform::TimersChanged();
  return 0;
}

int32_t tblibc_timer_settime64(uint32_t id, int32_t flags, const linux::Itimerspec64* value,
                               linux::Itimerspec64* old) {
  return SetPosix(id, flags, value, old);
}
int32_t tblibc_timer_settime(uint32_t id, int32_t flags, const linux::Itimerspec* value,
                             linux::Itimerspec* old) {
  const linux::Itimerspec64 wide = value != nullptr ? Widen(*value) : linux::Itimerspec64{};
  linux::Itimerspec64 previous{};
  if (SetPosix(id, flags, value != nullptr ? &wide : nullptr,
               old != nullptr ? &previous : nullptr) != 0)
    return -1;
  if (old != nullptr) *old = Narrow(previous);
  return 0;
}

int32_t tblibc_timer_gettime64(uint32_t id, linux::Itimerspec64* out) { return GetPosix(id, out); }
int32_t tblibc_timer_gettime(uint32_t id, linux::Itimerspec* out) {
  linux::Itimerspec64 wide{};
  if (GetPosix(id, out != nullptr ? &wide : nullptr) != 0) return -1;
  *out = Narrow(wide);
  return 0;
}

int32_t tblibc_timer_getoverrun(uint32_t id) {
  Timer* t = PosixTimer(id);
  if (t == nullptr) return Fail(linux::kEINVAL);
  return t->overrunLast;
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_alarm>("alarm"),
    Fn<&tblibc_ualarm>("ualarm"),
    Fn<&tblibc_setitimer>("setitimer"),
    Fn<&tblibc_getitimer>("getitimer"),
    Fn<&tblibc_setitimer64>("__setitimer64"),
    Fn<&tblibc_getitimer64>("__getitimer64"),
    Fn<&tblibc_timer_create>("timer_create"),
    Fn<&tblibc_timer_delete>("timer_delete"),
    Fn<&tblibc_timer_settime>("timer_settime"),
    Fn<&tblibc_timer_gettime>("timer_gettime"),
    Fn<&tblibc_timer_getoverrun>("timer_getoverrun"),
    Fn<&tblibc_timer_settime64>("__timer_settime64"),
    Fn<&tblibc_timer_gettime64>("__timer_gettime64"),
};
static_assert(std::size(kExports) == 13);

}  // namespace

extern const Family kTimersFamily;
const Family kTimersFamily{"timers", kExports};

}  // namespace tblibc
