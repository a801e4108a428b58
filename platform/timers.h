// Timers: a host thread that keeps the guest's timers, the way it
// interrupts the guest thread with that thread's registers, and the wait
// the guest thread's sleeps use, which the timer thread cuts short.
//
// On Windows the timer thread suspends the guest thread and reads and
// writes its context (SuspendThread, GetThreadContext); on Linux it sends
// the guest thread a host signal (tgkill) whose handler does the same with
// its ucontext. Either way the interruption's answer is what the thread
// resumes with.
#pragma once

#include <cstdint>

#include "platform/exceptions.h"

namespace platform {

// Runs on the timer thread each time it wakes: `nowNs` is the monotonic
// clock. Answers when to wake next (monotonic nanoseconds; negative: only
// when TimersChanged says so) and sets `*interrupt` when the guest thread
// should be interrupted now (and again, shortly after, for as long as it
// says so).
using TimerExpiry = int64_t (*)(int64_t nowNs, bool* interrupt);

// Runs with the guest thread stopped where it was: on the timer thread
// while the guest thread is suspended (Windows), or on the guest thread
// inside a host signal handler (Linux). It must take no lock the guest
// thread could hold and allocate nothing. Answers true when it changed the
// context.
using GuestInterrupt = bool (*)(Context& context);

// Starts the timer thread once; the calling thread is the guest's, the one
// to interrupt. Later calls only make the timer thread look again.
void StartTimers(TimerExpiry expiry, GuestInterrupt interrupt);
bool TimersStarted();
// The timers changed: the timer thread asks `expiry` again now.
void TimersChanged();
// Stops the timer thread and waits for it to end (at exit).
void StopTimers();

// The guest thread's user and system CPU time, in nanoseconds, as the
// timer thread can read it (the whole process's where the host counts it
// better that way).
void GuestCpuTimes(int64_t* userNs, int64_t* systemNs);

// The guest thread waits until `timeoutNs` has passed (negative: no limit)
// or the timer thread has wanted an interruption since the last wait ended.
// True when it was woken early. Before StartTimers it only sleeps.
bool WaitForTimers(int64_t timeoutNs);

}  // namespace platform
