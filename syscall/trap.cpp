// SyscallTrap: the first vectored exception handler of the process once the
// guest runs. A guest `int 0x80` becomes a call of the system call table;
// every other exception ends the run with a one-line report and the pause.
#include <algorithm>
#include <cstdint>
#include <string>

#include "abi/signals.h"
#include "platform/exceptions.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "process/process.h"
#include "runtime/rtl.h"
#include "syscall/tbsyscall.h"
#include "syscall/trap.h"

namespace tbsyscall {

namespace {

constexpr uint8_t kIntOpcode = 0xCD;
constexpr uint8_t kSyscallVector = 0x80;
constexpr uint32_t kIntLength = 2;

// Only an `int 0x80` above the image base counts. The bytes are probed
// first: the exception may come from a jump into unmapped memory, and the
// trap must not fault on its own account.
bool IsSystemCall(uint32_t eip) {
  if (eip <= process::ImageBase) return false;
  if (!platform::IsReadable(eip, kIntLength)) return false;
  const auto* code = reinterpret_cast<const uint8_t*>(uintptr_t{eip});
  return code[0] == kIntOpcode && code[1] == kSyscallVector;
}

std::string Hex8(uint32_t value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

// ---- Thread-local accesses through a register ----------------------------------
//
// Initial-exec code reaches a thread-local variable through a register
// holding its offset from the thread pointer. The loader put an int3 where
// the instruction's %gs prefix was (or, for a few, turned the prefix into
// DS, and the access faults just below 4 GiB): the instruction then runs,
// one step, with the thread pointer added to its register, which gets its
// own value back after the step, unless the instruction wrote it.

constexpr uint32_t kTrapFlag = 0x100;

struct StepFixup {
  bool active = false;
  uint32_t eip = 0;
  uint8_t base = 0;
  uint32_t original = 0, adjusted = 0;
};
StepFixup gStep;

uint32_t& RegisterOf(platform::Context& c, uint8_t n) {
  uint32_t* const registers[8] = {&c.Eax, &c.Ecx, &c.Edx, &c.Ebx,
                                  &c.Esp, &c.Ebp, &c.Esi, &c.Edi};
  return *registers[n & 7];
}

bool FixThreadAccess(uint32_t code, platform::Context& context) {
  if (code == platform::kSingleStep && gStep.active) {
    uint32_t& reg = RegisterOf(context, gStep.base);
    if (reg == gStep.adjusted) reg = gStep.original;
    context.EFlags &= ~kTrapFlag;
    gStep.active = false;
    return true;
  }
  const bool breakpoint = code == platform::kBreakpoint;
  if ((!breakpoint && code != platform::kAccessViolation) || gStep.active) return false;
  const auto& sites = process::ThreadSites;
  const auto site = std::lower_bound(
      sites.begin(), sites.end(), context.Eip,
      [](const process::ThreadSite& s, uint32_t eip) { return s.address < eip; });
  if (site == sites.end() || site->address != context.Eip || site->breakpoint != breakpoint)
    return false;
  if (breakpoint) ++context.Eip;
  uint32_t& reg = RegisterOf(context, site->base);
  gStep = {true, context.Eip, site->base, reg, reg + process::Thread->self};
  reg = gStep.adjusted;
  context.EFlags |= kTrapFlag;
  return true;
}

// ---- Faults the guest may handle ---------------------------------------------------
//
// The Linux signal each processor exception is on i386, with its si_code
// and the processor's vector the kernel saves as trapno.

struct FaultRow {
  uint32_t exception;
  int32_t signal, code;
  uint32_t trapNumber;
};
constexpr FaultRow kFaults[] = {
    {platform::kAccessViolation, linux::kSIGSEGV, linux::kSEGV_MAPERR, 14},
    {platform::kStackOverflow, linux::kSIGSEGV, linux::kSEGV_MAPERR, 14},
    {platform::kInPageError, linux::kSIGBUS, linux::kBUS_ADRERR, 14},
    {platform::kPrivilegedInstruction, linux::kSIGSEGV, linux::kSI_KERNEL, 13},
    {platform::kIllegalInstruction, linux::kSIGILL, linux::kILL_ILLOPN, 6},
    {platform::kIntegerDivideByZero, linux::kSIGFPE, linux::kFPE_INTDIV, 0},
    {platform::kIntegerOverflow, linux::kSIGFPE, linux::kFPE_INTOVF, 4},
    {platform::kBreakpoint, linux::kSIGTRAP, linux::kSI_KERNEL, 3},
};

bool InGuestCode(uint32_t eip) {
  uint32_t base = 0, end = 0;
  platform::GuestRegion(&base, &end);
  if (eip >= base && eip < end) return true;
  for (const process::CodeRange& range : process::LibraryCode)
    if (eip >= range.low && eip < range.high) return true;
  return false;
}

// Windows calls a quotient too large for idiv an overflow; the processor
// raises the divide error for it, which Linux reports as FPE_INTDIV.
bool IsDivision(uint32_t eip) {
  if (!platform::IsReadable(eip, 2)) return false;
  const auto* code = reinterpret_cast<const uint8_t*>(uintptr_t{eip});
  return (code[0] == 0xF6 || code[0] == 0xF7) && ((code[1] >> 3) & 7) >= 6;
}

process::GuestFault FaultOf(const platform::ExceptionPointers& pointers) {
  const platform::Context& context = *pointers.ContextRecord;
  process::GuestFault fault{pointers.ExceptionCode, 0, 0, 0, 0, InGuestCode(context.Eip)};
  for (const FaultRow& row : kFaults) {
    if (row.exception != pointers.ExceptionCode) continue;
    fault.signal = row.signal;
    fault.code = row.code;
    fault.trapNumber = row.trapNumber;
  }
  switch (fault.signal) {
    case linux::kSIGSEGV:
    case linux::kSIGBUS:
      if (fault.code == linux::kSI_KERNEL) break;
      fault.address = pointers.FaultAddress;
      // Memory that is there but refused the access is ACCERR.
      if (fault.signal == linux::kSIGSEGV && platform::IsReadable(fault.address, 1))
        fault.code = linux::kSEGV_ACCERR;
      break;
    case linux::kSIGFPE:
      if (fault.code == linux::kFPE_INTOVF && IsDivision(context.Eip))
        fault.code = linux::kFPE_INTDIV;
      [[fallthrough]];
    case linux::kSIGILL:
      fault.address = context.Eip;
      break;
  }
  return fault;
}

// Set while a report is being written or the pause waits. A failure there
// raises again and comes back here; the run then ends without a second
// report instead of looping through the trap.
bool reporting = false;

}  // namespace

int32_t SyscallTrap(platform::ExceptionPointers* pointers) {
  if (reporting) platform::ExitProcess(1);
  platform::Context& context = *pointers->ContextRecord;

  if (IsSystemCall(context.Eip)) {
    // Past the instruction before the handler runs: the guest resumes after
    // it, and the exit and unknown-call handlers never come back anyway.
    context.Eip += kIntLength;
    uint32_t number = context.Eax;
    if (number < kSyscallCount) {
      SyscallHandler handler = SyscallTable[number];
      (handler ? handler : UnknownSyscall)(context);
    }
    return platform::kContinueExecution;
  }

  if (FixThreadAccess(pointers->ExceptionCode, context)) return platform::kContinueExecution;

  if (process::TakeFault != nullptr && process::TakeFault(FaultOf(*pointers), context))
    return platform::kContinueExecution;

  // Not a system call: the guest's own fault, a fault in host code it
  // called, or an error the run-time raised inside a handler.
  reporting = true;
  rtl::Flush();
  rtl::ReportLine("Unhandled exception (0x" + Hex8(pointers->ExceptionCode) + ")");
  rtl::Flush();
  rtl::Pause();
  platform::ExitProcess(1);
}

}  // namespace tbsyscall
