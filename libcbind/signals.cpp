// Signals: the guest's dispositions, mask and pending set, kept here, and
// their delivery.
//
// A signal the guest sends itself (raise, kill, killpg) or that a write
// into a pipe with no reader causes is delivered synchronously: the
// handler runs inside the call that raised it, the i386 way (CallGuest),
// exactly as Linux runs a signal a thread sends itself before the system
// call returns.
//
// The timers' signals (timers.cpp: alarm, setitimer, timer_create) come
// asynchronously, from the platform's timer thread, which interrupts the
// guest thread with its registers (platform/timers.h). Guest code is
// interrupted as the kernel interrupts it: the handler runs on a frame
// stacked below the interrupted stack, and its return resumes the code
// where it was. Host code never is (it may hold locks): the signal stays
// pending until the thread is back in guest code (the timer thread tries
// again shortly), or until a wait of ours wakes (sleeps, pause, sigsuspend,
// the sigwait family, poll and select), which delivers it itself and
// fails with EINTR. A blocking read or write of the host is not cut short.
//
// A fault of guest code the guest handles comes here from the trap and is
// delivered on the same kind of frame; an unhandled one stays the trap's,
// with its report and exit code. Ctrl-C keeps the host's default.
#include "libcbind/process.h"
#include "libcbind/signals.h"

#include <cstring>
#include <iterator>
#include <string>

#include "abi/errno.h"
#include "abi/signals.h"
#include "libcbind/families.h"
#include "libcbind/guest.h"
#include "libcbind/timers.h"
#include "platform/exceptions.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "platform/time.h"
#include "platform/timers.h"
#include "process/process.h"
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

// What each pending signal's handler is told (its siginfo): who sent it,
// or which timer and how many of its expirations were missed.
linux::SigInfo gPendingInfo[linux::kNSIG];
// Signals a sigwait is waiting for: not dropped when ignored, as the
// kernel keeps them for the wait.
uint64_t gWaiting;
// Handlers run so far, so that a wait tells a handler from a signal dropped.
uint32_t gHandlersRun;

// One handler to run, as the kernel stacks a signal frame: the mask it
// restores when the handler returns, and the action as it was taken.
struct Frame {
  int32_t number;
  linux::SigInfo info;
  uint64_t before;
  Disposition action;
};

// A timer's signal is taken: timer_getoverrun answers its overrun from now.
void NoteTaken(const linux::SigInfo& info) {
  if (info.code == linux::kSI_TIMER)
    NoteTimerSignalTaken(info.pid, static_cast<int32_t>(info.uid));
}

// Takes signal `number` for its handler as the kernel does: the action's
// mask on top of the current one, the signal itself too unless SA_NODEFER,
// a one-shot action back to the default. Answers the action as taken.
Disposition Take(int32_t number) {
  const Disposition taken = gActions[number];
  if (taken.flags & linux::kSA_RESETHAND) gActions[number] = Disposition{};
  uint64_t during = gBlocked | taken.mask;
  if (!(taken.flags & linux::kSA_NODEFER)) during |= Bit(number);
  gBlocked = during & ~kUnblockable;
  return taken;
}

void RunHandler(const Frame& frame) {
  const Disposition& taken = frame.action;
  ++gHandlersRun;
  if (taken.flags & linux::kSA_SIGINFO) {
    linux::SigInfo info = frame.info;
    linux::UContext context{};
    context.stack = gAltStack;
    Store(frame.before, &context.sigmask);
    CallGuest(taken.handler, {static_cast<uint32_t>(frame.number),
                              Address(&info), Address(&context)});
  } else {
    CallGuest(taken.handler, {static_cast<uint32_t>(frame.number)});
  }
}

void MarkPending(const linux::SigInfo& info);

