// What other families need of the signals family: the guest's signal mask
// (for the non-local jumps), raising a signal from host code (for the
// write paths, where a write to a pipe whose reader has gone is SIGPIPE, as
// the Linux kernel has it) and the state a command the guest starts
// inherits (system, popen).
#pragma once

#include <cstdint>

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

// Every disposition back to the default, nothing blocked or pending: the
// state a run starts with (for the unit tests).
void ResetSignals();

}  // namespace tblibc

// Start-up names this family serves.
extern "C" {
uint32_t tblibc_signal(int32_t number, uint32_t handler);
}
