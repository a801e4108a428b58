// What other families need of the signals family: the guest's signal mask
// (for the non-local jumps), raising a signal from host code (for the
// write paths, where a write to a pipe whose reader has gone is SIGPIPE, as
// the Linux kernel has it), the state a command the guest starts inherits
// (system, popen), the waits that a timer's signal cuts short (sleeps,
// poll, select) and the interruption of the guest thread (timers).
#pragma once

#include <cstdint>

#include "platform/exceptions.h"
#include "platform/process.h"

namespace tblibc {

// The guest's blocked signals, bit n-1 for signal n.
uint64_t BlockedSignals();
// What a command the guest starts (system, popen) inherits: the signals it
// ignores (SIG_IGN) and its mask.
platform::StartingSignals ChildSignals();
// Sets them (SIGKILL, SIGSTOP and the C library's own two stay unblocked)
// and delivers what was pending and is now unblocked.
void SetBlockedSignals(uint64_t mask);

// Delivers Linux signal `number` to the guest now, as raise() does: its
// handler runs, or the default action ends the run (status 128 + number),
// or nothing happens when it is ignored; held pending while blocked.
void RaiseSignal(int32_t number);
// The same with the si_code and si_value a handler taking SA_SIGINFO reads,
// as sigqueue or a completed asynchronous request (SI_ASYNCIO) sends it.
void QueueSignal(int32_t number, int32_t code, uint32_t value);

// To be called by a write path of the guest (write, fwrite, fputs, puts,
// putc, fputc, fflush, printf ...) right after a write failed, with the
// Linux errno it is about to leave: on EPIPE the guest gets SIGPIPE first.
// When SIGPIPE is handled or ignored the call returns and the write fails
// with EPIPE, as on Linux. On Windows the C runtime reports a pipe with no
// reader as EPIPE or EINVAL; `descriptor` (the stream's, -1 when unknown)
// lets the second be told apart from a real EINVAL.
void AfterFailedWrite(int32_t linuxErrno, int32_t descriptor);

// For the waits of other families (sleeps, poll, select): takes what the
// timers have fired, and when a signal is pending that `mask` (the guest's
// own mask when null) lets through, delivers it under that mask as Linux
// does before a wait fails with EINTR. True when a handler ran: the caller
// then fails with EINTR.
bool InterruptedBySignal(const uint64_t* mask);
// Sleeps until `deadlineNs` on the monotonic clock (negative: no limit) or
// until a signal's handler has run; true in the second case.
bool SleepUntil(int64_t deadlineNs);

// The timer thread's interruption of the guest thread (platform::
// GuestInterrupt): in guest code, the lowest pending signal that is not
// blocked enters its handler on a kernel-style frame, or its default
// action ends the run. True when the context changed.
bool InterruptGuestThread(platform::Context& context);

// Every disposition back to the default, nothing blocked or pending: the
// state a run starts with (for the unit tests).
void ResetSignals();

}  // namespace tblibc

// Start-up names this family serves.
extern "C" {
uint32_t tblibc_signal(int32_t number, uint32_t handler);
}