// Takes what the timers have fired since the last look into the pending
// set. On the guest thread, or with it stopped in guest code.
void Collect() {
  TakeTimerSignals([](const TimerSignal& fired) {
    linux::SigInfo info{};
    info.signo = fired.number;
    info.code = fired.code;
    if (fired.code == linux::kSI_TIMER) {
      info.pid = fired.timer;
      info.uid = static_cast<uint32_t>(fired.overrun);
      info.rest[0] = fired.value;
    }
    MarkPending(info);
  });
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
  Collect();
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
      const uint64_t before = gBlocked;
      NoteTaken(gPendingInfo[number]);
      frames[count++] = {number, gPendingInfo[number], before, Take(number)};
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

// Makes a signal pending, as the kernel queues it. Ignored and not
// blocked: the kernel drops it at once. A blocked one waits, since its
// handler may change before it is unblocked. A standard signal already
// pending is not queued twice; a timer's signal pending again counts one
// more overrun of its timer.
void MarkPending(const linux::SigInfo& info) {
  const int32_t number = info.signo;
  const Disposition& action = gActions[number];
  const bool ignored = action.handler == linux::kSIG_IGN ||
                       (action.handler == linux::kSIG_DFL &&
                        DefaultAction(number) != Default::kEnd);
  if (ignored && !((gBlocked | gWaiting) & Bit(number))) return;
  linux::SigInfo& pending = gPendingInfo[number];
  if (!(gPending & Bit(number))) {
    pending = info;
  } else if (pending.code == linux::kSI_TIMER && info.code == linux::kSI_TIMER &&
             pending.pid == info.pid) {
    pending.uid += 1 + info.uid;
  }
  gPending |= Bit(number);
}

void Send(int32_t number, int32_t code, uint32_t value = 0) {
  linux::SigInfo info{};
  info.signo = number;
  info.code = code;
  info.pid = static_cast<int32_t>(platform::ProcessId());
  // si_value, after si_uid, of a signal sent with one (sigqueue, a
  // completed asynchronous request).
  if (code == linux::kSI_QUEUE || code == linux::kSI_ASYNCIO) info.rest[0] = value;
  MarkPending(info);
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

// ---- Frames: faults and asynchronous signals ------------------------------------
//
// A handler of a processor fault, or of a signal that interrupts guest code
// (a timer's), runs on a frame stacked as the kernel stacks it. The trap
// runs on the stack that faulted (Windows stacks its exception records
// there, below the guest's stack pointer), and an interruption runs on the
// timer thread or in a host signal handler, so neither writes the frame
// itself: the thread resumes at EnterSignalHandler with the stack pointer
// at the frame's place, and the frame is written from there, where
// everything below is free. It also saves the floating-point state there
// and starts the handler with a fresh one, as the kernel does. The handler
// returns into SignalReturn, which puts the state back and whose int3
// brings the saved context back through the trap.

extern "C" {
void tumbex_EnterSignalHandler();
void tumbex_SignalReturn();
void tumbex_SignalReturnTrap();
uint32_t tumbex_BuildSignalFrame();
[[noreturn]] void tumbex_EndBySignal();
}

#define TB_TEXT2(x) #x
#define TB_TEXT(x) TB_TEXT2(x)
#define TB_SYM(name) TB_TEXT(__USER_LABEL_PREFIX__) #name

// The floating-point state (fxsave's 512 bytes) lies above the frame, on
// the first 16-byte boundary past it.
constexpr uint32_t kFrameSize = sizeof(linux::SignalFrame);
constexpr uint32_t kFrameSpace = kFrameSize + 15 + 512;
static_assert(kFrameSize == 508, "EnterSignalHandler and SignalReturn know this size");

// The handler gets its arguments on the stack and, as the kernel also
// passes them, in EAX, EDX and ECX; the direction flag clear.
asm(".text\n"
    ".globl " TB_SYM(tumbex_EnterSignalHandler) "\n"
    TB_SYM(tumbex_EnterSignalHandler) ":\n"
    "  leal 508+15(%esp), %eax\n"
    "  andl $-16, %eax\n"
    "  fxsave (%eax)\n"
    "  fninit\n"
    "  pushl $0x1F80\n"
    "  ldmxcsr (%esp)\n"
    "  addl $4, %esp\n"
    "  cld\n"
    "  subl $12, %esp\n"
    "  call " TB_SYM(tumbex_BuildSignalFrame) "\n"
    "  addl $12, %esp\n"
    "  movl %eax, %ebx\n"
    "  movl 4(%esp), %eax\n"
    "  movl 8(%esp), %edx\n"
    "  movl 12(%esp), %ecx\n"
    "  jmp *%ebx\n"
    // The handler's ret took the restorer: the frame starts 4 bytes below.
    // Every register is taken back from the frame after the int3.
    ".globl " TB_SYM(tumbex_SignalReturn) "\n"
    TB_SYM(tumbex_SignalReturn) ":\n"
    "  leal 508+15-4(%esp), %eax\n"
    "  andl $-16, %eax\n"
    "  fxrstor (%eax)\n"
    ".globl " TB_SYM(tumbex_SignalReturnTrap) "\n"
    TB_SYM(tumbex_SignalReturnTrap) ":\n"
    "  int3\n");

// What the trap or the interruption decided and EnterSignalHandler writes
// out. One thread.
struct FaultDelivery {
  uint32_t frame = 0;
  uint32_t handler = 0;
  uint32_t restorer = 0;
  linux::SigInfo info{};
  linux::UContext context{};
};
FaultDelivery gDelivery;
// The signal whose default action ends the run, for EndBySignal.
int32_t gEnding;

// The kernel's test: the stack grows down into [sp, sp + size).
bool OnAltStack(uint32_t sp) {
  return !(gAltStack.flags & linux::kSS_DISABLE) && sp > gAltStack.sp &&
         sp - gAltStack.sp <= gAltStack.size;
}

linux::StackT SavedAltStack(uint32_t sp) {
  linux::StackT saved = gAltStack;
  if (!(saved.flags & linux::kSS_DISABLE))
    saved.flags = OnAltStack(sp) ? linux::kSS_ONSTACK : 0;
  return saved;
}

// Only the flags the kernel lets a signal frame give back.
constexpr uint32_t kRestoredFlags = 0x50DD5;
constexpr uint32_t kTrapFlag = 0x100;

void SaveRegisters(const platform::Context& c, uint32_t* g) {
  g[linux::kREG_EDI] = c.Edi;
  g[linux::kREG_ESI] = c.Esi;
  g[linux::kREG_EBP] = c.Ebp;
  g[linux::kREG_ESP] = c.Esp;
  g[linux::kREG_EBX] = c.Ebx;
  g[linux::kREG_EDX] = c.Edx;
  g[linux::kREG_ECX] = c.Ecx;
  g[linux::kREG_EAX] = c.Eax;
  g[linux::kREG_EIP] = c.Eip;
  g[linux::kREG_EFL] = c.EFlags;
  g[linux::kREG_UESP] = c.Esp;
}

void RestoreRegisters(const uint32_t* g, platform::Context& c) {
  c.Edi = g[linux::kREG_EDI];
  c.Esi = g[linux::kREG_ESI];
  c.Ebp = g[linux::kREG_EBP];
  c.Ebx = g[linux::kREG_EBX];
  c.Edx = g[linux::kREG_EDX];
  c.Ecx = g[linux::kREG_ECX];
  c.Eax = g[linux::kREG_EAX];
  c.Eip = g[linux::kREG_EIP];
  c.Esp = g[linux::kREG_ESP];
  c.EFlags = (c.EFlags & ~kRestoredFlags) | (g[linux::kREG_EFL] & kRestoredFlags);
}

// Code of the program or of a library loaded with it, never the loader's
// or the host's: only there may a signal interrupt the thread.
bool InGuestCode(uint32_t eip) {
  uint32_t base = 0, end = 0;
  platform::GuestRegion(&base, &end);
  if (eip >= base && eip < end) return true;
  for (const process::CodeRange& range : process::LibraryCode)
    if (eip >= range.low && eip < range.high) return true;
  return false;
}

// Stacks a frame for the handler of `number` below the context's stack
// (or on the alternate stack, when its action asks and the thread is not
// on it yet), with `saved` as the registers the handler's return gives
// back, and makes the context enter the handler under the action's mask.
void EnterHandler(platform::Context& c, const platform::Context& saved,
                  const linux::SigInfo& info, uint32_t trapNumber, uint32_t cr2) {
  const int32_t number = info.signo;
  const Disposition& action = gActions[number];
  FaultDelivery d;
  d.info = info;
  uint32_t* g = d.context.mcontext;
  SaveRegisters(saved, g);
  g[linux::kREG_TRAPNO] = trapNumber;
  g[linux::kMcontextCr2] = cr2;
  d.context.stack = SavedAltStack(c.Esp);
  Store(gBlocked, &d.context.sigmask);
  g[linux::kMcontextOldmask] = static_cast<uint32_t>(gBlocked);

  uint32_t sp = c.Esp;
  if ((action.flags & linux::kSA_ONSTACK) && !(gAltStack.flags & linux::kSS_DISABLE) &&
      !OnAltStack(sp))
    sp = gAltStack.sp + gAltStack.size;
  sp -= kFrameSpace;
  d.frame = ((sp + 4) & ~uint32_t{15}) - 4;  // ESP + 4 aligned at the handler

  const Disposition taken = Take(number);
  ++gHandlersRun;
  d.handler = taken.handler;
  d.restorer = (taken.flags & linux::kSA_RESTORER)
                   ? taken.restorer
                   : Address(reinterpret_cast<const void*>(&tumbex_SignalReturn));
  gDelivery = d;
  c.Esp = d.frame;
  c.Eip = Address(reinterpret_cast<const void*>(&tumbex_EnterSignalHandler));
  c.EFlags &= ~kTrapFlag;  // no single step into the handler
}

// The guest thread stands in guest code: the lowest pending signal that is
// not blocked is delivered there, as the kernel delivers it on its way
// back to user mode. Its handler is entered on a frame, or its default
// action ends the run (on the guest thread, in EndBySignal). True when the
// context changed.
bool DeliverAsynchronously(platform::Context& c) {
  while (uint64_t ready = gPending & ~gBlocked) {
    int32_t number = 1;
    while (!(ready & 1)) {
      ready >>= 1;
      ++number;
    }
    gPending &= ~Bit(number);
    const Disposition& action = gActions[number];
    if (action.handler == linux::kSIG_IGN) continue;
    if (action.handler == linux::kSIG_DFL) {
      if (DefaultAction(number) != Default::kEnd) continue;
      gEnding = number;
      c.Esp = (c.Esp & ~uint32_t{15}) - 4;  // as after a call
      c.Eip = Address(reinterpret_cast<const void*>(&tumbex_EndBySignal));
      c.EFlags &= ~kTrapFlag;
      return true;
    }
    const linux::SigInfo info = gPendingInfo[number];
    NoteTaken(info);
    const platform::Context saved = c;
    EnterHandler(c, saved, info, 0, 0);
    return true;
  }
  return false;
}

// The timer thread's interruption. Only guest code is interrupted, and
// not in the middle of the trap's single step: host code may hold locks,
// and the signal waits, pending, for the thread's return to guest code or
// for one of the waits of ours, which deliver it themselves.
bool InterruptGuest(platform::Context& c) {
  if (!InGuestCode(c.Eip) || (c.EFlags & kTrapFlag)) return false;
  Collect();
  return DeliverAsynchronously(c);
}

// rt_sigreturn: the handler has returned (its `ret` took the restorer's
// address), and the context it may have changed is what the thread
// resumes with, under the mask the frame saved; a signal that mask lets
// through and that is pending comes next.
bool ReturnFromHandler(platform::Context& c) {
  const uint32_t frameAddress = c.Esp - 4;
  if (!platform::IsReadable(frameAddress, sizeof(linux::SignalFrame))) return false;
  const auto* frame =
      reinterpret_cast<const linux::SignalFrame*>(uintptr_t{frameAddress});
  RestoreRegisters(frame->ucontext.mcontext, c);
  gBlocked = Load(frame->ucontext.sigmask) & ~kUnblockable;
  if (InGuestCode(c.Eip) && !(c.EFlags & kTrapFlag)) {
    Collect();
    DeliverAsynchronously(c);
  }
  return true;
}

bool TakeGuestFault(const process::GuestFault& fault, platform::Context& c) {
  if (fault.exception == platform::kBreakpoint &&
      c.Eip == Address(reinterpret_cast<const void*>(&tumbex_SignalReturnTrap)))
    return ReturnFromHandler(c);
  if (!fault.guestCode || !Catchable(fault.signal)) return false;
  const Disposition& action = gActions[fault.signal];
  // Blocked or not handled: the kernel's default, which ends the run.
  if (action.handler == linux::kSIG_DFL || action.handler == linux::kSIG_IGN ||
      (gBlocked & Bit(fault.signal)))
    return false;

  linux::SigInfo info{};
  info.signo = fault.signal;
  info.code = fault.code;
  info.addr = fault.address;
  platform::Context saved = c;
  // The kernel reports an int3 past the instruction, Windows at it.
  if (fault.exception == platform::kBreakpoint) ++saved.Eip;
  EnterHandler(c, saved, info, fault.trapNumber, fault.address);
  return true;
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
  process::TakeFault = TakeGuestFault;
  platform::KeepBrokenPipesQuiet();
}

int64_t MonotonicNs() {
  int64_t s = 0;
  int32_t ns = 0;
  platform::ClockRead(platform::ClockKind::kMonotonic, &s, &ns);
  return s * 1000000000 + ns;
}

// A wait that nothing can ever end (no signal pending, no timer that sends
// one): the run ends as a process nobody wakes up would be ended, by the
// default action of SIGKILL.
void EndIfNothingCanCome(const char* call) {
  if (TimersCanSignal()) return;
  rtl::ReportLine(std::string(call) + ": no signal can ever come; the run ends");
  EndRun(128 + linux::kSIGKILL);
}

}  // namespace

bool InterruptGuestThread(platform::Context& context) { return InterruptGuest(context); }

bool InterruptedBySignal(const uint64_t* mask) {
  Collect();
  const uint64_t during = mask != nullptr ? (*mask & ~kUnblockable) : gBlocked;
  if ((gPending & ~during) == 0) return false;
  const uint64_t saved = gBlocked;
  const uint32_t ran = gHandlersRun;
  gBlocked = during;
  DeliverPending();
  gBlocked = saved;
  DeliverPending();
  return gHandlersRun != ran;
}

bool SleepUntil(int64_t deadlineNs) {
  for (;;) {
    if (InterruptedBySignal(nullptr)) return true;
    const int64_t now = MonotonicNs();
    if (deadlineNs >= 0 && now >= deadlineNs) return false;
    platform::WaitForTimers(deadlineNs < 0 ? -1 : deadlineNs - now);
  }
}

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

void QueueSignal(int32_t number, int32_t code, uint32_t value) {
  if (Valid(number)) Send(number, code, value);
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
  gWaiting = 0;
  gAltStack = {0, linux::kSS_DISABLE, 0};
}

}  // namespace tblibc

