// What the signals family needs of the timers: the signals they have
// fired, whether any could still fire one, and which overrun a taken
// signal carried (for timer_getoverrun).
#pragma once

#include <cstdint>

namespace tblibc {

// One timer's expirations as the signal to make pending: its number and
// si_code (SI_KERNEL for the interval timers, SI_TIMER for POSIX timers,
// which also give their id, the expirations missed and sigev_value).
struct TimerSignal {
  int32_t number;
  int32_t code;
  int32_t timer;
  int32_t overrun;
  uint32_t value;
};

// Calls `take` for every timer that has expired since the last call. On
// the guest thread, or while it is stopped in guest code.
void TakeTimerSignals(void (*take)(const TimerSignal& fired));
// Whether a timer is armed that sends a signal, or has sent one not yet
// taken: a wait for a signal can then end.
bool TimersCanSignal();
// A POSIX timer's signal was taken (delivered, or returned by sigwait)
// with this overrun.
void NoteTimerSignalTaken(int32_t timer, int32_t overrun);

// Every timer disarmed and deleted (for the unit tests).
void ResetTimers();

}  // namespace tblibc
