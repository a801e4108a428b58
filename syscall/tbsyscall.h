// Module `tbsyscall`: the table of system call handlers by number, which
// the trap (trap.h) calls for a guest's `int 0x80`.
#pragma once

#include <cstdint>

#include "platform/exceptions.h"

namespace tbsyscall {

using SyscallHandler = void (*)(platform::Context& context);

constexpr int kSyscallCount = 256;

extern SyscallHandler SyscallTable[kSyscallCount];
extern const char* const SyscallNames[kSyscallCount];

void InitSyscallTable();

// Handlers (exposed for the unit tests).
void UnknownSyscall(platform::Context& c);
void SysExit(platform::Context& c);
void SysRead(platform::Context& c);
void SysWrite(platform::Context& c);
void SysOpen(platform::Context& c);
void SysClose(platform::Context& c);
void SysLseek(platform::Context& c);
void SysBrk(platform::Context& c);
void SysTime(platform::Context& c);
void SysGettimeofday(platform::Context& c);

}  // namespace tbsyscall