// A default action that ends the run, taken asynchronously: the guest
// thread comes here from the guest code it was interrupted in.
extern "C" void tumbex_EndBySignal() { tblibc::EndRun(128 + tblibc::gEnding); }

extern "C" uint32_t tumbex_BuildSignalFrame() {
  using namespace tblibc;
  auto* frame = reinterpret_cast<linux::SignalFrame*>(uintptr_t{gDelivery.frame});
  frame->restorer = gDelivery.restorer;
  frame->signo = gDelivery.info.signo;
  frame->info = Address(&frame->siginfo);
  frame->context = Address(&frame->ucontext);
  frame->siginfo = gDelivery.info;
  frame->ucontext = gDelivery.context;
  return gDelivery.handler;
}

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
  Collect();
  Store(gPending, set);
  return 0;
}

// Waits for a signal under the given mask: one pending, or one a timer
// sends, is delivered and the call fails with EINTR, as on Linux. With none
// pending and no timer that could send one, the wait would last for ever.
int tblibc_sigsuspend(const linux::SigSet* mask) {
  if (mask == nullptr) return Fail(linux::kEFAULT);
  const uint64_t during = Load(*mask) & ~kUnblockable;
  for (;;) {
    if (InterruptedBySignal(&during)) break;
    EndIfNothingCanCome("sigsuspend");
    platform::WaitForTimers(-1);
  }
  return Fail(linux::kEINTR);
}

