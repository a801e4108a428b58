// What the Linux port's concern files share: rounding, retrying a call that
// a signal interrupted, the guest region that the system-call filter needs,
// and the signal state a started command gets.
#pragma once

#include <errno.h>
#include <signal.h>
#include <sys/ucontext.h>
#include <ucontext.h>

#include <cstdint>

#include "platform/exceptions.h"
#include "platform/process.h"

namespace platform {

inline uint32_t RoundDown(uint32_t value, uint32_t unit) { return value & ~(unit - 1); }
inline uint64_t RoundUp(uint64_t value, uint64_t unit) {
  return (value + unit - 1) & ~(unit - 1);
}

template <typename F>
auto Retry(F call) {
  decltype(call()) r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

// The file services answer with their return code alone: the guest's errno
// (the host's cell) is left as the caller had it, as Linux leaves it on
// success and as the binding sets it on failure.
struct KeepErrno {
  int saved = errno;
  ~KeepErrno() { errno = saved; }
};

// A signal handler's ucontext as the shared Context, and back. The kernel
// takes the stack pointer back from REG_ESP; REG_UESP is only where it
// stood when the signal came.
inline Context ContextOf(const ucontext_t* uc) {
  const greg_t* g = uc->uc_mcontext.gregs;
  Context c{};
  c.Edi = g[REG_EDI];
  c.Esi = g[REG_ESI];
  c.Ebx = g[REG_EBX];
  c.Edx = g[REG_EDX];
  c.Ecx = g[REG_ECX];
  c.Eax = g[REG_EAX];
  c.Ebp = g[REG_EBP];
  c.Eip = g[REG_EIP];
  c.EFlags = g[REG_EFL];
  c.Esp = g[REG_UESP];
  return c;
}

inline void StoreContext(const Context& c, ucontext_t* uc) {
  greg_t* g = uc->uc_mcontext.gregs;
  g[REG_EDI] = c.Edi;
  g[REG_ESI] = c.Esi;
  g[REG_EBX] = c.Ebx;
  g[REG_EDX] = c.Edx;
  g[REG_ECX] = c.Ecx;
  g[REG_EAX] = c.Eax;
  g[REG_EBP] = c.Ebp;
  g[REG_EIP] = c.Eip;
  g[REG_EFL] = c.EFlags;
  g[REG_ESP] = c.Esp;
  g[REG_UESP] = c.Esp;
}

// The timer thread's wake-up descriptor, readable once it has wanted an
// interruption (timers.cpp keeps it; -1 before the timers start): waits
// on descriptors watch it too.
extern int g_timerWakeFd;
// Empties it.
void DrainTimerWake();

// The guest region (memory.cpp keeps it); the system-call filter covers it.
extern uint32_t g_regionBase;
extern uint32_t g_regionEnd;
constexpr uint32_t kSyscallInstructionLength = 2;  // cd 80

// Installs the system-call filter once both a region and the handler exist.
void TrapGuestSyscalls();

// The process that starts the guest's commands, forked before the
// system-call filter exists so that no command inherits it; without it
// (before the filter, in the unit tests) commands start from here.
void StartCommandStarter();
bool CommandStarterRunning();
// popen's part: the command's descriptor and its record, and at pclose its
// wait status; false when the record is none of the starter's.
int StartPipeCommand(const char* command, bool reading, const StartingSignals& signals,
                     const EnvironmentEntries& environment, int* fd, void** child);
bool ClosePipeCommand(void* child, int32_t* status);

// A system call's answer in the platform's convention: errno, which is
// the guest's own number, when it failed.
inline int Done(int result) { return result < 0 ? errno : 0; }

// For as long as a command is being started (popen) or run (system), the
// host's signals are what the guest's child would inherit on Linux: the
// guest's ignored signals ignored and the rest at their defaults (the
// loader's own ignored SIGPIPE would otherwise reach every command, and a
// `yes | head` would complain of a broken pipe), under the guest's mask.
// Signals the loader catches are left caught and unblocked: an exec resets
// a caught signal anyway.
class ChildSignalScope {
 public:
  explicit ChildSignalScope(const StartingSignals& child);
  ~ChildSignalScope();
  ChildSignalScope(const ChildSignalScope&) = delete;
  ChildSignalScope& operator=(const ChildSignalScope&) = delete;

 private:
  struct Saved {
    int sig;
    struct sigaction action;
  };
  Saved saved_[64];
  int count_ = 0;
  sigset_t mask_;
};

}  // namespace platform
