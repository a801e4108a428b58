// SyscallTrap: the first vectored exception handler of the process once the
// guest runs. A guest `int 0x80` becomes a call of the system call table;
// every other exception ends the run with a one-line report and the pause.
#include <cstdint>
#include <string>

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
