// The process family's part in every run: the guest's start after the
// binding has handed it over, its at-exit list, and the ways a run ends,
// which every family that ends one comes through.
#pragma once

#include <cstdint>
#include <string_view>

#include "process/process.h"

namespace tblibc {

// The start-up's clean list: nothing registered before the guest starts.
void ForgetAtExitRoutines();

// __libc_start_main's part once the families have started: a fini routine
// goes on the at-exit list, the program's constructors run, then main, and
// its answer ends the run as exit(answer) would.
[[noreturn]] void RunGuest(int32_t (*main)(int32_t, char**, char**),
                           uint32_t init, uint32_t fini);

// An object's DT_INIT and DT_INIT_ARRAY, each with argc, argv and envp;
// its destructors are then due at exit, before those of the objects whose
// constructors ran earlier. A library the guest opens later comes here too.
void RunConstructors(const process::GuestStartTables& tables);

// __cxa_finalize(dso): the at-exit routines the object with handle `dso`
// registered and that are still due, newest first; all of them for 0.
void FinalizeObject(uint32_t dso);

// exit(status): the at-exit routines, the program's destructors, the pause.
[[noreturn]] void Exit(int32_t status);

// Writes out the guest's stdio streams and the loader's console text, in
// the order they were produced.
void FlushGuestStreams();
// Ends the run with `status` after the pause, without the at-exit routines
// and leaving the guest's streams unwritten (what _exit and a fatal signal
// do).
[[noreturn]] void EndRun(int32_t status);
// What the guest's abort does: the report, then the end a default-action
// SIGABRT has (status 134).
[[noreturn]] void Abort();
// The Linux C library's fatal report ("*** buffer overflow detected ***:
// terminated"): the text and a line end on standard error, then Abort().
[[noreturn]] void FatalError(std::string_view text);

}  // namespace tblibc

// Start-up names this family serves.
extern "C" {
int tblibc_cxa_atexit(uint32_t routine, void* argument, void*);
int tblibc_on_exit(uint32_t routine, void* argument);
int tblibc_atexit(uint32_t routine);
[[noreturn]] void tblibc_exit(int32_t status);
[[noreturn]] void tblibc_abort();
process::UserRecord* tblibc_getpwuid(uint32_t uid);
uint32_t tblibc_getuid();
int tblibc_uname(void* buffer);
int tblibc_gethostname(char* buffer, uint32_t length);
int tblibc_getpagesize();
int tblibc_no_groups();
}
