// Exceptions: how a fault of the guest (or of our own code) reaches the
// loader. Windows' vectored exceptions are the model on every port; the
// Linux port builds them from signals.
#pragma once

#include <cstdint>

namespace platform {

// The register context of a trapped thread. What a handler leaves here is
// what the thread resumes with.
struct Context {
  uint32_t Edi, Esi, Ebx, Edx, Ecx, Eax, Ebp, Eip, EFlags, Esp;
};

struct ExceptionPointers {
  uint32_t ExceptionCode;
  Context* ContextRecord;
  // The address an access violation was refused at, where the platform
  // tells it; 0 otherwise.
  uint32_t FaultAddress = 0;
};

using ExceptionHandler = int32_t (*)(ExceptionPointers*);

constexpr int32_t kContinueExecution = -1;
constexpr int32_t kContinueSearch = 0;

// Exception codes, in the Windows numbering on every port.
constexpr uint32_t kAccessViolation = 0xC0000005;
constexpr uint32_t kIllegalInstruction = 0xC000001D;
constexpr uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr uint32_t kIntegerDivideByZero = 0xC0000094;
constexpr uint32_t kIntegerOverflow = 0xC0000095;
constexpr uint32_t kFloatInvalidOperation = 0xC0000090;
constexpr uint32_t kBreakpoint = 0x80000003;
constexpr uint32_t kSingleStep = 0x80000004;
constexpr uint32_t kInPageError = 0xC0000006;
constexpr uint32_t kStackOverflow = 0xC00000FD;

// Installs `handler` in front of every other handler. From then on every
// exception of the process reaches it first, on the faulting thread. On
// ports whose kernel answers `int 0x80` itself, system calls made from the
// guest region (the last ReserveRegion) are turned into exceptions too, with
// Eip at the 0xCD byte and Eax holding the call number.
void AddVectoredExceptionHandler(ExceptionHandler handler);
bool ExceptionHandlerInstalled();

// Raises a software exception with `code` through the installed handler.
// Returns only when no handler is installed or a handler continued it.
void RaiseException(uint32_t code);

}  // namespace platform