int tblibc_pause() {
  const uint64_t during = gBlocked;
  for (;;) {
    if (InterruptedBySignal(&during)) break;
    EndIfNothingCanCome("pause");
    platform::WaitForTimers(-1);
  }
  return Fail(linux::kEINTR);
}

// glibc's common part of the two sigpause: X/Open's takes one signal out of
// the mask, BSD's sets the mask's first word.
int tblibc___sigpause(int32_t sigOrMask, int32_t isSig) {
  linux::SigSet set{};
  if (isSig != 0) {
    Store(gBlocked, &set);
    if (tblibc_sigdelset(&set, sigOrMask) < 0) return -1;
  } else {
    set.words[0] = static_cast<uint32_t>(sigOrMask);
  }
  return tblibc_sigsuspend(&set);
}
int tblibc_sigpause(int32_t mask) { return tblibc___sigpause(mask, 0); }
int tblibc_xpg_sigpause(int32_t number) { return tblibc___sigpause(number, 1); }

// sigtimedwait and its kin: a signal of the set, pending or sent by a
// timer, is taken without its handler and its number answered; another
// signal the mask lets through runs its handler and the wait fails with
// EINTR; a timeout that passes fails with EAGAIN. `timeoutNs` negative: no
// limit.
int TimedWait(const linux::SigSet* set, linux::SigInfo* info, int64_t timeoutNs,
              const char* call) {
  if (set == nullptr) return Fail(linux::kEFAULT);
  const uint64_t wanted = Load(*set) & ~kUnblockable;
  const int64_t deadline = timeoutNs < 0 ? -1 : MonotonicNs() + timeoutNs;
  struct Waiting {
    explicit Waiting(uint64_t bits) { gWaiting = bits; }
    ~Waiting() { gWaiting = 0; }
  } waiting(wanted);
  for (;;) {
    Collect();
    if (uint64_t hit = gPending & wanted) {
      int32_t number = 1;
      while (!(hit & 1)) {
        hit >>= 1;
        ++number;
      }
      gPending &= ~Bit(number);
      const linux::SigInfo got = gPendingInfo[number];
      NoteTaken(got);
      if (info != nullptr) *info = got;
      return number;
    }
    if (InterruptedBySignal(nullptr)) return Fail(linux::kEINTR);
    const int64_t now = MonotonicNs();
    if (deadline >= 0 && now >= deadline) return Fail(linux::kEAGAIN);
    if (deadline < 0) EndIfNothingCanCome(call);
    platform::WaitForTimers(deadline < 0 ? -1 : deadline - now);
  }
}

