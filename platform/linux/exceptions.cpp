// Exceptions on Linux: signals stand in for Windows' vectored exceptions
// (their ucontext is the CONTEXT), and a seccomp filter makes the guest's
// own system calls fault the way Windows makes them fault.
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/ucontext.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>

#include "platform/exceptions.h"
#include "platform/linux/host.h"
#include "platform/memory.h"

#ifndef SYS_SECCOMP
#define SYS_SECCOMP 1
#endif

namespace platform {
namespace {

ExceptionHandler g_handler = nullptr;
bool g_syscallsTrapped = false;

constexpr std::array<int, 6> kTrappedSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE,
                                             SIGTRAP, SIGSYS};
static_assert(kTrappedSignals.size() == 6);

// Exception codes for SIGFPE, by si_code.
struct FpeRow {
  int siCode;
  uint32_t code;
};
constexpr std::array<FpeRow, 8> kFpeTable{{
    {FPE_INTDIV, kIntegerDivideByZero},
    {FPE_INTOVF, kIntegerOverflow},
    {FPE_FLTDIV, 0xC000008E},  // float divide by zero
    {FPE_FLTOVF, 0xC0000091},  // float overflow
    {FPE_FLTUND, 0xC0000093},  // float underflow
    {FPE_FLTRES, 0xC000008F},  // float inexact result
    {FPE_FLTINV, kFloatInvalidOperation},
    {FPE_FLTSUB, 0xC000008C},  // array bounds exceeded
}};
static_assert(kFpeTable.size() == 8);

// One-byte instructions that fault only for want of privilege (hlt, cli,
// sti, in, out). The kernel reports them as a plain general-protection
// SIGSEGV; Windows calls them privileged instructions.
constexpr std::array<uint8_t, 11> kPrivilegedOpcodes{
    0xF4, 0xFA, 0xFB, 0xE4, 0xE5, 0xE6, 0xE7, 0xEC, 0xED, 0xEE, 0xEF};
static_assert(kPrivilegedOpcodes.size() == 11);

bool IsPrivilegedOpcode(uint32_t eip) {
  if (!IsReadable(eip, 1)) return false;
  const uint8_t op = *reinterpret_cast<const uint8_t*>(eip);
  for (uint8_t p : kPrivilegedOpcodes)
    if (p == op) return true;
  return false;
}

// The Windows code for a signal; 0 when the signal is nothing Windows would
// report as an exception (sent by a process, not raised by an instruction).
uint32_t ExceptionCode(int sig, const siginfo_t* info, uint32_t eip) {
  if (info->si_code <= 0) return 0;
  switch (sig) {
    case SIGSEGV:
      if (info->si_code == SI_KERNEL && IsPrivilegedOpcode(eip))
        return kPrivilegedInstruction;
      return kAccessViolation;
    case SIGBUS:
      return info->si_code == BUS_ADRERR || info->si_code == BUS_OBJERR
                 ? kInPageError
                 : kAccessViolation;
    case SIGILL:
      return info->si_code == ILL_PRVOPC ? kPrivilegedInstruction
                                         : kIllegalInstruction;
    case SIGFPE:
      for (const FpeRow& row : kFpeTable)
        if (row.siCode == info->si_code) return row.code;
      return kFloatInvalidOperation;
    case SIGTRAP:
      return info->si_code == SI_KERNEL ? kBreakpoint : kSingleStep;
    case SIGSYS:
      // What Windows reports for the guest's int 0x80.
      return info->si_code == SYS_SECCOMP ? kAccessViolation : 0;
  }
  return 0;
}

[[noreturn]] void DieOfSignal(int sig) {
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  _exit(128 + sig);  // not reached: every trapped signal's default kills
}

// A Windows vectored exception, Linux style. Eip is reported as Windows
// reports it: at the int3 byte and at the 0xCD of a trapped system call,
// where the kernel has already moved past them.
void OnSignal(int sig, siginfo_t* info, void* raw) {
  auto* uc = static_cast<ucontext_t*>(raw);
  Context c = ContextOf(uc);

  uint32_t code = ExceptionCode(sig, info, c.Eip);
  if (code == 0 || g_handler == nullptr) DieOfSignal(sig);
  if (sig == SIGSYS) {
    c.Eip -= kSyscallInstructionLength;
    c.Eax = static_cast<uint32_t>(info->si_syscall);  // saved eax is -ENOSYS
  } else if (code == kBreakpoint) {
    c.Eip -= 1;
  }

  ExceptionPointers pointers{code, &c};
  if (sig == SIGSEGV || sig == SIGBUS)
    pointers.FaultAddress = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info->si_addr));
  if (g_handler(&pointers) != kContinueExecution) DieOfSignal(sig);

  StoreContext(c, uc);
}

// Syscalls of i386 code whose return address lies in the guest region trap
// (SIGSYS); everything else, host code included, runs as usual.
bool InstallSyscallFilter() {
  const uint32_t low = g_regionBase + kSyscallInstructionLength;
  const uint32_t high = g_regionEnd;  // an int 0x80 ending at the region end
  struct sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_I386, 0, 4),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS,
               offsetof(struct seccomp_data, instruction_pointer)),
      BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, low, 0, 2),
      BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, high, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog prog {
    static_cast<unsigned short>(sizeof(program) / sizeof(program[0])), program
  };
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return false;
  return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &prog) == 0;
}

}  // namespace

// Needs both a region and the handler; whichever comes second installs it.
// A filter cannot be removed, so there is one per process.
void TrapGuestSyscalls() {
  if (g_syscallsTrapped || g_handler == nullptr || g_regionEnd == 0) return;
  g_syscallsTrapped = true;
  StartCommandStarter();
  if (!InstallSyscallFilter()) {
    static constexpr char kMessage[] =
        "tumbex: cannot trap the guest's system calls (seccomp)\n";
    ssize_t ignored = write(2, kMessage, sizeof kMessage - 1);
    (void)ignored;
  }
}

void AddVectoredExceptionHandler(ExceptionHandler handler) {
  if (g_handler != nullptr) {
    g_handler = handler;
    return;
  }
  g_handler = handler;
  // A stack of its own, so that a guest that has run out of stack is still
  // reported (Windows keeps a reserve for that, too).
  constexpr size_t kSignalStackSize = 64 * 1024;
  stack_t stack{};
  stack.ss_sp = AllocatePages(kSignalStackSize);
  stack.ss_size = kSignalStackSize;
  const bool ownStack = stack.ss_sp != nullptr && sigaltstack(&stack, nullptr) == 0;
  struct sigaction sa {};
  sa.sa_sigaction = OnSignal;
  sa.sa_flags = SA_SIGINFO | SA_NODEFER;  // a fault in the handler reaches it
  if (ownStack) sa.sa_flags |= SA_ONSTACK;
  sigemptyset(&sa.sa_mask);
  for (int sig : kTrappedSignals) sigaction(sig, &sa, nullptr);
  TrapGuestSyscalls();
}

bool ExceptionHandlerInstalled() { return g_handler != nullptr; }

void RaiseException(uint32_t code) {
  if (g_handler == nullptr) return;
  Context c{};
  c.Eip = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
  c.Ebp = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  c.Esp = c.Ebp;
  ExceptionPointers pointers{code, &c};
  if (g_handler(&pointers) == kContinueExecution) return;
  // Nobody took it: the process ends the way an unhandled exception ends it.
  _exit(static_cast<int>(code));
}

}  // namespace platform
