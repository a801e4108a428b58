// The timers family with the platform's timer thread, in-process: the
// signals come while the test waits for them (sigtimedwait, sigwaitinfo),
// never while it runs, since no guest code runs here. The verdicts do not
// depend on timing.
#include <gtest/gtest.h>

#include <cstdint>

#include "abi/errno.h"
#include "abi/signals.h"
#include "abi/time.h"
#include "libcbind/guest.h"
#include "libcbind/signals.h"
#include "libcbind/timers.h"
#include "platform/timers.h"

extern "C" {
int32_t tblibc_setitimer(int32_t, const linux::Itimerval*, linux::Itimerval*);
int32_t tblibc_getitimer(int32_t, linux::Itimerval*);
int32_t tblibc_setitimer64(int32_t, const linux::Itimerval64*, linux::Itimerval64*);
uint32_t tblibc_alarm(uint32_t);
int32_t tblibc_timer_create(int32_t, const linux::SigEvent*, uint32_t*);
int32_t tblibc_timer_delete(uint32_t);
int32_t tblibc_timer_settime(uint32_t, int32_t, const linux::Itimerspec*, linux::Itimerspec*);
int32_t tblibc_timer_gettime(uint32_t, linux::Itimerspec*);
int tblibc_sigtimedwait(const linux::SigSet*, linux::SigInfo*, const linux::Timespec*);
int tblibc_sigwaitinfo(const linux::SigSet*, linux::SigInfo*);
}

namespace {

uint64_t Bit(int32_t n) { return uint64_t{1} << (n - 1); }

linux::SigSet Only(int32_t n) {
  linux::SigSet set{};
  set.words[0] = static_cast<uint32_t>(Bit(n));
  return set;
}

class Timers : public ::testing::Test {
 protected:
  void SetUp() override {
    tblibc::ResetSignals();
    tblibc::ResetTimers();
  }
  void TearDown() override {
    tblibc::ResetTimers();
    platform::StopTimers();
    tblibc::ResetSignals();
  }
};

TEST_F(Timers, IntervalTimersAnswerAsLinux) {
  linux::Itimerval bad{{0, 0}, {0, 1000000}};
  EXPECT_EQ(tblibc_setitimer(linux::kITIMER_REAL, &bad, nullptr), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEINVAL);
  EXPECT_EQ(tblibc_setitimer(3, nullptr, nullptr), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEINVAL);
  linux::Itimerval64 bad64{{-1, 0}, {1, 0}};
  EXPECT_EQ(tblibc_setitimer64(linux::kITIMER_PROF, &bad64, nullptr), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEINVAL);
  linux::Itimerval out{{9, 9}, {9, 9}};
  EXPECT_EQ(tblibc_getitimer(linux::kITIMER_VIRTUAL, &out), 0);
  EXPECT_EQ(out.it_interval.tv_sec + out.it_interval.tv_usec + out.it_value.tv_sec +
                out.it_value.tv_usec, 0);
  EXPECT_EQ(tblibc_alarm(100), 0u);
  EXPECT_EQ(tblibc_alarm(0), 100u);  // rounded to the nearest second
  EXPECT_EQ(tblibc_alarm(0), 0u);
}

TEST_F(Timers, SigtimedwaitTakesABlockedAlarm) {
  tblibc::SetBlockedSignals(Bit(linux::kSIGALRM));
  const linux::Itimerval soon{{0, 0}, {0, 5000}};
  ASSERT_EQ(tblibc_setitimer(linux::kITIMER_REAL, &soon, nullptr), 0);
  const linux::SigSet set = Only(linux::kSIGALRM);
  linux::SigInfo info{};
  const linux::Timespec limit{30, 0}, zero{0, 0};
  EXPECT_EQ(tblibc_sigtimedwait(&set, &info, &limit), linux::kSIGALRM);
  EXPECT_EQ(info.signo, linux::kSIGALRM);
  EXPECT_EQ(info.code, linux::kSI_KERNEL);
  EXPECT_EQ(tblibc_sigtimedwait(&set, &info, &zero), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEAGAIN);
}

TEST_F(Timers, PosixTimerSignalCarriesItsTimerAndValue) {
  linux::SigEvent event{};
  event.notify = linux::kSIGEV_SIGNAL;
  event.signo = linux::kSIGUSR2;
  event.value = 77;
  uint32_t id = 99;
  ASSERT_EQ(tblibc_timer_create(linux::kCLOCK_MONOTONIC, &event, &id), 0);
  tblibc::SetBlockedSignals(Bit(linux::kSIGUSR2));
  const linux::Itimerspec soon{{0, 0}, {0, 2000000}};
  ASSERT_EQ(tblibc_timer_settime(id, 0, &soon, nullptr), 0);
  const linux::SigSet set = Only(linux::kSIGUSR2);
  linux::SigInfo info{};
  EXPECT_EQ(tblibc_sigwaitinfo(&set, &info), linux::kSIGUSR2);
  EXPECT_EQ(info.code, linux::kSI_TIMER);
  EXPECT_EQ(static_cast<uint32_t>(info.pid), id);  // si_timerid
  EXPECT_EQ(info.rest[0], 77u);                    // si_value
  linux::Itimerspec now{{1, 1}, {1, 1}};
  EXPECT_EQ(tblibc_timer_gettime(id, &now), 0);
  EXPECT_EQ(now.it_value.tv_sec + now.it_value.tv_nsec, 0);
  EXPECT_EQ(tblibc_timer_delete(id), 0);
  EXPECT_EQ(tblibc_timer_delete(id), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEINVAL);

  event.notify = linux::kSIGEV_THREAD;
  EXPECT_EQ(tblibc_timer_create(linux::kCLOCK_REALTIME, &event, &id), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEAGAIN);
  EXPECT_EQ(tblibc_timer_create(linux::kCLOCK_MONOTONIC_RAW, nullptr, &id), -1);
  EXPECT_EQ(tblibc::Errno(), linux::kEOPNOTSUPP);
}

// The timer thread never enters a handler from host code: the context is
// left as it was and the signal stays pending for a wait or the return to
// guest code.
TEST_F(Timers, InterruptionLeavesHostCodeAlone) {
  platform::Context context{};
  context.Eip = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&tblibc_alarm));
  context.Esp = 0x1000;
  const platform::Context before = context;
  EXPECT_FALSE(tblibc::InterruptGuestThread(context));
  EXPECT_EQ(context.Eip, before.Eip);
  EXPECT_EQ(context.Esp, before.Esp);
}

}  // namespace
