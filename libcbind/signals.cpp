// Signals: the guest's dispositions, mask and pending set, kept here, and
// delivery of the signals a guest sends itself (raise, kill, killpg) or
// that a write into a pipe with no reader causes. Delivery is synchronous:
// the handler runs inside the call that raised the signal, the i386 way
// (CallGuest), exactly as Linux runs a signal a thread sends itself before
// the system call returns.
//
// Nothing from outside reaches a guest handler: timers (alarm, setitimer)
// are not served, and Ctrl-C keeps the host's default. Faults stay the
// trap's: their report and exit code do not pass through here.
#include "libcbind/process.h"
#include "libcbind/signals.h"

#include <cstring>
#include <iterator>

#include "abi/errno.h"
#include "abi/signals.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "platform/process.h"
#include "runtime/rtl.h"

namespace tblibc {
namespace {

using linux::SigAction;
using linux::SigSet;

constexpr uint64_t Bit(int32_t number) { return uint64_t{1} << (number - 1); }

// Never blocked, never caught: the kernel's two and the C library's two.
constexpr uint64_t kUnblockable = Bit(linux::kSIGKILL) | Bit(linux::kSIGSTOP) |
                                  Bit(linux::kSIGCANCEL) |
                                  Bit(linux::kSIGSETXID);

// What a signal left at SIG_DFL does: the kernel's default actions.
enum class Default { kEnd, kIgnore, kStop };

Default DefaultAction(int32_t number) {
  switch (number) {
    case linux::kSIGCHLD:
    case linux::kSIGCONT:
    case linux::kSIGURG:
    case linux::kSIGWINCH:
      return Default::kIgnore;
    case linux::kSIGSTOP:
    case linux::kSIGTSTP:
    case linux::kSIGTTIN:
    case linux::kSIGTTOU:
      return Default::kStop;
    default:
      return Default::kEnd;
  }
}

struct Disposition {
  uint32_t handler = linux::kSIG_DFL;
  uint64_t mask = 0;
  uint32_t flags = 0;
  uint32_t restorer = 0;
};

Disposition gActions[linux::kNSIG];
uint64_t gBlocked;
uint64_t gPending;
linux::StackT gAltStack{0, linux::kSS_DISABLE, 0};

bool Valid(int32_t number) { return number >= 1 && number < linux::kNSIG; }
bool Catchable(int32_t number) {
  return Valid(number) && (Bit(number) & kUnblockable) == 0;
}

uint64_t Load(const SigSet& set) {
  return uint64_t{set.words[0]} | uint64_t{set.words[1]} << 32;
}

void Store(uint64_t bits, SigSet* set) {
  set->words[0] = static_cast<uint32_t>(bits);
  set->words[1] = static_cast<uint32_t>(bits >> 32);
}

int32_t gPendingCode[linux::kNSIG];  // si_code of each pending signal

// One handler to run, as the kernel stacks a signal frame: the mask it
// restores when the handler returns, and the action as it was taken.
struct Frame {
  int32_t number;
  int32_t code;
  uint64_t before;
  Disposition action;
};

void RunHandler(const Frame& frame) {
  const Disposition& taken = frame.action;
  if (taken.flags & linux::kSA_SIGINFO) {
    linux::SigInfo info{};
    info.signo = frame.number;
    info.code = frame.code;
    info.pid = static_cast<int32_t>(platform::ProcessId());
    linux::UContext context{};
    context.stack = gAltStack;
    Store(frame.before, &context.sigmask);
    CallGuest(taken.handler, {static_cast<uint32_t>(frame.number),
                              Address(&info), Address(&context)});
  } else {
    CallGuest(taken.handler, {static_cast<uint32_t>(frame.number)});
  }
}

// Delivers every pending signal that is not blocked, the way the Linux
// kernel does on its way back to user mode: it takes them lowest number
// first, each one's frame blocking what its action says, until none is
// left; then the handlers run, the last frame (highest number) first, each
// under the mask its frame set. A default action that ends the process
// ends it as soon as its signal is taken. A handler's return restores the
// mask of its frame, and whatever that unblocks is delivered before the
// frame below runs.
void DeliverPending() {
  while (gPending & ~gBlocked) {
    Frame frames[linux::kNSIG];
    int32_t count = 0;
    while (uint64_t ready = gPending & ~gBlocked) {
      int32_t number = 1;
      while (!(ready & 1)) {
        ready >>= 1;
        ++number;
      }
      gPending &= ~Bit(number);
      Disposition& action = gActions[number];
      if (action.handler == linux::kSIG_IGN) continue;
      if (action.handler == linux::kSIG_DFL) {
        // A stop would wait for a SIGCONT that nobody here can send: the
        // run goes on, as after an immediate continue.
        if (DefaultAction(number) != Default::kEnd) continue;
        EndRun(128 + number);
      }
      frames[count++] = {number, gPendingCode[number], gBlocked, action};
      if (action.flags & linux::kSA_RESETHAND) action = Disposition{};
      uint64_t during = gBlocked | frames[count - 1].action.mask;
      if (!(frames[count - 1].action.flags & linux::kSA_NODEFER))
        during |= Bit(number);
      gBlocked = during & ~kUnblockable;
    }
    for (int32_t i = count - 1; i >= 0; --i) {
      gBlocked = i + 1 < count ? frames[i + 1].before : gBlocked;
      RunHandler(frames[i]);
      // A handler that leaves by longjmp skips the rest, as on Linux: the
      // mask is then what the jump restores.
      gBlocked = frames[i].before;
      DeliverPending();
    }
  }
}

void Send(int32_t number, int32_t code) {
  // Ignored and not blocked: the kernel drops it at once. A blocked one
  // waits, since its handler may change before it is unblocked.
  const Disposition& action = gActions[number];
  const bool ignored = action.handler == linux::kSIG_IGN ||
                       (action.handler == linux::kSIG_DFL &&
                        DefaultAction(number) != Default::kEnd);
  if (ignored && !(gBlocked & Bit(number))) return;
  if (!(gPending & Bit(number))) gPendingCode[number] = code;
  gPending |= Bit(number);
  DeliverPending();
}

int32_t Fail(int32_t linuxErrno) {
  SetErrno(linuxErrno);
  return -1;
}

// The guest's process identity as kill sees it: the process is its own
// group (getpgrp answers its id).
bool IsSelf(int32_t pid) {
  const auto self = static_cast<int32_t>(platform::ProcessId());
  return pid == 0 || pid == self || pid == -self;
}

int32_t Install(int32_t number, const SigAction* act, SigAction* old) {
  if (!Catchable(number)) return Fail(linux::kEINVAL);
  Disposition& slot = gActions[number];
  if (old != nullptr) {
    std::memset(old, 0, sizeof *old);
    old->handler = slot.handler;
    Store(slot.mask, &old->mask);
    old->flags = slot.flags;
    old->restorer = slot.restorer;
  }
  if (act != nullptr) {
    slot.handler = act->handler;
    slot.mask = Load(act->mask) & ~kUnblockable;
    slot.flags = act->flags;
    slot.restorer = act->restorer;
    // Setting a pending signal to be ignored discards it.
    if (slot.handler == linux::kSIG_IGN ||
        (slot.handler == linux::kSIG_DFL &&
         DefaultAction(number) == Default::kIgnore)) {
      gPending &= ~Bit(number);
    }
  }
  return 0;
}

// signal() and its kin: the handler with the given flags, the signal itself
// in the mask unless the flags say otherwise; the previous handler back.
uint32_t InstallSimple(int32_t number, uint32_t handler, uint32_t flags) {
  if (handler == linux::kSIG_ERR || !Catchable(number)) {
    SetErrno(linux::kEINVAL);
    return linux::kSIG_ERR;
  }
  SigAction act{};
  act.handler = handler;
  act.flags = flags;
  if (!(flags & linux::kSA_NODEFER))
    act.mask.words[(number - 1) / 32] = 1u << ((number - 1) % 32);
  SigAction old{};
  Install(number, &act, &old);
  return old.handler;
}

// A program starts with what its parent left it: signals ignored then stay
// ignored (an exec resets only handlers), and the mask carries over. The
// loader's own changes to the host's signals come after this was read.
void TakeInheritedSignals() {
  const platform::StartingSignals inherited = platform::InheritedSignals();
  for (int32_t number = 1; number < linux::kNSIG; ++number) {
    if (Catchable(number) && (inherited.ignored & Bit(number)))
      gActions[number].handler = linux::kSIG_IGN;
  }
  gBlocked = inherited.blocked & ~kUnblockable;
}

void StartSignals() {
  TakeInheritedSignals();
  platform::KeepBrokenPipesQuiet();
}

}  // namespace

uint64_t BlockedSignals() { return gBlocked; }

platform::StartingSignals ChildSignals() {
  platform::StartingSignals child;
  for (int32_t number = 1; number < linux::kNSIG; ++number)
    if (gActions[number].handler == linux::kSIG_IGN) child.ignored |= Bit(number);
  child.blocked = gBlocked;
  return child;
}

void SetBlockedSignals(uint64_t mask) {
  gBlocked = mask & ~kUnblockable;
  DeliverPending();
}

void RaiseSignal(int32_t number) {
  if (Valid(number)) Send(number, linux::kSI_TKILL);
}

void AfterFailedWrite(int32_t linuxErrno, int32_t descriptor) {
  const bool broken =
      linuxErrno == linux::kEPIPE ||
      (descriptor >= 0 && linuxErrno == linux::kEINVAL &&
       platform::LastWriteMetBrokenPipe());
  if (!broken) return;
  const int32_t saved = linux::kEPIPE;
  RaiseSignal(linux::kSIGPIPE);
  SetErrno(saved);
}

// For the unit tests: every disposition back to the default, nothing
// blocked or pending.
void ResetSignals() {
  for (Disposition& d : gActions) d = Disposition{};
  gBlocked = 0;
  gPending = 0;
  gAltStack = {0, linux::kSS_DISABLE, 0};
}

}  // namespace tblibc

