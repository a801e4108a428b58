// Exceptions on Windows: the system's own vectored exceptions, with the
// shared Context copied in and out of this OS's CONTEXT.
#include <windows.h>

#include "platform/exceptions.h"

namespace platform {
namespace {

ExceptionHandler g_handler = nullptr;

// The handler sees the shared Context, not the CONTEXT of this OS; what it
// leaves there is copied back for the thread to resume with.
LONG CALLBACK Adapter(EXCEPTION_POINTERS* info) {
  CONTEXT* native = info->ContextRecord;
  Context c{};
  c.Edi = native->Edi;
  c.Esi = native->Esi;
  c.Ebx = native->Ebx;
  c.Edx = native->Edx;
  c.Ecx = native->Ecx;
  c.Eax = native->Eax;
  c.Ebp = native->Ebp;
  c.Eip = native->Eip;
  c.EFlags = native->EFlags;
  c.Esp = native->Esp;
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  ExceptionPointers pointers{record->ExceptionCode, &c};
  if ((record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION ||
       record->ExceptionCode == EXCEPTION_IN_PAGE_ERROR) &&
      record->NumberParameters >= 2) {
    pointers.FaultAddress = static_cast<uint32_t>(record->ExceptionInformation[1]);
  }
  const LONG result = g_handler(&pointers);
  native->Edi = c.Edi;
  native->Esi = c.Esi;
  native->Ebx = c.Ebx;
  native->Edx = c.Edx;
  native->Ecx = c.Ecx;
  native->Eax = c.Eax;
  native->Ebp = c.Ebp;
  native->Eip = c.Eip;
  native->EFlags = c.EFlags;
  native->Esp = c.Esp;
  return result;
}

}  // namespace

void AddVectoredExceptionHandler(ExceptionHandler handler) {
  const bool first = g_handler == nullptr;
  g_handler = handler;
  if (first) ::AddVectoredExceptionHandler(999, Adapter);
}

bool ExceptionHandlerInstalled() { return g_handler != nullptr; }

void RaiseException(uint32_t code) {
  if (g_handler == nullptr) return;
  ::RaiseException(code, 0, 0, nullptr);
}

}  // namespace platform