int64_t WaitSpan(int64_t seconds, int32_t nanoseconds, bool* valid) {
  *valid = seconds >= 0 && nanoseconds >= 0 && nanoseconds <= 999999999;
  constexpr int64_t kMax = INT64_MAX / 1000000000 - 1;
  if (seconds > kMax) return -1;
  return seconds * 1000000000 + nanoseconds;
}

int tblibc_sigtimedwait64(const linux::SigSet* set, linux::SigInfo* info,
                          const linux::Timespec64* timeout) {
  int64_t span = -1;
  if (timeout != nullptr) {
    bool valid;
    span = WaitSpan(timeout->tv_sec, timeout->tv_nsec, &valid);
    if (!valid) return Fail(linux::kEINVAL);
  }
  return TimedWait(set, info, span, "sigtimedwait");
}

int tblibc_sigtimedwait(const linux::SigSet* set, linux::SigInfo* info,
                        const linux::Timespec* timeout) {
  if (timeout == nullptr) return TimedWait(set, info, -1, "sigtimedwait");
  const linux::Timespec64 wide{timeout->tv_sec, timeout->tv_nsec, 0};
  return tblibc_sigtimedwait64(set, info, &wide);
}

int tblibc_sigwaitinfo(const linux::SigSet* set, linux::SigInfo* info) {
  return TimedWait(set, info, -1, "sigwaitinfo");
}