// ---- Entries ---------------------------------------------------------------

extern "C" {

using namespace tblibc;

int tblibc_sigaction(int32_t number, const linux::SigAction* act,
                     linux::SigAction* old) {
  return Install(number, act, old);
}

// The Linux C library's signal() has BSD semantics: the handler stays,
// the signal is blocked while it runs, interrupted calls restart.
uint32_t tblibc_signal(int32_t number, uint32_t handler) {
  return InstallSimple(number, handler, linux::kSA_RESTART);
}

// System V semantics: one shot, not blocked while it runs.
uint32_t tblibc_sysv_signal(int32_t number, uint32_t handler) {
  return InstallSimple(number, handler,
                       linux::kSA_RESETHAND | linux::kSA_NODEFER);
}

int tblibc_sigemptyset(linux::SigSet* set) {
  if (set == nullptr) return Fail(linux::kEINVAL);
  std::memset(set, 0, sizeof *set);
  return 0;
}

// Every signal but the C library's own two.
int tblibc_sigfillset(linux::SigSet* set) {
  if (set == nullptr) return Fail(linux::kEINVAL);
  std::memset(set, 0xFF, sizeof *set);
  set->words[0] &= ~(1u << (linux::kSIGCANCEL - 1));
  set->words[1] &= ~(1u << (linux::kSIGSETXID - 33));
  return 0;
}

int tblibc_sigaddset(linux::SigSet* set, int32_t number) {
  if (set == nullptr || !Valid(number) || number == linux::kSIGCANCEL ||
      number == linux::kSIGSETXID) {
    return Fail(linux::kEINVAL);
  }
  set->words[(number - 1) / 32] |= 1u << ((number - 1) % 32);
  return 0;
}

int tblibc_sigdelset(linux::SigSet* set, int32_t number) {
  if (set == nullptr || !Valid(number) || number == linux::kSIGCANCEL ||
      number == linux::kSIGSETXID) {
    return Fail(linux::kEINVAL);
  }
  set->words[(number - 1) / 32] &= ~(1u << ((number - 1) % 32));
  return 0;
}

int tblibc_sigismember(const linux::SigSet* set, int32_t number) {
  if (set == nullptr || !Valid(number)) return Fail(linux::kEINVAL);
  return (set->words[(number - 1) / 32] >> ((number - 1) % 32)) & 1;
}

int tblibc_sigisemptyset(const linux::SigSet* set) {
  if (set == nullptr) return Fail(linux::kEINVAL);
  for (uint32_t word : set->words)
    if (word != 0) return 0;
  return 1;
}

int tblibc_sigprocmask(int32_t how, const linux::SigSet* set,
                       linux::SigSet* old) {
  if (set != nullptr && how != linux::kSIG_BLOCK &&
      how != linux::kSIG_UNBLOCK && how != linux::kSIG_SETMASK) {
    return Fail(linux::kEINVAL);
  }
  const uint64_t before = gBlocked;
  if (old != nullptr) Store(before, old);
  if (set == nullptr) return 0;
  const uint64_t bits = Load(*set);
  uint64_t after = bits;
  if (how == linux::kSIG_BLOCK) after = before | bits;
  if (how == linux::kSIG_UNBLOCK) after = before & ~bits;
  SetBlockedSignals(after);
  return 0;
}

// The POSIX threads form answers the error number instead of setting errno.
int tblibc_pthread_sigmask(int32_t how, const linux::SigSet* set,
                           linux::SigSet* old) {
  const int32_t saved = Errno();
  const int result = tblibc_sigprocmask(how, set, old);
  const int32_t error = result == 0 ? 0 : Errno();
  SetErrno(saved);
  return error;
}

int tblibc_sigpending(linux::SigSet* set) {
  if (set == nullptr) return Fail(linux::kEFAULT);
  std::memset(set, 0, sizeof *set);
  Store(gPending, set);
  return 0;
}

// Waits for a signal under the given mask. Only a signal already pending
// can come (nothing from outside reaches the guest), so a pending one is
// delivered and the call fails with EINTR, as on Linux; with none, the wait
// would last for ever, and the run ends as a process nobody wakes up would
// be ended: by the default action of SIGKILL.
int tblibc_sigsuspend(const linux::SigSet* mask) {
  if (mask == nullptr) return Fail(linux::kEFAULT);
  const uint64_t saved = gBlocked;
  const uint64_t during = Load(*mask) & ~kUnblockable;
  if ((gPending & ~during) == 0) {
    rtl::ReportLine("sigsuspend: no signal can ever come; the run ends");
    EndRun(128 + linux::kSIGKILL);
  }
  gBlocked = during;
  DeliverPending();
  gBlocked = saved;
  DeliverPending();
  return Fail(linux::kEINTR);
}

int tblibc_sigaltstack(const linux::StackT* stack, linux::StackT* old) {
  if (old != nullptr) *old = gAltStack;
  if (stack == nullptr) return 0;
  if (stack->flags & ~linux::kSS_DISABLE) return Fail(linux::kEINVAL);
  if (stack->flags & linux::kSS_DISABLE) {
    gAltStack = {0, linux::kSS_DISABLE, 0};
    return 0;
  }
  if (stack->size < linux::kMINSIGSTKSZ) return Fail(linux::kENOMEM);
  // Recorded and reported back; handlers run on the stack they were
  // raised on.
  gAltStack = *stack;
  gAltStack.flags = 0;
  return 0;
}

int tblibc_raise(int32_t number) {
  if (!Valid(number)) return Fail(linux::kEINVAL);
  Send(number, linux::kSI_TKILL);
  return 0;
}

// Only the process itself is there to be signalled: other processes are
// out of the guest's sight (ESRCH), as is every process at once.
int tblibc_kill(int32_t pid, int32_t number) {
  if (number != 0 && !Valid(number)) return Fail(linux::kEINVAL);
  if (!IsSelf(pid)) return Fail(linux::kESRCH);
  if (number != 0) Send(number, linux::kSI_USER);
  return 0;
}

int tblibc_killpg(int32_t group, int32_t number) {
  if (group < 0) return Fail(linux::kEINVAL);
  return tblibc_kill(-group, number);
}

}  // extern "C"

namespace tblibc {
namespace {

constexpr Export kExports[] = {
    Fn<&tblibc_sigaction>("sigaction"),
    Fn<&tblibc_sigaction>("__sigaction"),
    Fn<&tblibc_signal>("bsd_signal"),
    Fn<&tblibc_signal>("__bsd_signal"),
    Fn<&tblibc_sysv_signal>("sysv_signal"),
    Fn<&tblibc_sysv_signal>("__sysv_signal"),
    Fn<&tblibc_sigemptyset>("sigemptyset"),
    Fn<&tblibc_sigfillset>("sigfillset"),
    Fn<&tblibc_sigaddset>("sigaddset"),
    Fn<&tblibc_sigdelset>("sigdelset"),
    Fn<&tblibc_sigismember>("sigismember"),
    Fn<&tblibc_sigisemptyset>("sigisemptyset"),
    Fn<&tblibc_sigprocmask>("sigprocmask"),
    Fn<&tblibc_pthread_sigmask>("pthread_sigmask"),
    Fn<&tblibc_sigpending>("sigpending"),
    Fn<&tblibc_sigsuspend>("sigsuspend"),
    Fn<&tblibc_sigaltstack>("sigaltstack"),
    Fn<&tblibc_raise>("raise"),
    Fn<&tblibc_raise>("gsignal"),
    Fn<&tblibc_kill>("kill"),
    Fn<&tblibc_killpg>("killpg"),
};

}  // namespace

extern const Family kSignalsFamily;
const Family kSignalsFamily{"signals", kExports, {},
                            StartSignals};

}  // namespace tblibc