// The error number itself; a handler that ran does not end the wait.
int tblibc_sigwait(const linux::SigSet* set, int32_t* number) {
  int result;
  do result = TimedWait(set, nullptr, -1, "sigwait");
  while (result < 0 && Errno() == linux::kEINTR);
  if (result < 0) return Errno();
  if (number != nullptr) *number = result;
  return 0;
}

// The guest calls this on its own stack, so where this frame lies tells
// whether it runs on the alternate one.
int tblibc_sigaltstack(const linux::StackT* stack, linux::StackT* old) {
  const uint32_t sp = Address(__builtin_frame_address(0));
  if (old != nullptr) *old = SavedAltStack(sp);
  if (stack == nullptr) return 0;
  if (OnAltStack(sp)) return Fail(linux::kEPERM);
  if (stack->flags != 0 && stack->flags != linux::kSS_ONSTACK &&
      stack->flags != linux::kSS_DISABLE)
    return Fail(linux::kEINVAL);
  if (stack->flags == linux::kSS_DISABLE) {
    gAltStack = {0, linux::kSS_DISABLE, 0};
    return 0;
  }
  if (stack->size < linux::kMINSIGSTKSZ) return Fail(linux::kENOMEM);
  // Faults' handlers with SA_ONSTACK run there; raised signals' handlers
  // run inside the call that raised them, on the stack they were raised on.
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
    Fn<&tblibc_sigsuspend>("__sigsuspend"),
    Fn<&tblibc_pause>("pause"),
    Fn<&tblibc___sigpause>("__sigpause"),
    Fn<&tblibc_sigpause>("sigpause"),
    Fn<&tblibc_xpg_sigpause>("__xpg_sigpause"),
    Fn<&tblibc_sigtimedwait>("sigtimedwait"),
    Fn<&tblibc_sigtimedwait64>("__sigtimedwait64"),
    Fn<&tblibc_sigwaitinfo>("sigwaitinfo"),
    Fn<&tblibc_sigwait>("sigwait"),
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
